// Quillan.dll loaded as a caller loads it, driven through SetClocks, and
// observed on the simulated card and in the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "cardfixture.h"

using namespace testing_support;

namespace {

typedef void(WINAPI *SetClocksProc)(HWND, HINSTANCE, LPSTR, int);

const char kSettings[] = "Software\\Vantrel\\ATI Radeon Tachyra";
const char kInvalid[] = "INVALID format: float core float mem int latency int timings";

class SetClocks : public CardTest {
protected:
    void TearDown() override
    {
        Unload();
        CardTest::TearDown();
    }

    // Loading runs the library's start-up against the card and registry as
    // they are now.
    void LoadLibraryNow()
    {
        Unload();
        module_ = LoadLibraryA("Quillan.dll");
        ASSERT_NE(module_, (HMODULE)NULL);
        setClocks_ = (SetClocksProc)GetProcAddress(module_, "SetClocks");
        ASSERT_NE(setClocks_, nullptr);
        ASSERT_EQ((void *)setClocks_, (void *)GetProcAddress(module_, MAKEINTRESOURCEA(3)));
    }
    void Unload()
    {
        if (!module_)
            return;
        FreeLibrary(module_);
        module_ = NULL;
        ASSERT_EQ(GetModuleHandleA("Quillan.dll"), (HMODULE)NULL) << "the library stayed loaded";
    }

    void Run(const char *command, HWND owner = NULL)
    {
        if (!module_)
            LoadLibraryNow();
        setClocks_(owner, NULL, (LPSTR)command, SW_SHOWNORMAL);
    }

    void ExpectDividers(unsigned n, unsigned m, bool sync, int line)
    {
        CardState card = State();
        Dividers d = ReadDividers(card);
        EXPECT_EQ(d.n, n) << "core divider, line " << line;
        EXPECT_EQ(d.m, m) << "memory divider, line " << line;
        EXPECT_EQ(d.r, 12u) << "R is never written, line " << line;
        EXPECT_EQ(d.top, 0xA5u) << "bits 24-31 are never written, line " << line;
        EXPECT_EQ(card.pll[13], sync ? 0x37u : 0x32u) << "clock source, line " << line;
    }

