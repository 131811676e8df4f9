// Start-up clocks across restarts. Each test is one step of
// startup-restart.sh, which runs them in this order in a prefix of their own,
// with the Wine session restarted between each two (ended as a hang or a
// power cut ends it, or once normally): the start-up entry runs at each
// logon, from the Run value the page wrote. Run alone, the steps mean nothing.
#include "clockpagefixture.h"

using namespace testing_support;

namespace {

const char kOffAgain[] =
    "\n\nStart-up clocks are now off, and the card runs at its own clocks. To have them again, "
    "tick \"Apply at start-up\" on the clock tab of Display Properties and Apply.";

class Restart : public ClockPage {
protected:
    Restart() { keepState_ = true; }

    template <typename Condition>
    static bool WaitFor(Condition condition, int seconds)
    {
        for (DWORD start = GetTickCount(); !condition(); Sleep(100))
            if (GetTickCount() - start > (DWORD)seconds * 1000)
                return false;
        return true;
    }
    static bool Guarded() { return ReadValue(HKEY_CURRENT_USER, kSettings, "StartupGuard").found; }
    static bool RunValue() { return ReadValue(HKEY_LOCAL_MACHINE, kRun, "clocks").found; }
    bool AtConfirmedClocks()
    {
        Dividers d = ReadDividers(Card());
        return d.n == 86 && d.m == 81;
    }

    // Core 193.5 MHz (N 86) on the page, Apply at start-up ticked, Yes;
    // the next start waits healthySeconds before it calls itself healthy.
    void ConfirmStartupClocks(DWORD healthySeconds)
    {
        WriteDword(HKEY_CURRENT_USER, kSettings, "StartupHealthySeconds", healthySeconds);
        OpenPage();
        EXPECT_FALSE(Checked(kStartupClocks));
        for (int i = 0; i < 12; ++i)
            Key(kCoreSlider, VK_RIGHT);
        Click(kStartupClocks);
        Countdown countdown(Keep);
        Press(PSBTN_APPLYNOW);
        EXPECT_TRUE(Checked(kStartupClocks));
        EXPECT_TRUE(RunValue());
    }

    // The start-up entry's message box, read and closed; empty when none
    // came within seconds.
    static std::string TakeMessage(int seconds)
    {
        HWND box = NULL;
        WaitFor([&box] { return (box = FindWindowA("#32770", "Quillan.dll")) != NULL; }, seconds);
        if (!box)
            return "";
        char text[1024] = "";
        GetDlgItemTextA(box, kMessageText, text, sizeof text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return text;
    }

    // A start that wrote nothing, switched start-up clocks off and said so.
    void ExpectRefusedStart(const std::string &why)
    {
        EXPECT_EQ(TakeMessage(60), why + kOffAgain);
        CardStats stats = {};
        EXPECT_TRUE(CardClient().GetStats(&stats));
        EXPECT_EQ(stats.requests[CARD_WRITE_PLL], 0u);
        EXPECT_EQ(ReadDividers(Card()).n, 74u) << "the card's own core clock";
        EXPECT_FALSE(RunValue());
        EXPECT_FALSE(Guarded());
        EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, kSettings, "StartupSettings").found)
            << "kept for the page";
    }

    // From the next start on the card is the default one with this BIOS
    // ceiling, taking writes as quirks say.
    static void CardFromNextStart(uint16_t ceiling, bool ignoresWrites)
    {
        CardState card;
        CardDefaultState(&card);
        SetBiosClocks(&card, 2700, 10000, ceiling);
        CardClient client;
        ASSERT_TRUE(client.SetState(card) && client.SetQuirks(ignoresWrites, 0) && client.Keep());
    }
};

TEST_F(Restart, ConfirmOnThePage)
{
    ConfirmStartupClocks(600);
}

// Restarted: the logon ran the Run value.
TEST_F(Restart, SetAtLogon)
{
    EXPECT_TRUE(WaitFor([this] { return AtConfirmedClocks() && Guarded(); }, 60));
}

// Restarted after the session ended normally while the start was still
// waiting to call itself healthy: no hang, so the clocks are set again.
TEST_F(Restart, SetAgainAfterANormalEnd)
{
    EXPECT_TRUE(WaitFor([this] { return AtConfirmedClocks() && Guarded(); }, 60));
    EXPECT_EQ(TakeMessage(0), "");
}

// Restarted while that start was still waiting: as after a hang.
TEST_F(Restart, NotSetAgainAfterAHang)
{
    ExpectRefusedStart("The last start that set the card to core 193.5 MHz and memory 182.3 MHz "
                       "did not end well: the machine hung, reset or lost power soon after. The "
                       "clocks were not set again.");
    ConfirmStartupClocks(2);
}

TEST_F(Restart, AHealthyStart)
{
    EXPECT_TRUE(WaitFor([this] { return AtConfirmedClocks() && !Guarded(); }, 60));
    EXPECT_TRUE(RunValue());
    EXPECT_EQ(TakeMessage(0), "");
    CardFromNextStart(35000, false);
}

TEST_F(Restart, AnotherCard)
{
    ExpectRefusedStart("The card is not the one these clocks were confirmed on (another card or "
                       "BIOS, or its driver is missing or cannot be read). The clocks were not set.");
    ConfirmStartupClocks(2);
    CardFromNextStart(35000, true);
}

TEST_F(Restart, ACardThatIgnoresWrites)
{
    EXPECT_EQ(TakeMessage(60), "The card did not take the clocks: asked for core 193.5 MHz and "
                               "memory 182.3 MHz, it runs at core 166.5 MHz and memory 182.3 MHz." +
                                   std::string(kOffAgain));
    EXPECT_EQ(ReadDividers(Card()).n, 74u);
    EXPECT_FALSE(RunValue());
    EXPECT_FALSE(Guarded());
}

}  // namespace
