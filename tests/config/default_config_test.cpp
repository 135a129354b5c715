// The default configuration: every getter succeeds and leaves what the caller preset; and a configuration
// without a session refuses everything that needs the card without touching a session it does not have.

#include "config_test_support.h"

#include <AdapterConfig.h>
#include <DriverAdapterConfig.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{

TEST(DefaultConfig, GettersSucceedAndLeavePresetOutputs)
{
    config_test::AppState app;
    AdapterConfig config;
    EXPECT_FALSE(config.HasSession());

    const DWORD dwMark = 0xA5A5A5A5;
    const int nMark = -7;
    const CString strMark(u"preset");
    BYTE buffer[3332];
    memset(buffer, 0x5A, sizeof(buffer));

    DWORD dw1 = dwMark, dw2 = dwMark, dw3 = dwMark;
    DWORD dw[12];
    for (DWORD& d : dw)
        d = dwMark;
    WORD w = 0x1234;
    BYTE b = 0x77;
    int n1 = nMark, n2 = nMark;
    BOOL b1 = nMark, b2 = nMark;
    ULONGLONG q1 = 0x1122334455667788ull, q2 = q1;
    CString s1 = strMark, s2 = strMark;

    EXPECT_TRUE(config.GetInfoBlock(buffer));
    EXPECT_TRUE(config.GetDeviceState(&dw1));
    EXPECT_TRUE(config.GetEepromWord19(&w));
    EXPECT_TRUE(config.GetMacStatusBit(&n1));
    EXPECT_TRUE(config.GetDeviceType(&n1));
    EXPECT_TRUE(config.GetDisconnectState(s1, &n1));
    EXPECT_TRUE(config.GetMediaConnectStatus(&n1));
    EXPECT_TRUE(config.GetBssid(s1));
    EXPECT_TRUE(config.GetBssidRaw(buffer));
    EXPECT_TRUE(config.GetSsid(s1));
    EXPECT_EQ(config.GetBssType(&n1), TRUE);
    EXPECT_TRUE(config.GetRate(&n1));
    EXPECT_TRUE(config.GetTxRateText(s1));
    EXPECT_TRUE(config.GetSupportedRates(&dw1));
    EXPECT_TRUE(config.GetSignalStrength(&n1));
    EXPECT_TRUE(config.GetLinkQuality(&n1));
    EXPECT_TRUE(config.GetPowerMode(&n1));
    EXPECT_TRUE(config.GetPreambleType(&dw1));
    EXPECT_TRUE(config.GetFragThreshold(&dw1));
    EXPECT_TRUE(config.GetRtsThreshold(&dw1));
    EXPECT_TRUE(config.GetEnvironmentCondition(&n1));
    EXPECT_TRUE(config.GetRxAntenna(&n1));
    EXPECT_TRUE(config.GetOid50C(&dw1));
    EXPECT_TRUE(config.GetBssidList(buffer));
    EXPECT_TRUE(config.GetAuthType(&n1));
    EXPECT_TRUE(config.GetWepStatus(&n1));
    EXPECT_TRUE(config.SetWepKey(CString(u"0102"), 2, s2));
    EXPECT_TRUE(config.SetWepKeyBytes(CString(u"0102"), 2, s2));
    EXPECT_TRUE(config.ReadOid505(3, buffer));
    EXPECT_TRUE(config.GetStatistics(&q1, &q2, &dw1, &dw2, &dw3, &dw[0], &dw[1]));
    EXPECT_TRUE(config.GetWlanStatistics(&dw[0], &dw[1], &dw[2], &dw[3], &dw[4], &dw[5], &dw[6], &dw[7],
                                         &dw[8], &dw[9], &dw[10], &dw[11]));
    EXPECT_TRUE(config.GetOid805(&dw1, &dw2, &dw3));
    EXPECT_TRUE(config.GetOid80D(&dw1, &dw2, &dw3));
    EXPECT_TRUE(config.ReadMacRegister(0x2F4, &dw1));
    EXPECT_TRUE(config.GetEepromSize(&w));
    EXPECT_TRUE(config.ReadEeprom(19, &w));
    EXPECT_TRUE(config.GetOid808(buffer));

    EXPECT_EQ(dw1, dwMark);
    EXPECT_EQ(dw2, dwMark);
    EXPECT_EQ(dw3, dwMark);
    for (DWORD d : dw)
        EXPECT_EQ(d, dwMark);
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(b, 0x77);
    EXPECT_EQ(n1, nMark);
    EXPECT_EQ(n2, nMark);
    EXPECT_EQ(b1, nMark);
    EXPECT_EQ(b2, nMark);
    EXPECT_EQ(q1, 0x1122334455667788ull);
    EXPECT_EQ(q2, q1);
    EXPECT_EQ(s1, strMark);
    EXPECT_EQ(s2, strMark);
    for (BYTE byte : buffer)
        ASSERT_EQ(byte, 0x5A);
    EXPECT_TRUE(app.TakeMessages().empty());
}

