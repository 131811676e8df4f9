// Page creation: what the shell-extension object asks of the library.
#pragma once
#include <windows.h>
#include <prsht.h>

// Builds the library's property page and hands it to the host.
BOOL AddPage(LPFNADDPROPSHEETPAGE addPage, LPARAM hostValue);

// Sets the count that DllCanUnloadNow looks at back to 0; Serrafin's process
// attach starts from it.
void ResetPageObjectCount();
