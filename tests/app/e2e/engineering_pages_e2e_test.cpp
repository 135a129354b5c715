// The engineering pages in a sheet of their own (engineering_sheet) driven from outside: Read All on the
// baseband register page, and an EEPROM load from a file chosen in the file dialog, read back through
// cardctl.
#include "wlan_e2e_support.h"

#include <fstream>

namespace wlan_e2e
{
namespace
{

class EngineeringPages : public WlanE2E
{
};

// The card's EEPROM as cardctl lists it, without the line labels.
std::string CardEeprom()
{
    std::string listing, words;
    Tool("cardctl", "eeprom", &listing);
    for (size_t at = 0; at < listing.size(); at = listing.find('\n', at) + 1)
        words += listing.substr(at + 4, listing.find('\n', at) - at - 4);
    return words;
}

TEST_F(EngineeringPages, ReadAllOnBBCRThenAnEEPROMLoadFromAFile)
{
    std::string image, expected;
    for (int i = 0; i < 128; ++i)
    {
        char word[8];
        std::snprintf(word, sizeof word, "%04x", 0xE000 + i);
        image += word + std::string(i % 8 == 7 ? "\r\n" : ",");
        expected += std::string(" ") + word;
    }
    const std::string path = (m_handheld.path() / "image.txt").string();
    std::ofstream(path) << image;
    ASSERT_NE(CardEeprom(), expected);

    Wlan sheet("en_US.UTF-8", "engineering_sheet");
    ASSERT_TRUE(Eventually([&] { return sheet.Title() == "Engineering"; }));
    std::string text;
    ASSERT_TRUE(sheet.OnWindow("click", "1022"));
    EXPECT_TRUE(Eventually([&] { return sheet.OnWindow("text", "1020", &text) && text.size() > 16 * 25; }));
    EXPECT_EQ(text.substr(0, 6), "0000:\t");
    ASSERT_TRUE(sheet.OnWindow("select", std::to_string(kSheetTabs) + " 2"));
    ASSERT_TRUE(sheet.OnWindow("click", "1029"));
    std::string dialog;
    EXPECT_TRUE(Eventually([&] { return sheet.Ui("filedialog", &dialog); }));
    EXPECT_NE(dialog.find("filter \"Text Files (*.txt)\" \"*.txt\""), std::string::npos) << dialog;
    ASSERT_TRUE(sheet.Ui("filedialog " + Quote(path)));
    EXPECT_TRUE(Eventually([&] { return CardEeprom() == expected; })) << CardEeprom();
    ASSERT_TRUE(sheet.OnWindow("click", "1022"));
    EXPECT_TRUE(Eventually([&] { return sheet.OnWindow("text", "1028", &text) && text.size() > 32 * 25; }));
    EXPECT_EQ(text.substr(0, 25), "000:\tE000\tE001\tE002\tE003\r");
    EXPECT_FALSE(sheet.Ui("msgbox"));
    std::string shot = (testing_support::ProgramDir().parent_path() / "engineering_pages.png").string();
    EXPECT_TRUE(sheet.OnWindow("screenshot", Quote(shot)));
    ASSERT_TRUE(sheet.OnWindow("click", "1"));
    EXPECT_TRUE(sheet.WaitExit(5000));

    // Under the Chinese interface the pages come from the language's templates.
    Wlan chinese("zh_CN.UTF-8", "engineering_sheet");
    ASSERT_TRUE(Eventually([&] { return chinese.Title() == "Engineering"; }));
    ASSERT_TRUE(chinese.OnWindow("click", "1022"));
    EXPECT_TRUE(Eventually([&] { return chinese.OnWindow("text", "1020", &text) && text.size() > 16 * 25; }));
    shot = (testing_support::ProgramDir().parent_path() / "engineering_pages_zh_CN.png").string();
    EXPECT_TRUE(chinese.OnWindow("screenshot", Quote(shot)));
    ASSERT_TRUE(chinese.OnWindow("click", "2"));
    EXPECT_TRUE(chinese.WaitExit(5000));
}

} // namespace
} // namespace wlan_e2e
