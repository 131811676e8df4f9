// Serrafin's description for the kit: the modes page, its help text, the
// debug log's trace of page creation, and the refresh menu that context
// help gives way to on a mode's icon. The page finds its keys and releases
// its list itself.
#include "serrafinlib.h"

#include "../skin/skin.h"
#include "debuglog.h"
#include "driverkeys.h"
#include "refresh.h"

namespace {

// Page creation in the debug log: its start, the tab's title and the answer.
void TracePageCreation()
{
    DetectPlatformBranch();
    DebugLog("CreatePage()");
}

void TracePageAdded(const char *title, BOOL added)
{
    if (title)
        DebugLog("%s", title);
    DebugLog("AddPage(%s)", added ? "ok" : "!ok");
}

HelpTextRow g_modesHelpTexts[] = {
    {IDC_MODE_LIST, "Custom Display Settings.", NULL},
};

}  // namespace

const PageLibrary g_library = {
    "Serrafin.dll",
    LIBRARY_ROOT_KEY,
    LIBRARY_ROOT_KEY "\\Localization",
    LIBRARY_ROOT_KEY "\\Fonts\\Definitions",
    LIBRARY_ROOT_KEY "\\Fonts\\Controls",
    LIBRARY_ROOT_KEY "\\Colours",
    LIBRARY_ROOT_KEY "\\Help",
    ModesPageProc,
    IDI_PAGE,
    g_modesHelpTexts,
    sizeof g_modesHelpTexts / sizeof g_modesHelpTexts[0],
    HALFTONE,
    false,  // disabled buttons keep the control's colour
    false,  // no logo panel
    false,  // the countdown keeps its colours
    // Without a BackgroundBitmap value the page looks for its own picture in
    // the current directory.
    "Serrafin.bmp",
    TracePageCreation,
    TracePageAdded,
    OfferRefreshMenu,
    IgnoreFrameCaption,
};
