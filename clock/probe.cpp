#include "probe.h"

HANDLE g_probe = INVALID_HANDLE_VALUE;
bool g_driverAvailable;

namespace {

bool SendRequest(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize)
{
    if (!g_driverAvailable)
        return false;
    DWORD returned = 0;
    return DeviceIoControl(g_probe, code, in, inSize, out, outSize, &returned, NULL) != FALSE;
}

DWORD ReadWord(DWORD code, DWORD where, bool *read = NULL)
{
    DWORD buffer = where;
    bool answered = SendRequest(code, &buffer, sizeof buffer, &buffer, sizeof buffer);
    if (read)
        *read = answered;
    return answered ? buffer : 0;
}

void WriteMasked(DWORD code, DWORD where, DWORD mask, DWORD value)
{
    DWORD request[3] = {where, mask, value};
    SendRequest(code, request, sizeof request, NULL, 0);
}

}  // namespace

bool OpenProbeDriver()
{
    g_probe = CreateFileA("\\\\.\\zintrel.vxd", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    g_driverAvailable = g_probe != INVALID_HANDLE_VALUE;
    return g_driverAvailable;
}

void CloseProbeDriver()
{
    if (g_probe != INVALID_HANDLE_VALUE)
        CloseHandle(g_probe);
    g_probe = INVALID_HANDLE_VALUE;
    g_driverAvailable = false;
}

DWORD ProbeReadRegister(DWORD offset, bool *read)
{
    return ReadWord(kProbeReadRegister, offset, read);
}

void ProbeWriteRegister(DWORD offset, DWORD mask, DWORD value)
{
    WriteMasked(kProbeWriteRegister, offset, mask, value);
}

DWORD ProbeReadPll(DWORD index, bool *read)
{
    return ReadWord(kProbeReadPll, index, read);
}

void ProbeWritePll(DWORD index, DWORD mask, DWORD value)
{
    WriteMasked(kProbeWritePll, index, mask, value);
}

bool ProbeReadBios(DWORD offset, void *buffer, DWORD size)
{
    ZeroMemory(buffer, size);
    DWORD request = offset;
    if (size == sizeof request) {
        // Short reads go through the one buffer, as the driver expects.
        if (!SendRequest(kProbeReadBios, &request, sizeof request, &request, sizeof request))
            return false;
        CopyMemory(buffer, &request, sizeof request);
        return true;
    }
    if (SendRequest(kProbeReadBios, &request, sizeof request, buffer, size))
        return true;
    ZeroMemory(buffer, size);
    return false;
}
