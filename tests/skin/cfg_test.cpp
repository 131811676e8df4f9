// The registry helpers against Wine's real registry, built once per
// behaviour: the plain base (Quillan) and the private heap's differences
// (Serrafin).
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "cfg.h"
#include "winsupport.h"

#if defined(CFG_TEST_SERRAFIN)
enum { kIsSerrafin = 1 };
const CfgOptions g_cfgOptions = CFG_PRIVATE_HEAP_OPTIONS;
#else
enum { kIsSerrafin = 0 };
const CfgOptions g_cfgOptions = CFG_PLAIN_OPTIONS;
#endif

using namespace testing_support;

namespace {

const char kArea[] = "Software\\VantrelTests\\Cfg";
const HKEY kUser = HKEY_CURRENT_USER;

class Cfg : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeyTree(kUser, "Software\\VantrelTests"); }
    void TearDown() override { DeleteKeyTree(kUser, "Software\\VantrelTests"); }
};

std::string Sub(const char *name)
{
    return std::string(kArea) + "\\" + name;
}

TEST_F(Cfg, ReadIntConvertsEachStoredForm)
{
    WriteString(kUser, kArea, "text", "12abc");
    WriteString(kUser, kArea, "signed", "  -7 MHz");
    WriteString(kUser, kArea, "letters", "abc");
    WriteDword(kUser, kArea, "dword", 400);
    const BYTE two[] = {0x01, 0x02};
    WriteRaw(kUser, kArea, "short", REG_BINARY, two, sizeof two);
    const BYTE five[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    WriteRaw(kUser, kArea, "long", REG_BINARY, five, sizeof five);
    WriteRaw(kUser, kArea, "expand", REG_EXPAND_SZ, "5", 2);

    struct Case {
        const char *name;
        BOOL result;
        LONG value;
    } cases[] = {
        {"text", TRUE, 12},      {"signed", TRUE, -7},    {"letters", TRUE, 0},
        {"dword", TRUE, 400},    {"short", TRUE, 0x0201}, {"long", TRUE, 0x04030201},
        {"expand", FALSE, 0x5EED},  // other types leave the destination alone
        {"missing", FALSE, -99},    // a missing value takes the default
    };
    for (const Case &c : cases) {
        LONG value = 0x5EED;
        EXPECT_EQ(CfgReadInt(kUser, kArea, c.name, &value, -99), c.result) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
    LONG value = 1;
    EXPECT_FALSE(CfgReadInt(kUser, "Software\\VantrelTests\\Nowhere", "x", &value, 5));
    EXPECT_EQ(value, 5);
}

TEST_F(Cfg, ReadValueReportsWhatFits)
{
    WriteString(kUser, kArea, "name", "Tachyra");
    WriteRaw(kUser, kArea, "eight", REG_BINARY, "ABCDEFGH", 8);
    WriteRaw(kUser, kArea, "empty", REG_BINARY, "", 0);

    char buffer[32];
    memset(buffer, 0xBD, sizeof buffer);
    EXPECT_EQ(CfgReadValue(kUser, kArea, "name", buffer, sizeof buffer), 8u);
    EXPECT_STREQ(buffer, "Tachyra");
    EXPECT_EQ(CfgReadValue(kUser, kArea, "eight", buffer, 4), 0u);
    EXPECT_EQ(CfgReadValue(kUser, kArea, "empty", buffer, sizeof buffer), 0u);
    EXPECT_EQ(CfgReadValue(kUser, kArea, "missing", buffer, sizeof buffer), 0u);

    // Text that fills the buffer exactly is still terminated inside it.
    char text[9];
    memset(text, 0xBD, sizeof text);
    EXPECT_EQ(CfgReadText(kUser, kArea, "eight", text, 8), 8u);
    EXPECT_STREQ(text, "ABCDEFG");
    EXPECT_EQ((BYTE)text[8], 0xBD);
    std::string longest(259, 'n');
    WriteString(kUser, kArea, "longest", longest.c_str());
    char name[kPathSize + 1];
    name[kPathSize] = 'x';
    EXPECT_EQ(CfgReadText(kUser, kArea, "longest", name, kPathSize), 260u);
    EXPECT_EQ(std::string(name), longest);
    EXPECT_EQ(name[kPathSize], 'x');
}

TEST_F(Cfg, ReadValueAllocHandsOutTerminatedBlocks)
{
    WriteRaw(kUser, kArea, "bytes", REG_BINARY, "\x01\x02\x03", 3);
    EXPECT_FALSE(CfgReadValueAlloc(kUser, kArea, "bytes", NULL, NULL));

    BYTE *block = (BYTE *)0x1;
    DWORD type = 0;
    ASSERT_TRUE(CfgReadValueAlloc(kUser, kArea, "bytes", &block, &type));
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    EXPECT_EQ(memcmp(block, "\x01\x02\x03", 3), 0);
    // The block is zero-filled for 8 bytes past the data.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(block[3 + i], 0) << i;
    CfgFree(block);

    block = (BYTE *)0x1;
    EXPECT_FALSE(CfgReadValueAlloc(kUser, kArea, "missing", &block, &type));
    EXPECT_EQ(block, nullptr);

    WriteString(kUser, kArea, "skin", "blue");
    char *text = CfgReadString(kUser, kArea, "skin");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "blue");
    CfgFree(text);
    EXPECT_EQ(CfgReadString(kUser, kArea, "missing"), nullptr);
    CfgFree(NULL);
}

TEST_F(Cfg, WriteValueCreatesKeysAndCountsTheTerminator)
{
    std::string nested = Sub("Fonts\\Definitions");
    ASSERT_TRUE(CfgWriteText(kUser, nested.c_str(), "1457", "Tahoma"));
    RegValue written = ReadValue(kUser, nested.c_str(), "1457");
    ASSERT_TRUE(written.found);
    EXPECT_EQ(written.type, (DWORD)REG_SZ);
    EXPECT_EQ(written.data, std::string("Tahoma", 7));

    DWORD number = 0x11223344;
    ASSERT_TRUE(CfgWriteValue(kUser, kArea, "", &number, REG_DWORD, sizeof number));
    EXPECT_EQ(ReadValue(kUser, kArea, "").data, std::string("\x44\x33\x22\x11", 4));
}

TEST_F(Cfg, FailedWritesAreReportedOnlyBySerrafin)
{
    // An invalid root cannot be opened; a value name over the registry's
    // limit cannot be set.
    std::string tooLong(20000, 'v');
    DialogAnswerer answerer({IDOK});
    EXPECT_FALSE(CfgWriteText((HKEY)(ULONG_PTR)0x7FFF0000, "x", "y", "z"));
    EXPECT_FALSE(CfgWriteText(kUser, kArea, tooLong.c_str(), "z"));
    if (!kIsSerrafin) {
        EXPECT_TRUE(answerer.Seen().empty());
        return;
    }
    ASSERT_EQ(answerer.Seen().size(), 2u);
    const char *texts[] = {"Couldn't open", "Couldn't write"};
    for (int i = 0; i < 2; ++i) {
        const SeenDialog &box = answerer.Seen()[i];
        EXPECT_EQ(box.text, texts[i]);
        EXPECT_EQ(box.caption, "Registry");
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(box.hasIcon);
        EXPECT_EQ(box.owner, (HWND)NULL);
    }
}

struct Walk {
    std::vector<std::string> seen;
    size_t stopAfter = 100;
};

BOOL CollectText(LONG_PTR first, LONG_PTR second)
{
    Walk *walk = (Walk *)second;
    walk->seen.push_back((const char *)first);
    return walk->seen.size() < walk->stopAfter;
}

std::vector<std::string> g_data;
BOOL CollectData(LONG_PTR first, LONG_PTR second)
{
    g_data.push_back(std::string((const char *)first, (size_t)second));
    return TRUE;
}

TEST_F(Cfg, EnumerateWalksKeysNamesAndData)
{
    CfgWriteText(kUser, Sub("Alpha").c_str(), "a", "1");
    CfgWriteText(kUser, Sub("Beta").c_str(), "b", "2");
    CfgWriteText(kUser, kArea, "first", "one");
    DWORD number = 7;
    CfgWriteValue(kUser, kArea, "second", &number, REG_DWORD, sizeof number);
    CfgWriteText(kUser, kArea, "third", "three");

    Walk keys;
    EXPECT_EQ(CfgEnumerate(kUser, kArea, kCfgWalkSubKeys, CollectText, (LONG_PTR)&keys),
              ERROR_SUCCESS);
    EXPECT_EQ(keys.seen, (std::vector<std::string>{"Alpha", "Beta"}));

    Walk names;
    CfgEnumerate(kUser, kArea, kCfgWalkValueNames, CollectText, (LONG_PTR)&names);
    EXPECT_EQ(names.seen, (std::vector<std::string>{"first", "second", "third"}));

    Walk stopped;
    stopped.stopAfter = 2;
    CfgEnumerate(kUser, kArea, kCfgWalkValueNames, CollectText, (LONG_PTR)&stopped);
    EXPECT_EQ(stopped.seen.size(), 2u);

    g_data.clear();
    CfgEnumerate(kUser, kArea, kCfgWalkValueData, CollectData, 0);
    EXPECT_EQ(g_data, (std::vector<std::string>{std::string("one", 4), std::string("\7\0\0\0", 4),
                                                std::string("three", 6)}));
    g_data.clear();
    CfgEnumerate(kUser, kArea, REG_SZ, CollectData, 0);
    EXPECT_EQ(g_data, (std::vector<std::string>{std::string("one", 4), std::string("three", 6)}));

    EXPECT_EQ(CfgEnumerate(kUser, "Software\\VantrelTests\\Nowhere", kCfgWalkValueNames,
                           CollectText, (LONG_PTR)&names),
              ERROR_FILE_NOT_FOUND);
}

// A value whose data or name does not fit the walk's buffers is stepped
// over: every value after it is still seen (a profile list must not lose
// the profiles enumerated after one oversized value).
TEST_F(Cfg, EnumerateSkipsValuesOverTheLimit)
{
    CfgWriteText(kUser, kArea, "a", "fits");
    std::string big(600, 'b');
    CfgWriteText(kUser, kArea, "b", big.c_str());
    CfgWriteText(kUser, kArea, std::string(270, 'n').c_str(), "long name");
    CfgWriteText(kUser, kArea, "c", "fits too");
    Walk names;
    CfgEnumerate(kUser, kArea, kCfgWalkValueNames, CollectText, (LONG_PTR)&names);
    EXPECT_EQ(names.seen, (std::vector<std::string>{"a", "c"}));
    g_data.clear();
    CfgEnumerate(kUser, kArea, REG_SZ, CollectData, 0);
    EXPECT_EQ(g_data, (std::vector<std::string>{std::string("fits", 5), std::string("fits too", 9)}));
}

TEST_F(Cfg, DeleteValue)
{
    CfgWriteText(kUser, kArea, "gone", "x");
    CfgWriteText(kUser, Sub("Child").c_str(), "inner", "x");
    EXPECT_TRUE(CfgDeleteValue(kUser, kArea, "gone"));
    EXPECT_FALSE(ReadValue(kUser, kArea, "gone").found);
    EXPECT_FALSE(CfgDeleteValue(kUser, kArea, "gone"));
    EXPECT_FALSE(CfgDeleteValue(kUser, "Software\\VantrelTests\\Nowhere", "x"));

    // Only Serrafin falls back to deleting a sub-key of that name.
    CfgWriteText(kUser, kArea, "keep", "x");
    EXPECT_EQ(CfgDeleteValue(kUser, kArea, "Child"), (BOOL)kIsSerrafin);
    EXPECT_EQ(KeyExists(kUser, Sub("Child").c_str()), !kIsSerrafin);
    EXPECT_TRUE(ReadValue(kUser, kArea, "keep").found);
}

#if defined(CFG_TEST_SERRAFIN)

TEST_F(Cfg, ClearValuesKeepsTheDefaultValue)
{
    CfgWriteText(kUser, kArea, "", "default");
    for (const char *name : {"one", "two", "three", "four", "five"})
        CfgWriteText(kUser, kArea, name, name);
    CfgWriteText(kUser, Sub("Child").c_str(), "x", "y");
    CfgClearValues(kUser, kArea);
    EXPECT_EQ(ValueNames(kUser, kArea), std::vector<std::string>{""});
    EXPECT_EQ(ReadValue(kUser, kArea, "").data, std::string("default", 8));
    EXPECT_TRUE(KeyExists(kUser, Sub("Child").c_str()));
    CfgClearValues(kUser, "Software\\VantrelTests\\Nowhere");

    EXPECT_TRUE(CfgKeyExists(kUser, kArea));
    EXPECT_FALSE(CfgKeyExists(kUser, "Software\\VantrelTests\\Nowhere"));
}

TEST_F(Cfg, PrivateHeapGoesWhenEveryBlockIsBack)
{
    void *a = CfgAlloc(16);
    void *b = CfgAlloc(100000);  // beyond the initial size: the heap grows
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(((BYTE *)b)[99999], 0);
    EXPECT_NE(g_cfgHeap, (HANDLE)NULL);
    unsigned allocated = g_cfgBlocksAllocated;
    CfgFree(a);
    EXPECT_NE(g_cfgHeap, (HANDLE)NULL);
    CfgFree(NULL);
    CfgFree(b);
    EXPECT_EQ(g_cfgHeap, (HANDLE)NULL);
    EXPECT_EQ(g_cfgBlocksFreed, g_cfgBlocksAllocated);

    void *again = CfgAlloc(8);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(g_cfgBlocksAllocated, allocated + 1);
    CfgFree(again);
    EXPECT_EQ(g_cfgHeap, (HANDLE)NULL);
}

#else

TEST_F(Cfg, AddNameToComboSkipsTheDefaultValue)
{
    CfgWriteText(kUser, kArea, "", "default");
    CfgWriteText(kUser, kArea, "Quake", "1");
    CfgWriteText(kUser, kArea, "Unreal", "2");
    HWND combo = CreateWindowA("ComboBox", "", CBS_DROPDOWN | WS_POPUP, 0, 0, 100, 100, NULL,
                               NULL, NULL, NULL);
    ASSERT_NE(combo, (HWND)NULL);
    CfgEnumerate(kUser, kArea, kCfgWalkValueNames, AddNameToCombo, (LONG_PTR)combo);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    char text[64];
    SendMessageA(combo, CB_GETLBTEXT, 0, (LPARAM)text);
    EXPECT_STREQ(text, "Quake");
    DestroyWindow(combo);
}

#endif

}  // namespace
