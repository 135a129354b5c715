// The main dialog on the simulated card: start-up with and without the card, the notification icon
// following the link, card arrival and removal among other port devices, the sheet and the tray commands.
#include "app_test_support.h"

#include <About.h>
#include <BBCR.h>
#include <Config.h>
#include <EEPRomAccess.h>
#include <MCR.h>
#include <Radio.h>
#include <Statistics.h>
#include <run_tool.h>
#include <PropertySheetEx.h>

#include <dbt.h>

#include <tuple>
#include <vector>

namespace app_test
{
namespace
{

// A device-change record as the SD slot broadcasts it.
std::vector<BYTE> PortRecord(const std::u16string& port)
{
    std::vector<BYTE> record(offsetof(DEV_BROADCAST_PORT, dbcp_name) + (port.size() + 1) * sizeof(WCHAR));
    DEV_BROADCAST_PORT header = {};
    header.dbcp_size = static_cast<DWORD>(record.size());
    header.dbcp_devicetype = DBT_DEVTYP_PORT;
    memcpy(record.data(), &header, offsetof(DEV_BROADCAST_PORT, dbcp_name));
    memcpy(record.data() + offsetof(DEV_BROADCAST_PORT, dbcp_name), port.c_str(),
           (port.size() + 1) * sizeof(WCHAR));
    return record;
}

void SendDeviceChange(CPPC_uiDlg& dlg, UINT nEvent, const std::u16string& port)
{
    std::vector<BYTE> record = PortRecord(port);
    dlg.SendMessage(WM_DEVICECHANGE, nEvent, reinterpret_cast<LPARAM>(record.data()));
}

// Adds an entry under Drivers\Active as another driver would; a DWORD name when `bNumericName`.
void AddActiveEntry(const char16_t* pszSubKey, const std::u16string& name, const std::u16string& key,
                    bool bNumericName = false)
{
    HKEY hKey = NULL;
    std::u16string path = std::u16string(u"Drivers\\Active\\") + pszSubKey;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL),
        ERROR_SUCCESS);
    if (bNumericName)
    {
        DWORD dwValue = 1;
        RegSetValueExW(hKey, u"Name", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    }
    else
    {
        RegSetValueExW(hKey, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR)));
    }
    RegSetValueExW(hKey, u"Key", 0, REG_SZ, reinterpret_cast<const BYTE*>(key.c_str()),
                   static_cast<DWORD>((key.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(hKey);
}

// Writes the miniport's "RadioOn" value as another program would; nullptr deletes it.
void SetRadioOn(const char16_t* pszValue)
{
    HKEY hKey = NULL;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                              &hKey, NULL),
              ERROR_SUCCESS);
    if (pszValue)
        RegSetValueExW(hKey, u"RadioOn", 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                       static_cast<DWORD>((std::u16string(pszValue).size() + 1) * sizeof(WCHAR)));
    else
        RegDeleteValueW(hKey, u"RadioOn");
    RegCloseKey(hKey);
}

const std::u16string kSecondCardKey =
    u"\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0C71-CARDID-4E22-FUNC-1";

using DialogTest = ShellTest;

// The links of all seven pages, shown or not: (page name, configuration, dialog).
std::vector<std::tuple<const char*, const AdapterConfig*, const CPPC_uiDlg*>> PageLinks(const CPPC_uiDlg& dlg)
{
    std::vector<std::tuple<const char*, const AdapterConfig*, const CPPC_uiDlg*>> links;
    auto add = [&](const char* pszName, const auto* pPage)
    { links.emplace_back(pszName, pPage->m_pConfig, pPage->m_pMainDlg); };
    add("BBCR", dlg.GetBBCRPage());
    add("MCR", dlg.GetMCRPage());
    add("EEPROM", dlg.GetEEPRomPage());
    add("Statistics", dlg.GetStatisticsPage());
    add("About", dlg.GetAboutPage());
    add("Status", dlg.GetStatusPage());
    add("Radio", dlg.GetRadioPage());
    return links;
}

