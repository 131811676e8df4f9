#include "harness.h"

#include <shlobj.h>

#include <stdio.h>
#include <string.h>

namespace remover_test {

std::string BinaryFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    char *slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    return path;
}

// Spy block --------------------------------------------------------------------

SpyBlock::SpyBlock()
{
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(spy::Shared),
                                  spy::kMappingName);
    shared_ = (spy::Shared *)MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(spy::Shared));
    Reset();
}

void SpyBlock::Reset()
{
    ZeroMemory(shared_, sizeof *shared_);
    shared_->answer = IDYES;
}

SpyBlock::~SpyBlock()
{
    UnmapViewOfFile(shared_);
    CloseHandle(mapping_);
}

std::vector<spy::Event> SpyBlock::Events() const
{
    std::vector<spy::Event> events;
    LONG count = shared_->count < spy::kMaxEvents ? shared_->count : spy::kMaxEvents;
    for (LONG i = 0; i < count; ++i) {
        const spy::Event &event = shared_->events[i];
        if (event.kind != spy::kNone)
            events.push_back(*const_cast<spy::Event *>(&event));
    }
    return events;
}

std::vector<spy::Event> SpyBlock::Events(spy::Kind kind) const
{
    std::vector<spy::Event> matching;
    for (const spy::Event &event : Events())
        if (event.kind == kind)
            matching.push_back(event);
    return matching;
}

std::vector<std::string> SpyBlock::LogLines() const
{
    std::vector<std::string> lines;
    for (const spy::Event &event : Events(spy::kLogLine))
        lines.push_back(event.text);
    return lines;
}

std::vector<std::string> SpyBlock::FinalLines() const
{
    std::vector<std::string> lines;
    for (const spy::Event &event : Events(spy::kFinalLine))
        lines.push_back(event.text);
    return lines;
}

// Morvask ------------------------------------------------------------------------

Remover::~Remover()
{
    for (HHOOK hook : hooks_)
        if (hook)
            UnhookWindowsHookEx(hook);
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
    }
    if (debugger_) {
        WaitForSingleObject(debugger_, 10000);
        CloseHandle(debugger_);
    }
    if (started_)
        CloseHandle(started_);
    if (process_.hProcess)
        CloseHandle(process_.hProcess);
    if (process_.hThread)
        CloseHandle(process_.hThread);
}

bool Remover::Create(DWORD flags)
{
    std::string exe = BinaryFolder() + "\\Morvask.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(exe.c_str(), NULL, NULL, NULL, FALSE, flags | CREATE_SUSPENDED, NULL, "C:\\",
                          &startup, &process_);
}

bool Remover::SetHooks()
{
    if (!options_.spy)
        return true;
    static HMODULE spyModule = LoadLibraryA((BinaryFolder() + "\\morvask_spy.dll").c_str());
    if (!spyModule)
        return false;
    const struct {
        int type;
        const char *name;
    } kHooks[] = {{WH_CALLWNDPROC, "SpyCallWndProc"}, {WH_GETMESSAGE, "SpyGetMessage"}, {WH_CBT, "SpyCbt"}};
    for (int i = 0; i < 3; ++i) {
        HOOKPROC procedure = (HOOKPROC)GetProcAddress(spyModule, kHooks[i].name);
        hooks_[i] = SetWindowsHookExA(kHooks[i].type, procedure, spyModule, process_.dwThreadId);
        if (!hooks_[i])
            return false;
    }
    return true;
}

bool Remover::Start(const StartOptions &options)
{
    options_ = options;
    if (!options.countBeeps) {
        if (!Create(0) || !SetHooks())
            return false;
        ResumeThread(process_.hThread);
        return true;
    }
    // A debugger must wait for its events on the thread that started the
    // process.
    started_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    debugger_ = CreateThread(NULL, 0, Debug, this, 0, NULL);
    WaitForSingleObject(started_, kPatienceMs);
    return startedOk_;
}

