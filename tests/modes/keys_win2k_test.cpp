// Key discovery on the Windows 2000 branch (this program runs with Wine's
// Version "win2k"): devices under "Enum\PCI" and the DAL key among the
// ati2mtag service's "Device" keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modesfixture.h"

using namespace testing_support;

namespace {

class Keys2000 : public ModesTest {};

TEST_F(Keys2000, BranchIsWindows2000)
{
    ASSERT_EQ(ReportedSystem(), (std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 5, 0}))
        << "run with Wine's Version win2k";
    EXPECT_EQ(DetectedBranch(), (std::vector<bool>{false, true, false}));
}

TEST_F(Keys2000, DevicesAreSearchedUnderEnumPci)
{
    std::string instance = AddInstance(DEVICE_TREE, "VEN_1002&DEV_5159", "0000", "Display");
    Reload();
    // Wine's own adapter lives in the XP tree and is not seen here.
    EXPECT_EQ(DeviceKeys(), std::vector<std::string>{instance});
}

TEST_F(Keys2000, DalKeyIsTheFirstNumberedDeviceKeyOfTheService)
{
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Parameters");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\DeviceX");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Device0");
    std::vector<std::string> order = SubKeys(kMachine, ATI_SERVICE_KEY);
    ASSERT_EQ(order, (std::vector<std::string>{"Device0", "DeviceX", "Parameters"}));

    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "SYSTEM\\CurrentControlSet\\Services\\ati2mtag\\Device0");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "Device0", "Key SYSTEM\\CurrentControlSet\\Services\\ati2mtag\\Device0"}));
}

TEST_F(Keys2000, DeviceIsCaseSensitiveAndNeedsALastDigit)
{
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Device");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\device1");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Devic1");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\DeviceA");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Parameters");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Video%s");
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");
    std::vector<std::string> lines = LogLines();
    std::vector<std::string> walked = SubKeys(kMachine, ATI_SERVICE_KEY);
    walked.push_back("Key Not found");
    EXPECT_EQ(lines, walked);

    CreateKey(kMachine, ATI_SERVICE_KEY "\\DeviceA\\Device7");  // not a direct sub-key
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Device12");
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), ATI_SERVICE_KEY "\\Device12");
}

TEST_F(Keys2000, NoServiceKeyNoDalKey)
{
    // Keys of the other branches do not count here.
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\0000");
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Key Not found"});
}

}  // namespace
