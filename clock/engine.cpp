#include "engine.h"

#include <math.h>

#include "probe.h"

float g_referenceClock;
float g_clockFloor;
float g_clockCeiling;
float g_clockStep = 1.0f;
float g_maximumClock = 200.0f;
float g_minimumClock = 100.0f;
ClockSetting g_currentSetting = {0, 0, kPresetUndetermined, kPresetUndetermined};
ClockSetting g_factorySetting = {0, 0, kPresetUndetermined, kPresetUndetermined};
DisableFlags g_disable;

namespace {

const DWORD kTimingValues[] = {0x1405357F, 0x1405356A, 0x1405256A};
const DWORD kTimingReadBack[] = {0x307F, 0x306A, 0x206A};
const DWORD kLatencyValues[] = {0x7FFFF1FF, 0x44334244};
const DWORD kDividerMask = 0x00FFFF00;
const DWORD kSourceMask = 0xF;
const DWORD kTimingMask = 0xF0FF;

// BIOS clock words are in 0.01 MHz, scaled with the single-precision 0.01.
float BiosClock(const BYTE *block, int offset)
{
    WORD word = (WORD)(block[offset] | block[offset + 1] << 8);
    return (float)((double)word * (double)0.01f);
}

// MHz per divider unit for the reference divider in PLL register 10, or 0
// when the card gives nothing to divide by (no reference clock, R = 0).
double DividerUnit(DWORD dividers)
{
    DWORD r = dividers & 0xFF;
    if (r == 0 || !(g_referenceClock > 0) || isinf(g_referenceClock))
        return 0;
    return (double)g_referenceClock / r;
}

// A clock that was read back from the card sits on the divider grid only up
// to float rounding; the margin keeps it from landing one divider lower.
const double kDividerMargin = 1e-4;
// Likewise two clocks on the grid one step apart may differ by a little
// more than the step as a float holds it (27 MHz / 5 = 5.4 has no exact
// binary form): a thousandth of a step is still one step.
const double kStepTolerance = 1e-3;

// A divider of 0 stops the clock it drives; one above 255 does not fit its
// field. Neither is ever programmed.
bool ComputeDivider(double mhz, DWORD r, LONG *divider)
{
    double exact = mhz * r / g_referenceClock + kDividerMargin;
    if (!(exact >= 1) || exact >= 256)
        return false;
    *divider = (LONG)floor(exact);
    return true;
}

bool UsableClock(float mhz)
{
    return mhz > 0 && !isinf(mhz);
}

}  // namespace

bool HasUsableClocks(const ClockSetting &setting)
{
    return UsableClock(setting.core) && UsableClock(setting.memory);
}

bool LoadBiosPllInfo()
{
    if (!OpenProbeDriver())
        return false;
    // A read the driver refuses ends the walk: the values stay 0, and an
    // engine without a reference clock converts nothing (see DividerUnit).
    BYTE bytes[4];
    if (!ProbeReadBios(0x48, bytes, sizeof bytes))
        return true;
    DWORD header = (WORD)(bytes[0] | bytes[1] << 8);
    if (!ProbeReadBios(header + 0x30, bytes, sizeof bytes))
        return true;
    DWORD block = (WORD)(bytes[0] | bytes[1] << 8);
    BYTE pll[24];
    if (!ProbeReadBios(block, pll, sizeof pll))
        return true;
    g_referenceClock = BiosClock(pll, 14);
    g_clockFloor = BiosClock(pll, 18);
    g_clockCeiling = BiosClock(pll, 22);
    return true;
}

double ReadReferenceStep()
{
    return DividerUnit(ProbeReadPll(kPllDividers));
}

bool ReadClocks(float *core, float *memory)
{
    bool sync = (ProbeReadPll(kPllClockSource) & 7) == 7;
    DWORD dividers = ProbeReadPll(kPllDividers);
    double unit = DividerUnit(dividers);
    double memoryMhz = unit * ((dividers >> 8) & 0xFF);
    *memory = (float)memoryMhz;
    *core = sync ? (float)memoryMhz : (float)(unit * ((dividers >> 16) & 0xFF));
    return sync;
}

DWORD WriteClocks(float core, float memory, bool sync)
{
    DWORD dividers = ProbeReadPll(kPllDividers);
    DWORD r = dividers & 0xFF;
    if (sync)
        memory = core;
    LONG n, m;
    // A divider of 0 or one that does not fit its 8-bit field, or a card
    // without a reference clock, would program a clock nobody asked for:
    // leave the card alone instead.
    if (DividerUnit(dividers) == 0 || !ComputeDivider(core, r, &n) ||
        !ComputeDivider(memory, r, &m))
        return 0;
    DWORD written = (DWORD)n << 16 | (DWORD)m << 8;
    ProbeWritePll(kPllClockSource, kSourceMask, sync ? 7 : 2);
    ProbeWritePll(kPllDividers, kDividerMask, written);
    return written;
}

// A register that matches no table value reads as undetermined. (Handing
// back the raw value instead would let a register holding 0, 1 or 2 pass
// for a preset.)
DWORD ReadTimingPreset()
{
    DWORD value = ProbeReadRegister(kTimingRegister);
    for (DWORD i = 0; i < 3; ++i)
        if ((value & 0xF0FF) == kTimingReadBack[i])
            return i;
    return kPresetUndetermined;
}

DWORD ReadLatencyPreset()
{
    DWORD value = ProbeReadRegister(kLatencyRegister);
    for (DWORD i = 0; i < 2; ++i)
        if (value == kLatencyValues[i])
            return i;
    return kPresetUndetermined;
}

