// Running Morvask.exe as a user would, in the test prefix: start it with the
// spy in its thread, find its dialog, press its buttons, read what it
// logged; the family's stand-in windows; registry and file fixtures.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "spy.h"

namespace remover_test {

// The folder of the test program, where Morvask.exe and the helpers are built.
std::string BinaryFolder();

// The shared block of events; created first, so that the spy and the
// stand-in windows find it.
class SpyBlock {
public:
    SpyBlock();
    ~SpyBlock();
    spy::Shared *Get() { return shared_; }
    // Forgets every event, for another run.
    void Reset();
    // Completed events in the order they were recorded.
    std::vector<spy::Event> Events() const;
    std::vector<spy::Event> Events(spy::Kind kind) const;
    // The texts of the lines Morvask inserted into its log, in order.
    std::vector<std::string> LogLines() const;
    // The list's items as the spy read them when the dialog was destroyed.
    std::vector<std::string> FinalLines() const;

private:
    HANDLE mapping_;
    spy::Shared *shared_;
};

struct StartOptions {
    // The spy's hooks are set on Morvask's thread before that thread runs.
    bool spy = true;
    // Morvask runs under a small debugger that stands in for MessageBeep:
    // each call is counted, and it leaves lastErrorAfterBeep as the
    // thread's last error, as a real beep may change it.
    bool countBeeps = false;
    DWORD lastErrorAfterBeep = 0;
};

// How long to wait for what must happen (a dialog, the end of a removal):
// ample, since the 32-bit tests may run on a busy software CPU, where
// Morvask's start and a whole removal have taken more than a minute.
const DWORD kPatienceMs = 180000;

// One run of Morvask.exe, started in C:\ (so that a relative path could
// only ever reach into the prefix). It ends a process it started that is
// still running when it goes.
class Remover {
public:
    ~Remover();
    bool Start(const StartOptions &options = StartOptions());
    // A Morvask that another program started (Add/Remove Programs): waits
    // for its dialog and sets the spy's hooks on its thread from then on.
    bool Attach(DWORD timeoutMs = 30000);
    // The dialog once it is visible, or NULL after the timeout.
    HWND WaitForDialog(DWORD timeoutMs = kPatienceMs);
    // True when the process ended within the timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode = NULL);
    // A click on one of the dialog's buttons, posted as the user's click is.
    void Press(int controlId);
    // Posts a message to the dialog as the keyboard or the window manager
    // would.
    void Post(UINT message, WPARAM wParam, LPARAM lParam);
    // Returns once everything posted to the dialog so far, and what that
    // posted in turn, has been taken from its queue.
    bool Flush(spy::Shared *shared);
    HWND Dialog() const { return dialog_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    // MessageBeep calls so far (with countBeeps).
    LONG Beeps() const { return beeps_; }

private:
    bool Create(DWORD flags);
    bool SetHooks();
    static DWORD WINAPI Debug(void *self);
    void DebugLoop();

    StartOptions options_;
    PROCESS_INFORMATION process_ = {};
    HWND dialog_ = NULL;
    HHOOK hooks_[3] = {};
    LONG nextMarker_ = 1;
    HANDLE debugger_ = NULL;
    HANDLE started_ = NULL;
    bool startedOk_ = false;
    volatile LONG beeps_ = 0;
};

// The family's running programs, in another process.
class FamilyWindows {
public:
    ~FamilyWindows();
    bool Start(const std::string &arguments);
    bool WaitForExit(DWORD timeoutMs);

private:
    PROCESS_INFORMATION process_ = {};
};

// HKCU\Software\Wine\AppDefaults\Morvask.exe "Version" for the runs that
// follow ("win98", "winxp"); removed again when it goes.
class WindowsVersion {
public:
    explicit WindowsVersion(const char *version);
    ~WindowsVersion();
};

// A copy of a whole registry tree, put back as it was.
class RegistryBackup {
public:
    RegistryBackup(HKEY root, const std::string &path);
    ~RegistryBackup();

private:
    struct Value {
        std::string name;
        DWORD type;
        std::string data;
    };
    struct Key {
        std::string name;
        std::vector<Value> values;
        std::vector<Key> children;
    };
    static bool Save(HKEY parent, const std::string &name, Key *key);
    static void Restore(HKEY parent, const Key &key);
    HKEY root_;
    std::string path_;
    bool existed_;
    Key saved_;
};

// A registry value, put back as it was (or removed if there was none).
class ValueBackup {
public:
    ValueBackup(HKEY root, const std::string &path, const std::string &name);
    ~ValueBackup();

private:
    HKEY root_;
    std::string path_, name_;
    bool existed_;
    DWORD type_;
    std::string data_;
};

// A copy of a file, put back as it was (or removed if there was none).
class FileBackup {
public:
    explicit FileBackup(const std::string &path);
    ~FileBackup();

private:
    std::string path_;
    bool existed_;
    std::string data_;
};

// Whether the simulated card's driver service "zintrel" is running. Its
// driver file cannot be deleted or replaced while it is loaded.
bool CardRunning();

void WriteFile(const std::string &path, const std::string &data);
// The file's bytes, or "(missing)" when it cannot be opened.
std::string ReadWholeFile(const std::string &path);
bool FileExists(const std::string &path);
std::string SystemFolder();
// The folder of a shell special folder as the test process sees it.
std::string SpecialFolder(int csidl);

}  // namespace remover_test
