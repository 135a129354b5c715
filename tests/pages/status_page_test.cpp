// The status page on the simulated card: what it shows as it opens, on its timers and when the link or
// the card goes, and what it tells the main dialog.
#include "interface_language.h"
#include "page_test_support.h"

#include <Config.h>
#include <PPC_uiDlg.h>
#include <resource.h>

#include <cstdlib>
#include <vector>

namespace page_test
{
namespace
{

const UINT WM_SET_ICON_LEVEL = WM_USER + 3;
const UINT WM_CARD_GONE = WM_USER + 19;
const char16_t kBssid[] = u"00-13-46-7A-2B-01"; // the simulated network's

// A main dialog that records what the page posts to it (its window is a plain one).
class CMainDlgRecorder : public CPPC_uiDlg
{
public:
    ~CMainDlgRecorder() override
    {
        if (GetSafeHwnd())
            DestroyWindow();
    }
    BOOL Make() { return CreateEx(0, nullptr, u"Main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }

    std::vector<std::pair<LPARAM, std::u16string>> m_icons; // the icon levels with the texts they came with
    int m_nCardGone = 0;

protected:
    afx_msg LRESULT OnIconLevel(WPARAM wParam, LPARAM lParam)
    {
        m_icons.emplace_back(lParam, static_cast<LPCTSTR>(*reinterpret_cast<CString*>(wParam)));
        return 0;
    }
    afx_msg LRESULT OnCardGoneMessage(WPARAM, LPARAM)
    {
        ++m_nCardGone;
        return 0;
    }
    afx_msg void OnDestroy() { CWnd::OnDestroy(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainDlgRecorder, CPPC_uiDlg)
ON_MESSAGE(WM_SET_ICON_LEVEL, OnIconLevel)
ON_MESSAGE(WM_CARD_GONE, OnCardGoneMessage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

// The configuration on the card with one answer changed.
class CScriptedConfig : public DriverAdapterConfig
{
public:
    CScriptedConfig() : DriverAdapterConfig(u"WLAN11b1") {}
    int GetBssType(int* pnMode) override
    {
        if (m_bThrow)
            throw 1;
        if (m_nMode < 0)
            return DriverAdapterConfig::GetBssType(pnMode);
        *pnMode = m_nMode;
        return 8;
    }
    BOOL GetDisconnectState(CString& strText, int* pnState) override
    {
        if (!m_bEmptyDisconnectText)
            return DriverAdapterConfig::GetDisconnectState(strText, pnState);
        strText.Empty();
        *pnState = 0;
        return TRUE;
    }
    int m_nMode = -1; // the network mode answered, when not negative
    BOOL m_bThrow = FALSE;
    BOOL m_bEmptyDisconnectText = FALSE;
};

class StatusPage : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        ASSERT_TRUE(m_main.Make());
        m_other.Construct(IDD_ABOUT);
    }

    // The page on the card, as the main dialog gives it, in a sheet with a second page.
    void Open(AdapterConfig* pConfig = nullptr)
    {
        if (!pConfig)
        {
            MakeConfig();
            pConfig = m_pConfig.get();
        }
        m_page.m_pConfig = pConfig;
        m_page.m_pMainDlg = &m_main;
        m_page.m_strAdapterName = u"WLAN11b1";
        m_pSheet->AddPage(&m_page);
        AddPage(&m_other);
        ASSERT_TRUE(m_pSheet->Create(nullptr, WS_POPUP | WS_VISIBLE, 0));
        Pump();
    }
    // Fires one of the page's timers and handles what it posted.
    void Tick(UINT_PTR nTimer = CConfig::TIMER_LINK)
    {
        ASSERT_TRUE(gwes::FireTimer(m_page.GetSafeHwnd(), nTimer));
        Pump();
    }
    std::vector<UINT_PTR> Timers() const { return gwes::WindowTimers(m_page.GetSafeHwnd()); }
    std::u16string Field(int nId) { return Text(&m_page, nId); }
    void SetField(int nId, const char16_t* pszText) { m_page.SetDlgItemText(nId, pszText); }

    CMainDlgRecorder m_main;
    CConfig m_page;
    CPropertyPage m_other;
};

const std::vector<UINT_PTR> kBothTimers = {CConfig::TIMER_LINK, CConfig::TIMER_ADDRESS};

TEST_F(StatusPage, OpensOnTheLinkAndRefreshesWhileItIsTheCurrentPage)
{
    Cardctl("set rssi -60"); // 60 %
    Open();
    EXPECT_EQ(Field(IDC_LINK_STATUS), std::u16string(u"Connected: ") + kBssid);
    EXPECT_EQ(Field(IDC_CHANNEL), u"6");
    EXPECT_EQ(Field(IDC_IP_ADDRESS), u"192.168.1.105"); // the activation's address refresh
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 60);           // activation shows the values read
    EXPECT_EQ(m_page.m_qualityBar.m_nPos, m_page.m_nQuality);
    EXPECT_EQ(Timers(), kBothTimers);
    EXPECT_TRUE(m_main.m_icons.empty());

    // The tick follows the air; the address refresh the IP helper.
    Cardctl("set rssi -95"); // 1 %, the weakest
    Cardctl("set channel 11");
    Cardctl("set ip 10.1.2.3");
    Tick();
    EXPECT_EQ(m_page.m_nSignal, 1);
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 0); // drawn one below the value read
    EXPECT_EQ(Field(IDC_CHANNEL), u"11");
    EXPECT_EQ(Field(IDC_IP_ADDRESS), u"192.168.1.105");
    EXPECT_EQ(std::u16string(*m_page.m_pTipText),
              u"Connect to: HarborNet\r\nTx Link Speed: " + Field(IDC_TX_RATE));
    Tick(CConfig::TIMER_ADDRESS);
    EXPECT_EQ(Field(IDC_IP_ADDRESS), u"10.1.2.3");
    EXPECT_TRUE(m_main.m_icons.empty()); // a connected tick posts nothing

    // Another page: both timers stop; back again: they run, and the fields are still there.
    Activate(1);
    EXPECT_TRUE(Timers().empty());
    Activate(0);
    EXPECT_EQ(Timers(), kBothTimers);
    EXPECT_EQ(Field(IDC_IP_ADDRESS), u"10.1.2.3");
    EXPECT_EQ(Field(IDC_CHANNEL), u"11");
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 1); // activation draws the value itself
}

TEST_F(StatusPage, TheTypeFieldTellsTheNetworkModeAndAnAccessPointsMode)
{
    struct Row
    {
        const char* infrastructure; // the card's answer, when not empty
        int nApMode;                // an access point of this mode (0: its record cannot be read), or -1
        const char16_t* opened;
        const char16_t* ticked; // the tick does not tell the access point's mode
    };
    const Row rows[] = {
        {"", -1, u"Infrastructure Station", u"Infrastructure Station"},
        {"00000000", -1, u"Ad hoc station", u"Ad hoc station"},
        {"", 1, u"AP (Mixed Mode)", u"AP Mode"},
        {"", 2, u"AP (11g Mode)", u"AP Mode"},
        {"", 3, u"AP (11b Mode)", u"AP Mode"},
        {"", 0, u"AP (11b Mode)", u"AP Mode"}, // not the mode read the time before
    };
    MakeConfig();
    m_page.m_pConfig = m_pConfig.get();
    const QN40_AP_INFO* pRecord = nullptr;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.nApMode);
        Cardctl("fault clear");
        if (*row.infrastructure)
            Cardctl(std::string("fault answer FFA0C008 ") + row.infrastructure);
        if (row.nApMode >= 0)
            Cardctl("fault answer FFA0C511 02000000");
        if (row.nApMode > 0)
            Cardctl("fault answer FFA0C512 140000000" + std::to_string(row.nApMode) +
                    "000000060000006400000002000000");
        else if (row.nApMode == 0)
            Cardctl("fault status FFA0C512 C0000001 query");
        // The page's window made again, as each opening of the sheet does.
        m_pSheet = std::make_unique<CPropertySheet>(u"Pages");
        Host(&m_page);
        EXPECT_EQ(Field(IDC_BSS_TYPE), row.opened);
        Tick();
        EXPECT_EQ(Field(IDC_BSS_TYPE), row.ticked);
        m_pSheet->DestroyWindow();
        // The access point's record is made once, for the page's life.
        if (row.nApMode >= 0 && !pRecord)
            pRecord = m_page.m_pApInfo.get();
        EXPECT_EQ(m_page.m_pApInfo.get(), pRecord);
    }
    ASSERT_NE(pRecord, nullptr);
}

