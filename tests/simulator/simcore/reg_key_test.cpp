// The simulator's typed registry reads: every size of value comes back whole, numbers from REG_DWORD and
// from text in C notation, text from REG_SZ and REG_DWORD.
#include <simcore/reg_key.h>

#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace
{

class RegKeyReads : public testing::Test
{
protected:
    testing_support::TempHandheld m_handheld;
    sim::RegKey m_key = sim::RegKey::Create(HKEY_LOCAL_MACHINE, u"Simulator\\Tests");
};

TEST_F(RegKeyReads, BinaryValuesOfEverySizeComeBackWhole)
{
    ASSERT_TRUE(m_key.valid());
    // Around the size a first read takes at once, and well above it.
    for (size_t size : {0u, 1u, 255u, 2047u, 2048u, 2049u, 10000u})
    {
        SCOPED_TRACE(size);
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        ASSERT_EQ(m_key.SetBinary(u"Blob", bytes), ERROR_SUCCESS);
        EXPECT_EQ(m_key.GetBinary(u"Blob"), bytes);
        auto value = m_key.Get(u"Blob");
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_BINARY));
    }
    EXPECT_FALSE(m_key.Get(u"Missing"));
    EXPECT_FALSE(sim::RegKey().Get(u"Blob"));
}

TEST_F(RegKeyReads, NumbersAndTextFollowTheStoredType)
{
    struct Row
    {
        const char16_t* name;
        bool dword;
        DWORD number;
        const char16_t* text;
        std::optional<int64_t> asNumber;
        std::optional<std::u16string> asText;
    };
    const Row rows[] = {
        {u"Dword", true, 4000000000u, nullptr, 4000000000LL, u"4000000000"},
        {u"Decimal", false, 0, u"-50", -50, u"-50"},
        {u"Hex", false, 0, u"0x1F", 31, u"0x1F"},
        {u"Word", false, 0, u"auto", std::nullopt, u"auto"},
        {u"Empty", false, 0, u"", std::nullopt, u""},
    };
    for (const Row& row : rows)
        ASSERT_EQ(row.dword ? m_key.SetDword(row.name, row.number) : m_key.SetString(row.name, row.text),
                  ERROR_SUCCESS);
    ASSERT_EQ(m_key.SetBinary(u"Binary", {1, 2, 3, 4}), ERROR_SUCCESS);
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.name, row.name + std::char_traits<char16_t>::length(row.name)));
        EXPECT_EQ(m_key.GetNumber(row.name), row.asNumber);
        EXPECT_EQ(m_key.GetString(row.name), row.asText);
    }
    // A binary value is neither a number nor text, whatever its size.
    EXPECT_FALSE(m_key.GetNumber(u"Binary"));
    EXPECT_FALSE(m_key.GetString(u"Binary"));
}

} // namespace
