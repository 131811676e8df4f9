// Drives a running Display Properties (deskhost) from outside, as its user
// would with the keyboard and mouse, for the demo: keys on a page control,
// the sheet's buttons, the answer to a countdown.
//
//   deskctl rect [countdown|menu]      print where the sheet (or the countdown,
//                                      or the sheet with the open pop-up menu)
//                                      is on screen, as WxH+X+Y
//   deskctl icon CONTROL TEXT          print where the icon of the list view
//                                      item with that text is on screen, as
//                                      the X Y of its centre, to click there
//   deskctl menu open|closed           wait until a pop-up menu is open (or
//                                      none is); fails if it does not come to be
//   deskctl key CONTROL KEY [COUNT]    press a key (left, right, home, end) on
//                                      the control with that id on the page
//   deskctl press apply|ok|cancel      press one of the sheet's buttons
//   deskctl answer yes|no              wait for the countdown and answer it
//   deskctl text CONTROL               print the text of a control on the page
//   deskctl windows                    print every visible top-level window:
//                                      class, title and its controls' texts
//                                      (what a hung headless run waits for)
//
// Each command waits up to 20 seconds for the window it needs.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kSheetCaption[] = "Display Properties";
const int kCountdownBar = 1477;
const int kCountdownYes = 1481;

template <typename Find>
HWND WaitFor(Find find)
{
    for (int i = 0; i < 200; ++i) {
        if (HWND window = find())
            return window;
        Sleep(100);
    }
    return NULL;
}

HWND FindSheet()
{
    return WaitFor([] { return FindWindowA(NULL, kSheetCaption); });
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM context)
{
    ControlSearch *search = (ControlSearch *)context;
    if (GetDlgCtrlID(window) == search->id && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchCountdown(HWND window, LPARAM context)
{
    if (IsWindowVisible(window) && GetDlgItem(window, kCountdownBar)) {
        *(HWND *)context = window;
        return FALSE;
    }
    return TRUE;
}

UINT KeyCode(const char *name)
{
    const struct {
        const char *name;
        UINT key;
    } keys[] = {{"left", VK_LEFT}, {"right", VK_RIGHT}, {"home", VK_HOME}, {"end", VK_END}};
    for (const auto &k : keys)
        if (!strcmp(name, k.name))
            return k.key;
    return 0;
}

BOOL CALLBACK MatchMenu(HWND window, LPARAM context)
{
    char className[16];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) &&
        !strcmp(className, "#32768")) {
        *(HWND *)context = window;
        return FALSE;
    }
    return TRUE;
}

HWND OpenMenu()
{
    HWND found = NULL;
    EnumWindows(MatchMenu, (LPARAM)&found);
    return found;
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM)
{
    char text[512];
    if (IsWindowVisible(child) && GetWindowTextA(child, text, sizeof text) > 0)
        printf("    \"%s\"\n", text);
    return TRUE;
}

BOOL CALLBACK PrintTopWindow(HWND window, LPARAM)
{
    char className[64], title[256];
    if (!IsWindowVisible(window))
        return TRUE;
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    printf("%s \"%s\"\n", className, title);
    EnumChildWindows(window, PrintChildText, 0);
    return TRUE;
}

// Does not wait: it tells what is open now, if anything.
int PrintWindows()
{
    EnumWindows(PrintTopWindow, 0);
    fflush(stdout);
    return 0;
}

int Fail(const char *what)
{
    fprintf(stderr, "deskctl: %s\n", what);
    return 1;
}

HWND FindCountdown()
{
    return WaitFor([] {
        HWND found = NULL;
        EnumWindows(MatchCountdown, (LPARAM)&found);
        return found;
    });
}

// The client area: without a window manager nobody draws the frame.
int PrintRect(HWND window)
{
    if (!window)
        return Fail("the window is not there");
    RECT rect;
    GetClientRect(window, &rect);
    MapWindowPoints(window, NULL, (POINT *)&rect, 2);
    printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}

// The sheet's client area together with the open pop-up menu, which may
// reach beyond it.
int PrintRectWithMenu(HWND sheet)
{
    HWND menu = WaitFor(OpenMenu);
    if (!sheet || !menu)
        return Fail("the sheet or its menu is not there");
    RECT rect, menuRect;
    GetClientRect(sheet, &rect);
    MapWindowPoints(sheet, NULL, (POINT *)&rect, 2);
    GetWindowRect(menu, &menuRect);
    UnionRect(&rect, &rect, &menuRect);
    printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}

int WaitForMenu(const char *state)
{
    bool wantOpen = !strcmp(state, "open");
    for (int i = 0; i < 200; ++i) {
        if ((OpenMenu() != NULL) == wantOpen)
            return 0;
        Sleep(100);
    }
    return Fail(wantOpen ? "no menu came up" : "the menu stayed open");
}

HWND FindControl(HWND sheet, int id)
{
    ControlSearch search = {id, NULL};
    EnumChildWindows(sheet, MatchControl, (LPARAM)&search);
    return search.found;
}

