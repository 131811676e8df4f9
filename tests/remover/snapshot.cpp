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

// Keys the walk steps over: Perflib\009 cannot be walked under Wine (the
// walk never ends), and CurrentControlSet is a link to ControlSet001, which
// is walked under its own name.
bool SkippedKey(const std::string &path)
{
    return IsAtOrBelow(path, "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009") ||
           IsAtOrBelow(path, "HKLM\\System\\CurrentControlSet");
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
        char kind[16];
        snprintf(kind, sizeof kind, "%lu:", (unsigned long)type);
        (*snapshot)[path + "\\\\:" + name] = kind + Hex(data.data(), dataSize);
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

}  // namespace remover_test
