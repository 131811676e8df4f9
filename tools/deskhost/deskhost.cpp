// A stand-in for the Display control panel: shows the pages that the
// property-sheet extensions registered for it add, in a sheet with OK,
// Cancel, Apply and Help, as the shell does. Also registers the page
// libraries as the installer would.
//
//   deskhost                      show Display Properties
//   deskhost /page N              ... with tab N selected
//   deskhost /page N /close S     ... and press Cancel after S seconds
//   deskhost /freeunused MS       ... and, as Explorer does from time to
//                                 time, call CoFreeUnusedLibraries every MS
//                                 milliseconds while the sheet is open,
//                                 telling when a page library goes away
//   deskhost /install [FOLDER]    register the libraries in FOLDER (default:
//                                 this program's folder)
//   deskhost /uninstall           remove that registration
//   deskhost /samplemodes FAMILY  write sample ATI driver keys (display device,
//                                 mode keys, DAL mode lists) where the driver
//                                 of win98, win2k or winxp keeps them
#include <windows.h>
#include <objbase.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "displaysheet.h"

// samplemodes.cpp
bool WriteSampleModes(const char *family, char *dalKey, size_t dalKeySize);

namespace {

UINT g_closeSeconds;
UINT g_freeUnusedInterval;

void CALLBACK PressCancel(HWND sheet, UINT, UINT_PTR id, DWORD)
{
    KillTimer(sheet, id);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
}

void CALLBACK FreeUnusedLibraries(HWND, UINT, UINT_PTR, DWORD)
{
    bool loaded[2];
    for (int i = 0; i < 2; ++i)
        loaded[i] = GetModuleHandleA(kPageLibraries[i].file) != NULL;
    CoFreeUnusedLibraries();
    for (int i = 0; i < 2; ++i) {
        if (loaded[i] && !GetModuleHandleA(kPageLibraries[i].file)) {
            printf("deskhost: %s was unloaded while the sheet is open\n", kPageLibraries[i].file);
            fflush(stdout);
        }
    }
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && g_closeSeconds)
        SetTimer(sheet, 1, g_closeSeconds * 1000, PressCancel);
    if (message == PSCB_INITIALIZED && g_freeUnusedInterval)
        SetTimer(sheet, 2, g_freeUnusedInterval, FreeUnusedLibraries);
    return 0;
}

int Install(const char *folder)
{
    char own[MAX_PATH];
    if (!folder) {
        GetModuleFileNameA(NULL, own, sizeof own);
        *strrchr(own, '\\') = '\0';
        folder = own;
    }
    if (!RegisterPageLibraries(folder)) {
        fprintf(stderr, "deskhost: could not register the page libraries in %s\n", folder);
        return 1;
    }
    printf("deskhost: registered the page libraries in %s\n", folder);
    return 0;
}

int SampleModes(const char *family)
{
    char dalKey[MAX_PATH * 2];
    if (!WriteSampleModes(family, dalKey, sizeof dalKey)) {
        fprintf(stderr, "deskhost: could not write sample driver keys for %s\n", family);
        return 1;
    }
    printf("deskhost: sample driver keys for %s, DAL key HKLM\\%s\n", family, dalKey);
    return 0;
}

int ShowDisplayProperties(UINT startPage)
{
    CoInitialize(NULL);
    DisplaySheet sheet;
    int result = 0;
    if (!CollectDisplayPages(&sheet)) {
        MessageBoxA(NULL, "No property-sheet extension added a page to Display Properties.",
                    "Display Properties", MB_ICONEXCLAMATION);
        result = 1;
    } else if (ShowDisplaySheet(&sheet, NULL, startPage, false, SheetCallback) < 0) {
        fprintf(stderr, "deskhost: the property sheet could not be shown\n");
        result = 1;
    }
    CloseDisplaySheet(&sheet);
    CoUninitialize();
    return result;
}

}  // namespace

int main(int argc, char **argv)
{
    UINT startPage = 0;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "/install"))
            return Install(i + 1 < argc ? argv[i + 1] : NULL);
        if (!strcmp(argv[i], "/samplemodes") && i + 1 < argc)
            return SampleModes(argv[i + 1]);
        if (!strcmp(argv[i], "/uninstall")) {
            UnregisterPageLibraries();
            return 0;
        }
        if (!strcmp(argv[i], "/page") && i + 1 < argc) {
            startPage = (UINT)atoi(argv[++i]);
        } else if (!strcmp(argv[i], "/close") && i + 1 < argc) {
            g_closeSeconds = (UINT)atoi(argv[++i]);
        } else if (!strcmp(argv[i], "/freeunused") && i + 1 < argc) {
            g_freeUnusedInterval = (UINT)atoi(argv[++i]);
        } else {
            fprintf(stderr, "usage: deskhost [/page N] [/close SECONDS] [/freeunused MS] | /install [FOLDER] | /uninstall"
                            " | /samplemodes win98|win2k|winxp\n");
            return 2;
        }
    }
    return ShowDisplayProperties(startPage);
}
