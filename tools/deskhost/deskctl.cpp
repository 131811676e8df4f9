// Drives a running Display Properties (deskhost) from outside, as its user
// would with the keyboard and mouse, for the demo: keys on a page control,
// the sheet's buttons, the answer to a countdown.
//
//   deskctl rect [countdown]           print where the sheet (or the countdown)
//                                      is on screen, as WxH+X+Y
//   deskctl key CONTROL KEY [COUNT]    press a key (left, right, home, end) on
//                                      the control with that id on the page
//   deskctl press apply|ok|cancel      press one of the sheet's buttons
//   deskctl answer yes|no              wait for the countdown and answer it
//   deskctl text CONTROL               print the text of a control on the page
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
        return Fail("usage: deskctl rect | key CONTROL KEY [COUNT] | press BUTTON | answer yes|no");
    if (!strcmp(argv[1], "answer") && argc == 3)
        return Answer(argv[2]);
    if (!strcmp(argv[1], "rect") && argc == 3 && !strcmp(argv[2], "countdown"))
        return PrintRect(FindCountdown());
    HWND sheet = FindSheet();
    if (!sheet)
        return Fail("Display Properties is not open");
    if (!strcmp(argv[1], "rect"))
        return PrintRect(sheet);
    if (!strcmp(argv[1], "key") && argc >= 4 && KeyCode(argv[3]))
        return PressKey(sheet, atoi(argv[2]), KeyCode(argv[3]), argc > 4 ? atoi(argv[4]) : 1);
    if (!strcmp(argv[1], "text") && argc == 3)
        return PrintText(sheet, atoi(argv[2]));
    if (!strcmp(argv[1], "press") && argc == 3)
        return PressButton(sheet, argv[2]);
    return Fail("unknown command");
}
