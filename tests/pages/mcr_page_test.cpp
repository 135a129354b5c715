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

// The 320 reads take a few hundred milliseconds in an optimised build; unoptimised and instrumented builds
// only have to finish.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
const auto kReadAllBudget = std::chrono::seconds(1);
#else
const auto kReadAllBudget = std::chrono::seconds(20);
#endif

class MCRPage : public RegisterPageTest
{
protected:
    void SetUp() override
    {
        RegisterPageTest::SetUp();
        m_page.m_pConfig = m_pConfig.get();
        Host(&m_page);
    }
    CMCR m_page;
};

TEST_F(MCRPage, ReadTakesTheAddressAsHexAndAnEmptyBoxAsZero)
{
    const struct
    {
        const char16_t* pszAddress;
        DWORD dwAddress;
    } rows[] = {{u"", 0}, {u"0x10", 0x10}, {u"10", 0x10}, {u"  4fc", 0x4FC}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(CString(row.pszAddress).ToUtf8());
        m_pWatched->m_accesses.clear();
        Type(&m_page, IDC_MCR_ADDR, row.pszAddress);
        Click(&m_page, IDC_READ);
        ASSERT_EQ(m_pWatched->m_accesses.size(), 1u);
        EXPECT_EQ(m_pWatched->m_accesses[0].address, row.dwAddress);
        CString strExpected;
        strExpected.Format(u"%08x", m_pWatched->m_accesses[0].value);
        EXPECT_EQ(Text(&m_page, IDC_MCR_DATA), strExpected.GetString());
    }
    EXPECT_TRUE(m_boxes.texts().empty());
}

TEST_F(MCRPage, SetWritesOnlyFromNumbersAndReportsAFailedWrite)
{
    Type(&m_page, IDC_MCR_ADDR, u"20");
    Type(&m_page, IDC_MCR_DATA, u"DeadBeef");
    Click(&m_page, IDC_SET);
    DWORD dwValue = 0;
    ASSERT_TRUE(m_pConfig->ReadMacRegister(0x20, &dwValue));
    EXPECT_EQ(dwValue, 0xDEADBEEFu);

    // An address or a value that names nothing writes nothing.
    const struct
    {
        const char16_t* pszAddress;
        const char16_t* pszData;
    } refused[] = {{u"", u"1"}, {u"zz", u"1"}, {u"20", u""}, {u"20", u"g1"}};
    for (const auto& row : refused)
    {
        Type(&m_page, IDC_MCR_ADDR, row.pszAddress);
        Type(&m_page, IDC_MCR_DATA, row.pszData);
        Click(&m_page, IDC_SET);
    }
    EXPECT_EQ(m_pWatched->Count('w'), 1);
    EXPECT_EQ(Count(u"Please enter a hexadecimal number."), 4);

    Cardctl("fault macreg write 0x20");
    Type(&m_page, IDC_MCR_DATA, u"1");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(Count(u"Fail to read write"), 1);
}

TEST_F(MCRPage, ReadAllListsTheBlockQuicklyAndKeepsTheBoxWhenARegisterFails)
{
    const auto start = std::chrono::steady_clock::now();
    Click(&m_page, IDC_READ_ALL);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("read all: %lld ms\n",
                (long long)std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    ASSERT_EQ(m_pWatched->m_accesses.size(), 320u);
    EXPECT_EQ(m_pWatched->m_accesses.back().address, 0x4FCu);
    for (const Access& access : m_pWatched->m_accesses)
        EXPECT_TRUE(access.kind == 'r' && access.waiting);

    const std::u16string listing = m_page.m_strOutput.GetString();
    CString strFirst;
    strFirst.Format(u"0000: %08x %08x %08x %08x \r\n0010: ", m_pWatched->m_accesses[0].value,
                    m_pWatched->m_accesses[1].value, m_pWatched->m_accesses[2].value,
                    m_pWatched->m_accesses[3].value);
    EXPECT_EQ(listing.substr(0, strFirst.GetLength()), strFirst.GetString());
    EXPECT_EQ(std::count(listing.begin(), listing.end(), u'\n'), 79);
    EXPECT_NE(listing.find(u"\r\n04f0: "), std::u16string::npos);
    EXPECT_EQ(listing.back(), u' '); // no line break at the end
    EXPECT_EQ(Text(&m_page, IDC_MCR_OUTPUT), CString(listing.c_str()).MakeUpper().GetString());

    // Scrolled down, a failure at 0x100 leaves the box as it was, with one message after the wait cursor.
    Scroll(&m_page, IDC_MCR_OUTPUT, 7);
    Cardctl("fault macreg read 0x100");
    m_pWatched->m_accesses.clear();
    Click(&m_page, IDC_READ_ALL);
    EXPECT_EQ(m_pWatched->m_accesses.size(), 65u);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Fail to read"});
    EXPECT_EQ(m_waitAtBox, std::vector<bool>{false});
    EXPECT_EQ(Text(&m_page, IDC_MCR_OUTPUT), CString(listing.c_str()).MakeUpper().GetString());
    EXPECT_EQ(FirstLine(&m_page, IDC_MCR_OUTPUT), 7);

    // A single read that fails keeps the data box.
    Type(&m_page, IDC_MCR_ADDR, u"100");
    Type(&m_page, IDC_MCR_DATA, u"kept");
    Click(&m_page, IDC_READ);
    EXPECT_EQ(Text(&m_page, IDC_MCR_DATA), u"kept");
    EXPECT_EQ(Count(u"Fail to read"), 2);
}

} // namespace
} // namespace page_test
