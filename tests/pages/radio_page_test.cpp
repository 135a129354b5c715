// The radio page on the simulated card: the channel list of each regulatory domain, the stored settings
// shown at each activation, and what the buttons and lists store and do to the card.
#include "interface_language.h"
#include "page_test_support.h"

#include <Radio.h>
#include <resource.h>

#include <gwes/shell.h>

#include <string>
#include <vector>

namespace page_test
{
namespace
{

class RadioPage : public PageTest
{
protected:
    // A new sheet with a new radio page first and a second page behind it; the radio page's window is
    // made now, so it reads the domain again.
    void HostRadio(bool bConfig = true)
    {
        NewSheet();
        m_pRadio = std::make_unique<CRadio>();
        m_pOther = std::make_unique<CPropertyPage>(IDD_ABOUT);
        m_pRadio->m_pConfig = bConfig ? m_pConfig.get() : nullptr;
        AddPage(m_pRadio.get());
        Host(m_pOther.get());
    }
    // The page becomes active again.
    void Reactivate()
    {
        Activate(1);
        Activate(0);
    }
    int Selection(int nId) const { return static_cast<int>(m_pRadio->SendDlgItemMessage(nId, CB_GETCURSEL)); }
    std::vector<std::u16string> Items(int nId) const
    {
        std::vector<std::u16string> items;
        int nCount = static_cast<int>(m_pRadio->SendDlgItemMessage(nId, CB_GETCOUNT));
        for (int i = 0; i < nCount; ++i)
        {
            WCHAR szText[64] = {};
            m_pRadio->SendDlgItemMessage(nId, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(szText));
            items.push_back(szText);
        }
        return items;
    }
    // Chooses an entry as the user does: the list tells the page of the new selection.
    void Choose(int nId, int nIndex)
    {
        ASSERT_TRUE(gwes::Automate({"select", "Pages", std::to_string(nId), std::to_string(nIndex)}).ok);
        Pump();
    }
    bool OnChecked() const { return m_pRadio->IsDlgButtonChecked(IDC_RADIO_ON) == BST_CHECKED; }
    bool OffChecked() const { return m_pRadio->IsDlgButtonChecked(IDC_RADIO_OFF) == BST_CHECKED; }
    bool CardRadioOn() { return CardctlOutput("status").find("card: radio on") != std::string::npos; }

