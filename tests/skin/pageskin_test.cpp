// The skin as the user sees it: the page in Display Properties, loaded by
// the shell, takes its fonts, colours and help texts from the registry.
#include "sheetfixture.h"

#include "../../clock/quillanids.h"
// Each library's page icon has its own id under the same name.
#undef IDI_PAGE
#include "../../modes/serrafinids.h"

using namespace testing_support;

namespace {

const char kRoot[] = "Software\\Vantrel\\ATI Radeon Tachyra";
const std::string kDefinition = std::string(kRoot) + "\\Fonts\\Definitions\\Captions";
const std::string kControls = std::string(kRoot) + "\\Fonts\\Controls";

class PageSkin : public SheetTest {
protected:
    HWND OpenPage()
    {
        EXPECT_EQ(OpenSheet(), 2u);
        return ShowTab("Tachyra");
    }
    static LOGFONTA FontOf(HWND control)
    {
        LOGFONTA font = {};
        GetObjectA((HFONT)SendMessageA(control, WM_GETFONT, 0, 0), sizeof font, &font);
        return font;
    }
    // The text of the popup that context help on the control shows.
    std::string PopupFor(HWND page, int id)
    {
        HelpCalls();
        SendMessageA(page, WM_CONTEXTMENU, (WPARAM)GetDlgItem(page, id), 0);
        std::vector<HelpCall> calls = HelpCalls();
        return calls.size() == 1 ? calls[0].text : "(" + std::to_string(calls.size()) + " popups)";
    }
};

TEST_F(PageSkin, FontsFollowTheirDefinitions)
{
    WriteString(HKEY_CURRENT_USER, kDefinition.c_str(), "Font", "Tahoma");
    WriteString(HKEY_CURRENT_USER, kDefinition.c_str(), "ID", "3");
    WriteString(HKEY_CURRENT_USER, kDefinition.c_str(), "FontHeight", "12");
    WriteDword(HKEY_CURRENT_USER, kDefinition.c_str(), "FontWeight", 700);
    WriteDword(HKEY_CURRENT_USER, kControls.c_str(), "Default", 3);
    WriteDword(HKEY_CURRENT_USER, kControls.c_str(), "1471", 9);  // no such font
    HWND page = OpenPage();
    LOGFONTA frame = FontOf(GetDlgItem(page, IDC_OUTER_FRAME));
    EXPECT_EQ(frame.lfHeight, -12);
    EXPECT_EQ(frame.lfWeight, 700);
    EXPECT_STREQ(frame.lfFaceName, "Tahoma");
    // An unknown font number keeps the template's font, Default or not.
    EXPECT_EQ(SendMessageA(GetDlgItem(page, IDC_VALUES_TEXT), WM_GETFONT, 0, 0),
              SendMessageA(page, WM_GETFONT, 0, 0));

    // A second sheet's page, activated last, owns the skin: Cancel on the
    // first sheet leaves the fonts it draws with.
    DisplaySheet first = sheet_;
    sheet_ = DisplaySheet();
    page = OpenPage();
    PropSheet_PressButton(first.window, PSBTN_CANCEL);
    PumpMessages(first.window);
    CloseDisplaySheet(&first);
    EXPECT_EQ(FontOf(GetDlgItem(page, IDC_OUTER_FRAME)).lfHeight, -12) << "the second page's font is gone";

    // Closed with OK, the page lets its fonts go: the next sheet makes them
    // from the definitions as they are then.
    Finish(PSBTN_OK);
    WriteDword(HKEY_CURRENT_USER, kDefinition.c_str(), "FontHeight", 20);
    page = OpenPage();
    EXPECT_EQ(FontOf(GetDlgItem(page, IDC_OUTER_FRAME)).lfHeight, -20);
}

TEST_F(PageSkin, TextsAndColours)
{
    WriteDword(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Colours").c_str(), "default", 255);
    WriteString(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Localization").c_str(), "1441", "Takt");
    HWND page = OpenPage();
    char text[32] = "";
    GetDlgItemTextA(page, IDC_OUTER_FRAME, text, sizeof text);
    EXPECT_STREQ(text, "Takt");

    // The frame's caption is drawn in pure red.
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateBitmap(200, 40, 1, 32, NULL);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 200, 40, WHITENESS);
    SelectObject(dc, (HFONT)SendMessageA(page, WM_GETFONT, 0, 0));
    DRAWITEMSTRUCT item = {ODT_STATIC, IDC_OUTER_FRAME, 0, ODA_DRAWENTIRE, 0,
                           GetDlgItem(page, IDC_OUTER_FRAME), dc, {0, 0, 200, 40}, 0};
    SendMessageA(page, WM_DRAWITEM, IDC_OUTER_FRAME, (LPARAM)&item);
    int red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            red += GetPixel(dc, x, y) == RGB(255, 0, 0);
    EXPECT_GT(red, 10);
    // Plain static texts take the colour through the colour answer.
    EXPECT_EQ(SendMessageA(page, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)GetDlgItem(page, IDC_VALUES_TEXT)),
              (LRESULT)GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(PageSkin, HelpTextsLastUntilTheSheetIsCancelled)
{
    WriteString(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Help").c_str(), "1418", "Back to the factory");
    HWND page = OpenPage();
    EXPECT_EQ(PopupFor(page, IDC_FACTORY_DEFAULTS), "Back to the factory");
    EXPECT_EQ(PopupFor(page, IDC_PROFILE_NAME), "(0 popups)") << "no help for the profile box";
    Finish(PSBTN_CANCEL);

    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    page = OpenPage();
    EXPECT_EQ(PopupFor(page, IDC_FACTORY_DEFAULTS), "Set the values back to where they belong.");
}

TEST_F(PageSkin, EachLibraryReadsItsOwnKey)
{
    WriteString(HKEY_CURRENT_USER, "Software\\Vantrel\\Modivane\\Localization", "1478", "Modi");
    WriteString(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Localization").c_str(), "1478", "not this");
    ASSERT_EQ(OpenSheet(), 2u);
    HWND page = ShowTab("Modivane");
    char text[32] = "";
    GetDlgItemTextA(page, IDC_MODES_FRAME, text, sizeof text);
    EXPECT_STREQ(text, "Modi");
    EXPECT_EQ(PopupFor(page, IDC_MODE_LIST), "Custom Display Settings.");
}

}  // namespace
