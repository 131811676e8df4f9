// The clock page's dialog procedure: one switch that hands each message to
// a named helper and leaves what every page answers alike to the frame. The
// page shows the card's clocks on two sliders and its memory presets as
// radio buttons, drawn in the skin; changes reach the card only when the
// sheet applies them, and must then be confirmed in time. The page's state
// (clockpage.h) is made at WM_INITDIALOG and freed at WM_DESTROY.
#include "clockpage.h"

#include <commctrl.h>
#include <math.h>
#include <string.h>

#include "../cfg/cfg.h"
#include "quillanlib.h"
#include "../skin/skin.h"
#include "engine.h"
#include "pagetext.h"
#include "probe.h"
#include "readback.h"
#include "settings.h"
#include "startup.h"

namespace {

// NULL before WM_INITDIALOG and after WM_DESTROY.
ClockPage *ClockPageOf(HWND window)
{
    return (ClockPage *)GetWindowLongPtrA(window, DWLP_USER);
}

}  // namespace

void MeasureClockCaption(HWND dialog, HDC dc, UINT id, const char *caption, SIZE size)
{
    // The countdown's frame is measured too; only the page's count.
    if (id != IDC_CORE_FRAME && id != IDC_MEMORY_FRAME)
        return;
    ClockPage *page = ClockPageOf(dialog);
    if (!page)
        return;
    int *valueStart = &page->coreValueStart, *captionEnd = &page->coreCaptionEnd;
    if (id == IDC_MEMORY_FRAME) {
        valueStart = &page->memoryValueStart;
        captionEnd = &page->memoryCaptionEnd;
    }
    *captionEnd = *valueStart = size.cx + size.cy;
    if (const char *colon = strchr(caption, ':')) {
        SIZE value = {0, 0};
        GetTextExtentPoint32A(dc, colon, (int)strlen(colon), &value);
        *valueStart -= value.cx;
    }
}

namespace {

const char *const kLatencyWords[] = {"Fast", "Med", "Slow", "???"};
const char *const kTimingWords[] = {"Slow", "Med", "Fast", "???"};
const char kValuesFormat[] = "Core: %3.1f MHz\nMem: %3.1f MHz\nLatency: %s\nTimings: %s";
const char kInstallationProblem[] = "**********\nInstallation Problem\n**********";

// A track bar keeps each end of its range in 16 bits.
const int kLargestSliderRange = 0x7FFF;

struct ClockControls {
    int slider;
    int frame;
    const char *label;      // built-in caption label
    const char *noDriver;   // caption without the probe driver
};
const ClockControls kCore = {IDC_CORE_SLIDER, IDC_CORE_FRAME, "Core Clock", "Core Clock: 666MHz"};
const ClockControls kMemory = {IDC_MEMORY_SLIDER, IDC_MEMORY_FRAME, "Memory Clock",
                               "Memory Clock: 666MHz"};

// Localised texts are stored under the control's id.
bool ReadLocalizedText(int id, char *text, DWORD size)
{
    char name[16];
    wsprintfA(name, "%d", id);
    return CfgReadText(HKEY_CURRENT_USER, LIBRARY_ROOT_KEY "\\Localization", name, text, size) != 0;
}

bool UsableStep()
{
    return g_clockStep > 0 && !isinf(g_clockStep);
}

// A right end that lies on the maximum may add up a rounding above it; it
// still means the maximum.
float SliderValue(int position)
{
    float value = (float)(position * (double)g_clockStep + g_minimumClock);
    return value > g_maximumClock ? g_maximumClock : value;
}

// Whole steps from the minimum to mhz. A clock on the card's grid lies on
// a whole step only up to float rounding (a 5.4 MHz step has no exact
// binary form), so within the dividers' margin it counts as that step
// rather than the one below.
double StepsFromMinimum(double mhz)
{
    return trunc((mhz - g_minimumClock) / g_clockStep + 1e-4);
}

// N steps from the minimum; limits that are no numbers, or a maximum below
// the minimum, leave a slider with nowhere to go rather than a wild range.
int SliderRange()
{
    if (!UsableStep())
        return 0;
    double steps = StepsFromMinimum(g_maximumClock);
    if (!(steps >= 0))
        return 0;
    int range = steps > kLargestSliderRange ? kLargestSliderRange : (int)steps;
    // The right end must not pass the maximum by more than rounding.
    while (range > 0 && range * (double)g_clockStep + g_minimumClock >
                            g_maximumClock + 1e-4 * g_clockStep)
        --range;
    return range;
}

void SetClockSlider(HWND page, int id, float mhz)
{
    HWND slider = GetDlgItem(page, id);
    int range = SliderRange();
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(0, range));
    double steps = UsableStep() ? StepsFromMinimum(mhz) : 0;
    // The track bar pins what lies outside; converting it must not overflow.
    int position = 0;
    if (steps > range)
        position = range;
    else if (steps > 0)
        position = (int)steps;
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
}

