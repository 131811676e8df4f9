// The mode list: built from the driver's non-standard list, the predefined
// extra modes and the modes the display reports; extra modes are switched
// by their icons, and Apply writes the driver's lists and the mode keys.
#include "modelist.h"

#include "../frame/page.h"
#include "serrafinlib.h"
#include "cfg.h"
#include "dalcodec.h"
#include "debuglog.h"
#include "driverkeys.h"
#include "modespage.h"

namespace {

enum {
    kOffImage = 0,
    kOnImage = 1,
    // Requested of an icon file; the image list scales it to its own size.
    kIconFileSize = 64,
    // "%d x %d", "%d bpp", "%d Hz" of any two numbers, with room to spare.
    kItemTextSize = 32,
};

// The refresh column's text: the list view reads it after the
// notification has returned.
char g_refreshText[kItemTextSize];

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

// The "RefreshRate" of one mode key; false when there is none.
bool ReadStoredRefresh(int depth, int width, int height, LONG *rate)
{
    char path[kPathSize];
    return FormatModeKeyPath(path, sizeof path, g_modesKey, depth, width, height) &&
           CfgReadInt(g_modesRoot, path, "RefreshRate", rate, 0);
}

// A driver-list entry of one depth has its rate stored in that depth's
// mode key only; while the page has not made that key, the rate comes from
// the 16-bpp key as for an entry of any depth.
int DriverListRefresh(const DalEntry &entry)
{
    if (!g_modesKey[0])
        return 0;
    LONG rate = 0;
    if (entry.depth == 8 || entry.depth == 32) {
        char path[kPathSize];
        if (FormatModeKeyPath(path, sizeof path, g_modesKey, entry.depth, entry.width,
                              entry.height) &&
            CfgKeyExists(g_modesRoot, path)) {
            CfgReadInt(g_modesRoot, path, "RefreshRate", &rate, 0);
            return rate;
        }
    }
    ReadStoredRefresh(16, entry.width, entry.height, &rate);
    return rate;
}

void AddDriverList(HWND page)
{
    DalList list;
    if (!FindDalListNumber(&list))
        return;
    for (int i = 0; i < list.count; ++i) {
        const DalEntry &entry = list.entries[i];
        int row = FindPredefinedMode(entry.width, entry.height);
        if (row < 0)
            continue;
        int refresh = entry.refresh ? entry.refresh : DriverListRefresh(entry);
        AddEntry(page, entry.width, entry.height, entry.depth, refresh,
                 kPredefinedModes[row].refreshList, true, true);
    }
    FreeDalList(&list);
}

void AddPredefinedModes(HWND page)
{
    for (const ModeEntry &row : kPredefinedModes)
        AddEntry(page, row.width, row.height, 0, 0, row.refreshList, false, true);
}

void AddDisplayMode(HWND page, const DEVMODEA &mode)
{
    int width = (int)mode.dmPelsWidth, height = (int)mode.dmPelsHeight;
    LONG refresh = 0;
    if (!ReadStoredRefresh(16, width, height, &refresh))
        ReadStoredRefresh(32, width, height, &refresh);
    char rates[kRefreshListSize] = "";
    char path[kPathSize];
    if (FormatModeKeyPath(path, sizeof path, g_modesKey, 8, width, height))
        CfgReadText(g_modesRoot, path, "", rates, sizeof rates);
    AddEntry(page, width, height, 0, refresh, lstrlenA(rates) >= 4 ? rates : kDefaultRefreshList,
             true, false);
}

void AddDisplayModes(HWND page)
{
    DEVMODEA mode;
    for (DWORD index = 0;; ++index) {
        ZeroMemory(&mode, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmDriverExtra = 0;
        if (!EnumDisplaySettingsA(NULL, index, &mode))
            break;
        if (mode.dmPelsWidth >= 640 && mode.dmPelsHeight >= 400 && mode.dmBitsPerPel == 16)
            AddDisplayMode(page, mode);
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
void BuildCatalogue(HWND page)
{
    FindDalKey();
    if (g_dalKey[0]) {
        AddDriverList(page);
        AddPredefinedModes(page);
    }
    if (g_modesKey[0])
        AddDisplayModes(page);
    ListView_SortItems(g_modeList, CompareModes, 0);
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
int ItemIconAtCursor()
{
    if (!g_modeList)
        return -1;
    LVHITTESTINFO hit;
    ZeroMemory(&hit, sizeof hit);
    GetCursorPos(&hit.pt);
    ScreenToClient(g_modeList, &hit.pt);
    int item = ListView_HitTest(g_modeList, &hit);
    return item >= 0 && (hit.flags & LVHT_ONITEMICON) ? item : -1;
}

}  // namespace

const int kModeDepths[3] = {8, 16, 32};

bool CoversDepth(const ModeEntry *entry, int modeDepth)
{
    return entry->depth == 0 || entry->depth == modeDepth;
}

ModeEntry *GetModeEntry(int item)
{
    return ItemEntry(g_modeList, item);
}

ModeEntry *ModeEntryAtCursor(int *item)
{
    *item = ItemIconAtCursor();
    return GetModeEntry(*item);
}

void SetButtons(HWND page)
{
    DebugLog("SetButtons(start)");
    HWND list = GetDlgItem(page, IDC_MODE_LIST);
    if (!list)
        return;
    g_modeList = list;
    DebugLog("SetButtons(listview)");
    EmptyModeList(list);
    if (!g_modeImages)
        g_modeImages = CreateModeImages();
    ListView_SetImageList(list, g_modeImages, LVSIL_SMALL);
    DefineColumns(list);
    BuildCatalogue(page);
    UpdateWindow(page);
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

void ReleaseModeList()
{
    EmptyModeList(g_modeList);
    if (g_modeImages) {
        if (g_modeList)
            ListView_SetImageList(g_modeList, NULL, LVSIL_SMALL);
        ImageList_Destroy(g_modeImages);
    }
    g_modeImages = NULL;
}

void AnswerModeDisplayInfo(NMLVDISPINFOA *info)
{
    LVITEMA &item = info->item;
    const ModeEntry *entry = (const ModeEntry *)item.lParam;
    if (!entry)
        return;
    if (item.mask == LVIF_TEXT && item.iSubItem == 2) {
        if (entry->refresh)
            wsprintfA(g_refreshText, "%d Hz", entry->refresh);
        else
            lstrcpynA(g_refreshText, "*", sizeof g_refreshText);
        item.pszText = g_refreshText;
    } else if (item.mask == LVIF_IMAGE) {
        item.iImage = entry->enabled || !entry->extra ? kOnImage : kOffImage;
        // The list is for switching and picking, not for choosing an item.
        item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        item.state = 0;
    }
}

void SwitchModeAtCursor(HWND page)
{
    int item;
    ModeEntry *entry = ModeEntryAtCursor(&item);
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
    ListView_SetItem(g_modeList, &lvItem);
    RECT icon;
    if (ListView_GetItemRect(g_modeList, item, &icon, LVIR_ICON))
        InvalidateRect(g_modeList, &icon, TRUE);
    UpdateWindow(page);
    SetPageChanged(page, TRUE);
}

void SaveModes()
{
    if (!g_modeList)
        return;
    int count = ListView_GetItemCount(g_modeList);
    // The entries in list order, for the driver's list.
    ModeEntry *listed = (ModeEntry *)CfgAlloc(((SIZE_T)count + 1) * sizeof(ModeEntry));
    int listedCount = 0;
    for (int item = ListView_GetNextItem(g_modeList, -1, LVNI_ALL); item >= 0;
         item = ListView_GetNextItem(g_modeList, item, LVNI_ALL)) {
        ModeEntry *entry = GetModeEntry(item);
        if (!entry)
            continue;
        if (!entry->enabled) {
            RemoveModeKeys(entry);
        } else if (entry->changed) {
            if (entry->extra)
                RemoveRestrictedResolution(entry->width, entry->height);
            ApplyRefresh(entry);
            entry->changed = 0;
        }
        entry->switched = 0;
        if (listed && listedCount < count)
            listed[listedCount++] = *entry;
    }
    // Without the page's entries the list would be written empty.
    if (listed)
        WriteNonStandardList(listed, listedCount);
    CfgFree(listed);
}
