#include "displaysheet.h"

#include <string.h>

const char kDisplayPanelKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Display";
const char kDevicePanelKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Device";
const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

const PageLibrary kPageLibraries[2] = {
    {"Quillan.dll", "{2B8E07C4-9F51-4a36-A3E8-D41F6B29C075}", "ATI Radeon Tachyra"},
    {"Serrafin.dll", "{81D3F6B2-4C07-4e19-8B2D-5A7E90C3D614}", "Modivane"},
};

namespace {

bool WriteText(HKEY root, const char *path, const char *name, const char *text)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const char *path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
}

BOOL CALLBACK AddDisplayPage(HPROPSHEETPAGE page, LPARAM host)
{
    DisplaySheet *sheet = (DisplaySheet *)host;
    if (sheet->pageCount == kMaxDisplayPages)
        return FALSE;
    sheet->pages[sheet->pageCount++] = page;
    return TRUE;
}

}  // namespace

// Windows 95/98/ME show the Device key's handlers as tabs of the display
// adapter's own sheet (Display > Settings > Advanced); the NT family shows
// the Display key's in Display Properties. This stand-in shows either as
// its one sheet.
const char *DisplayPanelKey()
{
    return (GetVersion() & 0x80000000) ? kDevicePanelKey : kDisplayPanelKey;
}

bool RegisterPageLibrary(const PageLibrary &library, const char *path)
{
    char classKey[128], serverKey[160], handlerKey[256];
    wsprintfA(classKey, "CLSID\\%s", library.classId);
    wsprintfA(serverKey, "%s\\InprocServer32", classKey);
    wsprintfA(handlerKey, "%s\\shellex\\PropertySheetHandlers\\%s", DisplayPanelKey(), library.handler);
    return WriteText(HKEY_CLASSES_ROOT, classKey, NULL, library.handler) &&
           WriteText(HKEY_CLASSES_ROOT, serverKey, NULL, path) &&
           WriteText(HKEY_CLASSES_ROOT, serverKey, "ThreadingModel", "Apartment") &&
           WriteText(HKEY_LOCAL_MACHINE, handlerKey, NULL, library.classId) &&
           WriteText(HKEY_LOCAL_MACHINE, kApprovedKey, library.classId, library.handler);
}

bool RegisterPageLibraries(const char *folder)
{
    bool ok = true;
    for (const PageLibrary &library : kPageLibraries) {
        char path[MAX_PATH];
        if (lstrlenA(folder) + 1 + lstrlenA(library.file) >= (int)sizeof path)
            return false;
        wsprintfA(path, "%s\\%s", folder, library.file);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            continue;
        ok = RegisterPageLibrary(library, path) && ok;
    }
    return ok;
}

void UnregisterPageLibraries()
{
    for (const PageLibrary &library : kPageLibraries) {
        char path[256];
        wsprintfA(path, "CLSID\\%s", library.classId);
        DeleteTree(HKEY_CLASSES_ROOT, path);
        wsprintfA(path, "%s\\shellex\\PropertySheetHandlers\\%s", DisplayPanelKey(), library.handler);
        DeleteTree(HKEY_LOCAL_MACHINE, path);
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, library.classId);
            RegCloseKey(key);
        }
    }
}

UINT CollectDisplayPages(DisplaySheet *sheet)
{
    sheet->pageCount = 0;
    WCHAR panelKey[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, DisplayPanelKey(), -1, panelKey, MAX_PATH);
    sheet->extensions = SHCreatePropSheetExtArray(HKEY_LOCAL_MACHINE, panelKey, kMaxDisplayPages);
    if (sheet->extensions)
        SHAddFromPropSheetExtArray(sheet->extensions, AddDisplayPage, (LPARAM)sheet);
    return sheet->pageCount;
}

INT_PTR ShowDisplaySheet(DisplaySheet *sheet, HWND owner, UINT startPage, bool modeless,
                         PFNPROPSHEETCALLBACK callback)
{
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = sizeof header;
    header.dwFlags = PSH_HASHELP | (modeless ? PSH_MODELESS : 0) | (callback ? PSH_USECALLBACK : 0);
    header.hwndParent = owner;
    header.pszCaption = "Display Properties";
    header.nPages = sheet->pageCount;
    header.nStartPage = startPage < sheet->pageCount ? startPage : 0;
    header.phpage = sheet->pages;
    header.pfnCallback = callback;
    INT_PTR result = PropertySheetA(&header);
    if (modeless)
        sheet->window = result > 0 ? (HWND)result : NULL;
    return result;
}

void CloseDisplaySheet(DisplaySheet *sheet)
{
    if (sheet->window)
        DestroyWindow(sheet->window);
    sheet->window = NULL;
    if (sheet->extensions)
        SHDestroyPropSheetExtArray(sheet->extensions);
    sheet->extensions = NULL;
    sheet->pageCount = 0;
}
