// The program WLAN as the user meets it: started in a fresh handheld, driven through its notification
// icon, its menu and its message boxes, with the card changed underneath it.
#include "wlan_e2e_support.h"

namespace wlan_e2e
{
namespace
{

TEST_F(WlanE2E, IconMenuCardAndExit)
{
    Wlan wlan;
    ASSERT_GT(wlan.pid(), 0);
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    EXPECT_TRUE(wlan.WaitIcon(160));

    EXPECT_EQ(wlan.Title(), kCaption);
    // The sheet with its three pages: the tabs of its tab strip.
    std::string tabs;
    EXPECT_TRUE(wlan.OnWindow("items", std::to_string(kSheetTabs), &tabs));
    EXPECT_EQ(tabs, "0 \"Status\"\n1 \"Radio\"\n2 \"About\"\n");

    // Eject: the icon goes; insert: it comes back, without the sheet's boxes.
    ASSERT_TRUE(Tool("cardctl", "eject"));
    EXPECT_TRUE(wlan.WaitIcon(0));
    ASSERT_TRUE(Tool("cardctl", "insert"));
    EXPECT_TRUE(wlan.WaitIcon(160));
    EXPECT_FALSE(wlan.Ui("msgbox"));

    // The icon follows the signal on the refresh timer.
    struct Row
    {
        const char* setting;
        int nIcon;
    };
    for (const Row& row : {Row{"set rssi -49", 161}, Row{"set rssi -50", 160}, Row{"set rssi -80", 157},
                           Row{"set link down", 156}})
    {
        SCOPED_TRACE(row.setting);
        ASSERT_TRUE(Tool("cardctl", row.setting));
        wlan.OnWindow("timer", "254");
        EXPECT_TRUE(wlan.WaitIcon(row.nIcon));
    }
    ASSERT_TRUE(Tool("cardctl", "set link up"));
    ASSERT_TRUE(Tool("cardctl", "set rssi -50"));

    // Another device coming and going leaves the card alone.
    ASSERT_TRUE(Tool("cardctl", "plug COM5:"));
    ASSERT_TRUE(Tool("cardctl", "unplug COM5:"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_NE(wlan.Icon(), 0);

    // Radio off and on from the menu, with the check mark on the registry's state.
    std::string menu = wlan.Choose("32772");
    EXPECT_NE(menu.find("32771 \"On\" radio-checked"), std::string::npos) << menu;
    EXPECT_TRUE(Eventually([&] { return Parameter("RadioOn").find("REG_SZ    0") != std::string::npos; }))
        << Parameter("RadioOn");
    std::string status;
    Tool("cardctl", "status", &status);
    EXPECT_NE(status.find("card: radio off"), std::string::npos);
    menu = wlan.Choose("32771");
    EXPECT_NE(menu.find("32772 \"Off\" radio-checked"), std::string::npos) << menu;
    Tool("cardctl", "status", &status);
    EXPECT_TRUE(Eventually(
        [&]
        {
            Tool("cardctl", "status", &status);
            return status.find("card: radio on") != std::string::npos;
        }));

    // A second start exits at once; the first comes forward and makes its sheet again.
    {
        Wlan second;
        int code = 0;
        EXPECT_TRUE(second.WaitExit(5000, &code));
    }
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);

    // Hidden again by a card change, Open shows the sheet; a screenshot of it.
    ASSERT_TRUE(Tool("cardctl", "eject"));
    EXPECT_TRUE(wlan.WaitIcon(0));
    ASSERT_TRUE(Tool("cardctl", "insert"));
    EXPECT_TRUE(wlan.WaitIcon(160));
    wlan.Choose("32777");
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    std::string shot = (testing_support::ProgramDir().parent_path() / "wlan_sheet_en.png").string();
    EXPECT_TRUE(wlan.OnWindow("screenshot", Quote(shot)));

    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

TEST_F(WlanE2E, WithoutTheCardHidesWithNoIconUntilTheCardComes)
{
    ASSERT_TRUE(Tool("cardctl", "eject"));
    Wlan wlan;
    // The window hides on its timer and shows no icon.
    EXPECT_TRUE(Eventually([&] { return !wlan.Window().empty(); }));
    std::string timers;
    EXPECT_TRUE(Eventually(
        [&]
        {
            wlan.OnWindow("timers", "", &timers);
            return timers.find(" 256") == std::string::npos;
        }))
        << timers;
    EXPECT_EQ(wlan.Icon(), 0);
    ASSERT_TRUE(Tool("cardctl", "insert"));
    EXPECT_TRUE(wlan.WaitIcon(160));
    EXPECT_FALSE(wlan.Ui("msgbox"));
    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

TEST_F(WlanE2E, DriverVersionMismatchEndsTheUtility)
{
    ASSERT_TRUE(Tool("cardctl", "fault version 04000500"));
    Wlan wlan;
    EXPECT_EQ(wlan.AnswerBoxes(1), std::vector<std::string>{"Library API version is not compatibility!!"});
    EXPECT_TRUE(wlan.WaitExit(5000));
}

TEST_F(WlanE2E, ChineseCaptionsAndScreenshots)
{
    struct Row
    {
        const char* lang;
        const char* caption;
        const char* file;
    };
    const Row rows[] = {
        {"zh_TW.UTF-8", "Keltrax QN40-SD 工具程式", "wlan_sheet_zh_TW.png"},
        {"zh_CN.UTF-8", "Keltrax QN40-SD 工具程序", "wlan_sheet_zh_CN.png"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.lang);
        Wlan wlan(row.lang);
        EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
        EXPECT_EQ(wlan.Title(), row.caption);
        std::string shot = (testing_support::ProgramDir().parent_path() / row.file).string();
        EXPECT_TRUE(wlan.OnWindow("screenshot", Quote(shot)));
        wlan.Choose("32776"); // Exit, labelled with the Off text
        EXPECT_TRUE(wlan.WaitExit(5000));
    }
}

} // namespace
} // namespace wlan_e2e
