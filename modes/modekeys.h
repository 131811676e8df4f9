// The mode keys: one small key per mode and depth under the page's modes
// key ("<modes key>\<depth>\<width>,<height>", depths 8, 16 and 32), where
// the display driver finds each mode's chosen refresh rate ("RefreshRate")
// and, in the 8-bpp key's default value, the rates it offers. Reading them
// as the list is built, writing them on Apply and removing them for a mode
// switched off all happen here; without a modes key nothing is read or
// written.
#pragma once
#include <windows.h>

#include "dalpack.h"
#include "driverkeys.h"

// Reading -------------------------------------------------------------------

// The rate stored for an entry of the driver's list: an entry of 8 or 32
// bpp has it in its own depth's key once that key exists; otherwise, and
// for every other depth, it is the 16-bpp key's. 0 when none is stored.
int StoredDriverModeRate(const DriverKeys &keys, const DalEntry &entry);
// What is stored for a mode the display reports: its refresh list, the
// 8-bpp key's default value, into rates (size bytes; empty when there is
// none), and as the result its rate, the 16-bpp key's, else the 32-bpp
// key's, else 0.
int ReadDisplayModeKeys(const DriverKeys &keys, int width, int height, char *rates, DWORD size);

// Writing and removing --------------------------------------------------------

// Into the key of each depth the entry covers (its own, or all three for
// depth 0), made when missing with an empty default value: its rate as
// "RefreshRate", or no "RefreshRate" for the driver's default (0). An extra
// mode also keeps its refresh list in the 8-bpp key's default value.
void StoreModeRate(const DriverKeys &keys, const ModeEntry *entry);
// Deletes the entry's mode keys with their values.
void RemoveModeKeys(const DriverKeys &keys, const ModeEntry *entry);
