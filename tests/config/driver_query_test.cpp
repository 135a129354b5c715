// DriverAdapterConfig's reads on the simulated card: the object and length each one asks for, how the
// answer is converted, and that a read the miniport fails leaves the caller's outputs as they were.

#include "config_test_support.h"

#include <WlanApp.h>

#include <simcore/faults.h>

#include <functional>
#include <optional>

using namespace config_test;

namespace
{

std::string Out(BOOL bResult, long long value)
{
    return std::to_string(bResult) + ":" + std::to_string(value);
}

std::string Out(BOOL bResult, const CString& strText)
{
    return std::to_string(bResult) + ":" + strText.ToUtf8();
}

#define INT_GETTER(op)                                                                                       \
    [](AdapterConfig& c)                                                                                     \
    {                                                                                                        \
        int n = -5;                                                                                          \
        BOOL b = c.op(&n);                                                                                   \
        return Out(b, n);                                                                                    \
    }
#define DWORD_GETTER(op)                                                                                     \
    [](AdapterConfig& c)                                                                                     \
    {                                                                                                        \
        DWORD dw = 0xABCD;                                                                                   \
        BOOL b = c.op(&dw);                                                                                  \
        return Out(b, dw);                                                                                   \
    }
#define TEXT_GETTER(op)                                                                                      \
    [](AdapterConfig& c)                                                                                     \
    {                                                                                                        \
        CString s(u"preset");                                                                                \
        BOOL b = c.op(s);                                                                                    \
        return Out(b, s);                                                                                    \
    }

struct WordRow
{
    const char* pszName;
    DWORD dwOid;
    DWORD dwAnswer;
    std::function<std::string(AdapterConfig&)> call;
    std::string expected;
};

const WordRow kWordRows[] = {
    {"DeviceState", OID_QN40_DEVICE_STATE, 3, DWORD_GETTER(GetDeviceState), "1:3"},
    {"MediaConnect", OID_GEN_MEDIA_CONNECT_STATUS, 1, INT_GETTER(GetMediaConnectStatus), "1:1"},
    {"LinkQualityLowByte", OID_QN40_LINK_QUALITY, 0x1234, INT_GETTER(GetLinkQuality), "1:52"},
    {"Signal-90", OID_QN40_RSSI, DWORD(-90), INT_GETTER(GetSignalStrength), "1:1"},
    {"Signal-89", OID_QN40_RSSI, DWORD(-89), INT_GETTER(GetSignalStrength), "1:2"},
    {"Signal-60", OID_QN40_RSSI, DWORD(-60), INT_GETTER(GetSignalStrength), "1:60"},
    {"Signal-40", OID_QN40_RSSI, DWORD(-40), INT_GETTER(GetSignalStrength), "1:100"},
    {"SignalHuge", OID_QN40_RSSI, 0x7FFFFFFF, INT_GETTER(GetSignalStrength), "1:100"},
    {"SignalHugeNegative", OID_QN40_RSSI, 0x80000000, INT_GETTER(GetSignalStrength), "1:1"},
    {"PowerModeOff", OID_QN40_POWER_MODE, 0, INT_GETTER(GetPowerMode), "1:0"},
    {"PowerModeMax", OID_QN40_POWER_MODE, 2, INT_GETTER(GetPowerMode), "1:1"},
    {"PowerModeFast", OID_QN40_POWER_MODE, 0x101, INT_GETTER(GetPowerMode), "1:2"},
    {"PowerModeOther", OID_QN40_POWER_MODE, 7, INT_GETTER(GetPowerMode), "1:-5"},
    {"RxAntenna1", OID_QN40_RX_ANTENNA, 1, INT_GETTER(GetRxAntenna), "1:1"},
    {"RxAntennaBoth", OID_QN40_RX_ANTENNA, 0xFFFFFFFF, INT_GETTER(GetRxAntenna), "1:2"},
    {"RxAntennaOther", OID_QN40_RX_ANTENNA, 2, INT_GETTER(GetRxAntenna), "1:-5"},
    {"AuthAuto", OID_QN40_AUTHENTICATION_MODE, 2, INT_GETTER(GetAuthType), "1:2"},
    {"AuthOther", OID_QN40_AUTHENTICATION_MODE, 9, INT_GETTER(GetAuthType), "1:-1"},
    {"WepEnabled", OID_QN40_WEP_STATUS, 0, INT_GETTER(GetWepStatus), "1:1"},
    {"WepNoKey", OID_QN40_WEP_STATUS, 2, INT_GETTER(GetWepStatus), "1:0"},
    {"WepOther", OID_QN40_WEP_STATUS, 3, INT_GETTER(GetWepStatus), "1:-1"},
    {"Environment", OID_QN40_ENVIRONMENT_CONDITION, 3, INT_GETTER(GetEnvironmentCondition), "1:1"},
    {"Preamble", OID_QN40_PREAMBLE_TYPE, 2, DWORD_GETTER(GetPreambleType), "1:2"},
    {"Frag", OID_QN40_FRAGMENTATION_THRESHOLD, 512, DWORD_GETTER(GetFragThreshold), "1:512"},
    {"Rts", OID_QN40_RTS_THRESHOLD, 2347, DWORD_GETTER(GetRtsThreshold), "1:2347"},
    {"Domain", OID_QN40_REGULATORY_DOMAIN, 48, DWORD_GETTER(GetOid50C), "1:48"},
    {"Rate1", OID_GEN_LINK_SPEED, 10000, TEXT_GETTER(GetTxRateText), "1:1 Mbps"},
    {"Rate5.5", OID_GEN_LINK_SPEED, 55000, TEXT_GETTER(GetTxRateText), "1:5.5 Mbps"},
    {"Rate54", OID_GEN_LINK_SPEED, 540000, TEXT_GETTER(GetTxRateText), "1:preset"},
    {"Scanning", OID_QN40_DISCONNECT_STATE, 1,
     [](AdapterConfig& c)
     {
         CString s(u"preset");
         int n = -5;
         BOOL b = c.GetDisconnectState(s, &n);
         return Out(b, s) + "/" + std::to_string(n);
     },
     "1:Disconnected. Scanning.../1"},
    {"Joined", OID_QN40_DISCONNECT_STATE, 8,
     [](AdapterConfig& c)
     {
         CString s(u"preset");
         int n = -5;
         BOOL b = c.GetDisconnectState(s, &n);
         return Out(b, s) + "/" + std::to_string(n);
     },
     "1:Disconnected./8"},
};

// What a read gives when it writes nothing: the default configuration's answer, as a failure.
std::string Untouched(const WordRow& row)
{
    AdapterConfig untouched;
    return "0" + row.call(untouched).substr(1);
}

TEST_F(CardTest, WordReadsConvertTheAnswer)
{
    for (const WordRow& row : kWordRows)
    {
        SCOPED_TRACE(row.pszName);
        Answer(row.dwOid, Le32(row.dwAnswer));
        EXPECT_EQ(row.call(*m_pConfig), row.expected);
        EXPECT_EQ(TakeRequests(), std::vector<Request>{Query(row.dwOid, 4)});
    }
}

TEST_F(CardTest, WordReadsTheMiniportFailsLeaveTheOutput)
{
    for (const WordRow& row : kWordRows)
    {
        SCOPED_TRACE(row.pszName);
        // The session carries the query, but the miniport does not answer it with success.
        FailQueries(row.dwOid);
        EXPECT_EQ(row.call(*m_pConfig), Untouched(row));
        EXPECT_EQ(TakeRequests(), std::vector<Request>{Query(row.dwOid, 4)});
    }
}

// Reads into a caller's buffer: the whole answer on success, nothing on failure.
struct BufferRow
{
    const char* pszName;
    DWORD dwOid;
    DWORD dwSize;
    std::function<BOOL(AdapterConfig&, BYTE*)> call;
};

TEST_F(CardTest, BufferReadsCopyOnlyASuccessfulAnswer)
{
    const BufferRow rows[] = {
        {"InfoBlock", OID_QN40_INFO_BLOCK, 724, [](AdapterConfig& c, BYTE* p) { return c.GetInfoBlock(p); }},
        {"BssidList", OID_QN40_BSSID_LIST, 3332, [](AdapterConfig& c, BYTE* p) { return c.GetBssidList(p); }},
        {"BssidRaw", OID_QN40_BSSID, 6, [](AdapterConfig& c, BYTE* p) { return c.GetBssidRaw(p); }},
        {"TestResult", OID_QN40_TEST_RESULT, 48, [](AdapterConfig& c, BYTE* p) { return c.GetOid808(p); }},
        {"ApInfo", OID_QN40_AP_INFO, 20, [](AdapterConfig& c, BYTE* p) { return c.GetOid512(p); }},
    };
    for (const BufferRow& row : rows)
    {
        SCOPED_TRACE(row.pszName);
        std::vector<uint8_t> pattern(row.dwSize);
        for (size_t i = 0; i < pattern.size(); i++)
            pattern[i] = static_cast<uint8_t>(i * 7 + 1);
        Answer(row.dwOid, pattern);
        std::vector<BYTE> buffer(row.dwSize + 8, 0xEE);
        EXPECT_TRUE(row.call(*m_pConfig, buffer.data()));
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + row.dwSize), pattern);
        EXPECT_EQ(buffer[row.dwSize], 0xEE);
        EXPECT_EQ(TakeRequests(), std::vector<Request>{Query(row.dwOid, row.dwSize)});

