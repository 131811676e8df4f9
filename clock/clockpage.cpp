// The clock page's dialog procedure: one switch that hands each message to
// a named helper and leaves what every page answers alike to the frame. The
// page is drawn in the skin (background, fonts, colours, owner-drawn frames,
// buttons and logo, context help).
#include <windows.h>
#include <commctrl.h>

#include "../frame/page.h"
#include "../skin/library.h"
#include "../skin/skin.h"

bool g_profilesQueried;

namespace {

INT_PTR OnInitDialog(HWND page)
{
    g_pageClean = true;
    LoadSkinBitmaps(page);
    ApplySkin(page);
    LoadHelpTexts();
    // Before the first activation no sheet is known and nothing is sent.
    SetPageChanged(page, TRUE);
    return TRUE;
}

INT_PTR OnDrawItem(HWND page, const DRAWITEMSTRUCT *item)
{
    switch (item->CtlID) {
    case IDC_FACTORY_DEFAULTS:
    case IDC_PROFILE_SAVE:
    case IDC_PROFILE_DELETE:
        return DrawSkinButton(page, item);
    case IDC_LOGO:
        return DrawLogoPanel(page, item);
    default:
        return DrawGroupFrame(page, item);
    }
}

INT_PTR OnControlColour(HDC dc, HWND control)
{
    // The sliders paint their own background.
    int id = GetDlgCtrlID(control);
    if (id == IDC_CORE_SLIDER || id == IDC_MEMORY_SLIDER)
        return 0;
    return AnswerControlColour(dc, control);
}

}  // namespace

INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_DRAWITEM:
        return OnDrawItem(page, (const DRAWITEMSTRUCT *)lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnControlColour((HDC)wParam, (HWND)lParam);
    }
    return AnswerPageMessage(page, message, wParam, lParam);
}
