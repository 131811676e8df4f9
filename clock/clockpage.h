// The clock page's state and the operations the page and its profile box
// (profilebox.cpp) call on each other. The card, the engine's clocks and
// limits and the settings store are process-wide (engine.h, settings.h);
// everything else lives on the page.
#pragma once
#include <windows.h>

#include "../frame/page.h"
#include "settingtext.h"

// One per page window: made at WM_INITDIALOG, kept with DWLP_USER, freed
// at WM_DESTROY.
struct ClockPage {
    HWND window;
    HWND profileCombo;

    // What the next Apply has to do. The page-clean flag answers whether
    // Apply has anything to do at all: it is true until the sheet is told
    // of a change (SetPageChanged) and again after Apply. The pending-apply
    // flag: the current setting is to be written to the card. The
    // profile-dirty and profile-delete flags: the profile is to be saved,
    // or deleted.
    bool pageClean;
    bool applyPending;
    bool profileDirty;
    bool profileDelete;
    // The start-up box was clicked: its state is the user's choice, for the
    // next Apply, rather than what is stored.
    bool startupChanged;

    // While on, the page shows and edits the profile setting instead of the
    // card's current setting.
    bool profileMode;
    // "SetVantrelOC" was read in this activation.
    bool profilesQueried;
    int deleteIndex;
    char profileName[kPathSize];
    ClockSetting profileSetting;

    // Where the number starts in the captions of the two clock frames, and
    // where those captions end, as they were last drawn: only the number is
    // repainted when a clock moves.
    int coreValueStart, coreCaptionEnd;
    int memoryValueStart, memoryCaptionEnd;
};

// The skin's report of a group frame's caption on dialog, measured in dc at
// size: the clock frames' metrics go to the page's state.
void MeasureClockCaption(HWND dialog, HDC dc, UINT id, const char *caption, SIZE size);

// The page ---------------------------------------------------------------------

void RefreshPage(ClockPage *page);
void EnableClockControls(HWND page, bool on);
void SetControlText(HWND page, int id, const char *text);
// Tells the sheet of a change; once it knows, the page is no longer clean.
void TellSheet(ClockPage *page);

// The profile box (profilebox.cpp) -------------------------------------------

void PrepareProfileBox(ClockPage *page);
void EnableProfileBox(ClockPage *page, bool on);
void FillProfileList(ClockPage *page);
// Reads "SetVantrelOC" once per activation and offers the profiles.
void CheckProfileBox(ClockPage *page);
void OnSaveProfile(ClockPage *page);
void OnDeleteProfile(ClockPage *page);
void OnProfileEditChange(ClockPage *page);
void OnProfileSelected(ClockPage *page);
// Ends profile mode at activation, dropping a profile change that was left
// waiting for an Apply that never came.
void LeaveProfileMode(ClockPage *page);
// The profile's part of Apply, after the card has been handled.
void ApplyProfileChanges(ClockPage *page);