void CheckPresetButtons(HWND page, LONG latency, LONG timing)
{
    // Latency 2 names the button outside the group: both group buttons
    // end up unchecked.
    if ((DWORD)latency < 3)
        CheckRadioButton(page, IDC_LATENCY_MEDIUM, IDC_LATENCY_FAST, IDC_LATENCY_FAST - latency);
    if ((DWORD)timing < 3)
        CheckRadioButton(page, IDC_TIMING_SLOW, IDC_TIMING_FAST, IDC_TIMING_SLOW + timing);
}

void EnableControl(HWND page, int id, bool on)
{
    EnableWindow(GetDlgItem(page, id), on);
}

void ShowClockCaption(ClockPage *page, const ClockControls &clock, float mhz, bool inProfile)
{
    char text[kPathSize];
    if (!g_driverAvailable) {
        lstrcpynA(text, clock.noDriver, sizeof text);
    } else {
        char label[kPathSize];
        if (!ReadLocalizedText(clock.frame, label, sizeof label))
            lstrcpynA(label, clock.label, sizeof label);
        PageTextArgument caption[] = {TextArgument(label), NumberArgument(mhz)};
        FormatPageText("%s: %3.1f MHz", caption, 2, text, sizeof text);
        if (inProfile) {
            char plain[kPathSize];
            lstrcpynA(plain, text, sizeof plain);
            PageTextArgument wrapped[] = {TextArgument(plain), TextArgument(page->profileName)};
            FormatPageText("%s (%s)", wrapped, 2, text, sizeof text);
        }
    }
    // Only the strip with the number is repainted, not the whole frame.
    bool core = clock.frame == IDC_CORE_FRAME;
    RefreshControl(page->window, clock.frame, text,
                   core ? page->coreValueStart : page->memoryValueStart,
                   core ? page->coreCaptionEnd : page->memoryCaptionEnd, TRUE);
}

// Presets beyond the words the page has for them show as undetermined.
ClockSetting Shown(ClockSetting setting)
{
    if ((DWORD)setting.timing > 2)
        setting.timing = kPresetUndetermined;
    if ((DWORD)setting.latency > 2)
        setting.latency = kPresetUndetermined;
    return setting;
}

void ShowValues(HWND page, const ClockSetting &shown)
{
    char text[kPathSize];
    if (!g_driverAvailable) {
        lstrcpynA(text, kInstallationProblem, sizeof text);
    } else {
        PageTextArgument values[] = {NumberArgument(shown.core), NumberArgument(shown.memory),
                                     TextArgument(kLatencyWords[shown.latency]),
                                     TextArgument(kTimingWords[shown.timing])};
        // A translation is a format; one that asks for other values than
        // these four is not used.
        char format[kPathSize];
        bool done = false;
        if (ReadLocalizedText(IDC_VALUES_TEXT, format, sizeof format)) {
            ExpandLineBreaks(format);
            done = FormatPageText(format, values, 4, text, sizeof text);
        }
        if (!done)
            FormatPageText(kValuesFormat, values, 4, text, sizeof text);
    }
    SetControlText(page, IDC_VALUES_TEXT, text);
}