    HMODULE module_ = NULL;
    SetClocksProc setClocks_ = nullptr;
};

TEST_F(SetClocks, AppliesWithinTheLimitsOfTheDefaultCard)
{
    // Reference 27 MHz, R 12: step 2.25. Factory from the card, core 166.5:
    // maximum 249 (1.5 x 166.5, truncated); memory 182.25: minimum 101.25.
    Run("250 200 1 0");
    ExpectDividers(110, 88, false, __LINE__);  // 249 -> 110.67, 200 -> 88.89

    // No "DisableMemorySettings": the memory registers are left alone.
    CardStats stats = Stats();
    EXPECT_EQ(stats.requests[CARD_READ_REGISTER], 0u);
    EXPECT_EQ(stats.requests[CARD_WRITE_REGISTER], 0u);
    EXPECT_EQ(State().registers[324 / 4], initial_.registers[324 / 4]);
    EXPECT_EQ(State().registers[340 / 4], initial_.registers[340 / 4]);

    Run("1000 50 1 0");
    ExpectDividers(110, 45, false, __LINE__);  // clamped to 249 and 101.25 (exactly 45)

    Run("166 190 1 0");
    ExpectDividers(73, 84, false, __LINE__);  // 166 -> 73.78, reading back 164.25

    // A clock on the divider grid programs its own divider.
    Run("164.25 101.25 1 0");
    ExpectDividers(73, 45, false, __LINE__);
}

TEST_F(SetClocks, ClocksOneStepApartRunInSync)
{
    Run("180 182.25 1 0");  // exactly one step: core takes the memory clock
    ExpectDividers(81, 81, true, __LINE__);
    Run("179.99 182.25 1 0");
    ExpectDividers(79, 81, false, __LINE__);
    Run("200 199 1 0");  // both from 199 -> 88.44
    ExpectDividers(88, 88, true, __LINE__);
    Run("300 300 1 0");  // both clamped to 249
    ExpectDividers(110, 110, true, __LINE__);

    // Reference 27 MHz, R 5: a step of 5.4 MHz, which no float holds
    // exactly. Every pair of neighbours on the card's grid is one step apart.
    CardState card = initial_;
    SetDividers(&card, 5, 34, 40);  // memory 183.6, core 216: limits 102.6 and 324
    Load(card);
    LoadLibraryNow();
    for (unsigned n = 19; n < 60; ++n) {
        char command[64];
        snprintf(command, sizeof command, "%.1f %.1f 1 0", (n + 1) * 5.4, n * 5.4);
        Run(command);
        Dividers d = ReadDividers(State());
        EXPECT_TRUE(d.n == n && d.m == n && State().pll[13] == 0x37u) << command;
        snprintf(command, sizeof command, "%.1f %.1f 1 0", n * 5.4, (n + 1) * 5.4);
        Run(command);
        d = ReadDividers(State());
        EXPECT_TRUE(d.n == n + 1 && d.m == n + 1 && State().pll[13] == 0x37u) << command;
    }
}

TEST_F(SetClocks, DisableAsyncKeepsTheCoreOnItsOwnPll)
{
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableAsync", 1);
    Run("200 199 1 0");
    ExpectDividers(88, 88, false, __LINE__);
}

TEST_F(SetClocks, LimitsFollowTheBiosAndTheFactorySetting)
{
    struct Case {
        int line;
        uint16_t ceiling;
        unsigned r, m, n;  // the card's dividers at load
        const char *factory;
        unsigned expectN, expectM;  // for "1000 10 0 0"
    } cases[] = {
        // Ceiling 250 within 1.5 x 200: maximum 250; minimum 150 - 22 steps = 100.5.
        {__LINE__, 25000, 12, 81, 74, "200.00 150.00 1 1", 111, 44},
        // No ceiling: 1.5 x 180 = 270; minimum 183 - 36 steps = 102.
        {__LINE__, 0, 12, 81, 74, "180.00 183.00 1 1", 120, 45},
        // A ceiling under 100 MHz counts as none: 1.5 x 166 = 249.
        {__LINE__, 9000, 12, 81, 74, "166.00 183.00 1 1", 110, 45},
        // Factory memory at or below step + floor is the minimum: 101.
        {__LINE__, 40000, 12, 81, 74, "150.00 101.00 1 1", 100, 44},
        // R 24: step 1.125; minimum 182.25 - 73 steps = 100.125 (89 exactly).
        {__LINE__, 40000, 24, 162, 148, NULL, 221, 89},
        // Three numbers do not make a setting: the card's 200.25 MHz counts,
        // maximum 300.
        {__LINE__, 40000, 12, 81, 89, "100.00 100.00 1", 133, 45},
        // Four do: 1.5 x 300 = 450 is over the ceiling, so 400 holds.
        {__LINE__, 40000, 12, 81, 89, "300.00 300.00 1 1", 177, 45},
        // Clocks of 0, as a refused read records them, are no factory
        // setting: the card's 166.5 MHz counts, maximum 249.
        {__LINE__, 40000, 12, 81, 74, "0.00 0.00 3 3", 110, 45},
    };
    for (const Case &c : cases) {
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        CardState card = initial_;
        SetBiosClocks(&card, 2700, 10000, c.ceiling);
        SetDividers(&card, c.r, c.m, c.n);
        Load(card);
        if (c.factory)
            WriteString(HKEY_CURRENT_USER, kSettings, "FactorySettings", c.factory);
        LoadLibraryNow();
        Run("1000 10 0 0");
        Dividers d = ReadDividers(State());
        EXPECT_EQ(d.n, c.expectN) << "case at line " << c.line;
        EXPECT_EQ(d.m, c.expectM) << "case at line " << c.line;
        EXPECT_EQ(d.r, c.r) << "case at line " << c.line;
    }
}

TEST_F(SetClocks, PresetsAreWrittenOnlyWhereTheFlagsAllow)
{
    CardState card = initial_;
    card.registers[324 / 4] = 0xABCD0F00;  // matches no timing
    card.registers[340 / 4] = 0x12345678;
    Load(card);
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 0);
    Run("250 200 0 2");
    EXPECT_EQ(State().registers[340 / 4], 0x7FFFF1FFu);        // Fast latency, whole register
    EXPECT_EQ(State().registers[324 / 4], 0xABCD2F6Au);        // Fast timing under mask 0xF0FF
    Run("250 200 1 0");
    EXPECT_EQ(State().registers[340 / 4], 0x44334244u);
    EXPECT_EQ(State().registers[324 / 4], 0xABCD3F7Fu);

