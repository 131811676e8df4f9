// The probe driver: the card's memory-mapped registers, its indirect PLL
// registers and its video BIOS image are reached only through these requests.
#pragma once
#include <windows.h>

// CTL_CODE(0x9C40, function, METHOD_BUFFERED, FILE_READ_ACCESS)
enum : DWORD {
    kProbeReadRegister = 0x9C406404,
    kProbeWriteRegister = 0x9C406408,
    kProbeReadPll = 0x9C40640C,
    kProbeWritePll = 0x9C406410,
    kProbeReadBios = 0x9C406414,
};

extern HANDLE g_probe;
extern bool g_driverAvailable;

// Opened once at library load; false when the driver is not there.
bool OpenProbeDriver();
void CloseProbeDriver();

// A read the driver refuses yields 0 rather than the request word that is
// still in the buffer: 0 is a value every reader treats as "nothing known"
// (no divider, no preset), whereas the request word would pass for a
// register's contents. read, when given, says whether the driver answered.
DWORD ProbeReadRegister(DWORD offset, bool *read = NULL);
void ProbeWriteRegister(DWORD offset, DWORD mask, DWORD value);
DWORD ProbeReadPll(DWORD index, bool *read = NULL);
void ProbeWritePll(DWORD index, DWORD mask, DWORD value);
// Reads size bytes of the BIOS image from offset. The buffer is zeroed
// first, so a refused read leaves zeros; the result says whether it was read.
bool ProbeReadBios(DWORD offset, void *buffer, DWORD size);
