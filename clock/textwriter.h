// Appending text to a fixed buffer: what does not fit is dropped, and the
// text always ends within the buffer. Free of <windows.h>, like its users.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct TextWriter {
    char *out;
    size_t size;
    size_t length;

    void Put(char c)
    {
        if (length + 1 < size)
            out[length++] = c;
    }
    void Put(const char *text)
    {
        while (*text)
            Put(*text++);
    }
    void Put(const char *text, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            Put(text[i]);
    }
    void Pad(char c, int count)
    {
        for (int i = 0; i < count; ++i)
            Put(c);
    }
    void PutInteger(int32_t value)
    {
        uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
        if (value < 0)
            Put('-');
        char digits[12];
        int count = 0;
        do {
            digits[count++] = (char)('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        while (count)
            Put(digits[--count]);
    }
    size_t Finish()
    {
        if (size)
            out[length < size ? length : size - 1] = '\0';
        return length;
    }
};
