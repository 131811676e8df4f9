// A recording stand-in for hhctrl.ocx. Wine's own HTML Help cannot show text
// popups and refuses help files it cannot open; tests that look at context
// help put this one in their folder and tell Wine to prefer it.
#include <windows.h>
#include <htmlhelp.h>
#include <string.h>

#include "helpcalls.h"

namespace {
const int kMaxCalls = 64;
HelpCall g_calls[kMaxCalls];
int g_count;
}  // namespace

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command,
                                                       DWORD_PTR data)
{
    if (g_count == kMaxCalls)
        return NULL;
    HelpCall &call = g_calls[g_count++];
    ZeroMemory(&call, sizeof call);
    call.owner = owner;
    call.command = command;
    call.hasFile = file != NULL;
    if (file)
        lstrcpynA(call.file, file, sizeof call.file);
    if (command == HH_DISPLAY_TEXT_POPUP && data) {
        const HH_POPUP *popup = (const HH_POPUP *)data;
        call.popupSize = popup->cbStruct;
        call.popupInstance = popup->hinst;
        call.popupStringId = popup->idString;
        if (popup->pszText)
            lstrcpynA(call.text, popup->pszText, sizeof call.text);
        call.point = popup->pt;
        call.foreground = popup->clrForeground;
        call.background = popup->clrBackground;
        call.margins = popup->rcMargins;
        if (popup->pszFont)
            lstrcpynA(call.font, popup->pszFont, sizeof call.font);
    }
    return STANDIN_HELP_WINDOW;
}

extern "C" __declspec(dllexport) int RecordedHelpCalls(HelpCall *calls, int max, BOOL clear)
{
    int count = g_count;
    for (int i = 0; i < count && i < max; ++i)
        calls[i] = g_calls[i];
    if (clear)
        g_count = 0;
    return count;
}
