// The clock setting's text form and the SetClocks command grammar. Kept free
// of <windows.h> so that it also builds natively for property tests.
//
// Numbers are written and read with the period as decimal separator, whatever
// C locale the host process has chosen: the texts live in the registry and in
// callers' command lines, so they must not change meaning with the locale.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct ClockSetting {
    float core;       // MHz
    float memory;     // MHz
    int32_t latency;  // preset index: 0 Fast, 1 Medium, 2 Slow, 3 undetermined
    int32_t timing;   // preset index: 0 Slow, 1 Medium, 2 Fast, 3 undetermined
};

// printf's "%.Nf" for a double, rounding halves away from zero. Always
// terminates within size; returns the length written.
size_t FormatFixed(double value, int decimals, char *out, size_t size);

// "%3.2f %3.2f %d %d": the form stored in the registry.
size_t FormatClockSetting(const ClockSetting &setting, char *out, size_t size);

// "%3.1f, %3.1f, %d, %d": the summary SetClocks asks about.
size_t FormatClockSummary(const ClockSetting &setting, char *out, size_t size);

// Scans "%f %f %d %d" and answers true only when all four fields convert.
bool ParseClockSetting(const char *text, ClockSetting *setting);

// Scans a SetClocks command, "%f %f %d %d %d": core, memory, latency, timing
// and the confirm flag. Returns how many fields converted (0 to 5); fields
// that did not convert are left as they were. Text after the last converted
// field is ignored.
int ScanClocksCommand(const char *text, ClockSetting *setting, int32_t *confirm);
