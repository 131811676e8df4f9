// Page creation in a fresh process: a library is found by its own file
// name, so a copy under another name, registered and loaded by the shell,
// adds no page; Serrafin traces page creation in its debug log; and only
// the shell holds the libraries, so its unloading of unused ones shows that
// a library stays while a page of it exists.
//
// The tests run in this order: the first needs the libraries not yet
// loaded under their own names, the second a fresh load of Serrafin.
#include "sheetfixture.h"

#include <fstream>
#include <sstream>

using namespace testing_support;

namespace {

std::vector<std::string> LogLines()
{
    std::ifstream file("c:\\serrafinlog.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

class PageCreation : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        UnregisterPageLibraries();
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        DeleteFileA("c:\\serrafinlog.txt");
        // Serrafin reads its switch when it loads.
        WriteDword(HKEY_CURRENT_USER, "Software\\Vantrel\\Modivane", "Debug", 1);
    }
    void TearDown() override
    {
        UnregisterPageLibraries();
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        CoUninitialize();
    }
};

TEST_F(PageCreation, RenamedLibrariesAddNoPage)
{
    std::vector<std::string> copies;
    for (const PageLibrary &library : kPageLibraries) {
        ASSERT_EQ(GetModuleHandleA(library.file), (HMODULE)NULL)
            << "the library under its own name would answer for the copy";
        std::string copy = ProgramFolder() + "\\renamed-" + library.handler + ".dll";
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + library.file).c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(RegisterPageLibrary(library, copy.c_str()));
        copies.push_back(copy);
    }
    DisplaySheet sheet;
    EXPECT_EQ(CollectDisplayPages(&sheet), 0u);
    // The shell did load them and ask them for pages.
    EXPECT_NE(GetModuleHandleA("renamed-Modivane.dll"), (HMODULE)NULL);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"AddPage(!ok)"});
    CloseDisplaySheet(&sheet);
    CoFreeUnusedLibraries();
    for (const std::string &copy : copies)
        DeleteFileA(copy.c_str());
}

TEST_F(PageCreation, SerrafinTracesPageCreationAndOpenPagesKeepTheLibraries)
{
    ASSERT_EQ(GetModuleHandleA("Serrafin.dll"), (HMODULE)NULL);
    ASSERT_TRUE(RegisterPageLibraries(ProgramFolder().c_str()));
    DisplaySheet sheet;
    ASSERT_EQ(CollectDisplayPages(&sheet), 2u);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"CreatePage()", "Modivane", "AddPage(ok)"}));

    // The page's initialisation follows, with the modes key it finds.
    ShowDisplaySheet(&sheet, NULL, 0, true);
    for (int page = 0; page < 2; ++page) {
        PropSheet_SetCurSel(sheet.window, NULL, page);
        PumpMessages(sheet.window);
    }
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[3], "WM_INITDIALOG");
    EXPECT_EQ(lines[4].rfind("Display Key=>", 0), 0u) << lines[4];

    // The shell (Explorer) asks now and then whether its extensions may go,
    // and holds no reference to them while their pages are shown.
    CoFreeUnusedLibraries();
    for (const PageLibrary &library : kPageLibraries)
        ASSERT_NE(GetModuleHandleA(library.file), (HMODULE)NULL) << library.file << " went under its page";
    for (int page = 0; page < 2; ++page) {
        PropSheet_SetCurSel(sheet.window, NULL, page);
        PumpMessages(sheet.window);
    }
    CloseDisplaySheet(&sheet);
    CoFreeUnusedLibraries();
    for (const PageLibrary &library : kPageLibraries)
        EXPECT_EQ(GetModuleHandleA(library.file), (HMODULE)NULL) << library.file << " outlived its page";
}

}  // namespace
