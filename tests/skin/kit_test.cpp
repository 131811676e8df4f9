// The skin kit linked in directly, with the library's resources, for what
// the page shows only as pixels: bitmaps, owner-drawn controls, the
// countdown dialog, the font table and the help texts.
#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../../frame/page.h"
#include "cfg.h"
#include "helpcalls.h"
#include "skin.h"
#if defined(LIBRARY_SERRAFIN)
#include "serrafinlib.h"
enum { kIsSerrafin = 1, kOuterFrame = IDC_MODES_FRAME };
#else
#include "clockpage.h"
#include "quillanlib.h"
enum { kIsSerrafin = 0, kOuterFrame = IDC_OUTER_FRAME };
#endif
#include "winsupport.h"

using namespace testing_support;

namespace {

const char kRoot[] = LIBRARY_ROOT_KEY;
const std::string kColours = std::string(kRoot) + "\\Colours";

// A memory context drawing into a white 32-bit picture.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    uint32_t *bits;
    int width, height;
    Canvas(int w, int h) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB};
        dc = CreateCompatibleDC(NULL);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
        old = SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; ++i)
            bits[i] = 0xFFFFFF;
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        uint32_t p = bits[y * width + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
};

// A bottom-up 32-bit DIB section whose pixel (x, y) is colour(x, y).
template <typename Colour>
HBITMAP MakePicture(int w, int h, Colour colour)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, w, h, 1, 32, BI_RGB};
    uint32_t *bits;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = colour(x, y);
            bits[(h - 1 - y) * w + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    return bitmap;
}

// Each pixel names its own position, so a copy shows where it came from.
COLORREF Position(int x, int y)
{
    return RGB(x, y, 0x55);
}

// Counts calls a function of the kit makes, through the test program's
// imports; the original is restored when the counter goes.
template <typename Function>
struct Counted {
    static Function original;
    static int calls;
    const char *dll, *name;
    Counted(const char *d, const char *n, Function replacement) : dll(d), name(n)
    {
        calls = 0;
        original = (Function)PatchImport(GetModuleHandleA(NULL), dll, name, (void *)replacement);
        EXPECT_NE((void *)original, nullptr) << name;
    }
    ~Counted() { PatchImport(GetModuleHandleA(NULL), dll, name, (void *)original); }
};
template <typename Function> Function Counted<Function>::original;
template <typename Function> int Counted<Function>::calls;

typedef BOOL(WINAPI *BitBltProc)(HDC, int, int, int, int, HDC, int, int, DWORD);
typedef BOOL(WINAPI *StretchBltProc)(HDC, int, int, int, int, HDC, int, int, int, int, DWORD);
BOOL WINAPI CountBitBlt(HDC a, int b, int c, int d, int e, HDC f, int g, int h, DWORD i)
{
    ++Counted<BitBltProc>::calls;
    return Counted<BitBltProc>::original(a, b, c, d, e, f, g, h, i);
}
BOOL WINAPI CountStretchBlt(HDC a, int b, int c, int d, int e, HDC f, int g, int h, int i, int j, DWORD k)
{
    ++Counted<StretchBltProc>::calls;
    return Counted<StretchBltProc>::original(a, b, c, d, e, f, g, h, i, j, k);
}

class Kit : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        g_module = GetModuleHandleA(NULL);
        g_helpKnown = 0;
    }
    void TearDown() override
    {
        ReleaseSkin();
        g_shadowOffset = 0;
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    }
};

// Bitmaps ---------------------------------------------------------------------

TEST_F(Kit, DibCopyAndTint)
{
    HDC screen = GetDC(NULL);
    HBITMAP source = MakePicture(2, 2, Position);
    HBITMAP same = CreateDibCopy(screen, 2, 2, source);
    HBITMAP larger = CreateDibCopy(screen, 4, 4, source);
    ASSERT_TRUE(same && larger);
    DIBSECTION section;
    ASSERT_EQ(GetObjectA(larger, sizeof section, &section), (int)sizeof section);
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_GT(section.dsBmih.biHeight, 0) << "rows run bottom-up";
    Canvas canvas(4, 4);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, same);
    BitBlt(canvas.dc, 0, 0, 2, 2, memory, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.At(1, 0), Position(1, 0));
    SelectObject(memory, larger);
    BitBlt(canvas.dc, 0, 0, 4, 4, memory, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.At(3, 2), Position(1, 1)) << "stretched to fit";
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(same);
    DeleteObject(larger);

    // A one-row uniform picture takes the base colour; the original goes.
    HBITMAP uniform = MakePicture(4, 1, [](int, int) { return RGB(90, 90, 90); });
    HBITMAP tinted = TintBitmap(screen, uniform, RGB(212, 208, 200));
    ASSERT_NE(tinted, uniform);
    EXPECT_EQ(GetObjectA(uniform, sizeof section, &section), 0) << "the original was not deleted";
    ASSERT_EQ(GetObjectA(tinted, sizeof section, &section), (int)sizeof section);
    uint32_t pixel = *(uint32_t *)section.dsBm.bmBits;
    auto channel = [](int c) { return (uint32_t)(int)(255.0 * (c / 255.0)); };
    EXPECT_EQ(pixel, channel(212) << 16 | channel(208) << 8 | channel(200)) << std::hex << pixel;
    DeleteObject(tinted);
    ReleaseDC(NULL, screen);
}

