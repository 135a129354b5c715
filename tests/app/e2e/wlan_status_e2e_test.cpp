// The status page of the running program: what a user who opens the sheet sees of the simulated link, and
// how the page and the notification icon follow the air.
#include "wlan_e2e_support.h"

namespace wlan_e2e
{
namespace
{

const char kBssid[] = "00-13-46-7A-2B-01";

class WlanStatusE2E : public WlanE2E
{
protected:
    // The text of a control of the sheet's pages.
    static std::string Field(Wlan& wlan, int nId)
    {
        std::string text;
        wlan.OnWindow("text", std::to_string(nId), &text);
        return text.substr(0, text.find('\n'));
    }
    // The position of a progress bar of the pages, -1 when it is not listed.
    static int BarPos(Wlan& wlan, int nId)
    {
        std::string controls;
        wlan.OnWindow("controls", "", &controls);
        const std::string line = "\n" + std::to_string(nId) + " msctls_progress32 ";
        size_t at = ("\n" + controls).find(line);
        if (at == std::string::npos)
            return -1;
        size_t pos = controls.find(",pos=", at);
        return pos == std::string::npos ? -1 : std::atoi(controls.c_str() + pos + 5);
    }
    static std::string CardMac()
    {
        std::string status;
        Tool("cardctl", "status", &status);
        size_t at = status.find("mac ");
        return at == std::string::npos ? std::string() : status.substr(at + 4, 17);
    }
    static void Screenshot(Wlan& wlan, const char* pszFile)
    {
        std::string shot = (testing_support::ProgramDir().parent_path() / pszFile).string();
        EXPECT_TRUE(wlan.OnWindow("screenshot", Quote(shot)));
    }
};

TEST_F(WlanStatusE2E, TheShownPageFollowsTheLinkAndTheIconItsLoss)
{
    Wlan wlan;
    ASSERT_GT(wlan.pid(), 0);
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    EXPECT_TRUE(wlan.WaitIcon(160));

    EXPECT_EQ(Field(wlan, 1003), "HarborNet");
    EXPECT_EQ(Field(wlan, 1004), std::string("Connected: ") + kBssid);
    EXPECT_EQ(Field(wlan, 1005), "Infrastructure Station");
    EXPECT_EQ(Field(wlan, 1006), "6");
    EXPECT_EQ(Field(wlan, 1007), "11 Mbps");
    EXPECT_EQ(Field(wlan, 1013), CardMac());
    // The address comes from the IP helper, at the latest on the next address refresh.
    wlan.OnWindow("timer", "255");
    EXPECT_TRUE(Eventually([&] { return Field(wlan, 1014) == "192.168.1.105"; })) << Field(wlan, 1014);
    EXPECT_EQ(BarPos(wlan, 1011), 80); // -50 dBm, as the page's activation read it
    EXPECT_GT(BarPos(wlan, 1012), 0);

    // A weaker signal: one link tick moves the bar (drawn one below the 40 % read).
    ASSERT_TRUE(Tool("cardctl", "set rssi -70"));
    ASSERT_TRUE(wlan.OnWindow("timer", "254"));
    EXPECT_TRUE(Eventually([&] { return BarPos(wlan, 1011) == 39; })) << BarPos(wlan, 1011);
    EXPECT_GT(BarPos(wlan, 1012), 0);
    Screenshot(wlan, "wlan_status_en.png");

    // The link goes: one tick shows it and turns the icon to the disconnected picture.
    ASSERT_TRUE(Tool("cardctl", "set link down"));
    ASSERT_TRUE(wlan.OnWindow("timer", "254"));
    EXPECT_TRUE(Eventually([&] { return Field(wlan, 1004) == "Disconnected. Scanning..."; }))
        << Field(wlan, 1004);
    EXPECT_TRUE(wlan.WaitIcon(156));
    EXPECT_EQ(BarPos(wlan, 1011), 0);
    EXPECT_EQ(BarPos(wlan, 1012), 0);
    EXPECT_EQ(Field(wlan, 1003), ""); // the registry's "Ssid", empty in the factory settings

    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

TEST_F(WlanStatusE2E, ChineseLabelsAndScreenshot)
{
    Wlan wlan("zh_TW.UTF-8");
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    EXPECT_TRUE(wlan.WaitIcon(160));
    EXPECT_EQ(Field(wlan, 1067), "狀態");
    EXPECT_EQ(Field(wlan, 1010), "連線品質");
    EXPECT_EQ(Field(wlan, 1003), "HarborNet");
    wlan.OnWindow("timer", "255");
    EXPECT_TRUE(Eventually([&] { return Field(wlan, 1014) == "192.168.1.105"; }));
    EXPECT_GT(BarPos(wlan, 1011), 0);
    EXPECT_GT(BarPos(wlan, 1012), 0);
    Screenshot(wlan, "wlan_status_zh_TW.png");
    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

} // namespace
} // namespace wlan_e2e
