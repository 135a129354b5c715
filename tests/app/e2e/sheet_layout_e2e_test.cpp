// The sheet covers the main window's client area however it came to be made: at start with the card in,
// or on Open after the card arrived while the window was still minimised.
#include "wlan_e2e_support.h"

#include <QImage>

namespace wlan_e2e
{
namespace
{

// A screenshot of the utility's main window with the sheet, saved under the build folder.
QImage SheetShot(Wlan& wlan, const char* pszFile)
{
    const std::string shot = (testing_support::ProgramDir().parent_path() / pszFile).string();
    EXPECT_TRUE(wlan.OnWindow("screenshot", Quote(shot)));
    return QImage(QString::fromStdString(shot)).convertToFormat(QImage::Format_RGB32);
}

// Rows at the bottom of the window: the tab strip of a sheet that reaches down to the window's edge.
testing::AssertionResult SameBottomRows(const QImage& expected, const QImage& actual, int rows)
{
    if (expected.isNull() || actual.isNull() || expected.size() != actual.size())
        return testing::AssertionFailure() << "the screenshots differ in size";
    for (int y = expected.height() - rows; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (expected.pixel(x, y) != actual.pixel(x, y))
                return testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return testing::AssertionSuccess();
}

TEST_F(WlanE2E, ASheetMadeWhileTheWindowIsMinimisedCoversItWhenShown)
{
    ASSERT_TRUE(Tool("cardctl", "clock freeze"));
    QImage atStart;
    {
        Wlan wlan;
        EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
        EXPECT_TRUE(wlan.WaitIcon(160));
        atStart = SheetShot(wlan, "wlan_sheet_at_start.png");
        wlan.Choose("32776");
        EXPECT_TRUE(wlan.WaitExit(5000));
    }

    // Started without the card, the window minimises and hides; the card comes, then Open.
    ASSERT_TRUE(Tool("cardctl", "eject"));
    Wlan wlan;
    std::string timers;
    EXPECT_TRUE(Eventually(
        [&]
        {
            return !wlan.Window().empty() && wlan.OnWindow("timers", "", &timers) &&
                   timers.find(" 256") == std::string::npos;
        }));
    ASSERT_TRUE(Tool("cardctl", "insert"));
    EXPECT_TRUE(wlan.WaitIcon(160));
    wlan.Choose("32777");
    EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    const QImage afterInsert = SheetShot(wlan, "wlan_sheet_after_insert.png");
    EXPECT_TRUE(SameBottomRows(atStart, afterInsert, 40));
    wlan.Choose("32776");
    EXPECT_TRUE(wlan.WaitExit(5000));
}

} // namespace
} // namespace wlan_e2e