TEST_F(Kit, BackgroundIsStretchedOrTiled)
{
    struct Case {
        int picture, width, height, tiles, stretches;
        POINT at, from;  // a target pixel and the picture pixel it shows
    } cases[] = {
        {100, 120, 300, 0, 1, {119, 299}, {99, 99}},  // less than 32 wider: stretched
        {100, 140, 140, 4, 0, {139, 101}, {39, 1}},   // 2 x 2 tiles
        {64, 300, 200, 20, 0, {257, 195}, {1, 3}},    // 5 columns, 4 rows
    };
    for (const Case &c : cases) {
        HBITMAP picture = MakePicture(c.picture, c.picture, Position);
        Canvas canvas(c.width, c.height);
        RECT area = {0, 0, c.width, c.height};
        {
            Counted<BitBltProc> tiles("gdi32.dll", "BitBlt", CountBitBlt);
            Counted<StretchBltProc> stretches("gdi32.dll", "StretchBlt", CountStretchBlt);
            PaintBackground(canvas.dc, &area, picture);
            EXPECT_EQ(tiles.calls, c.tiles) << c.width << " x " << c.height;
            EXPECT_EQ(stretches.calls, c.stretches) << c.width << " x " << c.height;
        }
        EXPECT_EQ(canvas.At(0, 0), Position(0, 0));
        EXPECT_EQ(canvas.At(c.at.x, c.at.y), Position(c.from.x, c.from.y)) << c.width << " x " << c.height;
        DeleteObject(picture);
    }
}

// Writes a 24-bit bitmap file of one colour.
void WriteBitmapFile(const std::string &path, int w, int h, COLORREF colour)
{
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {0x4D42, (DWORD)(sizeof file + sizeof(BITMAPINFOHEADER) + stride * h), 0,
                             0, sizeof file + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER header = {sizeof header, w, h, 1, 24, BI_RGB};
    std::string rows(stride * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rows[y * stride + x * 3] = (char)GetBValue(colour);
            rows[y * stride + x * 3 + 1] = (char)GetGValue(colour);
            rows[y * stride + x * 3 + 2] = (char)GetRValue(colour);
        }
    FILE *out = fopen(path.c_str(), "wb");
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(rows.data(), rows.size(), 1, out);
    fclose(out);
}

TEST_F(Kit, BitmapsComeFromTheFilesTheRegistryNames)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string background = std::string(folder) + "kit-background.bmp";
    WriteBitmapFile(background, 6, 1, RGB(40, 80, 120));
    WriteString(HKEY_CURRENT_USER, kRoot, "BackgroundBitmap", background.c_str());
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 50, 50, NULL, NULL, NULL, NULL);

    LoadSkinBitmaps(window);
    ASSERT_NE(g_backgroundBitmap, (HBITMAP)NULL);
    // One row of one colour: re-coloured to the face colour exactly.
    Canvas canvas(6, 1);
    RECT area = {0, 0, 6, 1};
    PaintBackground(canvas.dc, &area, g_backgroundBitmap);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto tinted = [](BYTE c) { return (BYTE)(int)(255.0 * (c / 255.0)); };
    EXPECT_EQ(canvas.At(3, 0), RGB(tinted(GetRValue(face)), tinted(GetGValue(face)), tinted(GetBValue(face))));
    Canvas erased(6, 1);
    EXPECT_TRUE(EraseSkinBackground(window, erased.dc));
#if !defined(LIBRARY_SERRAFIN)
    EXPECT_EQ(g_logoBitmap, (HBITMAP)NULL);
    WriteString(HKEY_CURRENT_USER, kRoot, "LogoBitmap", background.c_str());
    LoadSkinBitmaps(window);
    EXPECT_NE(g_logoBitmap, (HBITMAP)NULL);
