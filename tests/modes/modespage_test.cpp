// The modes tab in Display Properties over the driver keys of one Windows
// family (this program runs as win98, win2k or winxp): what it lists from
// the driver's list, the predefined extra modes and Wine's display modes
// (640x480, 800x600 and 1024x768 at 16 and 32 bpp), switching extra modes
// by their icons, and what Apply writes to the driver's lists and the mode
// keys.
#include "modespagefixture.h"

#include "dalpack.h"

using namespace testing_support;

namespace {

const char kDefaultRates[] = "60,70,72,75,85,100,120,160,200";

class ModesList : public ModesPage {};

TEST_F(ModesList, JoinsTheDriverListThePredefinedModesAndTheDisplayModes)
{
    ASSERT_NE(family_, Family::Other) << "run with Wine's Version win98, win2k or winxp";
    SetDriverList({DalEntryOf(1280, 720, 32, 0), DalEntryOf(1152, 864, 32, 0),
                   DalEntryOf(1600, 1024, 16, 76)});
    SetStoredRate(16, 1280, 720, "75");
    // A driver mode's rate comes from its 16-bpp key, else its 32-bpp key.
    SetStoredRate(32, 800, 600, "72");
    SetStoredRate(16, 1024, 768, "85");
    SetStoredRate(32, 1024, 768, "60");
    SetStoredRate(16, 640, 480, "-2147483648");
    OpenModesPage();

    std::vector<std::string> expected = {
        "640 x 480|*|-2147483648 Hz|on",
        "704 x 480|*|*|off",
        "720 x 400|*|*|off",
        "720 x 480|*|*|off",
        "720 x 576|*|*|off",
        "800 x 600|*|72 Hz|on",
        "848 x 480|*|*|off",
        "856 x 480|*|*|off",
        "864 x 480|*|*|off",
        "960 x 720|*|*|off",
        "1024 x 600|*|*|off",
        "1024 x 768|*|85 Hz|on",
        "1072 x 600|*|*|off",
        "1280 x 720|32 bpp|75 Hz|on",
        "1280 x 960|*|*|off",
        "1360 x 768|*|*|off",
        "1400 x 1050|*|*|off",
        "1536 x 864|*|*|off",
        "1600 x 900|*|*|off",
        "1600 x 1000|*|*|off",
        "1600 x 1024|16 bpp|76 Hz|on",
        "1600 x 1280|*|*|off",
        "1856 x 1392|*|*|off",
        "2048 x 1152|*|*|off",
        "2048 x 1280|*|*|off",
    };
    EXPECT_EQ(Rows(), expected) << "1152 x 864 has no predefined row";

    // The columns, rebuilt at every activation, stay three.
    ShowAgain();
    HWND header = ListView_GetHeader(list_);
    ASSERT_EQ(Header_GetItemCount(header), 3);
    std::vector<std::string> headers;
    for (int column = 0; column < 3; ++column) {
        char text[32] = "";
        LVCOLUMNA info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        ListView_GetColumn(list_, column, &info);
        headers.push_back(std::string(text) + " " + std::to_string(info.cx) + " " +
                          std::to_string(info.fmt & LVCFMT_JUSTIFYMASK));
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"Mode 100 0", "Depth 72 2", "Refresh 72 2"}));
    EXPECT_EQ(Rows(), expected);
}

TEST_F(ModesList, OnlyDisplayModesOf16BitsFrom640x400AreListed)
{
    OpenModesPage();
    ReportDisplayModes({{640, 480, 8}, {640, 480, 32}, {600, 400, 16}, {640, 400, 16},
                        {1024, 768, 16}, {1024, 768, 16}, {1280, 1024, 32}});
    ShowAgain();
    std::vector<std::string> modes = Modes();
    EXPECT_FALSE(Listed("640 x 480"));
    EXPECT_FALSE(Listed("600 x 400"));
    EXPECT_FALSE(Listed("1280 x 1024"));
    EXPECT_EQ(Row("640 x 400"), "640 x 400|*|*|on");
    EXPECT_EQ(std::count(modes.begin(), modes.end(), "1024 x 768"), 1);
    EXPECT_EQ(modes.size(), 22u + 2u);
}

