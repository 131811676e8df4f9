// Key discovery on the Windows XP branch (this program runs with Wine's
// Version "winxp"): devices under "System\CurrentControlSet\Enum\PCI", where
// Wine keeps its own display adapter, and the DAL key below the video key
// that the first device's VideoID names. Wine's "Control\Video" is volatile,
// so each test writes its video keys itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modesfixture.h"

using namespace testing_support;

namespace {

class KeysXP : public ModesTest {
protected:
    // A display instance that comes before Wine's own adapter ("VEN_0000...")
    // in the registry's enumeration order, with the given VideoID.
    std::string AddFirstDevice(const char *videoId)
    {
        std::string instance = AddInstance(DEVICE_TREE_XP, kXpTestDeviceName, "0000", "Display");
        if (videoId)
            WriteString(kMachine, Join(instance, "Device Parameters").c_str(), "VideoID", videoId);
        std::vector<std::string> devices = SubKeys(kMachine, DEVICE_TREE_XP);
        EXPECT_FALSE(devices.empty());
        EXPECT_EQ(Join(DEVICE_TREE_XP, devices.empty() ? "" : devices[0]), kXpTestDevice);
        return instance;
    }
};

TEST_F(KeysXP, BranchIsWindowsXP)
{
    ASSERT_EQ(ReportedSystem(), (std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 5, 1}))
        << "run with Wine's Version winxp";
    EXPECT_EQ(DetectedBranch(), (std::vector<bool>{false, false, true}));
}

TEST_F(KeysXP, WineOwnAdapterIsFoundWithItsVideoKey)
{
    // Nothing written by the test: Wine's adapter is a display-class
    // instance with a VideoID whose video key has a 0000 sub-key.
    std::vector<std::string> devices = SubKeys(kMachine, DEVICE_TREE_XP);
    ASSERT_FALSE(devices.empty());
    std::string adapter = Join(DEVICE_TREE_XP, devices[0]);
    adapter = Join(adapter, SubKeys(kMachine, adapter).at(0));
    ASSERT_EQ(DeviceKeys(), std::vector<std::string>{adapter});

    RegValue videoId = ReadValue(kMachine, Join(adapter, "Device Parameters").c_str(), "VideoID");
    ASSERT_TRUE(videoId.found);
    std::string videoKey = Join(VIDEO_ROOT, videoId.data.c_str());
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), Join(videoKey, "0000"));
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{videoKey, "0000", "Key " + Join(videoKey, "0000")}));
}

TEST_F(KeysXP, DalKeyIsTheFirstNumberedVideoSubKey)
{
    AddFirstDevice(kTestVideoId);
    CreateVideoKey(Join(kTestVideoKey, "Video"));
    CreateVideoKey(Join(kTestVideoKey, "0000"));
    CreateVideoKey(Join(kTestVideoKey, "0001"));
    Reload();
    ASSERT_GE(g_deviceKeyCount, 2) << "the test device and Wine's own";
    EXPECT_EQ(std::string(g_deviceKeys[0]), std::string(kXpTestDevice) + "\\0000");

    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), Join(kTestVideoKey, "0000"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{kTestVideoKey, "0000",
                                                    "Key " + Join(kTestVideoKey, "0000")}));

    // Only "000" followed by anything that ends in a digit.
    DeleteKeyTree(kMachine, kTestVideoKey);
    CreateVideoKey(Join(kTestVideoKey, "0000A"));
    CreateVideoKey(Join(kTestVideoKey, "001"));
    CreateVideoKey(Join(kTestVideoKey, "0007"));
    CreateVideoKey(Join(kTestVideoKey, "Video"));
    RemoveLog();
    LoadDebugSwitch();
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), Join(kTestVideoKey, "0007"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{kTestVideoKey, "0000A", "0007",
                                                    "Key " + Join(kTestVideoKey, "0007")}));
}

TEST_F(KeysXP, WithoutAUsableVideoIdThereIsNoDalKey)
{
    // The first device has no VideoID: Wine's adapter, second in the table,
    // is not asked.
    std::string instance = AddFirstDevice(NULL);
    Reload();
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");

    // A VideoID naming a key that does not exist.
    WriteString(kMachine, Join(instance, "Device Parameters").c_str(), "VideoID", kTestVideoId);
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");

    // A VideoID one character too long for the video key path: no video
    // key is formed (and none logged), rather than a cut one.
    std::string longId(260 - strlen(VIDEO_ROOT "\\"), 'v');
    WriteString(kMachine, Join(instance, "Device Parameters").c_str(), "VideoID", longId.c_str());
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");

    // An empty device table.
    FreeDeviceKeys();
    FindDalKey(&keys_);
    EXPECT_EQ(std::string(keys_.dalKey), "");

    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Key Not found", kTestVideoKey, "Key Not found",
                                                    "Key Not found", "Key Not found"}));
}

}  // namespace