#endif

    // A file that cannot be read leaves no background.
    WriteString(HKEY_CURRENT_USER, kRoot, "BackgroundBitmap", "C:\\no\\such.bmp");
    LoadSkinBitmaps(window);
    EXPECT_EQ(g_backgroundBitmap, (HBITMAP)NULL);
    EXPECT_FALSE(EraseSkinBackground(window, erased.dc));
#if defined(LIBRARY_SERRAFIN)
    // Without a background of its own the modes page takes "Serrafin.bmp"
    // from the current directory, tinted like any other.
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    SetCurrentDirectoryA(folder);
    CopyFileA(background.c_str(), "Serrafin.bmp", FALSE);
    LoadSkinBitmaps(window);
    DeleteFileA("Serrafin.bmp");
    SetCurrentDirectoryA(current);
    ASSERT_NE(g_backgroundBitmap, (HBITMAP)NULL);
    Canvas fallback(6, 1);
    PaintBackground(fallback.dc, &area, g_backgroundBitmap);
    EXPECT_EQ(fallback.At(3, 0), canvas.At(3, 0));
#endif
    DestroyWindow(window);
    DeleteFileA(background.c_str());
}

// Owner-drawn controls ------------------------------------------------------------

struct TextPass {
    RECT rect;
    COLORREF colour;
    UINT flags;
};
std::vector<TextPass> g_passes;
typedef int(WINAPI *DrawTextProc)(HDC, LPCSTR, int, LPRECT, UINT);
int WINAPI RecordDrawText(HDC dc, LPCSTR text, int length, LPRECT rect, UINT flags)
{
    g_passes.push_back({*rect, GetTextColor(dc), flags});
    return Counted<DrawTextProc>::original(dc, text, length, rect, flags);
}

// Caption extents as a chosen font would measure them: 100 x 15 for the
// whole caption, 40 for the part from the ':' on.
typedef BOOL(WINAPI *ExtentProc)(HDC, LPCSTR, int, LPSIZE);
BOOL WINAPI FixedExtent(HDC, LPCSTR text, int, LPSIZE size)
{
    size->cx = text[0] == ':' ? 40 : 100;
    size->cy = 15;
    return TRUE;
}

// An owner-drawn control of the given class and style in a popup window.
struct Control {
    HWND parent, window;
    // A parent of the dialog class has room for a page's state (DWLP_USER).
    Control(const char *className, DWORD style, int id, const char *text,
            const char *parentClass = "STATIC")
    {
        parent = CreateWindowA(parentClass, "", WS_POPUP, 0, 0, 400, 200, NULL, NULL, NULL, NULL);
        window = CreateWindowA(className, text, WS_CHILD | style, 0, 0, 300, 60, parent,
                               (HMENU)(INT_PTR)id, NULL, NULL);
    }
    ~Control() { DestroyWindow(parent); }
    DRAWITEMSTRUCT Item(HDC dc, UINT state = 0) const
    {
        DRAWITEMSTRUCT item = {};
        item.CtlID = GetDlgCtrlID(window);
        item.itemState = state;
        item.hwndItem = window;
        item.hDC = dc;
        GetClientRect(window, &item.rcItem);
        return item;
    }
};

TEST_F(Kit, GroupFrameCaptionAndEdges)
{
    WriteDword(HKEY_CURRENT_USER, kColours.c_str(), "default", RGB(0, 0, 255));
    Canvas canvas(300, 60);
    Counted<ExtentProc> extent("gdi32.dll", "GetTextExtentPoint32A", FixedExtent);
#if defined(LIBRARY_SERRAFIN)
    const int frameId = IDC_MODES_FRAME;
#else
    const int frameId = IDC_CORE_FRAME;
#endif
    Control frame("STATIC", SS_OWNERDRAW, frameId, "Core Clock: 166.5 MHz", "#32770");
#if !defined(LIBRARY_SERRAFIN)
    ClockPage page = {};
    SetWindowLongPtrA(frame.parent, DWLP_USER, (LONG_PTR)&page);
#endif
    DRAWITEMSTRUCT item = frame.Item(canvas.dc);
    EXPECT_EQ(DrawGroupFrame(frame.parent, &item), 1);
    EXPECT_EQ(g_captionHeight, 15);

    // Caption from x = 12 (8 x 15 / 10); top edge at y = 7, left of the
    // caption from x = 1 to 10, right of it from 12 + 100 + 2 on.
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), white = RGB(255, 255, 255);
    int firstBlue = -1;
    for (int x = 0; x < 300 && firstBlue < 0; ++x)
        for (int y = 0; y < 15; ++y)
            if (canvas.At(x, y) == RGB(0, 0, 255)) {
                firstBlue = x;
                break;
            }
    EXPECT_GE(firstBlue, 12);
    EXPECT_LE(firstBlue, 14);
    EXPECT_EQ(canvas.At(1, 7), shadow);
    EXPECT_EQ(canvas.At(9, 7), shadow);
    EXPECT_EQ(canvas.At(10, 7), white);
    EXPECT_EQ(canvas.At(113, 7), white);
    EXPECT_EQ(canvas.At(114, 7), shadow);
    EXPECT_EQ(canvas.At(298, 7), shadow);
    EXPECT_EQ(canvas.At(0, 30), shadow) << "left side";
    EXPECT_EQ(canvas.At(150, 58), shadow) << "bottom";

