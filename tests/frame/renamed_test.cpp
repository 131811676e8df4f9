// A page library is found by its own file name: a copy under another name,
// registered and loaded by the shell, adds no page.
#include "sheetfixture.h"

using namespace testing_support;

namespace {

TEST(RenamedLibrary, AddsNoPage)
{
    ASSERT_EQ(GetModuleHandleA("Quillan.dll"), (HMODULE)NULL)
        << "the library under its own name would answer for the copy";
    CoInitialize(NULL);
    UnregisterPageLibraries();
    std::string copy = ProgramFolder() + "\\renamed-Tachyra.dll";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\Quillan.dll").c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(RegisterPageLibrary(kPageLibraries[0], copy.c_str()));

    DisplaySheet sheet;
    EXPECT_EQ(CollectDisplayPages(&sheet), 0u);
    // The shell did load it and ask it for pages.
    EXPECT_NE(GetModuleHandleA("renamed-Tachyra.dll"), (HMODULE)NULL);
    CloseDisplaySheet(&sheet);

    UnregisterPageLibraries();
    CoUninitialize();
    DeleteFileA(copy.c_str());
}

}  // namespace
