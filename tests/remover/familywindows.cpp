// Stands in for the family's running programs: the Pellomar tray window and
// the Vantrel launcher's window, with the classes and titles the remover
// looks for. Each records in the spy block when it is told to go and when
// its window is gone.
//
//   family_windows.exe [tray] [launcher] [stubborn] [launcher-delay=MS]
//
// "stubborn" makes the launcher ignore the request. The program signals the
// event "VantrelTestsFamilyReady" once its windows exist, and ends when they
// are all gone.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "spy.h"

namespace {

const UINT_PTR kLauncherTimer = 1;
const UINT kGoMessage = WM_APP + 1;

HWND g_tray;
HWND g_launcher;
bool g_stubborn;
UINT g_launcherDelay = 1500;
int g_windows;

void WindowGone()
{
    if (--g_windows == 0)
        PostQuitMessage(0);
}

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        if (window != g_tray)
            break;
        if (InSendMessage()) {
            // Told to go by another program: leave once its call returns.
            spy::Record(spy::kTrayToldToGo);
            PostMessageA(window, kGoMessage, 0, 0);
        } else {
            spy::Record(spy::kTrayGone);
            g_tray = NULL;
            WindowGone();
        }
        return 0;
    case kGoMessage:
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LauncherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        if (window != g_launcher)
            break;
        if (InSendMessage()) {
            spy::Record(spy::kLauncherToldToGo);
            if (!g_stubborn)
                SetTimer(window, kLauncherTimer, g_launcherDelay, NULL);
        } else {
            spy::Record(spy::kLauncherGone);
            g_launcher = NULL;
            WindowGone();
        }
        return 0;
    case WM_TIMER:
        KillTimer(window, kLauncherTimer);
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateFamilyWindow(const char *className, const char *title, WNDPROC procedure)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    // Hidden top-level windows, as tray programs keep them.
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                                  NULL, GetModuleHandleA(NULL), NULL);
    if (window)
        ++g_windows;
    return window;
}

}  // namespace

int main(int argc, char **argv)
{
    bool tray = false, launcher = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "tray"))
            tray = true;
        else if (!strcmp(argv[i], "launcher"))
            launcher = true;
        else if (!strcmp(argv[i], "stubborn"))
            g_stubborn = true;
        else if (!strncmp(argv[i], "launcher-delay=", 15))
            g_launcherDelay = (UINT)atoi(argv[i] + 15);
    }
    if (tray)
        g_tray = CreateFamilyWindow("Pellomar Tray Class", "Pellomar", TrayProc);
    if (launcher)
        g_launcher = CreateFamilyWindow("Vantrel Class", "Vantrel", LauncherProc);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, "VantrelTestsFamilyReady");
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    if (g_windows == 0)
        return 1;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