#if !defined(LIBRARY_SERRAFIN)
    // Where the clock page repaints the number: value start and caption end,
    // kept on the page the frame belongs to.
    EXPECT_EQ(page.coreValueStart, 75);
    EXPECT_EQ(page.coreCaptionEnd, 115);
    SetWindowTextA(frame.window, "Core Clock 166.5 MHz");
    DrawGroupFrame(frame.parent, &item);
    EXPECT_EQ(page.coreValueStart, 115);
    EXPECT_EQ(page.coreCaptionEnd, 115);
    SetWindowLongPtrA(frame.parent, DWLP_USER, 0);
#endif
}

TEST_F(Kit, ShadowAndButtonStates)
{
    const COLORREF colour = RGB(128, 0, 255);
    WriteDword(HKEY_CURRENT_USER, kColours.c_str(), "1481", colour);
    Canvas canvas(300, 60);
    Counted<DrawTextProc> drawText("user32.dll", "DrawTextA", RecordDrawText);
    Control button("BUTTON", BS_OWNERDRAW, IDC_COUNTDOWN_YES, "Yes");

    g_passes.clear();
    DRAWITEMSTRUCT item = button.Item(canvas.dc);
    EXPECT_EQ(DrawSkinButton(button.parent, &item), 1);
    ASSERT_EQ(g_passes.size(), 1u) << "no shadow with offset 0";
    TextPass released = g_passes[0];
    EXPECT_EQ(released.colour, colour);
    EXPECT_EQ(released.flags, (UINT)(DT_SINGLELINE | DT_CENTER | DT_VCENTER));

    // Offset 2: a darkened copy 2 pixels right and down, then the text.
    g_shadowOffset = 2;
    g_passes.clear();
    DrawSkinButton(button.parent, &item);
    ASSERT_EQ(g_passes.size(), 2u);
    EXPECT_EQ(g_passes[0].colour, DarkenColour(colour, 0.25));
    EXPECT_EQ(g_passes[0].colour, RGB(16, 0, 255)) << "each channel to the fourth power";
    EXPECT_EQ(g_passes[0].rect.left, released.rect.left + 2);
    EXPECT_EQ(g_passes[0].rect.top, released.rect.top + 2);
    EXPECT_EQ(g_passes[1].rect.left, released.rect.left);
    g_shadowOffset = 0;

    // Pressed: one pixel right and down. Disabled: Quillan writes white.
    g_passes.clear();
    item = button.Item(canvas.dc, ODS_SELECTED);
    DrawSkinButton(button.parent, &item);
    item = button.Item(canvas.dc, ODS_DISABLED);
    DrawSkinButton(button.parent, &item);
    ASSERT_EQ(g_passes.size(), 2u);
    EXPECT_EQ(g_passes[0].rect.left, released.rect.left + 1);
    EXPECT_EQ(g_passes[0].rect.top, released.rect.top + 1);
    EXPECT_EQ(g_passes[1].colour, kIsSerrafin ? colour : RGB(255, 255, 255));

    // Disabled with a shadow: whatever the main colour, the shadow darkens
    // the control's colour, so it shows on the button.
    g_shadowOffset = 2;
    Canvas disabled(300, 60);
    item = button.Item(disabled.dc, ODS_DISABLED);
    DrawSkinButton(button.parent, &item);
    g_shadowOffset = 0;
    int shadowPixels = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x)
            shadowPixels += disabled.At(x, y) == RGB(16, 0, 255);
    EXPECT_GT(shadowPixels, 0) << "no shadow on the disabled button";

    // No text: edges only.
    g_passes.clear();
    SetWindowTextA(button.window, "");
    item = button.Item(canvas.dc);
    DrawSkinButton(button.parent, &item);
    EXPECT_TRUE(g_passes.empty());
}

