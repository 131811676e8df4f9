// The modes page's list of display modes and the refresh rates chosen for
// them: what the page's dialog procedure hands its work to.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "dalpack.h"

// The list ------------------------------------------------------------------

// Empties the list and builds it again from the driver's non-standard list,
// the predefined extra modes and the modes the display reports.
void SetButtons(HWND page);
// Adds one item unless its resolution is already listed; returns whether
// it added. The entry gets its own copy of refreshList (NULL: none).
bool AddEntry(HWND page, int width, int height, int depth, int refresh, const char *refreshList,
              bool enabled, bool extra);
// Frees every item's entry, then deletes the items.
void EmptyModeList(HWND list);
// The entry of an item, or NULL.
ModeEntry *GetModeEntry(int item);
// The entry of the item whose icon is under the cursor (its index in
// *item), or NULL when the cursor is not on an icon.
ModeEntry *ModeEntryAtCursor(int *item);

// LVN_GETDISPINFOA: the refresh column's text and the on or off icon.
void AnswerModeDisplayInfo(NMLVDISPINFOA *info);
// NM_CLICK: a click on an extra mode's icon switches it on or off.
void SwitchModeAtCursor(HWND page);
// Apply: the driver's lists, the mode keys and the refresh rates.
void SaveModes();

// Refresh rates -------------------------------------------------------------

// Writes the entry's refresh rate (and, for an extra mode, its refresh
// list) to its mode keys when a modes key is known, and takes the rate as
// the one in force, to go back to from later picks.
void StoreRefresh(ModeEntry *entry);
// Stores the entry's new rate and, for the mode on screen, puts it into
// effect and lets the user keep it or go back.
void ApplyRefresh(ModeEntry *entry);
// Redraws every item at once.
void RedrawModeList();

// Mode keys ------------------------------------------------------------------

// The depths that have mode keys, and whether an entry (of depth 0: any)
// has one at modeDepth.
extern const int kModeDepths[3];
bool CoversDepth(const ModeEntry *entry, int modeDepth);
// Deletes the entry's mode keys with their values.
void RemoveModeKeys(const ModeEntry *entry);
