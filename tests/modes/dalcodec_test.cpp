// The DAL lists in a driver key of the private prefix's real registry: the
// list number search, reading, the restricted-list removal and writing the
// non-standard list from the page's entries.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "cfg.h"
#include "dalcodec.h"
#include "modesfixture.h"

using namespace testing_support;

namespace {

const char kDalKey[] = "Software\\VantrelTests\\DAL";
typedef std::vector<unsigned char> Bytes;

Bytes Entry(int w1, int w2, int h1, int h2, int d1, int d2, int r1, int r2)
{
    return Bytes{(unsigned char)w1, (unsigned char)w2, (unsigned char)h1, (unsigned char)h2,
                 (unsigned char)d1, (unsigned char)d2, (unsigned char)r1, (unsigned char)r2};
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes k1280x720x16 = Entry(0x12, 0x80, 0x07, 0x20, 0x00, 0x16, 0x00, 0x60);
const Bytes k1280x720x32 = Entry(0x12, 0x80, 0x07, 0x20, 0x00, 0x32, 0x00, 0x00);
const Bytes k1024x600 = Entry(0x10, 0x24, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00);
const Bytes k1600x1200 = Entry(0x16, 0x00, 0x12, 0x00, 0x00, 0x32, 0x00, 0x75);

class DalCodec : public ModesTest {
protected:
    void SetUp() override
    {
        ModesTest::SetUp();
        lstrcpynA(keys_.dalKey, kDalKey, sizeof keys_.dalKey);
        keys_.dalListNumber = 0;
        CreateKey(kMachine, kDalKey);
    }

    static void Store(const char *name, const Bytes &data, DWORD type = REG_BINARY)
    {
        WriteRaw(kMachine, kDalKey, name, type, data.data(), (DWORD)data.size());
    }
    static RegValue Stored(const char *name) { return ReadValue(kMachine, kDalKey, name); }
    static Bytes StoredBytes(const char *name)
    {
        RegValue value = Stored(name);
        EXPECT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, (DWORD)REG_BINARY) << name;
        return Bytes(value.data.begin(), value.data.end());
    }
};

std::vector<std::vector<int>> Fields(const DalList &list)
{
    std::vector<std::vector<int>> fields;
    for (int i = 0; i < list.count; ++i) {
        const DalEntry &e = list.entries[i];
        fields.push_back({e.width, e.height, e.depth, e.refresh});
    }
    return fields;
}

TEST_F(DalCodec, ReadsTheStoredEntriesUpToTheFirstZeroByte)
{
    Store("DALNonStandardModesBCD", Cat({k1600x1200, k1024x600,
                                         Entry(0x00, 0x64, 0x00, 0x48, 0, 0, 0, 0), k1280x720x32}));
    Store("DALNonStandardModesBCD2", Bytes{});
    Store("DALRestrictedModesBCD", Cat({k1024x600, Bytes{0x12, 0x80, 0x07}}));

    DalList list;
    ASSERT_TRUE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 0, &list));
    EXPECT_EQ(Fields(list), (std::vector<std::vector<int>>{{1600, 1200, 32, 75}, {1024, 600, 0, 0}}));
    EXPECT_EQ(memcmp(list.entries[0].bytes, k1600x1200.data(), 8), 0);
    FreeDalList(&list);

    // An empty value is a list, only without entries.
    ASSERT_TRUE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 2, &list));
    EXPECT_TRUE(list.present);
    EXPECT_EQ(list.count, 0);
    FreeDalList(&list);

    // A length that is not a multiple of 8: the missing bytes read as 0.
    ASSERT_TRUE(ReadDalList(keys_, DAL_RESTRICTED_MODES, 0, &list));
    EXPECT_EQ(Fields(list), (std::vector<std::vector<int>>{{1024, 600, 0, 0}, {1280, 700, 0, 0}}));
    FreeDalList(&list);

    EXPECT_FALSE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 1, &list));
    EXPECT_FALSE(list.present);
    EXPECT_EQ(list.entries, nullptr);

    // Without a DAL key nothing is read, not even from the root key itself.
    keys_.dalKey[0] = '\0';
    EXPECT_FALSE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 0, &list));
}

TEST_F(DalCodec, ListNumberIsTheHighestThatExistsAndEachEntryIsTraced)
{
    Store("DALNonStandardModesBCD", k1024x600);
    Store("DALNonStandardModesBCD1", k1280x720x32);
    Store("DALNonStandardModesBCD3", Cat({k1600x1200, k1280x720x16}));

    DalList list;
    ASSERT_TRUE(FindDalListNumber(&keys_, &list));
    EXPECT_EQ(keys_.dalListNumber, 3);
    EXPECT_EQ(Fields(list), (std::vector<std::vector<int>>{{1600, 1200, 32, 75}, {1280, 720, 16, 60}}));
    FreeDalList(&list);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"16 0 12 0 0 32 0 75", "1600, 1200, 32, 75",
                                                    "12 80 7 20 0 16 0 60", "1280, 720, 16, 60"}));

    // The restricted list goes with the same number, whatever others exist.
    Store("DALRestrictedModesBCD", k1280x720x32);
    Store("DALRestrictedModesBCD3", Cat({k1280x720x32, k1024x600}));
    RemoveRestrictedResolution(keys_, 1280, 720);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD3"), k1024x600);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD"), k1280x720x32);

    // Down to the name without a number.
    DeleteKeyTree(kMachine, kDalKey);
    Store("DALNonStandardModesBCD", Bytes{});
    ASSERT_TRUE(FindDalListNumber(&keys_, &list));
    EXPECT_EQ(keys_.dalListNumber, 0);
    EXPECT_EQ(list.count, 0);
    FreeDalList(&list);

    // None of the ten names: no list, and the number left is 0.
    DeleteKeyTree(kMachine, kDalKey);
    Store("DALNonStandardModesBCD9x", k1024x600);
    Store("DALNonStandardModesBCD10", k1024x600);
    keys_.dalListNumber = 5;
    EXPECT_FALSE(FindDalListNumber(&keys_, &list));
    EXPECT_EQ(keys_.dalListNumber, 0);
    EXPECT_FALSE(list.present);
}

