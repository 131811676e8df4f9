// The DAL mode lists in the driver's registry key: reading them, finding the
// list number, taking a resolution out of the restricted list and writing
// the non-standard list. The byte packing itself is in dalpack.h.
#pragma once
#include <windows.h>

#include "dalpack.h"
#include "driverkeys.h"

// A list as read: its entries in stored order. present is false when the
// value could not be read; a value of length 0 is present and empty.
struct DalList {
    bool present;
    int count;
    DalEntry *entries;  // a CfgAlloc block of count entries, or NULL
};

// Reads baseName (with number 1 to 9 appended, or none for 0) from the DAL
// key. Without a DAL key nothing is read. Release with FreeDalList.
bool ReadDalList(const DriverKeys &keys, const char *baseName, int number, DalList *list);
void FreeDalList(DalList *list);

// Tries DALNonStandardModesBCD9 down to DALNonStandardModesBCD1, then
// DALNonStandardModesBCD; sets the keys' DAL list number as each is tried,
// so it is 0 when none exists. The first list read is handed out (and traced
// to the debug log, two lines per entry).
bool FindDalListNumber(DriverKeys *keys, DalList *list);

// Rewrites the restricted list without the entries of this resolution (every
// depth and rate); nothing happens when the list cannot be read.
void RemoveRestrictedResolution(const DriverKeys &keys, int width, int height);

// Writes the non-standard list from the page's entries in the order given:
// every enabled extra mode, with refresh 0000. An entry with a field outside
// 0 to 9999 cannot be stored without corrupting the fields after it, so it is
// left out. The page shows a resolution once, for its first stored entry of
// the entry's depth: the other stored entries of an enabled extra mode's
// resolution follow that mode's entry byte for byte, in their stored order;
// a resolution switched off loses them all. Entries of the stored list that
// the page never shows as extra modes (no predefined row, and no extra mode
// of that resolution among entries) belong to the driver or another tool:
// they follow at the end, byte for byte and in their stored order, whatever
// the display reports. Only while a DAL key is known; returns whether it was
// written.
bool WriteNonStandardList(const DriverKeys &keys, const ModeEntry *entries, int count);
