// The removal catalogue: everything the family leaves on a
// machine, named one by one, and removed in a fixed order. Nothing is found
// by searching except what lies inside a key that is removed.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "cfg.h"
#include "remover.h"

namespace {

const char kSheetRootNt[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Display\\ShellEx\\"
    "PropertySheetHandlers";
const char kSheetRoot9x[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Device\\ShellEx\\"
    "PropertySheetHandlers";
const char kApprovedRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kRunRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kServicesRoot[] = "SYSTEM\\CurrentControlSet\\Services";
const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kSharedDllRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kUserSoftwareRoot[] = "Software";
const char kTweakRoot[] = "Software\\Pellomar";
const char kClassesRoot[] = "CLSID";

// The family's shell extensions: the clock tab, the modes tab and the
// tweaking program's.
const char kClockTabClass[] = "{2B8E07C4-9F51-4a36-A3E8-D41F6B29C075}";
const char kModesTabClass[] = "{81D3F6B2-4C07-4e19-8B2D-5A7E90C3D614}";
const char kTweakClass[] = "{6C1E4A70-2D93-4b8e-9A4B-F08C3E7D2B51}";

const DWORD kTrayGoneWaitMs = 1000;
const DWORD kLauncherPollMs = 500;
// The launcher is given this long to take its window down; a launcher that
// ignores the request does not keep the remover waiting for ever.
const DWORD kLauncherWaitLimitMs = 10000;
const DWORD kLauncherGonePauseMs = 5000;

const FILEOP_FLAGS kFileOperationFlags = FOF_SIMPLEPROGRESS | FOF_NOERRORUI;
static_assert(kFileOperationFlags == 0x0500, "simple progress, no error boxes");

enum StepKind {
    kRemoveKey,    // probe, remove the tree, log
    kDeleteValue,  // CfgDeleteValue, log only when it deleted
};

// One registry step. The log format takes the parent and the name as its
// arguments, in that order; a format may use fewer of them.
struct RegistryStep {
    StepKind kind;
    bool ntOnly;
    HKEY root;
    const char *parent;
    const char *name;
    const char *logFormat;  // none: the step logs nothing
};

// The files that follow the probe driver's, in order; all in the system
// directory.
const char *const kSystemFiles[] = {
    "Vantrel.exe",   "Vantrel.dll",   "Quillan.dll",    "Serrafin.dll",   "Pellomar.dll",
    "Pellomar.cpl",  "Pellomar.exe",  "InstallLog.txt", "Korrindel.ico",  "Korrindel2.ico",
    "Korrindel.bmp", "KorrindelW.bmp", "Logo.bmp",      "KorrindelSetup.exe",
};

struct Shortcut {
    int csidl;
    const char *name;
};

const Shortcut kShortcuts[] = {
    {CSIDL_STARTUP, "Vantrel.exe"},
    {CSIDL_COMMON_STARTMENU, "Vantrel.exe"},
    {CSIDL_STARTUP, "Vantrel"},
    {CSIDL_COMMON_STARTMENU, "Vantrel"},
};

// Copies a path into a list of the shell's file operations: the path and
// two NULs. FALSE when it does not fit whole.
BOOL CopyToFileList(char *list, size_t size, const char *path)
{
    size_t length = path ? (size_t)lstrlenA(path) : 0;
    if (length + 2 > size)
        return FALSE;
    if (length)
        CopyMemory(list, path, length);
    list[length] = '\0';
    list[length + 1] = '\0';
    return TRUE;
}

// Only a path with a drive or a UNC server is deleted from: an empty or
// relative folder would turn "%s%s%s.lnk" into a file somewhere else.
BOOL IsFullPath(const char *path)
{
    if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
        path[1] == ':' && path[2] == '\\')
        return TRUE;
    return path[0] == '\\' && path[1] == '\\' && path[2] != '\0';
}

// Every named value; the unnamed default value goes with the key.
void DeleteNamedValues(HKEY key)
{
    // Deleting shifts the indices: the same index is looked at again until
    // what sits there stays (the default value, a refused deletion, or a
    // name longer than the buffer, which also goes with the key).
    DWORD index = 0;
    for (;;) {
        char name[kPathSize];
        DWORD nameSize = sizeof name;
        LONG status = RegEnumValueA(key, index, name, &nameSize, NULL, NULL, NULL, NULL);
        if (status == ERROR_MORE_DATA) {
            ++index;
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        if (name[0] == '\0' || RegDeleteValueA(key, name) != ERROR_SUCCESS)
            ++index;
    }
}

// Removes every subkey of the open key at path, children before parents.
// All names are collected before any is deleted, so that deleting does not
// shift the enumeration.
void RemoveSubKeys(HKEY root, HKEY key, const char *path)
{
    DWORD count = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS ||
        count == 0)
        return;
    // One spare byte: even when every name fills its 260 bytes, a zero
    // still ends the list.
    SIZE_T blockSize = (SIZE_T)count * kPathSize + 1;
    char *names = (char *)CfgAlloc(blockSize);
    if (!names)
        return;
    SIZE_T used = 0;
    for (DWORD index = 0;; ++index) {
        char name[kPathSize];
        if (RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS)
            break;
        SIZE_T length = (SIZE_T)lstrlenA(name) + 1;
        // Keys added since the count was taken may find no room; they stay.
        if (used + length >= blockSize)
            break;
        CopyMemory(names + used, name, length);
        used += length;
    }
    for (const char *name = names; *name; name += lstrlenA(name) + 1)
        RemoveRegistryTree(root, path, name);
    CfgFree(names);
}

void RunRegistryStep(const RegistryStep &step)
{
    if (step.ntOnly && g_isWin9x)
        return;
    if (step.kind == kDeleteValue) {
        if (CfgDeleteValue(step.root, step.parent, step.name) && step.logFormat)
            AddLogLine(step.logFormat, step.parent, step.name);
        return;
    }
    if (!ProbeRegistryKey(step.root, step.parent, step.name))
        return;
    RemoveRegistryTree(step.root, step.parent, step.name);
    if (step.logFormat)
        AddLogLine(step.logFormat, step.parent, step.name);
}

// First the running programs: the tray program is told to go; the launcher
// is told to go and given time to leave.
void CloseRunningPrograms()
{
    HWND tray = FindWindowA("Pellomar Tray Class", "Pellomar");
    if (tray) {
        SendMessageA(tray, WM_DESTROY, 0, 0);
        Sleep(kTrayGoneWaitMs);
    }
    HWND launcher = FindWindowA("Vantrel Class", "Vantrel");
    if (launcher) {
        AddLogLine("Killed Vantrel");
        SendMessageA(launcher, WM_DESTROY, 0, 0);
        for (DWORD waited = 0; IsWindow(launcher) && waited < kLauncherWaitLimitMs;
             waited += kLauncherPollMs)
            Sleep(kLauncherPollMs);
        Sleep(kLauncherGonePauseMs);
    }
}

// The registry, machine and user, in a fixed order.
void RemoveRegistryEntries()
{
    const char *sheetRoot = g_isWin9x ? kSheetRoot9x : kSheetRootNt;
    const HKEY machine = HKEY_LOCAL_MACHINE;
    const HKEY user = HKEY_CURRENT_USER;
    const RegistryStep steps[] = {
        {kRemoveKey, false, machine, sheetRoot, "ATI Radeon Tachyra", "Killed %s\\%s"},
        {kRemoveKey, false, machine, sheetRoot, "Modivane", "Killed %s\\%s"},
        {kRemoveKey, false, machine, sheetRoot, "Pellomar", "Killed %s\\%s"},
        // The approvals as keys named after the class ids ...
        {kRemoveKey, false, machine, kApprovedRoot, kClockTabClass, NULL},
        {kRemoveKey, false, machine, kApprovedRoot, kModesTabClass, NULL},
        {kRemoveKey, false, machine, kApprovedRoot, kTweakClass, NULL},
        // ... and as the values named after them, which is how the shell
        // keeps them; left behind, they would approve whatever later
        // registers under these ids.
        {kDeleteValue, false, machine, kApprovedRoot, kClockTabClass, NULL},
        {kDeleteValue, false, machine, kApprovedRoot, kModesTabClass, NULL},
        {kDeleteValue, false, machine, kApprovedRoot, kTweakClass, NULL},
        // The two tabs' class registrations, which would otherwise point the
        // shell at page libraries that are deleted below.
        {kRemoveKey, false, HKEY_CLASSES_ROOT, kClassesRoot, kClockTabClass, NULL},
        {kRemoveKey, false, HKEY_CLASSES_ROOT, kClassesRoot, kModesTabClass, NULL},
        {kDeleteValue, false, machine, kRunRoot, "clocks", "Killed %s\\clocks"},
        {kDeleteValue, false, machine, kRunRoot, "Pellomar", "Killed %s\\Pellomar"},
        // The probe driver's service goes with its key alone; 9x has none.
        {kRemoveKey, true, machine, kServicesRoot, "zintrel", "Killing %s\\%s"},
        {kRemoveKey, false, user, kUserSoftwareRoot, "Vantrel", "Killed HKCU\\Software\\Vantrel"},
        {kRemoveKey, false, user, kTweakRoot, "ATI", "Killed HKCU\\Software\\Pellomar\\ATI"},
        {kRemoveKey, false, user, kTweakRoot, "ATI Modivane Tab",
         "Killed HKCU\\Software\\Pellomar\\ATI Modivane Tab"},
        {kRemoveKey, false, user, kTweakRoot, "Modivane Tab",
         "Killed HKCU\\Software\\Pellomar\\Modivane Tab"},
        {kRemoveKey, false, user, kTweakRoot, "ATI Radeon Tachyra",
         "Killed HKCU\\Software\\Pellomar\\ATI Radeon Tachyra"},
        {kRemoveKey, false, user, kTweakRoot, "Korrindel Tweak",
         "Killed HKCU\\Software\\Pellomar\\Korrindel Tweak"},
        {kRemoveKey, false, user, kTweakRoot, "Uninstall Tweaks",
         "Killed HKCU\\Software\\Pellomar\\Uninstall Tweaks"},
        {kRemoveKey, false, machine, kUninstallRoot, "Pellomar", "Killed HKLM\\%s\\Pellomar"},
    };
    for (const RegistryStep &step : steps)
        RunRegistryStep(step);
}

void RemoveSystemFile(const char *format, const char *systemDirectory, const char *name)
{
    char path[kPathSize];
    if (FormatPath(path, sizeof path, format, systemDirectory, name))
        ShellRemoveFile(NULL, FO_DELETE, path, NULL);
}

// The launcher's shortcuts. A folder that cannot be resolved, and
// a shortcut path that does not fit, are skipped rather than deleted in
// some other form.
void RemoveShortcuts()
{
    for (const Shortcut &shortcut : kShortcuts) {
        char folder[kPathSize];
        if (!ResolveSpecialFolder(shortcut.csidl, folder))
            continue;
        int length = lstrlenA(folder);
        const char *separator = folder[length - 1] == '\\' ? "" : "\\";
        char path[kPathSize];
        if (FormatPath(path, sizeof path, "%s%s%s.lnk", folder, separator, shortcut.name))
            ShellRemoveFile(NULL, FO_DELETE, path, NULL);
    }
}

}  // namespace

BOOL ProbeRegistryKey(HKEY root, const char *parent, const char *name)
{
    char path[kPathSize];
    if (!FormatPath(path, sizeof path, "%s\\%s", parent, name))
        return FALSE;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(key);
    return TRUE;
}

void RemoveRegistryTree(HKEY root, const char *parent, const char *name)
{
    // An empty name would make the parent itself the key to delete.
    if (!name || !name[0])
        return;
    // A path that does not fit stays: a shortened one could name another key.
    char path[kPathSize];
    if (!FormatPath(path, sizeof path, "%s\\%s", parent, name))
        return;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    DeleteNamedValues(key);
    // NT refuses to delete a key that still has subkeys.
    RemoveSubKeys(root, key, path);
    RegCloseKey(key);

    HKEY parentKey;
    if (RegOpenKeyExA(root, parent, 0, KEY_ALL_ACCESS, &parentKey) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(parentKey, name);
    RegCloseKey(parentKey);
}

BOOL ShellRemoveFile(HWND owner, UINT operation, const char *source, const char *destination)
{
    // Room for a path that fills a 260-byte buffer and the list's two NULs.
    char from[kPathSize + 1];
    char to[kPathSize + 1];
    if (!source || !source[0] || !CopyToFileList(from, sizeof from, source) ||
        !CopyToFileList(to, sizeof to, destination))
        return FALSE;
    // The path is the whole line; a '%' in a folder name is no format.
    AddLogLine("%s", source);
    CfgDeleteValue(HKEY_LOCAL_MACHINE, kSharedDllRoot, source);

    SHFILEOPSTRUCTA operationInfo;
    ZeroMemory(&operationInfo, sizeof operationInfo);
    operationInfo.hwnd = owner;
    operationInfo.wFunc = operation;
    operationInfo.pFrom = from;
    operationInfo.pTo = to;
    operationInfo.fFlags = kFileOperationFlags;
    operationInfo.fAnyOperationsAborted = FALSE;
    operationInfo.hNameMappings = NULL;
    operationInfo.lpszProgressTitle = "Pellomar";
    SHFileOperationA(&operationInfo);
    return !operationInfo.fAnyOperationsAborted;
}

BOOL ResolveSpecialFolder(int csidl, char *path)
{
    path[0] = '\0';
    IMalloc *allocator = NULL;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return FALSE;
    BOOL resolved = FALSE;
    LPITEMIDLIST list = NULL;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, csidl, &list)) && list) {
        resolved = SHGetPathFromIDListA(list, path);
        allocator->Free(list);
    }
    allocator->Release();
    if (!resolved || !IsFullPath(path)) {
        path[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

void RunRemoval(HWND)
{
    CloseRunningPrograms();
    RemoveRegistryEntries();

    // Without the system directory neither files nor shortcuts are
    // touched; a directory that does not fit is treated the same.
    char systemDirectory[kPathSize];
    UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
    if (length == 0 || length >= sizeof systemDirectory)
        return;
    AddLogLine("Deleting files..");
    if (g_isWin9x)
        RemoveSystemFile("%s\\%s", systemDirectory, "zintrel.vxd");
    else
        RemoveSystemFile("%s\\drivers\\%s", systemDirectory, "zintrel.sys");
    for (const char *name : kSystemFiles)
        RemoveSystemFile("%s\\%s", systemDirectory, name);

    RemoveShortcuts();
    AddLogLine("Deleted files.");
    ScheduleSelfRemoval(systemDirectory);
}
