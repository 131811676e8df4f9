// The clock page's texts: captions and the values box, formatted from
// printf-style formats of which some come from the registry. Kept free of
// <windows.h> so that it also builds natively for property tests.
#pragma once
#include <stddef.h>

// One argument of a page text: a number for "%f" or a text for "%s".
struct PageTextArgument {
    bool isText;
    double number;
    const char *text;
};

inline PageTextArgument NumberArgument(double number)
{
    return {false, number, NULL};
}

inline PageTextArgument TextArgument(const char *text)
{
    return {true, 0, text};
}

// Formats like printf, but only "%%", "%f" (also "%lf") and "%s" with
// flags, width and precision written as digits; each conversion takes the
// next argument, which must be of its kind. A format that asks for anything
// else, or for more arguments than given, is refused: out is left empty and
// the result is false. Numbers use the period and show at most three
// decimals. out is always terminated within size.
bool FormatPageText(const char *format, const PageTextArgument *arguments, int count, char *out,
                    size_t size);

// A registry text cannot hold a line break, so its translators write a
// backslash and an n; each such pair becomes a blank and a line break.
void ExpandLineBreaks(char *text);