DWORD WINAPI Remover::Debug(void *self)
{
    ((Remover *)self)->DebugLoop();
    return 0;
}

namespace {

// Where MessageBeep sits in the debugged process: Wine maps its system DLLs
// at the same place in every process, which the first bytes confirm.
BYTE *BeepAddress(HANDLE process)
{
    BYTE *address = (BYTE *)GetProcAddress(GetModuleHandleA("user32.dll"), "MessageBeep");
    BYTE theirs[16];
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, address, theirs, sizeof theirs, &read) || read != sizeof theirs ||
        memcmp(theirs, address, sizeof theirs))
        return NULL;
    return address;
}

bool WriteCode(HANDLE process, BYTE *address, BYTE byte)
{
    DWORD old;
    SIZE_T written = 0;
    if (!VirtualProtectEx(process, address, 1, PAGE_EXECUTE_READWRITE, &old))
        return false;
    bool ok = WriteProcessMemory(process, address, &byte, 1, &written) && written == 1;
    VirtualProtectEx(process, address, 1, old, &old);
    FlushInstructionCache(process, address, 1);
    return ok;
}

// Returns from a stdcall function of one argument (MessageBeep) stopped at
// its first instruction, with TRUE.
void ReturnTrue(HANDLE process, CONTEXT *context)
{
    ULONG_PTR returnAddress = 0;
    SIZE_T read;
#ifdef _WIN64
    ReadProcessMemory(process, (void *)context->Rsp, &returnAddress, sizeof returnAddress, &read);
    context->Rip = returnAddress;
    context->Rsp += 8;  // the return address; the argument came in a register
    context->Rax = TRUE;
#else
    ReadProcessMemory(process, (void *)(ULONG_PTR)context->Esp, &returnAddress, sizeof returnAddress,
                      &read);
    context->Eip = returnAddress;
    context->Esp += 8;  // the return address and the argument the callee pops
    context->Eax = TRUE;
#endif
}

typedef LONG(NTAPI *QueryThreadProc)(HANDLE, int, void *, ULONG, ULONG *);

// The thread's last-error field in its TEB.
#ifdef _WIN64
const ULONG kTebLastError = 0x68;
#else
const ULONG kTebLastError = 0x34;
#endif
void SetLastErrorOf(HANDLE process, HANDLE thread, DWORD error)
{
    struct {
        LONG exitStatus;
        void *teb;
        void *clientId[2];
        ULONG_PTR affinity;
        LONG priority, basePriority;
    } basic = {};
    static QueryThreadProc query =
        (QueryThreadProc)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread");
    if (!query || query(thread, 0, &basic, sizeof basic, NULL) != 0 || !basic.teb)
        return;
    SIZE_T written;
    WriteProcessMemory(process, (BYTE *)basic.teb + kTebLastError, &error, sizeof error, &written);
}

}  // namespace

void Remover::DebugLoop()
{
    if (!Create(DEBUG_ONLY_THIS_PROCESS) || !SetHooks()) {
        SetEvent(started_);
        return;
    }
    ResumeThread(process_.hThread);
    // The stand-in goes in as soon as user32 is mapped, before any of
    // Morvask's own code runs; Start returns then.
    BYTE *beep = NULL;
    HMODULE user32 = GetModuleHandleA("user32.dll");
    std::vector<std::pair<DWORD, HANDLE>> threads;
    for (;;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, INFINITE))
            break;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            threads.push_back({event.dwThreadId, event.u.CreateProcessInfo.hThread});
            break;
        case CREATE_THREAD_DEBUG_EVENT:
            threads.push_back({event.dwThreadId, event.u.CreateThread.hThread});
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            if (event.u.LoadDll.lpBaseOfDll == (void *)user32 && !beep) {
                beep = BeepAddress(process_.hProcess);
                startedOk_ = beep && WriteCode(process_.hProcess, beep, 0xCC);
                if (!startedOk_)
                    TerminateProcess(process_.hProcess, 1);
                SetEvent(started_);
            }
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD &record = event.u.Exception.ExceptionRecord;
            if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            }
            if (!beep || (BYTE *)record.ExceptionAddress != beep)
                break;  // the loader's breakpoint
            HANDLE thread = NULL;
            for (auto &known : threads)
                if (known.first == event.dwThreadId)
                    thread = known.second;
            // MessageBeep returns TRUE at once, as a beep that sounded.
            CONTEXT context = {};
            context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
            GetThreadContext(thread, &context);
            ReturnTrue(process_.hProcess, &context);
            SetThreadContext(thread, &context);
            SetLastErrorOf(process_.hProcess, thread, options_.lastErrorAfterBeep);
            InterlockedIncrement(&beeps_);
            break;
        }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            break;
    }
    SetEvent(started_);
}

