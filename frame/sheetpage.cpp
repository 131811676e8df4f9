// What every page of the two libraries answers in the same way; each
// page's own dialog procedure handles its particular messages first and
// leaves the rest here.
#include "page.h"

#include "../skin/skin.h"

namespace {

INT_PTR SetNotifyResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void OnSetActive(HWND page, HWND sheet)
{
    // The page's own state is its procedure's (DWLP_USER); the page's
    // sheet is the frame's, in the window's user data.
    SetWindowLongPtrA(page, GWLP_USERDATA, (LONG_PTR)sheet);
    g_skinPage = page;
}

// The skin belongs to the page activated last: whichever way its sheet
// closes (Cancel or the page going away), nothing of it outlives that page,
// and a later sheet starts from the registry. A page of another sheet
// leaves the skin alone while a page it does not own draws with it.
void ReleaseOwnSkin(HWND page)
{
    if (g_skinPage && g_skinPage != page)
        return;
    ReleaseSkin();
    g_skinPage = NULL;
}

INT_PTR OnSheetNotify(HWND page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        OnSetActive(page, header->hwndFrom);
        return SetNotifyResult(page, 0);
    case PSN_KILLACTIVE:
        return SetNotifyResult(page, FALSE);
    case PSN_APPLY:
        return SetNotifyResult(page, PSNRET_NOERROR);
    case PSN_RESET:
        ReleaseOwnSkin(page);
        return FALSE;
    case PSN_HELP:
        ShowContextHelp(page, header->code, 0, 0);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

HWND PageSheet(HWND page)
{
    return (HWND)GetWindowLongPtrA(page, GWLP_USERDATA);
}

bool SetPageChanged(HWND page, BOOL changed)
{
    HWND sheet = PageSheet(page);
    if (!sheet)
        return false;
    SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, (WPARAM)page, 0);
    return changed != FALSE;
}

INT_PTR AnswerPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY:
        return OnSheetNotify(page, (const NMHDR *)lParam);
    case WM_ERASEBKGND:
        return EraseSkinBackground(page, (HDC)wParam);
    case WM_SYSCOLORCHANGE:
        LoadSkinBitmaps(page);
        return FALSE;
    case WM_HELP:
    case WM_CONTEXTMENU:
        ShowContextHelp(page, message, wParam, lParam);
        return FALSE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return AnswerControlColour((HDC)wParam, (HWND)lParam);
    case WM_DESTROY:
        ReleaseOwnSkin(page);
        return FALSE;
    }
    return FALSE;
}