#if !defined(LIBRARY_SERRAFIN)
TEST_F(Kit, LogoPanelShowsTheLogoOrItsCaption)
{
    Canvas canvas(300, 60);
    Control logo("STATIC", SS_OWNERDRAW, IDC_LOGO, "Korrindel Tweak");
    DRAWITEMSTRUCT item = logo.Item(canvas.dc);
    DrawLogoPanel(logo.parent, &item);
    EXPECT_EQ(canvas.At(2, 2), GetSysColor(COLOR_WINDOW));

    g_logoBitmap = MakePicture(30, 6, [](int x, int) { return x < 15 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    DrawLogoPanel(logo.parent, &item);
    EXPECT_EQ(canvas.At(10, 30), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(290, 30), RGB(0, 0, 255));
}
#endif

TEST_F(Kit, RefreshControlRepaintsOnlyTheCaptionStrip)
{
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, NULL, NULL, NULL, NULL);
    HWND frame = CreateWindowA("STATIC", "old", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 20, 30, 300, 60,
                               parent, (HMENU)7, NULL, NULL);
    UpdateWindow(parent);
    ValidateRect(parent, NULL);
    g_captionHeight = 15;
    RefreshControl(parent, 7, NULL, 75, 40, TRUE);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(parent, &update, FALSE));
    EXPECT_EQ(update.left, 95);
    EXPECT_EQ(update.top, 30);
    EXPECT_EQ(update.right, 135);
    EXPECT_EQ(update.bottom, 45);
    char text[16];
    GetWindowTextA(frame, text, sizeof text);
    EXPECT_STREQ(text, "old");

    RefreshControl(parent, 7, "new", 0, 0, FALSE);
    GetWindowTextA(frame, text, sizeof text);
    EXPECT_STREQ(text, "new");
    DestroyWindow(parent);
}

TEST_F(Kit, ColourAnswer)
{
    WriteDword(HKEY_CURRENT_USER, kColours.c_str(), "default", RGB(255, 0, 0));
    WriteDword(HKEY_CURRENT_USER, kColours.c_str(), "1481", RGB(0, 128, 0));
    Control yes("BUTTON", BS_OWNERDRAW, 1481, "Yes"), other("STATIC", 0, 1482, "x");
    Canvas canvas(4, 4);
    EXPECT_EQ(AnswerControlColour(canvas.dc, yes.window), (INT_PTR)GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(0, 128, 0));
    EXPECT_EQ(GetBkMode(canvas.dc), TRANSPARENT);
    AnswerControlColour(canvas.dc, other.window);
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(255, 0, 0));
    // Longer than 4 bytes: not a colour; the fall-back holds.
    WriteRaw(HKEY_CURRENT_USER, kColours.c_str(), "1481", REG_BINARY, "\x10\x20\x30\x40\x50", 5);
    EXPECT_EQ(GetControlColour(1481), RGB(255, 0, 0));
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    EXPECT_EQ(GetControlColour(1481), RGB(0, 0, 0));
}

// Skin settings -------------------------------------------------------------------

typedef HFONT(WINAPI *CreateFontProc)(const LOGFONTA *);
HFONT WINAPI CountCreateFont(const LOGFONTA *font)
{
    ++Counted<CreateFontProc>::calls;
    return Counted<CreateFontProc>::original(font);
}

INT_PTR CALLBACK InertDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The library's page template with no page logic behind it.
struct PageDialog {
    HWND parent, page;
    PageDialog()
    {
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 600, 600, NULL, NULL, NULL, NULL);
        page = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_PAGE), parent,
                                  InertDialog, 0);
    }
    ~PageDialog() { DestroyWindow(parent); }
};