// A change in profile mode is the profile's, saved at the next Apply; any
// other is the card's, for the next Apply, and the sheet hears of it.
void NoteChange(ClockPage *page)
{
    if (page->profileMode) {
        page->profileDirty = true;
    } else {
        page->applyPending = true;
        TellSheet(page);
    }
}

void OnSliderMoved(ClockPage *page, HWND slider)
{
    int id = GetDlgCtrlID(slider);
    if (!slider || (id != IDC_CORE_SLIDER && id != IDC_MEMORY_SLIDER))
        return;
    const ClockControls &clock = id == IDC_CORE_SLIDER ? kCore : kMemory;
    float value = SliderValue((int)SendMessageA(slider, TBM_GETPOS, 0, 0));
    bool toProfile = page->profileMode && page->pageClean;
    ClockSetting &target = toProfile ? page->profileSetting : g_currentSetting;
    (id == IDC_CORE_SLIDER ? target.core : target.memory) = value;
    ShowClockCaption(page, clock, value, toProfile);
    InvalidateRect(GetDlgItem(page->window, IDC_LOGO), NULL, FALSE);
    NoteChange(page);
    UpdateWindow(page->window);
}

void OnPresetClicked(ClockPage *page, int id)
{
    bool timing = id >= IDC_TIMING_SLOW && id <= IDC_TIMING_FAST;
    int32_t index = timing ? id - IDC_TIMING_SLOW : IDC_LATENCY_FAST - id;
    ClockSetting &target = page->profileMode ? page->profileSetting : g_currentSetting;
    int32_t &field = timing ? target.timing : target.latency;
    int32_t before = field;
    field = index;
    if (before == index)
        return;
    CheckPresetButtons(page->window, target.latency, target.timing);
    NoteChange(page);
}

// Writes the current setting and tells the user when the card did not take
// it: the values box then shows the clocks the card runs at. False when the
// card could not be read back, so that what it holds is not known.
bool ApplyCurrentSetting(HWND page)
{
    ClockWrite write = ApplyClockSetting(g_currentSetting.core, g_currentSetting.memory,
                                         g_currentSetting.latency, g_currentSetting.timing);
    char text[kPathSize];
    if (DescribeClockWrite(write, text, sizeof text)) {
        if (write.result == kClocksDiffer)
            ShowValues(page, Shown(g_currentSetting));
        MessageBoxA(page, text, "Quillan.dll", MB_ICONWARNING);
    }
    return write.result != kClocksUnread;
}

bool ConfirmClocks(HWND page)
{
    // A countdown that cannot even be shown is not a yes.
    return DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_COUNTDOWN), page, CountdownDialog, 0) == 1;
}

// The factory setting becomes the current setting, to be written at the
// next Apply; true when a stored one was found.
bool RestoreFactory(ClockPage *page)
{
    page->applyPending = true;
    return RestoreFactorySetting();
}

// An unconfirmed clock must never stay on the card, and the card and
// "CurrentSettings" must agree: a declined change goes back to the factory
// setting (without a stored one, to the clocks read at load). Factory clocks
// that could not be read are no place to go back to; the clocks the change
// replaced go back instead, and with those unreadable too the card keeps
// what it has rather than a clock made up from nothing. known says, once
// the card was written again, whether it could be read back.
void RevertDeclinedChange(ClockPage *page, const ClockSetting &replaced, bool *known)
{
    if (!HasUsableClocks(replaced))
        return;
    RestoreFactory(page);
    g_currentSetting.core = replaced.core;
    g_currentSetting.memory = replaced.memory;
    *known = ApplyCurrentSetting(page->window);
}

