// The baseband register page on the simulated card: the index's low 8 bits, writes only from valid input,
// and the listing of registers 0 to 127 with its scroll position kept.
#include "register_page_test_support.h"

#include <BBCR.h>
#include <resource.h>

namespace page_test
{
namespace
{

class BBCRPage : public RegisterPageTest
{
protected:
    void SetUp() override
    {
        RegisterPageTest::SetUp();
        m_page.m_pConfig = m_pConfig.get();
        Host(&m_page);
    }
    BYTE Register(BYTE bIndex)
    {
        BYTE bValue = 0;
        EXPECT_TRUE(m_pConfig->ReadBBRegister(bIndex, &bValue));
        return bValue;
    }
    CBBCR m_page;
};

TEST_F(BBCRPage, ReadAndSetUseTheIndexsLowByteAndWriteOnlyFromValidInput)
{
    Type(&m_page, IDC_BB_INDEX, u"300");
    Click(&m_page, IDC_READ);
    ASSERT_EQ(m_pWatched->m_accesses.size(), 1u);
    EXPECT_EQ(m_pWatched->m_accesses[0].address, 44u);
    CString strExpected;
    strExpected.Format(u"%02x", Register(44));
    EXPECT_EQ(Text(&m_page, IDC_BB_DATA), strExpected.GetString());

    Type(&m_page, IDC_BB_INDEX, u"7");
    Type(&m_page, IDC_BB_DATA, u"1ff");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(Register(7), 0xFF);
    Type(&m_page, IDC_BB_DATA, u" 0x3c");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(Register(7), 0x3C);
    m_pWatched->m_accesses.clear();

    // A data text without a number, and an index that is no integer, write nothing.
    Type(&m_page, IDC_BB_DATA, u"zz");
    Click(&m_page, IDC_SET);
    Type(&m_page, IDC_BB_INDEX, u"seven");
    Type(&m_page, IDC_BB_DATA, u"12");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(m_pWatched->Count('w'), 0);
    EXPECT_EQ(m_boxes.texts(), (std::vector<std::u16string>{u"Please enter a hexadecimal number.",
                                                            u"Please enter an integer."}));
    // A read goes on with the index before.
    Click(&m_page, IDC_READ);
    ASSERT_EQ(m_pWatched->m_accesses.size(), 1u);
    EXPECT_EQ(m_pWatched->m_accesses.back().address, 7u);
    EXPECT_EQ(Text(&m_page, IDC_BB_DATA), u"3c");
}

TEST_F(BBCRPage, ReadAllListsSixteenLabelledLinesAndKeepsTheScrollPosition)
{
    Click(&m_page, IDC_READ_ALL);
    ASSERT_EQ(m_pWatched->m_accesses.size(), 128u);
    CString strFirst = u"0000:\t";
    for (int i = 0; i < 8; ++i)
        strFirst.AppendFormat(i == 7 ? u"%02x\r\n" : u"%02x ", m_pWatched->m_accesses[i].value);
    const std::u16string listing = m_page.m_strOutput.GetString();
    EXPECT_EQ(listing.substr(0, strFirst.GetLength()), strFirst.GetString());
    EXPECT_EQ(std::count(listing.begin(), listing.end(), u'\n'), 16);
    EXPECT_NE(listing.find(u"\r\n0008:\t"), std::u16string::npos);
    EXPECT_EQ(listing.substr(listing.size() - 31, 6), u"0120:\t");
    for (const Access& access : m_pWatched->m_accesses)
        EXPECT_TRUE(access.waiting);

    Scroll(&m_page, IDC_BB_OUTPUT, 5);
    Type(&m_page, IDC_BB_INDEX, u"typed, not read");
    Click(&m_page, IDC_READ_ALL);
    EXPECT_EQ(FirstLine(&m_page, IDC_BB_OUTPUT), 5);
    EXPECT_EQ(Text(&m_page, IDC_BB_INDEX), u"typed, not read"); // only the listing is refreshed

    // A failure at register 40: the configuration's message under the wait cursor, then the page's after
    // it; the box keeps its text and place.
    Cardctl("fault bbreg read 40");
    const std::u16string shown = Text(&m_page, IDC_BB_OUTPUT);
    Click(&m_page, IDC_READ_ALL);
    EXPECT_EQ(m_boxes.texts(),
              (std::vector<std::u16string>{u"Failed to read configuration", u"Fail to read"}));
    EXPECT_EQ(m_waitAtBox, (std::vector<bool>{true, false}));
    EXPECT_EQ(Text(&m_page, IDC_BB_OUTPUT), shown);
    EXPECT_EQ(FirstLine(&m_page, IDC_BB_OUTPUT), 5);
    EXPECT_EQ(m_pWatched->m_accesses.size(), 2 * 128u + 41u);
}

TEST_F(BBCRPage, WithoutAConfigurationTheButtonsDoNothing)
{
    m_page.m_pConfig = nullptr;
    Type(&m_page, IDC_BB_DATA, u"55");
    for (int nId : {IDC_READ, IDC_SET, IDC_READ_ALL})
        Click(&m_page, nId);
    EXPECT_TRUE(m_pWatched->m_accesses.empty());
    EXPECT_TRUE(m_boxes.texts().empty());
    EXPECT_EQ(Text(&m_page, IDC_BB_OUTPUT), u"");
}

} // namespace
} // namespace page_test
