// Refresh rates on the modes tab: the menu on a mode's icon, the rates
// stored in the mode keys on Apply, and for the mode on screen (Wine's
// 1024x768) the display change and the "Keep This Refresh Rate?" countdown.
// Wine's display driver refuses every rate but 60 Hz, so where a change
// must succeed the library's ChangeDisplaySettingsA import is intercepted.
#include "modespagefixture.h"

using namespace testing_support;

namespace {

class RefreshRate : public ModesPage {
protected:
    std::vector<std::string> LogSince(const char *first)
    {
        std::vector<std::string> lines = LogLines();
        auto start = std::find(lines.begin(), lines.end(), first);
        return std::vector<std::string>(start, lines.end());
    }
    bool Logged(const std::string &line)
    {
        std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// The menu ---------------------------------------------------------------------

TEST_F(RefreshRate, MenuOffersTheListsRatesWithTheChosenOneChecked)
{
    SetDriverList({DalEntryOf(1280, 960, 0, 0), DalEntryOf(1600, 1280, 0, 0)});
    SetStoredRate(16, 1280, 960, "75");
    OpenModesPage();
    Menu menu = OpenMenu("1280 x 960", -1);
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.Texts(), (std::vector<std::string>{"*", "60", "70", "72", "75", "85", "100",
                                                      "120", "160", "200"}));
    EXPECT_EQ(menu.items[0].id, 1u);
    EXPECT_EQ(menu.items[9].id, 10u);
    EXPECT_EQ(menu.Checked(), "75");
    // Closed without a pick: nothing changes.
    EXPECT_EQ(Row("1280 x 960"), "1280 x 960|*|75 Hz|on");
    EXPECT_FALSE(ApplyEnabled());

    menu = OpenMenu("1600 x 1280", -1);
    EXPECT_EQ(menu.Texts(), (std::vector<std::string>{"*", "86.52"}));
    EXPECT_EQ(menu.Checked(), "*");

    // A driver mode always has a menu.
    EXPECT_EQ(OpenMenu("800 x 600", -1).items.size(), 10u);
}

TEST_F(RefreshRate, ASwitchedOffModeHasNeitherMenuNorHelp)
{
    SetDriverList({DalEntryOf(1280, 960, 0, 0)});
    OpenModesPage();
    HelpCalls();
    EXPECT_FALSE(OpenMenu("720 x 480", -1).shown);
    EXPECT_TRUE(HelpCalls().empty());
    // Beside the icon, context help is the list's help text.
    EXPECT_FALSE(OpenMenu("1280 x 960", -1, LVIR_LABEL).shown);
    std::vector<HelpCall> calls = HelpCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].text, "Custom Display Settings.");
}

TEST_F(RefreshRate, ARateIsTheLeadingNumberOfItsPiece)
{
    SetDriverList({DalEntryOf(1600, 1280, 0, 0)});
    OpenModesPage();
    PickRate("1600 x 1280", "86.52");
    EXPECT_EQ(Row("1600 x 1280"), "1600 x 1280|*|86 Hz|on");
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(OpenMenu("1600 x 1280", -1).Checked(), "86.52");
    Apply();
    for (int depth : {8, 16, 32})
        EXPECT_EQ(StoredRate(depth, 1600, 1280), "86") << depth;
    EXPECT_EQ(ModeValue(8, 1600, 1280, ""), "86.52");
    EXPECT_EQ(ModeValue(16, 1600, 1280, ""), "");
    EXPECT_EQ(Row("1600 x 1280"), "1600 x 1280|*|86 Hz|on") << "read back";
}

TEST_F(RefreshRate, TheDefaultRateDeletesTheStoredOne)
{
    SetDriverList({DalEntryOf(1280, 960, 0, 0)});
    for (int depth : {8, 16, 32})
        SetStoredRate(depth, 1280, 960, "75");
    OpenModesPage();
    PickRate("1280 x 960", "*");
    EXPECT_EQ(Row("1280 x 960"), "1280 x 960|*|*|on");
    Apply();
    for (int depth : {8, 16, 32}) {
        EXPECT_EQ(StoredRate(depth, 1280, 960), "(none)") << depth;
        EXPECT_TRUE(ModeKeyExists(depth, 1280, 960));
    }
}

