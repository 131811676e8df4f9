// The remover's own file. A running program cannot delete itself, so after
// a Destroy the remover has its file deleted at the next restart, by the
// means its Windows family offers: the [rename] section of WININIT.INI on
// the 9x family (whose MoveFileExA is a stub that fails), the pending
// file-rename list that MoveFileExA keeps on the NT family.
#include <windows.h>

#include "cfg.h"
#include "remover.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";
// The NT family names each file of its pending list in this form.
const char kNtPathPrefix[] = "\\??\\";
const int kNtPathPrefixLength = 4;
const char kRenameSection[] = "rename";
const char kDeleteKey[] = "NUL";
// The rewrite's files beside WININIT.INI: Morvask's temporary files.
const char kTempPrefix[] = "mvk";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Case-insensitive, as the system compares file and section names; length
// -1 for a terminated text. Nothing matches an empty text.
bool SameText(const char *text, int length, const char *other)
{
    return length != 0 &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, length, other, -1) ==
               CSTR_EQUAL;
}

// The system's text for an error, on one line and without its full stop.
void DescribeError(DWORD error, char *why, size_t size)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                  NULL, error, 0, why, (DWORD)size, NULL);
    if (length == 0 || length >= size) {
        FormatPath(why, size, "error %lu", (unsigned long)error);
        return;
    }
    while (length > 0 && (IsBlank(why[length - 1]) || why[length - 1] == '.' ||
                          why[length - 1] == '\r' || why[length - 1] == '\n'))
        --length;
    why[length] = '\0';
}

// Whether the NT family's pending list already deletes path: the path,
// then an empty target.
bool PendingDeletion(const char *path)
{
    BYTE *block;
    DWORD type, size;
    if (!CfgReadValueAlloc(HKEY_LOCAL_MACHINE, kSessionManager, kPendingRenames, &block, &type, &size))
        return false;
    bool found = false;
    // Zero bytes follow the data in the block, so every text ends inside it.
    const char *at = (const char *)block, *end = at + size;
    while (!found && at < end) {
        const char *source = at;
        at += lstrlenA(at) + 1;
        if (at >= end)
            break;
        const char *target = at;
        at += lstrlenA(at) + 1;
        found = !target[0] && lstrlenA(source) > kNtPathPrefixLength &&
                SameText(source, kNtPathPrefixLength, kNtPathPrefix) &&
                SameText(source + kNtPathPrefixLength, -1, path);
    }
    CfgFree(block);
    return found;
}

// One line of an INI text, without its line break and the blanks around it.
struct Line {
    const char *text;
    int length;
    DWORD next;  // where the following line starts
};

