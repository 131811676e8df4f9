// The modes page's dialog procedure: one switch that hands each message to
// a named helper and leaves what every page answers alike to the frame. The
// page is drawn in the skin (background, fonts, colours, the owner-drawn
// frame, context help); its list is modelist.cpp's, its refresh rates
// refresh.cpp's.
#include "modespage.h"

#include "../frame/page.h"
#include "serrafinlib.h"
#include "../skin/skin.h"
#include "debuglog.h"
#include "modelist.h"

namespace {

// The page's state is made before anything can ask for it. Should that
// fail, the page stays up without its list.
INT_PTR OnInitDialog(HWND window)
{
    DebugLog("WM_INITDIALOG");
    ModesPage *page = (ModesPage *)CfgAlloc(sizeof *page);
    if (page) {
        page->window = window;
        page->list = GetDlgItem(window, IDC_MODE_LIST);
        page->clean = true;
        SetWindowLongPtrA(window, DWLP_USER, (LONG_PTR)page);
    }
    ApplySkin(window);
    // The modes key is found once the skin is on, for as long as the page
    // lives; the DAL key at every build of the list.
    if (page)
        FindModesKey(&page->keys);
    LoadHelpTexts();
    LoadSkinBitmaps(window);
    SetButtons(window);
    SetPageChanged(window, FALSE);
    return TRUE;
}

// What the frame answers to the sheet for every page.
INT_PTR AnswerSheet(HWND window, const NMHDR *header)
{
    return AnswerPageMessage(window, WM_NOTIFY, 0, (LPARAM)header);
}

// Each activation reads the registry again, dropping what was not applied.
INT_PTR OnSetActive(HWND window, const NMHDR *header)
{
    INT_PTR answer = AnswerSheet(window, header);
    SetButtons(window);
    return answer;
}

INT_PTR OnApply(ModesPage *page, const NMHDR *header)
{
    if (!page->clean) {
        SaveModes(page);
        page->clean = true;
    }
    return AnswerSheet(page->window, header);
}

// Cancelling the sheet releases the skin, and with it the list.
INT_PTR OnReset(ModesPage *page, const NMHDR *header)
{
    INT_PTR answer = AnswerSheet(page->window, header);
    ReleaseModeList(page);
    return answer;
}

INT_PTR OnNotify(HWND window, const NMHDR *header)
{
    if (header->code == PSN_SETACTIVE)
        return OnSetActive(window, header);
    ModesPage *page = GetModesPage(window);
    if (page) {
        switch (header->code) {
        case PSN_APPLY:
            return OnApply(page, header);
        case PSN_RESET:
            return OnReset(page, header);
        case LVN_GETDISPINFOA:
            if (header->hwndFrom == page->list)
                AnswerModeDisplayInfo(page, (NMLVDISPINFOA *)header);
            return FALSE;
        case NM_CLICK:
            if (header->hwndFrom == page->list)
                SwitchModeAtCursor(page);
            return FALSE;
        }
    }
    return AnswerSheet(window, header);
}

// Whichever sheet the page belonged to, its entries and icons go with it;
// the frame releases the skin.
INT_PTR OnDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    ModesPage *page = GetModesPage(window);
    if (page)
        ReleaseModeList(page);
    AnswerPageMessage(window, WM_DESTROY, wParam, lParam);
    SetWindowLongPtrA(window, DWLP_USER, 0);
    CfgFree(page);
    return FALSE;
}

}  // namespace

ModesPage *GetModesPage(HWND window)
{
    return (ModesPage *)GetWindowLongPtrA(window, DWLP_USER);
}

INT_PTR CALLBACK ModesPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_NOTIFY:
        return OnNotify(window, (const NMHDR *)lParam);
    case WM_DRAWITEM:
        return DrawGroupFrame(window, (const DRAWITEMSTRUCT *)lParam);
    case WM_DESTROY:
        return OnDestroy(window, wParam, lParam);
    }
    return AnswerPageMessage(window, message, wParam, lParam);
}
