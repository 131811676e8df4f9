// The DAL list packing, the predefined table and the bounded path formatting,
// built with the host compiler under the sanitizers: exhaustive round trips
// of every field value, printf's own "%0.4d" as the reference for the digits,
// and random values for the walk, which must never read past its data.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "dalpack.h"

namespace {

std::vector<unsigned char> Encode(int width, int height, int depth)
{
    std::vector<unsigned char> bytes(8, 0xBD);
    EXPECT_TRUE(EncodeDalEntry(width, height, depth, bytes.data()))
        << width << " x " << height << " x " << depth;
    return bytes;
}

// The value as the registry reader hands it over: exactly the data and 8
// bytes behind it, in a block of its own so that the sanitizer sees any read
// beyond. The 8 bytes are not zero here, so a walk that relied on them to
// stop would be caught as well.
struct Block {
    explicit Block(const std::vector<unsigned char> &data, unsigned char slack = 0xEE)
        : size(data.size()), bytes(new unsigned char[data.size() + 8])
    {
        if (!data.empty())
            memcpy(bytes, data.data(), data.size());
        memset(bytes + data.size(), slack, 8);
    }
    ~Block() { delete[] bytes; }
    size_t size;
    unsigned char *bytes;
};

std::vector<DalEntry> Walk(const std::vector<unsigned char> &data)
{
    Block block(data);
    std::vector<DalEntry> entries;
    DalEntry entry;
    for (size_t i = 0; DalListEntry(block.bytes, block.size, i, &entry); ++i)
        entries.push_back(entry);
    EXPECT_EQ(CountDalEntries(block.bytes, block.size), entries.size());
    return entries;
}

TEST(DalPack, EncodesAndDecodesThePackedDecimalDigits)
{
    EXPECT_EQ(Encode(1280, 720, 0),
              (std::vector<unsigned char>{0x12, 0x80, 0x07, 0x20, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode(848, 480, 0),
              (std::vector<unsigned char>{0x08, 0x48, 0x04, 0x80, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode(9999, 1, 32),
              (std::vector<unsigned char>{0x99, 0x99, 0x00, 0x01, 0x00, 0x32, 0x00, 0x00}));

    const unsigned char stored[] = {0x16, 0x00, 0x12, 0x00, 0x00, 0x32, 0x00, 0x75};
    DalEntry entry;
    DecodeDalEntry(stored, &entry);
    EXPECT_EQ(entry.width, 1600);
    EXPECT_EQ(entry.height, 1200);
    EXPECT_EQ(entry.depth, 32);
    EXPECT_EQ(entry.refresh, 75);
    EXPECT_EQ(memcmp(entry.bytes, stored, 8), 0);

    // Nibbles above 9 are not rejected: they count with their own value.
    const unsigned char wild[] = {0xFF, 0xFF, 0x0A, 0x0B};
    EXPECT_EQ(DecodeDalField(wild), 16665);
    EXPECT_EQ(DecodeDalField(wild + 2), 1000 * 0 + 100 * 10 + 10 * 0 + 11);
}

TEST(DalPack, RoundTripsEveryFieldValueAndMatchesPrintf)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> any(0, 9999);
    for (int value = 0; value <= 9999; ++value) {
        const int others[2] = {any(random), any(random)};
        const int cases[3][3] = {{value, others[0], others[1]},
                                 {others[0], value, others[1]},
                                 {others[0], others[1], value}};
        for (const auto &c : cases) {
            unsigned char bytes[8];
            ASSERT_TRUE(EncodeDalEntry(c[0], c[1], c[2], bytes));

            // The stored digits are those printf writes for the format the
            // driver's list is made with (whose 0 flag the compiler calls
            // redundant next to the precision).
            char text[32];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
            snprintf(text, sizeof text, "%0.4d%0.4d%0.4d%0.4d", c[0], c[1], c[2], 0);
#pragma GCC diagnostic pop
            ASSERT_EQ(strlen(text), 16u);
            for (int i = 0; i < 8; ++i)
                ASSERT_EQ(bytes[i], 16 * (text[2 * i] - '0') + (text[2 * i + 1] - '0')) << text;

            DalEntry entry;
            DecodeDalEntry(bytes, &entry);
            ASSERT_EQ(entry.width, c[0]);
            ASSERT_EQ(entry.height, c[1]);
            ASSERT_EQ(entry.depth, c[2]);
            ASSERT_EQ(entry.refresh, 0);
        }
    }
}

TEST(DalPack, RefusesFieldsThatWouldShiftTheDigitsAfterThem)
{
    // 16665 is what a depth decoded from nibbles above 9 can reach.
    const int bad[] = {-1, 10000, 16665, 99999, -2147483647 - 1, 2147483647};
    for (int value : bad) {
        unsigned char bytes[8];
        memset(bytes, 0xBD, sizeof bytes);
        EXPECT_FALSE(EncodeDalEntry(value, 480, 0, bytes)) << value;
        EXPECT_FALSE(EncodeDalEntry(640, value, 0, bytes)) << value;
        EXPECT_FALSE(EncodeDalEntry(640, 480, value, bytes)) << value;
        for (unsigned char b : bytes)
            EXPECT_EQ(b, 0xBD) << "nothing is written for " << value;
    }
}

TEST(DalPack, WalkEndsAtTheDataOrAnEntryStartingWithZero)
{
    EXPECT_TRUE(Walk({}).empty());

    std::vector<unsigned char> three = {0x12, 0x80, 0x07, 0x20, 0x00, 0x00, 0x00, 0x00,
                                        0x16, 0x00, 0x12, 0x00, 0x00, 0x32, 0x00, 0x75,
                                        0x00, 0x99, 0x04, 0x80, 0x00, 0x00, 0x00, 0x00,
                                        0x08, 0x48, 0x04, 0x80, 0x00, 0x00, 0x00, 0x00};
    std::vector<DalEntry> entries = Walk(three);
    ASSERT_EQ(entries.size(), 2u) << "the third entry begins with 0x00";
    EXPECT_EQ(entries[0].width, 1280);
    EXPECT_EQ(entries[1].refresh, 75);

    // A width below 100 puts a 0 byte first and so ends the list.
    std::vector<unsigned char> narrow = {0x00, 0x99, 0x04, 0x80, 0, 0, 0, 0};
    EXPECT_TRUE(Walk(narrow).empty());

    // A length that is not a multiple of 8: the last entry's missing bytes
    // read as 0 and the walk ends after it.
    std::vector<unsigned char> ragged = {0x12, 0x80, 0x07, 0x20, 0x00, 0x00, 0x00, 0x00,
                                         0x10, 0x24, 0x07};
    entries = Walk(ragged);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].width, 1024);
    EXPECT_EQ(entries[1].height, 700);
    EXPECT_EQ(entries[1].depth, 0);
    const unsigned char padded[8] = {0x10, 0x24, 0x07, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(entries[1].bytes, padded, 8), 0);
}

TEST(DalPack, RandomValuesNeverLeadTheWalkPastTheirData)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 200);
    for (int round = 0; round < 200000; ++round) {
        std::vector<unsigned char> data(length(random));
        // Mostly non-zero first bytes, so that long walks happen.
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = (unsigned char)(i % 8 == 0 && round % 4 ? 1 + byte(random) % 255 : byte(random));
        Block block(data, (unsigned char)byte(random));
        size_t count = CountDalEntries(block.bytes, block.size);
        ASSERT_LE(count, (data.size() + 7) / 8);
        DalEntry entry;
        for (size_t i = 0; i < count; ++i) {
            ASSERT_TRUE(DalListEntry(block.bytes, block.size, i, &entry));
            ASSERT_NE(entry.bytes[0], 0);
            for (int b = 0; b < 8; ++b)
                ASSERT_EQ(entry.bytes[b], i * 8 + b < data.size() ? data[i * 8 + b] : 0);
            ASSERT_LE(entry.width, 16665);
            ASSERT_EQ(entry.width, DecodeDalField(entry.bytes));
        }
        ASSERT_FALSE(DalListEntry(block.bytes, block.size, count, &entry));
        ASSERT_FALSE(DalListEntry(block.bytes, block.size, count + 5, &entry));
        // The reference: the driver list's own walk over the data and 8 zero
        // bytes, which stops at the first entry whose first byte is 0.
        std::vector<unsigned char> padded = data;
        padded.resize(data.size() + 8, 0);
        size_t expected = 0;
        while (padded[expected * 8] != 0)
            ++expected;
        ASSERT_EQ(count, expected);
    }
}

