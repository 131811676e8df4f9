// Morvask, the remover: the program flow (main.cpp) and the removal
// catalogue (catalogue.cpp).
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
