// The notification icon's pop-up menu, read and answered while it is open, as a user sees it.
#include "app_test_support.h"

#include <PropertySheetEx.h>

#include <gwes/shell.h>

namespace app_test
{
namespace
{

// Reads the open pop-up menu from a timer inside its loop and chooses an item (empty: dismisses it).
struct MenuDriver
{
    inline static std::string s_strMenu;
    inline static std::string s_strChoice;

    static void CALLBACK Tick(HWND hWnd, UINT, UINT_PTR nIDEvent, DWORD)
    {
        gwes::AutomationReply reply = gwes::Automate({"menu"});
        if (!reply.ok)
            return;
        KillTimer(hWnd, nIDEvent);
        s_strMenu = reply.output;
        if (s_strChoice.empty())
            EndMenu();
        else
            gwes::Automate({"choose", s_strChoice});
    }
};

class TrayMenuTest : public ShellTest
{
protected:
    // Taps the icon, waits for the menu, chooses `choice` in it; returns the menu as it was shown.
    std::string TapAndChoose(const std::string& choice)
    {
        MenuDriver::s_strMenu.clear();
        MenuDriver::s_strChoice = choice;
        SetTimer(m_pDlg->GetSafeHwnd(), 77, 10, &MenuDriver::Tick);
        m_pDlg->SendMessage(WM_TBARDLGMESSAGE, CPPC_uiDlg::NOTIFY_ICON_ID, WM_LBUTTONDOWN);
        EXPECT_TRUE(WaitFor([] { return !MenuDriver::s_strMenu.empty(); }));
        gwes::ProcessPending();
        KillTimer(m_pDlg->GetSafeHwnd(), 77);
        return MenuDriver::s_strMenu;
    }
};

TEST_F(TrayMenuTest, ShowsRadioOpenAndExitWithTheRegistrysRadioState)
{
    m_pDlg = Start();
    std::string strMenu = TapAndChoose("Off");
    EXPECT_EQ(strMenu, "popup \"Radio\"\n"
                       "  32771 \"On\" radio-checked\n"
                       "  32772 \"Off\"\n"
                       "-\n"
                       "32777 \"Open\"\n"
                       "32776 \"Exit\"\n");
    EXPECT_FALSE(m_pDlg->m_bTrayMenuRequested);
    EXPECT_EQ(Parameter(u"RadioOn"), u"0");
    EXPECT_NE(CardStatus().find("card: radio off"), std::string::npos);

    // The next tap shows Off checked; dismissing the menu changes nothing.
    strMenu = TapAndChoose("");
    EXPECT_NE(strMenu.find("32772 \"Off\" radio-checked"), std::string::npos) << strMenu;
    EXPECT_EQ(Parameter(u"RadioOn"), u"0");

    TapAndChoose("On");
    EXPECT_EQ(Parameter(u"RadioOn"), u"1");
    EXPECT_NE(CardStatus().find("card: radio on"), std::string::npos);
}

TEST_F(TrayMenuTest, OpenShowsTheSheetAgain)
{
    m_pDlg = Start();
    m_pDlg->SendMessage(WM_COMMAND, IDOK);
    ASSERT_FALSE(m_pDlg->IsWindowVisible());
    TapAndChoose("Open");
    EXPECT_TRUE(m_pDlg->IsWindowVisible());
    EXPECT_TRUE(m_pDlg->GetSheet()->GetSafeHwnd());
    EXPECT_EQ(m_pDlg->GetSheet()->GetActiveIndex(), 0);
}

TEST_F(TrayMenuTest, ChineseInterfaceRelabelsOpenAndExit)
{
    App().m_bLocalized = TRUE;
    m_pDlg = Start();
    std::string strMenu = TapAndChoose("");
    CString strOn, strOff, strRadio;
    strOn.LoadString(IDS_RADIO_ON);
    strOff.LoadString(IDS_RADIO_OFF);
    strRadio.LoadString(IDS_RADIO);
    auto utf8 = [](const CString& s)
    {
        std::string out;
        for (char16_t c : std::u16string(static_cast<LPCTSTR>(s)))
        {
            if (c < 0x80)
                out += static_cast<char>(c);
            else if (c < 0x800)
                out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            else
                out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (c & 0x3F))};
        }
        return out;
    };
    EXPECT_NE(strMenu.find("popup \"" + utf8(strRadio) + "\""), std::string::npos) << strMenu;
    EXPECT_NE(strMenu.find("32777 \"" + utf8(strOn) + "\""), std::string::npos) << strMenu;
    EXPECT_NE(strMenu.find("32776 \"" + utf8(strOff) + "\""), std::string::npos) << strMenu;
}

} // namespace
} // namespace app_test
