// The clock setting text and the SetClocks grammar, against the C library's
// printf and scanf in the "C" locale, plus random input for the sanitizers.
#include <gtest/gtest.h>

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "settingtext.h"

namespace {

std::string Format(const ClockSetting &setting)
{
    char text[260];
    FormatClockSetting(setting, text, sizeof text);
    return text;
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    FormatFixed(value, decimals, text, sizeof text);
    return text;
}

// True when value x 10^decimals lies exactly halfway between two integers,
// where printf rounds to even and we round away from zero.
bool ExactTie(double value, int decimals)
{
    long double scaled = fabsl((long double)value * powl(10, decimals));
    return scaled - floorl(scaled) == 0.5L;
}

TEST(SettingText, WritesTheStoredForm)
{
    EXPECT_EQ(Format({166, 183, 1, 0}), "166.00 183.00 1 0");
    EXPECT_EQ(Format({164.25f, 182.25f, 3, 3}), "164.25 182.25 3 3");
    EXPECT_EQ(Format({0, 0, -1, 2147483647}), "0.00 0.00 -1 2147483647");
    EXPECT_EQ(Format({-0.004f, 1.005f, 0, 0}).substr(0, 5), "-0.00");

    char summary[256];
    FormatClockSummary({250, 200, 1, 0}, summary, sizeof summary);
    EXPECT_STREQ(summary, "250.0, 200.0, 1, 0");
    // A half rounds away from zero, as the Windows C library does.
    EXPECT_EQ(Fixed(164.25, 1), "164.3");
    EXPECT_EQ(Fixed(-0.125, 2), "-0.13");
}

TEST(SettingText, MatchesPrintfAwayFromTies)
{
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> clocks(0.0f, 1000.0f);
    std::uniform_int_distribution<int> bits(0, 0x7F7FFFFF);
    for (int i = 0; i < 100000; ++i) {
        float value = i % 2 ? clocks(random) : [&] {
            int raw = bits(random);
            float f;
            memcpy(&f, &raw, sizeof f);
            return f;
        }();
        for (int decimals : {1, 2}) {
            if (ExactTie(value, decimals))
                continue;
            char expected[400];
            snprintf(expected, sizeof expected, "%.*f", decimals, (double)value);
            ASSERT_EQ(Fixed(value, decimals), expected) << "value " << value;
        }
    }
}

TEST(SettingText, HugeValuesStayWithinTheBuffer)
{
    char small[16];
    memset(small, 'x', sizeof small);
    size_t length = FormatFixed(3.4e38, 2, small, 10);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(small[9], '\0');
    EXPECT_EQ(small[10], 'x');

    char summary[256];
    FormatClockSummary({FLT_MAX, -FLT_MAX, 1, 0}, summary, sizeof summary);
    EXPECT_EQ(strncmp(summary, "340282", 6), 0);
    EXPECT_NE(strstr(summary, ", -340282"), nullptr);
    EXPECT_EQ(Fixed(INFINITY, 2), "inf");
    EXPECT_EQ(Fixed(NAN, 1), "nan");
}

TEST(SettingText, ParsesOnlyCompleteSettings)
{
    ClockSetting setting = {1, 2, 3, 3};
    EXPECT_TRUE(ParseClockSetting("166.00 183.00 1 0", &setting));
    EXPECT_EQ(setting.core, 166.0f);
    EXPECT_EQ(setting.memory, 183.0f);
    EXPECT_EQ(setting.latency, 1);
    EXPECT_EQ(setting.timing, 0);

    ClockSetting unchanged = {1, 2, 3, 3};
    for (const char *bad : {"166.00 183.00 1", "", " ", "166,00 183,00 1 0", "a 1 2 3",
                            "1 2 3 x", "nan nan 3 3", "166.00 inf 3 3"}) {
        ClockSetting copy = unchanged;
        EXPECT_FALSE(ParseClockSetting(bad, &copy)) << bad;
        EXPECT_EQ(memcmp(&copy, &unchanged, sizeof copy), 0) << bad;
    }
}

TEST(ClocksCommand, CountsConvertedFields)
{
    struct Case {
        const char *command;
        int fields;
    } cases[] = {
        {"250 200 1 0", 4},   {"250 200 1 0 1", 5},  {"250 200 1", 3},  {"250,200,1,0", 1},
        {" ", 0},             {"", 0},               {"\t250\n200  1 0 junk", 4},
        {"250 200 1 0 junk", 4}, {"-1.5e2 +2. -0 +7 -9", 5}, {".5 5. 1 1", 4},
        {". 1 1 1", 0},       {"1 2 3.5 4", 3},
        // The Windows C library converts no number from these words.
        {"inf 200 1 0", 0},   {"nan nan 1 0", 0},    {"250 -Infinity 1 0", 1},
        {"+NAN 1 1 1", 0},
    };
    for (const Case &c : cases) {
        ClockSetting setting = {};
        int32_t confirm = 0;
        EXPECT_EQ(ScanClocksCommand(c.command, &setting, &confirm), c.fields) << c.command;
    }
    ClockSetting setting = {};
    int32_t confirm = 0;
    ASSERT_EQ(ScanClocksCommand("-1.5e2 +2. -0 +7 -9", &setting, &confirm), 5);
    EXPECT_EQ(setting.core, -150.0f);
    EXPECT_EQ(setting.memory, 2.0f);
    EXPECT_EQ(setting.latency, 0);
    EXPECT_EQ(setting.timing, 7);
    EXPECT_EQ(confirm, -9);
}

// Random commands made of the grammar's own characters scan like sscanf.
TEST(ClocksCommand, AgreesWithScanf)
{
    static const char kAlphabet[] = "0123456789 .+-, \t";
    std::mt19937 random(99);
    std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 200000; ++i) {
        std::string command;
        for (int n = length(random); n > 0; --n)
            command += kAlphabet[pick(random)];
        // Integers that overflow are undefined behaviour for scanf itself.
        size_t run = 0, longest = 0;
        for (char c : command) {
            run = (c >= '0' && c <= '9') ? run + 1 : 0;
            longest = run > longest ? run : longest;
        }
        if (longest > 9)
            continue;
        float core = 0, memory = 0;
        int latency = 0, timing = 0, confirm = 0;
        int expected = sscanf(command.c_str(), "%f %f %d %d %d", &core, &memory, &latency,
                              &timing, &confirm);
        if (expected < 0)
            expected = 0;
        ClockSetting setting = {};
        int32_t flag = 0;
        int fields = ScanClocksCommand(command.c_str(), &setting, &flag);
        ASSERT_EQ(fields, expected) << '"' << command << '"';
        if (fields >= 1) {
            ASSERT_FLOAT_EQ(setting.core, core) << command;
        }
        if (fields >= 2) {
            ASSERT_FLOAT_EQ(setting.memory, memory) << command;
        }
        if (fields >= 4) {
            ASSERT_EQ(setting.latency, latency) << command;
            ASSERT_EQ(setting.timing, timing) << command;
        }
        if (fields == 5) {
            ASSERT_EQ(flag, confirm) << command;
        }
    }
}

