// HexToBytes: pairs of hexadecimal digits from the front of a key text, never more bytes than asked for.

#include <AdapterConfig.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct HexRow
{
    std::u16string text;
    DWORD dwCount;
    std::vector<BYTE> expected;
};

class HexPairs : public testing::TestWithParam<HexRow>
{
};

TEST_P(HexPairs, ParsesPairsAndWritesExactlyTheCount)
{
    const HexRow& row = GetParam();
    AdapterConfig config;
    // Guard bytes after the count must stay as they were.
    std::vector<BYTE> bytes(row.dwCount + 4, 0xEE);
    EXPECT_TRUE(config.HexToBytes(CString(std::u16string_view(row.text)), bytes.data(), row.dwCount));
    std::vector<BYTE> written(bytes.begin(), bytes.begin() + row.dwCount);
    EXPECT_EQ(written, row.expected);
    for (size_t i = row.dwCount; i < bytes.size(); i++)
        EXPECT_EQ(bytes[i], 0xEE) << "byte " << i << " written past the count";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexPairs,
    testing::Values(HexRow{u"0A1bFF", 3, {0x0A, 0x1B, 0xFF}}, HexRow{u"0A1bFF", 4, {0x0A, 0x1B, 0xFF, 0x00}},
                    HexRow{u"0A1bFF", 1, {0x0A}}, HexRow{u"0A1bFF", 0, {}},
                    // an odd digit at the end is a pair of one digit
                    HexRow{u"123", 2, {0x12, 0x03}},
                    // a pair stops at its first character that is not a hexadecimal digit
                    HexRow{u"1G2h", 2, {0x01, 0x02}}, HexRow{u"G1zz", 2, {0x00, 0x00}},
                    // signs, blanks and prefixes are not digits
                    HexRow{u"+1 2-30x", 4, {0x00, 0x00, 0x00, 0x00}},
                    // the text ends at an embedded zero
                    HexRow{std::u16string(u"11\0"
                                          u"22",
                                          5),
                           2,
                           {0x11, 0x00}}));

TEST(HexToBytes, UsesAtMostFortyNineCharacters)
{
    AdapterConfig config;
    CString strText(std::u16string_view(std::u16string(60, u'F')));
    BYTE bytes[30] = {};
    config.HexToBytes(strText, bytes, 30);
    for (int i = 0; i < 24; i++)
        EXPECT_EQ(bytes[i], 0xFF) << i;
    EXPECT_EQ(bytes[24], 0x0F); // character 49 ends the text in the middle of pair 25
    for (int i = 25; i < 30; i++)
        EXPECT_EQ(bytes[i], 0x00) << i;
}

} // namespace
