#include "snapshot.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace remover_test {

namespace {

std::string Hex(const BYTE *data, DWORD size)
{
    std::string text;
    char pair[4];
    for (DWORD i = 0; i < size; ++i) {
        snprintf(pair, sizeof pair, "%02x", data[i]);
        text += pair;
    }
    return text;
}

// Wine's own bookkeeping, which Wine changes by itself and no install or
// removal touches: the one list of what a snapshot leaves out, each entry
// with everything below it (a value is "key\\:name").
const char *const kWineBookkeeping[] = {
    // Performance counter names: under Wine the walk of this key never ends.
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009",
    // user32's volatile copies of the system parameters, which the first
    // program with a window makes.
    "HKCU\\Software\\Wine\\Temporary System Parameters",
    // The display adapter's keys: volatile, made afresh under a new id by
    // every session ...
    "HKLM\\System\\ControlSet001\\Control\\Video",
    // ... and the driver date each session stamps on the display's class key.
    "HKLM\\System\\ControlSet001\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000\\\\:"
    "DriverDateData",
    // What a restart keeps of the WININIT.INI it carried out, as the 9x
    // family's WININIT.EXE does.
    "C:\\windows\\wininit.bak",
};

bool IsBookkeeping(const std::string &entry)
{
    for (const char *prefix : kWineBookkeeping)
        if (IsAtOrBelow(entry, prefix))
            return true;
    return false;
}

// CurrentControlSet is a link to ControlSet001, which is walked under its
// own name.
bool SkippedKey(const std::string &path)
{
    return IsBookkeeping(path) || IsAtOrBelow(path, "HKLM\\System\\CurrentControlSet");
}

void WalkKey(HKEY key, const std::string &path, Snapshot *snapshot)
{
    (*snapshot)[path + "\\"] = "";
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name, type, dataSize = (DWORD)data.size();
        LONG status = RegEnumValueA(key, i, name, &nameSize, NULL, &type, data.data(), &dataSize);
        if (status == ERROR_MORE_DATA) {
            data.resize(dataSize);
            --i;
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        std::string entry = path + "\\\\:" + name;
        if (IsBookkeeping(entry))
            continue;
        char kind[16];
        snprintf(kind, sizeof kind, "%lu:", (unsigned long)type);
        (*snapshot)[entry] = kind + Hex(data.data(), dataSize);
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        std::string child = path + "\\" + name;
        if (SkippedKey(child))
            continue;
        HKEY handle;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
            (*snapshot)[child + "\\"] = "(cannot open)";
            continue;
        }
        WalkKey(handle, child, snapshot);
        RegCloseKey(handle);
    }
}

void WalkFolder(const std::string &folder, Snapshot *snapshot)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
            continue;
        std::string path = folder + "\\" + found.cFileName;
        if (IsBookkeeping(path))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*snapshot)[path + "\\"] = "";
            // Links (the profile's links into the Unix home) are not followed.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                WalkFolder(path, snapshot);
            continue;
        }
        char details[64];
        snprintf(details, sizeof details, "%lu %lu:%lu", (unsigned long)found.nFileSizeLow,
                 (unsigned long)found.ftLastWriteTime.dwHighDateTime,
                 (unsigned long)found.ftLastWriteTime.dwLowDateTime);
        (*snapshot)[path] = details;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

bool IsAtOrBelow(const std::string &entry, const std::string &prefix)
{
    if (entry.size() < prefix.size() || _strnicmp(entry.c_str(), prefix.c_str(), prefix.size()))
        return false;
    return entry.size() == prefix.size() || entry[prefix.size()] == '\\';
}

Snapshot TakeSnapshot()
{
    Snapshot snapshot;
    WalkKey(HKEY_LOCAL_MACHINE, "HKLM", &snapshot);
    WalkKey(HKEY_CURRENT_USER, "HKCU", &snapshot);
    WalkFolder("C:", &snapshot);
    return snapshot;
}

SnapshotDiff Compare(const Snapshot &before, const Snapshot &after)
{
    SnapshotDiff diff;
    for (const auto &entry : before) {
        auto found = after.find(entry.first);
        if (found == after.end())
            diff.removed.push_back(entry.first);
        else if (found->second != entry.second)
            diff.changed.push_back(entry.first);
    }
    for (const auto &entry : after)
        if (!before.count(entry.first))
            diff.added.push_back(entry.first);
    return diff;
}

bool SaveSnapshot(const Snapshot &snapshot, const std::string &path)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    // Sizes first: names and data may hold any byte.
    for (const auto &entry : snapshot) {
        fprintf(file, "%u %u\n", (unsigned)entry.first.size(), (unsigned)entry.second.size());
        fwrite(entry.first.data(), 1, entry.first.size(), file);
        fwrite(entry.second.data(), 1, entry.second.size(), file);
    }
    return fclose(file) == 0;
}

bool LoadSnapshot(const std::string &path, Snapshot *snapshot)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bool ok = true;
    char header[64];
    unsigned nameSize, dataSize;
    while (ok && fgets(header, sizeof header, file)) {
        ok = sscanf(header, "%u %u", &nameSize, &dataSize) == 2;
        std::string name(nameSize, '\0'), data(dataSize, '\0');
        ok = ok && fread(&name[0], 1, nameSize, file) == nameSize &&
             fread(&data[0], 1, dataSize, file) == dataSize;
        if (ok)
            (*snapshot)[name] = data;
    }
    fclose(file);
    return ok && !snapshot->empty();
}

}  // namespace remover_test