TEST_F(RefreshRate, APickCountsAgainstTheRateFromBeforeTheFirstPick)
{
    SetDriverList({DalEntryOf(1280, 960, 0, 0)});
    SetStoredRate(16, 1280, 960, "75");
    OpenModesPage();
    PickRate("1280 x 960", "75");
    EXPECT_TRUE(ApplyEnabled()) << "the page is still marked changed";
    Apply();
    EXPECT_FALSE(ModeKeyExists(8, 1280, 960)) << "nothing was stored";

    // Picked away and back before Apply: nothing to put into effect either.
    PickRate("1280 x 960", "85");
    PickRate("1280 x 960", "75");
    Apply();
    EXPECT_FALSE(ModeKeyExists(8, 1280, 960));

    // The same new rate picked twice is still new.
    PickRate("1280 x 960", "85");
    PickRate("1280 x 960", "85");
    Apply();
    EXPECT_EQ(StoredRate(16, 1280, 960), "85");
}

TEST_F(RefreshRate, LongAndRaggedListsFitTheMenu)
{
    // 40 rates with empty pieces between them, 259 characters in all.
    std::string rates = ",, 50";
    for (int rate = 51; rate < 90; ++rate)
        rates += (rate % 3 ? "," : " ,  ") + std::to_string(rate);
    rates += std::string(259 - rates.size(), ',');
    ASSERT_EQ(rates.size(), 259u);
    SetRateList(800, 600, rates.c_str());
    OpenModesPage();
    EXPECT_TRUE(Logged("AddEntry(800, 600, 0, 0, \"" + rates + "\" [exists])"));
    Menu menu = OpenMenu("800 x 600", 31);
    ASSERT_EQ(menu.items.size(), 32u);
    for (size_t i = 1; i < menu.items.size(); ++i) {
        EXPECT_EQ(menu.items[i].id, i + 1);
        EXPECT_EQ(menu.items[i].text, std::to_string(49 + i));
    }
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|80 Hz|on") << "the last item";

    // Only separators: "*" alone.
    SetRateList(800, 600, ", , ,,");
    ShowAgain();
    EXPECT_EQ(OpenMenu("800 x 600", -1).Texts(), std::vector<std::string>{"*"});
}

// Storing ------------------------------------------------------------------------

TEST_F(RefreshRate, AModeNotOnScreenIsStoredWithoutADisplayChange)
{
    InterceptDisplayChanges();
    OpenModesPage();
    CountdownAnswerer answerer(Answer::Yes);
    PickRate("800 x 600", "85");
    RemoveLog();
    Apply();
    EXPECT_TRUE(DisplayChanges().empty());
    EXPECT_EQ(answerer.Seen().shown, 0);
    for (int depth : {8, 16, 32})
        EXPECT_EQ(StoredRate(depth, 800, 600), "85") << depth;
    // A display mode keeps the default list: its 8-bpp default stays empty.
    EXPECT_EQ(ModeValue(8, 800, 600, ""), "");
    EXPECT_TRUE(Logged("saving"));
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|85 Hz|on");
    EXPECT_EQ(OpenMenu("800 x 600", -1).items.size(), 10u);
}

TEST_F(RefreshRate, ARateOfADepthOnlyEntryComesBack)
{
    // The entry covers 32 bpp only, so its rate is stored there.
    SetDriverList({DalEntryOf(1280, 720, 32, 0), DalEntryOf(1280, 960, 8, 0)});
    SetStoredRate(16, 1280, 720, "75");
    OpenModesPage();
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|32 bpp|75 Hz|on");
    PickRate("1280 x 720", "85");
    PickRate("1280 x 960", "100");
    Apply();
    EXPECT_EQ(StoredRate(32, 1280, 720), "85");
    EXPECT_EQ(StoredRate(16, 1280, 720), "75") << "not this entry's key";
    EXPECT_EQ(StoredRate(8, 1280, 960), "100");
    EXPECT_FALSE(ModeKeyExists(16, 1280, 960));
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|32 bpp|85 Hz|on");
    EXPECT_EQ(Row("1280 x 960"), "1280 x 960|8 bpp|100 Hz|on");

    // The driver's default, too.
    PickRate("1280 x 720", "*");
    Apply();
    ShowAgain();
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|32 bpp|*|on");
}

