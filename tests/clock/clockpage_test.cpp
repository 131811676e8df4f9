// The clock tab in Display Properties, loaded by the shell's extension
// loader, driven as a user drives it (slider keys, button clicks, the
// sheet's buttons, the countdown) against the simulated card.
#include "clockpagefixture.h"

using namespace testing_support;

namespace {

// The card as the simulated card starts: core 166.5 MHz (N 74), memory
// 182.25 MHz (M 81), step 2.25, limits 101.25 and 249, so the sliders run
// from 0 to 65 and the right end is 101.25 + 65 x 2.25 = 247.5 MHz.

TEST_F(ClockPage, ShowsTheCardAndOkWithoutChangesWritesNothing)
{
    OpenPage();
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 166.5 MHz");
    EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 182.3 MHz");
    EXPECT_EQ(Text(kValues), "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: ???\nTimings: ???");
    EXPECT_EQ(RangeEnd(kCoreSlider), 65);
    EXPECT_EQ(RangeEnd(kMemorySlider), 65);
    EXPECT_EQ(Position(kCoreSlider), 29);
    EXPECT_EQ(Position(kMemorySlider), 36);
    EXPECT_TRUE(Enabled(kCoreSlider) && Enabled(kMemorySlider));
    // Without "DisableMemorySettings" = 0 the presets stay off.
    for (int id : {kTimingSlow, kTimingMedium, kTimingFast, kLatencySlow, kLatencyMedium, kLatencyFast})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(ApplyEnabled());
    // The sliders keep the dialog's own background; other controls are
    // skinned on a hollow one.
    HDC dc = GetDC(page_);
    EXPECT_NE(SendMessageA(page_, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(kCoreSlider)),
              (LRESULT)GetStockObject(NULL_BRUSH));
    EXPECT_EQ(SendMessageA(page_, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(kValues)),
              (LRESULT)GetStockObject(NULL_BRUSH));
    ReleaseDC(page_, dc);

    ExpectCardLeftAlone([this] { Finish(PSBTN_OK); }, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "(missing)");
}

TEST_F(ClockPage, MovingASliderAndBackStillWritesAndAsks)
{
    OpenPage();
    Key(kCoreSlider, VK_RIGHT);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 168.8 MHz");
    EXPECT_TRUE(ApplyEnabled());
    Key(kCoreSlider, VK_LEFT);
    ClearStats();
    Countdown countdown(Keep);
    Finish(PSBTN_OK);
    EXPECT_EQ(countdown.opened, 1);
    EXPECT_EQ(countdown.question, "Keep these Settings?");
    EXPECT_GT(Writes(), 0u);
    ExpectDividers(74, 81, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "166.50 182.25 3 3");
}

TEST_F(ClockPage, KeepingTheCountdownKeepsTheNewClocks)
{
    OpenPage();
    Key(kCoreSlider, VK_END);
    EXPECT_EQ(Position(kCoreSlider), 65);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 247.5 MHz");
    Countdown countdown(Keep);
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(countdown.opened, 1);
    EXPECT_EQ(countdown.owner, Sheet()) << "the page's window that owns it";
    ExpectDividers(110, 81, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "247.50 182.25 3 3");
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 247.5 MHz") << "read back from the card";
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(ClockPage, DecliningPutsTheStoredFactorySettingBack)
{
    WriteString(HKEY_CURRENT_USER, kSettings, "FactorySettings", "150.00 160.00 0 2");
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 0);
    Reload();
    // Factory memory 160 puts the minimum at 101.5 and the maximum at
    // 1.5 x 150 = 225: the memory slider's right end is 223 MHz (M 99).
    const struct {
        const char *name;
        std::function<void(HWND)> answer;
    } answers[] = {
        {"No", [](HWND dialog) { Countdown::Click(dialog, IDCANCEL); }},
        {"Escape", [](HWND dialog) {
             HWND focus = GetFocus();
             PostMessageA(focus ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"time out", [this](HWND dialog) {
             Countdown::Tick(dialog, 255);
             EXPECT_TRUE(IsWindowVisible(dialog)) << "still counting after 255 ticks";
             ExpectDividers(74, 99, __LINE__);
             Countdown::Tick(dialog, 1);
             EXPECT_FALSE(IsWindowVisible(dialog)) << "over at the 256th tick";
         }},
    };
    for (const auto &a : answers) {
        SCOPED_TRACE(a.name);
        ASSERT_TRUE(CardClient().Reset());
        DeleteValue(HKEY_CURRENT_USER, kSettings, "CurrentSettings");
        OpenPage();
        EXPECT_TRUE(Checked(kLatencyMedium) && Checked(kTimingMedium));
        Key(kMemorySlider, VK_END);
        Click(kTimingSlow);
        Click(kLatencyFast);
        EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 223.0 MHz");
        Countdown countdown(a.answer);
        Press(PSBTN_APPLYNOW);
        EXPECT_EQ(countdown.opened, 1);
        ExpectDividers(66, 71, __LINE__);
        CardState card = Card();
        EXPECT_EQ(card.registers[340 / 4], 0x7FFFF1FFu) << "latency Fast";
        EXPECT_EQ(card.registers[324 / 4] & 0xF0FF, 0x206Au) << "timing Fast";
        EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "150.00 160.00 0 2");
        Finish(PSBTN_CANCEL);
    }
}

TEST_F(ClockPage, DecliningWithoutAStoredFactorySettingPutsTheLoadedClocksBack)
{
    OpenPage();
    Key(kCoreSlider, VK_END);
    Countdown countdown([](HWND dialog) { Countdown::Click(dialog, IDCANCEL); });
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(countdown.opened, 1);
    ExpectDividers(74, 81, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "166.50 182.25 3 3");
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 166.5 MHz");

    // Dividers that cannot be read at load give clocks of 0: no factory
    // setting to go back to, and no limits to draw from it. The start-up
    // limits 100 and 200 hold, and a declined change puts back the clocks
    // it replaced, never dividers of 0.
    ASSERT_TRUE(CardClient().SetFaults(1u << CARD_READ_PLL, 2));
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 44);
    Key(kCoreSlider, VK_END);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 199.0 MHz");
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(countdown.opened, 2);
    ExpectDividers(74, 81, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "166.50 182.25 3 3");
}

// Refuses every read of the dividers once they have been written.
typedef BOOL(WINAPI *DeviceIoControlProc)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                          LPOVERLAPPED);
DeviceIoControlProc g_deviceIoControl;
bool g_dividersWritten;
BOOL WINAPI RefuseReadBack(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                           DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped)
{
    g_dividersWritten |= code == CARDSIM_WRITE_PLL;
    if (code == CARDSIM_READ_PLL && g_dividersWritten)
        return FALSE;
    return g_deviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

TEST_F(ClockPage, ClocksTheCardDidNotTakeAreShownToldAndStored)
{
    ASSERT_TRUE(CardClient().SetQuirks(false, 80));  // the card tops out at 180 MHz
    OpenPage();
    Key(kCoreSlider, VK_END);
    Countdown countdown(Keep);
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(countdown.messages,
              std::vector<std::string>{"The card did not take the clocks: asked for core 247.5 MHz "
                                       "and memory 182.3 MHz, it runs at core 180.0 MHz and memory "
                                       "180.0 MHz."});
    EXPECT_EQ(Text(kValues), "Core: 180.0 MHz\nMem: 180.0 MHz\nLatency: ???\nTimings: ???");
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "180.00 180.00 3 3");

    // A card that cannot be read back may run at anything: nothing is stored.
    ASSERT_TRUE(CardClient().SetQuirks(false, 0));
    DeleteValue(HKEY_CURRENT_USER, kSettings, "CurrentSettings");
    HMODULE library = GetModuleHandleA("Quillan.dll");
    g_dividersWritten = false;
    g_deviceIoControl = (DeviceIoControlProc)PatchImport(library, "kernel32.dll", "DeviceIoControl",
                                                         (void *)RefuseReadBack);
    ASSERT_NE((void *)g_deviceIoControl, nullptr);
    Key(kCoreSlider, VK_HOME);
    countdown.messages.clear();
    Press(PSBTN_APPLYNOW);
    PatchImport(library, "kernel32.dll", "DeviceIoControl", (void *)g_deviceIoControl);
    EXPECT_EQ(countdown.messages,
              std::vector<std::string>{"The card's clocks could not be read back after core 101.3 "
                                       "MHz and memory 180.0 MHz were written to it."});
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "(missing)");
}

