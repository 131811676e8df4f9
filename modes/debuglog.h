// Serrafin's debug log: a trace of how the driver's keys were found and what
// was read and written, in "c:\serrafinlog.txt", while the "Debug" value
// under the library's root key is non-zero.
#pragma once

// The library-load step of the log: reads the switch (once per load; a later
// change of "Debug" takes effect at the next load) and makes the next line
// start the file afresh.
void LoadDebugSwitch();

// Writes one line, formatted printf-style, when the switch is on. Text read
// from the registry is always passed as an argument of "%s", never as the
// format. A line longer than the line buffer is cut at the buffer's end.
void DebugLog(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Where the lines go, and how long a line may grow before it is cut: enough
// for the longest line the library writes (an "AddEntry" line carrying a
// refresh list of 259 characters runs to about 340).
#define DEBUG_LOG_FILE "c:\\serrafinlog.txt"
enum { kDebugLineSize = 1024 };
