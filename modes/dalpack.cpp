#include "dalpack.h"

#include <string.h>

namespace {

// The rows' lists live in writable storage only because ModeEntry owns a
// writable buffer; nothing ever writes to these.
char kList704x480[] = "60";
char kList720x400[] = "70,75,85,160,200";
char kList720x480[] = "59.94,60,72,75,85,90,100";
char kList720x576[] = "59.94,60,75,100";
char kList848x480[] = "60,75,88";
char kList856x480[] = "60";
char kList864x480[] = "60,75";
char kList960x720[] = "60";
char kList1024x600[] = "60";
char kList1072x600[] = "60";
char kList1280x720[] = "59.94,60,75,85";
char kList1280x960[] = "60,70,72,75,85,100,120,160,200";
char kList1360x768[] = "62";
char kList1400x1050[] = "60";
char kList1536x864[] = "60,85,100,120,160";
char kList1600x900[] = "60,75,85,100,120,160";
char kList1600x1000[] = "60,75,85,100,120,160";
char kList1600x1024[] = "76";
char kList1600x1280[] = "86.52";
char kList1856x1392[] = "60,72,75,90,100";
char kList2048x1152[] = "60,75,85,100";
char kList2048x1280[] = "60,70,75,85,90,100";

#define ROW(width, height) {width, height, 0, 0, 0, kList##width##x##height, 0, 0, 0, 0, 0}

}  // namespace

const ModeEntry kPredefinedModes[kPredefinedModeCount] = {
    ROW(704, 480),   ROW(720, 400),   ROW(720, 480),   ROW(720, 576),   ROW(848, 480),
    ROW(856, 480),   ROW(864, 480),   ROW(960, 720),   ROW(1024, 600),  ROW(1072, 600),
    ROW(1280, 720),  ROW(1280, 960),  ROW(1360, 768),  ROW(1400, 1050), ROW(1536, 864),
    ROW(1600, 900),  ROW(1600, 1000), ROW(1600, 1024), ROW(1600, 1280), ROW(1856, 1392),
    ROW(2048, 1152), ROW(2048, 1280),
};

const char kDefaultRefreshList[] = "60,70,72,75,85,100,120,160,200";

int FindPredefinedMode(int width, int height)
{
    for (int row = 0; row < kPredefinedModeCount; ++row) {
        if (kPredefinedModes[row].width == width && kPredefinedModes[row].height == height)
            return row;
    }
    return -1;
}

int DecodeDalField(const unsigned char *bytes)
{
    return 1000 * (bytes[0] >> 4) + 100 * (bytes[0] & 0x0F) + 10 * (bytes[1] >> 4) +
           (bytes[1] & 0x0F);
}

void DecodeDalEntry(const unsigned char *bytes, DalEntry *entry)
{
    memcpy(entry->bytes, bytes, kDalEntrySize);
    entry->width = DecodeDalField(bytes);
    entry->height = DecodeDalField(bytes + 2);
    entry->depth = DecodeDalField(bytes + 4);
    entry->refresh = DecodeDalField(bytes + 6);
}

void DecodeDalEntryAt(const unsigned char *data, size_t size, size_t offset, DalEntry *entry)
{
    unsigned char bytes[kDalEntrySize] = {0};
    size_t available = offset < size ? size - offset : 0;
    if (available > (size_t)kDalEntrySize)
        available = kDalEntrySize;
    memcpy(bytes, data + offset, available);
    DecodeDalEntry(bytes, entry);
}

bool DalListEntry(const unsigned char *data, size_t size, size_t index, DalEntry *entry)
{
    // The stored list has no count: it ends at the end of the value or at an
    // entry whose first byte is 0, whichever comes first. The value's reader
    // keeps 8 zero bytes behind the data for the same reason; this walk does
    // not rely on them.
    for (size_t i = 0; i <= index; ++i) {
        size_t offset = i * kDalEntrySize;
        if (offset >= size || data[offset] == 0)
            return false;
    }
    DecodeDalEntryAt(data, size, index * kDalEntrySize, entry);
    return true;
}

size_t CountDalEntries(const unsigned char *data, size_t size)
{
    size_t count = 0;
    while (count * kDalEntrySize < size && data[count * kDalEntrySize] != 0)
        ++count;
    return count;
}

bool EncodeDalEntry(int width, int height, int depth, unsigned char *out)
{
    const int fields[] = {width, height, depth, 0};
    for (int field : fields) {
        if (field < 0 || field > kDalFieldMax)
            return false;
    }
    // The fields as "%0.4d%0.4d%0.4d%0.4d" writes them, 16 decimal digits,
    // then each pair of digits as one byte.
    char digits[16];
    for (int f = 0; f < 4; ++f) {
        int value = fields[f];
        for (int d = 3; d >= 0; --d, value /= 10)
            digits[4 * f + d] = (char)('0' + value % 10);
    }
    for (int i = 0; i < kDalEntrySize; ++i)
        out[i] = (unsigned char)(16 * (digits[2 * i] - '0') + (digits[2 * i + 1] - '0'));
    return true;
}

bool FormatDalValueName(char *out, size_t size, const char *baseName, int number)
{
    return number ? FormatPath(out, size, "%s%d", baseName, number)
                  : FormatPath(out, size, "%s", baseName);
}

bool FormatModeName(char *out, size_t size, int width, int height)
{
    return FormatPath(out, size, "%d,%d", width, height);
}

bool FormatDepthKeyPath(char *out, size_t size, const char *modesKey, int depth)
{
    return FormatPath(out, size, "%s\\%d", modesKey, depth);
}

bool FormatModeKeyPath(char *out, size_t size, const char *modesKey, int depth, int width,
                       int height)
{
    return FormatPath(out, size, "%s\\%d\\%d,%d", modesKey, depth, width, height);
}

bool FormatModeKeyPathByName(char *out, size_t size, const char *modesKey, int depth,
                             const char *modeName)
{
    return FormatPath(out, size, "%s\\%d\\%s", modesKey, depth, modeName);
}
