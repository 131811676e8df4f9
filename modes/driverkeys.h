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

// What a modes page finds of the driver's keys, kept on the page and handed
// to whatever reads or writes them.
struct DriverKeys {
    // The driver's Modes key (root HKEY_LOCAL_MACHINE) or the fall-back
    // "Software\Vantrel\Modivane\Modes" (root HKEY_CURRENT_USER); empty when
    // neither exists. Found as the page initialises, and again whenever a
    // countdown has come up.
    char modesKey[kPathSize];
    HKEY modesRoot;
    // The key holding the DAL lists, under HKEY_LOCAL_MACHINE; empty when
    // none was found. Found at every build of the page's list.
    char dalKey[kPathSize];
    // The number shared by both lists' value names (0 to 9), found by
    // FindDalListNumber (dalcodec.h); 0 until then and when no list was found.
    int dalListNumber;
};

// Each sets its keys from the registry as it is now, and traces the search
// to the debug log.
void FindModesKey(DriverKeys *keys);
void FindDalKey(DriverKeys *keys);

// Where the search looks, under HKEY_LOCAL_MACHINE.
#define DEVICE_TREE_XP "System\\CurrentControlSet\\Enum\\PCI"
#define DEVICE_TREE "Enum\\PCI"
#define DRIVER_CLASS_ROOT "System\\CurrentControlSet\\Services\\Class"
#define ATI_DRIVER_ROOT "Software\\ATI Technologies\\Driver"
#define ATI_SERVICE_KEY "SYSTEM\\CurrentControlSet\\Services\\ati2mtag"
#define VIDEO_ROOT "System\\CurrentControlSet\\Control\\Video"