void WriteTimingPreset(DWORD index)
{
    if (index < 3)
        ProbeWriteRegister(kTimingRegister, kTimingMask, kTimingValues[index]);
}

void WriteLatencyPreset(DWORD index)
{
    if (index < 2)
        ProbeWriteRegister(kLatencyRegister, 0xFFFFFFFF, kLatencyValues[index]);
}

float ClampClock(float value, float low, float high)
{
    if (!(value >= low))
        value = low;
    if (value > high)
        value = high;
    return value;
}

void ComputeClockLimits()
{
    double step = ReadReferenceStep();
    // Without a usable step (no reference clock in the BIOS, R = 0) nothing
    // can be placed on the divider grid: the start-up step and limits stay.
    if (!(step > 0) || isinf(step))
        return;
    g_clockStep = (float)step;
    // Limits drawn from a factory clock of 0 would pin every request to 0
    // MHz: without factory clocks the start-up limits stay.
    if (!HasUsableClocks(g_factorySetting))
        return;
    double top = (float)(g_clockStep + (double)g_clockFloor);

    // The minimum lies on the factory memory clock's grid of steps, at or
    // below step + floor, and at least one step down from the factory clock.
    double minimum = g_factorySetting.memory;
    if (minimum > top) {
        double count = ceil((minimum - top) / g_clockStep);
        if (count < 1)
            count = 1;
        double lowered = minimum - count * g_clockStep;
        if (lowered > top)
            lowered -= g_clockStep;
        minimum = lowered;
    }
    g_minimumClock = (float)minimum;

    double limit = 1.5 * g_factorySetting.core;
    if (g_clockCeiling >= 100.0 && g_clockCeiling <= limit)
        limit = g_clockCeiling;
    g_maximumClock = (float)trunc(limit);
}

void RefreshCurrentSetting()
{
    if (!g_driverAvailable)
        return;
    ReadClocks(&g_currentSetting.core, &g_currentSetting.memory);
    g_currentSetting.latency = kPresetUndetermined;
    g_currentSetting.timing = kPresetUndetermined;
    if (g_disable.memorySettings)
        return;
    if (!g_disable.memoryLatency)
        g_currentSetting.latency = (LONG)ReadLatencyPreset();
    if (!g_disable.memoryTiming)
        g_currentSetting.timing = (LONG)ReadTimingPreset();
    if ((DWORD)g_currentSetting.timing > 2)
        g_currentSetting.timing = kPresetUndetermined;
    if ((DWORD)g_currentSetting.latency > 1)
        g_currentSetting.latency = kPresetUndetermined;
}

namespace {

// A card may answer a write as done and run at other clocks (or none it
// was given): only its registers tell.
ClockWriteResult ReadBackDividers(DWORD written)
{
    bool read = false;
    DWORD dividers = ProbeReadPll(kPllDividers, &read);
    if (!read)
        return kClocksUnread;
    if ((dividers & kDividerMask) == written)
        return kClocksTaken;
    ReadClocks(&g_currentSetting.core, &g_currentSetting.memory);
    return kClocksDiffer;
}

bool WritesMemoryTiming()
{
    return !g_disable.memorySettings && !g_disable.memoryTiming;
}

bool WritesMemoryLatency()
{
    return !g_disable.memorySettings && !g_disable.memoryLatency;
}

}  // namespace

ClockWrite ApplyClockSetting(float core, float memory, LONG latency, LONG timing)
{
    ClockWrite write = {kClocksNotWritten, 0, 0};
    bool sync = false;
    if (fabs((double)core - (double)memory) <= g_clockStep * (1 + kStepTolerance)) {
        core = memory;
        sync = true;
    }
    if (!g_driverAvailable)
        return write;
    write.core = core = ClampClock(core, g_minimumClock, g_maximumClock);
    write.memory = memory = ClampClock(memory, g_minimumClock, g_maximumClock);
    // With DisableAsync the core keeps the memory value taken over above but
    // runs from its own PLL.
    if (DWORD written = WriteClocks(core, memory, sync && !g_disable.async)) {
        g_currentSetting.core = core;
        write.result = ReadBackDividers(written);
    }
    if ((latency == 0 || latency == 1) && WritesMemoryLatency()) {
        WriteLatencyPreset((DWORD)latency);
        g_currentSetting.latency = latency;
    }
    if (timing >= 0 && timing <= 2 && WritesMemoryTiming()) {
        WriteTimingPreset((DWORD)timing);
        g_currentSetting.timing = timing;
    }
    return write;
}

bool SaveCardRegisters(CardRegisters *saved)
{
    bool read[4] = {true, true, true, true};
    saved->dividers = ProbeReadPll(kPllDividers, &read[0]);
    saved->source = ProbeReadPll(kPllClockSource, &read[1]);
    // A register that is never written need not be read.
    saved->timing = saved->latency = 0;
    if (WritesMemoryTiming())
        saved->timing = ProbeReadRegister(kTimingRegister, &read[2]);
    if (WritesMemoryLatency())
        saved->latency = ProbeReadRegister(kLatencyRegister, &read[3]);
    return read[0] && read[1] && read[2] && read[3];
}

void RestoreCardRegisters(const CardRegisters &saved)
{
    ProbeWritePll(kPllClockSource, kSourceMask, saved.source);
    ProbeWritePll(kPllDividers, kDividerMask, saved.dividers);
    if (WritesMemoryTiming())
        ProbeWriteRegister(kTimingRegister, kTimingMask, saved.timing);
    if (WritesMemoryLatency())
        ProbeWriteRegister(kLatencyRegister, 0xFFFFFFFF, saved.latency);
}
