// The modes page: what one page holds from WM_INITDIALOG to WM_DESTROY, and
// its dialog procedure (ModesPageProc, serrafinlib.h).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "driverkeys.h"

enum { kRefreshTextSize = 32 };

// Allocated as the page initialises and kept as its DWLP_USER value; freed,
// with the list's entries and image list, as the page goes.
struct ModesPage {
    HWND window;
    // The list view (control 1479); NULL when the page has none.
    HWND list;
    // The list's off and on icons, made by the first build of the list. The
    // list view shares it, so the page destroys it.
    HIMAGELIST images;
    DriverKeys keys;
    // The refresh column's text: the list view reads it after the
    // notification has returned.
    char refreshText[kRefreshTextSize];
    // True while the sheet holds no unapplied change from this page: Apply
    // then has nothing to save.
    bool clean;
};

// The state of a modes page; NULL for any window that has none.
ModesPage *GetModesPage(HWND window);