TEST_F(StatusPage, EachDisconnectionTellsTheMainDialogOnce)
{
    // Opened without the link: the main dialog is told at once, and not again on the next tick.
    Cardctl("set link down");
    Open();
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"Disconnected");
    EXPECT_EQ(Field(IDC_SSID), u""); // the registry's, empty in the factory settings
    EXPECT_EQ(m_main.m_icons.size(), 1u);
    Tick();
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"Disconnected. Scanning...");
    EXPECT_EQ(m_page.m_strStatus, u"Disconnected");
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 0);
    EXPECT_EQ(m_page.m_qualityBar.m_nPos, 0);
    using Icon = std::pair<LPARAM, std::u16string>;
    EXPECT_EQ(m_main.m_icons, std::vector<Icon>{Icon(6, u"Disconnected")});

    // A connected tick in between: the next drop is told again.
    Cardctl("set link up");
    Tick();
    EXPECT_EQ(Field(IDC_LINK_STATUS), std::u16string(u"Connected: ") + kBssid);
    EXPECT_EQ(m_main.m_icons.size(), 1u);
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 79);
    Cardctl("set link down");
    Tick();
    EXPECT_EQ(m_main.m_icons, std::vector<Icon>(2, Icon(6, u"Disconnected")));
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 0);
    EXPECT_EQ(m_main.m_nCardGone, 0);
}

