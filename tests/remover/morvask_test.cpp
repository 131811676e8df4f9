// Morvask.exe run as a user runs it, in the test prefix: the family is put on
// the machine (keys, values, approvals, the service key, files, shortcuts,
// running windows), Morvask is started, its buttons are pressed and the
// shell's questions answered, and then the registry and the files are
// looked at. The spy (spydll.cpp) reads the log from inside Morvask's
// thread. Whatever of the family existed in the prefix before (the
// simulated card's service key and driver file among it) is put back after
// each test.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "winsupport.h"
#include "resource.h"
#include "snapshot.h"

using namespace remover_test;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;

const char kSheetNt[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Display\\ShellEx\\PropertySheetHandlers";
const char kSheet9x[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Device\\ShellEx\\PropertySheetHandlers";
const char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kClasses[] = "CLSID";

const char *const kClassIds[] = {
    "{2B8E07C4-9F51-4a36-A3E8-D41F6B29C075}",
    "{81D3F6B2-4C07-4e19-8B2D-5A7E90C3D614}",
    "{6C1E4A70-2D93-4b8e-9A4B-F08C3E7D2B51}",
};
const char *const kSheetNames[] = {"ATI Radeon Tachyra", "Modivane", "Pellomar"};
const char *const kTweakNames[] = {"ATI",         "ATI Modivane Tab", "Modivane Tab", "ATI Radeon Tachyra",
                                   "Korrindel Tweak", "Uninstall Tweaks"};
const char *const kSystemFiles[] = {
    "Vantrel.exe",   "Vantrel.dll",    "Quillan.dll",    "Serrafin.dll",  "Pellomar.dll",
    "Pellomar.cpl",  "Pellomar.exe",   "InstallLog.txt", "Korrindel.ico", "Korrindel2.ico",
    "Korrindel.bmp", "KorrindelW.bmp", "Logo.bmp",       "KorrindelSetup.exe",
};
const char *const kShortcutNames[] = {"Vantrel.exe.lnk", "Vantrel.lnk"};

// Things next to the family's that are not the family's: they must stay.
const char kStrangerClassId[] = "{0A7E57ED-0000-4000-8000-00000000A11E}";
const char kNeighbour[] = "VantrelTestsNeighbour";
const char kTestFolder[] = "C:\\VantrelTests";

std::string Join(const std::string &a, const std::string &b)
{
    return a + "\\" + b;
}

std::string StartupFolder()
{
    return SpecialFolder(CSIDL_STARTUP);
}

std::string CommonStartMenu()
{
    return SpecialFolder(CSIDL_COMMON_STARTMENU);
}

std::string DriverNt()
{
    return SystemFolder() + "\\drivers\\zintrel.sys";
}

std::string Driver9x()
{
    return SystemFolder() + "\\zintrel.vxd";
}

// Keys are opened one level at a time, so that paths longer than the ANSI
// registry calls take in one piece (Wine: 260 characters) can be made and
// looked at.
HKEY OpenPath(HKEY root, const std::string &path, bool create)
{
    HKEY key = root;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        HKEY next;
        LONG status = create ? RegCreateKeyExA(key, part.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &next, NULL)
                             : RegOpenKeyExA(key, part.c_str(), 0, KEY_READ, &next);
        if (key != root)
            RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return NULL;
        key = next;
        start = end + 1;
    }
    return key;
}

void WriteRaw(HKEY root, const std::string &path, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key = OpenPath(root, path, true);
    if (!key)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
}

void WriteText(HKEY root, const std::string &path, const char *name, const char *text)
{
    WriteRaw(root, path, name, REG_SZ, text, (DWORD)strlen(text) + 1);
}

void WriteNumber(HKEY root, const std::string &path, const char *name, DWORD number)
{
    WriteRaw(root, path, name, REG_DWORD, &number, sizeof number);
}

bool KeyExists(HKEY root, const std::string &path)
{
    HKEY key = OpenPath(root, path, false);
    if (!key)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::string &path, const char *name)
{
    HKEY key = OpenPath(root, path, false);
    if (!key)
        return false;
    bool found = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void DeleteTree(HKEY root, const std::string &path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

void DeleteValue(HKEY root, const std::string &path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// A key with values at every level, depth levels of two subkeys each.
void WriteTree(HKEY root, const std::string &path, int depth)
{
    WriteText(root, path, "", ("default of " + path).c_str());
    WriteText(root, path, "Name", "Tachyra");
    WriteNumber(root, path, "Count", (DWORD)depth);
    if (depth == 0)
        return;
    WriteTree(root, Join(path, "First Level " + std::to_string(depth)), depth - 1);
    WriteTree(root, Join(path, "Second Level " + std::to_string(depth)), depth - 1);
}

void DeleteFolderTree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = Join(folder, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolderTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// Every file path the remover deletes (and logs), in its order, for the
// folders as they are in the prefix.
std::vector<std::string> CataloguePaths(bool win9x)
{
    std::string system = SystemFolder();
    std::vector<std::string> paths;
    paths.push_back(win9x ? Driver9x() : DriverNt());
    for (const char *name : kSystemFiles)
        paths.push_back(Join(system, name));
    paths.push_back(Join(StartupFolder(), "Vantrel.exe.lnk"));
    paths.push_back(Join(CommonStartMenu(), "Vantrel.exe.lnk"));
    paths.push_back(Join(StartupFolder(), "Vantrel.lnk"));
    paths.push_back(Join(CommonStartMenu(), "Vantrel.lnk"));
    return paths;
}

std::vector<std::string> Lines(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> lines;
    for (const auto &part : parts)
        lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

std::string Show(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "\n    " + line;
    return text;
}

class Morvask : public ::testing::Test {
protected:
    // Everything of the family that the prefix holds now is kept aside and
    // comes back after the test; the test starts on a machine without it.
    void SetUp() override
    {
        // The simulated card's driver file is the family's probe driver
        // file: it is stopped so that the file can be removed, and comes
        // back after the test.
        cardStopped_ = CardRunning();
        if (cardStopped_)
            ASSERT_TRUE(testing_support::StopCardService());
        for (const char *root : {kSheetNt, kSheet9x})
            for (const char *name : kSheetNames)
                Keep(kMachine, Join(root, name));
        for (const char *id : kClassIds)
            Keep(kMachine, Join(kApproved, id));
        Keep(kMachine, Join(kApproved, kStrangerClassId));
        for (const char *id : kClassIds)
            Keep(HKEY_CLASSES_ROOT, Join(kClasses, id));
        Keep(HKEY_CLASSES_ROOT, Join(kClasses, kStrangerClassId));
        Keep(kMachine, Join(kServices, "zintrel"));
        Keep(kMachine, Join(kUninstall, "Pellomar"));
        Keep(kMachine, Join(kRun, "clocks"));
        Keep(kUser, "Software\\Vantrel");
        Keep(kUser, "Software\\Pellomar");
        for (const char *name : {"clocks", "Pellomar", kNeighbour})
            KeepValue(kMachine, kRun, name);
        for (const char *id : kClassIds)
            KeepValue(kMachine, kApproved, id);
        KeepValue(kMachine, kApproved, kStrangerClassId);
        std::vector<std::string> files = CataloguePaths(false);
        files.push_back(Driver9x());
        files.push_back(Join(SystemFolder(), std::string(kNeighbour) + ".dll"));
        files.push_back(Join(StartupFolder(), "Vantrel Help.lnk"));
        for (const std::string &file : files) {
            KeepValue(kMachine, kSharedDlls, file.c_str());
            files_.emplace_back(new FileBackup(file));
            DeleteFileA(file.c_str());
        }
        DeleteFolderTree(kTestFolder);
    }

    void TearDown() override
    {
        DeleteFolderTree(kTestFolder);
        // Backups go back in the reverse order of their making.
        while (!values_.empty())
            values_.pop_back();
        while (!keys_.empty())
            keys_.pop_back();
        while (!files_.empty())
            files_.pop_back();
        if (cardStopped_)
            EXPECT_TRUE(testing_support::StartCardService());
    }

    void Keep(HKEY root, const std::string &path)
    {
        keys_.emplace_back(new RegistryBackup(root, path));
        DeleteTree(root, path);
    }

    void KeepValue(HKEY root, const std::string &path, const char *name)
    {
        values_.emplace_back(new ValueBackup(root, path, name));
        DeleteValue(root, path, name);
    }

    // The whole family as its installer and its programs leave it, and
    // next to it things that are not the family's.
    void InstallFamily()
    {
        for (const char *root : {kSheetNt, kSheet9x}) {
            WriteTree(kMachine, Join(root, "ATI Radeon Tachyra"), 3);
            WriteText(kMachine, Join(root, "ATI Radeon Tachyra"), "", kClassIds[0]);
            WriteText(kMachine, Join(root, "Modivane"), "", kClassIds[1]);
            WriteTree(kMachine, Join(Join(root, "Modivane"), "Options"), 1);
            WriteText(kMachine, Join(root, "Pellomar"), "", kClassIds[2]);
        }
        for (const char *id : kClassIds) {
            WriteText(kMachine, Join(kApproved, id), "", "approved");
            WriteTree(kMachine, Join(Join(kApproved, id), "Details"), 1);
        }
        WriteText(kMachine, Join(kApproved, kStrangerClassId), "", "not the family's");
        // The shell's own form of an approval: a value named by the class.
        for (const char *id : kClassIds) {
            WriteText(kMachine, kApproved, id, "approved");
            WriteText(HKEY_CLASSES_ROOT, Join(kClasses, id), "", "the family's class");
            WriteText(HKEY_CLASSES_ROOT, Join(Join(kClasses, id), "InprocServer32"), "", "Quillan.dll");
        }
        WriteText(kMachine, kApproved, kStrangerClassId, "not the family's");
        WriteText(HKEY_CLASSES_ROOT, Join(Join(kClasses, kStrangerClassId), "InprocServer32"), "",
                  "not the family's");
        WriteText(kMachine, kRun, "clocks", "rundll32 Quillan.dll,SetClocks 250 200 1 0");
        WriteText(kMachine, kRun, "Pellomar", "C:\\windows\\system32\\Pellomar.exe");
        WriteText(kMachine, kRun, kNeighbour, "not the family's");
        std::string service = Join(kServices, "zintrel");
        WriteNumber(kMachine, service, "Type", 1);
        WriteNumber(kMachine, service, "Start", 3);
        WriteText(kMachine, service, "ImagePath", "C:\\windows\\system32\\drivers\\zintrel.sys");
        WriteTree(kMachine, Join(service, "Parameters"), 2);
        WriteTree(kUser, "Software\\Vantrel", 3);
        WriteText(kUser, "Software\\Vantrel\\ATI Radeon Tachyra", "FactorySettings",
                  "166.50 182.25 1 0");
        WriteText(kUser, "Software\\Vantrel\\Game Overclocking", "quake3.exe", "250.00 200.00 1 0");
        WriteText(kUser, "Software\\Pellomar", "InstallDir", "C:\\Program Files\\Pellomar");
        for (const char *name : kTweakNames)
            WriteTree(kUser, Join("Software\\Pellomar", name), 2);
        WriteTree(kUser, "Software\\Pellomar\\Other Tweaks", 1);
        WriteTree(kMachine, Join(kUninstall, "Pellomar"), 1);
        WriteText(kMachine, Join(kUninstall, "Pellomar"), "DisplayName", "Pellomar");

        std::vector<std::string> files = CataloguePaths(false);
        files.push_back(Driver9x());
        for (const std::string &file : files) {
            WriteFile(file, "family file " + file);
            WriteNumber(kMachine, kSharedDlls, file.c_str(), 3);
        }
        std::string neighbour = Join(SystemFolder(), std::string(kNeighbour) + ".dll");
        WriteFile(neighbour, "not the family's");
        WriteNumber(kMachine, kSharedDlls, neighbour.c_str(), 1);
        WriteFile(Join(StartupFolder(), "Vantrel Help.lnk"), "not the family's");
    }

    // Starts Morvask, waits for its dialog and presses a button; returns
    // once the program has ended, with its exit code.
    DWORD RunAndPress(int button, DWORD timeoutMs = kPatienceMs)
    {
        Remover remover;
        EXPECT_TRUE(remover.Start());
        EXPECT_TRUE(remover.WaitForDialog()) << "no dialog";
        remover.Press(button);
        DWORD code = 0xDEADBEEF;
        EXPECT_TRUE(remover.WaitForExit(timeoutMs, &code)) << "Morvask did not end";
        return code;
    }

    SpyBlock spy_;
    bool cardStopped_ = false;
    std::vector<std::unique_ptr<RegistryBackup>> keys_;
    std::vector<std::unique_ptr<ValueBackup>> values_;
    std::vector<std::unique_ptr<FileBackup>> files_;
};

// The lines of a removal on a machine without any of the family: the paths
// only, whatever the family of Windows.
std::vector<std::string> FileLines(bool win9x)
{
    return Lines({{"Deleting files.."}, CataloguePaths(win9x), {"Deleted files."}});
}

// Resources -------------------------------------------------------------------------

struct TemplateReader {
    const BYTE *at;
    WORD Word() { WORD w; memcpy(&w, at, 2); at += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, at, 4); at += 4; return d; }
    short Short() { return (short)Word(); }
    // A string or an ordinal ("#n").
    std::string Text()
    {
        std::string text;
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        for (WORD c = first; c; c = Word())
            text += (char)c;
        return text;
    }
    void Align(const BYTE *base) { at += (4 - ((at - base) % 4)) % 4; }
};

struct TemplateItem {
    DWORD exStyle, style, id;
    short x, y, cx, cy;
    std::string className, text;
};

TEST(MorvaskResources, Dialog102IsTheRemoversWindow)
{
    HMODULE module = LoadLibraryExA((BinaryFolder() + "\\Morvask.exe").c_str(), NULL,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(102), (LPCSTR)RT_DIALOG);
    ASSERT_TRUE(resource);
    const BYTE *base = (const BYTE *)LockResource(LoadResource(module, resource));
    TemplateReader reader{base};
    ASSERT_EQ(reader.Word(), 1);       // DLGTEMPLATEEX
    ASSERT_EQ(reader.Word(), 0xFFFF);
    reader.Dword();                     // help id
    EXPECT_EQ(reader.Dword(), 0u) << "extended style";
    EXPECT_EQ(reader.Dword(), (DWORD)(WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_CENTER |
                                      DS_SETFOREGROUND | DS_SETFONT | DS_3DLOOK | DS_NOIDLEMSG |
                                      DS_ABSALIGN))
        << "no caption, no system menu, no close box";
    WORD count = reader.Word();
    short x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 148);
    EXPECT_EQ(cy, 138);
    EXPECT_EQ(reader.Text(), "") << "menu";
    EXPECT_EQ(reader.Text(), "") << "class";
    EXPECT_EQ(reader.Text(), "") << "caption";
    EXPECT_EQ(reader.Word(), 8) << "point size";
    reader.Word();  // weight
    reader.Word();  // italic, character set
    EXPECT_EQ(reader.Text(), "MS Sans Serif");

    std::vector<TemplateItem> items;
    for (WORD i = 0; i < count; ++i) {
        reader.Align(base);
        TemplateItem item;
        reader.Dword();  // help id
        item.exStyle = reader.Dword();
        item.style = reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = reader.Dword();
        item.className = reader.Text();
        item.text = reader.Text();
        reader.at += reader.Word();
        items.push_back(item);
    }
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const TemplateItem expected[] = {
        {WS_EX_CLIENTEDGE, child | SS_BITMAP | SS_CENTERIMAGE, 0xFFFFFFFF, 17, 8, 50, 36, "STATIC", "#101"},
        {WS_EX_CLIENTEDGE, child | SS_BITMAP | SS_CENTERIMAGE, 0xFFFFFFFF, 82, 8, 50, 36, "STATIC", "#103"},
        {0, child | BS_PUSHBUTTON | WS_TABSTOP, 1001, 16, 45, 50, 14, "BUTTON", "Destroy"},
        {0, child | BS_PUSHBUTTON | WS_TABSTOP, 1002, 82, 45, 50, 14, "BUTTON", "Leave Alone"},
        {WS_EX_CLIENTEDGE,
         child | LVS_REPORT | LVS_SINGLESEL | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_NOLABELWRAP |
             LVS_AUTOARRANGE | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP,
         1003, 7, 67, 133, 64, "SysListView32", ""},
    };
    ASSERT_EQ(items.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const TemplateItem &want = expected[i], &got = items[i];
        // Class names are case-insensitive; windres stores them in capitals.
        EXPECT_STRCASEEQ(got.className.c_str(), want.className.c_str()) << "control " << i;
        EXPECT_EQ(got.text, want.text) << "control " << i;
        // -1 is stored as a word or a double word, depending on the compiler.
        EXPECT_TRUE(got.id == want.id || (want.id == 0xFFFFFFFF && got.id == 0xFFFF))
            << "control " << i << " id " << got.id;
        EXPECT_EQ(got.style, want.style) << "control " << i;
        EXPECT_EQ(got.exStyle, want.exStyle) << "control " << i;
        EXPECT_EQ(got.x, want.x) << "control " << i;
        EXPECT_EQ(got.y, want.y) << "control " << i;
        EXPECT_EQ(got.cx, want.cx) << "control " << i;
        EXPECT_EQ(got.cy, want.cy) << "control " << i;
    }
    FreeLibrary(module);
}

TEST(MorvaskResources, PicturesAndIcon)
{
    HMODULE module = LoadLibraryExA((BinaryFolder() + "\\Morvask.exe").c_str(), NULL,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    struct {
        int id;
        LONG width, height;
    } bitmaps[] = {{101, 58, 47}, {103, 48, 39}};
    for (const auto &bitmap : bitmaps) {
        HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(bitmap.id), (LPCSTR)RT_BITMAP);
        ASSERT_TRUE(resource) << bitmap.id;
        const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)LockResource(LoadResource(module, resource));
        EXPECT_EQ(header->biWidth, bitmap.width) << bitmap.id;
        EXPECT_EQ(header->biHeight, bitmap.height) << bitmap.id;
        EXPECT_EQ(header->biBitCount, 8) << bitmap.id;
    }

    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(104), (LPCSTR)RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const BYTE *directory = (const BYTE *)LockResource(LoadResource(module, group));
    WORD type, count;
    memcpy(&type, directory + 2, 2);
    memcpy(&count, directory + 4, 2);
    EXPECT_EQ(type, 1);
    ASSERT_EQ(count, 1) << "one image";
    const BYTE *entry = directory + 6;
    WORD bits, id;
    memcpy(&bits, entry + 6, 2);
    memcpy(&id, entry + 12, 2);
    EXPECT_EQ(entry[0], 48);
    EXPECT_EQ(entry[1], 48);
    EXPECT_EQ(entry[2], 0) << "256 colours are counted as 0";
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(id, 1) << "icon resource 1";
    HRSRC icon = FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_ICON);
    ASSERT_TRUE(icon);
    const BITMAPINFOHEADER *image = (const BITMAPINFOHEADER *)LockResource(LoadResource(module, icon));
    EXPECT_EQ(image->biWidth, 48);
    EXPECT_EQ(image->biHeight, 96) << "the image and its mask";
    EXPECT_EQ(image->biBitCount, 8);
    FreeLibrary(module);
}

// The program flow ---------------------------------------------------------------------

TEST_F(Morvask, LeaveAloneEndsAfterTwoSecondsAndChangesNothing)
{
    WindowsVersion version("winxp");
    InstallFamily();
    Snapshot before = TakeSnapshot();

    Remover remover;
    ASSERT_TRUE(remover.Start());
    HWND dialog = remover.WaitForDialog();
    ASSERT_TRUE(dialog);
    // The window as the user sees it: no caption, centred on the screen.
    char caption[64] = "x";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "");
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0) << std::hex << style;
    EXPECT_EQ(style & WS_SYSMENU, 0) << std::hex << style;
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    char text[64] = "";
    GetWindowTextA(GetDlgItem(dialog, 1001), text, sizeof text);
    EXPECT_STREQ(text, "Destroy");
    GetWindowTextA(GetDlgItem(dialog, 1002), text, sizeof text);
    EXPECT_STREQ(text, "Leave Alone");

    remover.Press(1002);
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(remover.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);

    std::vector<std::string> expected = {"Starting..", "Ending.."};
    EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());
    EXPECT_EQ(spy_.FinalLines(), expected) << "what the list held when the dialog went";
    // The one column, right-formatted, 180 pixels, no text.
    auto columns = spy_.Events(spy::kColumn);
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0].value, LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM);
    EXPECT_EQ(columns[0].value2, LVCFMT_RIGHT);
    EXPECT_EQ(columns[0].value3, 180);
    EXPECT_STREQ(columns[0].text, "(none)");
    // Both pictures shown, at their own sizes.
    auto pictures = spy_.Events(spy::kPicture);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].value, 58);
    EXPECT_EQ(pictures[0].value2, 47);
    EXPECT_EQ(pictures[1].value, 48);
    EXPECT_EQ(pictures[1].value2, 39);
    // "Ending.." stays on screen for two seconds.
    auto lines = spy_.Events(spy::kLogLine);
    auto destroyed = spy_.Events(spy::kDialogDestroyed);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_GE(destroyed[0].tick - lines[1].tick, 1980u);
    EXPECT_LE(destroyed[0].tick - lines[1].tick, 3000u);

    SnapshotDiff diff = Compare(before, TakeSnapshot());
    EXPECT_TRUE(diff.removed.empty()) << Show(diff.removed);
    EXPECT_TRUE(diff.added.empty()) << Show(diff.added);
    EXPECT_TRUE(diff.changed.empty()) << Show(diff.changed);
}

