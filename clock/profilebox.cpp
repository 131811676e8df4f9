// The profile box in the clock page's corner: named clock settings per
// application, kept under "Game Overclocking". Saving and deleting wait for
// the sheet's Apply; until then the box and the clock controls are locked.
#include <windows.h>

#include "quillanlib.h"
#include "clockpage.h"
#include "engine.h"
#include "settings.h"

namespace {

bool UsableName(const char *name)
{
    return name[0] != '\0' && name[0] != ' ';
}

void ReadEnteredName(const ClockPage *page, char (&name)[kPathSize])
{
    name[0] = '\0';
    GetWindowTextA(page->profileCombo, name, sizeof name);
}

void ShowResetName(const ClockPage *page)
{
    SetControlText(page->window, IDC_PROFILE_NAME, "Reset");
}

void AwaitApply(ClockPage *page)
{
    page->applyPending = false;
    EnableProfileBox(page, false);
    EnableClockControls(page->window, false);
    TellSheet(page);
}

LRESULT CALLBACK ProfileEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = (WNDPROC)GetWindowLongPtrA(edit, GWLP_USERDATA);
    switch (message) {
    case WM_GETDLGCODE:
        // Enter and Escape come to the field instead of closing the sheet.
        return DLGC_WANTALLKEYS;
    case WM_CHAR:
        // ... where the field would only beep at them.
        if (wParam == '\r' || wParam == 27)
            return 0;
        break;
    case WM_DESTROY:
        SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
        SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)previous);
        break;
    }
    if (!previous)
        return DefWindowProcA(edit, message, wParam, lParam);
    return CallWindowProcA(previous, edit, message, wParam, lParam);
}

}  // namespace

void PrepareProfileBox(ClockPage *page)
{
    HWND combo = page->profileCombo = GetDlgItem(page->window, IDC_PROFILE_NAME);
    POINT inside = {4, 4};
    HWND edit = ChildWindowFromPoint(combo, inside);
    if (!edit || edit == combo)
        return;
    // The previous procedure is in place before anything can call ours.
    SetWindowLongPtrA(edit, GWLP_USERDATA, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)ProfileEditProc);
}

void EnableProfileBox(ClockPage *page, bool on)
{
    HWND combo = page->profileCombo;
    EnableWindow(combo, on);
    EnableWindow(GetDlgItem(page->window, IDC_PROFILE_SAVE), on);
    EnableWindow(GetDlgItem(page->window, IDC_PROFILE_DELETE), on);
    InvalidateRect(combo, NULL, TRUE);
    UpdateWindow(combo);
}

void FillProfileList(ClockPage *page)
{
    SendMessageA(page->profileCombo, CB_RESETCONTENT, 0, 0);
    EnumerateProfiles(page->profileCombo);
}

void CheckProfileBox(ClockPage *page)
{
    LONG offered;
    // An unreadable switch is tried again at the next redraw.
    if (page->profilesQueried || !ReadProfilesSwitch(&offered))
        return;
    page->profilesQueried = true;
    EnableProfileBox(page, offered != 0);
    if (!offered)
        return;
    FillProfileList(page);
    char name[kPathSize] = "";
    ReadMostRecentApplication(name, sizeof name);
    SetControlText(page->window, IDC_PROFILE_NAME, name);
}

void OnSaveProfile(ClockPage *page)
{
    char name[kPathSize];
    ReadEnteredName(page, name);
    if (!UsableName(name)) {
        ShowResetName(page);
        return;
    }
    lstrcpynA(page->profileName, name, sizeof page->profileName);
    if (!page->profileMode) {
        page->profileSetting = g_currentSetting;
        page->profileDirty = true;
        page->profileMode = true;
    }
    AwaitApply(page);
}

void OnDeleteProfile(ClockPage *page)
{
    char name[kPathSize];
    ReadEnteredName(page, name);
    if (!UsableName(name))
        return;
    LRESULT index =
        SendMessageA(page->profileCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    if (index == CB_ERR)
        return;
    page->deleteIndex = (int)index;
    lstrcpynA(page->profileName, name, sizeof page->profileName);
    page->profileMode = true;
    page->profileDelete = true;
    AwaitApply(page);
}

void OnProfileEditChange(ClockPage *page)
{
    if (!page->profileMode)
        return;
    page->profileMode = false;
    RefreshPage(page);
}

void OnProfileSelected(ClockPage *page)
{
    HWND combo = page->profileCombo;
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length >= kPathSize)
        return;
    char name[kPathSize];
    SendMessageA(combo, CB_GETLBTEXT, index, (LPARAM)name);
    ClockSetting loaded = page->profileSetting;
    if (!LoadProfile(name, &loaded))
        return;
    page->profileSetting = loaded;
    page->profileMode = true;
    lstrcpynA(page->profileName, name, sizeof page->profileName);
    RefreshPage(page);
}

void LeaveProfileMode(ClockPage *page)
{
    page->profileMode = false;
    page->profileDirty = false;
    page->profileDelete = false;
}

void ApplyProfileChanges(ClockPage *page)
{
    HWND combo = page->profileCombo;
    page->profileMode = false;
    if (page->profileDirty) {
        page->profileDirty = false;
        if (SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)page->profileName) ==
            CB_ERR)
            SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)page->profileName);
        SaveProfile(page->profileName, page->profileSetting);
    }
    if (page->profileDelete) {
        page->profileDelete = false;
        DeleteProfile(page->profileName);
        SendMessageA(combo, CB_DELETESTRING, page->deleteIndex, 0);
    }
    EnableProfileBox(page, true);
    ShowResetName(page);
    EnableClockControls(page->window, true);
}
