// The family installed as a user installs it (Vantrel.inf beside the
// binaries, run through setupapi's InstallHinfSection as right-click >
// Install does), its tabs seen in Display Properties, and taken away again
// from Add/Remove Programs with Morvask's Destroy. It runs in a fresh prefix
// of one Windows family (fresh-prefix.sh), in two phases with a restart
// between them: a RoundTrip test installs and removes, and AfterRestart
// compares the whole registry and drive C with what they were before the
// install. Whatever the install made must be gone, the remover's own file
// included, and nothing that was there may have changed.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "snapshot.h"

using namespace remover_test;

namespace {

const char kPanels[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder";
const char kUninstallEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellomar";
const char *const kFamilyFiles[] = {"Quillan.dll", "Serrafin.dll", "Morvask.exe"};
const char *const kTabClasses[] = {"{2B8E07C4-9F51-4a36-A3E8-D41F6B29C075}",
                                   "{81D3F6B2-4C07-4e19-8B2D-5A7E90C3D614}"};
const char kMedia[] = "C:\\VantrelMedia";
// The snapshot a RoundTrip test takes before it installs, for AfterRestart.
// In the working folder, which fresh-prefix.sh makes the prefix's own
// folder beside drive C: unseen by the snapshot, and gone with the prefix.
const char kBeforeTheInstall[] = "before-the-install.snapshot";

bool Win9x()
{
    return (GetVersion() & 0x80000000) != 0;
}

std::string Join(const std::string &a, const std::string &b)
{
    return a + "\\" + b;
}

std::string Show(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "\n    " + line;
    return text;
}

std::string ReadText(HKEY root, const std::string &path, const char *name)
{
    char text[MAX_PATH] = "";
    DWORD size = sizeof text;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(no key)";
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE *)text, &size) != ERROR_SUCCESS)
        lstrcpyA(text, "(no value)");
    RegCloseKey(key);
    return text;
}

// Starts a program of the prefix (found on its path, as a shell finds it).
bool Start(const std::string &commandLine, PROCESS_INFORMATION *process, HANDLE output = NULL)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    return CreateProcessA(NULL, &line[0], NULL, NULL, output != NULL, 0, NULL, "C:\\", &startup, process);
}

// Runs a program to its end and returns what it wrote.
std::string RunForOutput(const std::string &commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE reader, writer;
    if (!CreatePipe(&reader, &writer, &inherit, 0))
        return "(no pipe)";
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process;
    bool started = Start(commandLine, &process, writer);
    CloseHandle(writer);
    std::string output;
    char buffer[4096];
    DWORD read;
    while (started && ReadFile(reader, buffer, sizeof buffer, &read, NULL) && read)
        output.append(buffer, read);
    CloseHandle(reader);
    if (!started)
        return "(not started)";
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return output;
}

