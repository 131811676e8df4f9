// Key discovery as the Windows 9x family sees it (this program runs with
// Wine's Version "win98"): display devices under "Enum\PCI", the modes key
// with its fall-back, the DAL key below "Software\ATI Technologies\Driver",
// and key paths that do not fit their buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modesfixture.h"

using namespace testing_support;

namespace {

const char kPci[] = DEVICE_TREE;

class Keys9x : public ModesTest {};

TEST_F(Keys9x, BranchIsTheWindows9xFamily)
{
    ASSERT_EQ(ReportedVersion().dwPlatformId, (DWORD)VER_PLATFORM_WIN32_WINDOWS)
        << "run with Wine's Version win98";
    EXPECT_EQ(DetectedBranch(), (std::vector<bool>{true, false, false}));
}

TEST_F(Keys9x, DisplayClassInstancesOfEveryVendorEnterTheTable)
{
    std::string first = AddInstance(kPci, "VEN_1002&DEV_5144", "000", "DISPLAY");
    AddInstance(kPci, "VEN_1002&DEV_5144", "001", "Displays");
    AddInstance(kPci, "VEN_1002&DEV_5144", "002", NULL);
    AddInstance(kPci, "VEN_8086&DEV_7000", "000", "System");
    std::string second = AddInstance(kPci, "VEN_10DE&DEV_0110", "000", "display");
    WriteRaw(kMachine, Join(kPci, "VEN_10DE&DEV_0110\\001").c_str(), "Class", REG_SZ,
             "Display\0x", 10);  // reads as "Display"
    std::string third = Join(kPci, "VEN_10DE&DEV_0110\\001");
    // Only two levels are searched: an instance's own sub-key is not.
    AddInstance(kPci, "VEN_5333&DEV_8811", "000\\Child", "Display");

    Reload();
    EXPECT_EQ(DeviceKeys(), (std::vector<std::string>{first, second, third}));

    FreeDeviceKeys();
    EXPECT_EQ(g_deviceKeyCount, 0);
    EXPECT_EQ(g_deviceKeys[0], nullptr);
}

TEST_F(Keys9x, TheTableStopsAtNineInDiscoveryOrder)
{
    for (int device = 0; device < 2; ++device) {
        for (int instance = 0; instance < 5; ++instance) {
            AddInstance(kPci, "VEN_1002&DEV_514" + std::to_string(device),
                        "000" + std::to_string(instance), "Display");
        }
    }
    std::vector<std::string> expected;
    for (const std::string &device : SubKeys(kMachine, kPci)) {
        for (const std::string &instance : SubKeys(kMachine, Join(kPci, device)))
            expected.push_back(Join(Join(kPci, device), instance));
    }
    ASSERT_EQ(expected.size(), 10u);
    expected.pop_back();

    Reload();
    EXPECT_EQ(DeviceKeys(), expected);
    // Discovering again starts from an empty table.
    DiscoverDeviceKeys();
    EXPECT_EQ(DeviceKeys(), expected);
}

TEST_F(Keys9x, AnInstancePathTooLongIsPassedOverNotCut)
{
    // "Enum\PCI\<device>\0000" is exactly 259 characters; "...\00001" would
    // be cut to it.
    std::string device(259 - strlen("Enum\\PCI\\") - strlen("\\0000"), 'D');
    std::string fits = AddInstance(kPci, device, "0000", "Display");
    AddInstance(kPci, device, "00001", "Display");
    ASSERT_EQ(fits.size(), 259u);
    Reload();
    EXPECT_EQ(DeviceKeys(), std::vector<std::string>{fits});
}

TEST_F(Keys9x, ModesKeyComesFromTheDriverOrTheFallBack)
{
    std::string instance = AddInstance(kPci, "VEN_1002&DEV_5144", "000", "Display");
    WriteString(kMachine, instance.c_str(), "Driver", "DISPLAY\\0001");
    std::string driverModes = DRIVER_CLASS_ROOT "\\DISPLAY\\0001\\Modes";
    CreateKey(kMachine, driverModes);
    CreateKey(kUser, kFallbackModesKey);
    Reload();

    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), driverModes);
    EXPECT_EQ(keys_.modesRoot, kMachine);

    // The driver's key without Modes: the fall-back under the current user.
    DeleteKeyTree(kMachine, driverModes.c_str());
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), kFallbackModesKey);
    EXPECT_EQ(keys_.modesRoot, kUser);

    // Neither.
    DeleteKeyTree(kUser, kFallbackModesKey);
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), "");

    // No "Driver" value: straight to the fall-back.
    CreateKey(kMachine, driverModes);
    CreateKey(kUser, kFallbackModesKey);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(kMachine, instance.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "Driver");
    RegCloseKey(key);
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), kFallbackModesKey);

    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "Display Key=>" + driverModes,
                              "Display Key=>Software\\Vantrel\\Modivane\\Modes",
                              "Display Key=>???",
                              "Display Key=>Software\\Vantrel\\Modivane\\Modes",
                          }));

    // No device at all: only the fall-back is possible.
    FreeDeviceKeys();
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), kFallbackModesKey);
    EXPECT_EQ(keys_.modesRoot, kUser);
}