TEST_F(Kit, FontTableNeverOverflowsNorLeaks)
{
    std::string definitions = std::string(kRoot) + "\\Fonts\\Definitions\\";
    for (int i = 0; i < 40; ++i) {
        std::string key = definitions + "font" + std::to_string(i);
        WriteString(HKEY_CURRENT_USER, key.c_str(), "Font", "Tahoma");
        WriteDword(HKEY_CURRENT_USER, key.c_str(), "ID", 100 + i);
    }
    // Skipped: no face name, and an ID that is no integer.
    WriteDword(HKEY_CURRENT_USER, (definitions + "nameless").c_str(), "ID", 7);
    WriteString(HKEY_CURRENT_USER, (definitions + "odd").c_str(), "Font", "Tahoma");
    WriteRaw(HKEY_CURRENT_USER, (definitions + "odd").c_str(), "ID", REG_EXPAND_SZ, "8", 2);

    PageDialog dialog;
    ASSERT_NE(dialog.page, (HWND)NULL);
    Counted<CreateFontProc> created("gdi32.dll", "CreateFontIndirectA", CountCreateFont);
    ApplySkin(dialog.page);
    EXPECT_EQ(g_fontCount, kFontTableSize);
    EXPECT_EQ(created.calls, kFontTableSize) << "a font that does not fit is not made";
    for (int i = 0; i < g_fontCount; ++i)
        EXPECT_NE(g_fontTable[i].number, 7);
    // Every countdown dialog skins itself again: nothing new is made.
    ApplySkin(dialog.page);
    ApplySkin(dialog.page);
    EXPECT_EQ(created.calls, kFontTableSize);
    ReleaseSkin();
    EXPECT_EQ(g_fontCount, 0);
    ApplySkin(dialog.page);
    EXPECT_EQ(created.calls, 2 * kFontTableSize);
}

// Blocks the registry helpers have handed out and not taken back.
#if defined(LIBRARY_SERRAFIN)
int OutstandingBlocks()
{
    return (int)(g_cfgBlocksAllocated - g_cfgBlocksFreed);
}
#else
int g_blocks;
typedef HGLOBAL(WINAPI *GlobalAllocProc)(UINT, SIZE_T);
typedef HGLOBAL(WINAPI *GlobalFreeProc)(HGLOBAL);
HGLOBAL WINAPI CountAlloc(UINT flags, SIZE_T size)
{
    HGLOBAL block = Counted<GlobalAllocProc>::original(flags, size);
    g_blocks += block != NULL;
    return block;
}
HGLOBAL WINAPI CountFree(HGLOBAL block)
{
    --g_blocks;
    return Counted<GlobalFreeProc>::original(block);
}
int OutstandingBlocks()
{
    return g_blocks;
}
#endif

TEST_F(Kit, HelpTextsAreReplacedNotLeaked)
{
#if !defined(LIBRARY_SERRAFIN)
    Counted<GlobalAllocProc> alloc("kernel32.dll", "GlobalAlloc", CountAlloc);
    Counted<GlobalFreeProc> release("kernel32.dll", "GlobalFree", CountFree);
#endif
    const int id = g_library.helpTexts[0].id;
    const std::string name = std::to_string(id);
    const std::string help = std::string(kRoot) + "\\Help";
    int before = OutstandingBlocks();
    WriteString(HKEY_CURRENT_USER, help.c_str(), name.c_str(), "From the registry");
    LoadHelpTexts();
    EXPECT_STREQ(GetHelpText(id), "From the registry");
    EXPECT_EQ(OutstandingBlocks(), before + 1);
    // A second page initialised without a release in between.
    WriteString(HKEY_CURRENT_USER, help.c_str(), name.c_str(), "Changed");
    LoadHelpTexts();
    EXPECT_STREQ(GetHelpText(id), "Changed");
    EXPECT_EQ(OutstandingBlocks(), before + 1);
    DeleteKeyTree(HKEY_CURRENT_USER, help.c_str());
    LoadHelpTexts();
    EXPECT_STREQ(GetHelpText(id), g_library.helpTexts[0].builtIn);
    EXPECT_EQ(OutstandingBlocks(), before);
}

class ContextHelp : public Kit {
protected:
    std::vector<HelpCall> Calls()
    {
        std::vector<HelpCall> calls(8);
        auto recorded = (RecordedHelpCallsProc)(void *)GetProcAddress(GetModuleHandleA("hhctrl.ocx"),
                                                                       "RecordedHelpCalls");
        if (!recorded) {
            ADD_FAILURE() << "hhctrl.ocx is not the recording stand-in";
            return {};
        }
        calls.resize(recorded(calls.data(), 8, TRUE));
        return calls;
    }
};

