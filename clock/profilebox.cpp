// The profile box in the clock page's corner: named clock settings per
// application, kept under "Game Overclocking". Saving and deleting wait for
// the sheet's Apply; until then the box and the clock controls are locked.
#include <windows.h>

#include "quillanlib.h"
#include "clockpage.h"
#include "engine.h"
#include "settings.h"

bool g_profilesQueried;

void ForgetProfilesQuery()
{
    g_profilesQueried = false;
}

namespace {

HWND g_profileCombo;
// The profile named by the profile name is to be deleted at Apply.
bool g_profileDelete;
int g_deleteIndex;

bool UsableName(const char *name)
{
    return name[0] != '\0' && name[0] != ' ';
}

void ReadEnteredName(char (&name)[kPathSize])
{
    name[0] = '\0';
    GetWindowTextA(g_profileCombo, name, sizeof name);
}

void ShowResetName(HWND page)
{
    SetControlText(page, IDC_PROFILE_NAME, "Reset");
}

void AwaitApply(HWND page)
{
    g_applyPending = false;
    EnableProfileBox(false);
    EnableClockControls(page, false);
    SetPageChanged(page, TRUE);
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

void PrepareProfileBox(HWND page)
{
    g_profileCombo = GetDlgItem(page, IDC_PROFILE_NAME);
    POINT inside = {4, 4};
    HWND edit = ChildWindowFromPoint(g_profileCombo, inside);
    if (!edit || edit == g_profileCombo)
        return;
    // The previous procedure is in place before anything can call ours.
    SetWindowLongPtrA(edit, GWLP_USERDATA, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)ProfileEditProc);
}

void EnableProfileBox(bool on)
{
    HWND page = GetParent(g_profileCombo);
    EnableWindow(g_profileCombo, on);
    EnableWindow(GetDlgItem(page, IDC_PROFILE_SAVE), on);
    EnableWindow(GetDlgItem(page, IDC_PROFILE_DELETE), on);
    InvalidateRect(g_profileCombo, NULL, TRUE);
    UpdateWindow(g_profileCombo);
}

void FillProfileList()
{
    SendMessageA(g_profileCombo, CB_RESETCONTENT, 0, 0);
    EnumerateProfiles(g_profileCombo);
}

void CheckProfileBox(HWND page)
{
    LONG offered;
    // An unreadable switch is tried again at the next redraw.
    if (g_profilesQueried || !ReadProfilesSwitch(&offered))
        return;
    g_profilesQueried = true;
    EnableProfileBox(offered != 0);
    if (!offered)
        return;
    FillProfileList();
    char name[kPathSize] = "";
    ReadMostRecentApplication(name, sizeof name);
    SetControlText(page, IDC_PROFILE_NAME, name);
}

void OnSaveProfile(HWND page)
{
    char name[kPathSize];
    ReadEnteredName(name);
    if (!UsableName(name)) {
        ShowResetName(page);
        return;
    }
    lstrcpynA(g_profileName, name, sizeof g_profileName);
    if (!g_profileMode) {
        g_profileSetting = g_currentSetting;
        g_profileDirty = true;
        g_profileMode = true;
    }
    AwaitApply(page);
}

void OnDeleteProfile(HWND page)
{
    char name[kPathSize];
    ReadEnteredName(name);
    if (!UsableName(name))
        return;
    LRESULT index = SendMessageA(g_profileCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    if (index == CB_ERR)
        return;
    g_deleteIndex = (int)index;
    lstrcpynA(g_profileName, name, sizeof g_profileName);
    g_profileMode = true;
    g_profileDelete = true;
    AwaitApply(page);
}

void OnProfileEditChange(HWND page)
{
    if (!g_profileMode)
        return;
    g_profileMode = false;
    RefreshPage(page);
}

void OnProfileSelected(HWND page)
{
    LRESULT index = SendMessageA(g_profileCombo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    LRESULT length = SendMessageA(g_profileCombo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length >= kPathSize)
        return;
    char name[kPathSize];
    SendMessageA(g_profileCombo, CB_GETLBTEXT, index, (LPARAM)name);
    ClockSetting loaded = g_profileSetting;
    if (!LoadProfile(name, &loaded))
        return;
    g_profileSetting = loaded;
    g_profileMode = true;
    lstrcpynA(g_profileName, name, sizeof g_profileName);
    RefreshPage(page);
}

void LeaveProfileMode()
{
    g_profileMode = false;
    g_profileDirty = false;
    g_profileDelete = false;
}

void ApplyProfileChanges(HWND page)
{
    g_profileMode = false;
    if (g_profileDirty) {
        g_profileDirty = false;
        if (SendMessageA(g_profileCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)g_profileName) ==
            CB_ERR)
            SendMessageA(g_profileCombo, CB_ADDSTRING, 0, (LPARAM)g_profileName);
        SaveProfile(g_profileName, g_profileSetting);
    }
    if (g_profileDelete) {
        g_profileDelete = false;
        DeleteProfile(g_profileName);
        SendMessageA(g_profileCombo, CB_DELETESTRING, g_deleteIndex, 0);
    }
    EnableProfileBox(true);
    ShowResetName(page);
    EnableClockControls(page, true);
}