        FailQueries(row.dwOid, 0xC0010011);
        std::vector<BYTE> kept(row.dwSize, 0x5A);
        EXPECT_FALSE(row.call(*m_pConfig, kept.data()));
        EXPECT_EQ(kept, std::vector<BYTE>(row.dwSize, 0x5A));
        TakeRequests();
    }
}

TEST_F(CardTest, AddressesAndVersionAreFormatted)
{
    Answer(OID_QN40_BSSID, Hex("000A1B2C3D4E"));
    CString strText;
    EXPECT_TRUE(m_pConfig->GetBssid(strText));
    EXPECT_EQ(strText, u"00-0A-1B-2C-3D-4E");
    // The card's own address and driver version, as the card reports them.
    EXPECT_TRUE(m_pConfig->GetMacAddress(strText));
    EXPECT_EQ(strText, u"00-0A-5D-40-51-2C");
    EXPECT_TRUE(m_pConfig->GetDriverVersion(strText));
    EXPECT_EQ(strText, u"2.1");
    EXPECT_EQ(TakeRequests(),
              (std::vector<Request>{Query(OID_QN40_BSSID, 6), Query(OID_802_3_CURRENT_ADDRESS, 6),
                                    Query(OID_GEN_VENDOR_DRIVER_VERSION, 4)}));

    FailQueries(OID_GEN_VENDOR_DRIVER_VERSION);
    FailQueries(OID_802_3_CURRENT_ADDRESS);
    strText = u"kept";
    EXPECT_FALSE(m_pConfig->GetMacAddress(strText));
    EXPECT_FALSE(m_pConfig->GetDriverVersion(strText));
    EXPECT_EQ(strText, u"kept");
    EXPECT_EQ(m_app.TakeMessages(), std::vector<std::u16string>{u"Failed to read driver version"});
}