// Refuses to open the settings key, as a full or broken registry would.
typedef LONG(WINAPI *RegCreateKeyExProc)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM,
                                         const SECURITY_ATTRIBUTES *, PHKEY, LPDWORD);
RegCreateKeyExProc g_regCreateKeyEx;
LONG WINAPI RefuseSettingsKey(HKEY root, LPCSTR path, DWORD reserved, LPSTR type, DWORD options,
                              REGSAM access, const SECURITY_ATTRIBUTES *security, PHKEY key,
                              LPDWORD disposition)
{
    if (root == HKEY_CURRENT_USER && !lstrcmpiA(path, kSettings))
        return ERROR_ACCESS_DENIED;
    return g_regCreateKeyEx(root, path, reserved, type, options, access, security, key, disposition);
}

TEST_F(ClockPage, StartUpClocksAreOnlyConfirmedClocks)
{
    // Apply, answered Yes or No; the message boxes on the way.
    auto apply = [this](bool keep) {
        Countdown countdown(keep ? Keep : [](HWND dialog) { Countdown::Click(dialog, IDCANCEL); });
        Press(PSBTN_APPLYNOW);
        return countdown.messages;
    };
    auto stored = [] {
        return std::vector<bool>{ReadValue(HKEY_LOCAL_MACHINE, kRun, "clocks").found,
                                 ReadValue(HKEY_CURRENT_USER, kSettings, "StartupSettings").found,
                                 ReadValue(HKEY_CURRENT_USER, kSettings, "StartupCard").found,
                                 ReadValue(HKEY_CURRENT_USER, kSettings, "StartupGuard").found};
    };
    const std::vector<bool> nothing(4, false);
    OpenPage();
    EXPECT_FALSE(Checked(kStartupClocks));
    Click(kStartupClocks);
    EXPECT_TRUE(ApplyEnabled());
    apply(false);
    EXPECT_EQ(stored(), nothing) << "a declined countdown";
    EXPECT_FALSE(Checked(kStartupClocks));

    Key(kCoreSlider, VK_RIGHT);
    Click(kStartupClocks);
    apply(true);
    EXPECT_TRUE(Checked(kStartupClocks));
    char own[MAX_PATH] = "";
    GetShortPathNameA((ProgramFolder() + "\\Quillan.dll").c_str(), own, sizeof own);
    EXPECT_EQ(SettingText(HKEY_LOCAL_MACHINE, kRun, "clocks"),
              std::string("rundll32.exe ") + own + ",ApplyStartupClocks");
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "StartupSettings"), "168.75 182.25 3 3");
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "StartupCard"), "27.00 100.00 400.00 12");

    // While on, each confirmed Apply moves them along; a declined one does not.
    Key(kCoreSlider, VK_END);
    apply(false);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "StartupSettings"), "168.75 182.25 3 3");
    Key(kCoreSlider, VK_END);
    apply(true);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "StartupSettings"), "247.50 182.25 3 3");

    // Unticked, nothing of them is left, whatever the countdown's answer.
    WriteDword(HKEY_CURRENT_USER, kSettings, "StartupGuard", 1);
    Click(kStartupClocks);
    apply(false);
    EXPECT_EQ(stored(), nothing) << "unticked";
    EXPECT_FALSE(Checked(kStartupClocks));

    // A write that fails leaves neither half, and says why.
    HMODULE library = GetModuleHandleA("Quillan.dll");
    g_regCreateKeyEx = (RegCreateKeyExProc)PatchImport(library, "advapi32.dll", "RegCreateKeyExA",
                                                       (void *)RefuseSettingsKey);
    ASSERT_NE((void *)g_regCreateKeyEx, nullptr);
    Click(kStartupClocks);
    EXPECT_EQ(apply(true), std::vector<std::string>{"Couldn't open"});
    PatchImport(library, "advapi32.dll", "RegCreateKeyExA", (void *)g_regCreateKeyEx);
    EXPECT_EQ(stored(), nothing) << "a failed write";
    EXPECT_FALSE(Checked(kStartupClocks));
}