TEST_F(Keys9x, ADriverValueTooLongGivesNoModesKeyRatherThanACutOne)
{
    // Root, driver and "\Modes" come to 260 characters; cut to 259 they
    // would name the existing key "...\Mode".
    std::string driver(260 - strlen(DRIVER_CLASS_ROOT "\\") - strlen("\\Modes"), 'v');
    std::string instance = AddInstance(kPci, "VEN_1002&DEV_5144", "000", "Display");
    WriteString(kMachine, instance.c_str(), "Driver", driver.c_str());
    CreateKey(kMachine, DRIVER_CLASS_ROOT "\\" + driver + "\\Mode");
    Reload();
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey), "");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Display Key=>???"});
}

TEST_F(Keys9x, DalKeyIsTheFirstNumberedDriverKey)
{
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\Default");
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\0000\\DAL");
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\0001");
    std::vector<std::string> order = SubKeys(kMachine, ATI_DRIVER_ROOT);
    ASSERT_EQ(order, (std::vector<std::string>{"0000", "0001", "Default"}))
        << "Wine enumerates sub-keys in name order";

    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), ATI_DRIVER_ROOT "\\0000\\DAL");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "0000", "Key Software\\ATI Technologies\\Driver\\0000\\DAL"}));
}

TEST_F(Keys9x, EveryNameWalkedIsLoggedAsText)
{
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\Default");
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\%s%n");
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\100%s");
    FindDalKey(&keys_);
    // The DAL key is formed whether or not its DAL sub-key exists.
    EXPECT_EQ(std::string(keys_.dalKey), ATI_DRIVER_ROOT "\\100%s\\DAL");
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "%s%n");
    EXPECT_EQ(lines[1], "100%s");
    EXPECT_EQ(lines[2], "Key Software\\ATI Technologies\\Driver\\100%s\\DAL");
}

TEST_F(Keys9x, NoNumberedKeyNoDalKey)
{
    FindDalKey(&keys_);
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\Default");
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\Device0");
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Key Not found", "Default", "Device0",
                                                    "Key Not found"}));
}

TEST_F(Keys9x, ADalKeyPathTooLongIsPassedOver)
{
    // "Software\ATI Technologies\Driver\<name>\DAL" one character too long
    // for 260 bytes, then a later name that fits.
    std::string tooLong = "0" + std::string(260 - strlen(ATI_DRIVER_ROOT "\\\\DAL") - 1, 'x');
    CreateKey(kMachine, Join(ATI_DRIVER_ROOT, tooLong));
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\1");
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), ATI_DRIVER_ROOT "\\1\\DAL");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{tooLong, "1",
                                                    "Key Software\\ATI Technologies\\Driver\\1\\DAL"}));
}

}  // namespace