TEST_F(ModesList, ADriverModeTakesItsRatesFromIts8BitKey)
{
    SetRateList(800, 600, "56,60,72");
    SetRateList(1024, 768, "75");  // too short to be a list
    OpenModesPage();
    EXPECT_EQ(OpenMenu("800 x 600", -1).Texts(), (std::vector<std::string>{"*", "56", "60", "72"}));
    Menu menu = OpenMenu("1024 x 768", -1);
    EXPECT_EQ(menu.items.size(), 10u);
    EXPECT_EQ(menu.items.back().text, "200");
}

TEST_F(ModesList, TheBuildIsTraced)
{
    SetDriverList({DalEntryOf(1280, 720, 32, 0)});
    SetStoredRate(16, 1280, 720, "75");
    OpenModesPage();

    std::vector<std::string> expected = {"SetButtons(start)", "SetButtons(listview)"};
    for (const std::string &line : DalKeySearchLines())
        expected.push_back(line);
    expected.insert(expected.end(), {"12 80 7 20 0 32 0 0", "1280, 720, 32, 0",
                                     "AddEntry(1280, 720, 32, 75, \"59.94,60,75,85\" [exists])",
                                     "Inserted(0)", "added"});
    for (const ModeEntry &row : kPredefinedModes) {
        char line[128];
        snprintf(line, sizeof line, "AddEntry(%d, %d, 0, 0, \"%s\" [!exists])", row.width,
                 row.height, row.refreshList);
        expected.push_back(line);
        if (row.width == 1280 && row.height == 720) {
            expected.push_back("Entry exists");
        } else {
            expected.push_back("Inserted(0)");
            expected.push_back("added");
        }
    }
    for (const char *mode : {"640, 480", "800, 600", "1024, 768"}) {
        expected.push_back(std::string("AddEntry(") + mode + ", 0, 0, \"" + kDefaultRates +
                           "\" [exists])");
        expected.push_back("Inserted(0)");
        expected.push_back("added");
    }
    expected.push_back("SetButtons(end)");

    std::vector<std::string> lines = LogLines();
    auto start = std::find(lines.begin(), lines.end(), "SetButtons(start)");
    auto end = std::find(start, lines.end(), "SetButtons(end)");
    ASSERT_NE(end, lines.end());
    EXPECT_EQ(std::vector<std::string>(start, end + 1), expected);
    // Initialisation and the first activation each build the list.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SetButtons(end)"), 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), start),
              (std::vector<std::string>{"CreatePage()", "Modivane", "AddPage(ok)", "WM_INITDIALOG",
                                        "Display Key=>" + modesKey_}));
}

TEST_F(ModesList, WithoutDriverKeysOnlyWhatIsKnownIsListed)
{
    // No DAL key: no extra modes. (The 9x family's DAL key is named after
    // the driver key that holds it, whether or not it exists.)
    DeleteKeyTree(kMachine, family_ == Family::Win98 ? ATI_DRIVER_ROOT "\\0000" : dalKey_.c_str());
    OpenModesPage();
    EXPECT_EQ(Modes(), (std::vector<std::string>{"640 x 480", "800 x 600", "1024 x 768"}));
    CloseSheet();

    // No modes key: no display modes.
    WriteDriverKeys("Display\\0000");
    DeleteKeyTree(kMachine, modesKey_.c_str());
    ReloadSerrafin();
    OpenModesPage();
    EXPECT_EQ(Modes().size(), 22u);
    EXPECT_FALSE(Listed("800 x 600"));
}

// Switching -------------------------------------------------------------------

