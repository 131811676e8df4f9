// Quillan's library load and unload: the card is opened and the clock engine
// started once per process, whether the shell or a SetClocks caller loaded us.
#include <windows.h>

#include "settings.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        StartClockEngine();
        break;
    case DLL_PROCESS_DETACH:
        StopClockEngine();
        break;
    }
    return TRUE;
}
