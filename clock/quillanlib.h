// Quillan as the kit sees it (the g_library table, quillanlib.cpp), and the
// values the clock code spells out at compile time.
#pragma once
#include <windows.h>

#include "../skin/library.h"
#include "quillanids.h"

#define LIBRARY_ROOT_KEY "Software\\Vantrel\\ATI Radeon Tachyra"

INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
