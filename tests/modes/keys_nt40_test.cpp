// Key discovery on an NT version outside the three branches (this program
// runs with Wine's Version "nt40"): no branch, devices under "Enum\PCI", no
// DAL key whatever the registry holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modesfixture.h"

using namespace testing_support;

namespace {

class KeysNt4 : public ModesTest {};

TEST_F(KeysNt4, NoBranchAndNoDalKey)
{
    ASSERT_EQ(ReportedSystem(), (std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 4, 0}))
        << "run with Wine's Version nt40";

    // What each branch would take.
    std::string instance = AddInstance(DEVICE_TREE, "VEN_1002&DEV_5144", "000", "Display");
    WriteString(kMachine, Join(instance, "Device Parameters").c_str(), "VideoID", kTestVideoId);
    CreateVideoKey(Join(kTestVideoKey, "0000"));
    CreateKey(kMachine, ATI_DRIVER_ROOT "\\0000");
    CreateKey(kMachine, ATI_SERVICE_KEY "\\Device0");
    // A stale branch from an earlier detection is cleared.
    g_platformBranch = kWindowsXP;
    Reload();
    EXPECT_EQ(g_platformBranch, kOtherWindows);
    EXPECT_EQ(DeviceKeys(), std::vector<std::string>{instance});

    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Key Not found"});

    // The modes key is found the same way on every platform.
    WriteString(kMachine, instance.c_str(), "Driver", "{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000");
    CreateKey(kMachine, DRIVER_CLASS_ROOT "\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000\\Modes");
    FindModesKey(&keys_);
    EXPECT_EQ(std::string(keys_.modesKey),
              DRIVER_CLASS_ROOT "\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000\\Modes");
}

}  // namespace