TEST_F(ClockPage, ClocksOnAStepNoFloatHoldsKeepTheirNotch)
{
    // Reference 27 MHz and R 5: a step of 5.4 MHz. Memory 183.6 MHz (M 34)
    // and core 216 MHz (N 40) put the limits at 102.6 (M 19) and 324 MHz.
    CardState card;
    CardDefaultState(&card);
    SetDividers(&card, 5, 34, 40);
    ASSERT_TRUE(CardClient().SetState(card));
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 41);
    EXPECT_EQ(Position(kMemorySlider), 34 - 19);
    Countdown countdown(Keep);
    for (unsigned n = 19; n <= 60; ++n) {
        SCOPED_TRACE(n);
        SetDividers(&card, 5, 34, n);
        ASSERT_TRUE(CardClient().SetState(card));
        ShowTab("Modivane");
        ShowTab("Tachyra");
        EXPECT_EQ(Position(kCoreSlider), (int)n - 19);
        if (n == 60)
            break;
        // One notch up programs the next divider; next to the memory clock
        // that is one step from it, so both run from the memory PLL.
        Key(kCoreSlider, VK_RIGHT);
        NotifyApply();
        bool sync = n + 1 >= 33 && n + 1 <= 35;
        ExpectDividers(sync ? 34 : n + 1, 34, __LINE__);
        EXPECT_EQ(Card().pll[13] & 7, sync ? 7u : 2u);
    }

    // A maximum on the grid is the right end, not a notch short of it: core
    // 162 MHz (N 30) and memory 118.8 MHz (M 22) put the limits at 102.6 and
    // 243 MHz, whose float sum lands a rounding above 243.
    SetDividers(&card, 5, 22, 30);
    ASSERT_TRUE(CardClient().SetState(card));
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 26);
    Key(kCoreSlider, VK_END);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 243.0 MHz");
}

