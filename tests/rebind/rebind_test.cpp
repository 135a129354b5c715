#include <afxwin.h>
#include <simcore/request_log.h>

#include "W32N.h"
#include "run_tool.h"
#include "temp_handheld.h"
#include "wlanbind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

constexpr DWORD kOidRadio = 0xFFA0C516;

class TestApp : public CWinApp
{
};
TestApp theApp;

class RebindTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(testing_support::RunTool("cardctl", "log on"), 0); }

    static std::vector<sim::requestlog::Entry> Rebinds()
    {
        std::vector<sim::requestlog::Entry> entries = sim::requestlog::Read();
        std::erase_if(entries, [](const sim::requestlog::Entry& e) { return e.kind != "rebind"; });
        return entries;
    }

    static DWORD CardRadio()
    {
        W32N_ADAPTER* pAdapter = W32N_AttachAdapter(u"WLAN11b1");
        EXPECT_NE(pAdapter, W32N_INVALID_ADAPTER);
        DWORD dwRadio = 0xEEEEEEEE;
        DWORD dwLength = sizeof(dwRadio);
        DWORD dwStatus = 0xEEEEEEEE;
        EXPECT_EQ(W32N_NdisQuery(pAdapter, kOidRadio, &dwRadio, &dwLength, &dwStatus), 0u);
        EXPECT_EQ(dwStatus, 0u);
        W32N_DetachAdapter(pAdapter);
        W32N_ReleaseProtocolDriver();
        return dwRadio;
    }

    static void WriteRadioOn(const char16_t* value)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, KEY_ALL_ACCESS, &hKey), 0);
        ASSERT_EQ(RegSetValueExW(hKey, u"RadioOn", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(WCHAR))),
                  0);
        RegCloseKey(hKey);
    }

    testing_support::TempHandheld m_handheld;
};

} // namespace

TEST_F(RebindTest, HandsNdisTheInstanceNameInAHundredBytesAndTheCardRereadsItsParameters)
{
    ASSERT_EQ(CardRadio(), 1u);
    WriteRadioOn(u"0");
    EXPECT_EQ(CardRadio(), 1u); // the miniport reads its parameters only at start and rebind

    EXPECT_EQ(RebindWlan(u"WLAN11b"), 0u);
    auto rebinds = Rebinds();
    ASSERT_EQ(rebinds.size(), 1u);
    std::vector<uint8_t> expected(100, 0);
    const char name[] = "WLAN11b1";
    for (size_t i = 0; i < 8; ++i)
        expected[2 * i] = static_cast<uint8_t>(name[i]);
    EXPECT_EQ(rebinds[0].Bytes("input"), expected);
    EXPECT_EQ(CardRadio(), 0u);
}

TEST_F(RebindTest, UnknownAdapterStillReturnsZero)
{
    EXPECT_EQ(RebindWlan(u"NOSUCH"), 0u);
    auto rebinds = Rebinds();
    ASSERT_EQ(rebinds.size(), 1u);
    EXPECT_EQ(rebinds[0].Field("ok"), "0");
}

TEST_F(RebindTest, NamesThatDoNotFitAreNotSent)
{
    EXPECT_EQ(RebindWlan(nullptr), 0u);
    std::u16string longest(47, u'A');
    std::u16string tooLong(48, u'A');
    EXPECT_EQ(RebindWlan(tooLong.c_str()), 0u);
    EXPECT_TRUE(Rebinds().empty());
    EXPECT_EQ(RebindWlan(longest.c_str()), 0u);
    auto rebinds = Rebinds();
    ASSERT_EQ(rebinds.size(), 1u);
    auto input = rebinds[0].Bytes("input");
    ASSERT_TRUE(input.has_value());
    ASSERT_EQ(input->size(), 100u);
    EXPECT_EQ((*input)[94], '1'); // the instance digit after 47 characters
    EXPECT_EQ((*input)[96], 0);
    EXPECT_EQ((*input)[98], 0);
}

TEST_F(RebindTest, TheDllExportsRebindWlanByItsPlainNameAndKeepsItsOwnApplication)
{
    HMODULE hModule = LoadLibraryW(u"wlanbind.dll");
    ASSERT_NE(hModule, nullptr) << GetLastError();
    using RebindFunction = DWORD (*)(LPCWSTR);
    auto pfnRebind =
        reinterpret_cast<RebindFunction>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, "RebindWlan")));
    ASSERT_NE(pfnRebind, nullptr);
    EXPECT_EQ(AfxGetApp(), &theApp);
    EXPECT_EQ(pfnRebind(u"WLAN11b"), 0u);
    EXPECT_EQ(Rebinds().size(), 1u);
    EXPECT_TRUE(FreeLibrary(hModule));
    EXPECT_EQ(AfxGetApp(), &theApp);
}