TEST_F(Morvask, OnlyTheTwoButtonsEndTheDialog)
{
    Remover remover;
    ASSERT_TRUE(remover.Start());
    HWND dialog = remover.WaitForDialog();
    ASSERT_TRUE(dialog);
    // Escape, Alt+F4, the close command and IDOK/IDCANCEL as they arrive.
    remover.Post(WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    remover.Post(WM_KEYUP, VK_ESCAPE, 0xC0010001);
    remover.Post(WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    remover.Post(WM_SYSKEYUP, VK_F4, 0xE03E0001);
    remover.Post(WM_CLOSE, 0, 0);
    remover.Post(WM_SYSCOMMAND, SC_CLOSE, 0);
    remover.Post(WM_COMMAND, IDOK, 0);
    remover.Post(WM_COMMAND, IDCANCEL, 0);
    // The buttons' ids with a notification other than a click.
    remover.Post(WM_COMMAND, MAKEWPARAM(1001, BN_DOUBLECLICKED), (LPARAM)GetDlgItem(dialog, 1001));
    remover.Post(WM_COMMAND, MAKEWPARAM(1002, BN_SETFOCUS), (LPARAM)GetDlgItem(dialog, 1002));
    remover.Post(WM_COMMAND, MAKEWPARAM(1001, 1), 0);
    ASSERT_TRUE(remover.Flush(spy_.Get()));

    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(spy_.LogLines(), std::vector<std::string>{"Starting.."});
    // The keys did reach the dialog, as IDCANCEL, which it ignored.
    int cancels = 0;
    for (const spy::Event &command : spy_.Events(spy::kCommand))
        cancels += LOWORD(command.value) == IDCANCEL;
    EXPECT_GE(cancels, 3) << "Escape, Alt+F4 and the close command each ask for IDCANCEL";

    remover.Press(1002);
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(remover.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(spy_.LogLines(), (std::vector<std::string>{"Starting..", "Ending.."}));
}

TEST_F(Morvask, OneInstanceAtATime)
{
    // The first instance's beep leaves an error behind, as a beep may: the
    // first instance still opens its dialog.
    StartOptions first;
    first.countBeeps = true;
    first.lastErrorAfterBeep = ERROR_ACCESS_DENIED;
    Remover running;
    ASSERT_TRUE(running.Start(first));
    ASSERT_TRUE(running.WaitForDialog());
    EXPECT_EQ(running.Beeps(), 1);

    // The second instance's beep clears the last error: it still leaves,
    // with 0, having beeped and shown nothing.
    StartOptions second;
    second.countBeeps = true;
    second.lastErrorAfterBeep = 0;
    Remover another;
    ASSERT_TRUE(another.Start(second));
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(another.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(another.Beeps(), 1);
    for (const spy::Event &created : spy_.Events(spy::kWindowCreated))
        EXPECT_NE(created.process, another.ProcessId()) << "the second instance created " << created.text;
    EXPECT_TRUE(IsWindowVisible(running.Dialog()));

    running.Press(1002);
    ASSERT_TRUE(running.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);

    // Once the first has gone, the mutex is free again.
    Remover later;
    ASSERT_TRUE(later.Start());
    ASSERT_TRUE(later.WaitForDialog());
    later.Press(1002);
    ASSERT_TRUE(later.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(Morvask, AMutexThatCannotBeCreatedEndsTheProgram)
{
    // Another kind of object holds the name, so no mutex of that name can be made.
    HANDLE squatter = CreateEventA(NULL, TRUE, FALSE, "Morvask");
    ASSERT_TRUE(squatter);
    Remover remover;
    ASSERT_TRUE(remover.Start());
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(remover.WaitForExit(kPatienceMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(spy_.Events(spy::kWindowCreated).empty());
    CloseHandle(squatter);
}

// The removal -------------------------------------------------------------------------

TEST_F(Morvask, NothingInstalledLogsTheFilesAndShortcutsOnly)
{
    for (bool win9x : {false, true}) {
        SCOPED_TRACE(win9x ? "win98" : "winxp");
        WindowsVersion version(win9x ? "win98" : "winxp");
        spy_.Reset();
        EXPECT_EQ(RunAndPress(1001), 0u);
        std::vector<std::string> expected =
            Lines({{"Starting..", "Killing.."}, FileLines(win9x), {"Ending.."}});
        ASSERT_EQ(expected.size(), 2u + 1 + 15 + 4 + 1 + 1);
        EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());
        EXPECT_EQ(spy_.FinalLines(), expected) << Show(spy_.FinalLines());

        // Each line is appended as item k, text only, and scrolled fully
        // into view; the last one is in view when the dialog goes.
        auto inserted = spy_.Events(spy::kLogLine);
        auto shown = spy_.Events(spy::kEnsureVisible);
        ASSERT_EQ(shown.size(), inserted.size());
        for (size_t k = 0; k < inserted.size(); ++k) {
            EXPECT_EQ(inserted[k].value, (LONG_PTR)k) << "iItem";
            EXPECT_EQ(inserted[k].value2, LVIF_TEXT) << "mask";
            EXPECT_EQ(inserted[k].value3, 0) << "iSubItem";
            EXPECT_EQ(shown[k].value, (LONG_PTR)k);
            EXPECT_EQ(shown[k].value2, FALSE) << "fPartialOK";
        }
        auto view = spy_.Events(spy::kFinalView);
        ASSERT_EQ(view.size(), 1u);
        EXPECT_GT(view[0].value, view[0].value3) << "more lines than the list shows at once";
        EXPECT_GE(view[0].value2 + view[0].value3, view[0].value) << "the last line is in view";
    }
}

class WholeCatalogue : public Morvask, public ::testing::WithParamInterface<bool> {};

TEST_P(WholeCatalogue, GoesAndNothingElse)
{
    const bool win9x = GetParam();
    WindowsVersion version(win9x ? "win98" : "winxp");
    InstallFamily();
    Snapshot before = TakeSnapshot();
    EXPECT_EQ(RunAndPress(1001), 0u);
    Snapshot after = TakeSnapshot();

    const char *sheet = win9x ? kSheet9x : kSheetNt;
    std::vector<std::string> expected = Lines({
        {"Starting..", "Killing.."},
        {std::string("Killed ") + sheet + "\\ATI Radeon Tachyra", std::string("Killed ") + sheet + "\\Modivane",
         std::string("Killed ") + sheet + "\\Pellomar",
         "Killed Software\\Microsoft\\Windows\\CurrentVersion\\Run\\clocks",
         "Killed Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pellomar"},
        win9x ? std::vector<std::string>{}
              : std::vector<std::string>{"Killing SYSTEM\\CurrentControlSet\\Services\\zintrel"},
        {"Killed HKCU\\Software\\Vantrel", "Killed HKCU\\Software\\Pellomar\\ATI",
         "Killed HKCU\\Software\\Pellomar\\ATI Modivane Tab", "Killed HKCU\\Software\\Pellomar\\Modivane Tab",
         "Killed HKCU\\Software\\Pellomar\\ATI Radeon Tachyra",
         "Killed HKCU\\Software\\Pellomar\\Korrindel Tweak",
         "Killed HKCU\\Software\\Pellomar\\Uninstall Tweaks",
         "Killed HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellomar"},
        FileLines(win9x),
        {"Ending.."},
    });
    EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());

    // What had to go: as entries of the snapshot.
    std::vector<std::string> gone;
    for (const char *name : kSheetNames)
        gone.push_back(Join(std::string("HKLM\\") + sheet, name));
    for (const char *id : kClassIds) {
        gone.push_back(Join(std::string("HKLM\\") + kApproved, id));
        gone.push_back(std::string("HKLM\\") + kApproved + "\\\\:" + id);
    }
    // The classes of the two tabs; the tweaking program's stays.
    for (const char *id : {kClassIds[0], kClassIds[1]})
        gone.push_back(Join("HKLM\\Software\\Classes\\CLSID", id));
    gone.push_back(std::string("HKLM\\") + kRun + "\\\\:clocks");
    gone.push_back(std::string("HKLM\\") + kRun + "\\\\:Pellomar");
    if (!win9x)
        gone.push_back("HKLM\\System\\ControlSet001\\Services\\zintrel");
    gone.push_back("HKCU\\Software\\Vantrel");
    for (const char *name : kTweakNames)
        gone.push_back(Join("HKCU\\Software\\Pellomar", name));
    gone.push_back(Join(std::string("HKLM\\") + kUninstall, "Pellomar"));
    for (const std::string &path : CataloguePaths(win9x)) {
        gone.push_back(path);
        gone.push_back(std::string("HKLM\\") + kSharedDlls + "\\\\:" + path);
    }
    auto expectedGone = [&](const std::string &entry) {
        for (const std::string &prefix : gone)
            if (IsAtOrBelow(entry, prefix))
                return true;
        return false;
    };
    std::vector<std::string> missing, stray;
    for (const auto &entry : before) {
        bool stays = after.count(entry.first) != 0;
        if (expectedGone(entry.first) && stays)
            missing.push_back(entry.first);
        if (!expectedGone(entry.first) && !stays)
            stray.push_back(entry.first);
    }
    EXPECT_TRUE(missing.empty()) << "still there:" << Show(missing);
    EXPECT_TRUE(stray.empty()) << "removed although not the family's:" << Show(stray);

    SnapshotDiff diff = Compare(before, after);
    EXPECT_TRUE(diff.added.empty()) << Show(diff.added);
    EXPECT_TRUE(diff.changed.empty()) << Show(diff.changed);

    // Spelled out, the neighbours that stay.
    EXPECT_TRUE(KeyExists(kMachine, Join(win9x ? kSheetNt : kSheet9x, "ATI Radeon Tachyra")))
        << "the other family's property-sheet root is not touched";
    EXPECT_TRUE(KeyExists(kMachine, Join(kApproved, kStrangerClassId)));
    EXPECT_TRUE(ValueExists(kMachine, kApproved, kStrangerClassId));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Join(Join(kClasses, kClassIds[2]), "InprocServer32")));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Join(Join(kClasses, kStrangerClassId), "InprocServer32")));
    EXPECT_TRUE(ValueExists(kMachine, kRun, kNeighbour));
    EXPECT_EQ(KeyExists(kMachine, Join(kServices, "zintrel")), win9x) << "the service step is NT's alone";
    EXPECT_TRUE(ValueExists(kUser, "Software\\Pellomar", "InstallDir"));
    EXPECT_TRUE(KeyExists(kUser, "Software\\Pellomar\\Other Tweaks"));
    EXPECT_TRUE(FileExists(win9x ? DriverNt() : Driver9x()));
    EXPECT_TRUE(FileExists(Join(SystemFolder(), std::string(kNeighbour) + ".dll")));
    EXPECT_TRUE(FileExists(Join(StartupFolder(), "Vantrel Help.lnk")));

    // The shell asked about each file that existed, and was answered.
    for (const std::string &path : CataloguePaths(win9x)) {
        std::string name = path.substr(path.rfind('\\') + 1);
        bool asked = false;
        for (const spy::Event &question : spy_.Events(spy::kConfirmation))
            asked = asked || strstr(question.text, name.c_str()) != NULL;
        EXPECT_TRUE(asked) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Family, WholeCatalogue, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Win98" : "WinXp";
                         });


TEST_F(Morvask, RunValuesAreLoggedOnlyWhenDeleted)
{
    WindowsVersion version("winxp");
    // No "clocks" value, but a subkey of that name: the value-only deletion
    // leaves it, and says nothing.
    WriteText(kMachine, kRun, "Pellomar", "C:\\windows\\system32\\Pellomar.exe");
    WriteText(kMachine, Join(kRun, "clocks"), "", "a key, not a value");
    EXPECT_EQ(RunAndPress(1001), 0u);

    std::vector<std::string> expected = Lines(
        {{"Starting..", "Killing..", "Killed Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pellomar"},
         FileLines(false),
         {"Ending.."}});
    EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());
    EXPECT_FALSE(ValueExists(kMachine, kRun, "Pellomar"));
    EXPECT_TRUE(KeyExists(kMachine, Join(kRun, "clocks")));
}

TEST_F(Morvask, KeyPathsTooLongForTheirBufferAreLeftAsTheyAre)
{
    WindowsVersion version("winxp");
    // HKCU\Software\Vantrel\<A>\<B> has a path of 248 characters. Below B,
    // a child whose path would need 265 characters, and a sibling whose
    // name is that child's name cut where a 260-byte buffer would cut it.
    const std::string a = "Software\\Vantrel\\" + std::string(120, 'a');
    const std::string b = Join(a, std::string(110, 'b'));
    ASSERT_EQ(b.size(), 248u);
    const std::string tooLong = Join(b, "C123456789ABCDEF");
    const std::string cut = Join(b, "C123456789");
    ASSERT_EQ(cut.size(), 259u);
    WriteText(kUser, a, std::string(300, 'n').c_str(), "a name longer than the buffer");
    for (const std::string &key : {std::string("Software\\Vantrel"), a, b, tooLong, cut}) {
        WriteText(kUser, key, "", "default");
        WriteText(kUser, key, "Name", "Tachyra");
        WriteNumber(kUser, key, "Count", 1);
    }
    WriteText(kUser, Join(tooLong, "Below"), "Name", "Tachyra");
    WriteTree(kUser, "Software\\Vantrel\\ATI Radeon Tachyra", 2);
    ASSERT_TRUE(ValueExists(kUser, Join(tooLong, "Below"), "Name"));
    ASSERT_TRUE(ValueExists(kUser, cut, "Name"));
    ASSERT_TRUE(ValueExists(kUser, a, std::string(300, 'n').c_str()));
    EXPECT_EQ(RunAndPress(1001), 0u);

    std::vector<std::string> lines = spy_.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Killed HKCU\\Software\\Vantrel"), lines.end())
        << Show(lines);
    // What fits goes; what does not stays whole, and so do the keys above
    // it, which lose their named values but keep their default values.
    EXPECT_FALSE(KeyExists(kUser, cut));
    EXPECT_FALSE(KeyExists(kUser, "Software\\Vantrel\\ATI Radeon Tachyra"));
    EXPECT_TRUE(KeyExists(kUser, Join(tooLong, "Below")));
    EXPECT_TRUE(ValueExists(kUser, tooLong, "Name"));
    EXPECT_TRUE(ValueExists(kUser, tooLong, "Count"));
    for (const std::string &key : {std::string("Software\\Vantrel"), a, b}) {
        EXPECT_TRUE(KeyExists(kUser, key)) << key;
        EXPECT_FALSE(ValueExists(kUser, key, "Name")) << key;
        EXPECT_FALSE(ValueExists(kUser, key, "Count")) << key;
        EXPECT_TRUE(ValueExists(kUser, key, "")) << "default value of " << key;
    }
    // A value whose name does not fit the name buffer cannot be deleted by
    // name; those after it still are.
    EXPECT_TRUE(ValueExists(kUser, a, std::string(300, 'n').c_str()));
}

TEST_F(Morvask, ProgramsAreClosedFirstAndTheLauncherIsWaitedFor)
{
    WindowsVersion version("winxp");
    FamilyWindows family;
    ASSERT_TRUE(family.Start("tray launcher launcher-delay=1500"));
    EXPECT_EQ(RunAndPress(1001), 0u);
    EXPECT_TRUE(family.WaitForExit(kPatienceMs)) << "the family's windows are gone";

    std::vector<std::string> expected =
        Lines({{"Starting..", "Killing..", "Killed Vantrel"}, FileLines(false), {"Ending.."}});
    EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());

    // Each log line of the removal is painted before anything else is
    // logged, so the user sees every step as it happens. ("Starting.." comes
    // before the dialog is on screen.)
    const std::vector<spy::Event> &all = spy_.Events();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind != spy::kLogLine || !strcmp(all[i].text, "Starting.."))
            continue;
        size_t j = i + 1;
        while (j < all.size() && all[j].kind != spy::kLogLine && all[j].kind != spy::kUpdateWindow)
            ++j;
        EXPECT_TRUE(j < all.size() && all[j].kind == spy::kUpdateWindow)
            << "not painted: " << all[i].text;
    }

    // In the order they happened: the tray told to go without a line, a
    // second later "Killed Vantrel" and only then the launcher told to go;
    // the next line five seconds after the launcher's window went.
    std::vector<spy::Event> events;
    for (const spy::Event &event : spy_.Events())
        if (event.kind != spy::kWindowCreated && event.kind != spy::kEnsureVisible &&
            event.kind != spy::kUpdateWindow && event.kind != spy::kCommand &&
            event.kind != spy::kConfirmation && event.kind != spy::kTrayGone)
            events.push_back(event);
    auto find = [&](spy::Kind kind, const char *text) -> size_t {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].kind == kind && (!text || !strcmp(events[i].text, text)))
                return i;
        return events.size();
    };
    size_t killing = find(spy::kLogLine, "Killing..");
    size_t tray = find(spy::kTrayToldToGo, NULL);
    size_t killed = find(spy::kLogLine, "Killed Vantrel");
    size_t told = find(spy::kLauncherToldToGo, NULL);
    size_t gone = find(spy::kLauncherGone, NULL);
    size_t next = find(spy::kLogLine, "Deleting files..");
    ASSERT_LT(next, events.size());
    EXPECT_EQ(tray, killing + 1);
    EXPECT_EQ(killed, tray + 1) << "no line for the tray";
    EXPECT_EQ(told, killed + 1) << "the line is written before the launcher is told to go";
    EXPECT_EQ(gone, told + 1);
    EXPECT_EQ(next, gone + 1);
    EXPECT_GE(events[killed].tick - events[tray].tick, 990u);
    EXPECT_GE(events[next].tick - events[gone].tick, 4990u);
    EXPECT_LE(events[next].tick - events[gone].tick, 5000u + 500u + 1000u)
        << "the window is looked for every half second";
}

