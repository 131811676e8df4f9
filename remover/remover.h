// Morvask, the remover: the program flow (main.cpp), the removal
// catalogue (catalogue.cpp) and its own file's deletion at the next restart
// (selfdelete.cpp).
#pragma once
#include <windows.h>

#include <stdarg.h>
#include <stddef.h>

#include "../cfg/cfg.h"
#include "../cfg/keypath.h"

// Set by DetectWindowsFamily on the 9x family; read only by RunRemoval.
extern BOOL g_isWin9x;

void DetectWindowsFamily();
INT_PTR CALLBACK RemoverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Appends one line to the log list and repaints it at once. A line longer
// than 259 characters is cut.
void AddLogLine(const char *format, ...) __attribute__((format(printf, 1, 2)));

void RunRemoval(HWND dialog);
BOOL ProbeRegistryKey(HKEY root, const char *parent, const char *name);
void RemoveRegistryTree(HKEY root, const char *parent, const char *name);
BOOL ShellRemoveFile(HWND owner, UINT operation, const char *source, const char *destination);
BOOL ResolveSpecialFolder(int csidl, char *path);

// After a Destroy, when the remover runs from systemDirectory (where the
// family is installed): its own file is set to be deleted at the next
// restart, and one log line says so, or why it could not be.
void ScheduleSelfRemoval(const char *systemDirectory);
// Sets path to be deleted at the next restart: WININIT.INI's [rename]
// section on the 9x family, the pending file-rename list on the NT family;
// a deletion of path already there is not added again. FALSE, with the
// reason in why, when it could not be set.
BOOL DeleteAtRestart(const char *path, char *why, size_t whySize);
