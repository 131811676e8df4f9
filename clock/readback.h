// What the user is told when the card does not hold the clocks just written
// to it; the page, SetClocks and the start-up entry say it alike.
#pragma once
#include <stddef.h>

#include "engine.h"

// Fills text and answers true when the write went wrong in a way the user
// must hear of: the card runs at other clocks, or could not be read back.
bool DescribeClockWrite(const ClockWrite &write, char *text, size_t size);
