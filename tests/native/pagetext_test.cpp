// The clock page's texts: localised formats are used only as far as they
// ask for the values the page passes, and format them as printf would.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "pagetext.h"

namespace {

// The values box's arguments: core, memory, latency word, timing word.
std::string Values(const char *format, bool *usable = nullptr, size_t size = 260)
{
    PageTextArgument arguments[] = {NumberArgument(166.5f), NumberArgument(182.25f),
                                    TextArgument("Med"), TextArgument("???")};
    std::string out(size ? size : 1, '\xbd');
    bool ok = FormatPageText(format, arguments, 4, &out[0], size);
    if (usable)
        *usable = ok;
    return size ? std::string(out.c_str()) : out;
}

TEST(PageText, FormatsTheFourValues)
{
    EXPECT_EQ(Values("Core: %3.1f MHz\nMem: %3.1f MHz\nLatency: %s\nTimings: %s"),
              "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: Med\nTimings: ???");
    // Fewer conversions than values is a translation that shows less.
    EXPECT_EQ(Values("%.0f / %lf %%"), "167 / 182.250 %") << "at most three decimals";
    EXPECT_EQ(Values("[%-8.2f|%+08.1f]"), "[166.50  |+00182.3]");
    EXPECT_EQ(Values("[% 1.0f|%#.0f]"), "[ 167|182.]");
    EXPECT_EQ(Values("%f %.1f [%5s|%-3.1s]"), "166.500 182.3 [  Med|?  ]")
        << "a string's precision cuts it";
}

TEST(PageText, RefusesFormatsThatAskForOtherValues)
{
    const char *refused[] = {
        "%f %f %s %s %s",  // a fifth value nobody passed
        "%d %f %s %s",     // an integer where a number is
        "%s %f %s %s",     // a text where a number is
        "%f %f %f %s",     // a number where a text is
        "%f %f %s %n",     // writes through a pointer
        "%*f", "%.*f", "%x", "%p", "%Lf", "%ls", "%hf", "%e", "%g",
        "%1000f",          // wider than any page text
        "%f %f %s %",      // a lone percent sign at the end
    };
    for (const char *format : refused) {
        bool usable = true;
        EXPECT_EQ(Values(format, &usable), "") << format;
        EXPECT_FALSE(usable) << format;
    }
    bool usable = false;
    EXPECT_EQ(Values("no values at all", &usable), "no values at all");
    EXPECT_TRUE(usable);
}

TEST(PageText, StaysWithinItsBuffer)
{
    EXPECT_EQ(Values("%.0f and a long tail", nullptr, 4), "167");
    std::string untouched = Values("%f", nullptr, 0);
    EXPECT_EQ(untouched, "\xbd") << "a buffer of no size is not written";
    EXPECT_EQ(Values("%260f", nullptr, 16).size(), 15u);
}

TEST(PageText, MatchesPrintf)
{
    std::mt19937 random(99);
    std::uniform_real_distribution<double> values(-1e6, 1e6);
    const char *flags[] = {"", "-", "+", " ", "0", "#", "-+", "+0", " 0", "#0", "-#"};
    for (int i = 0; i < 20000; ++i) {
        double value = i % 3 ? (float)values(random) : (double)(int)values(random);
        std::string flag = flags[random() % (sizeof flags / sizeof flags[0])];
        int width = (int)(random() % 14);
        int precision = (int)(random() % 4);
        std::string format = "<%" + flag + std::to_string(width) + "." + std::to_string(precision) + "f>";
        char expected[64];
        snprintf(expected, sizeof expected, format.c_str(), value);
        PageTextArgument argument = NumberArgument(value);
        char actual[64];
        ASSERT_TRUE(FormatPageText(format.c_str(), &argument, 1, actual, sizeof actual));
        // The C library rounds exact halves to even; the page, like the
        // setting text, away from zero.
        long double scaled = fabsl((long double)value * powl(10, precision));
        if (scaled - floorl(scaled) != 0.5L)
            ASSERT_STREQ(actual, expected) << format << " " << value;
    }
}

TEST(PageText, LineBreaksFromTheRegistry)
{
    char text[] = "Core: %3.1f\\nMem\\\\n\\";
    ExpandLineBreaks(text);
    EXPECT_STREQ(text, "Core: %3.1f \nMem\\ \n\\");
}

}  // namespace