TEST_F(ClockPage, FactoryDefaultsNeedAStoredFactorySetting)
{
    OpenPage();
    Key(kCoreSlider, VK_END);
    ExpectCardLeftAlone([this] { Click(kFactory); }, __LINE__);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 247.5 MHz") << "not redrawn";
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "(missing)");

    WriteString(HKEY_CURRENT_USER, kSettings, "FactorySettings", "150.00 160.00 0 2");
    Reload();
    OpenPage();
    Countdown countdown(nullptr);
    Click(kFactory);
    EXPECT_EQ(countdown.opened, 0) << "Factory Defaults are not confirmed";
    ExpectDividers(66, 71, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "150.00 160.00 0 2");
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 148.5 MHz") << "read back from the card";
}

TEST_F(ClockPage, PresetButtonsFollowTheCardAndTheFlags)
{
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 0);
    OpenPage();
    EXPECT_TRUE(Checked(kLatencyMedium) && Checked(kTimingMedium));
    EXPECT_EQ(Text(kValues), "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: Med\nTimings: Med");
    EXPECT_FALSE(Enabled(kLatencySlow)) << "Slow latency cannot be set";
    Click(kLatencyFast);
    EXPECT_TRUE(Checked(kLatencyFast) && !Checked(kLatencyMedium));
    EXPECT_TRUE(ApplyEnabled());
    Countdown countdown(Keep);
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(Card().registers[340 / 4], 0x7FFFF1FFu);
    EXPECT_EQ(Text(kValues), "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: Fast\nTimings: Med");
    CloseSheet();

    // The flags are read again at every activation.
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryLatency", 1);
    OpenPage();
    EXPECT_FALSE(Enabled(kLatencyMedium) || Enabled(kLatencyFast));
    EXPECT_TRUE(Enabled(kTimingSlow) && Enabled(kTimingMedium) && Enabled(kTimingFast));
    EXPECT_EQ(Text(kValues), "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: ???\nTimings: Med");
    CloseSheet();
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryLatency", 0);
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemoryTiming", 1);
    OpenPage();
    EXPECT_TRUE(Enabled(kLatencyMedium) && Enabled(kLatencyFast));
    EXPECT_FALSE(Enabled(kTimingSlow) || Enabled(kTimingMedium) || Enabled(kTimingFast));
}

