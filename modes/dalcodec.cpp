#include "dalcodec.h"

#include "cfg.h"
#include "debuglog.h"

namespace {

// Both list names are at most 23 characters with their number.
enum { kValueNameSize = 32 };

// A stored entry of a predefined resolution (or of any extra mode the page
// lists) is the page's to write or leave out. A display mode of the same
// resolution does not count: the driver normally reports a mode because its
// list holds it, and dropping the entry would take the mode away.
bool ShownByPage(const DalEntry &stored, const ModeEntry *entries, int count)
{
    if (FindPredefinedMode(stored.width, stored.height) >= 0)
        return true;
    for (int i = 0; i < count; ++i) {
        if (entries[i].extra && entries[i].width == stored.width &&
            entries[i].height == stored.height)
            return true;
    }
    return false;
}

}  // namespace

bool ReadDalList(const DriverKeys &keys, const char *baseName, int number, DalList *list)
{
    list->present = false;
    list->count = 0;
    list->entries = NULL;
    char name[kValueNameSize];
    // With no DAL key the path would be empty, and an empty path is
    // HKEY_LOCAL_MACHINE itself.
    if (!keys.dalKey[0] || !FormatDalValueName(name, sizeof name, baseName, number))
        return false;
    BYTE *block;
    DWORD type, size;
    if (!CfgReadValueAlloc(HKEY_LOCAL_MACHINE, keys.dalKey, name, &block, &type, &size))
        return false;
    size_t count = CountDalEntries(block, size);
    list->entries = (DalEntry *)CfgAlloc((count + 1) * sizeof(DalEntry));
    if (list->entries) {
        // One pass: a driver list may hold thousands of entries.
        for (size_t i = 0; i < count; ++i)
            DecodeDalEntryAt(block, size, i * kDalEntrySize, &list->entries[i]);
        list->count = (int)count;
        list->present = true;
    }
    CfgFree(block);
    return list->present;
}

void FreeDalList(DalList *list)
{
    CfgFree(list->entries);
    list->entries = NULL;
    list->count = 0;
    list->present = false;
}

bool FindDalListNumber(DriverKeys *keys, DalList *list)
{
    int &number = keys->dalListNumber;
    for (number = kDalMaxListNumber; number >= 0; --number) {
        if (ReadDalList(*keys, DAL_NON_STANDARD_MODES, number, list))
            break;
    }
    if (number < 0) {
        number = 0;
        return false;
    }
    for (int i = 0; i < list->count; ++i) {
        const DalEntry &entry = list->entries[i];
        const BYTE *b = entry.bytes;
        DebugLog("%x %x %x %x %x %x %x %x", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
        DebugLog("%d, %d, %d, %d", entry.width, entry.height, entry.depth, entry.refresh);
    }
    return true;
}

void RemoveRestrictedResolution(const DriverKeys &keys, int width, int height)
{
    DalList list;
    if (!ReadDalList(keys, DAL_RESTRICTED_MODES, keys.dalListNumber, &list))
        return;
    char name[kValueNameSize];
    BYTE *kept = (BYTE *)CfgAlloc(list.count * kDalEntrySize + kDalEntrySize);
    if (kept && FormatDalValueName(name, sizeof name, DAL_RESTRICTED_MODES, keys.dalListNumber)) {
        DWORD size = 0;
        for (int i = 0; i < list.count; ++i) {
            const DalEntry &entry = list.entries[i];
            if (entry.width == width && entry.height == height)
                continue;
            CopyMemory(kept + size, entry.bytes, kDalEntrySize);
            size += kDalEntrySize;
        }
        // Rewritten even when nothing was taken out.
        CfgWriteValue(HKEY_LOCAL_MACHINE, keys.dalKey, name, kept, REG_BINARY, size);
    }
    CfgFree(kept);
    FreeDalList(&list);
}

bool WriteNonStandardList(const DriverKeys &keys, const ModeEntry *entries, int count)
{
    char name[kValueNameSize];
    if (!keys.dalKey[0] || count < 0 ||
        !FormatDalValueName(name, sizeof name, DAL_NON_STANDARD_MODES, keys.dalListNumber))
        return false;
    DalList stored;
    ReadDalList(keys, DAL_NON_STANDARD_MODES, keys.dalListNumber, &stored);
    // The list being made, then one flag per stored entry: it has gone out,
    // or the page's entry of its mode stands for it. Each goes out once.
    SIZE_T listSize = ((SIZE_T)count + (SIZE_T)stored.count + 1) * kDalEntrySize;
    BYTE *data = (BYTE *)CfgAlloc(listSize + (SIZE_T)stored.count);
    if (!data) {
        FreeDalList(&stored);
        return false;
    }
    bool *claimed = (bool *)(data + listSize);
    DWORD size = 0;
    for (int i = 0; i < count; ++i) {
        const ModeEntry &entry = entries[i];
        if (!entry.extra || !entry.enabled)
            continue;
        if (EncodeDalEntry(entry.width, entry.height, entry.depth, data + size))
            size += kDalEntrySize;
        // The page lists a resolution once, from its first stored entry of
        // the entry's depth; the driver's other entries of that resolution
        // stay, as they were, for as long as it stays on.
        bool represented = false;
        for (int s = 0; s < stored.count; ++s) {
            const DalEntry &other = stored.entries[s];
            if (claimed[s] || other.width != entry.width || other.height != entry.height)
                continue;
            claimed[s] = true;
            if (!represented && other.depth == entry.depth) {
                represented = true;
                continue;
            }
            CopyMemory(data + size, other.bytes, kDalEntrySize);
            size += kDalEntrySize;
        }
    }
    for (int i = 0; i < stored.count; ++i) {
        if (claimed[i] || ShownByPage(stored.entries[i], entries, count))
            continue;
        CopyMemory(data + size, stored.entries[i].bytes, kDalEntrySize);
        size += kDalEntrySize;
    }
    FreeDalList(&stored);
    BOOL written = CfgWriteValue(HKEY_LOCAL_MACHINE, keys.dalKey, name, data, REG_BINARY, size);
    CfgFree(data);
    return written != FALSE;
}
