// The clock tab in Display Properties as its tests drive it: loaded by the
// shell's extension loader, driven as a user drives it (slider keys, button
// clicks, the sheet's buttons, the countdown) against the simulated card.
#pragma once
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "../../clock/quillanids.h"
#include "cardfixture.h"
#include "sheetfixture.h"

namespace testing_support {

const char kSettings[] = "Software\\Vantrel\\ATI Radeon Tachyra";
const char kLocalization[] = "Software\\Vantrel\\ATI Radeon Tachyra\\Localization";
const char kProfiles[] = "Software\\Vantrel\\Game Overclocking";
const char kDirect3D[] = "Software\\Microsoft\\Direct3D\\MostRecentApplication";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const int kApplyButton = 0x3021;

enum {
    kOuter = IDC_OUTER_FRAME, kCoreFrame = IDC_CORE_FRAME, kCoreSlider = IDC_CORE_SLIDER,
    kMemoryFrame = IDC_MEMORY_FRAME, kMemorySlider = IDC_MEMORY_SLIDER,
    kTimingSlow = IDC_TIMING_SLOW, kTimingMedium = IDC_TIMING_MEDIUM, kTimingFast = IDC_TIMING_FAST,
    kLatencySlow = IDC_LATENCY_SLOW, kLatencyMedium = IDC_LATENCY_MEDIUM,
    kLatencyFast = IDC_LATENCY_FAST, kValues = IDC_VALUES_TEXT, kLogo = IDC_LOGO,
    kProfileName = IDC_PROFILE_NAME, kSave = IDC_PROFILE_SAVE, kDelete = IDC_PROFILE_DELETE,
    kFactory = IDC_FACTORY_DEFAULTS, kQuestion = IDC_COUNTDOWN_QUESTION, kBar = IDC_COUNTDOWN_BAR,
    kYes = IDC_COUNTDOWN_YES, kMessageText = 0xFFFF, kStartupClocks = IDC_STARTUP_CLOCKS,
};

// Catches the countdown as it opens, stops its own timer so that only the
// test's ticks count, and hands it to the test's answer; reads and closes
// the message boxes that come up meanwhile.
class Countdown {
public:
    explicit Countdown(std::function<void(HWND)> answer) : answer_(std::move(answer))
    {
        t_current = this;
        hook_ = SetWindowsHookExA(WH_CBT, Hook, NULL, GetCurrentThreadId());
    }
    ~Countdown()
    {
        UnhookWindowsHookEx(hook_);
        t_current = NULL;
    }
    int opened = 0;
    std::string question;
    HWND owner = NULL;
    std::vector<std::string> messages;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND window = (HWND)wParam;
        if (code == HCBT_ACTIVATE && t_current && GetDlgItem(window, kBar)) {
            KillTimer(window, 0);
            SetTimer(window, 0x7E57, 10, Answer);
        } else if (code == HCBT_ACTIVATE && t_current && GetDlgItem(window, kMessageText)) {
            SetTimer(window, 0x7E58, 10, Dismiss);
        }
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    // A message box on the way is read and closed with OK.
    static VOID CALLBACK Dismiss(HWND box, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(box, id);
        char text[512] = "";
        GetDlgItemTextA(box, kMessageText, text, sizeof text);
        if (t_current)
            t_current->messages.push_back(text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    static VOID CALLBACK Answer(HWND dialog, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(dialog, id);
        Countdown *self = t_current;
        char text[128] = "";
        GetDlgItemTextA(dialog, kQuestion, text, sizeof text);
        self->question = text;
        self->owner = GetWindow(dialog, GW_OWNER);
        ++self->opened;
        if (self->answer_)
            self->answer_(dialog);
        else
            Click(dialog, IDCANCEL);
    }

public:
    static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static void Tick(HWND dialog, int count)
    {
        for (int i = 0; i < count; ++i)
            SendMessageA(dialog, WM_TIMER, 0, 0);
    }

private:
    static inline thread_local Countdown *t_current;
    HHOOK hook_;
    std::function<void(HWND)> answer_;
};

inline void Keep(HWND dialog)
{
    Countdown::Click(dialog, kYes);
}

inline void DeleteValue(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

inline std::string SettingText(HKEY root, const char *key, const char *name)
{
    RegValue value = ReadValue(root, key, name);
    return value.found ? std::string(value.data.c_str()) : "(missing)";
}

class ClockPage : public SheetTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(keepState_ || CardClient().Reset()) << "the simulated card is not running";
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kDirect3D);
        SheetTest::SetUp();
    }
    void TearDown() override
    {
        SheetTest::TearDown();
        if (!keepState_)
            DeleteValue(HKEY_LOCAL_MACHINE, kRun, "clocks");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kDirect3D);
        StartCardService();
    }

