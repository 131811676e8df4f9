// Where Quillan keeps its clock data: the factory setting, the current
// setting, the disable flags and the named per-application profiles.
#pragma once
#include <windows.h>

#include "settingtext.h"

#define SETTINGS_KEY "Software\\Vantrel\\ATI Radeon Tachyra"
#define PROFILES_KEY "Software\\Vantrel\\Game Overclocking"

extern bool g_factorySettingFound;

void LoadDisableFlags();
bool LoadFactorySetting();
bool SaveFactorySetting();
// The factory setting becomes the current setting; true when a stored one
// was found. (The page raises its pending-apply flag beside it.)
bool RestoreFactorySetting();
void EnumerateProfiles(HWND combo);
bool LoadProfile(const char *name, ClockSetting *setting);
bool SaveProfile(const char *name, const ClockSetting &setting);
bool DeleteProfile(const char *name);
bool SaveCurrentSetting(const ClockSetting &setting);
// "SetVantrelOC": false when it cannot be read as a 4-byte integer.
bool ReadProfilesSwitch(LONG *value);
// The application that last used Direct3D, or an empty name.
void ReadMostRecentApplication(char *name, DWORD size);

// The library's start-up and shut-down around the card and the settings.
void StartClockEngine();
void StopClockEngine();
