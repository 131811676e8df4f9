// The whole registry (HKLM and HKCU) and the whole file tree of drive C as
// one sorted list of entries, to show that a run changed nothing but what it
// should have.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace remover_test {

// Entry name -> what it holds. Keys are "HKLM\path\", values
// "HKLM\path\\:name", files "C:\path" (size and time), folders "C:\path\".
typedef std::map<std::string, std::string> Snapshot;

// Everything but Wine's own bookkeeping (the list in snapshot.cpp).
Snapshot TakeSnapshot();
// A snapshot kept in a file, for a later process to compare with.
bool SaveSnapshot(const Snapshot &snapshot, const std::string &path);
bool LoadSnapshot(const std::string &path, Snapshot *snapshot);

struct SnapshotDiff {
    std::vector<std::string> removed, added, changed;
};
SnapshotDiff Compare(const Snapshot &before, const Snapshot &after);

// Case-insensitive: is entry at or below the key, folder or file "prefix"?
bool IsAtOrBelow(const std::string &entry, const std::string &prefix);

}  // namespace remover_test