    // Latency 2 (Slow) has no register value, timing 3 is undetermined.
    ASSERT_TRUE(card_.ClearStats());
    Run("250 200 2 3");
    EXPECT_EQ(Stats().requests[CARD_WRITE_REGISTER], 0u);

    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryLatency", 1);
    LoadLibraryNow();
    Run("250 200 0 1");
    EXPECT_EQ(State().registers[340 / 4], 0x44334244u);
    EXPECT_EQ(State().registers[324 / 4], 0xABCD3F6Au);

    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryLatency", 0);
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryTiming", 1);
    LoadLibraryNow();
    Run("250 200 0 2");
    EXPECT_EQ(State().registers[340 / 4], 0x7FFFF1FFu);
    EXPECT_EQ(State().registers[324 / 4], 0xABCD3F6Au);

    // "DisableMemorySettings" set: neither register is read or written.
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 1);
    LoadLibraryNow();
    ASSERT_TRUE(card_.ClearStats());
    Run("250 200 1 0");
    Run("");
    EXPECT_EQ(Stats().requests[CARD_READ_REGISTER], 0u);
    EXPECT_EQ(Stats().requests[CARD_WRITE_REGISTER], 0u);
}

TEST_F(SetClocks, EmptyCommandRecordsTheFactorySetting)
{
    Run("");
    RegValue value = ReadValue(HKEY_CURRENT_USER, kSettings, "FactorySettings");
    ASSERT_TRUE(value.found);
    EXPECT_EQ(value.type, (DWORD)REG_SZ);
    EXPECT_EQ(value.data, std::string("166.50 182.25 3 3", 18));  // terminator counted

    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 0);
    LoadLibraryNow();
    Run("");
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, "FactorySettings").data,
              std::string("166.50 182.25 1 1", 18));
    // Nothing is written to the card.
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    EXPECT_EQ(Stats().requests[CARD_WRITE_REGISTER], 0u);
}

TEST_F(SetClocks, ConfirmFlagAsksFirst)
{
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    {
        DialogAnswerer answerer({IDNO});
        Run("250 200 1 0 1", owner);
        ASSERT_EQ(answerer.Seen().size(), 1u);
        const SeenDialog &box = answerer.Seen()[0];
        EXPECT_EQ(box.text, "250.0, 200.0, 1, 0");
        EXPECT_EQ(box.caption, "Quillan.dll");
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(box.hasIcon);
        EXPECT_EQ(box.owner, owner);
    }
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    {
        DialogAnswerer answerer({IDYES});
        Run("250 200 1 0 7 trailing words", owner);
        EXPECT_EQ(answerer.Seen().size(), 1u);
    }
    ExpectDividers(110, 88, false, __LINE__);
    {
        DialogAnswerer answerer({IDYES});
        Run("166 190 1 0 0", owner);  // a zero flag asks nothing
        EXPECT_TRUE(answerer.Seen().empty());
    }
    ExpectDividers(73, 84, false, __LINE__);
    DestroyWindow(owner);
}

TEST_F(SetClocks, ClocksTheCardDidNotTakeAreReported)
{
    ASSERT_TRUE(card_.SetQuirks(false, 80));  // the card tops out at 180 MHz
    DialogAnswerer answerer({IDOK});
    Run("250 200 1 0");
    ASSERT_EQ(answerer.Seen().size(), 1u);
    const SeenDialog &box = answerer.Seen()[0];
    EXPECT_EQ(box.text, "The card did not take the clocks: asked for core 249.0 MHz and memory "
                        "200.0 MHz, it runs at core 180.0 MHz and memory 180.0 MHz.");
    EXPECT_EQ(box.caption, "Quillan.dll");
    EXPECT_TRUE(box.hasIcon);
    Run("166 170 1 0");  // taken: nothing to say
    EXPECT_EQ(answerer.Seen().size(), 1u);
}

