// Page creation: the tab the library adds to the Display Properties sheet.
#include "page.h"

#include <commctrl.h>

#include "../cfg/cfg.h"
#include "../skin/library.h"
#include "../skin/skinids.h"

HINSTANCE g_module;
char g_helpFile[kPathSize];
DWORD g_helpKnown;
HWND g_skinPage;
ULONG g_livePages;

namespace {

// The sheet calls back as it destroys the page, whether or not the tab was
// ever shown, and before the page's dialog is made (which must go ahead).
UINT CALLBACK PageCallback(HWND, UINT message, LPPROPSHEETPAGEA)
{
    if (message == PSPCB_RELEASE && g_livePages > 0)
        --g_livePages;
    return 1;
}

// The shell may keep the title pointer beyond AddPage.
char g_title[kTitleSize];

void LoadTabTitle()
{
    char name[16];
    wsprintfA(name, "%d", IDS_TAB_TITLE);
    if (!CfgReadText(HKEY_CURRENT_USER, g_library.localizationKey, name, g_title,
                     sizeof g_title))
        LoadStringA(g_module, IDS_TAB_TITLE, g_title, sizeof g_title);
}

BOOL MakePage(LPFNADDPROPSHEETPAGE addPage, LPARAM hostValue)
{
    // The skin is about to be loaded for the new page, which takes it over
    // at its first activation.
    g_skinPage = NULL;
    g_library.onCreatePage();
    InitCommonControls();
    g_helpKnown = CfgReadText(HKEY_CURRENT_USER, g_library.rootKey, "HelpFile", g_helpFile,
                              sizeof g_helpFile);

    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof page);
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_USETITLE | PSP_USEICONID | PSP_USECALLBACK | (g_helpKnown ? PSP_HASHELP : 0);
    page.hInstance = g_module;
    page.pszTemplate = MAKEINTRESOURCEA(IDD_PAGE);
    page.pszIcon = MAKEINTRESOURCEA(g_library.iconId);
    page.pszTitle = g_title;
    page.pfnDlgProc = g_library.pageProc;
    page.lParam = 0;
    page.pfnCallback = PageCallback;

    LoadTabTitle();

    // A page that cannot be made, or that the host refuses, is reported as
    // not added; a refused one would otherwise never be freed.
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&page);
    if (handle)
        ++g_livePages;
    BOOL added = handle && addPage(handle, hostValue);
    if (handle && !added)
        DestroyPropertySheetPage(handle);
    return added;
}

}  // namespace

BOOL AddPage(LPFNADDPROPSHEETPAGE addPage, LPARAM hostValue)
{
    // Resources come from the module of exactly this name; a renamed copy
    // of the library adds nothing.
    g_module = GetModuleHandleA(g_library.moduleName);
    BOOL added = g_module && MakePage(addPage, hostValue);
    g_library.onPageAdded(g_module ? g_title : NULL, added);
    return added;
}

void IgnorePageEvent() {}

void IgnorePageAdded(const char *, BOOL) {}

bool IgnoreContextHelp(HWND, INT_PTR *)
{
    return false;
}

void IgnoreFrameCaption(HWND, HDC, UINT, const char *, SIZE) {}
