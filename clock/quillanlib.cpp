// Quillan's description for the kit: the clock page, its help texts, and
// what the page adds to the drawing of its frames.
#include "quillanlib.h"

#include "../skin/skin.h"
#include "clockpage.h"

namespace {

HelpTextRow g_clockHelpTexts[] = {
    {IDC_FACTORY_DEFAULTS, "Set the values back to where they belong.", NULL},
    {IDC_MEMORY_SLIDER, "Sets the GPU memory clock rate", NULL},
    {IDC_CORE_SLIDER, "Sets the GPU core clock rate", NULL},
    {IDC_VALUES_TEXT, "Actual internal values used by the card.", NULL},
    {IDC_TIMING_SLOW, "Sets the timing for GPU memory burst rates.", NULL},
    {IDC_TIMING_MEDIUM, "Sets the timing for GPU memory burst rates.", NULL},
    {IDC_TIMING_FAST, "Sets the timing for GPU memory burst rates.", NULL},
    {IDC_LATENCY_SLOW, NULL, NULL},
    {IDC_LATENCY_MEDIUM, "The initial access delay for GPU memory is called the latency", NULL},
    {IDC_LATENCY_FAST, "The initial access delay for GPU memory is called the latency", NULL},
    {IDC_STARTUP_CLOCKS, "Sets the clocks you confirmed again at every start of Windows.", NULL},
};

}  // namespace

const PageLibrary g_library = {
    "Quillan.dll",
    LIBRARY_ROOT_KEY,
    LIBRARY_ROOT_KEY "\\Localization",
    LIBRARY_ROOT_KEY "\\Fonts\\Definitions",
    LIBRARY_ROOT_KEY "\\Fonts\\Controls",
    LIBRARY_ROOT_KEY "\\Colours",
    LIBRARY_ROOT_KEY "\\Help",
    ClockPageProc,
    IDI_PAGE,
    g_clockHelpTexts,
    sizeof g_clockHelpTexts / sizeof g_clockHelpTexts[0],
    COLORONCOLOR,
    true,   // disabled buttons drawn white
    true,   // logo panel
    true,   // the countdown follows colour changes
    NULL,   // no fall-back background
    IgnorePageEvent,  // a new page starts with its own state
    IgnorePageAdded,
    IgnoreContextHelp,
    MeasureClockCaption,
};