namespace {

BOOL CALLBACK FindRemoverDialog(HWND window, LPARAM found)
{
    if (GetDlgItem(window, 1003) && IsWindowVisible(window)) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool Remover::Attach(DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        HWND found = NULL;
        EnumWindows(FindRemoverDialog, (LPARAM)&found);
        DWORD processId = 0;
        DWORD threadId = found ? GetWindowThreadProcessId(found, &processId) : 0;
        if (!found || processId == GetCurrentProcessId())
            continue;
        process_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE,
                                        FALSE, processId);
        process_.dwProcessId = processId;
        process_.dwThreadId = threadId;
        dialog_ = found;
        return process_.hProcess && SetHooks();
    }
    return false;
}

HWND Remover::WaitForDialog(DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        HWND found = NULL;
        EnumThreadWindows(process_.dwThreadId, FindRemoverDialog, (LPARAM)&found);
        if (found)
            return dialog_ = found;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0)
            break;
    }
    return NULL;
}

bool Remover::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

void Remover::Press(int controlId)
{
    PostMessageA(GetDlgItem(dialog_, controlId), BM_CLICK, 0, 0);
}

void Remover::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageA(dialog_, message, wParam, lParam);
}

bool Remover::Flush(spy::Shared *shared)
{
    // Twice: what the first round's messages posted in turn sits behind the
    // first marker.
    for (int round = 0; round < 2; ++round) {
        LONG marker = nextMarker_++;
        PostMessageA(dialog_, spy::kMarkerMessage, marker, 0);
        bool seen = false;
        for (DWORD start = GetTickCount(); !seen && GetTickCount() - start < 5000; Sleep(10)) {
            LONG count = shared->count < spy::kMaxEvents ? shared->count : spy::kMaxEvents;
            for (LONG i = 0; i < count && !seen; ++i)
                seen = shared->events[i].kind == spy::kMarker && shared->events[i].value == marker;
        }
        if (!seen)
            return false;
    }
    return true;
}

// The family's windows ---------------------------------------------------------------

FamilyWindows::~FamilyWindows()
{
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool FamilyWindows::Start(const std::string &arguments)
{
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, "VantrelTestsFamilyReady");
    std::string command = "\"" + BinaryFolder() + "\\family_windows.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    bool started = CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                  &process_) &&
                   WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready);
    return started;
}

bool FamilyWindows::WaitForExit(DWORD timeoutMs)
{
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

// Windows version ----------------------------------------------------------------------

namespace {
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Morvask.exe";
}

WindowsVersion::WindowsVersion(const char *version)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version, (DWORD)strlen(version) + 1);
        RegCloseKey(key);
    }
}

WindowsVersion::~WindowsVersion()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppDefaults);
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
}

// Registry backup ----------------------------------------------------------------------

RegistryBackup::RegistryBackup(HKEY root, const std::string &path) : root_(root), path_(path)
{
    size_t slash = path.rfind('\\');
    std::string parentPath = path.substr(0, slash);
    HKEY parent;
    existed_ = false;
    if (RegOpenKeyExA(root, parentPath.c_str(), 0, KEY_READ, &parent) == ERROR_SUCCESS) {
        existed_ = Save(parent, path.substr(slash + 1), &saved_);
        RegCloseKey(parent);
    }
}