TEST_F(StatusPage, JoinedButNotLetInShowsTheNetworksBssid)
{
    Open();
    Cardctl("set link joined");
    Tick();
    EXPECT_EQ(Field(IDC_LINK_STATUS), std::u16string(u"Disconnected. BSSID: ") + kBssid);
    EXPECT_TRUE(m_page.m_bBssidKnown);

    // Known already, but the new drop emptied it: read again.
    Cardctl("set link up");
    Tick();
    Cardctl("set bssid 00-13-46-7A-2B-02");
    Cardctl("set link joined");
    Tick();
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"Disconnected. BSSID: 00-13-46-7A-2B-02");

    // Any other state forgets it and shows the card's own text.
    Cardctl("set link down");
    Tick();
    EXPECT_FALSE(m_page.m_bBssidKnown);
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"Disconnected. Scanning...");
}

TEST_F(StatusPage, AnEmptyCardSsidShowsTheRegistrysAndWithoutOneTheTickEnds)
{
    Open();
    // The card answers an SSID of length 0.
    Cardctl("fault answer FFA0C002 " + std::string(72, '0'));
    SetParameter(u"Ssid", u"OfficeNet");
    Tick();
    EXPECT_EQ(Field(IDC_SSID), u"OfficeNet");

    SetParameter(u"Ssid", nullptr);
    Cardctl("set channel 3");
    for (int nId : {IDC_SSID, IDC_BSS_TYPE, IDC_CHANNEL, IDC_LINK_STATUS})
        SetField(nId, u"x");
    Tick();
    EXPECT_EQ(Field(IDC_BSS_TYPE), u"Infrastructure Station");
    EXPECT_EQ(Field(IDC_CHANNEL), u"3");
    EXPECT_EQ(Field(IDC_SSID), u"x");
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"x");
}

TEST_F(StatusPage, AFailedQueryEndsTheTickAndLeavesTheLaterFields)
{
    // What a tick writes, in its order: type, channel, SSID, rate, status, quality bar, signal bar.
    const std::pair<const char*, int> rows[] = {
        {"FFA0C010", 1}, // the radio configuration
        {"FFA0C002", 2}, // the SSID
        {"00010114", 3}, // the connection status
        {"00010107", 3}, // the link speed
        {"FFA0C001", 4}, // the BSSID
        {"FFA0C503", 5}, // the link quality
        {"FFA0C006", 6}, // the signal
        {"", 7},
    };
    Open();
    const int anFields[] = {IDC_BSS_TYPE, IDC_CHANNEL, IDC_SSID, IDC_TX_RATE, IDC_LINK_STATUS};
    for (const auto& [pszOid, nWritten] : rows)
    {
        SCOPED_TRACE(pszOid);
        Cardctl("fault clear");
        if (*pszOid)
            Cardctl(std::string("fault status ") + pszOid + " C0000001 query");
        for (int nId : anFields)
            SetField(nId, u"x");
        m_page.m_qualityBar.SetPos(-7);
        m_page.m_signalBar.SetPos(-7);
        Tick();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Field(anFields[i]) != u"x", i < nWritten) << "output " << i;
        EXPECT_EQ(m_page.m_qualityBar.m_nPos != -7, 5 < nWritten);
        EXPECT_EQ(m_page.m_signalBar.m_nPos != -7, 6 < nWritten);
    }
    EXPECT_EQ(m_main.m_nCardGone, 0);
    EXPECT_EQ(Timers(), kBothTimers);
}

