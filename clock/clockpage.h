// What the clock page and its profile box share: the page state beside the
// engine's, and the page operations each side calls on the other.
#pragma once
#include <windows.h>

#include "../frame/page.h"
#include "settingtext.h"

// While on, the page shows and edits the profile setting instead of the
// card's current setting.
extern bool g_profileMode;
extern char g_profileName[kPathSize];
extern ClockSetting g_profileSetting;
// The profile setting is to be saved under the profile name at Apply.
extern bool g_profileDirty;
// Set once the profile box has read "SetVantrelOC" in this activation;
// every new page starts without it.
extern bool g_profilesQueried;
void ForgetProfilesQuery();

// Where the number starts in the captions of the two clock frames, and
// where those captions end, as they were last drawn: only the number is
// repainted when a clock moves.
extern int g_coreValueStart, g_coreCaptionEnd;
extern int g_memoryValueStart, g_memoryCaptionEnd;
// The skin's report of a group frame's caption, measured in dc at size.
void MeasureClockCaption(HDC dc, UINT id, const char *caption, SIZE size);

// The page ---------------------------------------------------------------------

void RefreshPage(HWND page);
void EnableClockControls(HWND page, bool on);
void SetControlText(HWND page, int id, const char *text);

// The profile box (profilebox.cpp) -------------------------------------------

void PrepareProfileBox(HWND page);
void EnableProfileBox(bool on);
void FillProfileList();
// Reads "SetVantrelOC" once per activation and offers the profiles.
void CheckProfileBox(HWND page);
void OnSaveProfile(HWND page);
void OnDeleteProfile(HWND page);
void OnProfileEditChange(HWND page);
void OnProfileSelected(HWND page);
// Ends profile mode at activation, dropping a profile change that was left
// waiting for an Apply that never came.
void LeaveProfileMode();
// The profile's part of Apply, after the card has been handled.
void ApplyProfileChanges(HWND page);
