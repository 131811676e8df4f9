// Page creation and the library-wide values the page and the skin share.
#pragma once
#include <windows.h>
#include <prsht.h>

#include "../cfg/cfg.h"

enum { kTitleSize = 128 };

// The library's own module, found by its file name when the page is made.
extern HINSTANCE g_module;
// Value "HelpFile" of the root key, and the byte count its read returned
// (non-zero: a help file is configured).
extern char g_helpFile[kPathSize];
extern DWORD g_helpKnown;
// The property sheet, learnt at the page's activation; NULL until then.
extern HWND g_sheetWindow;
// True while the sheet holds no unapplied change from the page.
extern bool g_pageClean;
// Pages made by AddPage that their sheet has not destroyed yet. Their dialog
// procedure and template live in this library, so it must stay loaded
// while any exists.
extern ULONG g_livePages;

// Builds the library's property page and hands it to the host.
BOOL AddPage(LPFNADDPROPSHEETPAGE addPage, LPARAM hostValue);
// Tells the sheet whether the page holds unapplied changes.
void SetPageChanged(HWND page, BOOL changed);

// The messages every page answers alike, for a page's dialog procedure to
// fall back on: the sheet is learnt at activation, leaving and applying are
// allowed, a cancelled sheet releases the skin, Help opens the help file;
// the skin's background, colours and context help; and a destroyed page
// releases its skin and forgets its sheet.
INT_PTR AnswerPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the factory's count, which DllCanUnloadNow looks at beside the live
// pages, back to 0; Serrafin's process attach starts from it.
void ResetPageObjectCount();
