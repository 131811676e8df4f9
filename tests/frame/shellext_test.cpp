// The shell-extension objects behind DllGetClassObject and DllCanUnloadNow,
// as the shell sees them, for each page library.
#define CINTERFACE
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "winsupport.h"

using namespace testing_support;

namespace {

typedef HRESULT(WINAPI *GetClassObjectProc)(REFCLSID, REFIID, void **);
typedef HRESULT(WINAPI *CanUnloadNowProc)();

class ShellExtension : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA(GetParam());
        ASSERT_NE(module_, (HMODULE)NULL);
        getClassObject_ = (GetClassObjectProc)(void *)GetProcAddress(module_, "DllGetClassObject");
        canUnloadNow_ = (CanUnloadNowProc)(void *)GetProcAddress(module_, "DllCanUnloadNow");
        ASSERT_TRUE(getClassObject_ && canUnloadNow_);
        ASSERT_EQ(getClassObject_(kAnyClass, IID_IClassFactory, (void **)&factory_), S_OK);
        ASSERT_EQ(factory_->lpVtbl->CreateInstance(factory_, NULL, IID_IShellPropSheetExt,
                                                   (void **)&sheet_),
                  S_OK);
        ASSERT_EQ(factory_->lpVtbl->CreateInstance(factory_, NULL, IID_IShellExtInit, (void **)&init_),
                  S_OK);
    }
    void TearDown() override { FreeLibrary(module_); }

    const CLSID kAnyClass = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    HMODULE module_ = NULL;
    GetClassObjectProc getClassObject_ = nullptr;
    CanUnloadNowProc canUnloadNow_ = nullptr;
    IClassFactory *factory_ = NULL;
    IShellPropSheetExt *sheet_ = NULL;
    IShellExtInit *init_ = NULL;
};

