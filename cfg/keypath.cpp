#include "keypath.h"

#include <stdio.h>

bool FormatBoundedV(char *out, size_t size, const char *format, va_list arguments)
{
    if (size == 0)
        return false;
#if defined(_WIN32)
    // The system's C library (msvcrt.dll, on every Windows the product
    // supports) rather than MinGW's own printf, which would bring the
    // wide-character and locale machinery into the library. It answers -1
    // when the text is longer than size, and leaves no terminator when the
    // text is exactly size long.
    int length = _vsnprintf(out, size, format, arguments);
#else
    int length = vsnprintf(out, size, format, arguments);
#endif
    if (length < 0 || (size_t)length >= size) {
        out[size - 1] = '\0';
        return false;
    }
    out[length] = '\0';
    return true;
}

bool FormatPath(char *out, size_t size, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatBoundedV(out, size, format, arguments);
    va_end(arguments);
    if (!fits && size)
        out[0] = '\0';
    return fits;
}