TEST_F(CardTest, SsidIsWidenedFromItsLengthOnly)
{
    struct
    {
        DWORD dwLength;
        std::string bytes;
        std::u16string expected;
    } rows[] = {
        {4, "Caf\xE9zzzz", u"Caf\u00e9"},
        {0, "ignored", u""},
        // the full 32 bytes carry no terminator; a length beyond them is cut to them
        {32, std::string(32, 'S'), std::u16string(32, u'S')},
        {1000, std::string(32, 'L'), std::u16string(32, u'L')},
    };
    for (const auto& row : rows)
    {
        std::vector<uint8_t> record = Le32(row.dwLength);
        record.resize(36, 0);
        std::copy(row.bytes.begin(), row.bytes.begin() + std::min<size_t>(row.bytes.size(), 32),
                  record.begin() + 4);
        Answer(OID_QN40_SSID, record);
        CString strSsid(u"preset");
        EXPECT_TRUE(m_pConfig->GetSsid(strSsid));
        EXPECT_EQ(strSsid.str(), row.expected) << row.dwLength;
    }
    EXPECT_EQ(TakeRequests().front(), Query(OID_QN40_SSID, 36));
}

TEST_F(CardTest, ChannelComesFromTheRadioConfiguration)
{
    struct
    {
        DWORD dwFrequency;
        int nChannel;
    } rows[] = {{2484000, 14}, {2412000, 1}, {4980000, 252}, {2450000, -5}};
    for (const auto& row : rows)
    {
        Answer(OID_QN40_CONFIGURATION, Concat({Le32(32), Le32(100), Le32(3), Le32(row.dwFrequency), Le32(1),
                                               Le32(2), Le32(3), Le32(4)}));
        RadioConfiguration radio;
        memset(&radio, 0xEE, sizeof(radio));
        int nChannel = -5;
        EXPECT_TRUE(m_pConfig->GetChannel(&radio, &nChannel));
        EXPECT_EQ(nChannel, row.nChannel) << row.dwFrequency;
        EXPECT_EQ(radio.BeaconPeriod, 100u);
        EXPECT_EQ(radio.ATIMWindow, 3u);
        EXPECT_EQ(radio.DSConfig, row.dwFrequency);
        // Only the three fields are copied.
        EXPECT_EQ(radio.Length, 0xEEEEEEEEu);
        EXPECT_EQ(radio.FHConfig.DwellTime, 0xEEEEEEEEu);
    }
    EXPECT_EQ(TakeRequests().front(), Query(OID_QN40_CONFIGURATION, 32));
}