TEST_F(DialogTest, StartsWithTheCardShowingTheSheetAndTheIcon)
{
    m_pDlg = Start();
    CPPC_uiDlg& dlg = *m_pDlg;
    ASSERT_TRUE(dlg.GetConfig());
    EXPECT_FALSE(App().m_bCardRemoved);
    EXPECT_TRUE(dlg.GetAdapterName().Right(8) == u"WLAN11b1");
    EXPECT_TRUE(dlg.GetStatusPage()->m_strAdapterName == dlg.GetAdapterName());
    // Every page is wired, shown or not.
    for (const auto& [pszName, pConfig, pDlg] : PageLinks(dlg))
    {
        EXPECT_EQ(pConfig, dlg.GetConfig()) << pszName;
        EXPECT_EQ(pDlg, &dlg) << pszName;
    }
    // Status, Radio and About, in this order; the sheet's message boxes came once each.
    ASSERT_TRUE(dlg.m_bSheetCreated);
    ASSERT_EQ(dlg.GetSheet()->GetPageCount(), 3);
    EXPECT_EQ(dlg.GetSheet()->GetPage(0), dlg.GetStatusPage());
    EXPECT_EQ(dlg.GetSheet()->GetPage(1), dlg.GetRadioPage());
    EXPECT_EQ(dlg.GetSheet()->GetPage(2), dlg.GetAboutPage());
    EXPECT_TRUE(dlg.GetSheet()->GetPage(0)->GetTabText() == u"Status");
    EXPECT_TRUE(dlg.GetSheet()->GetPage(2)->GetTabText() == u"About");
    EXPECT_EQ(Count(m_boxes, u"PreCreateWindow"), 1);
    EXPECT_EQ(Count(m_boxes, u"OnCreate"), 1);
    EXPECT_EQ(dlg.GetSheet()->GetActiveIndex(), 0);
    // Connected at -50 dBm: 80 percent.
    EXPECT_EQ(dlg.GetIconShown(), 160u);
    EXPECT_EQ(dlg.GetNotifyIconData().uID, 5000u);
    EXPECT_EQ(dlg.GetNotifyIconData().uCallbackMessage, WM_TBARDLGMESSAGE);
    EXPECT_EQ(dlg.GetNotifyIconData().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
}

TEST_F(DialogTest, IconFollowsTheSignalAndTheLink)
{
    m_pDlg = Start();
    struct Row
    {
        const char* setting;
        UINT nIcon;
    };
    // The card reports 2 * (dBm + 90) percent.
    const Row rows[] = {
        {"set rssi -49", 161}, // 82
        {"set rssi -50", 160}, // 80
        {"set rssi -60", 159}, // 60
        {"set rssi -70", 158}, // 40
        {"set rssi -80", 157}, // 20
        {"set link down", 156},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.setting);
        Cardctl(row.setting);
        m_pDlg->SendMessage(WM_TIMER, CPPC_uiDlg::TIMER_UPDATE_ICON);
        EXPECT_EQ(m_pDlg->GetIconShown(), row.nIcon);
    }
}

TEST_F(DialogTest, IconStaysWhenTheCardCannotAnswer)
{
    m_pDlg = Start();
    ASSERT_EQ(m_pDlg->GetIconShown(), 160u);
    // The status, then the signal, fail: the picture stays as it was.
    for (const char* fault : {"fault status 00010114 C0000001", "fault status FFA0C006 C0000001"})
    {
        SCOPED_TRACE(fault);
        Cardctl("set rssi -80");
        Cardctl(fault);
        m_pDlg->UpdateNotifyIcon();
        EXPECT_EQ(m_pDlg->GetIconShown(), 160u);
        Cardctl("fault clear");
    }
    // Without a configuration object nothing is asked (and nothing breaks).
    m_pDlg->CardRemove();
    App().m_bCardRemoved = FALSE;
    m_pDlg->UpdateNotifyIcon();
    EXPECT_EQ(m_pDlg->GetIconShown(), 160u);
}