TEST_F(ContextHelp, PopupsAndTheHelpFile)
{
    PageDialog dialog;
    const int id = g_library.helpTexts[0].id;
    HWND control = GetDlgItem(dialog.page, id);
    ASSERT_NE(control, (HWND)NULL);
    SetCursorPos(123, 45);
    HELPINFO info = {sizeof info, HELPINFO_WINDOW, id, control, 0, {123, 45}};
    EXPECT_EQ(ShowContextHelp(dialog.page, WM_HELP, 0, (LPARAM)&info), (INT_PTR)STANDIN_HELP_WINDOW);
    std::vector<HelpCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    const HelpCall &popup = calls[0];
    EXPECT_EQ(popup.command, (UINT)HH_DISPLAY_TEXT_POPUP);
    EXPECT_EQ(popup.owner, control);
    EXPECT_FALSE(popup.hasFile);
    EXPECT_EQ(popup.popupSize, (int)sizeof(HH_POPUP));
    EXPECT_EQ(popup.popupInstance, (HINSTANCE)NULL);
    EXPECT_EQ(popup.popupStringId, 0u);
    EXPECT_STREQ(popup.text, g_library.helpTexts[0].builtIn);
    EXPECT_EQ(popup.point.x, 123);
    EXPECT_EQ(popup.point.y, 45);
    EXPECT_EQ(popup.foreground, (COLORREF)-1);
    EXPECT_EQ(popup.background, (COLORREF)-1);
    EXPECT_EQ(popup.margins.left, -1);
    EXPECT_EQ(popup.margins.bottom, -1);
    EXPECT_STREQ(popup.font, "Times New Roman, 10");

    // The context menu asks about the window it names.
    EXPECT_NE(ShowContextHelp(dialog.page, WM_CONTEXTMENU, (WPARAM)control, 0), 0);
    EXPECT_EQ(Calls().size(), 1u);
    // A control without a row, or a row without text, shows nothing.
    HWND frame = GetDlgItem(dialog.page, kOuterFrame);
    EXPECT_EQ(ShowContextHelp(dialog.page, WM_CONTEXTMENU, (WPARAM)frame, 0), 0);
#if !defined(LIBRARY_SERRAFIN)
    EXPECT_EQ(ShowContextHelp(dialog.page, WM_CONTEXTMENU, (WPARAM)GetDlgItem(dialog.page, IDC_LATENCY_SLOW), 0), 0);
#endif
    EXPECT_TRUE(Calls().empty());

    // Any other message opens the help file, when one is configured.
    EXPECT_EQ(ShowContextHelp(dialog.page, (UINT)PSN_HELP, 0, 0), 0);
    EXPECT_TRUE(Calls().empty());
    lstrcpyA(g_helpFile, "C:\\help\\skin.chm");
    g_helpKnown = sizeof "C:\\help\\skin.chm";
    EXPECT_NE(ShowContextHelp(dialog.page, (UINT)PSN_HELP, 0, 0), 0);
    calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, (UINT)HH_DISPLAY_TOC);
    EXPECT_STREQ(calls[0].file, "C:\\help\\skin.chm");
    EXPECT_EQ(calls[0].owner, dialog.page);
}

// Countdown ------------------------------------------------------------------------

// Drives the countdown from inside its modal loop: the test's steps run
// once the dialog is up, with its own timer stopped so that only the ticks
// the test sends count.
std::function<void(HWND)> g_drive;
HWND g_countdown;

BOOL CALLBACK FindCountdown(HWND window, LPARAM)
{
    if (GetDlgItem(window, IDC_COUNTDOWN_BAR)) {
        g_countdown = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DriveCountdown(HWND, UINT, UINT_PTR timer, DWORD)
{
    g_countdown = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindCountdown, 0);
    if (!g_countdown)
        return;
    KillTimer(NULL, timer);
    if (g_drive) {
        KillTimer(g_countdown, 0);
        g_drive(g_countdown);
    }
}

INT_PTR RunCountdown(std::function<void(HWND)> drive)
{
    g_drive = drive;
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    UINT_PTR timer = SetTimer(NULL, 0, 10, DriveCountdown);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_COUNTDOWN), owner,
                                     CountdownDialog, 0);
    KillTimer(NULL, timer);
    DestroyWindow(owner);
    return result;
}

void Tick(HWND dialog, int times)
{
    for (int i = 0; i < times; ++i)
        SendMessageA(dialog, WM_TIMER, 0, 0);
}

void Click(HWND dialog, int id, int notification = BN_CLICKED)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), (LPARAM)GetDlgItem(dialog, id));
}

