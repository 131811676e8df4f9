// Display Properties as the tests open it: the page libraries registered as
// the installer does, loaded by the shell's extension loader into a real,
// modeless property sheet that the test drives with the sheet's messages.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "displaysheet.h"
#include "helpcalls.h"
#include "winsupport.h"

namespace testing_support {

inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    *strrchr(path, '\\') = '\0';
    return path;
}

// Dispatches everything queued for this thread, as the sheet's own message
// loop would.
inline void PumpMessages(HWND sheet = NULL)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (sheet && IsWindow(sheet) && PropSheet_IsDialogMessage(sheet, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        if (!keepState_)
            DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        UnregisterPageLibraries();
        ASSERT_TRUE(RegisterPageLibraries(ProgramFolder().c_str()));
        // Keeps the library loaded from one sheet to the next, as in one
        // Display Properties process.
        for (int i = 0; i < 2; ++i) {
            pinned_[i] = LoadLibraryA(kPageLibraries[i].file);
            ASSERT_NE(pinned_[i], (HMODULE)NULL) << kPageLibraries[i].file;
        }
    }
    void TearDown() override
    {
        CloseSheet();
        UnregisterPageLibraries();
        if (!keepState_)
            DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        for (HMODULE library : pinned_)
            FreeLibrary(library);
        CoUninitialize();
    }

    // Opens Display Properties; returns the number of pages added.
    UINT OpenSheet(UINT startPage = 0)
    {
        CloseSheet();
        UINT count = CollectDisplayPages(&sheet_);
        if (count) {
            ShowDisplaySheet(&sheet_, NULL, startPage, true);
            PumpMessages(sheet_.window);
        }
        return count;
    }
    void CloseSheet() { CloseDisplaySheet(&sheet_); }
    // Presses a sheet button (PSBTN_OK, PSBTN_CANCEL, ...) as the user does.
    void Press(int button)
    {
        PropSheet_PressButton(sheet_.window, button);
        PumpMessages(sheet_.window);
    }
    // OK and Cancel end the sheet; the host then destroys its window.
    void Finish(int button)
    {
        Press(button);
        EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet_.window), (HWND)NULL) << "the sheet is still open";
        CloseSheet();
    }

    HWND Sheet() const { return sheet_.window; }
    HWND TabControl() const { return PropSheet_GetTabControl(sheet_.window); }
    std::vector<std::string> TabTitles() const
    {
        std::vector<std::string> titles;
        HWND tabs = TabControl();
        int count = (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[256] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)&item);
            titles.push_back(text);
        }
        return titles;
    }
    // Selects the tab with this title and returns its page window.
    HWND ShowTab(const char *title)
    {
        std::vector<std::string> titles = TabTitles();
        for (size_t i = 0; i < titles.size(); ++i) {
            if (titles[i] == title) {
                PropSheet_SetCurSel(sheet_.window, NULL, (int)i);
                PumpMessages(sheet_.window);
                return PropSheet_GetCurrentPageHwnd(sheet_.window);
            }
        }
        ADD_FAILURE() << "no tab titled " << title;
        return NULL;
    }

    // The calls the hhctrl.ocx stand-in recorded since the last look.
    std::vector<HelpCall> HelpCalls()
    {
        std::vector<HelpCall> calls(64);
        HMODULE standIn = GetModuleHandleA("hhctrl.ocx");
        if (!standIn)
            return {};
        auto recorded = (RecordedHelpCallsProc)(void *)GetProcAddress(standIn, "RecordedHelpCalls");
        if (!recorded) {
            ADD_FAILURE() << "hhctrl.ocx is not the recording stand-in";
            return {};
        }
        int count = recorded(calls.data(), (int)calls.size(), TRUE);
        calls.resize(count < 64 ? count : 64);
        return calls;
    }

    DisplaySheet sheet_;
    HMODULE pinned_[2] = {};
    // The libraries' settings (and a fixture's card) are left as they are,
    // for tests that follow one another across a restart.
    bool keepState_ = false;
};

}  // namespace testing_support
