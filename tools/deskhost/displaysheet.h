// Display Properties as the shell builds it: the property-sheet extensions
// registered for the Display control panel add their pages to one sheet.
// Also the installer's registration of the two page libraries.
#pragma once
#include <windows.h>
#include <prsht.h>
#include <shlobj.h>

extern const char kDisplayPanelKey[];
extern const char kDevicePanelKey[];
// The key whose property-sheet handlers add the display's tabs: Display on
// the NT family; on Windows 9x the display adapter's sheet, Device.
const char *DisplayPanelKey();
extern const char kApprovedKey[];

struct PageLibrary {
    const char *file;
    const char *classId;
    const char *handler;  // key name under the panel's PropertySheetHandlers
};
extern const PageLibrary kPageLibraries[2];

// Registers each page library found in folder as the installer would: its
// class under HKCR\CLSID, a property-sheet handler of the Display control
// panel and a shell-extension approval. Returns false if a key could not be
// written. A library file that is not there is not registered.
bool RegisterPageLibraries(const char *folder);
// Registers one library file (whatever its name) under a library's class.
bool RegisterPageLibrary(const PageLibrary &library, const char *path);
void UnregisterPageLibraries();

enum { kMaxDisplayPages = 16 };

struct DisplaySheet {
    HPSXA extensions = NULL;
    HPROPSHEETPAGE pages[kMaxDisplayPages] = {};
    UINT pageCount = 0;
    HWND window = NULL;  // the modeless sheet
};

// Loads the extensions and collects their pages; returns the page count.
UINT CollectDisplayPages(DisplaySheet *sheet);
// Shows the collected pages. Modal: returns PropertySheet's result once the
// sheet has closed. Modeless: returns at once with sheet->window set (the
// caller pumps messages and calls CloseDisplaySheet).
INT_PTR ShowDisplaySheet(DisplaySheet *sheet, HWND owner, UINT startPage, bool modeless,
                         PFNPROPSHEETCALLBACK callback = NULL);
// Destroys a modeless sheet's window and releases the extensions.
void CloseDisplaySheet(DisplaySheet *sheet);
