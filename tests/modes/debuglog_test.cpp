// Serrafin's debug log, linked in directly: the switch in each stored form,
// the file started afresh at each load and appended to after, lines of any
// length, and registry text written as text.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "cfg.h"
#include "debuglog.h"
#include "modesfixture.h"

using namespace testing_support;

namespace {

class DebugLogTest : public ModesTest {};

TEST_F(DebugLogTest, SwitchIsOnOnlyForANonZeroNumber)
{
    struct Case {
        const char *what;
        DWORD type;
        std::string data;  // empty with REG_NONE: no value at all
        bool on;
    } cases[] = {
        {"missing", REG_NONE, "", false},
        {"dword 0", REG_DWORD, std::string("\0\0\0\0", 4), false},
        {"string 0", REG_SZ, std::string("0", 2), false},
        {"string of letters", REG_SZ, std::string("on", 3), false},
        {"expandable string 1", REG_EXPAND_SZ, std::string("1", 2), false},
        {"dword 1", REG_DWORD, std::string("\1\0\0\0", 4), true},
        {"string 1", REG_SZ, std::string("1", 2), true},
        {"string -3", REG_SZ, std::string(" -3", 4), true},
        {"binary 00 01", REG_BINARY, std::string("\0\1", 2), true},
    };
    for (const Case &c : cases) {
        DeleteKeyTree(kUser, kProductKey);
        if (c.type != REG_NONE)
            WriteRaw(kUser, kSkinKey, "Debug", c.type, c.data.data(), (DWORD)c.data.size());
        RemoveLog();
        LoadDebugSwitch();
        DebugLog("CreatePage()");
        EXPECT_EQ(LogExists(), c.on) << c.what;
        if (c.on) {
            EXPECT_EQ(LogLines(), std::vector<std::string>{"CreatePage()"}) << c.what;
        }
    }
}

TEST_F(DebugLogTest, EachLoadStartsTheFileAfreshAndLinesAppendAfterThat)
{
    FILE *old = fopen(DEBUG_LOG_FILE, "wb");
    ASSERT_NE(old, nullptr);
    fputs("from an earlier load\r\n", old);
    fclose(old);

    LoadDebugSwitch();
    DebugLog("WM_INITDIALOG");
    // On disk as soon as the call returns.
    EXPECT_EQ(LogLines(), std::vector<std::string>{"WM_INITDIALOG"});
    DebugLog("Inserted(%d)", 7);
    DebugLog("AddPage(%s)", "ok");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"WM_INITDIALOG", "Inserted(7)", "AddPage(ok)"}));

    // The switch is read at load only: switching it off now changes nothing
    // until the next load.
    SetDebugSwitch(false);
    DebugLog("saving");
    EXPECT_EQ(LogLines().size(), 4u);

    LoadDebugSwitch();
    DebugLog("not written");
    EXPECT_EQ(LogLines().size(), 4u);

    SetDebugSwitch(true);
    LoadDebugSwitch();
    DebugLog("User said ok (%d=>%d)", 60, 85);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"User said ok (60=>85)"});
}

TEST_F(DebugLogTest, ALineThatCannotBeWrittenIsLostButStillCountsAsTheFirst)
{
    // A directory where the file should be: fopen fails.
    ASSERT_TRUE(CreateDirectoryA(DEBUG_LOG_FILE, NULL));
    DebugLog("lost");
    ASSERT_TRUE(RemoveDirectoryA(DEBUG_LOG_FILE));

    FILE *old = fopen(DEBUG_LOG_FILE, "wb");
    ASSERT_NE(old, nullptr);
    fputs("kept\r\n", old);
    fclose(old);
    DebugLog("appended");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"kept", "appended"}));
}

TEST_F(DebugLogTest, LinesOfAnyLengthStayWithinTheLineBuffer)
{
    // The longest line the page writes: AddEntry with a 259-character list.
    std::string list(259, '9');
    for (size_t i = 2; i < list.size(); i += 3)
        list[i] = ',';
    DebugLog("AddEntry(%d, %d, %d, %d, \"%s\" [%s])", -2147483647 - 1, 2147483647, -1, 200,
             list.c_str(), "!exists");
    std::string expected =
        "AddEntry(-2147483648, 2147483647, -1, 200, \"" + list + "\" [!exists])";
    ASSERT_GT(expected.size(), 300u);
    EXPECT_EQ(LogLines(), std::vector<std::string>{expected});

    // Longer than the buffer: cut at its end, and the lines after it whole.
    std::string huge(5000, 'h');
    DebugLog("%s%s", huge.c_str(), huge.c_str());
    DebugLog("after %s", "it");
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], std::string(kDebugLineSize - 1, 'h'));
    EXPECT_EQ(lines[2], "after it");

    // Exactly as long as the buffer holds, and one more.
    RemoveLog();
    LoadDebugSwitch();
    std::string fits(kDebugLineSize - 1, 'f');
    DebugLog("%s", fits.c_str());
    DebugLog("%s!", fits.c_str());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{fits, fits}));
}

TEST_F(DebugLogTest, RegistryTextIsWrittenAsText)
{
    const char *names[] = {"100%s", "%n%n%n%n", "%x %d %s%s%s", "50%"};
    for (const char *name : names)
        DebugLog("%s", name);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"100%s", "%n%n%n%n", "%x %d %s%s%s", "50%"}));
}

TEST_F(DebugLogTest, NothingIsWrittenOrFormattedWhileTheSwitchIsOff)
{
    SetDebugSwitch(false);
    LoadDebugSwitch();
    // An argument that could not be formatted proves no formatting happens.
    DebugLog("%s", (const char *)(ULONG_PTR)0x10);
    EXPECT_FALSE(LogExists());
}

}  // namespace
