// The Radio and About pages of the running program: the radio switched from the page and from the icon's
// menu, each showing the other's change, and pictures of both pages in English and Chinese.
#include "wlan_e2e_support.h"

namespace wlan_e2e
{
namespace
{

const int kRadioOff = 1047;
const int kRadioOn = 1048;
const int kAdhocChannel = 1049;
const int kPowerSaving = 1051;
const int kDriverVersion = 1039;

class WlanRadioE2E : public WlanE2E
{
protected:
    // Makes tab nTab the sheet's page and waits until the control shows on it.
    static bool ShowPage(Wlan& wlan, int nTab, int nControl)
    {
        if (!wlan.OnWindow("select", std::to_string(kSheetTabs) + " " + std::to_string(nTab)))
            return false;
        return Eventually(
            [&]
            {
                std::string controls;
                wlan.OnWindow("controls", "", &controls);
                // A visible control lists without "hidden".
                const std::string id = std::to_string(nControl) + " ";
                for (size_t at = 0; (at = controls.find("\n" + id, at)) != std::string::npos; ++at)
                {
                    std::string line = controls.substr(at + 1, controls.find('\n', at + 1) - at - 1);
                    if (line.find("hidden") == std::string::npos)
                        return true;
                }
                return false;
            });
    }
    static std::string Checked(Wlan& wlan, int nButton)
    {
        std::string state;
        wlan.OnWindow("check", std::to_string(nButton), &state);
        return state;
    }
    bool CardRadio(const char* pszState)
    {
        return Eventually(
            [&]
            {
                std::string status;
                Tool("cardctl", "status", &status);
                return status.find(std::string("card: radio ") + pszState) != std::string::npos;
            });
    }
    bool Stored(const char* pszName, const char* pszValue)
    {
        return Eventually(
            [&]
            { return Parameter(pszName).find(std::string("REG_SZ    ") + pszValue) != std::string::npos; });
    }
    static void Screenshot(Wlan& wlan, const char* pszFile)
    {
        std::string shot = (testing_support::ProgramDir().parent_path() / pszFile).string();
        EXPECT_TRUE(wlan.OnWindow("screenshot", Quote(shot)));
    }
};

TEST_F(WlanRadioE2E, OffOnThePageAndOnInTheMenuAgree)
{
    Wlan wlan;
    ASSERT_GT(wlan.pid(), 0);
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    ASSERT_TRUE(wlan.WaitIcon(160));
    ASSERT_TRUE(ShowPage(wlan, 1, kAdhocChannel));

    std::string items;
    wlan.OnWindow("items", std::to_string(kAdhocChannel), &items);
    EXPECT_NE(items.find("12 \"13 (2472 MHz)\"\n"), std::string::npos) << items;
    EXPECT_EQ(Checked(wlan, kRadioOn), "1\n");
    Screenshot(wlan, "wlan_radio_en.png");

    // Off on the page: the card's radio goes off and the state is stored; the menu shows it.
    ASSERT_TRUE(wlan.OnWindow("click", std::to_string(kRadioOff)));
    EXPECT_TRUE(CardRadio("off"));
    EXPECT_TRUE(Stored("RadioOn", "0"));
    std::string menu = wlan.Choose("32771"); // On, from the menu
    EXPECT_NE(menu.find("32772 \"Off\" radio-checked"), std::string::npos) << menu;
    EXPECT_TRUE(CardRadio("on"));
    EXPECT_TRUE(Stored("RadioOn", "1"));
    // The page shows the menu's change when it becomes active again.
    ASSERT_TRUE(ShowPage(wlan, 2, kDriverVersion));
    ASSERT_TRUE(ShowPage(wlan, 1, kAdhocChannel));
    EXPECT_TRUE(Eventually([&] { return Checked(wlan, kRadioOn) == "1\n"; }));
    EXPECT_EQ(Checked(wlan, kRadioOff), "0\n");

    // The About page with the stored driver version.
    ASSERT_TRUE(ShowPage(wlan, 2, kDriverVersion));
    std::string version;
    wlan.OnWindow("text", std::to_string(kDriverVersion), &version);
    EXPECT_EQ(version, "2.01.05.0017\n");
    Screenshot(wlan, "wlan_about_en.png");

    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

TEST_F(WlanRadioE2E, SimplifiedChineseRadioPage)
{
    Wlan wlan("zh_CN.UTF-8");
    ASSERT_GT(wlan.pid(), 0);
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    ASSERT_TRUE(ShowPage(wlan, 1, kAdhocChannel));
    std::string items;
    wlan.OnWindow("items", std::to_string(kPowerSaving), &items);
    EXPECT_EQ(items, "0 \"关闭\"\n1 \"启动 (最大)\"\n2 \"启动 (最快)\"\n");
    std::string label;
    wlan.OnWindow("text", std::to_string(kRadioOn), &label);
    EXPECT_EQ(label, "开启\n");
    Screenshot(wlan, "wlan_radio_zh_CN.png");
    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

} // namespace
} // namespace wlan_e2e
