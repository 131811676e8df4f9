#include "settingtext.h"

#include "../cfg/digits.h"
#include "textwriter.h"

#include <float.h>
#include <math.h>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}


char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

void PutFixed(TextWriter &writer, double value, int decimals)
{
    if (isnan(value)) {
        writer.Put("nan");
        return;
    }
    if (signbit(value))
        writer.Put('-');
    value = fabs(value);
    if (isinf(value)) {
        writer.Put("inf");
        return;
    }
    long double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // A double times a power of ten this small is exact in the 64-bit
    // mantissa of long double, so a half is recognised exactly.
    long double scaled = (long double)value * scale;
    if (value < 1e16) {
        uint64_t units = (uint64_t)scaled;
        if (scaled - (long double)units >= 0.5L)
            ++units;
        uint64_t whole = units / (uint64_t)scale;
        uint64_t fraction = units % (uint64_t)scale;
        char digits[24];
        int count = 0;
        do {
            digits[count++] = (char)('0' + whole % 10);
            whole /= 10;
        } while (whole);
        while (count)
            writer.Put(digits[--count]);
        if (decimals > 0) {
            writer.Put('.');
            for (int i = decimals - 1; i >= 0; --i) {
                uint64_t divisor = 1;
                for (int j = 0; j < i; ++j)
                    divisor *= 10;
                writer.Put((char)('0' + (fraction / divisor) % 10));
            }
        }
        return;
    }
    // Beyond 1e16 every double is a whole number: spell it out exactly, as
    // mantissa x 2^exponent in base 10^9 limbs.
    int exponent;
    double mantissa = frexp(value, &exponent);
    uint64_t bits = (uint64_t)ldexp(mantissa, 53);
    exponent -= 53;
    uint32_t limbs[40] = {(uint32_t)(bits % 1000000000u), (uint32_t)(bits / 1000000000u % 1000000000u),
                          (uint32_t)(bits / 1000000000000000000u)};
    int used = 3;
    for (; exponent > 0; --exponent) {
        uint32_t carry = 0;
        for (int i = 0; i < used; ++i) {
            uint64_t doubled = (uint64_t)limbs[i] * 2 + carry;
            limbs[i] = (uint32_t)(doubled % 1000000000u);
            carry = (uint32_t)(doubled / 1000000000u);
        }
        if (carry && used < 40)
            limbs[used++] = carry;
    }
    while (used > 1 && limbs[used - 1] == 0)
        --used;
    char digits[12];
    int count = 0;
    for (uint32_t top = limbs[used - 1]; top; top /= 10)
        digits[count++] = (char)('0' + top % 10);
    while (count)
        writer.Put(digits[--count]);
    for (int i = used - 2; i >= 0; --i)
        for (uint32_t divisor = 100000000; divisor; divisor /= 10)
            writer.Put((char)('0' + limbs[i] / divisor % 10));
    if (decimals > 0) {
        writer.Put('.');
        for (int i = 0; i < decimals; ++i)
            writer.Put('0');
    }
}

// scanf's %f as the Windows C library reads it: leading white space, a
// sign, digits with an optional period and exponent. Text such as "inf" or
// "nan" converts nothing there, so it is no clock here either. Returns false
// when nothing converts.
bool ScanFloat(const char *&cursor, float *result)
{
    const char *p = cursor;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');

    // Up to 19 significant digits are kept exactly; later ones only scale.
    uint64_t mantissa = 0;
    int significant = 0;
    int exponent = 0;
    bool anyDigit = false;
    for (; IsDigit(*p); ++p) {
        anyDigit = true;
        if (significant < 19) {
            if (mantissa || *p != '0') {
                mantissa = mantissa * 10 + (uint64_t)(*p - '0');
                ++significant;
            }
        } else {
            ++exponent;
        }
    }
    if (*p == '.') {
        ++p;
        for (; IsDigit(*p); ++p) {
            anyDigit = true;
            if (significant < 19) {
                if (mantissa || *p != '0')
                    ++significant;
                mantissa = mantissa * 10 + (uint64_t)(*p - '0');
                --exponent;
            }
        }
    }
    if (!anyDigit)
        return false;
    if (Lower(*p) == 'e') {
        const char *e = p + 1;
        bool expNegative = false;
        if (*e == '+' || *e == '-')
            expNegative = (*e++ == '-');
        if (IsDigit(*e)) {
            int value = 0;
            for (; IsDigit(*e); ++e)
                if (value < 100000)
                    value = value * 10 + (*e - '0');
            exponent += expNegative ? -value : value;
            p = e;
        }
    }
    long double number = (long double)mantissa;
    if (mantissa != 0) {
        long double power = 1;
        int steps = exponent < 0 ? -exponent : exponent;
        if (steps > 6000)
            steps = 6000;
        long double base = 10;
        for (int bits = steps; bits; bits >>= 1) {
            if (bits & 1)
                power *= base;
            base *= base;
        }
        number = exponent < 0 ? number / power : number * power;
    }
    double rounded = (double)number;
    *result = (float)(negative ? -rounded : rounded);
    cursor = p;
    return true;
}

// scanf's %d: leading white space, a sign and decimal digits.
bool ScanInteger(const char *&cursor, int32_t *result)
{
    const char *p = cursor;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');
    if (!IsDigit(*p))
        return false;
    uint32_t value = 0;
    for (; IsDigit(*p); ++p)
        value = value * 10 + (uint32_t)(*p - '0');
    *result = (int32_t)(negative ? 0u - value : value);
    cursor = p;
    return true;
}

}  // namespace

size_t FormatFixed(double value, int decimals, char *out, size_t size)
{
    TextWriter writer = {out, size, 0};
    PutFixed(writer, value, decimals);
    return writer.Finish();
}

namespace {

size_t FormatClockFields(const ClockSetting &setting, int decimals, const char *separator,
                         char *out, size_t size)
{
    TextWriter writer = {out, size, 0};
    PutFixed(writer, setting.core, decimals);
    writer.Put(separator);
    PutFixed(writer, setting.memory, decimals);
    const int32_t presets[] = {setting.latency, setting.timing};
    for (int32_t preset : presets) {
        writer.Put(separator);
        writer.PutInteger(preset);
    }
    return writer.Finish();
}

}  // namespace

size_t FormatClockSetting(const ClockSetting &setting, char *out, size_t size)
{
    return FormatClockFields(setting, 2, " ", out, size);
}

size_t FormatClockSummary(const ClockSetting &setting, char *out, size_t size)
{
    return FormatClockFields(setting, 1, ", ", out, size);
}

int ScanClocksCommand(const char *text, ClockSetting *setting, int32_t *confirm)
{
    const char *cursor = text;
    float core, memory;
    int32_t latency, timing, flag;
    if (!ScanFloat(cursor, &core))
        return 0;
    setting->core = core;
    if (!ScanFloat(cursor, &memory))
        return 1;
    setting->memory = memory;
    if (!ScanInteger(cursor, &latency))
        return 2;
    setting->latency = latency;
    if (!ScanInteger(cursor, &timing))
        return 3;
    setting->timing = timing;
    if (!ScanInteger(cursor, &flag))
        return 4;
    *confirm = flag;
    return 5;
}

bool ParseClockSetting(const char *text, ClockSetting *setting)
{
    ClockSetting scanned = *setting;
    int32_t unused = 0;
    if (ScanClocksCommand(text, &scanned, &unused) < 4)
        return false;
    *setting = scanned;
    return true;
}
