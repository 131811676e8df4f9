// The modes page's dialog procedure: one switch that hands each message to
// a named helper and leaves what every page answers alike to the frame. The
// page is drawn in the skin (background, fonts, colours, the owner-drawn
// frame, context help).
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
    case WM_DRAWITEM:
        return DrawGroupFrame(page, (const DRAWITEMSTRUCT *)lParam);
    case WM_DESTROY:
        AnswerPageMessage(page, message, wParam, lParam);
        g_modeList = NULL;
        return FALSE;
    }
    return AnswerPageMessage(page, message, wParam, lParam);
}
