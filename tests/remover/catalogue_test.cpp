// The remover's routines linked straight into a test program, for what
// running Morvask.exe cannot show: RemoveRegistryTree with an empty name,
// lines longer than the log's buffer, the results of ShellRemoveFile and
// ResolveSpecialFolder. The log goes to a list view of the test's own,
// handed to the remover's dialog procedure as its dialog would be.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "remover.h"
#include "winsupport.h"

using namespace testing_support;
using remover_test::ReadWholeFile;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const char kArea[] = "Software\\VantrelTests\\Remover";
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kFolder[] = "C:\\VantrelTests";

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKeyTree(kUser, "Software\\VantrelTests");
        InitCommonControls();
        host_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 300, 200, host_,
                                (HMENU)1003, NULL, NULL);
        RemoverDialogProc(host_, WM_INITDIALOG, 0, 0);
        CreateDirectoryA(kFolder, NULL);
    }
    void TearDown() override
    {
        DestroyWindow(host_);
        DeleteKeyTree(kUser, "Software\\VantrelTests");
        RemoveDirectoryA(kFolder);
    }

    std::vector<std::string> Log()
    {
        std::vector<std::string> lines;
        int count = (int)SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[512] = "";
            LVITEMA item = {};
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list_, LVM_GETITEMTEXTA, i, (LPARAM)&item);
            lines.push_back(text);
        }
        return lines;
    }

    HWND host_ = NULL;
    HWND list_ = NULL;
};

std::string Sub(const std::string &name)
{
    return std::string(kArea) + "\\" + name;
}

void WriteLevel(const std::string &path, int depth)
{
    WriteString(kUser, path.c_str(), "", "default");
    WriteString(kUser, path.c_str(), "Name", "Tachyra");
    WriteDword(kUser, path.c_str(), "Count", (DWORD)depth);
    for (int i = 0; depth > 0 && i < 3; ++i)
        WriteLevel(path + "\\Level " + std::to_string(depth) + "-" + std::to_string(i), depth - 1);
}

TEST_F(Catalogue, RemoveRegistryTreeTakesTheNamedKeyWithEverythingBelowIt)
{
    WriteString(kUser, kArea, "Parent value", "stays");
    WriteLevel(Sub("Tree"), 3);
    WriteLevel(Sub("Tree2"), 1);
    WriteLevel(Sub("Tre"), 1);

    // An empty (or no) name never makes the parent the key to delete.
    RemoveRegistryTree(kUser, kArea, "");
    RemoveRegistryTree(kUser, kArea, NULL);
    EXPECT_TRUE(KeyExists(kUser, Sub("Tree\\Level 3-0\\Level 2-1\\Level 1-2").c_str()));
    EXPECT_EQ(ReadValue(kUser, kArea, "Parent value").data, std::string("stays", 6));
    EXPECT_EQ(ValueNames(kUser, Sub("Tree").c_str()).size(), 3u);

    RemoveRegistryTree(kUser, kArea, "Missing");
    RemoveRegistryTree(kUser, Sub("Missing").c_str(), "Tree");
    EXPECT_TRUE(KeyExists(kUser, Sub("Tree").c_str()));

    // Children first: the parent goes at the end, on NT only once it is empty.
    RemoveRegistryTree(kUser, kArea, "Tree");
    EXPECT_FALSE(KeyExists(kUser, Sub("Tree").c_str()));
    EXPECT_TRUE(KeyExists(kUser, Sub("Tree2\\Level 1-0").c_str()));
    EXPECT_TRUE(KeyExists(kUser, Sub("Tre\\Level 1-2").c_str()));
    EXPECT_TRUE(ReadValue(kUser, kArea, "Parent value").found);
    EXPECT_EQ(Log(), std::vector<std::string>{"Starting.."}) << "nothing is logged";
}

TEST_F(Catalogue, RemoveRegistryTreeCollectsEveryNameBeforeDeleting)
{
    // Forty subkeys with long names: the block of names must hold them all.
    for (int i = 0; i < 40; ++i) {
        std::string name = std::string(190, 'k') + std::to_string(100 + i);
        WriteLevel(Sub("Wide\\" + name), 1);
    }
    RemoveRegistryTree(kUser, kArea, "Wide");
    EXPECT_FALSE(KeyExists(kUser, Sub("Wide").c_str()));
}

