// Refresh rates: the menu on a mode's icon, the rate stored in the mode
// keys where the driver finds it, and the rate of the mode on screen, which
// the user must confirm or it goes back.
#include "refresh.h"

#include <stddef.h>

#include "../cfg/digits.h"
#include "../frame/page.h"
#include "serrafinlib.h"
#include "../skin/skin.h"
#include "debuglog.h"
#include "modekeys.h"
#include "modelist.h"

namespace {

enum {
    kDefaultRateItem = 1,  // "*"
    kFirstRateItem = 2,
    kMaxRateItems = 31,
    kRateItemEnd = kFirstRateItem + kMaxRateItems,
};

// Windows 95 and NT 4.0 know the record without its last member.
const UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

// Together 0x580000.
const DWORD kModeFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
const DWORD kChangeFlags = CDS_UPDATEREGISTRY | CDS_FULLSCREEN;

static_assert(sizeof(DEVMODEA) == 156, "the display settings record of Windows 95 and NT 4.0");

bool IsRateSeparator(char c)
{
    return c == ',' || c == ' ';
}

// "59.94" offers 59; digits beyond any real rate are not taken further.
int LeadingInteger(const char *text)
{
    int value = 0;
    for (; IsDigit(*text) && value < 100000000; ++text)
        value = value * 10 + (*text - '0');
    return value;
}

void AppendRateItem(HMENU menu, UINT id, const char *text, bool checked)
{
    MENUITEMINFOA item;
    ZeroMemory(&item, sizeof item);
    item.cbSize = kMenuItemInfoSize;
    item.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.fState = checked ? MFS_CHECKED : 0;
    item.wID = id;
    item.dwTypeData = (char *)text;
    item.cch = lstrlenA(text);
    InsertMenuItemA(menu, id - kDefaultRateItem, TRUE, &item);
}

// "*" and the pieces of the refresh list, each item's rate in rates[id];
// *itemEnd is one past the last id.
HMENU BuildRefreshMenu(const ModeEntry *entry, int (&rates)[kRateItemEnd], UINT *itemEnd)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return NULL;
    rates[kDefaultRateItem] = 0;
    AppendRateItem(menu, kDefaultRateItem, "*", entry->refresh == 0);
    char list[kRefreshListSize];
    lstrcpynA(list, entry->refreshList, sizeof list);
    char *piece = list;
    UINT id = kFirstRateItem;
    for (; id < kRateItemEnd; ++id) {
        while (IsRateSeparator(*piece))
            ++piece;
        if (!*piece)
            break;
        char *end = piece;
        while (*end && !IsRateSeparator(*end))
            ++end;
        char *next = *end ? end + 1 : end;
        *end = '\0';
        rates[id] = LeadingInteger(piece);
        AppendRateItem(menu, id, piece, rates[id] == entry->refresh);
        piece = next;
    }
    *itemEnd = id;
    return menu;
}

// Every item at once.
void RedrawModeList(const ModesPage *page)
{
    if (!page->list)
        return;
    ListView_RedrawItems(page->list, 0, ListView_GetItemCount(page->list));
    UpdateWindow(page->list);
}

// Held until Apply. A pick does not undo a switch of the same mode that is
// waiting for Apply. Both the rate to go back to and the test for a change
// use the rate from before the first pick: the same new rate picked twice
// is still new.
void PickRefresh(ModesPage *page, ModeEntry *entry, int rate)
{
    if (!entry->picked) {
        entry->previousRefresh = entry->refresh;
        entry->picked = 1;
    }
    entry->changed = rate != entry->previousRefresh || entry->switched;
    entry->refresh = rate;
    RedrawModeList(page);
    if (SetPageChanged(page->window, TRUE))
        page->clean = false;
}

// Writes the entry's rate to its mode keys when a modes key is known, and
// takes the rate as the one in force, to go back to from later picks.
void StoreRefresh(const ModesPage *page, ModeEntry *entry)
{
    StoreModeRate(page->keys, entry);
    // The rate is the one in force from here on even with no mode keys to
    // hold it: a later pick that is refused goes back to it.
    entry->previousRefresh = entry->refresh;
    entry->picked = 0;
}

INT_PTR AskToKeepRefresh(ModesPage *page)
{
    INT_PTR answer = DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_COUNTDOWN), PageSheet(page->window),
                                     CountdownDialog, 0);
    // The modes key is looked for again whenever the countdown has come up,
    // as it is with every dialog in the skin: a key made or removed since
    // the page opened counts from here on.
    if (answer != -1)
        FindModesKey(&page->keys);
    return answer;
}

}  // namespace

bool OfferRefreshMenu(HWND window, INT_PTR *result)
{
    *result = 0;
    ModesPage *page = GetModesPage(window);
    if (!page)
        return false;
    int item;
    ModeEntry *entry = ModeEntryAtCursor(page, &item);
    if (!entry)
        return false;
    // A switched-off or rateless extra mode has nothing to offer, and the
    // icon is no place for help either.
    if (entry->extra && (!entry->enabled || !entry->refreshList[0]))
        return true;
    int rates[kRateItemEnd];
    UINT itemEnd;
    HMENU menu = BuildRefreshMenu(entry, rates, &itemEnd);
    if (!menu)
        return true;
    POINT cursor;
    GetCursorPos(&cursor);
    UINT chosen = (UINT)TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y,
                                         window, NULL);
    DestroyMenu(menu);
    if (chosen >= kDefaultRateItem && chosen < itemEnd)
        PickRefresh(page, entry, rates[chosen]);
    *result = chosen;
    return true;
}

void ApplyRefresh(ModesPage *page, ModeEntry *entry)
{
    if (entry->refresh && entry->refresh == entry->previousRefresh) {
        // The rate is in force, but a mode switched on again lost its mode
        // keys when an earlier Apply switched it off: they get it back.
        if (entry->switched)
            StoreRefresh(page, entry);
        return;
    }
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmDriverExtra = 0;
    EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode);
    // Without a pick the entry still holds the rate it was listed with.
    int oldRate = entry->picked ? entry->previousRefresh : entry->refresh;
    int newRate = entry->refresh;

    if ((int)mode.dmPelsWidth != entry->width || (int)mode.dmPelsHeight != entry->height) {
        DebugLog("saving");
        StoreRefresh(page, entry);
        RedrawModeList(page);
        return;
    }

    mode.dmFields |= kModeFields;
    mode.dmDisplayFrequency = newRate;
    // The mode keys hold the new rate before the display changes.
    StoreRefresh(page, entry);
    if (ChangeDisplaySettingsA(&mode, CDS_TEST) != DISP_CHANGE_SUCCESSFUL ||
        ChangeDisplaySettingsA(&mode, kChangeFlags) != DISP_CHANGE_SUCCESSFUL)
        return;

    if (AskToKeepRefresh(page) == 1) {
        DebugLog("User said ok (%d=>%d)", oldRate, newRate);
        DebugLog("saving");
        StoreRefresh(page, entry);
        RedrawModeList(page);
        return;
    }
    DebugLog("User said cancel (%d=>%d)", newRate, oldRate);
    entry->refresh = entry->previousRefresh = oldRate;
    mode.dmDisplayFrequency = oldRate;
    StoreRefresh(page, entry);
    ChangeDisplaySettingsA(&mode, kChangeFlags);
    RedrawModeList(page);
}