TEST_F(CardTest, BssTypeCodeTellsWhichQueriesAnswered)
{
    struct
    {
        std::optional<DWORD> deviceMode;
        std::optional<DWORD> infrastructure;
        int nCode;
        int nMode;
    } rows[] = {
        {2, 1, 2, 2},             // access point: the second query is not needed
        {1, 0, 8, 1},             // ad hoc
        {1, 1, 8, 0},             // station
        {1, 5, 8, -5},            // unknown infrastructure mode
        {std::nullopt, 0, 9, 1},  // no device mode, ad hoc
        {1, std::nullopt, 4, -5}, // no infrastructure mode
        {std::nullopt, std::nullopt, 5, -5},
    };
    for (const auto& row : rows)
    {
        sim::ClearFaults();
        if (row.deviceMode)
            Answer(OID_QN40_DEVICE_MODE, Le32(*row.deviceMode));
        else
            FailQueries(OID_QN40_DEVICE_MODE);
        if (row.infrastructure)
            Answer(OID_QN40_INFRASTRUCTURE_MODE, Le32(*row.infrastructure));
        else
            FailQueries(OID_QN40_INFRASTRUCTURE_MODE);
        int nMode = -5;
        EXPECT_EQ(m_pConfig->GetBssType(&nMode), row.nCode);
        EXPECT_EQ(nMode, row.nMode);
        std::vector<Request> expected{Query(OID_QN40_DEVICE_MODE, 4)};
        if (row.nCode != 2)
            expected.push_back(Query(OID_QN40_INFRASTRUCTURE_MODE, 4));
        EXPECT_EQ(TakeRequests(), expected);
    }
}

TEST_F(CardTest, RatesFromTheRateLists)
{
    struct
    {
        std::string rates;
        std::string choice;    // GetRate of the desired rates
        std::string supported; // GetSupportedRates of the same list
    } rows[] = {
        {"02040B1600000000", "1:0", "1:15"},
        {"0204000000000000", "1:2", "1:3"},
        {"1600000000000000", "1:4", "1:8"},
        {"0000000000000000", "1:-5", "1:0"},
        // the list ends at its first zero byte
        {"0B00160000000000", "1:3", "1:4"},
        // basic rates carry the flag 0x80
        {"82848B9600000000", "1:-5", "1:15"},
        {"0204630000000000", "1:2", "0:2147483648"},
        {"8000000000000000", "1:-5", "0:2147483648"},
    };
    for (const auto& row : rows)
    {
        Answer(OID_QN40_DESIRED_RATES, Hex(row.rates));
        Answer(OID_QN40_SUPPORTED_RATES, Hex(row.rates));
        int nChoice = -5;
        BOOL bChoice = m_pConfig->GetRate(&nChoice);
        EXPECT_EQ(Out(bChoice, nChoice), row.choice) << row.rates;
        DWORD dwMask = 0xABCD;
        BOOL bMask = m_pConfig->GetSupportedRates(&dwMask);
        EXPECT_EQ(Out(bMask, dwMask), row.supported) << row.rates;
    }
    EXPECT_EQ(TakeRequests().front(), Query(OID_QN40_DESIRED_RATES, 8));
}

class Statistics : public CardTest
{
protected:
    void SetUp() override
    {
        CardTest::SetUp();
        Answer(OID_QN40_TX_BYTES, Hex("0100000002000000"));
        Answer(OID_QN40_RX_BYTES, Hex("0300000004000000"));
        Answer(OID_GEN_XMIT_OK, Le32(10));
        Answer(OID_GEN_XMIT_ERROR, Le32(11));
        Answer(OID_GEN_RCV_OK, Le32(12));
        Answer(OID_GEN_RCV_ERROR, Le32(13));
        // Counter n holds n in its low word and 0xF0 in its high word.
        std::vector<uint8_t> record = Concat({Le32(104), Le32(0)});
        for (DWORD n = 1; n <= 12; n++)
            record = Concat({record, Le32(n), Le32(0xF0)});
        Answer(OID_QN40_STATISTICS, record);
        Answer(OID_QN40_RX_COUNTERS, Concat({Le32(99), Le32(100), Le32(200), Le32(0xFFFFFFFF)}));
    }