TEST_F(DialogTest, PagesSetTheIconByLevel)
{
    m_pDlg = Start();
    const UINT anIcons[] = {161, 160, 159, 158, 157, 156};
    for (int nLevel = 1; nLevel <= 6; ++nLevel)
    {
        m_pDlg->SendMessage(WM_USER + 3, 0, nLevel);
        EXPECT_EQ(m_pDlg->GetIconShown(), anIcons[nLevel - 1]) << nLevel;
    }
    for (LPARAM lOther : {0, 7, -1})
    {
        m_pDlg->SendMessage(WM_USER + 3, 0, lOther);
        EXPECT_EQ(m_pDlg->GetIconShown(), 156u) << lOther;
    }
}

TEST_F(DialogTest, RecognisesTheCardAmongOtherDrivers)
{
    // Other drivers are listed before and after the card's entry, as on a real handheld.
    AddActiveEntry(u"00", u"COM1:", u"\\Drivers\\BuiltIn\\Serial");
    AddActiveEntry(u"90", u"NUM1:", u"\\Drivers\\Other", true);
    AddActiveEntry(u"91", u"NDL2:", u"\\Drivers\\SDCARD\\ClientDrivers\\Custom\\SomethingElse");
    AddActiveEntry(u"92", u"NDL3:", kSecondCardKey);
    CPPC_uiDlg dlg;
    EXPECT_TRUE(dlg.IsOurCard(u"NDL1:"));
    EXPECT_TRUE(dlg.IsOurCard(u"NDL3:"));  // the card's second identity
    EXPECT_FALSE(dlg.IsOurCard(u"NDL2:")); // another SD client
    EXPECT_FALSE(dlg.IsOurCard(u"COM1:"));
    EXPECT_FALSE(dlg.IsOurCard(u"NUM1:")); // a name that is no string matches nothing
    EXPECT_FALSE(dlg.IsOurCard(u"ndl1:"));
    EXPECT_FALSE(dlg.IsOurCard(u"COM9:"));
    EXPECT_FALSE(dlg.IsOurCard(nullptr));
}

TEST_F(DialogTest, EjectRemovesTheAdapterAndTheIcon)
{
    m_pDlg = Start();
    ASSERT_TRUE(m_pDlg->GetConfig());
    // Another device comes and goes: the card keeps working.
    Cardctl("plug COM5:");
    Cardctl("unplug COM5:");
    SendDeviceChange(*m_pDlg, DBT_DEVICEREMOVECOMPLETE, u"COM5:");
    gwes::ProcessPending();
    EXPECT_TRUE(m_pDlg->GetConfig());
    EXPECT_FALSE(App().m_bCardRemoved);
    // A device change without its record is ignored.
    EXPECT_EQ(m_pDlg->SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0), 0);
    EXPECT_TRUE(m_pDlg->GetConfig());

    Cardctl("eject");
    SendDeviceChange(*m_pDlg, DBT_DEVICEREMOVECOMPLETE, u"NDL1:");
    EXPECT_FALSE(m_pDlg->GetConfig());
    EXPECT_TRUE(App().m_bCardRemoved);
    for (const auto& [pszName, pConfig, pDlg] : PageLinks(*m_pDlg))
        EXPECT_EQ(pConfig, nullptr) << pszName;
    EXPECT_EQ(m_pDlg->GetIconShown(), 0u);
    EXPECT_FALSE(m_pDlg->m_bSheetCreated);
    EXPECT_FALSE(m_pDlg->IsWindowVisible());
    // Open does nothing while the card is out.
    m_pDlg->OnTrayCommand(ID_TRAY_OPEN);
    EXPECT_FALSE(m_pDlg->IsWindowVisible());
    EXPECT_FALSE(m_pDlg->GetSheet()->GetSafeHwnd());
}