TEST(DalPack, PredefinedTableAndLookup)
{
    // The driver and the refresh menu rely on every row as the driver has it.
    static const struct {
        int width, height;
        const char *refreshList;
    } kExpected[kPredefinedModeCount] = {
        {704, 480, "60"},
        {720, 400, "70,75,85,160,200"},
        {720, 480, "59.94,60,72,75,85,90,100"},
        {720, 576, "59.94,60,75,100"},
        {848, 480, "60,75,88"},
        {856, 480, "60"},
        {864, 480, "60,75"},
        {960, 720, "60"},
        {1024, 600, "60"},
        {1072, 600, "60"},
        {1280, 720, "59.94,60,75,85"},
        {1280, 960, "60,70,72,75,85,100,120,160,200"},
        {1360, 768, "62"},
        {1400, 1050, "60"},
        {1536, 864, "60,85,100,120,160"},
        {1600, 900, "60,75,85,100,120,160"},
        {1600, 1000, "60,75,85,100,120,160"},
        {1600, 1024, "76"},
        {1600, 1280, "86.52"},
        {1856, 1392, "60,72,75,90,100"},
        {2048, 1152, "60,75,85,100"},
        {2048, 1280, "60,70,75,85,90,100"},
    };
    for (int row = 0; row < kPredefinedModeCount; ++row) {
        EXPECT_EQ(kPredefinedModes[row].width, kExpected[row].width) << row;
        EXPECT_EQ(kPredefinedModes[row].height, kExpected[row].height) << row;
        EXPECT_STREQ(kPredefinedModes[row].refreshList, kExpected[row].refreshList) << row;
    }
    EXPECT_EQ(FindPredefinedMode(704, 480), 0);
    EXPECT_EQ(FindPredefinedMode(800, 600), -1);
    EXPECT_EQ(FindPredefinedMode(480, 704), -1);
    EXPECT_EQ(FindPredefinedMode(2048, 1280), 21);
    EXPECT_EQ(FindPredefinedMode(1280, 960), 11);
    EXPECT_STREQ(kPredefinedModes[11].refreshList, kDefaultRefreshList);
    EXPECT_STREQ(kDefaultRefreshList, "60,70,72,75,85,100,120,160,200");
    EXPECT_STREQ(kPredefinedModes[18].refreshList, "86.52");
    EXPECT_STREQ(kPredefinedModes[2].refreshList, "59.94,60,72,75,85,90,100");

    for (int row = 0; row < kPredefinedModeCount; ++row) {
        const ModeEntry &mode = kPredefinedModes[row];
        EXPECT_EQ(mode.depth, 0);
        EXPECT_EQ(mode.refresh, 0);
        EXPECT_EQ(mode.previousRefresh, 0);
        EXPECT_FALSE(mode.enabled || mode.extra || mode.changed) << row;
        ASSERT_NE(mode.refreshList, nullptr);
        EXPECT_LT(strlen(mode.refreshList), (size_t)kRefreshListSize);
        // Each resolution once, so that every row can be found.
        EXPECT_EQ(FindPredefinedMode(mode.width, mode.height), row);
    }
}