TEST_F(ClockPage, SliderEndsStayWithinTheLimits)
{
    // A BIOS ceiling of 200 MHz: (200 - 101.25) / 2.25 gives 43 steps,
    // whose right end is 198 MHz.
    CardState card;
    CardDefaultState(&card);
    SetBiosClocks(&card, 2700, 10000, 20000);
    ASSERT_TRUE(CardClient().SetState(card));
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 43);
    Key(kMemorySlider, VK_END);
    EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 198.0 MHz");
    Key(kMemorySlider, VK_HOME);
    EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 101.3 MHz");

    // Factory clocks that are no numbers are no factory setting: the limits
    // come from the card.
    WriteString(HKEY_CURRENT_USER, kSettings, "FactorySettings", "nan nan 3 3");
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 43);
    EXPECT_EQ(Position(kCoreSlider), 29);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 166.5 MHz");

    // No reference divider: the engine keeps its step of 1 and limits 100
    // and 200, and the card's clocks read as 0.
    SetDividers(&card, 0, 81, 74);
    ASSERT_TRUE(CardClient().SetState(card));
    DeleteKeyTree(HKEY_CURRENT_USER, kSettings);
    Reload();
    OpenPage();
    EXPECT_EQ(RangeEnd(kCoreSlider), 100);
    EXPECT_EQ(Position(kCoreSlider), 0);
    Key(kCoreSlider, VK_END);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 200.0 MHz");
}

// Records what the library invalidates.
struct Invalidation {
    HWND window;
    bool whole;
    RECT rect;
    BOOL erase;
};
std::vector<Invalidation> g_invalidations;
typedef BOOL(WINAPI *InvalidateRectProc)(HWND, const RECT *, BOOL);
InvalidateRectProc g_invalidateRect;
BOOL WINAPI RecordInvalidation(HWND window, const RECT *rect, BOOL erase)
{
    g_invalidations.push_back({window, rect == NULL, rect ? *rect : RECT{}, erase});
    return g_invalidateRect(window, rect, erase);
}

TEST_F(ClockPage, ASliderMoveRepaintsOnlyTheNumber)
{
    OpenPage();
    UpdateWindow(Sheet());
    HMODULE library = GetModuleHandleA("Quillan.dll");
    g_invalidateRect = (InvalidateRectProc)PatchImport(library, "user32.dll", "InvalidateRect",
                                                       (void *)RecordInvalidation);
    ASSERT_NE((void *)g_invalidateRect, nullptr);
    g_invalidations.clear();
    Key(kCoreSlider, VK_RIGHT);
    PatchImport(library, "user32.dll", "InvalidateRect", (void *)g_invalidateRect);

    RECT frame;
    GetWindowRect(Item(kCoreFrame), &frame);
    MapWindowPoints(NULL, page_, (POINT *)&frame, 2);
    int strips = 0, logos = 0;
    for (const Invalidation &i : g_invalidations) {
        EXPECT_FALSE(i.window == page_ && i.whole) << "the whole page was repainted";
        if (i.window == Item(kLogo)) {
            ++logos;
            EXPECT_FALSE(i.erase);
        } else if (i.window == page_) {
            ++strips;
            EXPECT_EQ(i.rect.top, frame.top);
            EXPECT_GT(i.rect.left, frame.left) << "the label stays";
            EXPECT_LT(i.rect.bottom - i.rect.top, (frame.bottom - frame.top) / 2);
            EXPECT_TRUE(i.erase);
        }
    }
    // One of each for every notification of the key: the move and the end.
    EXPECT_GT(strips, 0);
    EXPECT_EQ(strips, logos);
}

