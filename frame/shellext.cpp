// The library's COM surface: one static class factory whose "instances" are
// the two static sheet-extension objects. Nothing is ever created or
// destroyed; reference counts and the pages still alive decide when the
// shell may unload us.
#define CINTERFACE
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "page.h"

namespace {

struct PageObject {
    const void *vtable;
    ULONG references;
};

bool SameId(REFIID a, const GUID &b)
{
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

// Published interface identifiers, spelled out so the library needs no
// uuid import library.
const GUID kIidUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidShellExtInit = {0x000214E8, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidShellPropSheetExt = {0x000214E9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct PageObjects {
    PageObject factory;
    PageObject sheetExt;
    PageObject extInit;
};
extern PageObjects g_objects;

#define PageFactory (g_objects.factory)
#define PageSheetExt (g_objects.sheetExt)
#define PageExtInit (g_objects.extInit)

// Every answer goes through here; a caller that gives no place for it gets
// nothing rather than a write through a null pointer.
HRESULT Hand(void **out, PageObject *object)
{
    if (!out)
        return E_POINTER;
    *out = object;
    return object ? S_OK : E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ObjectAddRef(void *self)
{
    ++static_cast<PageObject *>(self)->references;
    return 0;
}

ULONG STDMETHODCALLTYPE ObjectRelease(void *self)
{
    PageObject *object = static_cast<PageObject *>(self);
    if (object->references > 0)
        --object->references;
    return 0;
}

HRESULT STDMETHODCALLTYPE FactoryQueryInterface(IClassFactory *, REFIID iid, void **out)
{
    if (SameId(iid, kIidUnknown) || SameId(iid, kIidClassFactory))
        return Hand(out, &PageFactory);
    return Hand(out, NULL);
}

HRESULT STDMETHODCALLTYPE FactoryCreateInstance(IClassFactory *, IUnknown *, REFIID iid, void **out)
{
    if (SameId(iid, kIidShellPropSheetExt))
        return Hand(out, &PageSheetExt);
    if (SameId(iid, kIidShellExtInit))
        return Hand(out, &PageExtInit);
    return Hand(out, NULL);
}

HRESULT STDMETHODCALLTYPE FactoryLockServer(IClassFactory *, BOOL)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SheetQueryInterface(IShellPropSheetExt *, REFIID iid, void **out)
{
    if (SameId(iid, kIidShellPropSheetExt))
        return Hand(out, &PageSheetExt);
    if (SameId(iid, kIidShellExtInit))
        return Hand(out, &PageExtInit);
    return Hand(out, NULL);
}

HRESULT STDMETHODCALLTYPE SheetAddPages(IShellPropSheetExt *, LPFNADDPROPSHEETPAGE addPage,
                                        LPARAM hostValue)
{
    return AddPage(addPage, hostValue) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE SheetReplacePage(IShellPropSheetExt *, UINT, LPFNADDPROPSHEETPAGE, LPARAM)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InitQueryInterface(IShellExtInit *, REFIID iid, void **out)
{
    if (SameId(iid, kIidShellExtInit) || SameId(iid, kIidUnknown))
        return Hand(out, &PageExtInit);
    return Hand(out, NULL);
}

HRESULT STDMETHODCALLTYPE InitInitialize(IShellExtInit *, LPCITEMIDLIST, IDataObject *, HKEY)
{
    return S_OK;
}

// The shared AddRef/Release act on the object they are called on; the
// casts only adapt the first parameter's declared type to each table. The
// tables are constant data, in place before any export can be called.
#define SHARED_METHODS(table)                                        \
    reinterpret_cast<decltype(table::AddRef)>(ObjectAddRef),         \
        reinterpret_cast<decltype(table::Release)>(ObjectRelease)

const IClassFactoryVtbl g_factoryTable = {
    FactoryQueryInterface, SHARED_METHODS(IClassFactoryVtbl), FactoryCreateInstance,
    FactoryLockServer};
const IShellPropSheetExtVtbl g_sheetExtTable = {
    SheetQueryInterface, SHARED_METHODS(IShellPropSheetExtVtbl), SheetAddPages, SheetReplacePage};
const IShellExtInitVtbl g_extInitTable = {InitQueryInterface, SHARED_METHODS(IShellExtInitVtbl),
                                          InitInitialize};

PageObjects g_objects = {
    {&g_factoryTable, 0},
    {&g_sheetExtTable, 0},
    {&g_extInitTable, 0},
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID iid, void **out)
{
    if (SameId(iid, kIidUnknown) || SameId(iid, kIidClassFactory))
        return Hand(out, &PageFactory);
    return Hand(out, NULL);
}

// The shell holds no reference while it shows our page (it released the
// factory long before), yet asks from time to time whether we may go: a
// page that still exists keeps the library.
extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return PageFactory.references || g_livePages ? S_FALSE : S_OK;
}

void ResetPageObjectCount()
{
    PageFactory.references = 0;
}