TEST(DalPack, NamesAndPathsAreWholeOrNothing)
{
    char name[32];
    ASSERT_TRUE(FormatDalValueName(name, sizeof name, DAL_NON_STANDARD_MODES, 1));
    EXPECT_STREQ(name, "DALNonStandardModesBCD1");
    ASSERT_TRUE(FormatDalValueName(name, sizeof name, DAL_RESTRICTED_MODES, 0));
    EXPECT_STREQ(name, "DALRestrictedModesBCD");
    ASSERT_TRUE(FormatDalValueName(name, sizeof name, DAL_RESTRICTED_MODES, 9));
    EXPECT_STREQ(name, "DALRestrictedModesBCD9");

    char path[260];
    ASSERT_TRUE(FormatModeName(path, sizeof path, 1280, 720));
    EXPECT_STREQ(path, "1280,720");
    ASSERT_TRUE(FormatModeKeyPath(path, sizeof path, "Modes", 16, 1280, 720));
    EXPECT_STREQ(path, "Modes\\16\\1280,720");
    ASSERT_TRUE(FormatModeKeyPathByName(path, sizeof path, "Modes", 8, "848,480"));
    EXPECT_STREQ(path, "Modes\\8\\848,480");
    ASSERT_TRUE(FormatDepthKeyPath(path, sizeof path, "Modes", 32));
    EXPECT_STREQ(path, "Modes\\32");

    // Exactly 259 characters fit a 260-byte buffer; one more is refused
    // rather than cut into the name of another key ("...\8\1280,72").
    std::string modesKey(259 - strlen("\\8\\1280,720"), 'k');
    ASSERT_TRUE(FormatModeKeyPath(path, sizeof path, modesKey.c_str(), 8, 1280, 720));
    EXPECT_EQ(strlen(path), 259u);
    modesKey += 'k';
    memset(path, 'x', sizeof path);
    EXPECT_FALSE(FormatModeKeyPath(path, sizeof path, modesKey.c_str(), 8, 1280, 720));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(FormatModeKeyPathByName(path, sizeof path, modesKey.c_str(), 8, "1280,720"));
    EXPECT_FALSE(FormatPath(path, 4, "%s", "abcd"));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(FormatPath(path, 5, "%s", "abcd"));
    EXPECT_FALSE(FormatPath(path, 0, "%s", ""));

    // FormatBoundedV keeps what fits, terminated.
    char line[8];
    memset(line, 'x', sizeof line);
    auto bounded = [&](const char *format, ...) {
        va_list arguments;
        va_start(arguments, format);
        bool fits = FormatBoundedV(line, sizeof line, format, arguments);
        va_end(arguments);
        return fits;
    };
    EXPECT_FALSE(bounded("%s", "100%s and more"));
    EXPECT_STREQ(line, "100%s a");
    EXPECT_TRUE(bounded("%d,%d", 12, 345));
    EXPECT_STREQ(line, "12,345");
}

}  // namespace
