// What the modes tests share: the registry areas they write (display
// devices, driver keys and DAL keys under HKEY_LOCAL_MACHINE in the private
// prefix, the product's keys under HKEY_CURRENT_USER), the debug log file,
// and the library-load state of the statically linked modes code.
#pragma once
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "debuglog.h"
#include "driverkeys.h"
#include "winsupport.h"

namespace testing_support {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const char kProductKey[] = "Software\\Vantrel";
const char kSkinKey[] = "Software\\Vantrel\\Modivane";
const char kFallbackModesKey[] = "Software\\Vantrel\\Modivane\\Modes";

// Areas that Wine's own prefix does not have, so the tests own them whole.
const char *const kOwnedMachineKeys[] = {
    "Enum",
    "Software\\ATI Technologies",
    "SYSTEM\\CurrentControlSet\\Services\\ati2mtag",
    "System\\CurrentControlSet\\Services\\Class",
    "Software\\VantrelTests",
};
// Next to Wine's own display adapter and video keys, which stay untouched.
#define XP_TEST_DEVICE_NAME "0_VANTREL_TEST"
const char kXpTestDeviceName[] = XP_TEST_DEVICE_NAME;
const char kXpTestDevice[] = DEVICE_TREE_XP "\\" XP_TEST_DEVICE_NAME;
const char kTestVideoId[] = "{0ab5e7a0-7e57-4d00-9a1e-000000000001}";
const char kTestVideoKey[] = VIDEO_ROOT "\\{0ab5e7a0-7e57-4d00-9a1e-000000000001}";

inline std::string Join(const std::string &a, const std::string &b)
{
    return a + "\\" + b;
}

inline void DeleteFixtures()
{
    for (const char *key : kOwnedMachineKeys)
        DeleteKeyTree(kMachine, key);
    DeleteKeyTree(kMachine, kXpTestDevice);
    DeleteKeyTree(kMachine, kTestVideoKey);
    DeleteKeyTree(kUser, kProductKey);
}

// A device instance key with its "Class" value (none when deviceClass is
// NULL); returns its path.
inline std::string AddInstance(const std::string &tree, const std::string &device,
                               const std::string &instance, const char *deviceClass)
{
    std::string path = Join(Join(tree, device), instance);
    if (deviceClass)
        WriteString(kMachine, path.c_str(), "Class", deviceClass);
    else
        WriteString(kMachine, path.c_str(), "DeviceDesc", "not a display");
    return path;
}

inline void CreateKey(HKEY root, const std::string &path, DWORD options = REG_OPTION_NON_VOLATILE)
{
    HKEY key;
    LONG status =
        RegCreateKeyExA(root, path.c_str(), 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL);
    EXPECT_EQ(status, ERROR_SUCCESS) << path;
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
}

// Wine keeps "Control\Video" volatile, and a volatile key takes only
// volatile sub-keys: video fixtures are made that way, and are gone when
// the wineserver restarts.
inline void CreateVideoKey(const std::string &path)
{
    CreateKey(HKEY_LOCAL_MACHINE, path, REG_OPTION_VOLATILE);
}

// Sub-key names of a key in the registry's own enumeration order.
inline std::vector<std::string> SubKeys(HKEY root, const std::string &path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[MAX_PATH];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

// What GetVersionExA reports to this program (Wine's Version for it).
inline OSVERSIONINFOA ReportedVersion()
{
    OSVERSIONINFOA version = {sizeof version};
    EXPECT_TRUE(GetVersionExA(&version));
    return version;
}

// Platform, major and minor version, to compare in one assertion.
inline std::vector<DWORD> ReportedSystem()
{
    OSVERSIONINFOA version = ReportedVersion();
    return {version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion};
}

// The debug log ---------------------------------------------------------------

inline bool LogExists()
{
    return GetFileAttributesA(DEBUG_LOG_FILE) != INVALID_FILE_ATTRIBUTES;
}

inline std::string LogText()
{
    std::string text;
    FILE *file = fopen(DEBUG_LOG_FILE, "rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    fclose(file);
    return text;
}

// The lines as written: each ends in a line feed, which the C library's text
// mode stores as CR LF.
inline std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    std::string text = LogText();
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the log ends in the middle of a line";
    return lines;
}

inline void RemoveLog()
{
    DeleteFileA(DEBUG_LOG_FILE);
    RemoveDirectoryA(DEBUG_LOG_FILE);
}

inline void SetDebugSwitch(bool on)
{
    WriteDword(kUser, kSkinKey, "Debug", on ? 1 : 0);
}

// Every test starts from an empty fixture area, the log switched on and no
// log file.
class ModesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFixtures();
        RemoveLog();
        SetDebugSwitch(true);
    }
    void TearDown() override
    {
        DeleteFixtures();
        RemoveLog();
    }
};

// For the modes code linked into the test: each test also starts from what
// a fresh library load leaves.
class ModesTest : public ModesFixture {
protected:
    void SetUp() override
    {
        ModesFixture::SetUp();
        Reload();
    }
    void TearDown() override
    {
        FreeDeviceKeys();
        ModesFixture::TearDown();
    }

    // The library-load steps of Serrafin's process attach, in its order.
    static void Reload()
    {
        FreeDeviceKeys();
        DetectPlatformBranch();
        LoadDebugSwitch();
        DiscoverDeviceKeys();
    }

    // The flags of a fresh detection: Windows 9x, 2000, XP.
    static std::vector<bool> DetectedBranch()
    {
        DetectPlatformBranch();
        return {g_platformBranch == kWindows9x, g_platformBranch == kWindows2000,
                g_platformBranch == kWindowsXP};
    }

    static std::vector<std::string> DeviceKeys()
    {
        return std::vector<std::string>(g_deviceKeys, g_deviceKeys + g_deviceKeyCount);
    }

    // The keys a page would find, as the tests look for them.
    DriverKeys keys_ = {};
};

}  // namespace testing_support
