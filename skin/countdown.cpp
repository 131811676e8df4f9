// The countdown confirmation: after a risky change the user has 256 ticks
// of 50 ms to keep it, or it is undone.
#include "library.h"
#include "skin.h"
#include "skinids.h"

int g_countdownTicks;

namespace {

enum {
    kCountdownTicks = 256,
    kTickTimer = 0,
    kTickMilliseconds = 50,
};

const COLORREF kElapsedColour = RGB(192, 0, 0);
const COLORREF kRemainingColour = RGB(0, 192, 0);

INT_PTR OnInitCountdown(HWND dialog)
{
    g_countdownTicks = kCountdownTicks;
    ApplySkin(dialog);
    RefreshControl(dialog, IDC_COUNTDOWN_BAR, NULL, 0, 0, FALSE);
    SetTimer(dialog, kTickTimer, kTickMilliseconds, NULL);
    return TRUE;
}

void OnTick(HWND dialog)
{
    if (--g_countdownTicks == 0) {
        EndDialog(dialog, 0);
        return;
    }
    // Not erased: every paint adds the newest red stripe to the bar.
    InvalidateRect(GetDlgItem(dialog, IDC_COUNTDOWN_BAR), NULL, FALSE);
}

void OnCountdownCommand(HWND dialog, WPARAM wParam)
{
    int id = LOWORD(wParam);
    if (HIWORD(wParam) != 0 || id <= 0)
        return;
    // Enter arrives as IDOK when no button takes it: only Yes keeps.
    if (id == IDOK || id == IDCANCEL)
        EndDialog(dialog, 0);
    else if (id == IDC_COUNTDOWN_YES)
        EndDialog(dialog, 1);
}

INT_PTR OnDrawCountdownItem(HWND dialog, const DRAWITEMSTRUCT *item)
{
    switch (item->CtlID) {
    case IDC_COUNTDOWN_QUESTION:
        return DrawGroupFrame(dialog, item);
    case IDC_COUNTDOWN_BAR:
        return DrawCountdownBar(item);
    default:
        return DrawSkinButton(dialog, item);
    }
}

void FillWith(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT rect = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

}  // namespace

INT_PTR CALLBACK CountdownDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitCountdown(dialog);
    case WM_TIMER:
        OnTick(dialog);
        return 0;
    case WM_COMMAND:
        OnCountdownCommand(dialog, wParam);
        return 0;
    case WM_DRAWITEM:
        return OnDrawCountdownItem(dialog, (const DRAWITEMSTRUCT *)lParam);
    case WM_ERASEBKGND:
        return EraseSkinBackground(dialog, (HDC)wParam);
    case WM_SYSCOLORCHANGE:
        if (g_library.countdownFollowsColours)
            LoadSkinBitmaps(dialog);
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return AnswerControlColour((HDC)wParam, (HWND)lParam);
    }
    return 0;
}

INT_PTR DrawCountdownBar(const DRAWITEMSTRUCT *item)
{
    const RECT &bar = item->rcItem;
    int elapsed = kCountdownTicks - g_countdownTicks;
    int done = MulDiv(elapsed, bar.right - bar.left, kCountdownTicks);
    int x = bar.left + done;
    FillWith(item->hDC, x - 2 > bar.left ? x - 2 : bar.left, bar.top, x, bar.bottom, kElapsedColour);
    if (g_countdownTicks == kCountdownTicks)
        FillWith(item->hDC, x, bar.top, bar.right + done, bar.bottom, kRemainingColour);
    return 1;
}
