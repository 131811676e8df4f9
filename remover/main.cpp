// Morvask's program flow: one instance at a time, the Windows
// family, dialog 102 with its two buttons and the log list.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include "cfg.h"
#include "platform.h"
#include "remover.h"
#include "resource.h"

// The remover only deletes values: the plain registry helpers do.
const CfgOptions g_cfgOptions = CFG_PLAIN_OPTIONS;

BOOL g_isWin9x;

namespace {

HINSTANCE g_instance;
HWND g_logList;
int g_logLineCount;
// Set from the moment a button is acted on. The shell's confirmations run a
// message loop inside RunRemoval, and its boxes have no owner, so the
// buttons stay live meanwhile: a second press must not start a second
// removal inside the first, nor end the dialog under it.
bool g_choiceMade;

const int kLogColumnWidth = 180;
const DWORD kEndingPauseMs = 2000;

void EndRemoverDialog(HWND dialog)
{
    AddLogLine("Ending..");
    Sleep(kEndingPauseMs);
    EndDialog(dialog, 0);
}

void OnInitDialog(HWND dialog)
{
    g_logList = GetDlgItem(dialog, IDC_LOG);
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    // The list shows its first column left-aligned whatever the format says.
    column.fmt = LVCFMT_RIGHT;
    column.cx = kLogColumnWidth;
    column.iSubItem = 0;
    SendMessageA(g_logList, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    AddLogLine("Starting..");
}

void OnCommand(HWND dialog, WPARAM wParam)
{
    // Escape and the close command arrive as IDCANCEL, which falls through
    // here untouched: only the two buttons end the program.
    if (HIWORD(wParam) != 0 || g_choiceMade)
        return;
    switch (LOWORD(wParam)) {
    case IDC_DESTROY:
        g_choiceMade = true;
        AddLogLine("Killing..");
        RunRemoval(dialog);
        EndRemoverDialog(dialog);
        break;
    case IDC_LEAVE_ALONE:
        g_choiceMade = true;
        EndRemoverDialog(dialog);
        break;
    }
}

}  // namespace

void AddLogLine(const char *format, ...)
{
    char line[kPathSize];
    va_list args;
    va_start(args, format);
    FormatBoundedV(line, sizeof line, format, args);
    va_end(args);

    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT;
    item.iItem = g_logLineCount++;
    item.iSubItem = 0;
    item.pszText = line;
    SendMessageA(g_logList, LVM_INSERTITEMA, 0, (LPARAM)&item);
    SendMessageA(g_logList, LVM_ENSUREVISIBLE, (WPARAM)(g_logLineCount - 1), FALSE);
    // The removal dispatches no messages until it ends; without this the
    // lines would only appear once it is over.
    UpdateWindow(g_logList);
}

void DetectWindowsFamily()
{
    // A failed GetVersionExA counts as the NT family.
    g_isWin9x = DetectWindowsBranch() == kWindows9x;
}

INT_PTR CALLBACK RemoverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        break;
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        break;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The last error must speak of the mutex alone: cleared before, read
    // right after, since the calls below (MessageBeep among them) may
    // change it.
    SetLastError(0);
    HANDLE mutex = CreateMutexA(NULL, TRUE, "Morvask");
    DWORD mutexError = GetLastError();
    g_instance = GetModuleHandleA(NULL);
    InitCommonControls();
    DetectWindowsFamily();
    MessageBeep(0);
    if (!mutex || mutexError != 0) {
        if (mutex)
            CloseHandle(mutex);
        return 0;
    }
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_REMOVER), NULL, RemoverDialogProc, 0);
    CloseHandle(mutex);
    return 0;
}
