// The modes page's dialog procedure: one switch that hands each message to
// a named helper and leaves what every page answers alike to the frame. The
// page is drawn in the skin (background, fonts, colours, the owner-drawn
// frame, context help); its list is modelist.cpp's.
#include "modespage.h"

#include "../frame/page.h"
#include "serrafinlib.h"
#include "../skin/skin.h"
#include "debuglog.h"
#include "modelist.h"

HWND g_modeList;
HIMAGELIST g_modeImages;

namespace {

INT_PTR OnInitDialog(HWND page)
{
    g_pageClean = true;
    DebugLog("WM_INITDIALOG");
    g_modeList = GetDlgItem(page, IDC_MODE_LIST);
    ApplySkin(page);
    LoadHelpTexts();
    LoadSkinBitmaps(page);
    SetButtons(page);
    SetPageChanged(page, FALSE);
    return TRUE;
}

// What the frame answers to the sheet for every page.
INT_PTR AnswerSheet(HWND page, const NMHDR *header)
{
    return AnswerPageMessage(page, WM_NOTIFY, 0, (LPARAM)header);
}

// Each activation reads the registry again, dropping what was not applied.
INT_PTR OnSetActive(HWND page, const NMHDR *header)
{
    INT_PTR answer = AnswerSheet(page, header);
    SetButtons(page);
    return answer;
}

INT_PTR OnApply(HWND page, const NMHDR *header)
{
    if (!g_pageClean) {
        SaveModes();
        g_pageClean = true;
    }
    return AnswerSheet(page, header);
}

INT_PTR OnNotify(HWND page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        return OnSetActive(page, header);
    case PSN_APPLY:
        return OnApply(page, header);
    case LVN_GETDISPINFOA:
        if (header->hwndFrom == g_modeList)
            AnswerModeDisplayInfo((NMLVDISPINFOA *)header);
        return FALSE;
    case NM_CLICK:
        if (header->hwndFrom == g_modeList)
            SwitchModeAtCursor(page);
        return FALSE;
    }
    return AnswerSheet(page, header);
}

// The frame releases the skin, and with it the list, only for the page of
// the sheet in use; a page of an earlier sheet frees its own entries.
INT_PTR OnDestroy(HWND page, WPARAM wParam, LPARAM lParam)
{
    HWND list = GetDlgItem(page, IDC_MODE_LIST);
    if (list != g_modeList)
        EmptyModeList(list);
    AnswerPageMessage(page, WM_DESTROY, wParam, lParam);
    if (list == g_modeList)
        g_modeList = NULL;
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK ModesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_NOTIFY:
        return OnNotify(page, (const NMHDR *)lParam);
    case WM_DRAWITEM:
        return DrawGroupFrame(page, (const DRAWITEMSTRUCT *)lParam);
    case WM_DESTROY:
        return OnDestroy(page, wParam, lParam);
    }
    return AnswerPageMessage(page, message, wParam, lParam);
}