    BOOL Read()
    {
        return m_pConfig->GetStatistics(&m_qwTx, &m_qwRx, &m_adw[0], &m_adw[1], &m_adw[2], &m_adw[3],
                                        &m_adw[4]);
    }

    ULONGLONG m_qwTx = 7;
    ULONGLONG m_qwRx = 7;
    DWORD m_adw[5] = {7, 7, 7, 7, 7};
};

TEST_F(Statistics, SevenCountersFromTheirObjects)
{
    EXPECT_TRUE(Read());
    EXPECT_EQ(m_qwTx, 0x0000000200000001ull);
    EXPECT_EQ(m_qwRx, 0x0000000400000003ull);
    // Good CRC: the three receive counters (wrapping) plus duplicates (9) and received fragments (10).
    EXPECT_EQ(std::vector<DWORD>(m_adw, m_adw + 5),
              (std::vector<DWORD>{10, 11, 12, 100 + 200 - 1 + 9 + 10, 13}));
    EXPECT_EQ(TakeRequests(),
              (std::vector<Request>{Query(OID_QN40_TX_BYTES, 8), Query(OID_QN40_RX_BYTES, 8),
                                    Query(OID_GEN_XMIT_OK, 4), Query(OID_GEN_XMIT_ERROR, 4),
                                    Query(OID_GEN_RCV_OK, 4), Query(OID_GEN_RCV_ERROR, 4),
                                    Query(OID_QN40_STATISTICS, 104), Query(OID_QN40_RX_COUNTERS, 16)}));
}

TEST_F(Statistics, PartsOfTheGoodCrcCountCountZeroWhenUnreadable)
{
    FailQueries(OID_QN40_STATISTICS);
    EXPECT_TRUE(Read());
    EXPECT_EQ(m_adw[3], DWORD(100 + 200 - 1));
    FailQueries(OID_QN40_RX_COUNTERS);
    EXPECT_TRUE(Read());
    EXPECT_EQ(m_adw[3], 0u);
}

TEST_F(Statistics, AFailedCounterWritesNoOutput)
{
    FailQueries(OID_GEN_RCV_ERROR);
    EXPECT_FALSE(Read());
    EXPECT_EQ(m_qwTx, 7u);
    EXPECT_EQ(m_qwRx, 7u);
    EXPECT_EQ(std::vector<DWORD>(m_adw, m_adw + 5), std::vector<DWORD>(5, 7));
}

TEST_F(Statistics, WlanStatisticsTakeTheLowWordsAndHonourTheMinusOneMarks)
{
    DWORD adw[12];
    for (DWORD& dw : adw)
        dw = 0xFFFFFFFF;
    EXPECT_TRUE(m_pConfig->GetWlanStatistics(&adw[0], &adw[1], &adw[2], &adw[3], &adw[4], &adw[5], &adw[6],
                                             &adw[7], &adw[8], &adw[9], &adw[10], &adw[11]));
    // Marked counters of the eight that may be marked come back 0; the other four carry their values.
    EXPECT_EQ(std::vector<DWORD>(adw, adw + 12), (std::vector<DWORD>{1, 0, 0, 0, 0, 0, 0, 8, 0, 10, 0, 12}));
    for (DWORD& dw : adw)
        dw = 0;
    EXPECT_TRUE(m_pConfig->GetWlanStatistics(&adw[0], &adw[1], &adw[2], &adw[3], &adw[4], &adw[5], &adw[6],
                                             &adw[7], &adw[8], &adw[9], &adw[10], &adw[11]));
    EXPECT_EQ(std::vector<DWORD>(adw, adw + 12), (std::vector<DWORD>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    DWORD dw1 = 0, dw2 = 0, dw3 = 0;
    Answer(OID_QN40_TX_COUNTERS, Concat({Le32(0), Le32(4), Le32(5), Le32(6)}));
    EXPECT_TRUE(m_pConfig->GetOid80D(&dw1, &dw2, &dw3));
    EXPECT_EQ(std::vector<DWORD>({dw1, dw2, dw3}), std::vector<DWORD>({4, 5, 6}));
}

} // namespace
