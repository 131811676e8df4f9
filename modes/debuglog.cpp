#include "debuglog.h"

#include <stdarg.h>
#include <stdio.h>

#include "cfg.h"
#include "keypath.h"
#include "serrafinlib.h"

namespace {

bool g_debugOn;
// Set once the first line of this load has been attempted; until then a
// line empties the file instead of appending to it.
bool g_firstLineDone;

}  // namespace

void LoadDebugSwitch()
{
    // A value of a type CfgReadInt does not convert leaves this untouched,
    // so it counts as 0 as well.
    LONG value = 0;
    CfgReadInt(HKEY_CURRENT_USER, LIBRARY_ROOT_KEY, "Debug", &value, 0);
    g_debugOn = value != 0;
    g_firstLineDone = false;
}

void DebugLog(const char *format, ...)
{
    if (!g_debugOn)
        return;
    char line[kDebugLineSize];
    va_list arguments;
    va_start(arguments, format);
    // A line too long for the buffer is cut at its end.
    FormatBoundedV(line, sizeof line, format, arguments);
    va_end(arguments);

    // Opened and closed for every line, so that a line is on disk as soon as
    // the call returns, even if the host dies right after it.
    FILE *file = fopen(DEBUG_LOG_FILE, g_firstLineDone ? "a+" : "w");
    g_firstLineDone = true;
    if (!file)
        return;
    // "%s\n" without printf: the line, then a line feed (CR LF on disk, as
    // the file is opened in text mode).
    fputs(line, file);
    fputs("\n", file);
    fclose(file);
}
