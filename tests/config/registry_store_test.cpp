// The registry store under HKLM\Comm\WLAN11b1\Parms: what each write stores, what a read gives back, and
// how failures are reported.

#include "config_test_support.h"

#include <AdapterConfig.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

const char16_t* const kParms = u"Comm\\WLAN11b1\\Parms";

struct StoredValue
{
    DWORD dwType = REG_NONE;
    std::vector<BYTE> data;
};

class RegistryStore : public testing::Test
{
protected:
    void SetUp() override
    {
        HKEY hKey = NULL;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL),
                  ERROR_SUCCESS);
        RegCloseKey(hKey);
    }

    static LONG Store(const char16_t* pszName, DWORD dwType, const void* pData, DWORD cbData)
    {
        HKEY hKey = NULL;
        LONG lResult = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_ALL_ACCESS, &hKey);
        if (lResult != ERROR_SUCCESS)
            return lResult;
        lResult = RegSetValueExW(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cbData);
        RegCloseKey(hKey);
        return lResult;
    }

    static StoredValue Stored(const char16_t* pszName)
    {
        StoredValue value;
        HKEY hKey = NULL;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return value;
        BYTE buffer[1024];
        DWORD cb = sizeof(buffer);
        if (RegQueryValueExW(hKey, pszName, NULL, &value.dwType, buffer, &cb) == ERROR_SUCCESS)
            value.data.assign(buffer, buffer + cb);
        else
            value.dwType = REG_NONE;
        RegCloseKey(hKey);
        return value;
    }

    testing_support::TempHandheld m_handheld;
    config_test::AppState m_app;
    AdapterConfig m_config;
};

struct WriteRow
{
    std::u16string name;
    std::u16string text;
    DWORD dwType;
    std::vector<BYTE> stored;
};

std::vector<BYTE> Sz(const std::u16string& text)
{
    std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
    memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}

std::vector<BYTE> Dword(DWORD dw)
{
    return {BYTE(dw), BYTE(dw >> 8), BYTE(dw >> 16), BYTE(dw >> 24)};
}

TEST_F(RegistryStore, WritesEachValueInItsEncoding)
{
    const WriteRow rows[] = {
        {u"PowerMode", u"2", REG_SZ, {'2', 0, 0, 0}},
        {u"RxAntennaNumber", u"-1", REG_SZ, Sz(u"-1")},
        {u"Ssid", u"\u0141\u00f3d\u017a", REG_SZ, Sz(u"\u0141\u00f3d\u017a")},
        {u"Ssid", std::u16string(259, u'x'), REG_SZ, Sz(std::u16string(259, u'x'))},
        {u"DebugModule", u"255", REG_DWORD, Dword(255)},
        {u"CCXFlags", u"12abc", REG_DWORD, Dword(12)},
        {u"CCXFlags", u" +7", REG_DWORD, Dword(7)},
        {u"CCXMeaLimit", u"-1", REG_DWORD, Dword(0xFFFFFFFF)},
        {u"CCXMeaLimit", u"4294967295", REG_DWORD, Dword(0xFFFFFFFF)},
        {u"CCXMeaLimit", u"99999999999", REG_DWORD, Dword(0xFFFFFFFF)},
        {u"CCXMeaLimit", u"abc", REG_DWORD, Dword(0)},
        // the three numeric names are matched with their exact letters only
        {u"debugmodule", u"255", REG_SZ, Sz(u"255")},
    };
    for (const WriteRow& row : rows)
    {
        EXPECT_TRUE(m_config.WriteRegistryValue(CString(std::u16string_view(row.name)),
                                                CString(std::u16string_view(row.text)), 1));
        StoredValue value = Stored(row.name.c_str());
        EXPECT_EQ(value.dwType, row.dwType) << row.text.size();
        EXPECT_EQ(value.data, row.stored) << row.text.size();
    }
    EXPECT_TRUE(m_app.TakeMessages().empty());
}