TEST_F(Morvask, ALauncherThatStaysIsWaitedForTenSecondsAtMost)
{
    WindowsVersion version("winxp");
    FamilyWindows family;
    ASSERT_TRUE(family.Start("launcher stubborn"));
    EXPECT_EQ(RunAndPress(1001), 0u);

    std::vector<std::string> expected =
        Lines({{"Starting..", "Killing..", "Killed Vantrel"}, FileLines(false), {"Ending.."}});
    EXPECT_EQ(spy_.LogLines(), expected) << "nothing more is said about the wait";
    auto told = spy_.Events(spy::kLauncherToldToGo);
    ASSERT_EQ(told.size(), 1u);
    auto lines = spy_.Events(spy::kLogLine);
    ASSERT_GE(lines.size(), 4u);
    DWORD waited = lines[3].tick - told[0].tick;
    EXPECT_GE(waited, 10000u + 5000u - 10u);
    EXPECT_LE(waited, 10000u + 5000u + 1500u);
}

TEST_F(Morvask, AFileTheUserKeepsStaysAndTheButtonsWaitMeanwhile)
{
    WindowsVersion version("winxp");
    for (const std::string &path : CataloguePaths(false))
        WriteFile(path, "family file");
    lstrcpyA(spy_.Get()->refuseText, "Quillan.dll");
    spy_.Get()->pressButtonsInConfirmation = 1;
    EXPECT_EQ(RunAndPress(1001), 0u);

    // One removal, ended once, whatever was pressed while the shell asked.
    std::vector<std::string> expected =
        Lines({{"Starting..", "Killing.."}, FileLines(false), {"Ending.."}});
    EXPECT_EQ(spy_.LogLines(), expected) << Show(spy_.LogLines());
    EXPECT_GE(spy_.Events(spy::kCommand).size(), 3u) << "the presses reached the dialog";
    for (const std::string &path : CataloguePaths(false))
        EXPECT_EQ(FileExists(path), path.find("Quillan.dll") != std::string::npos) << path;
}