int PressKey(HWND sheet, int id, UINT key, int count)
{
    HWND control = FindControl(sheet, id);
    if (!control)
        return Fail("no such control on the page");
    for (int i = 0; i < count; ++i) {
        PostMessageA(control, WM_KEYDOWN, key, 1);
        PostMessageA(control, WM_KEYUP, key, 0xC0000001);
        Sleep(50);
    }
    return 0;
}

// The list view lives in the sheet's process: its items are read and its
// rectangles asked for through memory lent in that process.
struct RemoteItem {
    LVITEMA item;
    RECT rect;
    char text[64];
};

int PrintIconCentre(HWND sheet, int id, const char *wanted)
{
    HWND list = FindControl(sheet, id);
    if (!list)
        return Fail("no such control on the page");
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 processId);
    if (!process)
        return Fail("cannot reach the sheet's process");
    RemoteItem *remote = (RemoteItem *)VirtualAllocEx(process, NULL, sizeof(RemoteItem), MEM_COMMIT,
                                                       PAGE_READWRITE);
    int found = -1;
    RemoteItem local;
    int count = remote ? (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) : 0;
    for (int item = 0; item < count && found < 0; ++item) {
        ZeroMemory(&local, sizeof local);
        local.item.iSubItem = 0;
        local.item.pszText = remote->text;
        local.item.cchTextMax = sizeof local.text;
        if (!WriteProcessMemory(process, remote, &local, sizeof local, NULL))
            break;
        SendMessageA(list, LVM_GETITEMTEXTA, item, (LPARAM)&remote->item);
        if (ReadProcessMemory(process, remote, &local, sizeof local, NULL) &&
            !strncmp(local.text, wanted, sizeof local.text))
            found = item;
    }
    bool placed = false;
    if (found >= 0) {
        // Scrolled into view first, as the user would before clicking.
        SendMessageA(list, LVM_ENSUREVISIBLE, found, FALSE);
        local.rect.left = LVIR_ICON;
        placed = WriteProcessMemory(process, &remote->rect, &local.rect, sizeof local.rect, NULL) &&
                 SendMessageA(list, LVM_GETITEMRECT, found, (LPARAM)&remote->rect) &&
                 ReadProcessMemory(process, &remote->rect, &local.rect, sizeof local.rect, NULL);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (found < 0)
        return Fail("no such item in the list");
    if (!placed)
        return Fail("the item's icon has no place");
    // An icon scrolled out of view is no place to click.
    RECT client;
    GetClientRect(list, &client);
    POINT centre = {(local.rect.left + local.rect.right) / 2, (local.rect.top + local.rect.bottom) / 2};
    if (!PtInRect(&client, centre))
        return Fail("the item's icon is not in view");
    MapWindowPoints(list, NULL, &centre, 1);
    printf("%ld %ld\n", centre.x, centre.y);
    return 0;
}

int PrintText(HWND sheet, int id)
{
    HWND control = FindControl(sheet, id);
    if (!control)
        return Fail("no such control on the page");
    char text[260] = "";
    GetWindowTextA(control, text, sizeof text);
    printf("%s\n", text);
    return 0;
}

int PressButton(HWND sheet, const char *name)
{
    int button = !strcmp(name, "apply") ? PSBTN_APPLYNOW
                 : !strcmp(name, "ok")  ? PSBTN_OK
                 : !strcmp(name, "cancel") ? PSBTN_CANCEL
                                            : -1;
    if (button < 0)
        return Fail("the buttons are apply, ok and cancel");
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    return 0;
}

int Answer(const char *answer)
{
    HWND countdown = FindCountdown();
    if (!countdown)
        return Fail("no countdown came up");
    int button = !strcmp(answer, "yes") ? kCountdownYes : IDCANCEL;
    PostMessageA(GetDlgItem(countdown, button), BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Fail("usage: deskctl rect | key CONTROL KEY [COUNT] | press BUTTON | answer yes|no"
                    " | icon CONTROL TEXT | menu open|closed | windows");
    if (!strcmp(argv[1], "windows"))
        return PrintWindows();
    if (!strcmp(argv[1], "answer") && argc == 3)
        return Answer(argv[2]);
    if (!strcmp(argv[1], "rect") && argc == 3 && !strcmp(argv[2], "countdown"))
        return PrintRect(FindCountdown());
    if (!strcmp(argv[1], "menu") && argc == 3)
        return WaitForMenu(argv[2]);
    HWND sheet = FindSheet();
    if (!sheet)
        return Fail("Display Properties is not open");
    if (!strcmp(argv[1], "rect") && argc == 3 && !strcmp(argv[2], "menu"))
        return PrintRectWithMenu(sheet);
    if (!strcmp(argv[1], "rect"))
        return PrintRect(sheet);
    if (!strcmp(argv[1], "icon") && argc == 4)
        return PrintIconCentre(sheet, atoi(argv[2]), argv[3]);
    if (!strcmp(argv[1], "key") && argc >= 4 && KeyCode(argv[3]))
        return PressKey(sheet, atoi(argv[2]), KeyCode(argv[3]), argc > 4 ? atoi(argv[4]) : 1);
    if (!strcmp(argv[1], "text") && argc == 3)
        return PrintText(sheet, atoi(argv[2]));
    if (!strcmp(argv[1], "press") && argc == 3)
        return PressButton(sheet, argv[2]);
    return Fail("unknown command");
}
