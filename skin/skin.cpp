// Skin settings: per-control texts, fonts, colours, the text shadow and the
// context-help texts, read from the library's root key.
#include "skin.h"

#include <htmlhelp.h>

#include "../frame/page.h"
#include "../cfg/cfg.h"
#include "library.h"


FontEntry g_fontTable[kFontTableSize];
int g_fontCount;
LONG g_shadowOffset;

namespace {

// Controls are named in the registry by their id as signed decimal text.
void ControlValueName(int id, char (&name)[16])
{
    wsprintfA(name, "%d", id);
}

HFONT FindFont(LONG number)
{
    for (int i = 0; i < g_fontCount; ++i)
        if (g_fontTable[i].number == number)
            return g_fontTable[i].font;
    return NULL;
}

BOOL AddFontDefinition(LONG_PTR subKeyName, LONG_PTR)
{
    // The root path is far shorter than kPathSize and a sub-key name fits
    // kPathSize, so the joined path always fits.
    char key[2 * kPathSize];
    lstrcpynA(key, g_library.fontDefinitionsKey, sizeof key);
    lstrcatA(key, "\\");
    lstrcpynA(key + lstrlenA(key), (const char *)subKeyName, kPathSize);
    char face[kPathSize];
    if (!CfgReadText(HKEY_CURRENT_USER, key, "Font", face, sizeof face))
        return TRUE;
    LONG number;
    if (!CfgReadInt(HKEY_CURRENT_USER, key, "ID", &number, 0))
        return TRUE;
    // Lookups take the first entry of a number, so every countdown dialog
    // that skins itself again would only add fonts nobody can find; and the
    // table never grows past its end.
    if (FindFont(number) || g_fontCount == kFontTableSize)
        return TRUE;

    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    lstrcpynA(font.lfFaceName, face, sizeof font.lfFaceName);
    // A value of a type CfgReadInt does not convert leaves these alone.
    LONG height = -11, weight = 400;
    CfgReadInt(HKEY_CURRENT_USER, key, "FontHeight", &height, -11);
    CfgReadInt(HKEY_CURRENT_USER, key, "FontWeight", &weight, 400);
    font.lfHeight = height > 0 ? -height : height;
    font.lfWeight = weight;
    HFONT handle = CreateFontIndirectA(&font);
    if (handle) {
        g_fontTable[g_fontCount].font = handle;
        g_fontTable[g_fontCount].number = number;
        ++g_fontCount;
    }
    return TRUE;
}

BOOL CALLBACK SkinControl(HWND control, LPARAM)
{
    char name[16];
    ControlValueName(GetDlgCtrlID(control), name);
    char text[kPathSize];
    if (CfgReadText(HKEY_CURRENT_USER, g_library.localizationKey, name, text, sizeof text))
        SetWindowTextA(control, text);
    LONG number = -1;
    if (!CfgReadInt(HKEY_CURRENT_USER, g_library.fontControlsKey, name, &number, -1))
        CfgReadInt(HKEY_CURRENT_USER, g_library.fontControlsKey, "Default", &number, -1);
    if (HFONT font = FindFont(number))
        SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
    return TRUE;
}

typedef HWND(WINAPI *HtmlHelpProc)(HWND, LPCSTR, UINT, DWORD_PTR);

HWND CallHtmlHelp(HWND owner, const char *file, UINT command, DWORD_PTR data)
{
    static bool tried;
    static HtmlHelpProc htmlHelp;
    if (!tried) {
        tried = true;
        if (HMODULE library = LoadLibraryA("hhctrl.ocx"))
            htmlHelp = (HtmlHelpProc)(void *)GetProcAddress(library, "HtmlHelpA");
    }
    return htmlHelp ? htmlHelp(owner, file, command, data) : NULL;
}

HelpTextRow *HelpTextsEnd()
{
    return g_library.helpTexts + g_library.helpTextCount;
}

// Frees each row's text from the registry and, when asked, reads it again.
void RenewHelpTexts(bool load)
{
    for (HelpTextRow *row = g_library.helpTexts; row < HelpTextsEnd(); ++row) {
        CfgFree(row->loaded);
        row->loaded = NULL;
        if (load) {
            char name[16];
            ControlValueName(row->id, name);
            row->loaded = CfgReadString(HKEY_CURRENT_USER, g_library.helpKey, name);
        }
    }
}

}  // namespace

void ApplySkin(HWND dialog)
{
    CfgReadInt(HKEY_CURRENT_USER, g_library.coloursKey, "Shadow", &g_shadowOffset, 0);
    CfgEnumerate(HKEY_CURRENT_USER, g_library.fontDefinitionsKey, kCfgWalkSubKeys, AddFontDefinition, 0);
    EnumChildWindows(dialog, SkinControl, 0);
}

COLORREF GetControlColour(int id)
{
    char name[16];
    ControlValueName(id, name);
    // A value too long for 4 bytes may still leave some of its bytes behind.
    COLORREF colour = 0;
    if (CfgReadValue(HKEY_CURRENT_USER, g_library.coloursKey, name, &colour, sizeof colour))
        return colour;
    colour = 0;
    if (CfgReadValue(HKEY_CURRENT_USER, g_library.coloursKey, "default", &colour, sizeof colour))
        return colour;
    return 0;
}

void LoadHelpTexts()
{
    // Texts of an earlier page that was never released are replaced, not
    // leaked, and a value removed since then no longer shows.
    RenewHelpTexts(true);
}

const char *GetHelpText(int id)
{
    for (const HelpTextRow *row = g_library.helpTexts; row < HelpTextsEnd(); ++row)
        if (row->id == id)
            return row->loaded ? row->loaded : row->builtIn;
    return NULL;
}

INT_PTR ShowContextHelp(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND control;
    if (message == WM_HELP) {
        const HELPINFO *info = (const HELPINFO *)lParam;
        if (!info)
            return 0;
        control = (HWND)info->hItemHandle;
    } else if (message == WM_CONTEXTMENU) {
        control = (HWND)wParam;
    } else {
        if (!g_helpKnown)
            return 0;
        return (INT_PTR)CallHtmlHelp(dialog, g_helpFile, HH_DISPLAY_TOC, 0);
    }
    // The page may answer first (the modes page offers a mode's refresh
    // rates on its icon).
    INT_PTR pageResult;
    if (g_library.onContextHelp(dialog, &pageResult))
        return pageResult;
    const char *text = GetHelpText(GetDlgCtrlID(control));
    if (!text)
        return 0;
    HH_POPUP popup;
    ZeroMemory(&popup, sizeof popup);
    popup.cbStruct = sizeof popup;
    popup.pszText = text;
    GetCursorPos(&popup.pt);
    popup.clrForeground = (COLORREF)-1;
    popup.clrBackground = (COLORREF)-1;
    SetRect(&popup.rcMargins, -1, -1, -1, -1);
    popup.pszFont = "Times New Roman, 10";
    return (INT_PTR)CallHtmlHelp(control, NULL, HH_DISPLAY_TEXT_POPUP, (DWORD_PTR)&popup);
}

void ReleaseSkin()
{
    DeleteSkinBitmaps();
    for (int i = 0; i < g_fontCount; ++i)
        DeleteObject(g_fontTable[i].font);
    g_fontCount = 0;
    RenewHelpTexts(false);
}
