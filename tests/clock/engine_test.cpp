// The clock engine and settings store linked straight into the test, for
// the state no export shows: step and limits, the current setting, profiles.
#include <gtest/gtest.h>

#include <locale.h>
#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <string>

#include "cardfixture.h"
#include "engine.h"
#include "probe.h"
#include "settings.h"

using namespace testing_support;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;

class Engine : public CardTest {
protected:
    void SetUp() override
    {
        CardTest::SetUp();
        ResetEngine();
    }
    void TearDown() override
    {
        StopClockEngine();
        CardTest::TearDown();
    }

    // What a fresh library load starts from.
    static void ResetEngine()
    {
        StopClockEngine();
        g_referenceClock = g_clockFloor = g_clockCeiling = 0;
        g_clockStep = 1.0f;
        g_maximumClock = 200.0f;
        g_minimumClock = 100.0f;
        g_currentSetting = g_factorySetting = {0, 0, 3, 3};
        g_disable = {};
        g_factorySettingFound = false;
    }

    void Start(const CardState &card)
    {
        Load(card);
        ResetEngine();
        StartClockEngine();
    }
};

void ExpectSetting(const ClockSetting &actual, const ClockSetting &expected, int line)
{
    EXPECT_EQ(actual.core, expected.core) << "line " << line;
    EXPECT_EQ(actual.memory, expected.memory) << "line " << line;
    EXPECT_EQ(actual.latency, expected.latency) << "line " << line;
    EXPECT_EQ(actual.timing, expected.timing) << "line " << line;
}

TEST_F(Engine, StartUpReadsTheBiosAndTheCard)
{
    Start(initial_);
    EXPECT_TRUE(g_driverAvailable);
    EXPECT_EQ(g_referenceClock, 27.0f);
    EXPECT_EQ(g_clockFloor, 100.0f);
    EXPECT_EQ(g_clockCeiling, 400.0f);
    EXPECT_EQ(g_clockStep, 2.25f);
    EXPECT_EQ(g_minimumClock, 101.25f);
    EXPECT_EQ(g_maximumClock, 249.0f);
    EXPECT_FALSE(g_factorySettingFound);
    ExpectSetting(g_factorySetting, {166.5f, 182.25f, 3, 3}, __LINE__);
    // The walk to the PLL block: the header pointer, the block pointer, the block.
    CardStats stats = Stats();
    ASSERT_GE(stats.logged, 3u);
    EXPECT_EQ(stats.log[0].where, 0x48u);
    EXPECT_EQ(stats.log[1].where, 0x140u + 0x30u);
    EXPECT_EQ(stats.log[2].where, 0x300u);
    EXPECT_EQ(stats.log[2].value, 24u);

    WriteDword(kUser, SETTINGS_KEY, "DisableMemorySettings", 0);
    WriteString(kUser, SETTINGS_KEY, "FactorySettings", "190.5 200 0 2");
    Start(initial_);
    EXPECT_TRUE(g_factorySettingFound);
    ExpectSetting(g_factorySetting, {190.5f, 200.0f, 0, 2}, __LINE__);
    EXPECT_EQ(g_maximumClock, 285.0f);  // 1.5 x 190.5 = 285.75
    EXPECT_TRUE(RestoreFactorySetting());
    ExpectSetting(g_currentSetting, {190.5f, 200.0f, 0, 2}, __LINE__);
}

TEST_F(Engine, WithoutTheDriverTheDefaultsHold)
{
    ASSERT_TRUE(StopCardService());
    void *real = PatchImport(GetModuleHandleA(NULL), "kernel32.dll", "DeviceIoControl",
                             (void *)CountDeviceRequest);
    ASSERT_NE(real, nullptr);
    g_deviceRequests = 0;
    ResetEngine();
    StartClockEngine();
    EXPECT_FALSE(g_driverAvailable);
    EXPECT_EQ(g_clockStep, 1.0f);
    EXPECT_EQ(g_minimumClock, 100.0f);
    EXPECT_EQ(g_maximumClock, 200.0f);
    ExpectSetting(g_factorySetting, {0, 0, 3, 3}, __LINE__);
    EXPECT_FALSE(SaveFactorySetting());
    ApplyClockSetting(150, 150, 0, 0);
    RefreshCurrentSetting();
    ExpectSetting(g_currentSetting, {0, 0, 3, 3}, __LINE__);
    EXPECT_EQ(g_deviceRequests, 0);
    EXPECT_FALSE(ReadValue(kUser, SETTINGS_KEY, "FactorySettings").found);
    PatchImport(GetModuleHandleA(NULL), "kernel32.dll", "DeviceIoControl", real);
    ASSERT_TRUE(StartCardService());
}