// Operations that need the card, with what they must give when there is no session to carry them.
struct NoSessionRow
{
    const char* pszName;
    std::function<BOOL(AdapterConfig&)> call;
    BOOL bExpected;
};

std::vector<NoSessionRow> NoSessionRows()
{
    static BYTE buffer[3332];
    static DWORD dw[12];
    static WORD w;
    static BYTE b;
    static int n;
    static BOOL f1, f2;
    static ULONGLONG q1, q2;
    static CString s;
    static RadioConfiguration radio;
    const DWORD dwValue = 1;
    return {
        {"SetOid504", [](AdapterConfig& c) { return c.SetOid504(TRUE, FALSE); }, FALSE},
        {"GetOid504", [](AdapterConfig& c) { return c.GetOid504(&f1, &f2); }, FALSE},
        {"ReadBBRegister", [](AdapterConfig& c) { return c.ReadBBRegister(1, &b); }, FALSE},
        {"WriteBBRegister", [](AdapterConfig& c) { return c.WriteBBRegister(1, 2); }, FALSE},
        {"GetMacAddress", [](AdapterConfig& c) { return c.GetMacAddress(s); }, FALSE},
        {"GetChannel", [](AdapterConfig& c) { return c.GetChannel(&radio, &n); }, FALSE},
        {"GetOid512", [](AdapterConfig& c) { return c.GetOid512(buffer); }, FALSE},
        {"SetRadio", [](AdapterConfig& c) { return c.SetRadio(1); }, FALSE},
        {"GetInfoBlock", [](AdapterConfig& c) { return c.GetInfoBlock(buffer); }, FALSE},
        {"GetSsid", [](AdapterConfig& c) { return c.GetSsid(s); }, FALSE},
        {"GetBssType", [](AdapterConfig& c) { return c.GetBssType(&n); }, 5},
        {"SetBssType", [](AdapterConfig& c) { return c.SetBssType(1); }, FALSE},
        {"SetRate", [](AdapterConfig& c) { return c.SetRate(0); }, FALSE},
        {"SetIbssChannel", [](AdapterConfig& c) { return c.SetIbssChannel(radio, 6, 100); }, FALSE},
        {"SetPowerMode", [](AdapterConfig& c) { return c.SetPowerMode(1); }, FALSE},
        {"Disassociate", [](AdapterConfig& c) { return c.Disassociate(); }, FALSE},
        {"SetWepKey", [](AdapterConfig& c) { return c.SetWepKey(CString(u"01"), 1, s); }, FALSE},
        {"ReadOid505", [](AdapterConfig& c) { return c.ReadOid505(1, buffer); }, FALSE},
        {"GetStatistics",
         [](AdapterConfig& c) { return c.GetStatistics(&q1, &q2, &dw[0], &dw[1], &dw[2], &dw[3], &dw[4]); },
         FALSE},
        {"WriteMacRegister", [dwValue](AdapterConfig& c) { return c.WriteMacRegister(0x10, &dwValue); },
         FALSE},
        {"GetEepromSize", [](AdapterConfig& c) { return c.GetEepromSize(&w); }, FALSE},
        {"SetOid807", [](AdapterConfig& c) { return c.SetOid807(buffer, 16, 22, 1); }, FALSE},
        // These need no request, or report success without one.
        {"GetDeviceType", [](AdapterConfig& c) { return c.GetDeviceType(&n); }, TRUE},
        {"GetMacStatusBit", [](AdapterConfig& c) { return c.GetMacStatusBit(&n); }, TRUE},
        {"SetOid804 skipped", [](AdapterConfig& c) { return c.SetOid804(1, 2, TRUE); }, TRUE},
        {"GetOid804 skipped", [](AdapterConfig& c) { return c.GetOid804(1, TRUE); }, TRUE},
    };
}

TEST(NoSession, DriverConfigWithoutSessionFailsEveryRequest)
{
    config_test::AppState app;
    DriverAdapterConfig config(nullptr);
    ASSERT_FALSE(config.HasSession());
    for (const NoSessionRow& row : NoSessionRows())
        EXPECT_EQ(row.call(config), row.bExpected) << row.pszName;
    // Only the register read and write tell the user.
    EXPECT_EQ(app.TakeMessages(),
              (std::vector<std::u16string>{u"Failed to set configuration", u"Failed to set configuration"}));
}

TEST(NoSession, DriverVersionFailureIsShown)
{
    config_test::AppState app;
    AdapterConfig config;
    CString strVersion(u"old");
    EXPECT_FALSE(config.GetDriverVersion(strVersion));
    EXPECT_EQ(strVersion, u"old");
    EXPECT_EQ(app.TakeMessages(), std::vector<std::u16string>{u"Failed to read driver version"});
}

} // namespace
