// Serrafin as the kit sees it (the g_library table, serrafinlib.cpp), and the
// values the modes code spells out at compile time.
#pragma once
#include <windows.h>

#include "../skin/library.h"
#include "serrafinids.h"

#define LIBRARY_ROOT_KEY "Software\\Vantrel\\Modivane"

INT_PTR CALLBACK ModesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