TEST_F(Engine, CardsWithNothingToDivideByAreLeftAlone)
{
    // R = 0, then a BIOS without a reference clock: start-up must finish,
    // keep the start-up step and limits, and never write a divider.
    CardState noDivider = initial_;
    SetDividers(&noDivider, 0, 81, 74);
    CardState noReference = initial_;
    SetBiosClocks(&noReference, 0, 10000, 40000);
    for (const CardState *card : {&noDivider, &noReference}) {
        Start(*card);
        EXPECT_EQ(g_clockStep, 1.0f);
        EXPECT_EQ(g_minimumClock, 100.0f);
        EXPECT_EQ(g_maximumClock, 200.0f);
        EXPECT_EQ(g_factorySetting.core, 0.0f);
        EXPECT_EQ(g_factorySetting.memory, 0.0f);
        ASSERT_TRUE(card_.ClearStats());
        ApplyClockSetting(150, 120, 3, 3);
        EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
        EXPECT_EQ(g_currentSetting.core, 0.0f);
        // Clocks of 0 are no factory setting to record.
        EXPECT_FALSE(SaveFactorySetting());
        EXPECT_FALSE(ReadValue(kUser, SETTINGS_KEY, "FactorySettings").found);
    }
}

TEST_F(Engine, DividersThatDoNotFitOrStopTheClockAreNeverWritten)
{
    // 1.5 x 400 = 600 MHz is allowed, but 590 MHz needs N = 262.
    CardState card = initial_;
    SetBiosClocks(&card, 2700, 10000, 0);
    WriteString(kUser, SETTINGS_KEY, "FactorySettings", "400.00 400.00 1 1");
    Start(card);
    ASSERT_EQ(g_maximumClock, 600.0f);
    ApplyClockSetting(590, 500, 3, 3);
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    EXPECT_EQ(g_currentSetting.core, 0.0f);
    ApplyClockSetting(560, 500, 3, 3);  // 248 and 222 fit
    Dividers d = ReadDividers(State());
    EXPECT_EQ(d.n, 248u);
    EXPECT_EQ(d.m, 222u);
    EXPECT_EQ(g_currentSetting.core, 560.0f);

    // Nor a divider of 0: with a minimum of 0, 1 MHz would need N = 0.
    g_minimumClock = 0;
    ASSERT_TRUE(card_.ClearStats());
    ApplyClockSetting(1, 500, 3, 3);
    EXPECT_EQ(Stats().requests[CARD_WRITE_PLL], 0u);
    EXPECT_EQ(g_currentSetting.core, 560.0f);
}

TEST_F(Engine, RegistersSavedBeforeAWritePutTheCardBack)
{
    WriteDword(kUser, SETTINGS_KEY, "DisableMemorySettings", 0);
    Start(initial_);
    CardRegisters saved;
    ASSERT_TRUE(SaveCardRegisters(&saved));
    ASSERT_TRUE(card_.SetQuirks(false, 90));  // tops out at 202.5 MHz
    EXPECT_EQ(ApplyClockSetting(240, 210, 0, 2).result, kClocksDiffer);
    RestoreCardRegisters(saved);
    CardState card = State();
    EXPECT_EQ(card.pll[10], initial_.pll[10]);
    EXPECT_EQ(card.pll[13], initial_.pll[13]);
    EXPECT_EQ(card.registers[324 / 4], initial_.registers[324 / 4]);
    EXPECT_EQ(card.registers[340 / 4], initial_.registers[340 / 4]);
}

TEST_F(Engine, RefreshReadsPresetsTheFlagsAllow)
{
    struct Case {
        uint32_t timing, latency;
        LONG expectTiming, expectLatency;
    } cases[] = {
        {0x1405357F, 0x7FFFF1FF, 0, 0},
        {0xFFFF3F6A, 0x44334244, 1, 1},  // timing compared under 0xF0FF
        {0x0000206A, 0x44334245, 2, 3},
        {0x00001234, 0x00000001, 3, 3},
        {0x00000001, 0x00000000, 3, 3},  // raw register values never pass for presets
        {0x00000002, 0x00000001, 3, 3},
    };
    WriteDword(kUser, SETTINGS_KEY, "DisableMemorySettings", 0);
    for (const Case &c : cases) {
        CardState card = initial_;
        card.registers[324 / 4] = c.timing;
        card.registers[340 / 4] = c.latency;
        Start(card);
        EXPECT_EQ(g_currentSetting.timing, c.expectTiming) << std::hex << c.timing;
        EXPECT_EQ(g_currentSetting.latency, c.expectLatency) << std::hex << c.latency;
    }

    WriteDword(kUser, SETTINGS_KEY, "DisableMemoryTiming", 1);
    Start(initial_);
    ASSERT_TRUE(card_.ClearStats());
    RefreshCurrentSetting();
    EXPECT_EQ(g_currentSetting.timing, 3);
    EXPECT_EQ(g_currentSetting.latency, 1);
    CardStats stats = Stats();
    EXPECT_EQ(stats.requests[CARD_READ_REGISTER], 1u);
    EXPECT_EQ(stats.log[stats.logged - 1].where, 340u);
}