TEST_F(RefreshRate, AModeSwitchedBackOnStoresItsRateAgain)
{
    // Switching off deleted the mode keys; the entry still holds the rate
    // it stored before, and switched on again it must store it once more.
    SetDriverList({DalEntryOf(1280, 960, 0, 0)});
    OpenModesPage();
    PickRate("1280 x 960", "85");
    ApplyKeepingTheList();
    Click("1280 x 960");
    ApplyKeepingTheList();
    ASSERT_FALSE(ModeKeyExists(16, 1280, 960));
    Click("1280 x 960");
    ApplyKeepingTheList();
    for (int depth : {8, 16, 32})
        EXPECT_EQ(StoredRate(depth, 1280, 960), "85") << depth;
    EXPECT_EQ(ModeValue(8, 1280, 960, ""), "60,70,72,75,85,100,120,160,200");
    EXPECT_EQ(Row("1280 x 960"), "1280 x 960|*|85 Hz|on");
}

TEST_F(RefreshRate, ModeKeyPathsThatDoNotFitAreLeftAlone)
{
    // A driver value that leaves the modes key 254 characters long: no
    // mode key path fits within 260.
    CloseSheet();
    std::string driver = "Display\\" + std::string(200, 'x');
    DeleteKeyTree(kMachine, DRIVER_CLASS_ROOT);
    WriteDriverKeys(driver);
    ASSERT_EQ(modesKey_.size(), 254u);
    SetDriverList({DalEntryOf(1280, 960, 0, 0)});
    ReloadSerrafin();
    OpenModesPage();
    EXPECT_TRUE(Logged("Display Key=>" + modesKey_));
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|*|on");
    PickRate("800 x 600", "85");
    PickRate("1280 x 960", "85");
    Click("1280 x 960");
    Apply();
    EXPECT_TRUE(SubKeys(kMachine, modesKey_).empty());
    EXPECT_EQ(Row("800 x 600"), "800 x 600|*|*|on");
}

// The mode on screen -------------------------------------------------------------

TEST_F(RefreshRate, TheModeOnScreenChangesAndIsKeptWhenTheUserSaysYes)
{
    SetStoredRate(16, 1024, 768, "60");
    InterceptDisplayChanges();
    OpenModesPage();
    PickRate("1024 x 768", "85");
    CountdownAnswerer answerer(Answer::Yes);
    RemoveLog();
    Apply();

    std::vector<DisplayChange> changes = DisplayChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].flags, (DWORD)CDS_TEST);
    EXPECT_EQ(changes[1].flags, 5u);
    for (const DisplayChange &change : changes) {
        EXPECT_EQ(change.fields & 0x580000u, 0x580000u);
        EXPECT_EQ(change.width, 1024u);
        EXPECT_EQ(change.height, 768u);
        EXPECT_EQ(change.frequency, 85u);
    }
    EXPECT_EQ(answerer.Seen().shown, 1);
    EXPECT_EQ(answerer.Seen().owner, Sheet());
    EXPECT_EQ(answerer.Seen().question, "Keep This Refresh Rate?");
    for (int depth : {8, 16, 32})
        EXPECT_EQ(StoredRate(depth, 1024, 768), "85") << depth;
    std::vector<std::string> kept = LogSince("User said ok (60=>85)");
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept[1], "saving");
    EXPECT_EQ(Row("1024 x 768"), "1024 x 768|*|85 Hz|on");

    // Applied once: a second Apply leaves the display alone.
    Click("720 x 480");
    Apply();
    EXPECT_EQ(DisplayChanges().size(), 2u);
}

class RefreshRateGoesBack : public RefreshRate, public ::testing::WithParamInterface<Answer> {};

