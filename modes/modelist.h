// The modes page's list of display modes: built from the driver's lists,
// the predefined extra modes and the display's modes, switched by its icons
// and saved on Apply.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "dalpack.h"
#include "modespage.h"

// Empties the page's list and builds it again from the driver's
// non-standard list, the predefined extra modes and the modes the display
// reports.
void SetButtons(HWND page);
// Adds one item unless its resolution is already listed; returns whether
// it added. The entry gets its own copy of refreshList (NULL: none).
bool AddEntry(HWND page, int width, int height, int depth, int refresh, const char *refreshList,
              bool enabled, bool extra);
// Frees every item's entry, then deletes the items.
void EmptyModeList(HWND list);
// Empties the page's list and destroys its image list: the sheet was
// cancelled, or the page is going.
void ReleaseModeList(ModesPage *page);
// The entry of the item whose icon is under the cursor (its index in
// *item), or NULL when the cursor is not on an icon.
ModeEntry *ModeEntryAtCursor(const ModesPage *page, int *item);

// LVN_GETDISPINFOA: the refresh column's text and the on or off icon.
void AnswerModeDisplayInfo(ModesPage *page, NMLVDISPINFOA *info);
// NM_CLICK: a click on an extra mode's icon switches it on or off.
void SwitchModeAtCursor(ModesPage *page);
// Apply: the driver's lists, the mode keys and the refresh rates.
void SaveModes(ModesPage *page);
