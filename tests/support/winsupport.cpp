#include "winsupport.h"

#include <string.h>

namespace testing_support {

void DeleteKeyTree(HKEY root, const char *path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
}

void WriteRaw(HKEY root, const char *path, const char *name, DWORD type, const void *data,
              DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
}

void WriteString(HKEY root, const char *path, const char *name, const char *text)
{
    WriteRaw(root, path, name, REG_SZ, text, (DWORD)strlen(text) + 1);
}

void WriteDword(HKEY root, const char *path, const char *name, DWORD value)
{
    WriteRaw(root, path, name, REG_DWORD, &value, sizeof value);
}

RegValue ReadValue(HKEY root, const char *path, const char *name)
{
    RegValue result;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key, name, NULL, &type, NULL, &size) == ERROR_SUCCESS) {
        result.data.resize(size);
        if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&result.data[0], &size) ==
            ERROR_SUCCESS) {
            result.found = true;
            result.type = type;
            result.data.resize(size);
        }
    }
    RegCloseKey(key);
    return result;
}

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> ValueNames(HKEY root, const char *path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// Dialogs --------------------------------------------------------------------

namespace {
thread_local DialogAnswerer *t_answerer;
thread_local size_t t_answered;
}  // namespace

DialogAnswerer::DialogAnswerer(std::vector<int> answers) : answers_(std::move(answers))
{
    t_answerer = this;
    t_answered = 0;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, NULL, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer()
{
    UnhookWindowsHookEx(hook_);
    t_answerer = NULL;
}

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && t_answerer) {
        HWND window = (HWND)wParam;
        char className[64] = "";
        GetClassNameA(window, className, sizeof className);
        if (!strcmp(className, "#32770")) {
            // Read the box once it is filled in, from a timer on this thread.
            SetTimer(window, 0x7E57, 10, Answer);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

VOID CALLBACK DialogAnswerer::Answer(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    DialogAnswerer *self = t_answerer;
    if (!self)
        return;
    SeenDialog seen;
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    seen.caption = text;
    text[0] = '\0';
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.owner = GetWindow(window, GW_OWNER);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[64] = "";
        GetClassNameA(child, className, sizeof className);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (!lstrcmpiA(className, "Button") && (style & 0x0F) <= BS_DEFPUSHBUTTON)
            seen.buttons.push_back(GetDlgCtrlID(child));
        if (!lstrcmpiA(className, "Static") && (style & SS_TYPEMASK) == SS_ICON)
            seen.hasIcon = true;
    }
    self->seen_.push_back(seen);
    int answer = self->answers_.empty()
                     ? IDCANCEL
                     : self->answers_[t_answered < self->answers_.size() ? t_answered
                                                                         : self->answers_.size() - 1];
    ++t_answered;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 (LPARAM)GetDlgItem(window, answer));
}

// Imports ----------------------------------------------------------------------

void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement)
{
    BYTE *base = (BYTE *)module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return NULL;
    for (IMAGE_IMPORT_DESCRIPTOR *entry = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory.VirtualAddress);
         entry->Name; ++entry) {
        if (lstrcmpiA((const char *)(base + entry->Name), dll))
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + entry->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)byName->Name, function))
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
            void *previous = (void *)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)replacement;
            VirtualProtect(&slots->u1.Function, sizeof(void *), old, &old);
            return previous;
        }
    }
    return NULL;
}

// The card's service -----------------------------------------------------------

namespace {

bool ControlCard(bool start)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceA(manager, "zintrel", SERVICE_START | SERVICE_STOP |
                                                             SERVICE_QUERY_STATUS);
    bool ok = false;
    if (service) {
        SERVICE_STATUS status;
        if (start)
            ok = StartServiceA(service, 0, NULL) ||
                 GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
        else
            ok = ControlService(service, SERVICE_CONTROL_STOP, &status) ||
                 GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
        // Wait until the device has come or gone.
        for (int i = 0; ok && i < 100; ++i) {
            if (!QueryServiceStatus(service, &status))
                break;
            if (status.dwCurrentState == (start ? SERVICE_RUNNING : SERVICE_STOPPED))
                break;
            Sleep(20);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return ok;
}

}  // namespace

bool StopCardService()
{
    return ControlCard(false);
}

bool StartCardService()
{
    return ControlCard(true);
}

}  // namespace testing_support