TEST_F(ModesList, OnlyAnExtraModesIconSwitchesIt)
{
    SetDriverList({DalEntryOf(1280, 720, 32, 0)});
    SetStoredRate(16, 1280, 720, "75");
    OpenModesPage();
    EXPECT_FALSE(ApplyEnabled());

    // A driver mode with no mode keys cannot be switched.
    Click("800 x 600");
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|*|on");
    // Nor can an extra mode by its text.
    Click("720 x 480", LVIR_LABEL);
    EXPECT_EQ(Row("720 x 480"), "720 x 480|*|*|off");
    EXPECT_FALSE(ApplyEnabled());

    Click("1280 x 720");
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|32 bpp|75 Hz|off");
    Click("720 x 480");
    EXPECT_EQ(Row("720 x 480"), "720 x 480|*|*|on");
    EXPECT_TRUE(ApplyEnabled());

    // Every activation reads the registry again; the sheet's Apply button
    // keeps its state.
    ShowAgain();
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|32 bpp|75 Hz|on");
    EXPECT_EQ(Row("720 x 480"), "720 x 480|*|*|off");
    EXPECT_TRUE(ApplyEnabled());
}

// Apply -----------------------------------------------------------------------

// Every value under the DAL key and the modes key, with its data.
std::vector<std::string> Snapshot(HKEY root, const std::string &path)
{
    std::vector<std::string> lines;
    for (const std::string &name : ValueNames(root, path.c_str())) {
        RegValue value = ReadValue(root, path.c_str(), name.c_str());
        lines.push_back(path + " [" + name + "] " + std::to_string(value.type) + " " + value.data);
    }
    for (const std::string &sub : SubKeys(root, path)) {
        std::vector<std::string> below = Snapshot(root, Join(path, sub));
        lines.push_back(Join(path, sub));
        lines.insert(lines.end(), below.begin(), below.end());
    }
    return lines;
}

TEST_F(ModesList, ApplyWithoutAChangeWritesNothing)
{
    SetDriverList({DalEntryOf(1280, 720, 32, 0), DalEntryOf(848, 480, 0, 60)});
    SetRestrictedList({DalEntryOf(720, 480, 0, 0)});
    SetStoredRate(16, 720, 480, "60");  // the keys of a switched-off mode
    SetRateList(720, 480, "60,75");
    std::vector<std::string> before = Snapshot(kMachine, dalKey_);
    std::vector<std::string> modesBefore = Snapshot(kMachine, modesKey_);
    OpenModesPage();
    Apply();
    ShowAgain();
    Apply();
    EXPECT_EQ(Snapshot(kMachine, dalKey_), before);
    EXPECT_EQ(Snapshot(kMachine, modesKey_), modesBefore);
}

TEST_F(ModesList, SwitchingOnWritesTheDriverListAndLiftsTheRestriction)
{
    SetDriverList({DalEntryOf(1280, 720, 32, 0)});
    SetRestrictedList({DalEntryOf(848, 480, 16, 0), DalEntryOf(1024, 600, 0, 0),
                       DalEntryOf(848, 480, 32, 60)});
    OpenModesPage();
    Click("848 x 480");
    // Picking the rate it has does not undo the switch.
    PickRate("848 x 480", "*");
    RemoveLog();
    Apply();

    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"),
              DalBytes({{0x08, 0x48, 0x04, 0x80, 0, 0, 0, 0}, DalEntryOf(1280, 720, 32, 0)}));
    EXPECT_EQ(StoredBytes("DALRestrictedModesBCD"), DalEntryOf(1024, 600, 0, 0));
    // Its mode keys, with its rates for the driver's menu of 848 x 480.
    EXPECT_EQ(ModeValue(8, 848, 480, ""), "60,75,88");
    EXPECT_EQ(ModeValue(16, 848, 480, ""), "");
    EXPECT_EQ(ModeValue(32, 848, 480, ""), "");
    EXPECT_EQ(StoredRate(16, 848, 480), "(none)");
    std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Custom Refresh string for DP (848,480=>60,75,88)"),
              lines.end());
    EXPECT_EQ(Row("848 x 480"), "848 x 480|*|*|on");
}

