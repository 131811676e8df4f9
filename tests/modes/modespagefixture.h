// The modes page as the user meets it: Serrafin.dll loaded by the shell's
// extension loader into Display Properties, over driver keys written for
// the Windows family this program runs as (Wine's Version), with the debug
// log on. The list is read through the list view itself, so the page answers
// every display-time request as it does for painting; icons are clicked and
// menus opened with the cursor on them, and menus and the countdown are
// answered from timers as a user would answer them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../modes/serrafinids.h"
#include "modesfixture.h"
#include "sheetfixture.h"

namespace testing_support {

typedef std::vector<unsigned char> Bytes;

// One stored entry of a DAL list, its fields given in decimal.
inline Bytes DalEntryOf(int width, int height, int depth, int refresh)
{
    Bytes bytes;
    for (int field : {width, height, depth, refresh}) {
        bytes.push_back((unsigned char)((field / 1000 % 10) << 4 | (field / 100 % 10)));
        bytes.push_back((unsigned char)((field / 10 % 10) << 4 | (field % 10)));
    }
    return bytes;
}

inline Bytes DalBytes(std::initializer_list<Bytes> entries)
{
    Bytes all;
    for (const Bytes &entry : entries)
        all.insert(all.end(), entry.begin(), entry.end());
    return all;
}

enum class Family { Win98, Win2000, WinXP, Other };

inline Family RunningFamily()
{
    std::vector<DWORD> system = ReportedSystem();
    if (system[0] == VER_PLATFORM_WIN32_WINDOWS)
        return Family::Win98;
    if (system == std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 5, 0})
        return Family::Win2000;
    if (system == std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 5, 1})
        return Family::WinXP;
    return Family::Other;
}

// A call the page made to ChangeDisplaySettingsA.
struct DisplayChange {
    DWORD flags;
    DWORD fields;
    DWORD width, height, frequency;
};

struct MenuItem {
    UINT id;
    std::string text;
    bool checked;
};

// A refresh menu as it came up.
struct Menu {
    bool shown = false;
    std::vector<MenuItem> items;
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const MenuItem &item : items)
            texts.push_back(item.text);
        return texts;
    }
    std::string Checked() const
    {
        std::string checked;
        for (const MenuItem &item : items)
            if (item.checked)
                checked += (checked.empty() ? "" : ",") + item.text;
        return checked;
    }
};

enum class Answer { Yes, No, TimeOut };

// The countdown dialogs that came up.
struct Countdown {
    int shown = 0;
    HWND owner = NULL;
    std::string question;
};

// What the timers, hooks and patched imports share with the test.
namespace modes_page_state {
inline std::vector<DisplayChange> changes;
inline LONG changeAnswer = DISP_CHANGE_SUCCESSFUL;
inline std::vector<DEVMODEA> displayModes;  // empty: Wine's
inline DEVMODEA currentMode;                  // dmSize 0: Wine's
inline BOOL(WINAPI *realEnumDisplaySettings)(LPCSTR, DWORD, DEVMODEA *);
inline Menu menu;
inline int pick;
inline Answer answer;
inline Countdown countdown;
}  // namespace modes_page_state

// While alive, every countdown dialog of this thread is answered as told.
class CountdownAnswerer {
public:
    explicit CountdownAnswerer(Answer answer)
    {
        modes_page_state::answer = answer;
        modes_page_state::countdown = Countdown();
        hook_ = SetWindowsHookExA(WH_CBT, Hook, NULL, GetCurrentThreadId());
    }
    ~CountdownAnswerer() { UnhookWindowsHookEx(hook_); }
    const Countdown &Seen() const { return modes_page_state::countdown; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        // The countdown is the dialog with the time bar.
        if (code == HCBT_ACTIVATE && GetDlgItem((HWND)wParam, IDC_COUNTDOWN_BAR))
            SetTimer((HWND)wParam, 0x7E57, 10, Respond);
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    static VOID CALLBACK Respond(HWND dialog, UINT, UINT_PTR timer, DWORD)
    {
        using namespace modes_page_state;
        KillTimer(dialog, timer);
        ++countdown.shown;
        countdown.owner = GetWindow(dialog, GW_OWNER);
        char text[128] = "";
        GetDlgItemTextA(dialog, IDC_COUNTDOWN_QUESTION, text, sizeof text);
        countdown.question = text;
        switch (answer) {
        case Answer::Yes:
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COUNTDOWN_YES, BN_CLICKED), 0);
            break;
        case Answer::No:
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
            break;
        case Answer::TimeOut:
            // Counted exactly: the dialog's own ticks stop, these run out.
            KillTimer(dialog, 0);
            for (int tick = 0; tick < 256 && IsWindow(dialog); ++tick)
                SendMessageA(dialog, WM_TIMER, 0, 0);
            break;
        }
    }
    HHOOK hook_;
};

