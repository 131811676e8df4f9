// What every page of the two libraries answers to its property sheet in
// the same way; each page's own dialog procedure handles its particular
// work first and leaves the rest here.
#include "page.h"

#include "../skin/skin.h"

namespace {

INT_PTR SetNotifyResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

INT_PTR OnSheetNotify(HWND page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        g_sheetWindow = header->hwndFrom;
        return SetNotifyResult(page, 0);
    case PSN_KILLACTIVE:
        return SetNotifyResult(page, FALSE);
    case PSN_APPLY:
        return SetNotifyResult(page, PSNRET_NOERROR);
    case PSN_RESET:
        ReleaseSkin();
        return FALSE;
    case PSN_HELP:
        ShowContextHelp(page, header->code, 0, 0);
        return FALSE;
    }
    return FALSE;
}

void OnPageDestroy()
{
    // The skin belongs to the page: whichever way the sheet closes, nothing
    // of it outlives the page, and a later sheet starts from the registry.
    ReleaseSkin();
    g_sheetWindow = NULL;
}