TEST_F(ModesList, SwitchingOffRemovesTheModeKeysOfItsDepths)
{
    SetDriverList({DalEntryOf(848, 480, 0, 0), DalEntryOf(1280, 720, 16, 0)});
    for (int depth : {8, 16, 32}) {
        for (std::vector<int> mode : {std::vector<int>{848, 480}, {1280, 720}}) {
            SetStoredRate(depth, mode[0], mode[1], "60");
            WriteString(kMachine, ModeKey(depth, mode[0], mode[1]).c_str(), "", "60,75");
            WriteString(kMachine, ModeKey(depth, mode[0], mode[1]).c_str(), "Other", "x");
        }
    }
    OpenModesPage();
    Click("848 x 480");
    Click("1280 x 720");
    Apply();

    for (int depth : {8, 16, 32})
        EXPECT_FALSE(ModeKeyExists(depth, 848, 480)) << depth;
    EXPECT_FALSE(ModeKeyExists(16, 1280, 720));
    EXPECT_EQ(ModeValue(8, 1280, 720, "Other"), "x") << "a depth-16 entry has no 8-bpp key";
    EXPECT_EQ(StoredRate(32, 1280, 720), "60");
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"), Bytes{});
    EXPECT_EQ(Row("848 x 480"), "848 x 480|*|*|off");
}

TEST_F(ModesList, EntriesThePageDoesNotShowAreKeptByteForByte)
{
    // 1152 x 864 and 800 x 600 have no predefined row, and the refresh of
    // a stored entry is the driver's own. 800 x 600 is also a display mode
    // (the driver offers it because it is in its list): its entry is kept
    // all the same.
    Bytes foreign1 = DalEntryOf(1152, 864, 32, 75);
    Bytes foreign2 = {0x19, 0x20, 0x14, 0x40, 0x00, 0x32, 0x00, 0xFA};
    Bytes displayed = DalEntryOf(800, 600, 16, 0);
    SetDriverList({foreign1, DalEntryOf(1280, 720, 32, 85), displayed, foreign2});
    OpenModesPage();
    EXPECT_FALSE(Listed("1152 x 864"));
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|*|on");
    Click("848 x 480");
    Apply();
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"),
              DalBytes({DalEntryOf(848, 480, 0, 0), DalEntryOf(1280, 720, 32, 0), foreign1, displayed,
                        foreign2}));

    // And again at the next Apply, in their stored order.
    Click("848 x 480");
    Apply();
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"),
              DalBytes({DalEntryOf(1280, 720, 32, 0), foreign1, displayed, foreign2}));
}

TEST_F(ModesList, EveryStoredEntryOfAListedResolutionStaysWhileItIsOn)
{
    // Listed once, from its first entry; the second is the driver's all the
    // same, with its own refresh.
    SetDriverList({DalEntryOf(1280, 720, 16, 0), DalEntryOf(1280, 720, 32, 85)});
    OpenModesPage();
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|16 bpp|*|on");
    Click("848 x 480");
    Apply();
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"),
              DalBytes({DalEntryOf(848, 480, 0, 0), DalEntryOf(1280, 720, 16, 0), DalEntryOf(1280, 720, 32, 85)}));

    Click("1280 x 720");
    Apply();
    EXPECT_EQ(StoredBytes("DALNonStandardModesBCD"), DalEntryOf(848, 480, 0, 0));
}

TEST_F(ModesList, CancelReleasesEveryEntryAndTheImageList)
{
    SetDriverList({DalEntryOf(1280, 720, 32, 0)});
    // The display devices' keys, which the library keeps while it is loaded.
    std::vector<std::string> deviceKeys = LibraryBlocks();
    ASSERT_FALSE(deviceKeys.empty());
    OpenModesPage();
    Click("720 x 480");
    ShowAgain();
    ASSERT_EQ(ListView_GetItemCount(list_), 25);
    HIMAGELIST images = ListView_GetImageList(list_, LVSIL_SMALL);
    ASSERT_NE(images, (HIMAGELIST)NULL);
    EXPECT_EQ(ImageList_GetImageCount(images), 2);
    // 25 entries with their rate lists, and the page's own state.
    EXPECT_EQ(LibraryBlocks().size(), deviceKeys.size() + 2u * 25u + 1u);

    Finish(PSBTN_CANCEL);
    EXPECT_EQ(LibraryBlocks(), deviceKeys);
}