TEST_F(DialogTest, InsertionBringsTheIconBackWithoutTheSheet)
{
    m_pDlg = Start();
    Cardctl("eject");
    SendDeviceChange(*m_pDlg, DBT_DEVICEREMOVECOMPLETE, u"NDL1:");
    ASSERT_TRUE(App().m_bCardRemoved);
    m_boxes.clear();

    // Another port arriving starts nothing.
    Cardctl("plug COM5:");
    SendDeviceChange(*m_pDlg, DBT_DEVICEARRIVAL, u"COM5:");
    EXPECT_FALSE(m_pDlg->GetConfig());

    Cardctl("insert");
    SendDeviceChange(*m_pDlg, DBT_DEVICEARRIVAL, u"NDL1:");
    ASSERT_TRUE(m_pDlg->GetConfig());
    EXPECT_FALSE(App().m_bCardRemoved);
    EXPECT_EQ(m_pDlg->GetRadioPage()->m_pConfig, m_pDlg->GetConfig());
    EXPECT_EQ(m_pDlg->GetIconShown(), 160u);
    EXPECT_FALSE(m_pDlg->m_bSheetCreated);
    EXPECT_EQ(Count(m_boxes, u"PreCreateWindow"), 0);

    // A second arrival keeps the one configuration object.
    const DriverAdapterConfig* pConfig = m_pDlg->GetConfig();
    SendDeviceChange(*m_pDlg, DBT_DEVICEARRIVAL, u"NDL1:");
    EXPECT_EQ(m_pDlg->GetConfig(), pConfig);
}

TEST_F(DialogTest, ArrivalReadsThePortNameOnlyWithinTheRecordsSize)
{
    m_pDlg = Start();
    Cardctl("eject");
    SendDeviceChange(*m_pDlg, DBT_DEVICEREMOVECOMPLETE, u"NDL1:");
    ASSERT_TRUE(App().m_bCardRemoved);
    Cardctl("insert");

    // The record's size ends right after "NDL1:", without a terminator; the memory after it holds more
    // characters, which are no part of the name.
    auto arrive = [&](const std::u16string& declared, const std::u16string& after)
    {
        std::vector<BYTE> record = PortRecord(declared + after);
        DWORD dwSize = static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT, dbcp_name) + declared.size() * 2);
        memcpy(record.data(), &dwSize, sizeof(dwSize));
        m_pDlg->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(record.data()));
    };
    arrive(u"NDL", u"1:");
    EXPECT_FALSE(m_pDlg->GetConfig()) << "a name cut short by the size is another port";
    arrive(u"NDL1:", u"X");
    EXPECT_TRUE(m_pDlg->GetConfig());
    EXPECT_FALSE(App().m_bCardRemoved);
}

TEST_F(DialogTest, ArrivalThatStartsNoAdapterLeavesTheCardRemoved)
{
    m_pDlg = Start();
    struct Row
    {
        const char* fault;
        std::vector<std::u16string> messages;
    };
    const Row rows[] = {
        {"fault version 04000500", {u"Library API version is not compatibility!!"}},
        {"fault removed", {}}, // the card's binding does not answer: no adapter to start
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.fault);
        Cardctl("eject");
        SendDeviceChange(*m_pDlg, DBT_DEVICEREMOVECOMPLETE, u"NDL1:");
        Cardctl(row.fault);
        Cardctl("insert");
        m_boxes.clear();
        SendDeviceChange(*m_pDlg, DBT_DEVICEARRIVAL, u"NDL1:");
        EXPECT_FALSE(m_pDlg->GetConfig());
        EXPECT_TRUE(App().m_bCardRemoved);
        EXPECT_EQ(m_boxes.texts(), row.messages);
        EXPECT_EQ(m_pDlg->GetIconShown(), 0u);
        Cardctl("fault clear");
    }
}

TEST_F(DialogTest, WithoutTheCardHidesAndShowsNoIcon)
{
    Cardctl("eject");
    m_pDlg = Start();
    EXPECT_TRUE(App().m_bCardRemoved);
    EXPECT_FALSE(m_pDlg->GetConfig());
    EXPECT_EQ(m_pDlg->GetIconShown(), 0u);
    EXPECT_TRUE(WaitFor([&] { return !m_pDlg->IsWindowVisible(); }));
    EXPECT_FALSE(m_pDlg->GetSheet()->GetSafeHwnd());
    EXPECT_TRUE(m_boxes.texts().empty());
}