TEST_F(ClockPage, LocalisedTextsAreUsedOnlyAsFarAsTheyFit)
{
    WriteString(HKEY_CURRENT_USER, kLocalization, "1458", "Kern");
    WriteString(HKEY_CURRENT_USER, kLocalization, "1459", "Speicher %s %n");
    WriteString(HKEY_CURRENT_USER, kLocalization, "1471", "K %3.1f\\nS %.2f\\n%s/%s");
    OpenPage();
    EXPECT_EQ(Text(kCoreFrame), "Kern: 166.5 MHz");
    EXPECT_EQ(Text(kMemoryFrame), "Speicher %s %n: 182.3 MHz") << "a label is only text";
    EXPECT_EQ(Text(kValues), "K 166.5 \nS 182.25 \n???/???");
    CloseSheet();

    // A format asking for a fifth value, or for others than the page's, is
    // not used.
    for (const char *format : {"%f %f %s %s %s", "%s %d", "%3.1f %n", "%x%x%x%x%x%x%x%x%x%x"}) {
        WriteString(HKEY_CURRENT_USER, kLocalization, "1471", format);
        OpenPage();
        EXPECT_EQ(Text(kValues), "Core: 166.5 MHz\nMem: 182.3 MHz\nLatency: ???\nTimings: ???") << format;
        CloseSheet();
    }
}

TEST_F(ClockPage, WithoutTheDriverTheControlsAreOffAndApplyChangesNothing)
{
    ASSERT_TRUE(StopCardService());
    Reload();
    OpenPage();
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 666MHz");
    EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 666MHz");
    EXPECT_EQ(Text(kValues), "**********\nInstallation Problem\n**********");
    for (int id : {kCoreSlider, kMemorySlider, kTimingSlow, kTimingMedium, kTimingFast,
                   kLatencyMedium, kLatencyFast})
        EXPECT_FALSE(Enabled(id)) << id;
    Countdown countdown(nullptr);
    Click(kFactory);
    Press(PSBTN_APPLYNOW);
    Finish(PSBTN_OK);
    EXPECT_EQ(countdown.opened, 0);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kSettings, "CurrentSettings"), "(missing)");
    ASSERT_TRUE(StartCardService());
}

// The profile box ------------------------------------------------------------

class ProfileBox : public ClockPage {
protected:
    HWND Combo() const { return Item(kProfileName); }
    HWND Edit() const
    {
        POINT inside = {4, 4};
        return ChildWindowFromPoint(Combo(), inside);
    }
    std::vector<std::string> List() const
    {
        std::vector<std::string> names;
        int count = (int)SendMessageA(Combo(), CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char name[300] = "";
            SendMessageA(Combo(), CB_GETLBTEXT, i, (LPARAM)name);
            names.push_back(name);
        }
        return names;
    }
    bool BoxEnabled() const { return Enabled(kProfileName) && Enabled(kSave) && Enabled(kDelete); }
    bool BoxDisabled() const { return !Enabled(kProfileName) && !Enabled(kSave) && !Enabled(kDelete); }
    void Enter(const char *name) { SetWindowTextA(Combo(), name); }
    // A list entry picked by the user, as the combo box reports it.
    void Select(const char *name)
    {
        LRESULT index = SendMessageA(Combo(), CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
        ASSERT_NE(index, CB_ERR) << name;
        SendMessageA(Combo(), CB_SETCURSEL, index, 0);
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(kProfileName, CBN_SELENDOK), (LPARAM)Combo());
    }
    void Type(char c) { SendMessageA(Edit(), WM_CHAR, (WPARAM)c, 1); }
    void Offer(DWORD value) { WriteDword(HKEY_CURRENT_USER, kSettings, "SetVantrelOC", value); }
};

TEST_F(ProfileBox, OfferedOnlyWithSetVantrelOC)
{
    WriteString(HKEY_CURRENT_USER, kProfiles, "beta", "1 2 3 3");
    WriteString(HKEY_CURRENT_USER, kProfiles, "Alpha", "1 2 3 3");
    WriteString(HKEY_LOCAL_MACHINE, kDirect3D, "Name", "quake3.exe");
    OpenPage();
    EXPECT_TRUE(BoxDisabled()) << "no SetVantrelOC";
    CloseSheet();
    Offer(0);
    OpenPage();
    EXPECT_TRUE(BoxDisabled()) << "SetVantrelOC 0";
    CloseSheet();
    Offer(1);
    OpenPage();
    EXPECT_TRUE(BoxEnabled());
    EXPECT_EQ(List(), (std::vector<std::string>{"Alpha", "beta"}));
    EXPECT_EQ(Text(kProfileName), "quake3.exe") << "the last Direct3D application";
    CloseSheet();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDirect3D);
    OpenPage();
    EXPECT_EQ(Text(kProfileName), "");
}