TEST_F(StatusPage, AfterTheCardHasGoneOneTickStopsBothTimersAndReportsIt)
{
    Open();
    Cardctl("eject");
    // What the main dialog does when the removal reaches it.
    App().m_bCardRemoved = TRUE;
    m_page.m_pConfig = nullptr;
    Tick(CConfig::TIMER_ADDRESS);
    EXPECT_TRUE(Timers().empty());
    EXPECT_EQ(m_main.m_nCardGone, 1);
    EXPECT_FALSE(gwes::FireTimer(m_page.GetSafeHwnd(), CConfig::TIMER_LINK));
    Pump();
    EXPECT_EQ(m_main.m_nCardGone, 1);
    // Activated again (still without a card): the timers run, the bars stay.
    m_page.m_signalBar.SetPos(33);
    Activate(1);
    Activate(0);
    EXPECT_EQ(Timers(), kBothTimers);
    EXPECT_EQ(m_page.m_signalBar.m_nPos, 33);
}

TEST_F(StatusPage, AnUnknownModeAnEmptyDisconnectedTextAndAnException)
{
    CScriptedConfig config;
    Open(&config);
    config.m_nMode = 3;
    Tick();
    EXPECT_EQ(Field(IDC_BSS_TYPE), u"");
    EXPECT_EQ(Field(IDC_LINK_STATUS), std::u16string(u"Connected: ") + kBssid); // the tick went on
    config.m_bEmptyDisconnectText = TRUE;
    Cardctl("set link down");
    Tick();
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"Disconnected");
    // An exception ends the tick and reports the card gone; the main dialog takes it from there.
    config.m_bThrow = TRUE;
    SetField(IDC_LINK_STATUS, u"x");
    Tick();
    EXPECT_EQ(m_main.m_nCardGone, 1);
    EXPECT_EQ(Field(IDC_LINK_STATUS), u"x");
    EXPECT_EQ(Timers(), kBothTimers);
}

TEST_F(StatusPage, TheIpFieldIsTheAdapterInUsesAndStaysWithoutOne)
{
    Open();
    struct Row
    {
        const char16_t* adapter;
        const char16_t* shown;
    };
    // Before the main dialog has started the adapter its name is empty; another adapter's is skipped.
    for (const Row& row : {Row{u"", u"x"}, Row{u"WLAN11b2", u"x"}, Row{u"USBLAN1", u"169.254.2.1"},
                           Row{u"WLAN11b1", u"192.168.1.105"}})
    {
        SCOPED_TRACE(std::char_traits<char16_t>::length(row.adapter));
        m_page.m_strAdapterName = row.adapter;
        SetField(IDC_IP_ADDRESS, u"x");
        Tick(CConfig::TIMER_ADDRESS);
        EXPECT_EQ(Field(IDC_IP_ADDRESS), row.shown);
    }
}

TEST_F(StatusPage, ChineseLabels)
{
    InterfaceLanguage language(kTraditionalChinese);
    Open();
    for (const auto& [nId, pszText] : {std::pair{IDC_STATUS_LABEL, u"狀態"},
                                       {IDC_TYPE_LABEL, u"類型"},
                                       {IDC_CHANNEL_LABEL, u"頻道"},
                                       {IDC_TX_RATE_LABEL, u"Tx 速率"},
                                       {IDC_SIGNAL_LABEL, u"信號強度"},
                                       {IDC_QUALITY_LABEL, u"連線品質"}})
        EXPECT_EQ(Field(nId), pszText) << nId;
}

} // namespace
} // namespace page_test