RegistryBackup::~RegistryBackup()
{
    RegDeleteTreeA(root_, path_.c_str());
    RegDeleteKeyA(root_, path_.c_str());
    if (!existed_)
        return;
    size_t slash = path_.rfind('\\');
    HKEY parent;
    if (RegCreateKeyExA(root_, path_.substr(0, slash).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &parent, NULL) == ERROR_SUCCESS) {
        Restore(parent, saved_);
        RegCloseKey(parent);
    }
}

bool RegistryBackup::Save(HKEY parent, const std::string &name, Key *key)
{
    HKEY handle;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    key->name = name;
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName, type, dataSize = 0;
        if (RegEnumValueA(handle, i, valueName, &nameSize, NULL, &type, NULL, &dataSize) !=
            ERROR_SUCCESS)
            break;
        Value value{valueName, type, std::string(dataSize, '\0')};
        nameSize = sizeof valueName;
        RegEnumValueA(handle, i, valueName, &nameSize, NULL, &type,
                      dataSize ? (BYTE *)&value.data[0] : NULL, &dataSize);
        key->values.push_back(value);
    }
    for (DWORD i = 0;; ++i) {
        char childName[256];
        DWORD size = sizeof childName;
        if (RegEnumKeyExA(handle, i, childName, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        Key child;
        if (Save(handle, childName, &child))
            key->children.push_back(child);
    }
    RegCloseKey(handle);
    return true;
}

void RegistryBackup::Restore(HKEY parent, const Key &key)
{
    HKEY handle;
    if (RegCreateKeyExA(parent, key.name.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &handle, NULL) !=
        ERROR_SUCCESS)
        return;
    for (const Value &value : key.values)
        RegSetValueExA(handle, value.name.c_str(), 0, value.type, (const BYTE *)value.data.data(),
                       (DWORD)value.data.size());
    for (const Key &child : key.children)
        Restore(handle, child);
    RegCloseKey(handle);
}

ValueBackup::ValueBackup(HKEY root, const std::string &path, const std::string &name)
    : root_(root), path_(path), name_(name), existed_(false), type_(REG_NONE)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), NULL, &type_, NULL, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegQueryValueExA(key, name.c_str(), NULL, &type_,
                                    size ? (BYTE *)&data_[0] : NULL, &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
}

ValueBackup::~ValueBackup()
{
    HKEY key;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExA(key, name_.c_str(), 0, type_, (const BYTE *)data_.data(), (DWORD)data_.size());
    else
        RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
}

bool CardRunning()
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceA(manager, "zintrel", SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    bool running = service && QueryServiceStatus(service, &status) &&
                   status.dwCurrentState == SERVICE_RUNNING;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return running;
}

// Files ------------------------------------------------------------------------------

void WriteFile(const std::string &path, const std::string &data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    ::WriteFile(file, data.data(), (DWORD)data.size(), &written, NULL);
    CloseHandle(file);
}

std::string ReadWholeFile(const std::string &path)
{
    std::string data;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[65536];
    DWORD read;
    while (ReadFile(file, buffer, sizeof buffer, &read, NULL) && read)
        data.append(buffer, read);
    CloseHandle(file);
    return data;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileBackup::FileBackup(const std::string &path) : path_(path), existed_(false)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    existed_ = true;
    char buffer[65536];
    DWORD read;
    while (ReadFile(file, buffer, sizeof buffer, &read, NULL) && read)
        data_.append(buffer, read);
    CloseHandle(file);
}

FileBackup::~FileBackup()
{
    if (existed_)
        WriteFile(path_, data_);
    else
        DeleteFileA(path_.c_str());
}

std::string SystemFolder()
{
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, sizeof path);
    return path;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

}  // namespace remover_test
