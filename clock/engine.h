// The clock engine: converts between MHz and the card's PLL dividers, reads
// and writes the memory presets, and works out the step and limits within
// which clocks may be set. All state is process-wide: one card per process.
#pragma once
#include <windows.h>

#include "settingtext.h"

struct DisableFlags {
    LONG memorySettings;
    LONG memoryTiming;
    LONG memoryLatency;
    LONG async;
};

enum {
    kPllDividers = 10,
    kPllClockSource = 13,
    kTimingRegister = 324,
    kLatencyRegister = 340,
    kPresetUndetermined = 3,
};

extern float g_referenceClock;
extern float g_clockFloor;
extern float g_clockCeiling;
extern float g_clockStep;
extern float g_maximumClock;
extern float g_minimumClock;
extern ClockSetting g_currentSetting;
extern ClockSetting g_factorySetting;
extern DisableFlags g_disable;

// A clock of 0, below 0 or no finite number is what a refused read or a
// broken text gives, never a clock the card runs at.
bool HasUsableClocks(const ClockSetting &setting);

bool LoadBiosPllInfo();
double ReadReferenceStep();
bool ReadClocks(float *core, float *memory);
bool WriteClocks(float core, float memory, bool sync);
DWORD ReadLatencyPreset();
DWORD ReadTimingPreset();
void WriteLatencyPreset(DWORD index);
void WriteTimingPreset(DWORD index);
float ClampClock(float value, float low, float high);
void ComputeClockLimits();
void RefreshCurrentSetting();
void ApplyClockSetting(float core, float memory, LONG latency, LONG timing);