TEST_F(SetClocks, MalformedCommandsAreRefused)
{
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    LoadLibraryNow();
    ASSERT_TRUE(card_.ClearStats());
    const char *commands[] = {"250 200 1",   "250,200,1,0", " ",  "fast please",
                              "inf 200 1 0", "nan nan 1 0", NULL};
    for (const char *command : commands) {
        DialogAnswerer answerer({IDOK});
        Run(command, owner);
        ASSERT_EQ(answerer.Seen().size(), 1u) << (command ? command : "(null)");
        const SeenDialog &box = answerer.Seen()[0];
        EXPECT_EQ(box.text, kInvalid);
        EXPECT_EQ(box.caption, "Quillan.dll");
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(box.hasIcon);
        EXPECT_EQ(box.owner, owner);
    }
    CardStats stats = Stats();
    EXPECT_EQ(stats.requests[CARD_WRITE_PLL] + stats.requests[CARD_WRITE_REGISTER], 0u);
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettings, "FactorySettings").found);
    DestroyWindow(owner);
}

TEST_F(SetClocks, RunsThroughRundll32)
{
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, sizeof module);
    std::string folder(module, strrchr(module, '\\'));
    std::string command = "rundll32.exe \"" + folder + "\\Quillan.dll\",SetClocks 250 200 1 0";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                               &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    ExpectDividers(110, 88, false, __LINE__);
}

TEST_F(SetClocks, WithoutTheDriverNothingIsSent)
{
    ASSERT_TRUE(StopCardService());
    LoadLibraryNow();
    g_deviceRequests = 0;
    ASSERT_NE(PatchImport(module_, "kernel32.dll", "DeviceIoControl", (void *)CountDeviceRequest),
              nullptr);
    {
        DialogAnswerer answerer({IDYES});
        Run("250 200 1 0");
        Run("250 200 1 0 1");  // still asks, then changes nothing
        Run("");
        EXPECT_EQ(answerer.Seen().size(), 1u);
    }
    EXPECT_EQ(g_deviceRequests, 0);
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettings, "FactorySettings").found);
    Unload();
    ASSERT_TRUE(StartCardService());
    ASSERT_TRUE(card_.Ok() || CardClient().Ok());
}

TEST_F(SetClocks, RefusedReadsNeverProgramGuessedClocks)
{
    // A BIOS that cannot be read leaves no reference clock: nothing can be
    // converted, so nothing is written.
    ASSERT_TRUE(card_.SetFaults(1u << CARD_READ_BIOS, 0xFFFFFFFF));
    LoadLibraryNow();
    Run("250 200 1 0");
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    EXPECT_EQ(State().pll[10], initial_.pll[10]);

    // A refused read of the dividers before a write: that write is skipped,
    // the next one goes through.
    ASSERT_TRUE(card_.SetFaults(0, 0));
    LoadLibraryNow();
    ASSERT_TRUE(card_.SetFaults(1u << CARD_READ_PLL, 1));
    Run("250 200 1 0");
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    Run("250 200 1 0");
    ExpectDividers(110, 88, false, __LINE__);

    // Recording the factory setting while the dividers cannot be read: the
    // clocks read as 0, so nothing is stored, and the next load still sets
    // the card's clocks rather than dividers of 0.
    ASSERT_TRUE(card_.SetFaults(1u << CARD_READ_PLL, 2));
    Run("");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettings, "FactorySettings").found);
    LoadLibraryNow();
    Run("166 190 1 0");
    ExpectDividers(73, 84, false, __LINE__);

    // The same refused reads at load: the start-up limits 100 and 200 stay.
    ASSERT_TRUE(card_.SetFaults(1u << CARD_READ_PLL, 2));
    LoadLibraryNow();
    Run("250 90 1 0");
    ExpectDividers(88, 44, false, __LINE__);
}

}  // namespace
