// Page creation and the library-wide values the page and the skin share.
#pragma once
#include <windows.h>
#include <prsht.h>

#include "../cfg/cfg.h"

enum { kTitleSize = 128 };

// Process-wide, one of each per loaded library: its own module, found by
// its file name when a page is made; value "HelpFile" of the root key and
// the byte count its read returned (non-zero: a help file is configured);
// the pages made by AddPage that their sheet has not destroyed yet (their
// dialog procedure and template live in this library, so it must stay
// loaded while any exists).
extern HINSTANCE g_module;
extern char g_helpFile[kPathSize];
extern DWORD g_helpKnown;
extern ULONG g_livePages;
// The page activated last; NULL before the first activation of a new page
// and once that page is gone. The skin, one per process, belongs to it.
extern HWND g_skinPage;

// Builds the library's property page and hands it to the host.
BOOL AddPage(LPFNADDPROPSHEETPAGE addPage, LPARAM hostValue);
// The page's own sheet, learnt when the page is first activated and kept
// in the page window's user data (GWLP_USERDATA; a page procedure keeps its
// own state at DWLP_USER); NULL before.
HWND PageSheet(HWND page);
// Tells the page's sheet whether the page holds unapplied changes. Before
// the page's first activation no sheet is known and nothing is sent. True
// when the sheet was told of a change: the page is no longer clean.
bool SetPageChanged(HWND page, BOOL changed);

// The messages every page answers alike, for a page's dialog procedure to
// fall back on: the sheet is learnt at activation, leaving and applying are
// allowed, a cancelled sheet releases the skin, Help opens the help file;
// the skin's background, colours and context help; and a destroyed page
// releases the skin when it is its own.
INT_PTR AnswerPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the factory's count, which DllCanUnloadNow looks at beside the live
// pages, back to 0; Serrafin's process attach starts from it.
void ResetPageObjectCount();
