// Decimal digits as the registry's numbers and the pages' texts write them:
// ASCII only, whatever the C library's locale says.
#pragma once

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
