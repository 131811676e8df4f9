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

// What became of a clock write, read back from the card right after it.
enum ClockWriteResult {
    kClocksNotWritten,  // no driver, or no divider to program: the card was left alone
    kClocksTaken,       // the card holds the dividers written
    kClocksDiffer,      // it holds others: the current setting has the clocks it runs at
    kClocksUnread,      // the read-back was refused: what the card holds is not known
};

struct ClockWrite {
    ClockWriteResult result;
    float core, memory;  // the clocks written, within the limits
};

// The registers a clock setting changes, as they were before it: put back
// exactly, they leave the card as it was.
struct CardRegisters {
    DWORD dividers;
    DWORD source;
    DWORD timing;
    DWORD latency;
};

// A clock of 0, below 0 or no finite number is what a refused read or a
// broken text gives, never a clock the card runs at.
bool HasUsableClocks(const ClockSetting &setting);

bool LoadBiosPllInfo();
double ReadReferenceStep();
bool ReadClocks(float *core, float *memory);
// The dividers written (N << 16 | M << 8), or 0 when nothing was written.
DWORD WriteClocks(float core, float memory, bool sync);
DWORD ReadLatencyPreset();
DWORD ReadTimingPreset();
void WriteLatencyPreset(DWORD index);
void WriteTimingPreset(DWORD index);
float ClampClock(float value, float low, float high);
void ComputeClockLimits();
void RefreshCurrentSetting();
ClockWrite ApplyClockSetting(float core, float memory, LONG latency, LONG timing);
// False when the card refused a read: then nothing could be put back.
bool SaveCardRegisters(CardRegisters *saved);
void RestoreCardRegisters(const CardRegisters &saved);