TEST_F(DialogTest, VersionMismatchEndsTheUtility)
{
    Cardctl("fault version 04000500");
    CPPC_uiDlg dlg;
    EXPECT_EQ(dlg.DoModal(), CPPC_uiDlg::RESULT_EXIT);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Library API version is not compatibility!!"});
    EXPECT_FALSE(dlg.GetConfig());
}

TEST_F(DialogTest, RadioCommandsWriteTheRegistryAndSwitchTheCard)
{
    m_pDlg = Start();
    m_pDlg->OnTrayCommand(ID_RADIO_OFF);
    EXPECT_EQ(Parameter(u"RadioOn"), u"0");
    EXPECT_NE(CardStatus().find("card: radio off"), std::string::npos);
    EXPECT_EQ(m_pDlg->CheckedRadioItem(), static_cast<UINT>(ID_RADIO_OFF));

    m_pDlg->OnTrayCommand(ID_RADIO_ON);
    EXPECT_EQ(Parameter(u"RadioOn"), u"1");
    EXPECT_NE(CardStatus().find("card: radio on"), std::string::npos);
    EXPECT_EQ(m_pDlg->CheckedRadioItem(), static_cast<UINT>(ID_RADIO_ON));
}

TEST_F(DialogTest, RadioCheckFollowsTheRegistryWithoutTheCard)
{
    Cardctl("eject");
    m_pDlg = Start();
    ASSERT_FALSE(m_pDlg->GetConfig());
    struct Row
    {
        const char16_t* value; // nullptr: no value
        UINT nChecked;
    };
    const Row rows[] = {
        {u"1", ID_RADIO_ON}, {u"0", ID_RADIO_OFF}, {u"yes", ID_RADIO_OFF}, {nullptr, ID_RADIO_OFF}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        SetRadioOn(row.value);
        EXPECT_EQ(m_pDlg->CheckedRadioItem(), row.nChecked);
    }
    // Without the card the radio commands change nothing.
    SetRadioOn(nullptr);
    m_pDlg->OnTrayCommand(ID_RADIO_ON);
    EXPECT_EQ(Parameter(u"RadioOn"), u"<none>");
}

TEST_F(DialogTest, SheetIsMadeOnceEvenWhenAskedFromItsOwnMessageBoxes)
{
    m_pDlg = Start();
    // OK hides the window and lets the sheet go.
    m_pDlg->SendMessage(WM_COMMAND, IDOK);
    EXPECT_FALSE(m_pDlg->IsWindowVisible());
    EXPECT_FALSE(m_pDlg->GetSheet()->GetSafeHwnd());
    EXPECT_TRUE(m_pDlg->m_bHiddenToTray);
    m_boxes.clear();

    // While a box of the sheet's creation is open, a second copy asks for the sheet.
    m_boxes.SetResponder(
        [&](const ce::RecordedMessageBox&)
        {
            m_pDlg->SendMessage(WM_USER + 18);
            return IDOK;
        });
    m_pDlg->SendMessage(WM_USER + 18);
    m_boxes.SetResponder(nullptr);
    EXPECT_EQ(Count(m_boxes, u"PreCreateWindow"), 1);
    EXPECT_EQ(Count(m_boxes, u"OnCreate"), 1);
    EXPECT_TRUE(m_pDlg->GetSheet()->GetSafeHwnd());
    EXPECT_TRUE(m_pDlg->m_bSheetCreated);
    EXPECT_TRUE(m_pDlg->IsWindowVisible());
    EXPECT_FALSE(m_pDlg->m_bHiddenToTray);
}

TEST_F(DialogTest, TrayTapPostsTheMenuRequest)
{
    m_pDlg = Start();
    // Another button or another icon's tap is no menu request.
    m_pDlg->SendMessage(WM_TBARDLGMESSAGE, 5001, WM_LBUTTONDOWN);
    m_pDlg->SendMessage(WM_TBARDLGMESSAGE, 5000, WM_LBUTTONUP);
    EXPECT_TRUE(m_pDlg->m_bTrayMenuRequested);
    // A button-down elsewhere than at (0, 0) shows no menu and keeps the request.
    m_pDlg->SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(m_pDlg->m_bTrayMenuRequested);
}

} // namespace
} // namespace app_test
