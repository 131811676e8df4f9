// Bounded formatting of registry key paths, names and log lines, for
// Serrafin's key code and the remover. Kept free of <windows.h>: the DAL
// packing that uses it is also built and tested without it.
#pragma once
#include <stdarg.h>
#include <stddef.h>

// printf into out, never past size bytes and always terminated (size > 0).
// Returns whether the whole text fitted; when it did not, out holds as much
// of it as fits.
bool FormatBoundedV(char *out, size_t size, const char *format, va_list arguments);

// printf into out. Returns false, leaving out empty, when the text does not
// fit in size bytes: a key path cut short could name a different key that
// exists, so a cut path is never handed on.
bool FormatPath(char *out, size_t size, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
