// The baseband register page on the simulated card: the index's low 8 bits, writes only from valid input,
// and the listing of registers 0 to 127 with its scroll position kept.
#include "register_page_test_support.h"

#include <BBCR.h>
#include <resource.h>

namespace page_test
{
namespace
{

class BBCRPage : public RegisterPageTest<CBBCR>
{
};

TEST_F(BBCRPage, ReadAndSetUseTheIndexsLowByteAndWriteOnlyFromValidInput)
{
    Type(IDC_BB_INDEX, u"44");
    Click(IDC_READ);
    const std::u16string register44 = Text(IDC_BB_DATA);
    Type(IDC_BB_INDEX, u"300");
    Type(IDC_BB_DATA, u"");
    Click(IDC_READ);
    EXPECT_EQ(Text(IDC_BB_DATA), register44);

    const struct
    {
        const char16_t *pszIndex, *pszData, *pszRead; // register 7 read back after the Set
    } rows[] = {
        {u"7", u"1ff", u"ff"}, {u"7", u" 0x3c", u"3c"}, {u"7", u"zz", u"3c"}, {u"seven", u"12", u"3c"}};
    for (const auto& row : rows)
    {
        Type(IDC_BB_INDEX, row.pszIndex);
        Type(IDC_BB_DATA, row.pszData);
        Click(IDC_SET);
        Type(IDC_BB_INDEX, u"7");
        Click(IDC_READ);
        EXPECT_EQ(Text(IDC_BB_DATA), row.pszRead) << CString(row.pszData).ToUtf8();
    }
    EXPECT_EQ(m_boxes.texts(), (std::vector<std::u16string>{u"Please enter a hexadecimal number.",
                                                            u"Please enter an integer."}));
}

TEST_F(BBCRPage, ReadAllListsSixteenLabelledLinesAndKeepsTheScrollPosition)
{
    Click(IDC_READ);
    const std::u16string register0 = Text(IDC_BB_DATA);
    Click(IDC_READ_ALL);
    const std::u16string listing = m_page.m_strOutput.GetString();
    EXPECT_EQ(listing.substr(0, 8), u"0000:\t" + register0);
    EXPECT_EQ(listing.find(u"\r\n"), 6u + 8 * 3 - 1); // eight values, then the line break
    EXPECT_EQ(std::count(listing.begin(), listing.end(), u'\n'), 16);
    EXPECT_EQ(listing.substr(listing.size() - 31, 6), u"0120:\t");

    Scroll(IDC_BB_OUTPUT, 5);
    Type(IDC_BB_INDEX, u"typed");
    Click(IDC_READ_ALL);
    EXPECT_EQ(FirstLine(IDC_BB_OUTPUT), 5);
    EXPECT_EQ(Text(IDC_BB_INDEX), u"typed"); // only the listing is refreshed

    // Register 40 fails: the configuration's message under the wait cursor, then the page's after it; the
    // box keeps its text and place.
    Cardctl("fault bbreg read 40");
    const std::u16string shown = Text(IDC_BB_OUTPUT);
    Click(IDC_READ_ALL);
    EXPECT_EQ(m_boxes.texts(),
              (std::vector<std::u16string>{u"Failed to read configuration", u"Fail to read"}));
    EXPECT_EQ(m_waitAtBox, (std::vector<bool>{true, false}));
    EXPECT_EQ(Text(IDC_BB_OUTPUT), shown);
    EXPECT_EQ(FirstLine(IDC_BB_OUTPUT), 5);
}

} // namespace
} // namespace page_test
