// SetClocks: another program sets the clocks and memory presets with a
// one-line command, or records the card's state as the factory setting.
// Its shape is a rundll32 entry point, so rundll32 can run it too.
#include <windows.h>

#include "engine.h"
#include "readback.h"
#include "settings.h"

extern "C" void WINAPI SetClocks(HWND owner, HINSTANCE, LPSTR command, int)
{
    if (command && command[0] == '\0') {
        SaveFactorySetting();
        return;
    }
    ClockSetting setting = {0, 0, 0, 0};
    int32_t confirm = 0;
    // A missing command is as malformed as one without numbers.
    if (!command || ScanClocksCommand(command, &setting, &confirm) < 4) {
        MessageBoxA(owner, "INVALID format: float core float mem int latency int timings",
                    "Quillan.dll", MB_ICONERROR);
        return;
    }
    char summary[256];
    FormatClockSummary(setting, summary, sizeof summary);
    if (confirm && MessageBoxA(owner, summary, "Quillan.dll", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ClockWrite write = ApplyClockSetting(setting.core, setting.memory, setting.latency, setting.timing);
    char text[256];
    if (DescribeClockWrite(write, text, sizeof text))
        MessageBoxA(owner, text, "Quillan.dll", MB_ICONERROR);
}