Line LineAt(const char *text, DWORD size, DWORD start)
{
    DWORD end = start;
    while (end < size && text[end] != '\n')
        ++end;
    Line line;
    line.next = end < size ? end + 1 : end;
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && (IsBlank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    line.text = text + start;
    line.length = (int)(end - start);
    return line;
}

// "key=value" with blanks allowed around both.
bool IsEntry(const Line &line, const char *key, const char *value)
{
    int equals = 0;
    while (equals < line.length && line.text[equals] != '=')
        ++equals;
    if (equals == line.length)
        return false;
    int keyEnd = equals, valueStart = equals + 1;
    while (keyEnd > 0 && IsBlank(line.text[keyEnd - 1]))
        --keyEnd;
    while (valueStart < line.length && IsBlank(line.text[valueStart]))
        ++valueStart;
    return SameText(line.text, keyEnd, key) &&
           SameText(line.text + valueStart, line.length - valueStart, value);
}

// "[name]", blanks allowed inside the brackets.
bool IsSection(const Line &line, const char *name)
{
    if (line.length < 2 || line.text[0] != '[')
        return false;
    int close = 1;
    while (close < line.length && line.text[close] != ']')
        ++close;
    int start = 1, end = close;
    while (start < end && IsBlank(line.text[start]))
        ++start;
    while (end > start && IsBlank(line.text[end - 1]))
        --end;
    return close < line.length && SameText(line.text + start, end - start, name);
}

enum Placement { kAlreadyThere, kInSection, kNewSection };

// Where the line "NUL=path" goes in WININIT.INI's text: after the last line
// of the first [rename] section that is not blank, or in a new section at
// the end. Any [rename] section may already hold it.
Placement PlaceDeletion(const char *text, DWORD size, const char *path, DWORD *at)
{
    int renameSections = 0;
    bool inRename = false;
    *at = size;
    for (DWORD start = 0; start < size;) {
        Line line = LineAt(text, size, start);
        start = line.next;
        if (line.length == 0)
            continue;
        if (line.text[0] == '[') {
            inRename = IsSection(line, kRenameSection);
            renameSections += inRename;
        } else if (!inRename) {
            continue;
        } else if (IsEntry(line, kDeleteKey, path)) {
            return kAlreadyThere;
        }
        if (inRename && renameSections == 1)
            *at = line.next;
    }
    return renameSections ? kInSection : kNewSection;
}

// The text's own line break: the first one it has, CR LF when it has none.
const char *LineBreak(const char *text, DWORD size)
{
    for (DWORD i = 0; i < size; ++i) {
        if (text[i] == '\n')
            return i > 0 && text[i - 1] == '\r' ? "\r\n" : "\n";
    }
    return "\r\n";
}

// Writes the pieces as a new file in folder and puts it in place of path.
// The old file (attributes other than INVALID_FILE_ATTRIBUTES: there is
// one) steps aside under a name of its own until the new one stands in its
// place, so that any failure leaves path as it was.
bool RewriteFile(const char *path, const char *folder, DWORD attributes, const char *const *pieces,
                 const DWORD *sizes, int count, DWORD *error)
{
    char fresh[kPathSize], old[kPathSize];
    if (!GetTempFileNameA(folder, kTempPrefix, 0, fresh)) {
        *error = GetLastError();
        return false;
    }
    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    bool ok = file != INVALID_HANDLE_VALUE;
    for (int i = 0; ok && i < count; ++i) {
        DWORD written = 0;
        ok = !sizes[i] || (WriteFile(file, pieces[i], sizes[i], &written, NULL) && written == sizes[i]);
    }
    if (!ok)
        *error = GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    bool hadOld = attributes != INVALID_FILE_ATTRIBUTES;
    if (ok && hadOld) {
        ok = GetTempFileNameA(folder, kTempPrefix, 0, old) && DeleteFileA(old) && MoveFileA(path, old);
        if (!ok)
            *error = GetLastError();
    }
    if (ok && !MoveFileA(fresh, path)) {
        *error = GetLastError();
        ok = false;
        if (hadOld)
            MoveFileA(old, path);
    }
    if (!ok) {
        DeleteFileA(fresh);
        return false;
    }
    if (hadOld) {
        DeleteFileA(old);
        SetFileAttributesA(path, attributes);
    }
    return true;
}

// The 9x family: "NUL=<short path>" in WININIT.INI's [rename] section,
// beside whatever the file holds. Not through the profile calls: they keep
// one value per key, and a second NUL= would replace another program's.
BOOL AddWininitDeletion(const char *path, char *why, size_t whySize)
{
    char shortPath[kPathSize], windows[kPathSize], ini[kPathSize];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length == 0) {
        DescribeError(GetLastError(), why, whySize);
        return FALSE;
    }
    UINT folderLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (folderLength == 0) {
        DescribeError(GetLastError(), why, whySize);
        return FALSE;
    }
    if (length >= sizeof shortPath || folderLength >= sizeof windows ||
        !FormatPath(ini, sizeof ini, "%s%sWININIT.INI", windows,
                    windows[folderLength - 1] == '\\' ? "" : "\\")) {
        DescribeError(ERROR_FILENAME_EXCED_RANGE, why, whySize);
        return FALSE;
    }
    // Someone made it read-only to keep it as it is.
    DWORD attributes = GetFileAttributesA(ini);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        lstrcpynA(why, "WININIT.INI is read-only", (int)whySize);
        return FALSE;
    }

    char *text = NULL;
    DWORD size = 0, error = ERROR_SUCCESS;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        HANDLE file = CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            DescribeError(GetLastError(), why, whySize);
            return FALSE;
        }
        size = GetFileSize(file, NULL);
        text = size != INVALID_FILE_SIZE ? (char *)CfgAlloc(size + 1) : NULL;
        DWORD read = 0;
        if (!text)
            error = ERROR_NOT_ENOUGH_MEMORY;
        else if (!ReadFile(file, text, size, &read, NULL))
            error = GetLastError();
        else if (read != size)
            error = ERROR_HANDLE_EOF;  // it shrank while it was read
        CloseHandle(file);
    }

    BOOL done = error == ERROR_SUCCESS;
    DWORD at = 0;
    Placement placement = kAlreadyThere;
    if (done)
        placement = PlaceDeletion(text, size, shortPath, &at);
    if (placement != kAlreadyThere) {
        const char *lineBreak = LineBreak(text, size);
        // A last line without its line break gets one before the new line.
        bool breakFirst = at > 0 && text[at - 1] != '\n';
        const char *pieces[] = {
            text, breakFirst ? lineBreak : "", placement == kNewSection ? "[rename]" : "",
            placement == kNewSection ? lineBreak : "", "NUL=", shortPath, lineBreak, text + at,
        };
        DWORD sizes[] = {at, 0, 0, 0, 0, 0, 0, size - at};
        for (int i = 1; i < 7; ++i)
            sizes[i] = (DWORD)lstrlenA(pieces[i]);
        done = RewriteFile(ini, windows, attributes, pieces, sizes, 8, &error);
    }
    CfgFree(text);
    if (!done)
        DescribeError(error, why, whySize);
    return done;
}

// Whether two folders are one, also when one is named by its short path.
bool SameFolder(const char *folder, const char *other)
{
    if (!lstrcmpiA(folder, other))
        return true;
    char shortFolder[kPathSize], shortOther[kPathSize];
    DWORD length = GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
    DWORD otherLength = GetShortPathNameA(other, shortOther, sizeof shortOther);
    return length && length < sizeof shortFolder && otherLength && otherLength < sizeof shortOther &&
           !lstrcmpiA(shortFolder, shortOther);
}

}  // namespace

BOOL DeleteAtRestart(const char *path, char *why, size_t whySize)
{
    why[0] = '\0';
    if (g_isWin9x)
        return AddWininitDeletion(path, why, whySize);
    if (PendingDeletion(path) || MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return TRUE;
    DescribeError(GetLastError(), why, whySize);
    return FALSE;
}

void ScheduleSelfRemoval(const char *systemDirectory)
{
    char self[kPathSize];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return;
    const char *name = self + length;
    while (name > self && name[-1] != '\\')
        --name;
    if (name == self)
        return;
    // Only where the family is installed: a remover run from anywhere else,
    // the unzipped release for one, keeps its file.
    char folder[kPathSize];
    lstrcpynA(folder, self, (int)(name - self));
    if (!SameFolder(folder, systemDirectory))
        return;
    char why[kPathSize];
    if (DeleteAtRestart(self, why, sizeof why))
        AddLogLine("%s will be deleted at the next restart", name);
    else
        AddLogLine("%s cannot be deleted at the next restart: %s", name, why);
}