// Right-click > Install on the .inf in folder.
void InstallFrom(const std::string &folder)
{
    PROCESS_INFORMATION process;
    ASSERT_TRUE(Start("rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 " +
                          Join(folder, "Vantrel.inf"),
                      &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << "the install did not end";
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

struct SheetSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindSheet(HWND window, LPARAM context)
{
    SheetSearch *search = (SheetSearch *)context;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (processId == search->processId && IsWindowVisible(window) && !lstrcmpA(caption, "Display Properties")) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The tabs of Display Properties as deskhost shows them, loading the pages
// as the shell does. It is a process of its own, so that the page libraries
// are not held loaded here when the remover deletes them.
std::vector<std::string> DisplayPropertiesTabs()
{
    std::vector<std::string> titles;
    PROCESS_INFORMATION process;
    if (!Start("\"" + Join(BinaryFolder(), "deskhost.exe") + "\"", &process))
        return {"(deskhost did not start)"};
    SheetSearch search = {process.dwProcessId, NULL};
    for (DWORD start = GetTickCount(); !search.found && GetTickCount() - start < 20000; Sleep(50)) {
        EnumWindows(FindSheet, (LPARAM)&search);
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
    }
    if (search.found) {
        HWND tabs = (HWND)SendMessageA(search.found, PSM_GETTABCONTROL, 0, 0);
        int count = (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
        // The tab control fills a TCITEMA in its own process.
        BYTE *remote = (BYTE *)VirtualAllocEx(process.hProcess, NULL, 4096, MEM_COMMIT, PAGE_READWRITE);
        for (int i = 0; remote && i < count; ++i) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = (char *)remote + 1024;
            item.cchTextMax = 128;
            char text[129] = "";
            SIZE_T done;
            WriteProcessMemory(process.hProcess, remote, &item, sizeof item, &done);
            SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)remote);
            ReadProcessMemory(process.hProcess, remote + 1024, text, 128, &done);
            titles.push_back(text);
        }
        if (remote)
            VirtualFreeEx(process.hProcess, remote, 0, MEM_RELEASE);
        PostMessageA(search.found, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        titles.push_back("(deskhost did not end)");
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return titles;
}

bool KeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// What of the family the machine holds: its files, classes and entry.
std::vector<std::string> FamilyTraces()
{
    std::vector<std::string> traces;
    for (const char *name : kFamilyFiles)
        if (FileExists(Join(SystemFolder(), name)))
            traces.push_back(name);
    for (const char *id : kTabClasses)
        if (KeyExists(HKEY_CLASSES_ROOT, Join("CLSID", id)))
            traces.push_back(id);
    if (KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry))
        traces.push_back(kUninstallEntry);
    return traces;
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        system_ = SystemFolder();
        remover_ = Join(system_, "Morvask.exe");
        // Each test starts without the family, whatever an earlier one left.
        ASSERT_EQ(FamilyTraces(), std::vector<std::string>{});
        // The Display control panel's list of tab handlers belongs to
        // Windows, which has it before any tab is installed and keeps it
        // when the last one goes; a fresh prefix has none yet.
        HKEY key;
        std::string handlers = Join(kPanels, Win9x() ? "Device" : "Display") + "\\shellex\\PropertySheetHandlers";
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, handlers.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                                  NULL),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // The installed remover, as a user runs it from the system folder:
    // Destroy.
    void RemoveWithTheInstalledRemover()
    {
        PROCESS_INFORMATION process;
        ASSERT_TRUE(Start("\"" + remover_ + "\"", &process));
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        Remover remover;
        ASSERT_TRUE(remover.Attach());
        remover.Press(1001);
        ASSERT_TRUE(remover.WaitForExit(120000));
    }

    std::string system_, remover_;
    SpyBlock spy_;
};

TEST_F(RoundTrip, InstallShowRemoveFromAddRemovePrograms)
{
    Snapshot before = TakeSnapshot();
    ASSERT_TRUE(SaveSnapshot(before, kBeforeTheInstall));
    InstallFrom(BinaryFolder());
    Snapshot installed = TakeSnapshot();

    SnapshotDiff made = Compare(before, installed);
    EXPECT_TRUE(made.removed.empty()) << Show(made.removed);
    EXPECT_TRUE(made.changed.empty()) << Show(made.changed);
    for (const char *name : kFamilyFiles)
        EXPECT_TRUE(ReadWholeFile(Join(system_, name)) == ReadWholeFile(Join(BinaryFolder(), name)))
            << name << " is not the build's";
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallEntry, "UninstallString"), remover_);

    // A second install leaves what the first one did.
    InstallFrom(BinaryFolder());
    SnapshotDiff again = Compare(installed, TakeSnapshot());
    EXPECT_TRUE(again.removed.empty()) << Show(again.removed);
    EXPECT_TRUE(again.added.empty()) << Show(again.added);
    EXPECT_TRUE(again.changed.empty()) << Show(again.changed);

    EXPECT_EQ(DisplayPropertiesTabs(), (std::vector<std::string>{"Tachyra", "Modivane"}));

    // Start-up clocks on, as the clock tab leaves them (the settings beside
    // them lie in the key the remover takes whole): it takes them away too.
    std::string startup = "rundll32.exe " + Join(system_, "Quillan.dll") + ",ApplyStartupClocks";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                              "clocks", REG_SZ, startup.c_str(), (DWORD)startup.size() + 1),
              ERROR_SUCCESS);

    // Wine's Add/Remove Programs lists the entry and runs its remover.
    std::string listed = RunForOutput("uninstaller.exe --list");
    EXPECT_NE(listed.find("Pellomar|||Vantrel tools"), std::string::npos) << listed;
    PROCESS_INFORMATION uninstaller;
    ASSERT_TRUE(Start("uninstaller.exe --remove Pellomar", &uninstaller));
    {
        Remover remover;
        EXPECT_TRUE(remover.Attach()) << "no remover came up";
        remover.Press(1001);
        EXPECT_TRUE(remover.WaitForExit(120000)) << "the remover did not end";
    }
    EXPECT_EQ(WaitForSingleObject(uninstaller.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(uninstaller.hProcess);
    CloseHandle(uninstaller.hThread);
    std::vector<std::string> lines = spy_.LogLines();
    auto deleted = std::find(lines.begin(), lines.end(), "Deleted files.");
    ASSERT_TRUE(deleted != lines.end() && deleted + 1 != lines.end()) << Show(lines);
    EXPECT_EQ(deleted[1], "Morvask.exe will be deleted at the next restart") << Show(lines);
}

TEST_F(RoundTrip, AnInstallWithAFileMissingIsTakenAwayWhole)
{
    ASSERT_TRUE(SaveSnapshot(TakeSnapshot(), kBeforeTheInstall));
    // The release unpacked without Serrafin.dll.
    ASSERT_TRUE(CreateDirectoryA(kMedia, NULL));
    for (const char *name : {"Vantrel.inf", "Quillan.dll", "Morvask.exe"})
        ASSERT_TRUE(CopyFileA(Join(BinaryFolder(), name).c_str(), Join(kMedia, name).c_str(), FALSE)) << name;
    InstallFrom(kMedia);

    // Setup skips the file it cannot find, without asking, and installs
    // everything else: the other files and every registration, the missing
    // library's among them.
    EXPECT_FALSE(FileExists(Join(system_, "Serrafin.dll")));
    EXPECT_TRUE(FileExists(Join(system_, "Quillan.dll")));
    EXPECT_TRUE(FileExists(remover_));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallEntry, "UninstallString"), remover_);

    RemoveWithTheInstalledRemover();

    for (const char *name : {"Vantrel.inf", "Quillan.dll", "Morvask.exe"})
        DeleteFileA(Join(kMedia, name).c_str());
    RemoveDirectoryA(kMedia);
}