class ModesPage : public SheetTest {
protected:
    void SetUp() override
    {
        DeleteFixtures();
        RemoveLog();
        SheetTest::SetUp();
        family_ = RunningFamily();
        WriteDriverKeys(instanceDriver_);
        WriteDword(kUser, kSkinKey, "Debug", 1);
        modes_page_state::changes.clear();
        modes_page_state::changeAnswer = DISP_CHANGE_SUCCESSFUL;
        modes_page_state::displayModes.clear();
        modes_page_state::currentMode = DEVMODEA();
        // The fixture loaded the library before these keys were there; its
        // load reads the debug switch and finds the display devices.
        ReloadSerrafin();
    }
    void TearDown() override
    {
        SheetTest::TearDown();
        DeleteFixtures();
        RemoveLog();
        SetCursorPos(0, 0);
    }

    void ReloadSerrafin()
    {
        CloseSheet();
        // A closed sheet's library stays loaded until COM lets it go.
        CoFreeUnusedLibrariesEx(0, 0);
        FreeLibrary(pinned_[1]);
        ASSERT_EQ(GetModuleHandleA("Serrafin.dll"), (HMODULE)NULL) << "Serrafin.dll stayed loaded";
        heapsBeforeLoad_ = ProcessHeaps();
        pinned_[1] = LoadLibraryA("Serrafin.dll");
        ASSERT_NE(pinned_[1], (HMODULE)NULL);
    }

    // The display device, the driver's Modes key and an empty DAL key, where
    // this family's driver keeps them.
    void WriteDriverKeys(const std::string &driver)
    {
        std::string tree = family_ == Family::WinXP ? DEVICE_TREE_XP : DEVICE_TREE;
        std::string instance = AddInstance(tree, kXpTestDeviceName, "0000", "Display");
        WriteString(kMachine, instance.c_str(), "Driver", driver.c_str());
        modesKey_ = std::string(DRIVER_CLASS_ROOT) + "\\" + driver + "\\Modes";
        CreateKey(kMachine, modesKey_);
        switch (family_) {
        case Family::Win98:
            dalKey_ = ATI_DRIVER_ROOT "\\0000\\DAL";
            CreateKey(kMachine, dalKey_);
            break;
        case Family::Win2000:
            dalKey_ = ATI_SERVICE_KEY "\\Device0";
            CreateKey(kMachine, dalKey_);
            break;
        case Family::WinXP:
            WriteString(kMachine, Join(instance, "Device Parameters").c_str(), "VideoID", kTestVideoId);
            dalKey_ = Join(kTestVideoKey, "0000");
            CreateVideoKey(kTestVideoKey);
            CreateVideoKey(dalKey_);
            break;
        case Family::Other:
            break;
        }
    }

    // The debug lines of the DAL key search over these keys.
    std::vector<std::string> DalKeySearchLines() const
    {
        switch (family_) {
        case Family::Win98:
            return {"0000", "Key " + dalKey_};
        case Family::Win2000:
            return {"Device0", "Key " + dalKey_};
        case Family::WinXP:
            return {kTestVideoKey, "0000", "Key " + dalKey_};
        default:
            return {"Key Not found"};
        }
    }

