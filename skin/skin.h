// The skin kit: texts, fonts, colours, text shadow, context help, bitmaps,
// owner-drawn controls and the countdown dialog that both page libraries
// draw their dialogs with. Everything is read from the registry under the
// library's root key when a dialog initialises.
#pragma once
#include <windows.h>

enum { kFontTableSize = 32 };

struct FontEntry {
    HFONT font;
    LONG number;
};

// Fonts made from the definitions, in the order they were read.
extern FontEntry g_fontTable[kFontTableSize];
extern int g_fontCount;
// Text shadow offset in pixels; 0 draws no shadow.
extern LONG g_shadowOffset;

struct HelpTextRow {
    int id;
    const char *builtIn;  // NULL: no help unless the registry has some
    char *loaded;         // from the registry, owned by the table
};

// Settings -------------------------------------------------------------------

void ApplySkin(HWND dialog);
COLORREF GetControlColour(int id);
void LoadHelpTexts();
// The help text of a control, or NULL when it has none.
const char *GetHelpText(int id);
INT_PTR ShowContextHelp(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ReleaseSkin();

// Bitmaps ------------------------------------------------------------------------

extern HBITMAP g_backgroundBitmap;
// NULL unless the library has a logo panel.
extern HBITMAP g_logoBitmap;

void LoadSkinBitmaps(HWND dialog);
void DeleteSkinBitmaps();
HBITMAP CreateDibCopy(HDC dc, int width, int height, HBITMAP source);
HBITMAP TintBitmap(HDC dc, HBITMAP bitmap, COLORREF base);
void PaintBackground(HDC dc, const RECT *area, HBITMAP background);
// WM_ERASEBKGND of a skinned dialog: TRUE when the background was painted.
BOOL EraseSkinBackground(HWND dialog, HDC dc);

// Owner-drawn controls -------------------------------------------------------

// Height of the last caption DrawGroupFrame measured.
extern int g_captionHeight;

COLORREF DarkenColour(COLORREF colour, double factor);
INT_PTR DrawSkinButton(HWND dialog, const DRAWITEMSTRUCT *item);
INT_PTR DrawGroupFrame(HWND dialog, const DRAWITEMSTRUCT *item);
INT_PTR DrawLogoPanel(HWND dialog, const DRAWITEMSTRUCT *item);
void RefreshControl(HWND dialog, int id, const char *text, int xOffset, int width, BOOL partial);
// WM_CTLCOLORSTATIC / WM_CTLCOLORBTN: the control's skin colour on a
// transparent background.
INT_PTR AnswerControlColour(HDC dc, HWND control);

// Countdown confirmation -----------------------------------------------------

extern int g_countdownTicks;
// Dialog procedure of template 133; the dialog ends with 1 for Yes and 0
// for No, Escape, IDOK or time-out.
INT_PTR CALLBACK CountdownDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR DrawCountdownBar(const DRAWITEMSTRUCT *item);