// The shortcut folders as the user's profile may have them, set through
// the shell's own registry entries and put back afterwards.
class ShortcutFolders : public Morvask {
protected:
    void SetUp() override
    {
        Morvask::SetUp();
        CreateDirectoryA(kTestFolder, NULL);
        version_.reset(new WindowsVersion("winxp"));
        kept_.emplace_back(new ValueBackup(kUser, kUserShellFolders, "StartUp"));
        kept_.emplace_back(new ValueBackup(kUser, kShellFolders, "Startup"));
        kept_.emplace_back(new ValueBackup(kMachine, kUserShellFolders, "Common Start Menu"));
        kept_.emplace_back(new ValueBackup(kMachine, kShellFolders, "Common Start Menu"));
    }
    void TearDown() override
    {
        while (!kept_.empty())
            kept_.pop_back();
        version_.reset();
        Morvask::TearDown();
    }
    void SetFolders(const std::string &startup, const std::string &commonStartMenu)
    {
        WriteText(kUser, kUserShellFolders, "StartUp", startup.c_str());
        WriteText(kMachine, kUserShellFolders, "Common Start Menu", commonStartMenu.c_str());
    }
    // A folder under C:\VantrelTests whose path has the given length.
    std::string LongFolder(size_t length, char fill)
    {
        std::string folder = std::string(kTestFolder) + "\\";
        folder += std::string(length - folder.size(), fill);
        CreateDirectoryA(folder.c_str(), NULL);
        return folder;
    }
    // The log between "Deleting files.." and "Deleted files.", without the
    // 15 files of the system folder.
    std::vector<std::string> ShortcutLines()
    {
        std::vector<std::string> lines = spy_.LogLines();
        auto first = std::find(lines.begin(), lines.end(), "Deleting files..");
        auto last = std::find(lines.begin(), lines.end(), "Deleted files.");
        if (last - first < 16)
            return {"(no file phase)"};
        return std::vector<std::string>(first + 16, last);
    }