TEST_F(Engine, ClampTakesNanAsTheLowLimit)
{
    EXPECT_EQ(ClampClock(NAN, 100, 200), 100.0f);
    EXPECT_EQ(ClampClock(-INFINITY, 100, 200), 100.0f);
    EXPECT_EQ(ClampClock(INFINITY, 100, 200), 200.0f);
    EXPECT_EQ(ClampClock(150, 100, 200), 150.0f);
}

TEST_F(Engine, DisableFlagsDefaultToMemorySettingsOff)
{
    LoadDisableFlags();
    EXPECT_EQ(g_disable.memorySettings, 1);
    EXPECT_EQ(g_disable.memoryTiming, 0);
    EXPECT_EQ(g_disable.memoryLatency, 0);
    EXPECT_EQ(g_disable.async, 0);
    WriteDword(kUser, SETTINGS_KEY, "DisableMemorySettings", 0);
    WriteDword(kUser, SETTINGS_KEY, "DisableMemoryTiming", 5);
    WriteRaw(kUser, SETTINGS_KEY, "DisableMemoryLatency", REG_BINARY, "\1\0\0\0", 4);
    WriteRaw(kUser, SETTINGS_KEY, "DisableAsync", REG_BINARY, "\1", 1);  // not 4 bytes
    LoadDisableFlags();
    EXPECT_EQ(g_disable.memorySettings, 0);
    EXPECT_EQ(g_disable.memoryTiming, 5);
    EXPECT_EQ(g_disable.memoryLatency, 1);
    EXPECT_EQ(g_disable.async, 0);
}

TEST_F(Engine, SettingTextsIgnoreTheHostsLocale)
{
    // A host that chose a comma locale must not change what is stored.
    const char *locale = setlocale(LC_ALL, "German_Germany.1252");
    if (!locale)
        locale = setlocale(LC_ALL, "de-DE");
    char probe[16];
    snprintf(probe, sizeof probe, "%.2f", 1.5);
    bool commaLocale = locale && strchr(probe, ',');

    EXPECT_TRUE(SaveCurrentSetting({166, 183, 1, 0}));
    EXPECT_EQ(ReadValue(kUser, SETTINGS_KEY, "CurrentSettings").data,
              std::string("166.00 183.00 1 0", 18));
    EXPECT_TRUE(SaveProfile("Half", {150.5f, 160.25f, 0, 2}));
    ClockSetting loaded = {};
    EXPECT_TRUE(LoadProfile("Half", &loaded));
    ExpectSetting(loaded, {150.5f, 160.25f, 0, 2}, __LINE__);
    setlocale(LC_ALL, "C");
    if (!commaLocale)
        GTEST_SKIP() << "no comma locale here; checked in the C locale only";
}

TEST_F(Engine, ProfilesAreNamedValues)
{
    HWND combo = CreateWindowA("ComboBox", "", CBS_DROPDOWN | WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                               NULL, NULL);
    EnumerateProfiles(combo);  // no key yet
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);

    std::string longName(259, 'q');
    EXPECT_TRUE(SaveProfile("quake3.exe", {200, 210, 0, 2}));
    EXPECT_TRUE(SaveProfile(longName.c_str(), {180, 180, 1, 1}));
    EXPECT_TRUE(SaveProfile("quake3.exe", {205, 215, 1, 0}));  // overwrites
    std::vector<std::string> names = ValueNames(kUser, PROFILES_KEY);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{longName, "quake3.exe"}));
    EXPECT_EQ(ReadValue(kUser, PROFILES_KEY, "quake3.exe").data,
              std::string("205.00 215.00 1 0", 18));

    EnumerateProfiles(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);

    ClockSetting setting = {1, 2, 3, 3};
    EXPECT_TRUE(LoadProfile(longName.c_str(), &setting));
    ExpectSetting(setting, {180, 180, 1, 1}, __LINE__);
    WriteString(kUser, PROFILES_KEY, "broken", "205.00 215.00 1");
    EXPECT_FALSE(LoadProfile("broken", &setting));
    ExpectSetting(setting, {180, 180, 1, 1}, __LINE__);
    EXPECT_FALSE(LoadProfile("missing", &setting));

    EXPECT_TRUE(DeleteProfile("quake3.exe"));
    EXPECT_FALSE(DeleteProfile("quake3.exe"));
    EXPECT_FALSE(ReadValue(kUser, PROFILES_KEY, "quake3.exe").found);
    DestroyWindow(combo);
}

}  // namespace
