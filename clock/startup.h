// Start-up clocks: the clocks a user confirmed on the clock page come back
// at every logon through the machine's Run value "clocks", which runs
// ApplyStartupClocks. Only on the card they were confirmed on, read back
// after the write, and never again after a start that did not survive them.
#pragma once
#include <windows.h>

#include "settingtext.h"

// On for this user: the Run value is there and a start-up setting is stored.
bool StartupClocksOn();
// The confirmed setting becomes the next start's, on this card. A write
// that fails is shown in the write-error box and leaves nothing of start-up
// clocks behind: false.
bool SwitchStartupClocksOn(const ClockSetting &confirmed);
// Leaves nothing of start-up clocks behind.
void SwitchStartupClocksOff();

// The Run value's entry point (a rundll32 entry point).
extern "C" void WINAPI ApplyStartupClocks(HWND owner, HINSTANCE, LPSTR, int);