TEST_P(ShellExtension, ClassObjectAndUnloading)
{
    void *object = (void *)1;
    EXPECT_EQ(getClassObject_(kAnyClass, IID_IShellPropSheetExt, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    void *viaUnknown = NULL;
    EXPECT_EQ(getClassObject_(IID_IClassFactory, IID_IUnknown, &viaUnknown), S_OK);
    EXPECT_EQ(viaUnknown, factory_);

    EXPECT_EQ(canUnloadNow_(), S_OK);  // handing out the factory added no reference
    EXPECT_EQ(factory_->lpVtbl->AddRef(factory_), 0u);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory_->lpVtbl->Release(factory_), 0u);
    EXPECT_EQ(factory_->lpVtbl->Release(factory_), 0u);  // never below 0
    EXPECT_EQ(canUnloadNow_(), S_OK);
    EXPECT_EQ(factory_->lpVtbl->AddRef(factory_), 0u);  // back to 1, not 2
    EXPECT_EQ(factory_->lpVtbl->Release(factory_), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);

    // Of the three objects only the factory's count decides unloading.
    sheet_->lpVtbl->AddRef(sheet_);
    init_->lpVtbl->AddRef(init_);
    EXPECT_EQ(factory_->lpVtbl->LockServer(factory_, TRUE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_OK);
    sheet_->lpVtbl->Release(sheet_);
    init_->lpVtbl->Release(init_);
}

TEST_P(ShellExtension, StaticObjectsAnswerTheirTable)
{
    IShellPropSheetExt *again = NULL;
    ASSERT_EQ(factory_->lpVtbl->CreateInstance(factory_, NULL, IID_IShellPropSheetExt, (void **)&again),
              S_OK);
    EXPECT_EQ(again, sheet_);
    void *object = (void *)1;
    EXPECT_EQ(factory_->lpVtbl->CreateInstance(factory_, NULL, IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    // Who answers what (a null answer means E_NOINTERFACE).
    struct Row {
        IUnknown *asked;
        const IID *iid;
        void *answer;
    } rows[] = {
        {(IUnknown *)factory_, &IID_IUnknown, factory_},
        {(IUnknown *)factory_, &IID_IClassFactory, factory_},
        {(IUnknown *)factory_, &IID_IShellPropSheetExt, NULL},
        {(IUnknown *)factory_, &IID_IShellExtInit, NULL},
        {(IUnknown *)sheet_, &IID_IUnknown, NULL},
        {(IUnknown *)sheet_, &IID_IClassFactory, NULL},
        {(IUnknown *)sheet_, &IID_IShellPropSheetExt, sheet_},
        {(IUnknown *)sheet_, &IID_IShellExtInit, init_},
        {(IUnknown *)init_, &IID_IUnknown, init_},
        {(IUnknown *)init_, &IID_IClassFactory, NULL},
        {(IUnknown *)init_, &IID_IShellPropSheetExt, NULL},
        {(IUnknown *)init_, &IID_IShellExtInit, init_},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        void *answer = (void *)1;
        HRESULT result = rows[i].asked->lpVtbl->QueryInterface(rows[i].asked, *rows[i].iid, &answer);
        EXPECT_EQ(answer, rows[i].answer) << "row " << i;
        EXPECT_EQ(result, rows[i].answer ? S_OK : E_NOINTERFACE) << "row " << i;
        // A caller that gives no place for the answer gets none, and no crash.
        result = rows[i].asked->lpVtbl->QueryInterface(rows[i].asked, *rows[i].iid, NULL);
        EXPECT_EQ(result, E_POINTER) << "row " << i;
    }
    EXPECT_EQ(getClassObject_(kAnyClass, IID_IClassFactory, NULL), E_POINTER);
    EXPECT_EQ(getClassObject_(kAnyClass, IID_IShellExtInit, NULL), E_POINTER);
    EXPECT_EQ(factory_->lpVtbl->CreateInstance(factory_, NULL, IID_IShellExtInit, NULL), E_POINTER);

    EXPECT_EQ(init_->lpVtbl->Initialize(init_, NULL, NULL, NULL), S_OK);
    EXPECT_EQ(sheet_->lpVtbl->ReplacePage(sheet_, 0, NULL, 0), S_OK);
}

// A host's add-page function: keeps the page, or refuses it.
struct Host {
    BOOL accept;
    int offered;
    HPROPSHEETPAGE page;
};
BOOL CALLBACK OfferPage(HPROPSHEETPAGE page, LPARAM value)
{
    Host *host = (Host *)value;
    ++host->offered;
    host->page = page;
    return host->accept;
}

int g_destroyedPages;
BOOL(WINAPI *g_destroyPage)(HPROPSHEETPAGE);
BOOL WINAPI CountDestroyedPage(HPROPSHEETPAGE page)
{
    ++g_destroyedPages;
    return g_destroyPage(page);
}

TEST_P(ShellExtension, AddPagesHandsOnePageToTheHost)
{
    Host host = {TRUE, 0, NULL};
    EXPECT_EQ(sheet_->lpVtbl->AddPages(sheet_, OfferPage, (LPARAM)&host), S_OK);
    EXPECT_EQ(host.offered, 1);
    ASSERT_NE(host.page, (HPROPSHEETPAGE)NULL);
    // The page's dialog procedure lives in the library: it must stay until
    // the page is gone, though nobody holds the factory.
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    DestroyPropertySheetPage(host.page);
    EXPECT_EQ(canUnloadNow_(), S_OK);

    // A page the host refuses is destroyed, and the shell is told.
    g_destroyPage = (BOOL(WINAPI *)(HPROPSHEETPAGE))PatchImport(
        module_, "comctl32.dll", "DestroyPropertySheetPage", (void *)CountDestroyedPage);
    ASSERT_NE((void *)g_destroyPage, nullptr);
    g_destroyedPages = 0;
    host = {FALSE, 0, NULL};
    EXPECT_EQ(sheet_->lpVtbl->AddPages(sheet_, OfferPage, (LPARAM)&host), S_FALSE);
    EXPECT_EQ(host.offered, 1);
    EXPECT_EQ(g_destroyedPages, 1);
    EXPECT_EQ(canUnloadNow_(), S_OK);
    PatchImport(module_, "comctl32.dll", "DestroyPropertySheetPage", (void *)g_destroyPage);
}

INSTANTIATE_TEST_SUITE_P(PageLibraries, ShellExtension, ::testing::Values("Quillan.dll", "Serrafin.dll"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
