#include "readback.h"

#include "pagetext.h"

bool DescribeClockWrite(const ClockWrite &write, char *text, size_t size)
{
    PageTextArgument clocks[] = {NumberArgument(write.core), NumberArgument(write.memory),
                                 NumberArgument(g_currentSetting.core),
                                 NumberArgument(g_currentSetting.memory)};
    if (write.result == kClocksDiffer)
        return FormatPageText("The card did not take the clocks: asked for core %3.1f MHz and "
                              "memory %3.1f MHz, it runs at core %3.1f MHz and memory %3.1f MHz.",
                              clocks, 4, text, size);
    if (write.result == kClocksUnread)
        return FormatPageText("The card's clocks could not be read back after core %3.1f MHz and "
                              "memory %3.1f MHz were written to it.",
                              clocks, 2, text, size);
    return false;
}
