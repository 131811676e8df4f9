// The mode list: built from the driver's non-standard list, the predefined
// extra modes and the modes the display reports; extra modes are switched
// by their icons, and Apply writes the driver's lists and the mode keys.
#include "modelist.h"

#include "../frame/page.h"
#include "serrafinlib.h"
#include "cfg.h"
#include "dalcodec.h"
#include "debuglog.h"
#include "modekeys.h"
#include "refresh.h"

namespace {

enum {
    kOffImage = 0,
    kOnImage = 1,
    // Requested of an icon file; the image list scales it to its own size.
    kIconFileSize = 64,
    // "%d x %d", "%d bpp", "%d Hz" of any two numbers, with room to spare.
    kItemTextSize = 32,
};

struct ColumnLayout {
    const char *header;
    int width;
    int format;
};

const ColumnLayout kColumns[] = {
    {"Mode", 100, LVCFMT_LEFT},
    {"Depth", 72, LVCFMT_CENTER},
    {"Refresh", 72, LVCFMT_CENTER},
};

HICON LoadModeIcon(const char *valueName, int resourceId)
{
    char path[kPathSize];
    if (CfgReadText(HKEY_CURRENT_USER, LIBRARY_ROOT_KEY, valueName, path, sizeof path) && path[0]) {
        if (HICON icon = (HICON)LoadImageA(NULL, path, IMAGE_ICON, kIconFileSize, kIconFileSize,
                                           LR_LOADFROMFILE | LR_DEFAULTSIZE))
            return icon;
    }
    return (HICON)LoadImageA(g_module, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
}

void AddModeIcon(HIMAGELIST images, const char *valueName, int resourceId)
{
    HICON icon = LoadModeIcon(valueName, resourceId);
    ImageList_AddIcon(images, icon);
    if (icon)
        DestroyIcon(icon);
}

// The off icon first, so that an item's image index is its enabled flag.
HIMAGELIST CreateModeImages()
{
    HIMAGELIST images = ImageList_Create(GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), ILC_COLOR16 | ILC_MASK, 1, 1);
    if (!images)
        return NULL;
    AddModeIcon(images, "OffIcon", IDI_MODE_OFF);
    AddModeIcon(images, "OnIcon", IDI_MODE_ON);
    return images;
}

void DefineColumn(HWND list, int index, bool replace)
{
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = kColumns[index].format;
    column.cx = kColumns[index].width;
    column.pszText = (char *)kColumns[index].header;
    column.iSubItem = index;
    if (!replace || !ListView_SetColumn(list, index, &column))
        ListView_InsertColumn(list, index, &column);
}

// Column 0 cannot be taken out of a list view, so it is set again; the
// first build of a list finds none and inserts it.
void DefineColumns(HWND list)
{
    ListView_DeleteColumn(list, 2);
    ListView_DeleteColumn(list, 1);
    DefineColumn(list, 0, true);
    DefineColumn(list, 1, false);
    DefineColumn(list, 2, false);
}

void AddDriverList(ModesPage *page)
{
    DalList list;
    if (!FindDalListNumber(&page->keys, &list))
        return;
    for (int i = 0; i < list.count; ++i) {
        const DalEntry &entry = list.entries[i];
        int row = FindPredefinedMode(entry.width, entry.height);
        if (row < 0)
            continue;
        int refresh = entry.refresh ? entry.refresh : StoredDriverModeRate(page->keys, entry);
        AddEntry(page->window, entry.width, entry.height, entry.depth, refresh,
                 kPredefinedModes[row].refreshList, true, true);
    }
    FreeDalList(&list);
}

void AddPredefinedModes(HWND page)
{
    for (const ModeEntry &row : kPredefinedModes)
        AddEntry(page, row.width, row.height, 0, 0, row.refreshList, false, true);
}

void AddDisplayMode(HWND page, const DriverKeys &keys, const DEVMODEA &mode)
{
    int width = (int)mode.dmPelsWidth, height = (int)mode.dmPelsHeight;
    char rates[kRefreshListSize];
    int refresh = ReadDisplayModeKeys(keys, width, height, rates, sizeof rates);
    AddEntry(page, width, height, 0, refresh, lstrlenA(rates) >= 4 ? rates : kDefaultRefreshList,
             true, false);
}

void AddDisplayModes(HWND page, const DriverKeys &keys)
{
    DEVMODEA mode;
    for (DWORD index = 0;; ++index) {
        ZeroMemory(&mode, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmDriverExtra = 0;
        if (!EnumDisplaySettingsA(NULL, index, &mode))
            break;
        if (mode.dmPelsWidth >= 640 && mode.dmPelsHeight >= 400 && mode.dmBitsPerPel == 16)
            AddDisplayMode(page, keys, mode);
    }
}

int CALLBACK CompareModes(LPARAM first, LPARAM second, LPARAM)
{
    const ModeEntry *a = (const ModeEntry *)first;
    const ModeEntry *b = (const ModeEntry *)second;
    if (!a || !b)
        return (a != NULL) - (b != NULL);
    if (a->width != b->width)
        return a->width < b->width ? -1 : 1;
    if (a->height != b->height)
        return a->height < b->height ? -1 : 1;
    if (a->depth != b->depth)
        return a->depth < b->depth ? -1 : 1;
    return 0;
}

// The sources in this order: the first to list a resolution decides its
// flags, depth and refresh, as AddEntry refuses the others.
void BuildCatalogue(ModesPage *page)
{
    FindDalKey(&page->keys);
    if (page->keys.dalKey[0]) {
        AddDriverList(page);
        AddPredefinedModes(page->window);
    }
    if (page->keys.modesKey[0])
        AddDisplayModes(page->window, page->keys);
    ListView_SortItems(page->list, CompareModes, 0);
}

ModeEntry *ItemEntry(HWND list, int item)
{
    if (!list || item < 0)
        return NULL;
    LVITEMA lvItem;
    ZeroMemory(&lvItem, sizeof lvItem);
    lvItem.mask = LVIF_PARAM;
    lvItem.iItem = item;
    return ListView_GetItem(list, &lvItem) ? (ModeEntry *)lvItem.lParam : NULL;
}

void FreeEntry(ModeEntry *entry)
{
    if (!entry)
        return;
    CfgFree(entry->refreshList);
    CfgFree(entry);
}

// The item under the cursor when the cursor is on its icon, else -1.
int ItemIconAtCursor(HWND list)
{
    if (!list)
        return -1;
    LVHITTESTINFO hit;
    ZeroMemory(&hit, sizeof hit);
    GetCursorPos(&hit.pt);
    ScreenToClient(list, &hit.pt);
    int item = ListView_HitTest(list, &hit);
    return item >= 0 && (hit.flags & LVHT_ONITEMICON) ? item : -1;
}

}  // namespace

ModeEntry *ModeEntryAtCursor(const ModesPage *page, int *item)
{
    *item = ItemIconAtCursor(page->list);
    return ItemEntry(page->list, *item);
}

void SetButtons(HWND window)
{
    DebugLog("SetButtons(start)");
    ModesPage *page = GetModesPage(window);
    if (!page || !page->list)
        return;
    HWND list = page->list;
    DebugLog("SetButtons(listview)");
    EmptyModeList(list);
    if (!page->images)
        page->images = CreateModeImages();
    ListView_SetImageList(list, page->images, LVSIL_SMALL);
    DefineColumns(list);
    BuildCatalogue(page);
    UpdateWindow(window);
    DebugLog("SetButtons(end)");
}

bool AddEntry(HWND page, int width, int height, int depth, int refresh, const char *refreshList,
              bool enabled, bool extra)
{
    char text[kItemTextSize];
    wsprintfA(text, "%d x %d", width, height);
    DebugLog("AddEntry(%d, %d, %d, %d, \"%s\" [%s])", width, height, depth, refresh,
             refreshList ? refreshList : "NULL", enabled ? "exists" : "!exists");
    HWND list = GetDlgItem(page, IDC_MODE_LIST);
    if (!list)
        return false;
    LVFINDINFOA find;
    ZeroMemory(&find, sizeof find);
    find.flags = LVFI_STRING;
    find.psz = text;
    if (ListView_FindItem(list, -1, &find) >= 0) {
        DebugLog("Entry exists");
        return false;
    }

    ModeEntry *entry = (ModeEntry *)CfgAlloc(sizeof *entry);
    char *rates = (char *)CfgAlloc(kRefreshListSize);
    if (!entry || !rates) {
        CfgFree(rates);
        CfgFree(entry);
        return false;
    }
    entry->width = width;
    entry->height = height;
    entry->depth = depth;
    entry->refresh = refresh;
    // The text is copied, never kept: the predefined rows' lists are
    // short constants, and every entry owns a buffer of full size.
    if (refreshList)
        lstrcpynA(rates, refreshList, kRefreshListSize);
    entry->refreshList = rates;
    entry->enabled = enabled;
    entry->extra = extra;

    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.pszText = text;
    item.lParam = (LPARAM)entry;
    item.iImage = I_IMAGECALLBACK;
    int index = ListView_InsertItem(list, &item);
    DebugLog("Inserted(%d)", index);
    if (index < 0) {
        FreeEntry(entry);
        return false;
    }
    char depthText[kItemTextSize] = "*";
    if (depth)
        wsprintfA(depthText, "%d bpp", depth);
    ListView_SetItemText(list, index, 1, depthText);
    ListView_SetItemText(list, index, 2, LPSTR_TEXTCALLBACKA);
    DebugLog("added");
    return true;
}

void EmptyModeList(HWND list)
{
    if (!list)
        return;
    int count = ListView_GetItemCount(list);
    for (int item = 0; item < count; ++item) {
        ModeEntry *entry = ItemEntry(list, item);
        if (!entry)
            continue;
        // Nothing may find the entry through its item once it is freed.
        LVITEMA lvItem;
        ZeroMemory(&lvItem, sizeof lvItem);
        lvItem.mask = LVIF_PARAM;
        lvItem.iItem = item;
        ListView_SetItem(list, &lvItem);
        FreeEntry(entry);
    }
    ListView_DeleteAllItems(list);
}

void ReleaseModeList(ModesPage *page)
{
    EmptyModeList(page->list);
    if (page->images) {
        if (page->list)
            ListView_SetImageList(page->list, NULL, LVSIL_SMALL);
        ImageList_Destroy(page->images);
    }
    page->images = NULL;
}

void AnswerModeDisplayInfo(ModesPage *page, NMLVDISPINFOA *info)
{
    LVITEMA &item = info->item;
    const ModeEntry *entry = (const ModeEntry *)item.lParam;
    if (!entry)
        return;
    if (item.mask == LVIF_TEXT && item.iSubItem == 2) {
        if (entry->refresh)
            wsprintfA(page->refreshText, "%d Hz", entry->refresh);
        else
            lstrcpynA(page->refreshText, "*", sizeof page->refreshText);
        item.pszText = page->refreshText;
    } else if (item.mask == LVIF_IMAGE) {
        item.iImage = entry->enabled || !entry->extra ? kOnImage : kOffImage;
        // The list is for switching and picking, not for choosing an item.
        item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        item.state = 0;
    }
}

void SwitchModeAtCursor(ModesPage *page)
{
    int item;
    ModeEntry *entry = ModeEntryAtCursor(page, &item);
    if (!entry || !entry->extra)
        return;
    entry->enabled = !entry->enabled;
    entry->changed = 1;
    entry->switched = 1;
    LVITEMA lvItem;
    ZeroMemory(&lvItem, sizeof lvItem);
    lvItem.mask = LVIF_PARAM;
    lvItem.iItem = item;
    lvItem.lParam = (LPARAM)entry;
    ListView_SetItem(page->list, &lvItem);
    RECT icon;
    if (ListView_GetItemRect(page->list, item, &icon, LVIR_ICON))
        InvalidateRect(page->list, &icon, TRUE);
    UpdateWindow(page->window);
    if (SetPageChanged(page->window, TRUE))
        page->clean = false;
}

void SaveModes(ModesPage *page)
{
    HWND list = page->list;
    if (!list)
        return;
    int count = ListView_GetItemCount(list);
    // The entries in list order, for the driver's list.
    ModeEntry *listed = (ModeEntry *)CfgAlloc(((SIZE_T)count + 1) * sizeof(ModeEntry));
    int listedCount = 0;
    for (int item = ListView_GetNextItem(list, -1, LVNI_ALL); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_ALL)) {
        ModeEntry *entry = ItemEntry(list, item);
        if (!entry)
            continue;
        if (!entry->enabled) {
            RemoveModeKeys(page->keys, entry);
        } else if (entry->changed) {
            if (entry->extra)
                RemoveRestrictedResolution(page->keys, entry->width, entry->height);
            ApplyRefresh(page, entry);
            entry->changed = 0;
        }
        entry->switched = 0;
        if (listed && listedCount < count)
            listed[listedCount++] = *entry;
    }
    // Without the page's entries the list would be written empty.
    if (listed)
        WriteNonStandardList(page->keys, listed, listedCount);
    CfgFree(listed);
}
