// Owner-drawn frames, buttons and the logo panel, drawn in the skin's
// colours and shadow so that the background shows through them.
#include <math.h>
#include <string.h>

#include "../frame/page.h"
#include "library.h"
#include "skin.h"

int g_captionHeight;

namespace {

struct ControlText {
    char text[kPathSize];
    int length;
};

void ReadControlText(const DRAWITEMSTRUCT *item, ControlText *out)
{
    out->length = GetWindowTextA(item->hwndItem, out->text, sizeof out->text);
    if (out->length < 0)
        out->length = 0;
    out->text[out->length] = '\0';
}

// A copy offset by the shadow first, darkened from the control's colour,
// then the text itself in its main colour, with the same flags. The main
// colour differs from the control's only for a disabled button, whose
// shadow still darkens the control's colour (white would darken to white).
void DrawShadowedText(HDC dc, const ControlText &text, RECT *rect, UINT flags, COLORREF colour,
                      COLORREF mainColour)
{
    if (g_shadowOffset) {
        OffsetRect(rect, g_shadowOffset, g_shadowOffset);
        SetTextColor(dc, DarkenColour(colour, 0.25));
        DrawTextA(dc, text.text, text.length, rect, flags);
        OffsetRect(rect, -g_shadowOffset, -g_shadowOffset);
    }
    SetTextColor(dc, mainColour);
    DrawTextA(dc, text.text, text.length, rect, flags);
}

void DrawShadowedText(HDC dc, const ControlText &text, RECT *rect, UINT flags, COLORREF colour)
{
    DrawShadowedText(dc, text, rect, flags, colour, colour);
}

int DarkenChannel(unsigned channel, double exponent)
{
    return (int)(255.0 * pow(channel / 255.0, exponent)) & 0xFF;
}

}  // namespace

COLORREF DarkenColour(COLORREF colour, double factor)
{
    double exponent = 1.0 / factor;
    return RGB(DarkenChannel(GetRValue(colour), exponent), DarkenChannel(GetGValue(colour), exponent),
               DarkenChannel(GetBValue(colour), exponent));
}

INT_PTR DrawSkinButton(HWND, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    FillRect(dc, &rect, (HBRUSH)(COLOR_MENU + 1));
    if (item->itemState & ODS_SELECTED) {
        DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT | BF_SOFT);
        OffsetRect(&rect, 1, 1);
    } else {
        DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    SetBkMode(dc, TRANSPARENT);
    ControlText text;
    ReadControlText(item, &text);
    if (!text.length)
        return 1;
    COLORREF colour = GetControlColour(item->CtlID);
    COLORREF mainColour = g_library.whiteDisabledButtons && (item->itemState & ODS_DISABLED)
                              ? RGB(255, 255, 255)
                              : colour;
    DrawShadowedText(dc, text, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER, colour, mainColour);
    return 1;
}

INT_PTR DrawGroupFrame(HWND dialog, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    ControlText text;
    ReadControlText(item, &text);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.text, text.length, &size);
    int cx = size.cx, cy = size.cy;
    g_captionHeight = cy;
    int captionLeft = item->rcItem.left + (8 * cy) / 10;
    RECT caption = {captionLeft, 0, captionLeft + cx, cy};

    g_library.onFrameCaption(dialog, dc, item->CtlID, text.text, size);

    SetBkMode(dc, TRANSPARENT);
    DrawShadowedText(dc, text, &caption, DT_SINGLELINE | DT_LEFT | DT_TOP,
                     GetControlColour(item->CtlID));

    RECT topRight = {caption.right + 2, cy / 2, item->rcItem.right, cy};
    DrawEdge(dc, &topRight, EDGE_ETCHED, BF_TOP);
    RECT sides = item->rcItem;
    sides.top = cy / 2;
    DrawEdge(dc, &sides, EDGE_ETCHED, BF_LEFT | BF_RIGHT | BF_BOTTOM);
    RECT topLeft = {1, cy / 2, (8 * cy) / 10 - 2, item->rcItem.bottom};
    DrawEdge(dc, &topLeft, EDGE_ETCHED, BF_TOP);
    return 1;
}

INT_PTR DrawLogoPanel(HWND, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    int width = item->rcItem.right - item->rcItem.left;
    int height = item->rcItem.bottom - item->rcItem.top;
    BITMAP logo;
    HDC memory = NULL;
    if (g_logoBitmap && GetObjectA(g_logoBitmap, sizeof logo, &logo))
        memory = CreateCompatibleDC(dc);
    if (memory) {
        HGDIOBJ old = SelectObject(memory, g_logoBitmap);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, NULL);
        StretchBlt(dc, 0, 0, width, height, memory, 0, 0, logo.bmWidth, logo.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        return 1;
    }
    RECT rect = item->rcItem;
    FillRect(dc, &rect, (HBRUSH)(COLOR_WINDOW + 1));
    ControlText text;
    ReadControlText(item, &text);
    DrawShadowedText(dc, text, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                     GetControlColour(item->CtlID));
    return 1;
}

void RefreshControl(HWND dialog, int id, const char *text, int xOffset, int width, BOOL partial)
{
    HWND control = GetDlgItem(dialog, id);
    RECT rect;
    if (!control || !GetWindowRect(control, &rect))
        return;
    if (partial) {
        rect.left += xOffset;
        rect.right = rect.left + width;
        rect.bottom = rect.top + g_captionHeight;
    }
    MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
    InvalidateRect(dialog, &rect, text != NULL);
    if (text)
        SetWindowTextA(control, text);
}

INT_PTR AnswerControlColour(HDC dc, HWND control)
{
    SetTextColor(dc, GetControlColour(GetDlgCtrlID(control)));
    SetBkMode(dc, TRANSPARENT);
    return (INT_PTR)GetStockObject(NULL_BRUSH);
}
