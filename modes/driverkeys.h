// Where the display driver keeps what the modes page edits: the display
// devices' instance keys, the driver's Modes key and the ATI driver's DAL
// key, found at run time on the Windows 9x family, Windows 2000 and XP.
#pragma once
#include <windows.h>

#include "../cfg/cfg.h"
#include "../cfg/platform.h"

// The platform branch, one per process: detected at library load and again
// as a page is made.
extern WindowsBranch g_platformBranch;
void DetectPlatformBranch();

// Display-class device instance keys under HKEY_LOCAL_MACHINE, in discovery
// order; only the first is used. Each is a CfgAlloc copy.
enum { kMaxDeviceKeys = 9 };
extern char *g_deviceKeys[kMaxDeviceKeys];
extern int g_deviceKeyCount;
// Empties the table, detects the branch and fills the table again.
void DiscoverDeviceKeys();
// Frees every entry and sets the count to 0.
void FreeDeviceKeys();

// The driver's Modes key (root HKEY_LOCAL_MACHINE) or the fall-back
// "Software\Vantrel\Modivane\Modes" (root HKEY_CURRENT_USER); empty when
// neither exists.
extern char g_modesKey[kPathSize];
extern HKEY g_modesRoot;
void FindModesKey();

// The key holding the DAL lists, under HKEY_LOCAL_MACHINE; empty when none
// was found.
extern char g_dalKey[kPathSize];
void FindDalKey();

// Where the search looks, under HKEY_LOCAL_MACHINE.
#define DEVICE_TREE_XP "System\\CurrentControlSet\\Enum\\PCI"
#define DEVICE_TREE "Enum\\PCI"
#define DRIVER_CLASS_ROOT "System\\CurrentControlSet\\Services\\Class"
#define ATI_DRIVER_ROOT "Software\\ATI Technologies\\Driver"
#define ATI_SERVICE_KEY "SYSTEM\\CurrentControlSet\\Services\\ati2mtag"
#define VIDEO_ROOT "System\\CurrentControlSet\\Control\\Video"