TEST_F(ModesList, AnEarlierSheetGoingLeavesTheNewPageItsList)
{
    std::vector<std::string> deviceKeys = LibraryBlocks();
    OpenModesPage();
    // The earlier sheet is closed by its user, but its window stays until
    // the new sheet is up.
    DisplaySheet earlier = sheet_;
    sheet_ = DisplaySheet();
    PropSheet_PressButton(earlier.window, PSBTN_CANCEL);
    PumpMessages(earlier.window);
    OpenModesPage();
    CloseDisplaySheet(&earlier);

    Click("720 x 480");
    EXPECT_EQ(Row("720 x 480"), "720 x 480|*|*|on");
    EXPECT_TRUE(ApplyEnabled());
    // The earlier page's entries and state went with it.
    EXPECT_EQ(LibraryBlocks().size(), deviceKeys.size() + 2u * 25u + 1u);
}

// Icons from files the registry names, or the library's own.
void WriteIconFile(const char *path, COLORREF colour)
{
    const int size = 16;
    std::vector<unsigned char> file;
    auto put = [&file](unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back((unsigned char)(value >> (8 * i)));
    };
    DWORD image = sizeof(BITMAPINFOHEADER) + size * size * 4 + size * 4;
    put(0, 2), put(1, 2), put(1, 2);                               // icon directory
    put(size, 1), put(size, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2), put(image, 4),
        put(6 + 16, 4);                                            // the one image
    put(sizeof(BITMAPINFOHEADER), 4), put(size, 4), put(2 * size, 4), put(1, 2), put(32, 2),
        put(0, 4), put(size * size * 4 + size * 4, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    for (int i = 0; i < size * size; ++i)
        put(GetBValue(colour) | GetGValue(colour) << 8 | GetRValue(colour) << 16 | 0xFFu << 24, 4);
    for (int i = 0; i < size; ++i)
        put(0, 4);                                                 // mask: all opaque
    FILE *out = fopen(path, "wb");
    ASSERT_NE(out, nullptr);
    fwrite(file.data(), 1, file.size(), out);
    fclose(out);
}

COLORREF IconMiddle(HIMAGELIST images, int index)
{
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
    COLORREF colour = GetPixel(dc, 8, 8);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return colour;
}

TEST_F(ModesList, IconsComeFromTheNamedFilesOrTheLibrary)
{
    OpenModesPage();
    HIMAGELIST images = ListView_GetImageList(list_, LVSIL_SMALL);
    COLORREF libraryOff = IconMiddle(images, 0), libraryOn = IconMiddle(images, 1);
    EXPECT_NE(libraryOff, libraryOn);
    Finish(PSBTN_CANCEL);

    std::string file = ProgramFolder() + "\\red-mode.ico";
    WriteIconFile(file.c_str(), RGB(255, 0, 0));
    WriteString(kUser, kSkinKey, "OnIcon", file.c_str());
    WriteString(kUser, kSkinKey, "OffIcon", (ProgramFolder() + "\\no-such.ico").c_str());
    OpenModesPage();
    images = ListView_GetImageList(list_, LVSIL_SMALL);
    COLORREF fileOn = IconMiddle(images, 1);
    EXPECT_GT(GetRValue(fileOn), 200);
    EXPECT_LT(GetGValue(fileOn) + GetBValue(fileOn), 50);
    EXPECT_EQ(IconMiddle(images, 0), libraryOff);
    DeleteFileA(file.c_str());
}

}  // namespace