    // Loads the library again: its start-up reads the card and the
    // settings as they are now.
    void Reload()
    {
        CloseSheet();
        CoUninitialize();
        FreeLibrary(pinned_[0]);
        ASSERT_EQ(GetModuleHandleA("Quillan.dll"), (HMODULE)NULL) << "the library stayed loaded";
        CoInitialize(NULL);
        pinned_[0] = LoadLibraryA("Quillan.dll");
        ASSERT_NE(pinned_[0], (HMODULE)NULL);
    }
    HWND OpenPage()
    {
        EXPECT_GE(OpenSheet(), 1u);
        page_ = ShowTab("Tachyra");
        return page_;
    }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    std::string Text(int id) const
    {
        char text[300] = "";
        GetWindowTextA(Item(id), text, sizeof text);
        return text;
    }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(Sheet(), kApplyButton)) != FALSE; }
    int Position(int slider) const { return (int)SendMessageA(Item(slider), TBM_GETPOS, 0, 0); }
    int RangeEnd(int slider) const { return (int)SendMessageA(Item(slider), TBM_GETRANGEMAX, 0, 0); }

    // A key pressed on a slider, as the track bar hears it.
    void Key(int slider, UINT key)
    {
        HWND control = Item(slider);
        ASSERT_TRUE(IsWindowEnabled(control)) << slider;
        SetFocus(control);
        SendMessageA(control, WM_KEYDOWN, key, 0);
        SendMessageA(control, WM_KEYUP, key, 0xC0000000);
        PumpMessages(Sheet());
    }
    void Click(int id)
    {
        ASSERT_TRUE(Enabled(id)) << "control " << id << " is disabled";
        SendMessageA(Item(id), BM_CLICK, 0, 0);
        PumpMessages(Sheet());
    }
    // The page's answer to the sheet's apply notification, without the
    // fresh activation that Wine's sheet sends after its Apply button.
    void NotifyApply()
    {
        PSHNOTIFY notify = {{Sheet(), 0, (UINT)PSN_APPLY}, 0};
        SendMessageA(page_, WM_NOTIFY, 0, (LPARAM)&notify);
        PumpMessages(Sheet());
    }

    CardState Card()
    {
        CardState state = {};
        EXPECT_TRUE(CardClient().GetState(&state));
        return state;
    }
    unsigned Writes()
    {
        CardStats stats = {};
        EXPECT_TRUE(CardClient().GetStats(&stats));
        return stats.requests[CARD_WRITE_PLL] + stats.requests[CARD_WRITE_REGISTER];
    }
    void ClearStats() { ASSERT_TRUE(CardClient().ClearStats()); }
    // Runs a user's action that must neither write the card nor ask.
    void ExpectCardLeftAlone(const std::function<void()> &action, int line)
    {
        ClearStats();
        Countdown countdown(nullptr);
        action();
        EXPECT_EQ(countdown.opened, 0) << "a countdown came up, line " << line;
        EXPECT_EQ(Writes(), 0u) << "the card was written, line " << line;
    }
    void ExpectDividers(unsigned n, unsigned m, int line)
    {
        Dividers d = ReadDividers(Card());
        EXPECT_EQ(d.n, n) << "core divider, line " << line;
        EXPECT_EQ(d.m, m) << "memory divider, line " << line;
    }

    HWND page_ = NULL;
};

}  // namespace testing_support
