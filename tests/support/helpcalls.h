// What the recording stand-in for hhctrl.ocx saw: one record per HtmlHelpA
// call, read by the tests through its export "RecordedHelpCalls".
#pragma once
#include <windows.h>

struct HelpCall {
    HWND owner;
    UINT command;
    bool hasFile;
    char file[MAX_PATH];
    // HH_DISPLAY_TEXT_POPUP: the popup record as it came.
    int popupSize;
    HINSTANCE popupInstance;
    UINT popupStringId;
    char text[1024];
    POINT point;
    COLORREF foreground, background;
    RECT margins;
    char font[128];
};

// Copies up to max records into calls and returns how many there are;
// with clear, forgets them afterwards.
typedef int (*RecordedHelpCallsProc)(HelpCall *calls, int max, BOOL clear);

// The value the stand-in returns from HtmlHelpA, so that callers can be
// seen passing it on.
#define STANDIN_HELP_WINDOW ((HWND)(INT_PTR)0x4E1F)