TEST_F(Catalogue, ProbeRegistryKeyNeedsAPathThatFits)
{
    WriteLevel(Sub("Tree"), 0);
    EXPECT_TRUE(ProbeRegistryKey(kUser, kArea, "Tree"));
    EXPECT_FALSE(ProbeRegistryKey(kUser, kArea, "Missing"));
    // The key exists, but its path would not fit in 260 bytes.
    std::string parent = Sub(std::string(200, 'p'));
    WriteLevel(parent, 0);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(kUser, parent.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    HKEY child;
    std::string name(40, 'c');
    ASSERT_EQ(RegCreateKeyExA(key, name.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &child, NULL),
              ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(key);
    ASSERT_GT(parent.size() + 1 + name.size(), 259u);
    EXPECT_FALSE(ProbeRegistryKey(kUser, parent.c_str(), name.c_str()));
}

TEST_F(Catalogue, LogLinesAreFormattedAndCutAt259Characters)
{
    AddLogLine("Killed %s\\%s", "Software\\Pellomar", "ATI");
    std::string longText(300, 'x');
    longText[258] = 'L';
    AddLogLine("%s", longText.c_str());
    std::vector<std::string> expected = {"Starting..", "Killed Software\\Pellomar\\ATI",
                                         longText.substr(0, 259)};
    EXPECT_EQ(Log(), expected);

    char buffer[kPathSize];
    EXPECT_TRUE(FormatPath(buffer, sizeof buffer, "%s\\%s", std::string(250, 'a').c_str(), "12345678"));
    EXPECT_EQ(strlen(buffer), 259u);
    EXPECT_FALSE(FormatPath(buffer, sizeof buffer, "%s\\%s", std::string(250, 'a').c_str(), "123456789"));
    EXPECT_STREQ(buffer, "") << "a path that does not fit is not kept in part";
}

TEST_F(Catalogue, ShellRemoveFileLogsDeletesTheSharedCountAndAsks)
{
    const std::string path = std::string(kFolder) + "\\100%s doomed.txt";
    WriteDword(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str(), 5);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    {
        DialogAnswerer answerer({IDCANCEL});
        EXPECT_FALSE(ShellRemoveFile(NULL, FO_DELETE, path.c_str(), NULL)) << "the user aborted";
        EXPECT_FALSE(answerer.Seen().empty()) << "the shell asked";
    }
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "kept, as answered";
    {
        DialogAnswerer answerer({IDNO});
        ShellRemoveFile(NULL, FO_DELETE, path.c_str(), NULL);
        EXPECT_FALSE(answerer.Seen().empty()) << "the shell asked";
    }
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "kept, as answered";
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str()).found)
        << "the shared count goes whatever it was";
    {
        DialogAnswerer answerer({IDYES});
        EXPECT_TRUE(ShellRemoveFile(NULL, FO_DELETE, path.c_str(), NULL));
    }
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    // A missing file is still logged, and its shared count still goes.
    WriteDword(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str(), 2);
    {
        DialogAnswerer answerer({IDYES});
        ShellRemoveFile(NULL, FO_DELETE, path.c_str(), NULL);
    }
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str()).found);
    std::vector<std::string> expected = {"Starting..", path, path, path, path};
    EXPECT_EQ(Log(), expected) << "the path is the whole line, taken literally";

    // Nothing that does not fit a list of the shell is handed to it.
    std::string tooLong = std::string(kFolder) + "\\" + std::string(260, 'f');
    EXPECT_FALSE(ShellRemoveFile(NULL, FO_DELETE, tooLong.c_str(), NULL));
    EXPECT_EQ(Log().size(), 5u);
}

TEST_F(Catalogue, ResolveSpecialFolderGivesFileSystemFoldersOnly)
{
    char path[kPathSize];
    memset(path, 0xBD, sizeof path);
    ASSERT_TRUE(ResolveSpecialFolder(CSIDL_STARTUP, path));
    char expected[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_STARTUP, NULL, SHGFP_TYPE_CURRENT, expected);
    EXPECT_STREQ(path, expected);

    // "My Computer" has no folder on disk: no path, not an empty one to use.
    memset(path, 0xBD, sizeof path);
    EXPECT_FALSE(ResolveSpecialFolder(CSIDL_DRIVES, path));
    EXPECT_STREQ(path, "");
}

// What DeleteAtRestart sets to go: a file of the test's own folder.
const char kDoomed[] = "C:\\VantrelTests\\doomed.exe";

// A file's text as ReadWholeFile gives it back.
void SetFileText(const std::string &path, const std::string &text)
{
    DeleteFileA(path.c_str());
    if (text != "(missing)")
        remover_test::WriteFile(path, text);
}

