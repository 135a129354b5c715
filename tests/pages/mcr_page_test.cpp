// The MAC register page on the simulated card: addresses read as hexadecimal, writes only from texts that
// hold numbers, failures reported, and the listing of the whole register block.
#include "register_page_test_support.h"

#include <MCR.h>
#include <resource.h>

#include <chrono>

namespace page_test
{
namespace
{

// The 320 reads take a few hundred milliseconds in an optimised build on an idle machine; the bound leaves
// room for a loaded one (the benchmark measures the cost). Unoptimised and instrumented builds only have
// to finish.
#if defined(NDEBUG) && !defined(QN40_SANITIZED)
const auto kReadAllBudget = std::chrono::seconds(3);
#else
const auto kReadAllBudget = std::chrono::seconds(20);
#endif

class MCRPage : public RegisterPageTest<CMCR>
{
protected:
    std::u16string Read(const char16_t* pszAddress)
    {
        Type(IDC_MCR_ADDR, pszAddress);
        Type(IDC_MCR_DATA, u"");
        Click(IDC_READ);
        return Text(IDC_MCR_DATA);
    }
};

TEST_F(MCRPage, AddressesAreHexAndSetWritesOnlyFromNumbers)
{
    EXPECT_EQ(Read(u""), u"0a5d3b17"); // register 0, the chip's identity
    const std::u16string register10 = Read(u"10");
    EXPECT_EQ(register10.size(), 8u);
    EXPECT_EQ(Read(u"0x10"), register10);

    const struct
    {
        const char16_t *pszAddress, *pszData;
    } rows[] = {{u"20", u"DeadBeef"}, {u"", u"1"}, {u"zz", u"1"}, {u"20", u"g1"}};
    for (const auto& row : rows)
    {
        Type(IDC_MCR_ADDR, row.pszAddress);
        Type(IDC_MCR_DATA, row.pszData);
        Click(IDC_SET);
    }
    EXPECT_EQ(Read(u"20"), u"deadbeef");
    EXPECT_EQ(Read(u"0"), u"0a5d3b17");
    Cardctl("fault macreg write 0x20");
    Type(IDC_MCR_ADDR, u"20");
    Type(IDC_MCR_DATA, u"1");
    Click(IDC_SET);
    EXPECT_EQ(Count(u"Please enter a hexadecimal number."), 3);
    EXPECT_EQ(Count(u"Fail to read write"), 1);
}

TEST_F(MCRPage, ReadAllListsTheBlockQuicklyAndKeepsTheBoxWhenARegisterFails)
{
    const auto start = std::chrono::steady_clock::now();
    Click(IDC_READ_ALL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kReadAllBudget);
    const std::u16string listing = m_page.m_strOutput.GetString();
    EXPECT_EQ(listing.substr(0, 15), u"0000: 0a5d3b17 ");
    EXPECT_EQ(listing.find(u"\r\n"), 6u + 4 * 9); // four values, then the line break
    EXPECT_EQ(listing.substr(6 + 4 * 9, 8), u"\r\n0010: ");
    EXPECT_EQ(std::count(listing.begin(), listing.end(), u'\n'), 79);
    EXPECT_EQ(listing.substr(listing.size() - 44, 8), u"\r\n04f0: ");
    EXPECT_EQ(listing.back(), u' '); // no line break at the end

    // A failure at 0x100 leaves the box, scrolled down, as it was; one message after the wait cursor.
    Scroll(IDC_MCR_OUTPUT, 7);
    Cardctl("fault macreg read 0x100");
    const std::u16string shown = Text(IDC_MCR_OUTPUT);
    Click(IDC_READ_ALL);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Fail to read"});
    EXPECT_EQ(m_waitAtBox, std::vector<bool>{false});
    EXPECT_EQ(Text(IDC_MCR_OUTPUT), shown);
    EXPECT_EQ(FirstLine(IDC_MCR_OUTPUT), 7);
    // A single read that fails keeps the data box.
    Type(IDC_MCR_ADDR, u"100");
    Type(IDC_MCR_DATA, u"kept");
    Click(IDC_READ);
    EXPECT_EQ(Text(IDC_MCR_DATA), u"kept");
}

} // namespace
} // namespace page_test
