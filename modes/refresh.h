// Refresh rates: the menu on a mode's icon, which context help gives way to
// (the library's onContextHelp hook), and on Apply the rate stored in the
// mode keys and put into effect for the mode on screen.
#pragma once
#include <windows.h>

#include "dalpack.h"
#include "modespage.h"

// Shows the refresh menu of the mode whose icon is under the cursor on this
// modes page and returns true, with the menu's answer in *result; also true,
// with no menu, for an extra mode that has none to offer. False when the
// cursor is not on an icon, or the window is no modes page: help goes ahead.
bool OfferRefreshMenu(HWND page, INT_PTR *result);
// Stores the entry's new rate in the mode keys and, for the mode on screen,
// puts it into effect and lets the user keep it or go back.
void ApplyRefresh(ModesPage *page, ModeEntry *entry);
