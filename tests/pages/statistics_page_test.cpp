// The statistics page on the simulated card, in a sheet of the test's own (the delivered sheet does not
// show it): the counters since the reset, the throughput of each tick, and what a missing card or a failed
// reading leaves. The simulated clock stands still, so the card moves exactly as much as the test says.
#include "interface_language.h"
#include "page_test_support.h"

#include <PPC_uiDlg.h>
#include <Statistics.h>
#include <resource.h>

#include <gwes/gwes.h>

#include <algorithm>
#include <map>
#include <string>

namespace page_test
{
namespace
{

const UINT WM_CARD_GONE = WM_USER + 19;

// Stands in for the main dialog: a window of its own under a main-dialog object, counting what is posted
// to it.
class MainDialogStandIn
{
public:
    MainDialogStandIn()
    {
        static const ATOM s_atom = []
        {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = &Proc;
            wc.lpszClassName = u"StatisticsPageMainDialog";
            return RegisterClassW(&wc);
        }();
        EXPECT_NE(s_atom, 0);
        m_hWnd = CreateWindowExW(0, u"StatisticsPageMainDialog", u"", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                 NULL, NULL);
        m_dlg.Attach(m_hWnd);
        s_nCardGone = 0;
    }
    ~MainDialogStandIn()
    {
        m_dlg.Detach();
        DestroyWindow(m_hWnd);
    }
    MainDialogStandIn(const MainDialogStandIn&) = delete;
    MainDialogStandIn& operator=(const MainDialogStandIn&) = delete;

    CPPC_uiDlg* Dialog() { return &m_dlg; }
    static int CardGone() { return s_nCardGone; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CARD_GONE)
            ++s_nCardGone;
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }

    inline static int s_nCardGone = 0;
    HWND m_hWnd = NULL;
    CPPC_uiDlg m_dlg;
};

const int kCounters[] = {IDC_TX_SUCCESS, IDC_TX_ERROR, IDC_RX_SUCCESS, IDC_RX_CRC_SUCCESS, IDC_RX_CRC_ERROR};

class StatisticsPage : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        Cardctl("clock freeze");
        // 1500 bytes received and 500 sent per second.
        Cardctl("set traffic 1500");
        MakeConfig();
        // The card's own counters from zero.
        ASSERT_TRUE(m_pConfig->SetOid806());
    }
    // The page first in the sheet, wired to the card and the stand-in, with a second page behind it.
    void HostStatistics()
    {
        m_statistics.m_pConfig = m_pConfig.get();
        m_statistics.m_pMainDlg = m_mainDlg.Dialog();
        AddPage(&m_statistics);
        Host(&m_other);
    }
    // One tick of the refresh timer, as when its period has passed.
    void Tick()
    {
        ASSERT_TRUE(gwes::FireTimer(m_statistics.GetSafeHwnd(), CStatistics::TIMER_REFRESH));
        Pump();
    }
    bool TimerRuns() const
    {
        std::vector<UINT_PTR> timers = gwes::WindowTimers(m_statistics.GetSafeHwnd());
        return std::find(timers.begin(), timers.end(), UINT_PTR{CStatistics::TIMER_REFRESH}) != timers.end();
    }
    std::u16string Shown(int nId) { return Text(&m_statistics, nId); }
    std::u16string TxThroughput() { return Shown(IDC_TX_THROUGHPUT); }
    std::u16string RxThroughput() { return Shown(IDC_RX_THROUGHPUT); }
    // Every shown text, by control.
    std::map<int, std::u16string> Everything()
    {
        std::map<int, std::u16string> shown;
        for (int nId : kCounters)
            shown[nId] = Shown(nId);
        shown[IDC_TX_THROUGHPUT] = TxThroughput();
        shown[IDC_RX_THROUGHPUT] = RxThroughput();
        return shown;
    }
    void ExpectZeros()
    {
        for (int nId : kCounters)
            EXPECT_EQ(Shown(nId), u"0") << nId;
        EXPECT_EQ(TxThroughput(), u"0.00");
        EXPECT_EQ(RxThroughput(), u"0.00");
    }
    void Reset()
    {
        m_statistics.SendDlgItemMessage(IDC_RESET, BM_CLICK);
        Pump();
    }

    MainDialogStandIn m_mainDlg;
    CStatistics m_statistics;
    CPropertyPage m_other{IDD_ABOUT};
};

