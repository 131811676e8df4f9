// The ATI driver's packed-decimal mode lists, the predefined extra modes and
// the names and key paths the modes page stores them under. Kept free of
// <windows.h> so that it also builds natively for property and fuzz tests;
// dalcodec.h puts it to work against the registry.
#pragma once
#include <stddef.h>

#include "../cfg/keypath.h"

// One listed display mode (the modes page's list item data).
struct ModeEntry {
    int width;            // pixels
    int height;           // pixels
    int depth;            // bits per pixel; 0 means any
    int refresh;          // Hz; 0 means the driver's default
    int previousRefresh;  // Hz, before the last change
    char *refreshList;    // comma- or blank-separated rates; owned by the entry
                          // (kRefreshListSize bytes) except in the predefined table
    unsigned char enabled;
    unsigned char extra;
    unsigned char changed;
    // Since the last Apply: switched on or off by its icon, and a rate
    // picked from the menu since the rate was last put into effect
    // (previousRefresh then holds the rate to go back to, however often the
    // user picked, with or without mode keys to store it in).
    unsigned char switched;
    unsigned char picked;
};

enum {
    kDalEntrySize = 8,
    kDalFieldMax = 9999,
    kPredefinedModeCount = 22,
    kRefreshListSize = 260,
    kDalMaxListNumber = 9,
};

// One 8-byte entry of a DAL list, as stored and as decoded. A field decoded
// from nibbles above 9 can reach 16665.
struct DalEntry {
    unsigned char bytes[kDalEntrySize];
    int width;
    int height;
    int depth;
    int refresh;
};

#define DAL_NON_STANDARD_MODES "DALNonStandardModesBCD"
#define DAL_RESTRICTED_MODES "DALRestrictedModesBCD"

// Rows of the driver's predefined extra modes: only width, height and
// refreshList are set. The refresh lists belong to the table; a page entry
// copies the text into a buffer of its own.
extern const ModeEntry kPredefinedModes[kPredefinedModeCount];
// The list a mode the driver already offers gets when its 8-bpp mode key
// holds no usable list.
extern const char kDefaultRefreshList[];

// The row with this width and height, or -1.
int FindPredefinedMode(int width, int height);

// Field value of two packed-decimal bytes; nibbles above 9 count with their
// own value.
int DecodeDalField(const unsigned char *bytes);
void DecodeDalEntry(const unsigned char *bytes, DalEntry *entry);

// Walks a DAL list value of size bytes from its start: entry index is copied
// out (bytes the value lacks read as 0) and true returned, or false when the
// walk has ended before it: at the first entry that starts with a 0 byte or
// lies wholly past the data. Never reads at or past data + size.
bool DalListEntry(const unsigned char *data, size_t size, size_t index, DalEntry *entry);
// Decodes the entry at offset (bytes the value lacks read as 0), for a
// single pass over a list whose length CountDalEntries gave.
void DecodeDalEntryAt(const unsigned char *data, size_t size, size_t offset, DalEntry *entry);
// The number of entries the walk yields.
size_t CountDalEntries(const unsigned char *data, size_t size);

// Packs width, height, depth and a refresh of 0 as "%0.4d%0.4d%0.4d%0.4d"
// read in digit pairs. Every field must lie in 0 to 9999: for any other
// value false is returned and out is left as it was, because its digits
// would shift every field after it.
bool EncodeDalEntry(int width, int height, int depth, unsigned char *out);

// Names and paths. Each returns false, leaving out empty, when the text
// does not fit in size bytes: a cut-off key path could name another key.
// "%s%d" for a list number 1 to 9, "%s" for 0.
bool FormatDalValueName(char *out, size_t size, const char *baseName, int number);
// "%d,%d": 1280,720.
bool FormatModeName(char *out, size_t size, int width, int height);
// "%s\%d": the modes key and the depth.
bool FormatDepthKeyPath(char *out, size_t size, const char *modesKey, int depth);
// "%s\%d\%d,%d": the modes key, the depth and the mode's name.
bool FormatModeKeyPath(char *out, size_t size, const char *modesKey, int depth, int width,
                       int height);
// "%s\%d\%s": the same from the mode's name.
bool FormatModeKeyPathByName(char *out, size_t size, const char *modesKey, int depth,
                             const char *modeName);