TEST_P(RefreshRateGoesBack, WhenTheUserSaysNoOrTimeRunsOut)
{
    SetStoredRate(16, 1024, 768, "60");
    InterceptDisplayChanges();
    OpenModesPage();
    // However often the user picks, the way back is to the rate from before.
    PickRate("1024 x 768", "100");
    PickRate("1024 x 768", "85");
    CountdownAnswerer answerer(GetParam());
    RemoveLog();
    Apply();

    std::vector<DisplayChange> changes = DisplayChanges();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[1].frequency, 85u);
    EXPECT_EQ(changes[2].flags, 5u);
    EXPECT_EQ(changes[2].frequency, 60u);
    EXPECT_EQ(changes[2].fields & 0x580000u, 0x580000u);
    EXPECT_EQ(answerer.Seen().shown, 1);
    for (int depth : {8, 16, 32})
        EXPECT_EQ(StoredRate(depth, 1024, 768), "60") << depth;
    EXPECT_TRUE(Logged("User said cancel (85=>60)"));
    EXPECT_FALSE(Logged("User said ok (60=>85)"));
    EXPECT_EQ(Row("1024 x 768"), "1024 x 768|*|60 Hz|on");
}

INSTANTIATE_TEST_SUITE_P(Answers, RefreshRateGoesBack,
                         ::testing::Values(Answer::No, Answer::TimeOut));

TEST_F(RefreshRate, ASwitchOfTheModeOnScreenGoesBackToItsOwnRate)
{
    // 1280 x 720 is on screen at 75 Hz. Switched off and on again before
    // Apply, its rate is put into effect once more, with no rate picked:
    // going back is to that same rate, not to the driver's default.
    SetDriverList({DalEntryOf(1280, 720, 0, 0)});
    SetStoredRate(16, 1280, 720, "75");
    InterceptDisplayChanges();
    ReportCurrentMode(1280, 720, 75);
    OpenModesPage();
    Click("1280 x 720");
    Click("1280 x 720");
    CountdownAnswerer answerer(Answer::No);
    Apply();
    std::vector<DisplayChange> changes = DisplayChanges();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[2].frequency, 75u);
    EXPECT_EQ(StoredRate(16, 1280, 720), "75");
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|*|75 Hz|on");
}

TEST_F(RefreshRate, WithoutAModesKeyGoingBackIsToTheRateInForce)
{
    // Nothing is stored without a modes key: only the entry knows that the
    // extra mode on screen was kept at 85 Hz.
    DeleteKeyTree(kMachine, modesKey_.c_str());
    SetDriverList({DalEntryOf(1280, 720, 0, 0)});
    InterceptDisplayChanges();
    ReportCurrentMode(1280, 720, 60);
    OpenModesPage();
    {
        CountdownAnswerer answerer(Answer::Yes);
        PickRate("1280 x 720", "85");
        ApplyKeepingTheList();
    }
    CountdownAnswerer answerer(Answer::No);
    PickRate("1280 x 720", "75");
    ApplyKeepingTheList();
    std::vector<DisplayChange> changes = DisplayChanges();
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[3].frequency, 75u);
    EXPECT_EQ(changes[4].frequency, 85u);
    EXPECT_TRUE(Logged("User said cancel (75=>85)"));
    EXPECT_EQ(Row("1280 x 720"), "1280 x 720|*|85 Hz|on");
}

TEST_F(RefreshRate, ARefusedChangeShowsNoQuestionAndKeepsTheNewRate)
{
    SetStoredRate(16, 1024, 768, "60");
    OpenModesPage();
    // Wine's own display driver refuses 85 Hz.
    PickRate("1024 x 768", "85");
    CountdownAnswerer answerer(Answer::Yes);
    Apply();
    EXPECT_EQ(answerer.Seen().shown, 0);
    EXPECT_EQ(StoredRate(16, 1024, 768), "85");
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmDisplayFrequency, 60u);

    // The test passes and the change itself is refused.
    InterceptDisplayChanges();
    modes_page_state::changeAnswer = DISP_CHANGE_FAILED;
    PickRate("1024 x 768", "100");
    Apply();
    ASSERT_EQ(DisplayChanges().size(), 2u);
    EXPECT_EQ(DisplayChanges()[1].flags, 5u);
    EXPECT_EQ(answerer.Seen().shown, 0);
    EXPECT_EQ(StoredRate(16, 1024, 768), "100");
}

}  // namespace
