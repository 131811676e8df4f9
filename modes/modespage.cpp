// The modes page's dialog procedure: one switch that hands each message to
// a named helper. The page is drawn in the skin (background, fonts,
// colours, the owner-drawn frame, context help).
#include "modespage.h"

#include "../frame/page.h"
#include "../skin/library.h"
#include "../skin/skin.h"
#include "debuglog.h"

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
    SetPageChanged(page, FALSE);
    return TRUE;
}

}  // namespace

void ReleaseModeList()
{
    if (g_modeList)
        ListView_DeleteAllItems(g_modeList);
    if (g_modeImages)
        ImageList_Destroy(g_modeImages);
    g_modeImages = NULL;
}

INT_PTR CALLBACK ModesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_NOTIFY:
        return OnSheetNotify(page, (const NMHDR *)lParam);
    case WM_ERASEBKGND:
        return EraseSkinBackground(page, (HDC)wParam);
    case WM_SYSCOLORCHANGE:
        LoadSkinBitmaps(page);
        return FALSE;
    case WM_DRAWITEM:
        return DrawGroupFrame(page, (const DRAWITEMSTRUCT *)lParam);
    case WM_HELP:
    case WM_CONTEXTMENU:
        ShowContextHelp(page, message, wParam, lParam);
        return FALSE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return AnswerControlColour((HDC)wParam, (HWND)lParam);
    case WM_DESTROY:
        OnPageDestroy();
        g_modeList = NULL;
        return FALSE;
    }
    return FALSE;
}