TEST_F(RegistryStore, ReadsTextAsStoredAndNumbersAsDecimal)
{
    const std::u16string office = u"Office";
    const std::u16string accented = u"Caf\u00e9 \u0141\u4e2d";
    const std::u16string longest(129, u'L');
    ASSERT_EQ(Store(u"Ssid", REG_SZ, Sz(office).data(), DWORD(Sz(office).size())), ERROR_SUCCESS);
    ASSERT_EQ(Store(u"Domain", REG_SZ, Sz(accented).data(), DWORD(Sz(accented).size())), ERROR_SUCCESS);
    ASSERT_EQ(Store(u"DriverVersion", REG_SZ, Sz(longest).data(), DWORD(Sz(longest).size())), ERROR_SUCCESS);
    DWORD dw = 4000000000u;
    ASSERT_EQ(Store(u"DebugModule", REG_DWORD, &dw, sizeof(dw)), ERROR_SUCCESS);
    // A text stored without its terminator still ends where the buffer does.
    const std::u16string full(130, u'F');
    ASSERT_EQ(Store(u"Channel", REG_SZ, full.data(), 260), ERROR_SUCCESS);

    CString strText;
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"Ssid"), strText, 1));
    EXPECT_EQ(strText.str(), office);
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"domain"), strText, 1));
    EXPECT_EQ(strText.str(), accented);
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"DriverVersion"), strText, 1));
    EXPECT_EQ(strText.str(), longest);
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"DebugModule"), strText, 1));
    EXPECT_EQ(strText.str(), u"4000000000");
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"Channel"), strText, 1));
    EXPECT_EQ(strText.str(), std::u16string(129, u'F'));
    EXPECT_TRUE(m_app.TakeMessages().empty());
}

TEST_F(RegistryStore, WrittenNumberReadsBackAsItsText)
{
    EXPECT_TRUE(m_config.WriteRegistryValue(CString(u"CCXFlags"), CString(u"255"), 1));
    CString strText;
    EXPECT_TRUE(m_config.ReadRegistryValue(CString(u"CCXFlags"), strText, 0));
    EXPECT_EQ(strText, u"255");
}

TEST_F(RegistryStore, UnreadableValuesLeaveTheTextAndReportOnlyWhenAskedWithOne)
{
    const BYTE binary[] = {'4', 0, '8', 0, 0, 0};
    ASSERT_EQ(Store(u"Domain", REG_BINARY, binary, sizeof(binary)), ERROR_SUCCESS);
    const std::u16string tooLong(200, u'x');
    ASSERT_EQ(Store(u"Ssid", REG_SZ, Sz(tooLong).data(), DWORD(Sz(tooLong).size())), ERROR_SUCCESS);

    CString strText(u"kept");
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Missing"), strText, 0));
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Missing"), strText, 2));
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Domain"), strText, 0));
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Ssid"), strText, 0));
    EXPECT_EQ(strText, u"kept");
    EXPECT_TRUE(m_app.TakeMessages().empty());

    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Missing"), strText, 1));
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"Domain"), strText, 1));
    EXPECT_EQ(strText, u"kept");
    EXPECT_EQ(m_app.TakeMessages(),
              (std::vector<std::u16string>{u"registry of the item named 'Missing' can't be read",
                                           u"registry of the item named 'Domain' can't be read"}));
}

TEST_F(RegistryStore, FailedWritesStoreNothingAndReportTheCode)
{
    // One character more than a parameter can hold.
    const StoredValue before = Stored(u"Ssid");
    EXPECT_FALSE(m_config.WriteRegistryValue(CString(u"Ssid"),
                                             CString(std::u16string_view(std::u16string(260, u'x'))), 0));
    EXPECT_TRUE(m_app.TakeMessages().empty());
    EXPECT_FALSE(m_config.WriteRegistryValue(CString(u"Ssid"),
                                             CString(std::u16string_view(std::u16string(260, u'x'))), 1));
    EXPECT_EQ(Stored(u"Ssid").dwType, before.dwType);
    EXPECT_EQ(Stored(u"Ssid").data, before.data);
    EXPECT_EQ(m_app.TakeMessages(), std::vector<std::u16string>{u"registry Ssid can't be set, code:87"});

    // Without the miniport's key the open fails and its code is reported.
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kParms), ERROR_SUCCESS);
    EXPECT_FALSE(m_config.WriteRegistryValue(CString(u"PowerMode"), CString(u"1"), 2));
    EXPECT_EQ(m_app.TakeMessages(), std::vector<std::u16string>{u"registry PowerMode can't be set, code:2"});
    CString strText(u"kept");
    EXPECT_FALSE(m_config.ReadRegistryValue(CString(u"PowerMode"), strText, 0));
    EXPECT_EQ(strText, u"kept");
}

} // namespace