    std::unique_ptr<CRadio> m_pRadio;
    std::unique_ptr<CPropertyPage> m_pOther;
};

TEST_F(RadioPage, ChannelListFollowsTheDomain)
{
    MakeConfig();
    struct Row
    {
        const char16_t* pszDomain; // empty: no Domain value
        size_t nCount;
        const char16_t* pszFirst;
        const char16_t* pszLast;
    };
    const Row rows[] = {
        {u"16", 11, u"1  (2412 MHz)", u"11 (2462 MHz)"},  {u"32", 11, u"1  (2412 MHz)", u"11 (2462 MHz)"},
        {u"48", 13, u"1  (2412 MHz)", u"13 (2472 MHz)"},  {u"", 13, u"1  (2412 MHz)", u"13 (2472 MHz)"},
        {u"49", 2, u"10 (2457 MHz)", u"11 (2462 MHz)"},   {u"50", 4, u"10 (2457 MHz)", u"13 (2472 MHz)"},
        {u"64", 14, u"1  (2412 MHz)", u"14 (2484 MHz)"},  {u"016", 14, u"1  (2412 MHz)", u"14 (2484 MHz)"},
        {u"48 ", 14, u"1  (2412 MHz)", u"14 (2484 MHz)"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(
            std::string(row.pszDomain, row.pszDomain + std::char_traits<char16_t>::length(row.pszDomain)));
        SetParameter(u"Domain", row.pszDomain);
        HostRadio();
        std::vector<std::u16string> items = Items(IDC_ADHOC_CHANNEL);
        ASSERT_EQ(items.size(), row.nCount);
        EXPECT_EQ(items.front(), row.pszFirst);
        EXPECT_EQ(items.back(), row.pszLast);
    }
    // Every text of the full list, and the Domain read once: a change shows only in a new window.
    std::vector<std::u16string> items = Items(IDC_ADHOC_CHANNEL);
    EXPECT_EQ(items[8], u"9  (2452 MHz)");
    EXPECT_EQ(items[9], u"10 (2457 MHz)");
    SetParameter(u"Domain", u"49");
    Reactivate();
    EXPECT_EQ(Items(IDC_ADHOC_CHANNEL).size(), 14u);
    // Without a configuration the domain is not read.
    HostRadio(false);
    EXPECT_EQ(Items(IDC_ADHOC_CHANNEL).size(), 13u);
}

TEST_F(RadioPage, StoredChannelSelectsItsEntry)
{
    MakeConfig();
    const int UNCHANGED = -2;
    struct Row
    {
        const char16_t* pszDomain;
        const char16_t* pszChannel; // empty: no Channel value
        int nSelection;             // UNCHANGED: the entry of channel 11 stays selected
    };
    const Row rows[] = {
        {u"50", u"13", 3},          {u"49", u"13", 0},       {u"49", u"10", 0},
        {u"16", u"12", -1},         {u"48", u"1", 0},        {u"48", u"7", 6},
        {u"48", u"0", -1},          {u"50", u"5", 0},        {u"48", u"99", UNCHANGED},
        {u"48", u"123", UNCHANGED}, {u"48", u"", UNCHANGED}, {u"48", u"14", UNCHANGED},
        {u"16", u"14", UNCHANGED},  {u"64", u"14", 13},      {u"016", u"14", 13},
        {u"50", u"14", UNCHANGED},  {u"48", u"x", -1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        SetParameter(u"Domain", row.pszDomain);
        SetParameter(u"Channel", u"11");
        HostRadio();
        const int nChannel11 = Selection(IDC_ADHOC_CHANNEL);
        ASSERT_NE(nChannel11, -1);
        SetParameter(u"Channel", row.pszChannel);
        Reactivate();
        EXPECT_EQ(Selection(IDC_ADHOC_CHANNEL), row.nSelection == UNCHANGED ? nChannel11 : row.nSelection);
    }
}

TEST_F(RadioPage, ChoosingAnEntryStoresItsNumber)
{
    MakeConfig();
    SetParameter(u"Domain", u"49");
    HostRadio();
    Choose(IDC_ADHOC_CHANNEL, 1);
    EXPECT_EQ(Parameter(u"Channel"), u"11");
    Choose(IDC_ADHOC_CHANNEL, 0);
    EXPECT_EQ(Parameter(u"Channel"), u"10");

    SetParameter(u"Domain", u"48");
    HostRadio();
    Choose(IDC_ADHOC_CHANNEL, 6);
    EXPECT_EQ(Parameter(u"Channel"), u"7");
    Choose(IDC_POWER_SAVING, 2);
    EXPECT_EQ(Parameter(u"PowerMode"), u"2");

    // A change that leaves no entry selected stores nothing.
    for (int nId : {IDC_ADHOC_CHANNEL, IDC_POWER_SAVING})
    {
        m_pRadio->SendDlgItemMessage(nId, CB_SETCURSEL, static_cast<WPARAM>(-1));
        m_pRadio->SendMessage(WM_COMMAND, MAKEWPARAM(nId, CBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(::GetDlgItem(m_pRadio->GetSafeHwnd(), nId)));
    }
    EXPECT_EQ(Parameter(u"Channel"), u"7");
    EXPECT_EQ(Parameter(u"PowerMode"), u"2");

    // Without a configuration nothing is stored.
    HostRadio(false);
    Choose(IDC_ADHOC_CHANNEL, 2);
    Choose(IDC_POWER_SAVING, 1);
    EXPECT_EQ(Parameter(u"Channel"), u"7");
    EXPECT_EQ(Parameter(u"PowerMode"), u"2");
}

TEST_F(RadioPage, ActivationShowsTheStoredRadioAndPowerSaving)
{
    MakeConfig();
    SetParameter(u"PowerMode", u"2");
    HostRadio();
    EXPECT_EQ(Selection(IDC_POWER_SAVING), 2);
    struct Row
    {
        const char16_t* pszRadioOn; // empty: no RadioOn value
        bool bOn;
    };
    for (const Row& row : {Row{u"0", false}, Row{u"1", true}, Row{u"", false}, Row{u"true", false},
                           Row{u"1", true}, Row{u"01", false}})
    {
        SCOPED_TRACE(testing::Message()
                     << "RadioOn \""
                     << std::string(row.pszRadioOn,
                                    row.pszRadioOn + std::char_traits<char16_t>::length(row.pszRadioOn)));
        SetParameter(u"RadioOn", row.pszRadioOn);
        Reactivate();
        EXPECT_EQ(OnChecked(), row.bOn);
        EXPECT_EQ(OffChecked(), !row.bOn);
    }
    // A power mode outside the list leaves the selection; the stored ones select their entry.
    for (const char16_t* pszMode : {u"3", u"", u"-1"})
    {
        SetParameter(u"PowerMode", pszMode);
        Reactivate();
        EXPECT_EQ(Selection(IDC_POWER_SAVING), 2);
    }
    SetParameter(u"PowerMode", u"1");
    Reactivate();
    EXPECT_EQ(Selection(IDC_POWER_SAVING), 1);
}

TEST_F(RadioPage, OffAndOnSwitchTheCardAndStoreTheState)
{
    MakeConfig();
    HostRadio();
    ASSERT_TRUE(CardRadioOn());
    m_pRadio->SendDlgItemMessage(IDC_RADIO_OFF, BM_CLICK);
    EXPECT_EQ(Parameter(u"RadioOn"), u"0");
    EXPECT_FALSE(CardRadioOn());
    m_pRadio->SendDlgItemMessage(IDC_RADIO_ON, BM_CLICK);
    EXPECT_EQ(Parameter(u"RadioOn"), u"1");
    EXPECT_TRUE(CardRadioOn());
    EXPECT_EQ(m_boxes.texts().size(), 0u);

    // Without a configuration On touches neither the registry nor the card.
    m_pConfig->SetRadio(0);
    SetParameter(u"RadioOn", u"0");
    HostRadio(false);
    m_pRadio->SendDlgItemMessage(IDC_RADIO_ON, BM_CLICK);
    EXPECT_EQ(Parameter(u"RadioOn"), u"0");
    EXPECT_FALSE(CardRadioOn());
}

TEST_F(RadioPage, ChineseTextsAndTheSameStoredIndexes)
{
    MakeConfig();
    struct Row
    {
        LANGID wLangId;
        std::vector<std::u16string> labels; // 1046, 1047, 1048, 1071, 1072
        std::vector<std::u16string> items;
    };
    const Row rows[] = {
        {kTraditionalChinese,
         {u"軟體無線電", u"關閉", u"開啟", u"Ad hoc 頻道", u"省電模式"},
         {u"關閉", u"啟動 (最大)", u"啟動 (最快)"}},
        {kSimplifiedChinese,
         {u"软件无线电", u"关闭", u"开启", u"Ad hoc 信道", u"省电模式"},
         {u"关闭", u"启动 (最大)", u"启动 (最快)"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.wLangId);
        InterfaceLanguage language(row.wLangId);
        HostRadio();
        std::vector<std::u16string> labels;
        for (int nId : {IDC_SW_RADIO_LABEL, IDC_RADIO_OFF, IDC_RADIO_ON, IDC_ADHOC_CHANNEL_LABEL,
                        IDC_POWER_SAVING_LABEL})
            labels.push_back(Text(m_pRadio.get(), nId));
        EXPECT_EQ(labels, row.labels);
        EXPECT_EQ(Items(IDC_POWER_SAVING), row.items);
        Choose(IDC_POWER_SAVING, 1);
        EXPECT_EQ(Parameter(u"PowerMode"), u"1");
        SetParameter(u"PowerMode", u"2");
        Reactivate();
        EXPECT_EQ(Selection(IDC_POWER_SAVING), 2);
    }
}

} // namespace
} // namespace page_test
