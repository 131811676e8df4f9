#include "driverkeys.h"

#include "cfg.h"
#include "debuglog.h"
#include "digits.h"
#include "keypath.h"
#include "serrafinlib.h"

WindowsBranch g_platformBranch;
char *g_deviceKeys[kMaxDeviceKeys];
int g_deviceKeyCount;

namespace {

const char kModesFallback[] = LIBRARY_ROOT_KEY "\\Modes";


char LastChar(const char *text)
{
    size_t length = lstrlenA(text);
    return length ? text[length - 1] : '\0';
}

bool SameTextIgnoringCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? (char)(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? (char)(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

bool StartsWith(const char *text, const char *prefix)
{
    while (*prefix) {
        if (*text++ != *prefix++)
            return false;
    }
    return true;
}

// Device discovery --------------------------------------------------------

BOOL AddDisplayInstance(LONG_PTR nameArgument, LONG_PTR deviceKeyArgument)
{
    const char *name = (const char *)nameArgument;
    char instanceKey[kPathSize];
    // An instance whose path does not fit is passed over: cut short, it
    // could name another instance of the same device.
    if (!FormatPath(instanceKey, sizeof instanceKey, "%s\\%s", (const char *)deviceKeyArgument,
                    name))
        return TRUE;
    char deviceClass[kPathSize];
    if (!CfgReadText(HKEY_LOCAL_MACHINE, instanceKey, "Class", deviceClass, sizeof deviceClass) ||
        !SameTextIgnoringCase(deviceClass, "Display"))
        return TRUE;
    char *copy = (char *)CfgAlloc(lstrlenA(instanceKey) + 1);
    if (!copy)
        return FALSE;
    lstrcpynA(copy, instanceKey, lstrlenA(instanceKey) + 1);
    g_deviceKeys[g_deviceKeyCount++] = copy;
    return g_deviceKeyCount < kMaxDeviceKeys;
}

BOOL WalkDevice(LONG_PTR nameArgument, LONG_PTR treeArgument)
{
    const char *name = (const char *)nameArgument;
    if (!name[0])
        return TRUE;
    char deviceKey[kPathSize];
    if (!FormatPath(deviceKey, sizeof deviceKey, "%s\\%s", (const char *)treeArgument, name))
        return TRUE;
    CfgEnumerate(HKEY_LOCAL_MACHINE, deviceKey, kCfgWalkSubKeys, AddDisplayInstance,
                 (LONG_PTR)deviceKey);
    return g_deviceKeyCount < kMaxDeviceKeys;
}

// DAL key ------------------------------------------------------------------

// What a DAL key walk looks for below its parent key, and where it puts
// what it finds.
struct DalSearch {
    const char *parent;
    bool (*matches)(const char *name);
    const char *suffix;  // behind parent\name: "\DAL" on the 9x family, else ""
    DriverKeys *keys;
};

bool Matches9x(const char *name)
{
    return IsDigit(name[0]);
}

bool Matches2000(const char *name)
{
    return IsDigit(LastChar(name)) && StartsWith(name, "Device");
}

bool MatchesXP(const char *name)
{
    return IsDigit(LastChar(name)) && StartsWith(name, "000");
}

BOOL ExamineDalCandidate(LONG_PTR nameArgument, LONG_PTR searchArgument)
{
    const char *name = (const char *)nameArgument;
    const DalSearch *search = (const DalSearch *)searchArgument;
    if (!name[0])
        return TRUE;
    DebugLog("%s", name);
    if (!search->matches(name))
        return TRUE;
    // A name whose key path does not fit cannot be reached; the walk goes on.
    return !FormatPath(search->keys->dalKey, sizeof search->keys->dalKey, "%s\\%s%s",
                       search->parent, name, search->suffix);
}

void SearchDalKey(DriverKeys *keys, const char *parent, bool (*matches)(const char *),
                  const char *suffix)
{
    DalSearch search = {parent, matches, suffix, keys};
    CfgEnumerate(HKEY_LOCAL_MACHINE, parent, kCfgWalkSubKeys, ExamineDalCandidate,
                 (LONG_PTR)&search);
}

void SearchDalKeyXP(DriverKeys *keys)
{
    if (g_deviceKeyCount == 0)
        return;
    char parameters[kPathSize];
    char videoId[kPathSize];
    char videoKey[kPathSize];
    if (!FormatPath(parameters, sizeof parameters, "%s\\Device Parameters", g_deviceKeys[0]) ||
        !CfgReadText(HKEY_LOCAL_MACHINE, parameters, "VideoID", videoId, sizeof videoId) ||
        !FormatPath(videoKey, sizeof videoKey, "%s\\%s", VIDEO_ROOT, videoId))
        return;
    DebugLog("%s", videoKey);
    SearchDalKey(keys, videoKey, MatchesXP, "");
}

}  // namespace

void DetectPlatformBranch()
{
    g_platformBranch = DetectWindowsBranch();
}

void FreeDeviceKeys()
{
    for (int i = 0; i < g_deviceKeyCount; ++i) {
        CfgFree(g_deviceKeys[i]);
        g_deviceKeys[i] = NULL;
    }
    g_deviceKeyCount = 0;
}

void DiscoverDeviceKeys()
{
    FreeDeviceKeys();
    DetectPlatformBranch();
    const char *tree = g_platformBranch == kWindowsXP ? DEVICE_TREE_XP : DEVICE_TREE;
    CfgEnumerate(HKEY_LOCAL_MACHINE, tree, kCfgWalkSubKeys, WalkDevice, (LONG_PTR)tree);
}

void FindModesKey(DriverKeys *keys)
{
    char *modesKey = keys->modesKey;
    modesKey[0] = '\0';
    if (g_deviceKeyCount > 0) {
        keys->modesRoot = HKEY_LOCAL_MACHINE;
        char driver[kPathSize];
        // A driver value too long for the path gives no modes key at all
        // rather than a cut one.
        if (CfgReadText(HKEY_LOCAL_MACHINE, g_deviceKeys[0], "Driver", driver, sizeof driver) &&
            (!FormatPath(modesKey, kPathSize, "%s\\%s\\Modes", DRIVER_CLASS_ROOT, driver) ||
             !CfgKeyExists(HKEY_LOCAL_MACHINE, modesKey)))
            modesKey[0] = '\0';
    }
    if (!modesKey[0] && CfgKeyExists(HKEY_CURRENT_USER, kModesFallback)) {
        keys->modesRoot = HKEY_CURRENT_USER;
        lstrcpynA(modesKey, kModesFallback, kPathSize);
    }
    DebugLog("Display Key=>%s", modesKey[0] ? modesKey : "???");
}

void FindDalKey(DriverKeys *keys)
{
    keys->dalKey[0] = '\0';
    switch (g_platformBranch) {
    case kWindows9x:
        SearchDalKey(keys, ATI_DRIVER_ROOT, Matches9x, "\\DAL");
        break;
    case kWindows2000:
        SearchDalKey(keys, ATI_SERVICE_KEY, Matches2000, "");
        break;
    case kWindowsXP:
        SearchDalKeyXP(keys);
        break;
    case kOtherWindows:
        break;
    }
    DebugLog("Key %s", keys->dalKey[0] ? keys->dalKey : "Not found");
}