TEST_F(ProfileBox, SaveNeedsAUsableName)
{
    Offer(1);
    OpenPage();
    for (const char *name : {"", " quake3.exe"}) {
        Enter(name);
        Click(kSave);
        EXPECT_EQ(Text(kProfileName), "Reset") << "'" << name << "'";
        EXPECT_TRUE(BoxEnabled());
        EXPECT_TRUE(Enabled(kCoreSlider));
        EXPECT_FALSE(ApplyEnabled());
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProfiles));
}

TEST_F(ProfileBox, SaveKeepsTheSettingAsItStoodAndLeavesTheCardAlone)
{
    Offer(1);
    OpenPage();
    Key(kCoreSlider, VK_RIGHT);
    Enter("quake3.exe");
    Click(kSave);
    EXPECT_TRUE(BoxDisabled());
    EXPECT_FALSE(Enabled(kCoreSlider) || Enabled(kMemorySlider));
    EXPECT_TRUE(ApplyEnabled());
    ExpectCardLeftAlone([this] { NotifyApply(); }, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kProfiles, "quake3.exe"), "168.75 182.25 3 3");
    EXPECT_EQ(List(), std::vector<std::string>{"quake3.exe"});
    EXPECT_EQ(Text(kProfileName), "Reset");
    EXPECT_TRUE(BoxEnabled());
    EXPECT_TRUE(Enabled(kCoreSlider));
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 166.5 MHz") << "the card as it is";

    // Saving under a name already listed overwrites it.
    Key(kCoreSlider, VK_LEFT);
    Enter("QUAKE3.exe");
    Click(kSave);
    ExpectCardLeftAlone([this] { Press(PSBTN_APPLYNOW); }, __LINE__);
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kProfiles).size(), 1u);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kProfiles, "quake3.exe"), "164.25 182.25 3 3");
    EXPECT_EQ(List(), std::vector<std::string>{"quake3.exe"});

    // Factory Defaults do not wait for Apply, not even beside a waiting
    // save: the card takes the factory setting and the profile is saved.
    WriteString(HKEY_CURRENT_USER, kSettings, "FactorySettings", "150.00 160.00 0 2");
    Reload();
    OpenPage();
    Enter("doom.exe");
    Click(kSave);
    Click(kFactory);
    ExpectDividers(66, 71, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kProfiles, "doom.exe"), "166.50 182.25 3 3");
}

TEST_F(ProfileBox, DeleteTakesOnlyAListedProfile)
{
    Offer(1);
    WriteString(HKEY_CURRENT_USER, kProfiles, "Alpha", "150.00 160.00 1 1");
    WriteString(HKEY_CURRENT_USER, kProfiles, "Beta", "170.00 180.00 1 1");
    OpenPage();
    Enter("Gamma");
    Click(kDelete);
    EXPECT_TRUE(BoxEnabled());
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(Text(kProfileName), "Gamma");

    // A delete left waiting when the tab was left is forgotten: it must not
    // take another profile with it at the next Apply.
    Enter("Alpha");
    Click(kDelete);
    EXPECT_TRUE(BoxDisabled());
    ShowTab("Modivane");
    ShowTab("Tachyra");
    Select("Beta");
    Key(kCoreSlider, VK_RIGHT);
    Click(kSave);
    NotifyApply();
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kProfiles), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(List(), (std::vector<std::string>{"Alpha", "Beta"}));

    Enter("alpha");
    Click(kDelete);
    NotifyApply();
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kProfiles), std::vector<std::string>{"Beta"});
    EXPECT_EQ(List(), std::vector<std::string>{"Beta"});
    EXPECT_EQ(Text(kProfileName), "Reset");
    EXPECT_TRUE(BoxEnabled());
}

