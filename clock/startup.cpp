// Start-up clocks. The page stores the confirmed setting ("StartupSettings")
// with the identity of the card it was confirmed on ("StartupCard") and adds
// the Run value; at logon ApplyStartupClocks sets the card. A start that
// writes the card first leaves "StartupGuard", flushed to disk, and takes it
// away only once the machine has run a healthy while (or the session ended
// normally): a guard found at the next start means the clocks hung, reset or
// powered off the machine, and they are not set again.
#include "startup.h"

#include "../cfg/cfg.h"
#include "../cfg/keypath.h"
#include "engine.h"
#include "pagetext.h"
#include "probe.h"
#include "quillanlib.h"
#include "readback.h"
#include "settings.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "clocks";
const char kStartupSetting[] = "StartupSettings";
const char kStartupCard[] = "StartupCard";
const char kGuard[] = "StartupGuard";
const char kHealthySeconds[] = "StartupHealthySeconds";
const LONG kDefaultHealthySeconds = 120;
const LONG kLongestHealthySeconds = 24 * 60 * 60;
const UINT_PTR kHealthyTimer = 1;

const char kTurnOnAgain[] =
    "Start-up clocks are now off, and the card runs at its own clocks. To have them again, tick "
    "\"Apply at start-up\" on the clock tab of Display Properties and Apply.";

HMODULE OwnModule()
{
    return GetModuleHandleA(g_library.moduleName);
}

// The card as start-up clocks know it: the BIOS PLL block's reference clock,
// floor and ceiling, and the reference divider it runs with. False without
// a card to read: no driver, a refused read, or nothing in the BIOS.
bool DescribeCard(char *text, size_t size)
{
    if (!g_driverAvailable || !(g_referenceClock > 0))
        return false;
    bool read = false;
    DWORD r = ProbeReadPll(kPllDividers, &read) & 0xFF;
    if (!read || r == 0)
        return false;
    PageTextArgument card[] = {NumberArgument(g_referenceClock), NumberArgument(g_clockFloor),
                               NumberArgument(g_clockCeiling), NumberArgument(r)};
    return FormatPageText("%3.2f %3.2f %3.2f %.0f", card, 4, text, size);
}

