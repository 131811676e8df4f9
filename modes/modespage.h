// The modes page, and what it hangs on the skin through the library's table
// (serrafinlib.cpp): the release of its list when the sheet is cancelled,
// and the refresh menu that context help gives way to on a mode's icon.
#pragma once
#include <windows.h>
#include <commctrl.h>

// The page's list view and its image list, while the page exists.
extern HWND g_modeList;
extern HIMAGELIST g_modeImages;

// Empties the mode list and destroys its image list.
void ReleaseModeList();

// Shows the refresh menu of the mode whose icon is under the cursor and
// returns true, with the menu's answer in *result; also true, with no menu,
// for an extra mode that has none to offer. False when the cursor is not on
// an icon: help goes ahead.
bool OfferRefreshMenu(HWND page, INT_PTR *result);