TEST_F(Kit, CountdownKeepsOnlyOnYes)
{
    EXPECT_EQ(RunCountdown([](HWND dialog) { Tick(dialog, 256); }), 0) << "time ran out";
    EXPECT_EQ(RunCountdown([](HWND dialog) {
                  Tick(dialog, 255);
                  Click(dialog, IDC_COUNTDOWN_YES);
              }),
              1)
        << "Yes on the last tick";
    EXPECT_EQ(RunCountdown([](HWND dialog) { Click(dialog, IDOK); }), 0) << "Enter";
    EXPECT_EQ(RunCountdown([](HWND dialog) {
                  // Notifications other than a click change nothing.
                  Click(dialog, IDC_COUNTDOWN_YES, BN_SETFOCUS);
                  Click(dialog, IDC_COUNTDOWN_NO);
              }),
              0)
        << "No";
}

TEST_F(Kit, CountdownTemplateAndSkin)
{
    WriteString(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Localization").c_str(), "1476", "Behalten?");
    RunCountdown([](HWND dialog) {
        char text[64];
        GetDlgItemTextA(dialog, IDC_COUNTDOWN_QUESTION, text, sizeof text);
        EXPECT_STREQ(text, "Behalten?");
        GetDlgItemTextA(dialog, IDC_COUNTDOWN_YES, text, sizeof text);
        EXPECT_STREQ(text, "Yes");
        GetDlgItemTextA(dialog, IDC_COUNTDOWN_NO, text, sizeof text);
        EXPECT_STREQ(text, "No");
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_STYLE) & WS_POPUP);
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_COUNTDOWN_BAR), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        Click(dialog, IDC_COUNTDOWN_NO);
    });
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    RunCountdown([](HWND dialog) {
        char text[64];
        GetDlgItemTextA(dialog, IDC_COUNTDOWN_QUESTION, text, sizeof text);
        EXPECT_STREQ(text, kIsSerrafin ? "Keep This Refresh Rate?" : "Keep these Settings?");
        Click(dialog, IDC_COUNTDOWN_NO);
    });
}

TEST_F(Kit, CountdownBarTurnsRedFromTheLeft)
{
    RunCountdown([](HWND dialog) {
        Canvas canvas(160, 10);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_STATIC;
        item.CtlID = IDC_COUNTDOWN_BAR;
        item.hwndItem = GetDlgItem(dialog, IDC_COUNTDOWN_BAR);
        item.hDC = canvas.dc;
        item.rcItem = {0, 0, 160, 10};
        // The first paint turns the whole bar green; every tick's paint adds
        // a red stripe up to the elapsed part.
        SendMessageA(dialog, WM_DRAWITEM, IDC_COUNTDOWN_BAR, (LPARAM)&item);
        EXPECT_EQ(canvas.At(159, 5), RGB(0, 192, 0));
        EXPECT_EQ(canvas.At(0, 5), RGB(0, 192, 0));
        for (int tick = 0; tick < 64; ++tick) {
            Tick(dialog, 1);
            SendMessageA(dialog, WM_DRAWITEM, IDC_COUNTDOWN_BAR, (LPARAM)&item);
        }
        EXPECT_EQ(canvas.At(0, 5), RGB(192, 0, 0));
        EXPECT_EQ(canvas.At(39, 9), RGB(192, 0, 0));
        EXPECT_EQ(canvas.At(40, 0), RGB(0, 192, 0));
        Click(dialog, IDC_COUNTDOWN_NO);
    });
}

#if !defined(LIBRARY_SERRAFIN)
// The same dialog in both libraries: once is enough for 12.8 seconds.
TEST_F(Kit, CountdownLeftAloneEndsAfter256TicksOf50ms)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(RunCountdown(nullptr), 0);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 12700u);
    EXPECT_LT(elapsed, 30000u);
}
#endif

#if defined(LIBRARY_SERRAFIN)
// The modes page lets its list go where the skin goes: as the sheet is
// cancelled.
TEST_F(Kit, CancelEmptiesTheModeList)
{
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 600, 600, NULL, NULL, NULL, NULL);
    HWND page = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_PAGE), parent,
                                   g_library.pageProc, 0);
    ASSERT_NE(page, (HWND)NULL);
    HWND list = GetDlgItem(page, IDC_MODE_LIST);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = (char *)"800 x 600";
    ASSERT_EQ(ListView_InsertItem(list, &item), 0);
    ASSERT_NE(ListView_GetImageList(list, LVSIL_SMALL), (HIMAGELIST)NULL);
    NMHDR reset = {parent, 0, (UINT)PSN_RESET};
    SendMessageA(page, WM_NOTIFY, 0, (LPARAM)&reset);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(ListView_GetImageList(list, LVSIL_SMALL), (HIMAGELIST)NULL);
    DestroyWindow(parent);
}
#endif

}  // namespace