    // The driver's lists ------------------------------------------------------

    void StoreList(const char *name, const Bytes &bytes)
    {
        WriteRaw(kMachine, dalKey_.c_str(), name, REG_BINARY, bytes.data(), (DWORD)bytes.size());
    }
    void SetDriverList(std::initializer_list<Bytes> entries)
    {
        StoreList("DALNonStandardModesBCD", DalBytes(entries));
    }
    void SetRestrictedList(std::initializer_list<Bytes> entries)
    {
        StoreList("DALRestrictedModesBCD", DalBytes(entries));
    }
    Bytes StoredBytes(const char *name) const
    {
        RegValue value = ReadValue(kMachine, dalKey_.c_str(), name);
        EXPECT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, (DWORD)REG_BINARY) << name;
        return Bytes(value.data.begin(), value.data.end());
    }

    // Mode keys --------------------------------------------------------------

    std::string ModeKey(int depth, int width, int height) const
    {
        return modesKey_ + "\\" + std::to_string(depth) + "\\" + std::to_string(width) + "," +
               std::to_string(height);
    }
    void SetStoredRate(int depth, int width, int height, const char *rate) const
    {
        WriteString(kMachine, ModeKey(depth, width, height).c_str(), "RefreshRate", rate);
    }
    void SetRateList(int width, int height, const char *rates) const
    {
        WriteString(kMachine, ModeKey(8, width, height).c_str(), "", rates);
    }
    // A string value of a mode key, or "(none)" (also for a missing key).
    std::string ModeValue(int depth, int width, int height, const char *name) const
    {
        RegValue value = ReadValue(kMachine, ModeKey(depth, width, height).c_str(), name);
        if (!value.found)
            return "(none)";
        EXPECT_EQ(value.type, (DWORD)REG_SZ);
        return std::string(value.data.c_str());
    }
    std::string StoredRate(int depth, int width, int height) const
    {
        return ModeValue(depth, width, height, "RefreshRate");
    }
    bool ModeKeyExists(int depth, int width, int height) const
    {
        return KeyExists(kMachine, ModeKey(depth, width, height).c_str());
    }

    // The page -----------------------------------------------------------------

    HWND OpenModesPage()
    {
        EXPECT_EQ(OpenSheet(), 2u);
        page_ = ShowTab("Modivane");
        list_ = GetDlgItem(page_, IDC_MODE_LIST);
        EXPECT_NE(list_, (HWND)NULL);
        return page_;
    }
    // To another tab and back: the page builds its list again.
    void ShowAgain()
    {
        ShowTab("Tachyra");
        ShowTab("Modivane");
    }
    void Apply() { Press(PSBTN_APPLYNOW); }
    // Apply as Windows' own sheet sends it: without activating the page
    // again afterwards (Wine's sheet does), so the list keeps its entries
    // and what they remember of earlier Applies.
    void ApplyKeepingTheList()
    {
        PSHNOTIFY notify = {};
        notify.hdr.hwndFrom = Sheet();
        notify.hdr.code = PSN_APPLY;
        SendMessageA(page_, WM_NOTIFY, 0, (LPARAM)&notify);
        PumpMessages(Sheet());
    }
    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet_.window, 0x3021)) != FALSE; }

    std::string ItemText(int item, int column) const
    {
        char text[300] = "";
        ListView_GetItemText(list_, item, column, text, sizeof text);
        return text;
    }
    // What a row shows: "mode|depth|refresh|on" (or "off").
    std::string Row(int item) const
    {
        LVITEMA lvItem = {};
        lvItem.mask = LVIF_IMAGE;
        lvItem.iItem = item;
        lvItem.iImage = -2;
        ListView_GetItem(list_, &lvItem);
        const char *icon = lvItem.iImage == 1 ? "on" : lvItem.iImage == 0 ? "off" : "?";
        return ItemText(item, 0) + "|" + ItemText(item, 1) + "|" + ItemText(item, 2) + "|" + icon;
    }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < ListView_GetItemCount(list_); ++i)
            rows.push_back(Row(i));
        return rows;
    }
    std::vector<std::string> Modes() const
    {
        std::vector<std::string> modes;
        for (int i = 0; i < ListView_GetItemCount(list_); ++i)
            modes.push_back(ItemText(i, 0));
        return modes;
    }
    bool Listed(const char *mode) const
    {
        std::vector<std::string> modes = Modes();
        return std::find(modes.begin(), modes.end(), mode) != modes.end();
    }
    int Find(const char *mode) const
    {
        for (int i = 0; i < ListView_GetItemCount(list_); ++i)
            if (ItemText(i, 0) == mode)
                return i;
        ADD_FAILURE() << mode << " is not listed";
        return -1;
    }
    std::string Row(const char *mode) const
    {
        int item = Find(mode);
        return item < 0 ? "(not listed)" : Row(item);
    }

    // Puts the cursor on the middle of a part of a mode's row (LVIR_ICON,
    // LVIR_LABEL); returns the point in the list's client coordinates.
    POINT PointAt(const char *mode, int part = LVIR_ICON)
    {
        POINT at = {-1, -1};
        int item = Find(mode);
        if (item < 0)
            return at;
        ListView_EnsureVisible(list_, item, FALSE);
        RECT rect = {};
        EXPECT_TRUE(ListView_GetItemRect(list_, item, &rect, part));
        at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list_, &screen);
        SetCursorPos(screen.x, screen.y);
        return at;
    }
    // A left click, as the list view reports it to the page.
    void Click(const char *mode, int part = LVIR_ICON)
    {
        POINT at = PointAt(mode, part);
        PostMessageA(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageA(list_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        PumpMessages(Sheet());
    }

    // The refresh menu ------------------------------------------------------------

    // Context help on a part of a mode's row, as the right mouse button asks
    // the page for it. A menu that comes up is read, and its item number
    // pick (0 = "*") is chosen with the keyboard; -1 closes it with Escape.
    Menu OpenMenu(const char *mode, int pick, int part = LVIR_ICON)
    {
        PointAt(mode, part);
        modes_page_state::menu = Menu();
        modes_page_state::pick = pick;
        POINT at;
        GetCursorPos(&at);
        UINT_PTR timer = SetTimer(NULL, 0, 20, DriveMenu);
        SendMessageA(page_, WM_CONTEXTMENU, (WPARAM)list_, MAKELPARAM(at.x, at.y));
        KillTimer(NULL, timer);
        PumpMessages(Sheet());
        return modes_page_state::menu;
    }
    // Picks the item of a mode's menu that has this text.
    void PickRate(const char *mode, const char *text)
    {
        Menu menu = OpenMenu(mode, -1);
        ASSERT_TRUE(menu.shown) << mode;
        for (size_t i = 0; i < menu.items.size(); ++i) {
            if (menu.items[i].text == text) {
                OpenMenu(mode, (int)i);
                return;
            }
        }
        FAIL() << mode << " offers no " << text;
    }

    static VOID CALLBACK DriveMenu(HWND, UINT, UINT_PTR timer, DWORD)
    {
        using namespace modes_page_state;
        HWND popup = FindWindowA("#32768", NULL);
        if (!popup || !IsWindowVisible(popup))
            return;
        KillTimer(NULL, timer);
        HMENU handle = (HMENU)SendMessageA(popup, MN_GETHMENU, 0, 0);
        menu.shown = true;
        for (int i = 0; i < GetMenuItemCount(handle); ++i) {
            char text[300] = "";
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = sizeof text;
            GetMenuItemInfoA(handle, i, TRUE, &info);
            menu.items.push_back({info.wID, text, (info.fState & MFS_CHECKED) != 0});
        }
        if (pick < 0) {
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            return;
        }
        for (int i = 0; i <= pick; ++i)
            PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    }

    // The display --------------------------------------------------------------------

    static LONG WINAPI RecordDisplayChange(DEVMODEA *mode, DWORD flags)
    {
        modes_page_state::changes.push_back({flags, mode->dmFields, mode->dmPelsWidth,
                                             mode->dmPelsHeight, mode->dmDisplayFrequency});
        return flags == CDS_TEST ? DISP_CHANGE_SUCCESSFUL : modes_page_state::changeAnswer;
    }
    // From here on the library's display changes are recorded; a test of
    // the settings passes and the change answers changeAnswer. (Wine's
    // display driver refuses every rate but 60 Hz.)
    void InterceptDisplayChanges()
    {
        ASSERT_NE(PatchImport(pinned_[1], "user32.dll", "ChangeDisplaySettingsA",
                              (void *)RecordDisplayChange),
                  nullptr);
    }
    static std::vector<DisplayChange> DisplayChanges() { return modes_page_state::changes; }

    static DEVMODEA DisplayMode(DWORD width, DWORD height, DWORD depth, DWORD frequency)
    {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
        mode.dmPelsWidth = width;
        mode.dmPelsHeight = height;
        mode.dmBitsPerPel = depth;
        mode.dmDisplayFrequency = frequency;
        return mode;
    }
    static BOOL WINAPI ListDisplayModes(LPCSTR device, DWORD index, DEVMODEA *mode)
    {
        using namespace modes_page_state;
        if (index == ENUM_CURRENT_SETTINGS && currentMode.dmSize) {
            *mode = currentMode;
            return TRUE;
        }
        if (index >= 0x80000000u || displayModes.empty())
            return realEnumDisplaySettings(device, index, mode);
        if (index >= displayModes.size())
            return FALSE;
        *mode = displayModes[index];
        return TRUE;
    }
    void InterceptDisplayModes()
    {
        void *previous = PatchImport(pinned_[1], "user32.dll", "EnumDisplaySettingsA",
                                     (void *)ListDisplayModes);
        ASSERT_NE(previous, nullptr);
        if (previous != (void *)ListDisplayModes)
            modes_page_state::realEnumDisplaySettings =
                (BOOL(WINAPI *)(LPCSTR, DWORD, DEVMODEA *))previous;
    }
    // From here on the library's display reports these modes (width,
    // height, depth).
    void ReportDisplayModes(std::initializer_list<std::vector<DWORD>> modes)
    {
        modes_page_state::displayModes.clear();
        for (const std::vector<DWORD> &fields : modes)
            modes_page_state::displayModes.push_back(DisplayMode(fields[0], fields[1], fields[2], 60));
        InterceptDisplayModes();
    }
    // From here on the library finds this mode on screen.
    void ReportCurrentMode(DWORD width, DWORD height, DWORD frequency)
    {
        modes_page_state::currentMode = DisplayMode(width, height, 32, frequency);
        InterceptDisplayModes();
    }

    // The library's heap ---------------------------------------------------------------

    static std::vector<HANDLE> ProcessHeaps()
    {
        std::vector<HANDLE> heaps(GetProcessHeaps(0, NULL) + 16);
        heaps.resize(GetProcessHeaps((DWORD)heaps.size(), heaps.data()));
        return heaps;
    }
    // The text of every block in use in the heaps made since the library
    // was loaded (its private heap).
    std::vector<std::string> LibraryBlocks() const
    {
        std::vector<std::string> blocks;
        for (HANDLE heap : ProcessHeaps()) {
            if (std::find(heapsBeforeLoad_.begin(), heapsBeforeLoad_.end(), heap) !=
                heapsBeforeLoad_.end())
                continue;
            PROCESS_HEAP_ENTRY entry;
            entry.lpData = NULL;
            while (HeapWalk(heap, &entry)) {
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                    const char *data = (const char *)entry.lpData;
                    blocks.push_back(std::string(data, strnlen(data, entry.cbData)));
                }
            }
        }
        return blocks;
    }

    Family family_ = Family::Other;
    std::string instanceDriver_ = "Display\\0000";
    std::string modesKey_;
    std::string dalKey_;
    std::vector<HANDLE> heapsBeforeLoad_;
    HWND page_ = NULL;
    HWND list_ = NULL;
};

}  // namespace testing_support
