#include "settings.h"

#include "../cfg/cfg.h"
#include "engine.h"
#include "probe.h"

bool g_factorySettingFound;

namespace {

bool ReadSettingText(const char *key, const char *name, ClockSetting *setting)
{
    char text[kPathSize];
    if (!CfgReadText(HKEY_CURRENT_USER, key, name, text, sizeof text))
        return false;
    return ParseClockSetting(text, setting);
}

bool WriteSettingText(const char *key, const char *name, const ClockSetting &setting)
{
    char text[kPathSize];
    FormatClockSetting(setting, text, sizeof text);
    return CfgWriteText(HKEY_CURRENT_USER, key, name, text) != FALSE;
}

// Only a 4-byte value counts as a flag.
bool ReadFlagValue(const char *name, LONG *flag)
{
    LONG value;
    if (CfgReadValue(HKEY_CURRENT_USER, SETTINGS_KEY, name, &value, sizeof value) != sizeof value)
        return false;
    *flag = value;
    return true;
}

void ReadFlag(const char *name, LONG *flag, LONG fallback)
{
    if (!ReadFlagValue(name, flag))
        *flag = fallback;
}

}  // namespace

void LoadDisableFlags()
{
    // Memory presets stay off unless "DisableMemorySettings" exists and is 0.
    ReadFlag("DisableMemorySettings", &g_disable.memorySettings, 1);
    ReadFlag("DisableMemoryTiming", &g_disable.memoryTiming, 0);
    ReadFlag("DisableMemoryLatency", &g_disable.memoryLatency, 0);
    ReadFlag("DisableAsync", &g_disable.async, 0);
}

bool LoadFactorySetting()
{
    // A stored clock of 0 (or no number at all) was recorded from a card
    // that could not be read; it is no factory setting.
    ClockSetting stored = g_factorySetting;
    g_factorySettingFound = ReadSettingText(SETTINGS_KEY, "FactorySettings", &stored) &&
                            HasUsableClocks(stored);
    if (g_factorySettingFound) {
        g_factorySetting = stored;
    } else {
        RefreshCurrentSetting();
        g_factorySetting = g_currentSetting;
    }
    return g_factorySettingFound;
}

bool SaveFactorySetting()
{
    if (!g_driverAvailable)
        return false;
    // Clocks that read as 0 come from a refused read, not from the card.
    RefreshCurrentSetting();
    if (!HasUsableClocks(g_currentSetting))
        return false;
    return WriteSettingText(SETTINGS_KEY, "FactorySettings", g_currentSetting);
}

bool RestoreFactorySetting()
{
    g_currentSetting = g_factorySetting;
    return g_factorySettingFound;
}

void EnumerateProfiles(HWND combo)
{
    CfgEnumerate(HKEY_CURRENT_USER, PROFILES_KEY, kCfgWalkValueNames, AddNameToCombo,
                 (LONG_PTR)combo);
}

bool LoadProfile(const char *name, ClockSetting *setting)
{
    return ReadSettingText(PROFILES_KEY, name, setting);
}

bool SaveProfile(const char *name, const ClockSetting &setting)
{
    return WriteSettingText(PROFILES_KEY, name, setting);
}

bool DeleteProfile(const char *name)
{
    return CfgDeleteValue(HKEY_CURRENT_USER, PROFILES_KEY, name) != FALSE;
}

bool SaveCurrentSetting(const ClockSetting &setting)
{
    return WriteSettingText(SETTINGS_KEY, "CurrentSettings", setting);
}

bool ReadProfilesSwitch(LONG *value)
{
    return ReadFlagValue("SetVantrelOC", value);
}

void ReadMostRecentApplication(char *name, DWORD size)
{
    CfgReadText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Direct3D\\MostRecentApplication", "Name",
                name, size);
}

void StartClockEngine()
{
    LoadBiosPllInfo();
    LoadDisableFlags();
    LoadFactorySetting();
    if (g_driverAvailable)
        ComputeClockLimits();
}

void StopClockEngine()
{
    CloseProbeDriver();
}