TEST_F(ProfileBox, ASelectedProfileIsShownAndEditedUntilTheNameChanges)
{
    Offer(1);
    WriteDword(HKEY_CURRENT_USER, kSettings, "DisableMemorySettings", 0);
    WriteString(HKEY_CURRENT_USER, kProfiles, "Game", "150.00 160.00 2 1");
    WriteString(HKEY_CURRENT_USER, kProfiles, "Broken", "150.00 160.00 2");
    OpenPage();
    Select("Game");
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 150.0 MHz (Game)");
    EXPECT_EQ(Text(kMemoryFrame), "Memory Clock: 160.0 MHz (Game)");
    EXPECT_FALSE(Checked(kLatencyMedium) || Checked(kLatencyFast)) << "latency 2 checks neither";
    EXPECT_TRUE(Checked(kTimingMedium));
    EXPECT_EQ(Text(kValues), "Core: 150.0 MHz\nMem: 160.0 MHz\nLatency: Slow\nTimings: Med");

    // A profile that does not parse changes nothing.
    Select("Broken");
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 150.0 MHz (Game)");

    // Editing the name leaves the profile: the page shows the card again.
    Type('x');
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 166.5 MHz");

    Select("Game");
    Key(kCoreSlider, VK_RIGHT);
    EXPECT_EQ(Text(kCoreFrame), "Core Clock: 150.8 MHz (Game)");
    EXPECT_FALSE(ApplyEnabled()) << "a profile's change waits for S";
    Click(kTimingFast);
    Click(kSave);
    ExpectCardLeftAlone([this] { Press(PSBTN_APPLYNOW); }, __LINE__);
    EXPECT_EQ(SettingText(HKEY_CURRENT_USER, kProfiles, "Game"), "150.75 160.00 2 2");
}

// Records what reaches the name field's own procedure behind the page's.
std::vector<UINT> g_fieldMessages;
WNDPROC g_fieldProcedure;
LRESULT CALLBACK RecordField(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR)
        g_fieldMessages.push_back((UINT)wParam);
    return CallWindowProcA(g_fieldProcedure, window, message, wParam, lParam);
}
struct Restored {
    HWND edit;
    LONG_PTR procedure, data;
};
Restored g_destroyed;
LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_DESTROY && call->hwnd == g_destroyed.edit) {
        g_destroyed.procedure = GetWindowLongPtrA(call->hwnd, GWLP_WNDPROC);
        g_destroyed.data = GetWindowLongPtrA(call->hwnd, GWLP_USERDATA);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

TEST_F(ProfileBox, EnterAndEscapeStayInTheNameField)
{
    Offer(1);
    OpenPage();
    HWND edit = Edit();
    ASSERT_NE(edit, Combo());
    g_fieldProcedure = (WNDPROC)GetWindowLongPtrA(edit, GWLP_USERDATA);
    ASSERT_NE((void *)g_fieldProcedure, nullptr) << "the field's own procedure is kept";
    SetWindowLongPtrA(edit, GWLP_USERDATA, (LONG_PTR)RecordField);
    g_fieldMessages.clear();
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);

    SetFocus(edit);
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageA(edit, WM_KEYDOWN, key, 1);
        PostMessageA(edit, WM_CHAR, key, 1);
        PostMessageA(edit, WM_KEYUP, key, 0xC0000001);
        PumpMessages(Sheet());
        ASSERT_NE(PropSheet_GetCurrentPageHwnd(Sheet()), (HWND)NULL) << "key " << key << " closed the sheet";
    }
    PostMessageA(edit, WM_CHAR, 'a', 1);
    PumpMessages(Sheet());
    for (UINT c : g_fieldMessages)
        EXPECT_TRUE(c != '\r' && c != 27) << "character " << c << " reached the field";
    EXPECT_NE(std::find(g_fieldMessages.begin(), g_fieldMessages.end(), (UINT)'a'), g_fieldMessages.end());
    SetWindowLongPtrA(edit, GWLP_USERDATA, (LONG_PTR)g_fieldProcedure);

    // Going away, the field gets its own procedure back.
    g_destroyed = {edit, 0, -1};
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchDestroy, NULL, GetCurrentThreadId());
    // Escape elsewhere on the page still cancels the sheet.
    SetFocus(Item(kCoreSlider));
    PostMessageA(Item(kCoreSlider), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpMessages(Sheet());
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(Sheet()), (HWND)NULL);
    CloseSheet();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_destroyed.procedure, (LONG_PTR)g_fieldProcedure);
    EXPECT_EQ(g_destroyed.data, 0);
}

}  // namespace
