// The spy: hook procedures that the test installs on Morvask's thread.
// Windows loads this DLL into Morvask when a hook first fires there, so the
// procedures run inside Morvask's thread and can read its log list even
// while it sleeps before ending, and can answer the shell's confirmations
// as a user would.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include "spy.h"

namespace {

const int kLogId = 1003;
const int kDestroyId = 1001;
const int kLeaveAloneId = 1002;
const UINT_PTR kAnswerTimer = 0x5E7;

HWND g_dialog;
HWND g_logList;
bool g_pressedButtons;

bool IsRemoverDialog(HWND window)
{
    return window && GetDlgItem(window, kLogId) != NULL;
}

// What the list holds when the dialog goes: every line, the column, and
// which lines are in view; and the pictures' bitmaps.
void RecordFinalState(HWND dialog)
{
    HWND list = GetDlgItem(dialog, kLogId);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        LVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        spy::Record(spy::kFinalLine, text, i);
    }
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH;
    if (SendMessageA(list, LVM_GETCOLUMNA, 0, (LPARAM)&column))
        spy::Record(spy::kFinalColumn, "", column.fmt, column.cx);
    spy::Record(spy::kFinalView, "", count, SendMessageA(list, LVM_GETTOPINDEX, 0, 0),
                SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        HBITMAP bitmap = (HBITMAP)SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP info;
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0 && bitmap && GetObjectA(bitmap, sizeof info, &info))
            spy::Record(spy::kPicture, "", info.bmWidth, info.bmHeight, info.bmBitsPixel);
    }
}

void AppendTexts(HWND window, char *out, size_t size)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0)
            continue;
        char text[300] = "";
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) {
            size_t used = strlen(out);
            snprintf(out + used, size - used, "|%s", text);
        }
    }
}

VOID CALLBACK AnswerConfirmation(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    spy::Shared *shared = spy::Open();
    if (!shared)
        return;
    char seen[320] = "";
    GetWindowTextA(window, seen, sizeof seen);
    AppendTexts(window, seen, sizeof seen);
    // Wine's own question box paints its message from a window property.
    const WCHAR *message = (const WCHAR *)GetPropA(window, "WINE_CONFIRM");
    if (message) {
        size_t used = strlen(seen);
        if (used + 1 < sizeof seen) {
            seen[used++] = '|';
            WideCharToMultiByte(CP_ACP, 0, message, -1, seen + used, (int)(sizeof seen - used), NULL,
                                NULL);
            seen[sizeof seen - 1] = '\0';
        }
    }
    LONG answer = shared->answer ? shared->answer : IDYES;
    if (shared->refuseText[0] && strstr(seen, shared->refuseText))
        answer = IDNO;
    spy::Record(spy::kConfirmation, seen, answer);
    if (shared->pressButtonsInConfirmation && !g_pressedButtons && g_dialog) {
        // A user clicking the dialog's buttons while the shell asks.
        g_pressedButtons = true;
        SendMessageA(GetDlgItem(g_dialog, kLeaveAloneId), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(g_dialog, kDestroyId), BM_CLICK, 0, 0);
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 (LPARAM)GetDlgItem(window, answer));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyCallWndProc(int code, WPARAM wParam,
                                                                 LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT *message = (const CWPSTRUCT *)lParam;
        switch (message->message) {
        case WM_INITDIALOG:
            if (IsRemoverDialog(message->hwnd)) {
                g_dialog = message->hwnd;
                g_logList = GetDlgItem(g_dialog, kLogId);
            }
            break;
        case LVM_INSERTITEMA: {
            const LVITEMA *item = (const LVITEMA *)message->lParam;
            spy::Record(spy::kLogLine, item->pszText, item->iItem, item->mask, item->iSubItem);
            break;
        }
        case LVM_INSERTCOLUMNA: {
            const LVCOLUMNA *column = (const LVCOLUMNA *)message->lParam;
            spy::Record(spy::kColumn, column->pszText ? column->pszText : "(none)", column->mask,
                        column->fmt, column->cx);
            break;
        }
        case LVM_ENSUREVISIBLE:
            spy::Record(spy::kEnsureVisible, "", message->wParam, message->lParam);
            break;
        case WM_PAINT:
            if (message->hwnd == g_logList && g_logList)
                spy::Record(spy::kUpdateWindow);
            break;
        case WM_COMMAND:
            if (message->hwnd == g_dialog && g_dialog)
                spy::Record(spy::kCommand, "sent", message->wParam);
            break;
        case WM_DESTROY:
            if (message->hwnd == g_dialog && g_dialog) {
                spy::Record(spy::kDialogDestroyed);
                RecordFinalState(g_dialog);
            }
            break;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyGetMessage(int code, WPARAM wParam,
                                                                LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG *message = (const MSG *)lParam;
        if (message->message == spy::kMarkerMessage)
            spy::Record(spy::kMarker, "", message->wParam);
        else if (message->message == WM_COMMAND && message->hwnd == g_dialog && g_dialog)
            spy::Record(spy::kCommand, "posted", message->wParam);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA *create = (const CBT_CREATEWNDA *)lParam;
        char className[64] = "";
        if (IS_INTRESOURCE(create->lpcs->lpszClass))
            snprintf(className, sizeof className, "#%u",
                     (unsigned)(ULONG_PTR)create->lpcs->lpszClass);
        else
            lstrcpynA(className, create->lpcs->lpszClass, sizeof className);
        spy::Record(spy::kWindowCreated, className);
    } else if (code == HCBT_ACTIVATE) {
        HWND window = (HWND)wParam;
        char className[64] = "";
        GetClassNameA(window, className, sizeof className);
        // Any dialog box but the remover's own is one of the shell's
        // questions; read it once it is filled in.
        if (!lstrcmpA(className, "#32770") && !IsRemoverDialog(window))
            SetTimer(window, kAnswerTimer, 20, AnswerConfirmation);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