    std::unique_ptr<WindowsVersion> version_;
    std::vector<std::unique_ptr<ValueBackup>> kept_;
};

TEST_F(ShortcutFolders, APathThatDoesNotFitIsSkippedNotShortened)
{
    // Startup: 248 characters, so neither shortcut path fits in 259; files
    // named as the cut paths would name them stay. Common Start Menu: 243,
    // so "Vantrel.exe.lnk" makes exactly 259 characters, which fit.
    std::string startup = LongFolder(248, 's');
    std::string common = LongFolder(243, 'c');
    SetFolders(startup, common);
    ASSERT_EQ(SpecialFolder(CSIDL_STARTUP), startup);
    ASSERT_EQ(SpecialFolder(CSIDL_COMMON_STARTMENU), common);
    for (const char *bait : {"Vantrel.ex", "Vantrel.ln"})
        WriteFile(Join(startup, bait), "not a shortcut");
    for (const char *name : kShortcutNames)
        WriteFile(Join(common, name), "shortcut");
    EXPECT_EQ(RunAndPress(1001), 0u);

    std::vector<std::string> expected = {Join(common, "Vantrel.exe.lnk"), Join(common, "Vantrel.lnk")};
    ASSERT_EQ(expected[0].size(), 259u);
    EXPECT_EQ(ShortcutLines(), expected) << Show(spy_.LogLines());
    EXPECT_TRUE(FileExists(Join(startup, "Vantrel.ex")));
    EXPECT_TRUE(FileExists(Join(startup, "Vantrel.ln")));
    EXPECT_FALSE(FileExists(Join(common, "Vantrel.exe.lnk")));
    EXPECT_FALSE(FileExists(Join(common, "Vantrel.lnk")));
}

