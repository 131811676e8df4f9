#include "pagetext.h"

#include "settingtext.h"
#include "../cfg/digits.h"
#include "textwriter.h"

namespace {

// Three decimals are as far as the fixed-point writer of the setting text
// is exact for every clock; a caption never needs more.
const int kMostDecimals = 3;
// Wider fields than any page text can hold are no translation but a mistake.
const int kWidestField = 260;


struct Conversion {
    bool left, plus, space, alternate, zero;
    int width;
    int precision;  // -1: none given
    char type;
};

// Reads digits as a field size; false when they run past any sensible size.
bool ReadCount(const char *&p, int *count)
{
    int value = 0;
    for (; IsDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > kWidestField)
            return false;
    }
    *count = value;
    return true;
}

// Parses what follows a '%'; false for anything but the conversions that
// FormatPageText accepts.
bool ReadConversion(const char *&p, Conversion *c)
{
    *c = Conversion{false, false, false, false, false, 0, -1, 0};
    for (;; ++p) {
        if (*p == '-')
            c->left = true;
        else if (*p == '+')
            c->plus = true;
        else if (*p == ' ')
            c->space = true;
        else if (*p == '#')
            c->alternate = true;
        else if (*p == '0')
            c->zero = true;
        else
            break;
    }
    if (!ReadCount(p, &c->width))
        return false;
    if (*p == '.') {
        ++p;
        if (!ReadCount(p, &c->precision))
            return false;
    }
    bool longFloat = false;
    if (*p == 'l') {
        longFloat = true;
        ++p;
    }
    c->type = *p;
    if (c->type == 'f' || (c->type == 's' && !longFloat)) {
        ++p;
        return true;
    }
    return false;
}

void PutField(TextWriter &output, const Conversion &c, const char *sign, const char *body,
              size_t bodyLength, bool zeroPad)
{
    size_t signLength = 0;
    while (sign[signLength])
        ++signLength;
    int padding = c.width - (int)(signLength + bodyLength);
    if (padding < 0)
        padding = 0;
    if (!c.left && !zeroPad)
        output.Pad(' ', padding);
    output.Put(sign, signLength);
    if (!c.left && zeroPad)
        output.Pad('0', padding);
    output.Put(body, bodyLength);
    if (c.left)
        output.Pad(' ', padding);
}

void PutNumber(TextWriter &output, const Conversion &c, double value)
{
    int decimals = c.precision < 0 ? 6 : c.precision;
    if (decimals > kMostDecimals)
        decimals = kMostDecimals;
    char text[80];
    size_t length = FormatFixed(value, decimals, text, sizeof text - 1);
    const char *body = text;
    const char *sign = c.plus ? "+" : c.space ? " " : "";
    if (text[0] == '-') {
        sign = "-";
        ++body;
        --length;
    }
    bool finite = IsDigit(body[0]);
    if (finite && c.alternate && decimals == 0)
        text[(body - text) + length++] = '.';
    PutField(output, c, sign, body, length, finite && c.zero);
}

void PutText(TextWriter &output, const Conversion &c, const char *text)
{
    if (!text)
        text = "";
    size_t length = 0;
    while (text[length] && (c.precision < 0 || length < (size_t)c.precision))
        ++length;
    PutField(output, c, "", text, length, false);
}

}  // namespace

bool FormatPageText(const char *format, const PageTextArgument *arguments, int count, char *out,
                    size_t size)
{
    TextWriter output = {out, size, 0};
    int next = 0;
    bool usable = true;
    for (const char *p = format; *p && usable;) {
        if (*p != '%') {
            output.Put(*p++);
            continue;
        }
        ++p;
        if (*p == '%') {
            output.Put(*p++);
            continue;
        }
        Conversion c;
        if (!ReadConversion(p, &c) || next == count) {
            usable = false;
            break;
        }
        const PageTextArgument &argument = arguments[next++];
        if (argument.isText != (c.type == 's'))
            usable = false;
        else if (argument.isText)
            PutText(output, c, argument.text);
        else
            PutNumber(output, c, argument.number);
    }
    if (!usable)
        output.length = 0;
    output.Finish();
    return usable;
}

void ExpandLineBreaks(char *text)
{
    for (char *p = text; p[0] && p[1]; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            p[0] = ' ';
            p[1] = '\n';
            ++p;
        }
    }
}
