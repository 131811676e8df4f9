// Background and logo pictures: loaded from the files the registry names,
// the background re-coloured to the button-face colour once per load, and
// painted stretched or tiled behind a dialog.
#include <stdint.h>

#include "../frame/page.h"
#include "../cfg/cfg.h"
#include "library.h"
#include "skin.h"
#include "tint.h"

HBITMAP g_backgroundBitmap;
HBITMAP g_logoBitmap;

namespace {

// Kept out of line: each picture is loaded from more than one place.
__attribute__((noinline)) HBITMAP LoadBitmapFile(const char *path)
{
    return (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

HBITMAP LoadNamedBitmap(const char *valueName)
{
    char path[kPathSize];
    if (!CfgReadText(HKEY_CURRENT_USER, g_library.rootKey, valueName, path, sizeof path))
        return NULL;
    return LoadBitmapFile(path);
}

void DeleteBitmap(HBITMAP *bitmap)
{
    if (*bitmap)
        DeleteObject(*bitmap);
    *bitmap = NULL;
}

bool BitmapSize(HBITMAP bitmap, int *width, int *height)
{
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    return true;
}

}  // namespace

void DeleteSkinBitmaps()
{
    DeleteBitmap(&g_backgroundBitmap);
    DeleteBitmap(&g_logoBitmap);
}

void LoadSkinBitmaps(HWND dialog)
{
    DeleteSkinBitmaps();
    g_backgroundBitmap = LoadNamedBitmap("BackgroundBitmap");
    if (!g_backgroundBitmap && g_library.fallbackBackground)
        g_backgroundBitmap = LoadBitmapFile(g_library.fallbackBackground);
    if (g_library.hasLogo)
        g_logoBitmap = LoadNamedBitmap("LogoBitmap");
    if (!g_backgroundBitmap)
        return;
    if (HDC dc = GetDC(dialog)) {
        g_backgroundBitmap = TintBitmap(dc, g_backgroundBitmap, GetSysColor(COLOR_BTNFACE));
        ReleaseDC(dialog, dc);
    }
}

HBITMAP CreateDibCopy(HDC dc, int width, int height, HBITMAP source)
{
    HDC target = CreateCompatibleDC(dc);
    if (!target)
        return NULL;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits;
    HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (copy && source) {
        HDC sourceDc = CreateCompatibleDC(dc);
        int sourceWidth, sourceHeight;
        if (!sourceDc || !BitmapSize(source, &sourceWidth, &sourceHeight)) {
            // A copy without the picture in it would pass for a tinted one.
            DeleteObject(copy);
            copy = NULL;
        } else {
            HGDIOBJ oldTarget = SelectObject(target, copy);
            HGDIOBJ oldSource = SelectObject(sourceDc, source);
            if (sourceWidth == width && sourceHeight == height) {
                BitBlt(target, 0, 0, width, height, sourceDc, 0, 0, SRCCOPY);
            } else {
                SetStretchBltMode(target, COLORONCOLOR);
                StretchBlt(target, 0, 0, width, height, sourceDc, 0, 0, sourceWidth, sourceHeight,
                           SRCCOPY);
            }
            SelectObject(sourceDc, oldSource);
            SelectObject(target, oldTarget);
        }
        if (sourceDc)
            DeleteDC(sourceDc);
    }
    DeleteDC(target);
    return copy;
}

HBITMAP TintBitmap(HDC dc, HBITMAP bitmap, COLORREF base)
{
    int width, height;
    if (!BitmapSize(bitmap, &width, &height))
        return bitmap;
    HBITMAP copy = CreateDibCopy(dc, width, height, bitmap);
    if (!copy)
        return bitmap;
    DeleteObject(bitmap);
    DIBSECTION section;
    if (GetObjectA(copy, sizeof section, &section) != sizeof section || !section.dsBm.bmBits)
        return copy;
    // The copy's pixels were written by GDI; make sure they are all there
    // before they are read directly.
    GdiFlush();
    TintPixels((uint8_t *)section.dsBm.bmBits, section.dsBm.bmWidth, section.dsBm.bmHeight,
               section.dsBm.bmWidthBytes, base);
    return copy;
}

void PaintBackground(HDC dc, const RECT *area, HBITMAP background)
{
    int pictureWidth, pictureHeight;
    if (!BitmapSize(background, &pictureWidth, &pictureHeight) || pictureWidth <= 0 ||
        pictureHeight <= 0)
        return;
    int width = area->right - area->left;
    int height = area->bottom - area->top;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old = SelectObject(memory, background);
    if (width < pictureWidth + 32 || height < pictureHeight + 32) {
        SetStretchBltMode(dc, g_library.stretchMode);
        SetBrushOrgEx(dc, 0, 0, NULL);
        StretchBlt(dc, 0, 0, width, height, memory, 0, 0, pictureWidth, pictureHeight, SRCCOPY);
    } else {
        // The last column and row overhang the area.
        unsigned columns = (unsigned)width / (unsigned)pictureWidth;
        unsigned rows = (unsigned)height / (unsigned)pictureHeight;
        for (unsigned i = 0; i <= columns; ++i)
            for (unsigned j = 0; j <= rows; ++j)
                BitBlt(dc, (int)i * pictureWidth, (int)j * pictureHeight, pictureWidth,
                       pictureHeight, memory, 0, 0, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

BOOL EraseSkinBackground(HWND dialog, HDC dc)
{
    if (!g_backgroundBitmap)
        return FALSE;
    RECT client;
    GetClientRect(dialog, &client);
    PaintBackground(dc, &client, g_backgroundBitmap);
    return TRUE;
}
