// The modes page: its dialog procedure (handed to page creation through
// skin/library.h) and the release of its list, which the skin's release
// runs when the sheet is cancelled.
#pragma once
#include <windows.h>
#include <commctrl.h>

// The page's list view and its image list, while the page exists.
extern HWND g_modeList;
extern HIMAGELIST g_modeImages;

// Empties the mode list and destroys its image list.
void ReleaseModeList();