// The start-up box takes effect with the Apply that left the card at clocks
// the user confirmed, which then become the start-up clocks; switching them
// off needs no confirmation.
void ApplyStartupChoice(ClockPage *page, bool confirmed)
{
    bool wanted = IsDlgButtonChecked(page->window, IDC_STARTUP_CLOCKS) == BST_CHECKED;
    bool changed = page->startupChanged;
    page->startupChanged = false;
    if (!wanted && changed)
        SwitchStartupClocksOff();
    else if (wanted && confirmed && (changed || StartupClocksOn()))
        SwitchStartupClocksOn(g_currentSetting);
}

void ApplyPageChanges(ClockPage *page, bool confirm)
{
    if (!g_driverAvailable)
        return;
    bool confirmed = false;
    if (page->applyPending) {
        page->applyPending = false;
        ClockSetting replaced = g_factorySetting;
        if (confirm && !HasUsableClocks(replaced))
            ReadClocks(&replaced.core, &replaced.memory);
        bool known = ApplyCurrentSetting(page->window);
        confirmed = !confirm || ConfirmClocks(page->window);
        if (!confirmed)
            RevertDeclinedChange(page, replaced, &known);
        // Clocks the card could not be read back at are no clocks to store.
        if (known)
            SaveCurrentSetting(g_currentSetting);
        confirmed = confirmed && known;
    }
    ApplyStartupChoice(page, confirmed);
    if (page->profileMode)
        ApplyProfileChanges(page);
    RefreshPage(page);
}

void OnFactoryDefaults(ClockPage *page)
{
    // Without a stored factory setting the current setting only takes the
    // one captured at load; nothing is written or redrawn.
    if (RestoreFactory(page))
        ApplyPageChanges(page, false);
}

void OnCommand(ClockPage *page, WPARAM wParam)
{
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (id == IDC_PROFILE_NAME) {
        if (code == CBN_EDITCHANGE)
            OnProfileEditChange(page);
        else if (code == CBN_SELENDOK)
            OnProfileSelected(page);
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDC_TIMING_SLOW:
    case IDC_TIMING_MEDIUM:
    case IDC_TIMING_FAST:
    case IDC_LATENCY_SLOW:
    case IDC_LATENCY_MEDIUM:
    case IDC_LATENCY_FAST:
        OnPresetClicked(page, id);
        break;
    case IDC_FACTORY_DEFAULTS:
        OnFactoryDefaults(page);
        break;
    case IDC_PROFILE_SAVE:
        OnSaveProfile(page);
        break;
    case IDC_PROFILE_DELETE:
        OnDeleteProfile(page);
        break;
    case IDC_STARTUP_CLOCKS:
        page->startupChanged = true;
        TellSheet(page);
        break;
    }
}

INT_PTR OnInitDialog(HWND window)
{
    // Zeroed: not in profile mode, nothing pending, nothing queried yet.
    ClockPage *page = (ClockPage *)GlobalAlloc(GPTR, sizeof(ClockPage));
    // Without room for its state the page stays as its template made it;
    // the frame still answers the sheet.
    if (!page)
        return TRUE;
    SetWindowLongPtrA(window, DWLP_USER, (LONG_PTR)page);
    page->window = window;
    page->pageClean = true;
    page->profileSetting.latency = page->profileSetting.timing = kPresetUndetermined;
    PrepareProfileBox(page);
    LoadSkinBitmaps(window);
    ApplySkin(window);
    LoadHelpTexts();
    RefreshPage(page);
    TellSheet(page);
    return TRUE;
}

void OnDestroy(HWND window, ClockPage *page)
{
    SetWindowLongPtrA(window, DWLP_USER, 0);
    GlobalFree(page);
}

void OnSetActive(ClockPage *page)
{
    LeaveProfileMode(page);
    LoadDisableFlags();
    page->profilesQueried = false;
    RefreshPage(page);
}

void OnNotify(ClockPage *page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        OnSetActive(page);
        break;
    case PSN_APPLY:
        if (!page->pageClean) {
            ApplyPageChanges(page, true);
            page->pageClean = true;
        }
        break;
    }
}