// Whatever bytes arrive, scanning stays inside the text and formatting
// inside its buffer (the sanitizers watch both).
TEST(ClocksCommand, SurvivesArbitraryBytes)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 300);
    for (int i = 0; i < 50000; ++i) {
        std::string command;
        for (int n = length(random); n > 0; --n)
            command += (char)byte(random);
        ClockSetting setting = {};
        int32_t confirm = 0;
        int fields = ScanClocksCommand(command.c_str(), &setting, &confirm);
        ASSERT_GE(fields, 0);
        ASSERT_LE(fields, 5);
        char text[16];
        FormatClockSetting(setting, text, sizeof text);
        ASSERT_LT(strlen(text), sizeof text);
    }
}

// What is written reads back as the same text.
TEST(SettingText, RoundTrips)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> hundredths(0, 200000);
    std::uniform_int_distribution<int> preset(-5, 5);
    for (int i = 0; i < 20000; ++i) {
        ClockSetting setting = {hundredths(random) / 100.0f, hundredths(random) / 100.0f,
                                preset(random), preset(random)};
        std::string text = Format(setting);
        ClockSetting back = {};
        ASSERT_TRUE(ParseClockSetting(text.c_str(), &back)) << text;
        ASSERT_EQ(Format(back), text);
        ASSERT_EQ(back.latency, setting.latency);
        ASSERT_EQ(back.timing, setting.timing);
    }
}

}  // namespace
