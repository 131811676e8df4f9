// What differs between the two page libraries that share frame/ and skin/.
// Each deliverable's build defines exactly one of LIBRARY_QUILLAN or
// LIBRARY_SERRAFIN; code that must differ asks kIsSerrafin (or the values
// below) instead of keeping a second copy of itself.
#pragma once
#include <windows.h>

#if defined(LIBRARY_QUILLAN) && defined(LIBRARY_SERRAFIN)
#error "a page library is either Quillan or Serrafin"
#endif

#if defined(LIBRARY_SERRAFIN)
#include "../modes/serrafinids.h"

enum { kIsSerrafin = 1 };
#define LIBRARY_MODULE_NAME "Serrafin.dll"
#define LIBRARY_ROOT_KEY "Software\\Vantrel\\Modivane"
enum { kPageIconId = IDI_PAGE };

INT_PTR CALLBACK ModesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
#define LIBRARY_PAGE_PROC ModesPageProc

// Without a BackgroundBitmap value the modes page looks for its own picture
// in the current directory.
#define LIBRARY_FALLBACK_BACKGROUND "Serrafin.bmp"
#define LIBRARY_STRETCH_MODE HALFTONE
// Owner-drawn buttons keep the control's colour even when disabled.
enum { kWhiteDisabledButtons = 0 };

// Built-in context help: control id, text.
#define LIBRARY_HELP_TEXTS {IDC_MODE_LIST, "Custom Display Settings.", NULL},

#else
// Quillan's copy is the base; the remover links the base registry helpers too.
#include "../clock/quillanids.h"

enum { kIsSerrafin = 0 };
#define LIBRARY_MODULE_NAME "Quillan.dll"
#define LIBRARY_ROOT_KEY "Software\\Vantrel\\ATI Radeon Tachyra"
enum { kPageIconId = IDI_PAGE };

INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
#define LIBRARY_PAGE_PROC ClockPageProc
// Set once the profile box has read "SetVantrelOC" in this activation;
// every new page starts without it.
extern bool g_profilesQueried;

#define LIBRARY_STRETCH_MODE COLORONCOLOR
enum { kWhiteDisabledButtons = 1 };

#define LIBRARY_HELP_TEXTS                                                          \
    {IDC_FACTORY_DEFAULTS, "Set the values back to where they belong.", NULL},           \
    {IDC_MEMORY_SLIDER, "Sets the GPU memory clock rate", NULL},                         \
    {IDC_CORE_SLIDER, "Sets the GPU core clock rate", NULL},                             \
    {IDC_VALUES_TEXT, "Actual internal values used by the card.", NULL},                 \
    {IDC_TIMING_SLOW, "Sets the timing for GPU memory burst rates.", NULL},              \
    {IDC_TIMING_MEDIUM, "Sets the timing for GPU memory burst rates.", NULL},            \
    {IDC_TIMING_FAST, "Sets the timing for GPU memory burst rates.", NULL},              \
    {IDC_LATENCY_SLOW, NULL, NULL},                                                      \
    {IDC_LATENCY_MEDIUM, "The initial access delay for GPU memory is called the latency", NULL}, \
    {IDC_LATENCY_FAST, "The initial access delay for GPU memory is called the latency", NULL},

#endif