TEST_F(StatisticsPage, ResetShowsZerosAndEachTickTheBytesSince)
{
    HostStatistics();
    ExpectZeros();
    EXPECT_TRUE(TimerRuns());

    Cardctl("clock advance 1000");
    Tick();
    EXPECT_EQ(TxThroughput(), u"1.00"); // 500 bytes in a tick
    EXPECT_EQ(RxThroughput(), u"3.00");
    Tick();
    EXPECT_EQ(TxThroughput(), u"0.00"); // nothing since
    EXPECT_EQ(RxThroughput(), u"0.00");

    // Enough traffic for frames: the counters count from the reset on.
    Cardctl("clock advance 100000");
    Tick();
    EXPECT_EQ(TxThroughput(), u"100.00");
    EXPECT_EQ(Shown(IDC_TX_SUCCESS), u"63"); // 50500 bytes of 800-byte frames
    EXPECT_EQ(Shown(IDC_RX_SUCCESS), u"151");
    Reset();
    ExpectZeros();
    Cardctl("clock advance 8000");
    Tick();
    EXPECT_EQ(TxThroughput(), u"8.00");
    EXPECT_EQ(RxThroughput(), u"24.00");
    EXPECT_EQ(Shown(IDC_TX_SUCCESS), u"5");
    EXPECT_EQ(Shown(IDC_RX_SUCCESS), u"12");
    EXPECT_EQ(MainDialogStandIn::CardGone(), 0);

    // Without a configuration "Reset" only shows zeros, and the next tick stops the timer.
    m_statistics.m_pConfig = nullptr;
    Reset();
    ExpectZeros();
    Tick();
    EXPECT_FALSE(TimerRuns());
    EXPECT_EQ(MainDialogStandIn::CardGone(), 0);
}

TEST_F(StatisticsPage, CountersBelowTheirBaselineShowTheWrappedDifference)
{
    // A driver that started again: its counters are below those of the reset.
    Cardctl("fault answer 00020101 0A000000");         // 10 frames sent
    Cardctl("fault answer FFA0C508 40420F0000000000"); // 1000000 bytes sent
    HostStatistics();
    Cardctl("fault answer 00020101 03000000");
    Cardctl("fault answer FFA0C508 F401000000000000"); // 500
    Tick();
    EXPECT_EQ(Shown(IDC_TX_SUCCESS), u"4294967289");
    // The byte count fell: the tick measures nothing rather than an impossible rate; the next one counts
    // from the new count.
    EXPECT_EQ(TxThroughput(), u"0.00");
    Cardctl("fault answer FFA0C508 E803000000000000"); // 1000
    Tick();
    EXPECT_EQ(TxThroughput(), u"1.00");
}

TEST_F(StatisticsPage, ActivationShowsTheCountersAndKeepsTheThroughput)
{
    HostStatistics();
    Cardctl("clock advance 100000");
    Tick();
    ASSERT_EQ(TxThroughput(), u"100.00");
    ASSERT_EQ(Shown(IDC_TX_SUCCESS), u"62");
    Activate(1);
    EXPECT_FALSE(TimerRuns());
    Cardctl("clock advance 16000");
    Activate(0);
    EXPECT_TRUE(TimerRuns());
    EXPECT_EQ(Shown(IDC_TX_SUCCESS), u"72");
    EXPECT_EQ(TxThroughput(), u"100.00");
    Tick();
    EXPECT_EQ(TxThroughput(), u"0.00"); // the activation's reading took the bytes
}

TEST_F(StatisticsPage, WithTheCardRemovedEveryTickPostsAndNothingChanges)
{
    HostStatistics();
    Cardctl("clock advance 100000");
    Tick();
    const std::map<int, std::u16string> before = Everything();
    App().m_bCardRemoved = TRUE;
    Cardctl("clock advance 4000");
    Tick();
    Tick();
    EXPECT_EQ(MainDialogStandIn::CardGone(), 2);
    EXPECT_EQ(Everything(), before);
    EXPECT_TRUE(TimerRuns());
    // Back again, the tick measures from the last reading.
    App().m_bCardRemoved = FALSE;
    Tick();
    EXPECT_EQ(TxThroughput(), u"4.00");
    EXPECT_EQ(MainDialogStandIn::CardGone(), 2);
}

TEST_F(StatisticsPage, AFailedReadingPostsAndLeavesEveryValue)
{
    HostStatistics();
    Cardctl("clock advance 100000");
    Tick();
    const std::map<int, std::u16string> before = Everything();
    ASSERT_EQ(before.at(IDC_TX_SUCCESS), u"62");

    Cardctl("fault status FFA0C508 C0000001 query");
    Cardctl("clock advance 1000");
    Tick();
    EXPECT_EQ(MainDialogStandIn::CardGone(), 1);
    EXPECT_EQ(Everything(), before);
    // A reset that cannot read keeps the baselines and byte counts, and still shows zeros.
    Reset();
    ExpectZeros();

    Cardctl("fault clear");
    Cardctl("clock advance 1000");
    Tick();
    EXPECT_EQ(TxThroughput(), u"2.00");      // the bytes of both seconds since the last good reading
    EXPECT_EQ(Shown(IDC_TX_SUCCESS), u"63"); // from the baseline of the start
    EXPECT_EQ(MainDialogStandIn::CardGone(), 1);
}

TEST_F(StatisticsPage, ChineseLabels)
{
    // The two CRC labels are the pair whose control ids run the other way round from their strings.
    InterfaceLanguage language(kTraditionalChinese);
    HostStatistics();
    EXPECT_EQ(Text(&m_statistics, IDC_RX_CRC_SUCCESS_LABEL), u"Rx CRC 成功");
    EXPECT_EQ(Text(&m_statistics, IDC_RX_CRC_ERROR_LABEL), u"Rx CRC 錯誤");
    EXPECT_EQ(Text(&m_statistics, IDC_RESET), u"重計");
}

} // namespace
} // namespace page_test