TEST_F(Catalogue, DeleteAtRestartOn9xAddsItsLineToWininitOnce)
{
    g_isWin9x = TRUE;
    SetFileText(kDoomed, "doomed");
    char windows[MAX_PATH], shortPath[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(GetShortPathNameA(kDoomed, shortPath, MAX_PATH));
    const std::string ini = std::string(windows) + "\\WININIT.INI", nul = std::string("NUL=") + shortPath;
    ASSERT_EQ(ReadWholeFile(ini), "(missing)") << "a restart is pending in the test prefix";
    const std::string longLine = "NUL=C:\\" + std::string(300, 'L') + ".EXE";
    const std::string cases[][2] = {
        {"(missing)", "[rename]\r\n" + nul + "\r\n"},
        {"[Boot]\r\nshell=x", "[Boot]\r\nshell=x\r\n[rename]\r\n" + nul + "\r\n"},
        {"junk\n[rename\nNUL=C:\\A.EXE\n", "junk\n[rename\nNUL=C:\\A.EXE\n[rename]\n" + nul + "\n"},
        {"[rename]\nNUL=C:\\A.EXE\n\n[More]\nB=2\n", "[rename]\nNUL=C:\\A.EXE\n" + nul + "\n\n[More]\nB=2\n"},
        {"[x]\r\n [ Rename ] \r\n" + longLine, "[x]\r\n [ Rename ] \r\n" + longLine + "\r\n" + nul + "\r\n"},
        {"[rename]\r\n nul = " + std::string(CharLowerA(shortPath)) + "\r\n", ""},
    };
    char why[kPathSize];
    for (const auto &test : cases) {
        SetFileText(ini, test[0]);
        // Run twice: the second run finds its line and adds nothing.
        for (int run = 0; run < 2; ++run) {
            EXPECT_TRUE(DeleteAtRestart(kDoomed, why, sizeof why)) << why;
            EXPECT_EQ(ReadWholeFile(ini), test[1].empty() ? test[0] : test[1]);
        }
    }

    // A read-only file is kept as it is, and says why.
    SetFileText(ini, "[rename]\r\n");
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteAtRestart(kDoomed, why, sizeof why));
    EXPECT_STREQ(why, "WININIT.INI is read-only");
    // The remover's line, for its own file, and only in the folder it runs from.
    ScheduleSelfRemoval(kFolder);
    ScheduleSelfRemoval(remover_test::BinaryFolder().c_str());
    EXPECT_EQ(Log(), (std::vector<std::string>{"Starting..", "remover_catalogue_test.exe cannot be deleted at "
                                                              "the next restart: WININIT.INI is read-only"}));
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(ini), "[rename]\r\n");
    DeleteFileA(ini.c_str());
    DeleteFileA(kDoomed);
    WIN32_FIND_DATAA found;
    EXPECT_EQ(FindFirstFileA((std::string(windows) + "\\mvk*.tmp").c_str(), &found), INVALID_HANDLE_VALUE)
        << "a file of the rewrite was left behind";
}

TEST_F(Catalogue, DeleteAtRestartOnNtAddsItsEntryToThePendingListOnce)
{
    g_isWin9x = FALSE;
    const char kSession[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const char kPending[] = "PendingFileRenameOperations";
    ASSERT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kSession, kPending).found) << "a restart is pending";
    // Another program's rename and deletion.
    const char others[] = "\\??\\C:\\VantrelTests\\a.tmp\0\\??\\C:\\VantrelTests\\b.tmp\0"
                          "\\??\\C:\\VantrelTests\\c.tmp\0\0";
    WriteRaw(HKEY_LOCAL_MACHINE, kSession, kPending, REG_MULTI_SZ, others, sizeof others);
    char why[kPathSize];
    for (int run = 0; run < 2; ++run)
        EXPECT_TRUE(DeleteAtRestart(kDoomed, why, sizeof why)) << why;
    RegValue pending = ReadValue(HKEY_LOCAL_MACHINE, kSession, kPending);
    HKEY session;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSession, 0, KEY_ALL_ACCESS, &session), ERROR_SUCCESS);
    RegDeleteValueA(session, kPending);
    RegCloseKey(session);
    EXPECT_EQ(pending.data, std::string(others, sizeof others - 1) + "\\??\\" + kDoomed + std::string(3, '\0'));
}

}  // namespace
