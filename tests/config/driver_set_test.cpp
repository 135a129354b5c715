// DriverAdapterConfig's changes on the simulated card: the records sent byte for byte, the registry
// parameters recorded for the miniport's next start, and the results of sets the miniport refuses.

#include "config_test_support.h"

#include <WlanApp.h>

#include <simcore/faults.h>

#include <functional>

using namespace config_test;

namespace
{

std::vector<uint8_t> Zeros(size_t n)
{
    return std::vector<uint8_t>(n, 0);
}

RadioConfiguration Radio(DWORD dwBeacon, DWORD dwAtim, DWORD dwFrequency)
{
    RadioConfiguration radio;
    memset(&radio, 0x77, sizeof(radio)); // the frequency-hopping words are never passed on
    radio.Length = 99;
    radio.BeaconPeriod = dwBeacon;
    radio.ATIMWindow = dwAtim;
    radio.DSConfig = dwFrequency;
    return radio;
}

std::vector<uint8_t> RadioRecord(DWORD dwBeacon, DWORD dwAtim, DWORD dwFrequency)
{
    return Concat({Le32(32), Le32(dwBeacon), Le32(dwAtim), Le32(dwFrequency), Zeros(16)});
}

// Setters whose value the miniport also reads from its registry parameters.
struct RecordedRow
{
    const char* pszName;
    std::function<BOOL(AdapterConfig&)> call;
    Request request;
    const char16_t* pszParameter;
    std::u16string text;
};

const RecordedRow kRecordedRows[] = {
    {"PowerOff", [](AdapterConfig& c) { return c.SetPowerMode(0); }, Set(OID_QN40_POWER_MODE, Le32(0)),
     u"PowerMode", u"0"},
    {"PowerMax", [](AdapterConfig& c) { return c.SetPowerMode(1); }, Set(OID_QN40_POWER_MODE, Le32(2)),
     u"PowerMode", u"1"},
    {"PowerFast", [](AdapterConfig& c) { return c.SetPowerMode(2); }, Set(OID_QN40_POWER_MODE, Le32(1)),
     u"PowerMode", u"2"},
    {"AntennaBoth", [](AdapterConfig& c) { return c.SetRxAntenna(2); },
     Set(OID_QN40_RX_ANTENNA, Le32(0xFFFFFFFF)), u"RxAntennaNumber", u"-1"},
    {"AuthAuto", [](AdapterConfig& c) { return c.SetAuthType(2); },
     Set(OID_QN40_AUTHENTICATION_MODE, Le32(2)), u"AuthType", u"2"},
    {"Preamble", [](AdapterConfig& c) { return c.SetPreambleType(1); }, Set(OID_QN40_PREAMBLE_TYPE, Le32(1)),
     u"PreambleType", u"1"},
    {"Frag", [](AdapterConfig& c) { return c.SetFragThreshold(512); },
     Set(OID_QN40_FRAGMENTATION_THRESHOLD, Le32(512)), u"FragThreshold", u"512"},
    {"Rts", [](AdapterConfig& c) { return c.SetRtsThreshold(2347); }, Set(OID_QN40_RTS_THRESHOLD, Le32(2347)),
     u"RtsThreshold", u"2347"},
    {"Outdoor", [](AdapterConfig& c) { return c.SetEnvironmentCondition(1); },
     Set(OID_QN40_ENVIRONMENT_CONDITION, Le32(1)), u"EnvironmentCondition", u"1"},
    {"RateAuto", [](AdapterConfig& c) { return c.SetRate(0); },
     Set(OID_QN40_DESIRED_RATES, Hex("02040B1600000000")), u"Rate", u"15"},
    {"Rate5", [](AdapterConfig& c) { return c.SetRate(3); },
     Set(OID_QN40_DESIRED_RATES, Hex("0B00000000000000")), u"Rate", u"4"},
    {"Rate11", [](AdapterConfig& c) { return c.SetRate(4); },
     Set(OID_QN40_DESIRED_RATES, Hex("1600000000000000")), u"Rate", u"8"},
    {"IbssChannel6", [](AdapterConfig& c) { return c.SetIbssChannel(Radio(100, 3, 2412000), 6, 0); },
     Set(OID_QN40_CONFIGURATION, RadioRecord(100, 3, 2437000)), u"IbssChannel", u"6"},
    {"IbssFrequency14", [](AdapterConfig& c) { return c.SetIbssChannel(Radio(100, 0, 2484000), 0, 200); },
     Set(OID_QN40_CONFIGURATION, RadioRecord(200, 0, 2484000)), u"IbssChannel", u"14"},
};

TEST_F(CardTest, RecordedSettersSendTheValueAndRecordIt)
{
    for (const RecordedRow& row : kRecordedRows)
    {
        SCOPED_TRACE(row.pszName);
        RemoveParameter(row.pszParameter);
        EXPECT_TRUE(row.call(*m_pConfig));
        EXPECT_EQ(TakeRequests(), std::vector<Request>{row.request});
        EXPECT_EQ(Parameter(row.pszParameter), row.text);
    }
    EXPECT_TRUE(m_app.TakeMessages().empty());
}

TEST_F(CardTest, RecordedSettersTheMiniportRefusesFailButAreRecordedForItsNextStart)
{
    for (const RecordedRow& row : kRecordedRows)
    {
        SCOPED_TRACE(row.pszName);
        RemoveParameter(row.pszParameter);
        FailSets(row.request.dwOid);
        EXPECT_FALSE(row.call(*m_pConfig));
        EXPECT_EQ(TakeRequests(), std::vector<Request>{row.request});
        EXPECT_EQ(Parameter(row.pszParameter), row.text);
    }
}

TEST_F(CardTest, RecordedSettersNotSubmittedFailButAreRecordedForTheNextStart)
{
    for (const RecordedRow& row : kRecordedRows)
    {
        SCOPED_TRACE(row.pszName);
        RemoveParameter(row.pszParameter);
        FailSubmission(row.request.dwOid);
        EXPECT_FALSE(row.call(*m_pConfig));
        EXPECT_EQ(Parameter(row.pszParameter), row.text);
    }
}

TEST_F(CardTest, IbssFrequencyOutsideTheTwoGigahertzChannelsIsRecordedAsZero)
{
    // The card takes only 2.4 GHz channels, but the record goes out as asked and the registry is written.
    EXPECT_FALSE(m_pConfig->SetIbssChannel(Radio(100, 0, 5180000), 0, 0));
    EXPECT_EQ(TakeRequests(),
              std::vector<Request>{Set(OID_QN40_CONFIGURATION, RadioRecord(100, 0, 5180000))});
    EXPECT_EQ(Parameter(u"IbssChannel"), u"0");
}

TEST_F(CardTest, ArgumentsOutOfRangeSendNothing)
{
    struct
    {
        const char* pszName;
        std::function<BOOL(AdapterConfig&)> call;
    } rows[] = {
        {"SetPowerMode 3", [](AdapterConfig& c) { return c.SetPowerMode(3); }},
        {"SetPowerMode -1", [](AdapterConfig& c) { return c.SetPowerMode(-1); }},
        {"SetAuthType 3", [](AdapterConfig& c) { return c.SetAuthType(3); }},
        {"SetRate 5", [](AdapterConfig& c) { return c.SetRate(5); }},
        {"SetBssType 3", [](AdapterConfig& c) { return c.SetBssType(3); }},
        {"SetIbssChannel 257",
         [](AdapterConfig& c) { return c.SetIbssChannel(Radio(100, 0, 2412000), 257, 0); }},
        {"SetIbssChannel 15",
         [](AdapterConfig& c) { return c.SetIbssChannel(Radio(100, 0, 2412000), 15, 0); }},
        {"SetIbssChannel 241",
         [](AdapterConfig& c) { return c.SetIbssChannel(Radio(100, 0, 2412000), 241, 0); }},
        {"SetOid807 null data", [](AdapterConfig& c) { return c.SetOid807(nullptr, 4, 22, 1); }},
        {"WriteMacRegister null", [](AdapterConfig& c) { return c.WriteMacRegister(0x10, nullptr); }},
        {"SetBssid null", [](AdapterConfig& c) { return c.SetBssid(nullptr); }},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(row.call(*m_pConfig)) << row.pszName;
    EXPECT_TRUE(TakeRequests().empty());
    EXPECT_TRUE(m_app.TakeMessages().empty());
    EXPECT_EQ(Parameter(u"PowerMode"), u"0");
    EXPECT_EQ(Parameter(u"IbssChannel"), u"10");

    EXPECT_FALSE(m_pConfig->SetRxAntenna(3));
    EXPECT_TRUE(TakeRequests().empty());
    EXPECT_EQ(m_app.TakeMessages(), std::vector<std::u16string>{u"Wrong input at SetRxAntenna()"});
    EXPECT_EQ(Parameter(u"RxAntennaNumber"), u"-1");
}

TEST_F(CardTest, BssTypeSetsBothModesThenRecordsThem)
{
    struct
    {
        int nMode;
        DWORD dwDeviceMode;
        DWORD dwInfrastructure;
        std::u16string bssType;
        std::u16string deviceType;
    } rows[] = {{0, 1, 1, u"1", u"1"}, {1, 1, 0, u"2", u"1"}, {2, 2, 1, u"1", u"2"}};
    for (const auto& row : rows)
    {
        EXPECT_TRUE(m_pConfig->SetBssType(row.nMode));
        EXPECT_EQ(TakeRequests(),
                  (std::vector<Request>{Set(OID_QN40_DEVICE_MODE, Le32(row.dwDeviceMode)),
                                        Set(OID_QN40_INFRASTRUCTURE_MODE, Le32(row.dwInfrastructure))}));
        EXPECT_EQ(Parameter(u"BssType"), row.bssType);
        EXPECT_EQ(Parameter(u"DeviceType"), row.deviceType);
    }

    // A refused first set ends the operation before anything is recorded.
    FailSets(OID_QN40_DEVICE_MODE);
    EXPECT_FALSE(m_pConfig->SetBssType(1));
    EXPECT_EQ(TakeRequests(), std::vector<Request>{Set(OID_QN40_DEVICE_MODE, Le32(1))});
    EXPECT_EQ(Parameter(u"BssType"), u"1");
    EXPECT_EQ(Parameter(u"DeviceType"), u"2");
}

// The records of the other sets and of the reads that a set asks for.
struct RecordRow
{
    const char* pszName;
    std::function<BOOL(AdapterConfig&)> call;
    std::vector<Request> requests;
};

TEST_F(CardTest, RecordsGoOutByteForByte)
{
    static const DWORD s_dwMacValue = 0xCAFEF00D;
    static BYTE s_buffer[48];
    static CString s_strReadBack;
    static const BYTE s_bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    static BYTE s_vendor[48];
    for (int i = 0; i < 48; i++)
        s_vendor[i] = static_cast<BYTE>(i == 9 ? 0 : i / 4); // index 0, stored rather than selected
    static BYTE s_frame[3000];
    for (int i = 0; i < 3000; i++)
        s_frame[i] = static_cast<BYTE>(i);
    static WORD s_w;
    static BYTE s_b;
    static DWORD s_dw;
    static int s_n;
    const RecordRow rows[] = {
        {"SetBssid",
         [](AdapterConfig& c) { return c.SetBssid(s_bssid); },
         {Set(OID_QN40_BSSID, Hex("001122334455"))}},
        {"WepOn",
         [](AdapterConfig& c) { return c.SetWepEnabled(TRUE); },
         {Set(OID_QN40_WEP_ENABLE, Le32(0))}},
        {"WepOff",
         [](AdapterConfig& c) { return c.SetWepEnabled(FALSE); },
         {Set(OID_QN40_WEP_ENABLE, Le32(1))}},
        {"Flags",
         [](AdapterConfig& c) { return c.SetOid504(FALSE, 7); },
         {Set(OID_QN40_FEATURE_FLAGS, Concat({Le32(0), Le32(1)}))}},
        {"TxPower", [](AdapterConfig& c) { return c.SetOid510(50); }, {Set(OID_QN40_TX_POWER, Le32(50))}},
        {"Trace",
         [](AdapterConfig& c) { return c.SetOid50D(0x12345678); },
         {Set(OID_QN40_TRACE_MASK, Hex("78563412"))}},
        {"TestChannel",
         [](AdapterConfig& c) { return c.SetOid80E(3, 50); },
         {Set(OID_QN40_TEST_CHANNEL, Concat({Le32(3), Le32(50)}))}},
        {"TestParameter",
         [](AdapterConfig& c) { return c.SetOid804(9, 77, FALSE); },
         {Set(OID_QN40_TEST_PARAMETER, Concat({Le32(9), Le32(77)}))}},
        {"TestParameterRead",
         [](AdapterConfig& c) { return c.GetOid804(9, FALSE); },
         {Query(OID_QN40_TEST_PARAMETER, 8)}},
        {"SkippedSet", [](AdapterConfig& c) { return c.SetOid804(9, 77, TRUE); }, {}},
        {"SkippedRead", [](AdapterConfig& c) { return c.GetOid804(9, TRUE); }, {}},
        {"RadioOff", [](AdapterConfig& c) { return c.SetRadio(0); }, {Set(OID_QN40_RADIO, Le32(0))}},
        {"Disassociate", [](AdapterConfig& c) { return c.Disassociate(); }, {Set(OID_QN40_DISASSOCIATE, {})}},
        {"Scan", [](AdapterConfig& c) { return c.StartScan(); }, {Set(OID_QN40_BSSID_LIST_SCAN, {})}},
        {"ResetCounters", [](AdapterConfig& c) { return c.SetOid806(); }, {Set(OID_QN40_RESET_COUNTERS, {})}},
        {"TestReset", [](AdapterConfig& c) { return c.SetOid80B(); }, {Set(OID_QN40_TEST_RESET, {})}},
        {"TestStop", [](AdapterConfig& c) { return c.SetOid80A(); }, {Set(OID_QN40_TEST_STOP, {})}},
        {"TestStart", [](AdapterConfig& c) { return c.SetOid809(); }, {Set(OID_QN40_TEST_START, {})}},
        {"ReloadEeprom", [](AdapterConfig& c) { return c.SetOid906(); }, {Set(OID_QN40_RELOAD_EEPROM, {})}},
        {"Calibrate", [](AdapterConfig& c) { return c.SetOid901(); }, {Set(OID_QN40_CALIBRATE, {})}},
        {"VendorStore",
         [](AdapterConfig& c) { return c.SetOid505(s_vendor); },
         {Set(OID_QN40_VENDOR_RECORD, std::vector<uint8_t>(s_vendor, s_vendor + 48))}},
        {"VendorRead",
         [](AdapterConfig& c) { return c.ReadOid505(5, s_buffer); },
         {Set(OID_QN40_VENDOR_RECORD, Concat({Le32(5), Zeros(5), Hex("FF"), Zeros(38)})),
          Query(OID_QN40_VENDOR_RECORD, 48)}},
        {"Frame",
         [](AdapterConfig& c) { return c.SetOid807(s_frame, 5, 22, 3); },
         {Set(OID_QN40_TEST_FRAME, Concat({Le32(5), Hex("0001020304"), Zeros(2343), Le32(3), Le32(22)}))}},
        {"FrameTooLong",
         [](AdapterConfig& c) { return c.SetOid807(s_frame, 3000, 22, 1); },
         {Set(OID_QN40_TEST_FRAME,
              Concat({Le32(2348), std::vector<uint8_t>(s_frame, s_frame + 2348), Le32(1), Le32(22)}))}},
        {"MacWrite",
         [](AdapterConfig& c) { return c.WriteMacRegister(0x10, &s_dwMacValue); },
         {Set(OID_QN40_MAC_REGISTER, Hex("00000000100000000DF0FECA"))}},
        {"MacRead",
         [](AdapterConfig& c) { return c.ReadMacRegister(0x10, &s_dw); },
         {Set(OID_QN40_MAC_REGISTER, Hex("010000001000000000000000")), Query(OID_QN40_MAC_REGISTER, 12)}},
        {"MacStatus",
         [](AdapterConfig& c) { return c.GetMacStatusBit(&s_n); },
         {Set(OID_QN40_MAC_REGISTER, Hex("01000000F402000000000000")), Query(OID_QN40_MAC_REGISTER, 12)}},
        {"BbWrite",
         [](AdapterConfig& c) { return c.WriteBBRegister(5, 0xAB); },
         {Set(OID_QN40_BB_REGISTER, Hex("0005AB"))}},
        {"BbRead",
         [](AdapterConfig& c) { return c.ReadBBRegister(5, &s_b); },
         {Set(OID_QN40_BB_REGISTER, Hex("010500")), Query(OID_QN40_BB_REGISTER, 3)}},
        {"EepromWrite",
         [](AdapterConfig& c) { return c.WriteEeprom(20, 0xBEEF); },
         {Set(OID_QN40_EEPROM, Hex("00011400EFBE"))}},
        {"EepromRead",
         [](AdapterConfig& c) { return c.ReadEeprom(20, &s_w); },
         {Set(OID_QN40_EEPROM, Hex("010114000000")), Query(OID_QN40_EEPROM, 6)}},
        {"EepromWord19",
         [](AdapterConfig& c) { return c.GetEepromWord19(&s_w); },
         {Set(OID_QN40_EEPROM, Hex("010113000000")), Query(OID_QN40_EEPROM, 6)}},
        {"EepromSize",
         [](AdapterConfig& c) { return c.GetEepromSize(&s_w); },
         {Set(OID_QN40_EEPROM, Hex("010000000000")), Query(OID_QN40_EEPROM, 6)}},
        {"WepKey",
         [](AdapterConfig& c) { return c.SetWepKey(CString(u"0A1bFF0102"), 5, s_strReadBack); },
         {Set(OID_QN40_KEY, Concat({Hex("0A1BFF0102"), Zeros(11), Hex("00")})), Query(OID_QN40_KEY, 17)}},
        {"WepKeyBytes",
         [](AdapterConfig& c)
         { return c.SetWepKeyBytes(CString(u"00112233445566778899aabbccddeeff"), 3, s_strReadBack); },
         {Set(OID_QN40_KEY, Hex("00112233445566778899AABBCCDDEEFF01")), Query(OID_QN40_KEY, 17)}},
    };
    for (const RecordRow& row : rows)
    {
        EXPECT_TRUE(row.call(*m_pConfig)) << row.pszName;
        EXPECT_EQ(TakeRequests(), row.requests) << row.pszName;
    }
    EXPECT_TRUE(m_app.TakeMessages().empty());
}

TEST_F(CardTest, RegistersAndEepromReadBackWhatWasWritten)
{
    const DWORD dwValue = 0x12345678;
    EXPECT_TRUE(m_pConfig->WriteMacRegister(0x40, &dwValue));
    DWORD dwRead = 0;
    EXPECT_TRUE(m_pConfig->ReadMacRegister(0x40, &dwRead));
    EXPECT_EQ(dwRead, dwValue);
    EXPECT_TRUE(m_pConfig->WriteBBRegister(7, 0x3C));
    BYTE bRead = 0;
    EXPECT_TRUE(m_pConfig->ReadBBRegister(7, &bRead));
    EXPECT_EQ(bRead, 0x3C);
    EXPECT_TRUE(m_pConfig->WriteEeprom(30, 0xBEEF));
    WORD wRead = 0;
    EXPECT_TRUE(m_pConfig->ReadEeprom(30, &wRead));
    EXPECT_EQ(wRead, 0xBEEF);
    EXPECT_TRUE(m_pConfig->GetEepromSize(&wRead));
    EXPECT_EQ(wRead, 256);
    EXPECT_TRUE(m_pConfig->GetEepromWord19(&wRead));
    EXPECT_EQ(wRead, 0x4A21);

    // Bit 30 of the MAC status register follows the radio.
    int nBit = -1;
    EXPECT_TRUE(m_pConfig->GetMacStatusBit(&nBit));
    EXPECT_EQ(nBit, 1);
    EXPECT_TRUE(m_pConfig->SetRadio(0));
    EXPECT_TRUE(m_pConfig->GetMacStatusBit(&nBit));
    EXPECT_EQ(nBit, 0);
    EXPECT_TRUE(m_pConfig->SetRadio(1));
    sim::SetFault(sim::RegisterFaultName(sim::RegisterArea::Mac, false, 0x2F4), "C0000001");
    nBit = -1;
    EXPECT_TRUE(m_pConfig->GetMacStatusBit(&nBit));
    EXPECT_EQ(nBit, 0);

    BOOL bFirst = FALSE, bSecond = FALSE;
    EXPECT_TRUE(m_pConfig->SetOid504(TRUE, FALSE));
    EXPECT_TRUE(m_pConfig->GetOid504(&bFirst, &bSecond));
    EXPECT_EQ(bFirst, TRUE);
    EXPECT_EQ(bSecond, FALSE);
}

TEST_F(CardTest, RegisterFailuresAreShownAndEndTheRead)
{
    sim::SetFault(sim::RegisterFaultName(sim::RegisterArea::Baseband, true, 5), "C0000001");
    sim::SetFault(sim::RegisterFaultName(sim::RegisterArea::Baseband, false, 6), "C0000001");
    EXPECT_FALSE(m_pConfig->WriteBBRegister(5, 1));
    BYTE bValue = 0x99;
    EXPECT_FALSE(m_pConfig->ReadBBRegister(6, &bValue));
    EXPECT_EQ(bValue, 0x99);
    EXPECT_EQ(m_app.TakeMessages(),
              (std::vector<std::u16string>{u"Failed to set configuration", u"Failed to read configuration"}));
    TakeRequests();

    // A refused set of a set-then-query read sends no query.
    FailSets(OID_QN40_BB_REGISTER);
    FailSets(OID_QN40_MAC_REGISTER);
    FailSets(OID_QN40_EEPROM);
    EXPECT_FALSE(m_pConfig->ReadBBRegister(1, &bValue));
    DWORD dwValue = 7;
    EXPECT_FALSE(m_pConfig->ReadMacRegister(0x10, &dwValue));
    WORD wValue = 7;
    EXPECT_FALSE(m_pConfig->ReadEeprom(1, &wValue));
    EXPECT_FALSE(m_pConfig->GetEepromSize(&wValue));
    EXPECT_EQ(dwValue, 7u);
    EXPECT_EQ(wValue, 7);
    for (const Request& request : TakeRequests())
        EXPECT_TRUE(request.bSet) << request;
    EXPECT_EQ(m_app.TakeMessages(), std::vector<std::u16string>{u"Failed to set configuration"});
}

TEST_F(CardTest, KeyReadBackShowsWhatTheCardHolds)
{
    struct
    {
        int nCount;
        bool bBytes;
        std::u16string expected;
    } rows[] = {
        {5, false, u"0a1bff0102" + std::u16string(22, u'0')},
        {-3, false, std::u16string(32, u'0')},
        {99, false, u"0a1bff0102030405060708090a0b0c0d"},
        {3, true, u"0a1bff"},
        {0, true, u""},
        {99, true, u"0a1bff0102030405060708090a0b0c0d"},
    };
    const CString strHex(u"0A1bFF0102030405060708090a0b0c0d0e0f");
    for (const auto& row : rows)
    {
        CString strReadBack(u"preset");
        BOOL bResult = row.bBytes ? m_pConfig->SetWepKeyBytes(strHex, row.nCount, strReadBack)
                                  : m_pConfig->SetWepKey(strHex, row.nCount, strReadBack);
        EXPECT_TRUE(bResult);
        EXPECT_EQ(strReadBack.str(), row.expected) << row.nCount;
    }

    FailSets(OID_QN40_KEY);
    TakeRequests();
    CString strReadBack(u"preset");
    EXPECT_FALSE(m_pConfig->SetWepKey(strHex, 16, strReadBack));
    EXPECT_EQ(strReadBack, u"preset");
    EXPECT_EQ(TakeRequests().size(), 1u);
}

} // namespace
