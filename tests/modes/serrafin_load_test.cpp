// Serrafin.dll loaded as the shell loads it. Its process attach finds the
// display devices' keys and keeps them, as copies from the library's private
// heap, until its process detach frees them; the test sees that table in the
// heap the library creates. Built twice: run as Windows 2000 (devices under
// "Enum\PCI") and as Windows XP (under "System\CurrentControlSet\Enum\PCI",
// next to Wine's own adapter).
#define CINTERFACE
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "modesfixture.h"

using namespace testing_support;

namespace {

typedef HRESULT(WINAPI *GetClassObjectProc)(REFCLSID, REFIID, void **);
typedef HRESULT(WINAPI *CanUnloadNowProc)();

const GUID kIidClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kSomeClass = {0x81D3F6B2, 0x4C07, 0x4e19, {0x8B, 0x2D, 0x5A, 0x7E, 0x90, 0xC3, 0xD6, 0x14}};

bool RunsAsXP()
{
    return ReportedSystem() == std::vector<DWORD>{VER_PLATFORM_WIN32_NT, 5, 1};
}

std::vector<HANDLE> ProcessHeaps()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, NULL) + 16);
    heaps.resize(GetProcessHeaps((DWORD)heaps.size(), heaps.data()));
    return heaps;
}

// The text of every block in use in the heaps that are not in before.
struct NewHeaps {
    size_t count = 0;
    std::vector<std::string> blocks;
};

NewHeaps HeapsSince(const std::vector<HANDLE> &before)
{
    NewHeaps result;
    for (HANDLE heap : ProcessHeaps()) {
        if (std::find(before.begin(), before.end(), heap) != before.end())
            continue;
        ++result.count;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        while (HeapWalk(heap, &entry)) {
            if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY))
                continue;
            const char *data = (const char *)entry.lpData;
            result.blocks.push_back(std::string(data, strnlen(data, entry.cbData)));
        }
    }
    std::sort(result.blocks.begin(), result.blocks.end());
    return result;
}

class SerrafinLoad : public ModesFixture {
protected:
    void SetUp() override
    {
        ModesFixture::SetUp();
        tree_ = RunsAsXP() ? DEVICE_TREE_XP : DEVICE_TREE;
    }
    void TearDown() override
    {
        Unload();
        ModesFixture::TearDown();
    }

    void Load()
    {
        before_ = ProcessHeaps();
        module_ = LoadLibraryA("Serrafin.dll");
        ASSERT_NE(module_, (HMODULE)NULL);
    }
    void Unload()
    {
        if (!module_)
            return;
        FreeLibrary(module_);
        module_ = NULL;
        ASSERT_EQ(GetModuleHandleA("Serrafin.dll"), (HMODULE)NULL) << "the library stayed loaded";
    }

    std::string tree_;
    std::vector<HANDLE> before_;
    HMODULE module_ = NULL;
};

TEST_F(SerrafinLoad, ExportsTheTwoEntryPointsByNameAndOrdinal)
{
    Load();
    FARPROC getClassObject = GetProcAddress(module_, "DllGetClassObject");
    FARPROC canUnloadNow = GetProcAddress(module_, "DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(getClassObject, GetProcAddress(module_, MAKEINTRESOURCEA(1)));
    EXPECT_EQ(canUnloadNow, GetProcAddress(module_, MAKEINTRESOURCEA(2)));
    EXPECT_EQ(GetProcAddress(module_, "SetClocks"), nullptr);

    // Nobody holds the class object after a load.
    CanUnloadNowProc canUnload = (CanUnloadNowProc)canUnloadNow;
    EXPECT_EQ(canUnload(), S_OK);
    IClassFactory *factory = NULL;
    ASSERT_EQ(((GetClassObjectProc)getClassObject)(kSomeClass, kIidClassFactory, (void **)&factory),
              S_OK);
    factory->lpVtbl->AddRef(factory);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->lpVtbl->Release(factory);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(SerrafinLoad, KeepsTheFirstNineDisplayKeysUntilItIsUnloaded)
{
    // Named to come before Wine's own adapter on the XP tree.
    std::vector<std::string> expected;
    for (int instance = 0; instance < 10; ++instance) {
        std::string name = "000" + std::to_string(instance);
        std::string path =
            AddInstance(tree_, XP_TEST_DEVICE_NAME, name, instance % 2 ? "DISPLAY" : "Display");
        if (instance < 9)
            expected.push_back(path);
    }
    AddInstance(tree_, XP_TEST_DEVICE_NAME, "0009A", "Displays");

    // A log from an earlier load stays as it was: loading writes no line,
    // and only a first line would start the file afresh.
    FILE *old = fopen(DEBUG_LOG_FILE, "wb");
    ASSERT_NE(old, nullptr);
    fputs("earlier\r\n", old);
    fclose(old);

    Load();
    NewHeaps heaps = HeapsSince(before_);
    EXPECT_EQ(heaps.count, 1u) << "the library's private heap";
    EXPECT_EQ(heaps.blocks, expected);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"earlier"});

    std::vector<HANDLE> loaded = ProcessHeaps();
    Unload();
    // Every table entry came back, so the private heap is gone.
    EXPECT_EQ(ProcessHeaps().size(), before_.size());
    EXPECT_EQ(HeapsSince(before_).count, 0u);
    EXPECT_LT(ProcessHeaps().size(), loaded.size());
}

TEST_F(SerrafinLoad, WithoutDisplayDevicesNothingIsKept)
{
    AddInstance(tree_, XP_TEST_DEVICE_NAME, "0000", "Media");
    Load();
    NewHeaps heaps = HeapsSince(before_);
    if (tree_ == DEVICE_TREE) {
        // The "Debug" value's block came and went: no heap is left.
        EXPECT_EQ(heaps.count, 0u);
        EXPECT_TRUE(heaps.blocks.empty());
    } else {
        // Wine's own adapter is a display device on the XP tree.
        std::vector<std::string> devices = SubKeys(kMachine, tree_);
        ASSERT_EQ(devices.size(), 2u);
        std::string adapter = Join(tree_, devices[1]);
        adapter = Join(adapter, SubKeys(kMachine, adapter).at(0));
        EXPECT_EQ(heaps.count, 1u);
        EXPECT_EQ(heaps.blocks, std::vector<std::string>{adapter});
    }
}

}  // namespace
