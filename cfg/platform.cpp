#include "platform.h"

#include <windows.h>

WindowsBranch DetectWindowsBranch()
{
    OSVERSIONINFOA version;
    static_assert(sizeof version == 148, "OSVERSIONINFOA is 148 bytes");
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        return kOtherWindows;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return kWindows9x;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5)
        return version.dwMinorVersion == 1 ? kWindowsXP : kWindows2000;
    return kOtherWindows;
}
