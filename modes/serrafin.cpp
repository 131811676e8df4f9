// Serrafin's library load and unload: the Windows branch, the debug switch
// and the display devices' keys are found once per process, before the shell
// asks for anything.
#include <windows.h>

#include "debuglog.h"
#include "driverkeys.h"
#include "page.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        ResetPageObjectCount();
        FreeDeviceKeys();
        DetectPlatformBranch();
        LoadDebugSwitch();
        DiscoverDeviceKeys();
        break;
    case DLL_PROCESS_DETACH:
        FreeDeviceKeys();
        break;
    }
    return TRUE;
}
