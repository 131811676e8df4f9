// The page libraries in Display Properties: registered as the installer
// does, loaded by the shell's extension loader, shown in a real sheet.
#include "sheetfixture.h"

#include <htmlhelp.h>

#include <algorithm>

#include "../../clock/quillanids.h"
// Each library's page icon has its own id under the same name.
#undef IDI_PAGE
#include "../../modes/serrafinids.h"

using namespace testing_support;

namespace {

const char kTachyra[] = "Software\\Vantrel\\ATI Radeon Tachyra";
const char kTachyraLocalization[] = "Software\\Vantrel\\ATI Radeon Tachyra\\Localization";

class DisplayProperties : public SheetTest {
protected:
    // The shell lists the handlers in the registry's order, not ours.
    std::vector<std::string> TabTitles() const
    {
        std::vector<std::string> titles = SheetTest::TabTitles();
        std::sort(titles.begin(), titles.end());
        return titles;
    }
    static std::vector<std::string> Titles(std::string a, std::string b)
    {
        std::vector<std::string> titles = {a, b};
        std::sort(titles.begin(), titles.end());
        return titles;
    }
};

TEST_F(DisplayProperties, EachLibraryAddsItsTabWithItsTitle)
{
    ASSERT_EQ(OpenSheet(), 2u);
    EXPECT_EQ(TabTitles(), Titles("Tachyra", "Modivane"));
    // Each page is template 101 of the library that added it.
    char text[64] = "";
    GetDlgItemTextA(ShowTab("Tachyra"), IDC_OUTER_FRAME, text, sizeof text);
    EXPECT_STREQ(text, "ATI Radeon Tachyra");
    GetDlgItemTextA(ShowTab("Modivane"), IDC_MODES_FRAME, text, sizeof text);
    EXPECT_STREQ(text, "ATI Radeon Modivane");
    Finish(PSBTN_CANCEL);

    // A localised title replaces string 3; one that does not fit the
    // 128-byte title buffer cannot be read, and string 3 stays.
    WriteString(HKEY_CURRENT_USER, kTachyraLocalization, "3", "Takt");
    ASSERT_EQ(OpenSheet(), 2u);
    EXPECT_EQ(TabTitles(), Titles("Takt", "Modivane"));
    CloseSheet();
    WriteString(HKEY_CURRENT_USER, kTachyraLocalization, "3", std::string(127, 'x').c_str());
    ASSERT_EQ(OpenSheet(), 2u);
    EXPECT_EQ(TabTitles(), Titles(std::string(127, 'x'), "Modivane"));
    CloseSheet();
    WriteString(HKEY_CURRENT_USER, kTachyraLocalization, "3", std::string(128, 'x').c_str());
    ASSERT_EQ(OpenSheet(), 2u);
    EXPECT_EQ(TabTitles(), Titles("Tachyra", "Modivane"));
}

TEST_F(DisplayProperties, HelpButtonFollowsHelpFile)
{
    ASSERT_EQ(OpenSheet(), 2u);
    ShowTab("Tachyra");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Sheet(), IDHELP)));
    Press(PSBTN_HELP);
    EXPECT_TRUE(HelpCalls().empty());
    Finish(PSBTN_CANCEL);

    WriteString(HKEY_CURRENT_USER, kTachyra, "HelpFile", "C:\\help\\tachyra.chm");
    ASSERT_EQ(OpenSheet(), 2u);
    ShowTab("Modivane");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Sheet(), IDHELP))) << "each library has its own";
    HWND page = ShowTab("Tachyra");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Sheet(), IDHELP)));
    HelpCalls();
    Press(PSBTN_HELP);
    std::vector<HelpCall> calls = HelpCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, (UINT)HH_DISPLAY_TOC);
    EXPECT_STREQ(calls[0].file, "C:\\help\\tachyra.chm");
    EXPECT_EQ(calls[0].owner, page);
    Finish(PSBTN_CANCEL);

    // The value read at the previous sheet does not linger.
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    ASSERT_EQ(OpenSheet(), 2u);
    ShowTab("Tachyra");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Sheet(), IDHELP)));
}

// Counts the page-changed messages a sheet window receives.
int g_changedMessages;
WNDPROC g_sheetProcedure;
LRESULT CALLBACK CountChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PSM_CHANGED || message == PSM_UNCHANGED)
        ++g_changedMessages;
    return CallWindowProcA(g_sheetProcedure, window, message, wParam, lParam);
}

TEST_F(DisplayProperties, APageNeverAddressesAnEarlierSheet)
{
    ASSERT_EQ(OpenSheet(), 2u);
    ShowTab("Tachyra");
    ShowTab("Modivane");
    // The first sheet is closed by its user, but its window is still there.
    DisplaySheet earlier = sheet_;
    sheet_ = DisplaySheet();
    PropSheet_PressButton(earlier.window, PSBTN_CANCEL);
    PumpMessages(earlier.window);
    g_changedMessages = 0;
    g_sheetProcedure =
        (WNDPROC)SetWindowLongPtrA(earlier.window, GWLP_WNDPROC, (LONG_PTR)CountChanged);

    // The new page reports to a sheet as soon as it initialises, before it
    // has learnt its own.
    ASSERT_EQ(OpenSheet(), 2u);
    ShowTab("Tachyra");
    ShowTab("Modivane");
    EXPECT_EQ(g_changedMessages, 0);

    // The earlier sheet's pages going away leaves the new sheet's page its
    // own sheet: a change there, without a fresh activation, still lights
    // up Apply.
    ShowTab("Tachyra");
    HWND page = PropSheet_GetCurrentPageHwnd(sheet_.window);
    ShowTab("Modivane");
    CloseDisplaySheet(&earlier);
    HWND slider = GetDlgItem(page, IDC_CORE_SLIDER);
    ASSERT_NE(slider, (HWND)NULL);
    HWND apply = GetDlgItem(sheet_.window, 0x3021);
    EXPECT_FALSE(IsWindowEnabled(apply));
    SendMessageA(slider, TBM_SETPOS, TRUE, 3);
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 3), (LPARAM)slider);
    EXPECT_TRUE(IsWindowEnabled(apply));
}

}  // namespace