// An Add/Remove Programs entry that another program of the family already
// made keeps its values: its own uninstaller stays reachable.
TEST_F(RoundTrip, AnInstallLeavesAnExistingEntryAlone)
{
    ASSERT_TRUE(SaveSnapshot(TakeSnapshot(), kBeforeTheInstall));
    const std::pair<const char *, const char *> theirs[] = {
        {"DisplayName", "Pellomar tray"},
        {"UninstallString", "C:\\Pellomar\\unwise.exe"},
        {"InstallLocation", "C:\\Pellomar"}};
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallEntry, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS);
    for (const auto &value : theirs)
        RegSetValueExA(key, value.first, 0, REG_SZ, (const BYTE *)value.second, (DWORD)strlen(value.second) + 1);
    RegCloseKey(key);

    InstallFrom(BinaryFolder());
    for (const auto &value : theirs)
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallEntry, value.first), value.second) << value.first;

    // The entry is the family's key: the removal takes it with the rest.
    RemoveWithTheInstalledRemover();
}

// The second phase of each RoundTrip test, after the restart.
TEST(AfterRestart, TheMachineIsAsBeforeTheInstall)
{
    Snapshot before;
    ASSERT_TRUE(LoadSnapshot(kBeforeTheInstall, &before)) << "no snapshot from before the install";
    SnapshotDiff left = Compare(before, TakeSnapshot());
    EXPECT_TRUE(left.added.empty()) << "made by the install and still there:" << Show(left.added);
    EXPECT_TRUE(left.removed.empty()) << "there before and gone:" << Show(left.removed);
    EXPECT_TRUE(left.changed.empty()) << "there before and changed:" << Show(left.changed);
}

}  // namespace
