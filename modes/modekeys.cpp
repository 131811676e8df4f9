#include "modekeys.h"

#include "cfg.h"
#include "debuglog.h"

namespace {

enum {
    kModeNameSize = 32,
    kRateTextSize = 16,
};

const int kModeDepths[] = {8, 16, 32};

bool CoversDepth(const ModeEntry *entry, int modeDepth)
{
    return entry->depth == 0 || entry->depth == modeDepth;
}

// The "RefreshRate" of one mode key; false when there is none.
bool ReadStoredRate(const DriverKeys &keys, int depth, int width, int height, LONG *rate)
{
    char path[kPathSize];
    return FormatModeKeyPath(path, sizeof path, keys.modesKey, depth, width, height) &&
           CfgReadInt(keys.modesRoot, path, "RefreshRate", rate, 0);
}

void StoreInModeKey(const DriverKeys &keys, const char *modeKey, const char *rate)
{
    CfgWriteText(keys.modesRoot, modeKey, "", "");
    if (rate)
        CfgWriteText(keys.modesRoot, modeKey, "RefreshRate", rate);
    else
        CfgDeleteValue(keys.modesRoot, modeKey, "RefreshRate");
}

}  // namespace

int StoredDriverModeRate(const DriverKeys &keys, const DalEntry &entry)
{
    if (!keys.modesKey[0])
        return 0;
    int depth = 16;
    char path[kPathSize];
    if ((entry.depth == 8 || entry.depth == 32) &&
        FormatModeKeyPath(path, sizeof path, keys.modesKey, entry.depth, entry.width,
                          entry.height) &&
        CfgKeyExists(keys.modesRoot, path))
        depth = entry.depth;
    LONG rate = 0;
    ReadStoredRate(keys, depth, entry.width, entry.height, &rate);
    return rate;
}

int ReadDisplayModeKeys(const DriverKeys &keys, int width, int height, char *rates, DWORD size)
{
    LONG rate = 0;
    if (!ReadStoredRate(keys, 16, width, height, &rate))
        ReadStoredRate(keys, 32, width, height, &rate);
    rates[0] = '\0';
    char path[kPathSize];
    if (FormatModeKeyPath(path, sizeof path, keys.modesKey, 8, width, height))
        CfgReadText(keys.modesRoot, path, "", rates, size);
    return rate;
}

void StoreModeRate(const DriverKeys &keys, const ModeEntry *entry)
{
    char name[kModeNameSize];
    if (!keys.modesKey[0] || !FormatModeName(name, sizeof name, entry->width, entry->height))
        return;
    char rate[kRateTextSize];
    wsprintfA(rate, "%d", entry->refresh);
    for (int depth : kModeDepths) {
        char modeKey[kPathSize];
        // A key path that does not fit is not cut short into another key.
        if (CoversDepth(entry, depth) &&
            FormatModeKeyPathByName(modeKey, sizeof modeKey, keys.modesKey, depth, name))
            StoreInModeKey(keys, modeKey, entry->refresh ? rate : NULL);
    }
    if (entry->extra) {
        DebugLog("Custom Refresh string for DP (%s=>%s)", name, entry->refreshList);
        char modeKey[kPathSize];
        if (FormatModeKeyPathByName(modeKey, sizeof modeKey, keys.modesKey, 8, name))
            CfgWriteText(keys.modesRoot, modeKey, "", entry->refreshList);
    }
}

void RemoveModeKeys(const DriverKeys &keys, const ModeEntry *entry)
{
    char name[kModeNameSize];
    if (!keys.modesKey[0] || !FormatModeName(name, sizeof name, entry->width, entry->height))
        return;
    for (int depth : kModeDepths) {
        char modeKey[kPathSize], depthKey[kPathSize];
        if (!CoversDepth(entry, depth) ||
            !FormatModeKeyPathByName(modeKey, sizeof modeKey, keys.modesKey, depth, name) ||
            !FormatDepthKeyPath(depthKey, sizeof depthKey, keys.modesKey, depth))
            continue;
        // The key's default value stays until the key itself goes.
        CfgClearValues(keys.modesRoot, modeKey);
        CfgDeleteValue(keys.modesRoot, depthKey, name);
    }
}