// rundll32 cuts the command at the first blank: the short form of our own
// path has none.
bool RunCommand(char *command, size_t size)
{
    char path[MAX_PATH], shortPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(OwnModule(), path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    const char *own = length && length < sizeof shortPath ? shortPath : path;
    return FormatPath(command, size, "rundll32.exe %s,ApplyStartupClocks", own);
}

bool ReadStartupSetting(ClockSetting *setting)
{
    char text[kPathSize];
    return CfgReadText(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupSetting, text, sizeof text) &&
           ParseClockSetting(text, setting) && HasUsableClocks(*setting);
}

bool RunValuePresent()
{
    char command[kPathSize];
    return CfgReadText(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, command, sizeof command) != 0;
}

// Down to the disk: a guard that is lost with the power is no guard.
bool FlushSettings()
{
    HKEY key = CfgOpenKey(HKEY_CURRENT_USER, SETTINGS_KEY);
    if (!key)
        return false;
    bool flushed = RegFlushKey(key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return flushed;
}

bool WriteGuard()
{
    DWORD started = 1;
    return CfgWriteValue(HKEY_CURRENT_USER, SETTINGS_KEY, kGuard, &started, REG_DWORD,
                         sizeof started) &&
           FlushSettings();
}

bool GuardPresent()
{
    DWORD started;
    return CfgReadValue(HKEY_CURRENT_USER, SETTINGS_KEY, kGuard, &started, sizeof started) != 0;
}

void DeleteGuard()
{
    CfgDeleteValue(HKEY_CURRENT_USER, SETTINGS_KEY, kGuard);
    FlushSettings();
}

// After a start that did not end with the confirmed clocks on the card:
// the Run value goes, the setting stays for the page to offer again, and
// the user hears why, once. Were the Run value to stay (no right to the
// machine's key), the guard stays too, so the next start does not write.
void SwitchOffAfterStart(HWND owner, const char *why)
{
    CfgDeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    if (!RunValuePresent())
        DeleteGuard();
    char text[2 * kPathSize];
    PageTextArgument parts[] = {TextArgument(why), TextArgument(kTurnOnAgain)};
    FormatPageText("%s\n\n%s", parts, 2, text, sizeof text);
    MessageBoxA(owner, text, "Quillan.dll", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

LONG HealthySeconds()
{
    LONG seconds;
    CfgReadInt(HKEY_CURRENT_USER, SETTINGS_KEY, kHealthySeconds, &seconds, kDefaultHealthySeconds);
    return seconds >= 1 && seconds <= kLongestHealthySeconds ? seconds : kDefaultHealthySeconds;
}

LRESULT CALLBACK HealthyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        KillTimer(window, kHealthyTimer);
        DeleteGuard();
        DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // Logging off or shutting down is no hang: the next start sets the
        // clocks again.
        if (wParam)
            DeleteGuard();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The healthy while, in a hidden top-level window, so that a session that
// ends meanwhile tells us.
void WaitHealthyWhile()
{
    UINT milliseconds = (UINT)HealthySeconds() * 1000;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HealthyWindowProc;
    windowClass.hInstance = OwnModule();
    windowClass.lpszClassName = "QuillanStartupClocks";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Quillan start-up clocks",
                                  WS_POPUP, 0, 0, 0, 0, NULL, NULL, windowClass.hInstance, NULL);
    if (!window || !SetTimer(window, kHealthyTimer, milliseconds, NULL)) {
        if (window)
            DestroyWindow(window);
        Sleep(milliseconds);
        DeleteGuard();
        return;
    }
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
}

bool SameCard()
{
    char card[kPathSize], stored[kPathSize];
    return DescribeCard(card, sizeof card) &&
           CfgReadText(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupCard, stored, sizeof stored) &&
           lstrcmpA(card, stored) == 0;
}

}  // namespace

bool StartupClocksOn()
{
    ClockSetting setting;
    return RunValuePresent() && ReadStartupSetting(&setting);
}

bool SwitchStartupClocksOn(const ClockSetting &confirmed)
{
    char card[kPathSize], command[kPathSize], setting[kPathSize];
    FormatClockSetting(confirmed, setting, sizeof setting);
    bool on = DescribeCard(card, sizeof card) && RunCommand(command, sizeof command) &&
              CfgWriteTextShown(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, command) &&
              CfgWriteTextShown(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupSetting, setting) &&
              CfgWriteTextShown(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupCard, card);
    if (!on)
        SwitchStartupClocksOff();
    return on;
}

void SwitchStartupClocksOff()
{
    CfgDeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    CfgDeleteValue(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupSetting);
    CfgDeleteValue(HKEY_CURRENT_USER, SETTINGS_KEY, kStartupCard);
    CfgDeleteValue(HKEY_CURRENT_USER, SETTINGS_KEY, kGuard);
}

extern "C" void WINAPI ApplyStartupClocks(HWND owner, HINSTANCE, LPSTR, int)
{
    ClockSetting setting;
    if (!ReadStartupSetting(&setting))
        return;
    char why[2 * kPathSize];
    if (GuardPresent()) {
        PageTextArgument clocks[] = {NumberArgument(setting.core), NumberArgument(setting.memory)};
        FormatPageText("The last start that set the card to core %3.1f MHz and memory %3.1f MHz "
                       "did not end well: the machine hung, reset or lost power soon after. The "
                       "clocks were not set again.",
                       clocks, 2, why, sizeof why);
        SwitchOffAfterStart(owner, why);
        return;
    }
    if (!SameCard()) {
        SwitchOffAfterStart(owner, "The card is not the one these clocks were confirmed on "
                                   "(another card or BIOS, or its driver is missing or cannot be "
                                   "read). The clocks were not set.");
        return;
    }
    CardRegisters saved;
    if (!SaveCardRegisters(&saved) || !WriteGuard()) {
        SwitchOffAfterStart(owner, "The clocks were not set: the card's present state could not "
                                   "be read, or the start could not be noted in the registry.");
        return;
    }
    ClockWrite write = ApplyClockSetting(setting.core, setting.memory, setting.latency,
                                         setting.timing);
    if (write.result != kClocksTaken) {
        // Whatever the card took goes: it runs as it did before this start.
        RestoreCardRegisters(saved);
        if (!DescribeClockWrite(write, why, sizeof why))
            lstrcpynA(why, "The card could not be given these clocks.", sizeof why);
        SwitchOffAfterStart(owner, why);
        return;
    }
    WaitHealthyWhile();
}
