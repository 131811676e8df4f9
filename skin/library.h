// What the kit (frame/ and skin/) needs to know of the page library it is
// linked into. Each page library describes itself in one table, g_library,
// defined in its own folder; the kit reads the table and never asks which
// library it serves.
#pragma once
#include <windows.h>

struct HelpTextRow;

struct PageLibrary {
    // Resources come from the module of exactly this name.
    const char *moduleName;
    // The root key under HKEY_CURRENT_USER and its sub-keys the skin reads.
    const char *rootKey;
    const char *localizationKey;
    const char *fontDefinitionsKey;
    const char *fontControlsKey;
    const char *coloursKey;
    const char *helpKey;

    DLGPROC pageProc;
    int iconId;
    // Built-in context help; the registry's texts are loaded into the rows.
    HelpTextRow *helpTexts;
    int helpTextCount;

    // How a background smaller than the dialog is stretched.
    int stretchMode;
    // Disabled owner-drawn buttons are drawn white, not in the control's colour.
    bool whiteDisabledButtons;
    // The page has a logo panel, pictured by "LogoBitmap".
    bool hasLogo;
    // The countdown dialog follows a change of system colours.
    bool countdownFollowsColours;
    // The picture used without a "BackgroundBitmap" value; NULL for none.
    const char *fallbackBackground;

    // What the library adds. Every hook is set; where a library adds
    // nothing it names one of the kit's Ignore... functions below.
    // Runs as a new page is about to be made.
    void (*onCreatePage)();
    // Runs once AddPage knows its answer; title is NULL when the library's
    // module was not found.
    void (*onPageAdded)(const char *title, BOOL added);
    // Runs before context help; true when it answered, with *result.
    bool (*onContextHelp)(HWND dialog, INT_PTR *result);
    // A group frame's caption on dialog was measured in dc at size.
    void (*onFrameCaption)(HWND dialog, HDC dc, UINT id, const char *caption, SIZE size);
};

extern const PageLibrary g_library;

void IgnorePageEvent();
void IgnorePageAdded(const char *title, BOOL added);
bool IgnoreContextHelp(HWND dialog, INT_PTR *result);
void IgnoreFrameCaption(HWND dialog, HDC dc, UINT id, const char *caption, SIZE size);