TEST_F(ShortcutFolders, ADriveRootAndAFolderWithPercentSigns)
{
    // A folder path ending in a backslash takes no second one; a path is
    // logged as it is, never read as a format.
    std::string percent = std::string(kTestFolder) + "\\100%s %n%x";
    CreateDirectoryA(percent.c_str(), NULL);
    SetFolders("C:\\", percent);
    FileBackup rootExe("C:\\Vantrel.exe.lnk"), rootLnk("C:\\Vantrel.lnk");
    for (const char *name : kShortcutNames) {
        WriteFile(Join("C:", name), "shortcut");
        WriteFile(Join(percent, name), "shortcut");
    }
    EXPECT_EQ(RunAndPress(1001), 0u);

    std::vector<std::string> expected = {"C:\\Vantrel.exe.lnk", Join(percent, "Vantrel.exe.lnk"),
                                         "C:\\Vantrel.lnk", Join(percent, "Vantrel.lnk")};
    EXPECT_EQ(ShortcutLines(), expected) << Show(spy_.LogLines());
    for (const std::string &path : expected)
        EXPECT_FALSE(FileExists(path)) << path;
}

TEST_F(ShortcutFolders, AFolderThatCannotBeFoundIsSkipped)
{
    // Neither folder resolves: nothing is made of an empty folder path,
    // neither in the prefix's root (Morvask runs in C:\) nor anywhere else.
    SetFolders(std::string(kTestFolder) + "\\not there", "");
    ASSERT_EQ(SpecialFolder(CSIDL_STARTUP), "");
    ASSERT_EQ(SpecialFolder(CSIDL_COMMON_STARTMENU), "");
    FileBackup rootExe("C:\\Vantrel.exe.lnk"), rootLnk("C:\\Vantrel.lnk");
    for (const char *name : kShortcutNames)
        WriteFile(Join("C:", name), "not a shortcut of these folders");
    EXPECT_EQ(RunAndPress(1001), 0u);

    EXPECT_EQ(ShortcutLines(), std::vector<std::string>{}) << Show(spy_.LogLines());
    EXPECT_EQ(spy_.LogLines().back(), "Ending..");
    for (const char *name : kShortcutNames)
        EXPECT_TRUE(FileExists(Join("C:", name))) << name;
}

}  // namespace