INT_PTR OnDrawItem(HWND page, const DRAWITEMSTRUCT *item)
{
    switch (item->CtlID) {
    case IDC_FACTORY_DEFAULTS:
    case IDC_PROFILE_SAVE:
    case IDC_PROFILE_DELETE:
        return DrawSkinButton(page, item);
    case IDC_LOGO:
        return DrawLogoPanel(page, item);
    default:
        return DrawGroupFrame(page, item);
    }
}

INT_PTR OnControlColour(HDC dc, HWND control)
{
    // The sliders paint their own background.
    int id = GetDlgCtrlID(control);
    if (id == IDC_CORE_SLIDER || id == IDC_MEMORY_SLIDER)
        return 0;
    return AnswerControlColour(dc, control);
}

}  // namespace

void SetControlText(HWND page, int id, const char *text)
{
    RefreshControl(page, id, text, 0, 0, FALSE);
}

void EnableClockControls(HWND page, bool on)
{
    EnableControl(page, IDC_CORE_SLIDER, on);
    EnableControl(page, IDC_MEMORY_SLIDER, on);
    bool memory = on && !g_disable.memorySettings;
    bool latency = memory && !g_disable.memoryLatency;
    EnableControl(page, IDC_LATENCY_MEDIUM, latency);
    EnableControl(page, IDC_LATENCY_FAST, latency);
    bool timing = memory && !g_disable.memoryTiming;
    EnableControl(page, IDC_TIMING_SLOW, timing);
    EnableControl(page, IDC_TIMING_MEDIUM, timing);
    EnableControl(page, IDC_TIMING_FAST, timing);
    EnableControl(page, IDC_STARTUP_CLOCKS, on);
    InvalidateRect(page, NULL, TRUE);
    UpdateWindow(page);
}

void TellSheet(ClockPage *page)
{
    if (SetPageChanged(page->window, TRUE))
        page->pageClean = false;
}

void RefreshPage(ClockPage *page)
{
    HWND window = page->window;
    ClockSetting shown = {0, 0, 0, 0};
    if (page->profileMode) {
        shown = page->profileSetting;
    } else if (g_driverAvailable) {
        page->applyPending = true;
        RefreshCurrentSetting();
        shown = g_currentSetting;
    }
    shown = Shown(shown);
    CheckPresetButtons(window, shown.latency, shown.timing);
    EnableClockControls(window, g_driverAvailable);
    ShowValues(window, shown);
    SetClockSlider(window, IDC_CORE_SLIDER, shown.core);
    ShowClockCaption(page, kCore, shown.core, page->profileMode);
    SetClockSlider(window, IDC_MEMORY_SLIDER, shown.memory);
    ShowClockCaption(page, kMemory, shown.memory, page->profileMode);
    if (!page->startupChanged)
        CheckDlgButton(window, IDC_STARTUP_CLOCKS, StartupClocksOn() ? BST_CHECKED : BST_UNCHECKED);
    CheckProfileBox(page);
    UpdateWindow(window);
}

INT_PTR CALLBACK ClockPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ClockPage *page = ClockPageOf(window);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_DRAWITEM:
        return OnDrawItem(window, (const DRAWITEMSTRUCT *)lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnControlColour((HDC)wParam, (HWND)lParam);
    }
    // The page's own messages need its state; without it (before
    // WM_INITDIALOG) only the frame answers.
    if (page) {
        switch (message) {
        case WM_NOTIFY:
            OnNotify(page, (const NMHDR *)lParam);
            break;
        case WM_HSCROLL:
            OnSliderMoved(page, (HWND)lParam);
            return 0;
        case WM_COMMAND:
            OnCommand(page, wParam);
            return 0;
        case WM_DESTROY:
            OnDestroy(window, page);
            break;
        }
    }
    // The frame records the sheet and gives every notification its answer.
    return AnswerPageMessage(window, message, wParam, lParam);
}