TEST_F(DalCodec, RestrictedListLosesEveryEntryOfTheResolution)
{
    keys_.dalListNumber = 1;
    Store("DALRestrictedModesBCD1", Cat({k1280x720x16, k1024x600, k1280x720x32}));
    Store("DALRestrictedModesBCD", k1280x720x16);
    RemoveRestrictedResolution(keys_, 1280, 720);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD1"), k1024x600);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD"), k1280x720x16) << "another number's list";

    // Width and height must both match.
    Store("DALRestrictedModesBCD1", Cat({k1024x600, k1280x720x32}));
    RemoveRestrictedResolution(keys_, 1024, 720);
    RemoveRestrictedResolution(keys_, 1280, 600);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD1"), Cat({k1024x600, k1280x720x32}));

    // Rewritten even when nothing goes: what lay past the end of the walk is
    // dropped and the value becomes binary.
    Store("DALRestrictedModesBCD1",
          Cat({k1024x600, Entry(0, 0x99, 0, 0, 0, 0, 0, 0), k1280x720x32}), REG_NONE);
    RemoveRestrictedResolution(keys_, 848, 480);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD1"), k1024x600);

    // The last entry gone: a value of length 0 stays.
    RemoveRestrictedResolution(keys_, 1024, 600);
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD1"), Bytes{});

    // No list, nothing written.
    keys_.dalListNumber = 2;
    RemoveRestrictedResolution(keys_, 1024, 600);
    EXPECT_FALSE(Stored("DALRestrictedModesBCD2").found);
}

TEST_F(DalCodec, NonStandardListHoldsTheEnabledExtraModesInPageOrder)
{
    char list[kRefreshListSize] = "60,75";
    // As the page walks its list: by width, height and depth.
    ModeEntry page[] = {
        {640, 480, 16, 60, 60, list, 1, 0, 0},     // a driver mode: never written
        {720, 480, 0, 0, 0, list, 0, 1, 0},        // switched off
        {848, 480, 0, 0, 0, list, 1, 1, 1},
        {1280, 720, 32, 75, 75, list, 1, 1, 0},    // refresh stays in the mode keys
        {1600, 1200, 16665, 0, 0, list, 1, 1, 0},  // cannot be stored
        {2048, 1280, 0, 85, 60, list, 1, 1, 1},
    };
    keys_.dalListNumber = 4;
    Store("DALNonStandardModesBCD4", k1024x600);
    ASSERT_TRUE(WriteNonStandardList(keys_, page, sizeof page / sizeof page[0]));
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD4"),
              Cat({Entry(0x08, 0x48, 0x04, 0x80, 0, 0, 0, 0), Entry(0x12, 0x80, 0x07, 0x20, 0, 0x32, 0, 0),
                   Entry(0x20, 0x48, 0x12, 0x80, 0, 0, 0, 0)}));
    EXPECT_FALSE(Stored("DALNonStandardModesBCD").found);

    // The entry that could not be stored did not shift the ones after it:
    // the list reads back as written.
    DalList read;
    ASSERT_TRUE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 4, &read));
    EXPECT_EQ(Fields(read), (std::vector<std::vector<int>>{{848, 480, 0, 0}, {1280, 720, 32, 0}, {2048, 1280, 0, 0}}));
    FreeDalList(&read);

    // Nothing enabled: a value of length 0, not a missing value.
    for (ModeEntry &entry : page)
        entry.enabled = 0;
    keys_.dalListNumber = 0;
    ASSERT_TRUE(WriteNonStandardList(keys_, page, sizeof page / sizeof page[0]));
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"), Bytes{});
    ASSERT_TRUE(WriteNonStandardList(keys_, NULL, 0));

    // No DAL key: nothing is written anywhere.
    keys_.dalKey[0] = '\0';
    page[2].enabled = 1;
    EXPECT_FALSE(WriteNonStandardList(keys_, page, sizeof page / sizeof page[0]));
    EXPECT_FALSE(ReadValue(kMachine, "", "DALNonStandardModesBCD").found);
}

TEST_F(DalCodec, PredefinedRowsBecomeEntriesOfTheList)
{
    // Every predefined row switched on, in table order (already the page's
    // display order): the list the driver gets back decodes to the table.
    ModeEntry page[kPredefinedModeCount];
    for (int row = 0; row < kPredefinedModeCount; ++row) {
        page[row] = kPredefinedModes[row];
        page[row].enabled = page[row].extra = 1;
    }
    ASSERT_TRUE(WriteNonStandardList(keys_, page, kPredefinedModeCount));
    Bytes stored = StoredBytes("DALNonStandardModesBCD");
    ASSERT_EQ(stored.size(), 8u * kPredefinedModeCount);
    DalList list;
    ASSERT_TRUE(ReadDalList(keys_, DAL_NON_STANDARD_MODES, 0, &list));
    ASSERT_EQ(list.count, kPredefinedModeCount);
    for (int row = 0; row < kPredefinedModeCount; ++row) {
        EXPECT_EQ(FindPredefinedMode(list.entries[row].width, list.entries[row].height), row);
        EXPECT_EQ(list.entries[row].depth, 0);
    }
    FreeDalList(&list);
    EXPECT_EQ(Bytes(stored.begin() + 80, stored.begin() + 88),
              Entry(0x12, 0x80, 0x07, 0x20, 0, 0, 0, 0));
}

}  // namespace
