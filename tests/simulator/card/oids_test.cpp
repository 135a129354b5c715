// The card's objects: sizes and statuses for short buffers, settings that read back what was set and
// refuse what the card cannot do, registers and the EEPROM, and the radio and network modes.
#include "sim_test.h"

using namespace simtest;

namespace
{

class Oids : public DriverTest
{
};

TEST_F(Oids, FixedSizeQueriesAnswerTheirSizeAndAskForItWhenShort)
{
    HANDLE h = OpenBound();
    const struct
    {
        uint32_t oid;
        uint32_t size;
    } rows[] = {
        {OID_GEN_MAXIMUM_TOTAL_SIZE, 4},
        {OID_GEN_MEDIA_CONNECT_STATUS, 4},
        {OID_GEN_LINK_SPEED, 4},
        {OID_GEN_VENDOR_DRIVER_VERSION, 4},
        {OID_802_3_CURRENT_ADDRESS, 6},
        {OID_802_11_NETWORK_TYPE_IN_USE, 4},
        {OID_QN40_DEVICE_STATE, 4},
        {OID_QN40_BSSID, 6},
        {OID_QN40_SSID, 36},
        {OID_QN40_RSSI, 4},
        {OID_QN40_INFRASTRUCTURE_MODE, 4},
        {OID_QN40_FRAGMENTATION_THRESHOLD, 4},
        {OID_QN40_RTS_THRESHOLD, 4},
        {OID_QN40_RX_ANTENNA, 4},
        {OID_QN40_SUPPORTED_RATES, 8},
        {OID_QN40_DESIRED_RATES, 8},
        {OID_QN40_CONFIGURATION, 32},
        {OID_QN40_STATISTICS, 104},
        {OID_QN40_POWER_MODE, 4},
        {OID_QN40_AUTHENTICATION_MODE, 4},
        {OID_QN40_WEP_STATUS, 4},
        {OID_QN40_WEP_ENABLE, 4},
        {OID_QN40_PREAMBLE_TYPE, 4},
        {OID_QN40_LINK_QUALITY, 4},
        {OID_QN40_FEATURE_FLAGS, 8},
        {OID_QN40_VENDOR_RECORD, 48},
        {OID_QN40_KEY, 17},
        {OID_QN40_DISCONNECT_STATE, 4},
        {OID_QN40_ENVIRONMENT_CONDITION, 4},
        {OID_QN40_REGULATORY_DOMAIN, 4},
        {OID_QN40_TRACE_MASK, 4},
        {OID_QN40_INFO_BLOCK, 724},
        {OID_QN40_TX_POWER, 4},
        {OID_QN40_DEVICE_MODE, 4},
        {OID_QN40_AP_INFO, 20},
        {OID_QN40_RADIO, 4},
        {OID_QN40_MAC_REGISTER, 12},
        {OID_QN40_BB_REGISTER, 3},
        {OID_QN40_EEPROM, 6},
        {OID_QN40_TEST_PARAMETER, 8},
        {OID_QN40_RX_COUNTERS, 16},
        {OID_QN40_TX_COUNTERS, 16},
        {OID_QN40_TEST_RESULT, 48},
        {OID_QN40_TEST_CHANNEL, 8},
    };
    for (const auto& row : rows)
    {
        std::vector<uint8_t> buffer(row.size + 4, 0xCC);
        // Register and EEPROM records carry the question: a read of place 0.
        const bool access =
            row.oid == OID_QN40_MAC_REGISTER || row.oid == OID_QN40_EEPROM || row.oid == OID_QN40_BB_REGISTER;
        if (access)
        {
            std::fill(buffer.begin(), buffer.begin() + row.size, 0);
            buffer[0] = 1;
            buffer[1] = row.oid == OID_QN40_EEPROM ? 1 : 0;
        }
        Outcome o = Query(h, row.oid, buffer.data(), row.size + 4);
        EXPECT_EQ(o.ndis, 0u) << std::hex << row.oid;
        EXPECT_EQ(o.done, row.size) << std::hex << row.oid;
        EXPECT_EQ(buffer[row.size], 0xCC) << std::hex << row.oid << " wrote past its size";
        o = Query(h, row.oid, buffer.data(), row.size - 1);
        EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_LENGTH)) << std::hex << row.oid;
        EXPECT_EQ(o.needed, row.size) << std::hex << row.oid;
    }
}

TEST_F(Oids, SettingsReadBackAndRefuseWhatTheCardCannotDo)
{
    HANDLE h = OpenBound();
    const struct
    {
        uint32_t oid;
        uint32_t good;
        uint32_t bad;
    } rows[] = {
        {OID_QN40_INFRASTRUCTURE_MODE, Ndis802_11IBSS, 3},
        {OID_QN40_FRAGMENTATION_THRESHOLD, 512, 100},
        {OID_QN40_RTS_THRESHOLD, 500, 3000},
        {OID_QN40_RX_ANTENNA, 0xFFFFFFFF, 2},
        {OID_QN40_POWER_MODE, Ndis802_11PowerModeFast_PSP, 3},
        {OID_QN40_AUTHENTICATION_MODE, 1, 4},
        {OID_QN40_PREAMBLE_TYPE, 1, 3},
        {OID_QN40_ENVIRONMENT_CONDITION, 1, 2},
        {OID_QN40_TX_POWER, 50, 0},
        {OID_QN40_DEVICE_MODE, QN40_DEVICE_MODE_AP, 3},
        {OID_QN40_RADIO, 0, 2},
        {OID_QN40_WEP_ENABLE, 0, 2},
        {OID_GEN_CURRENT_PACKET_FILTER, 0x0B, 0x10000},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(SetU32(h, row.oid, row.good), 0u) << std::hex << row.oid;
        EXPECT_EQ(QueryU32(h, row.oid), row.good) << std::hex << row.oid;
        EXPECT_EQ(SetU32(h, row.oid, row.bad), static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA))
            << std::hex << row.oid;
        EXPECT_EQ(QueryU32(h, row.oid), row.good) << std::hex << row.oid;
    }
    // Read-only and set-only objects.
    uint32_t value = 1;
    EXPECT_EQ(Set(h, OID_GEN_LINK_SPEED, &value, 4).ndis, static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED));
    EXPECT_EQ(Query(h, OID_QN40_DISASSOCIATE, &value, 4).ndis,
              static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED));
    // A short set asks for the record's size.
    Outcome o = Set(h, OID_QN40_SSID, &value, 4);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_LENGTH));
    EXPECT_EQ(o.needed, 36u);
}

TEST_F(Oids, RecordsReadBackWhatWasSet)
{
    HANDLE h = OpenBound();
    uint8_t key[17] = {0x0A, 0x1B, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(QueryU32(h, OID_QN40_WEP_STATUS), static_cast<uint32_t>(Ndis802_11WEPDisabled));
    EXPECT_EQ(SetU32(h, OID_QN40_WEP_ENABLE, Ndis802_11WEPEnabled), 0u);
    EXPECT_EQ(QueryU32(h, OID_QN40_WEP_STATUS), static_cast<uint32_t>(Ndis802_11WEPKeyAbsent));
    EXPECT_EQ(Set(h, OID_QN40_KEY, key, 17).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_QN40_WEP_STATUS), static_cast<uint32_t>(Ndis802_11WEPEnabled));
    uint8_t back[17] = {};
    EXPECT_EQ(Query(h, OID_QN40_KEY, back, 17).done, 17u);
    EXPECT_EQ(std::memcmp(key, back, 17), 0);

    // The vendor record: a set with 0xFF at byte 9 chooses the record the next query returns.
    uint8_t record[48] = {};
    Put32(record, 3);
    record[20] = 0x77;
    EXPECT_EQ(Set(h, OID_QN40_VENDOR_RECORD, record, 48).ndis, 0u);
    uint8_t select[48] = {};
    Put32(select, 3);
    select[9] = 0xFF;
    EXPECT_EQ(Set(h, OID_QN40_VENDOR_RECORD, select, 48).ndis, 0u);
    EXPECT_EQ(Query(h, OID_QN40_VENDOR_RECORD, select, 48).ndis, 0u);
    EXPECT_EQ(Get32(select), 3u);
    EXPECT_EQ(select[20], 0x77);
    Put32(select, 16);
    EXPECT_EQ(Set(h, OID_QN40_VENDOR_RECORD, select, 48).ndis,
              static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));

    // Parameters are answered for the number in the query's first word.
    uint32_t parameter[2] = {7, 99};
    EXPECT_EQ(Set(h, OID_QN40_TEST_PARAMETER, parameter, 8).ndis, 0u);
    uint32_t ask[2] = {7, 0};
    EXPECT_EQ(Query(h, OID_QN40_TEST_PARAMETER, ask, 8).ndis, 0u);
    EXPECT_EQ(ask[1], 99u);

    // Rates: only 1, 2, 5.5 and 11 Mbit/s; the basic-rate flag is accepted.
    const uint8_t rates[8] = {0x82, 22, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Set(h, OID_QN40_DESIRED_RATES, rates, 8).ndis, 0u);
    uint8_t got[8];
    Query(h, OID_QN40_DESIRED_RATES, got, 8);
    EXPECT_EQ(got[0], 2);
    EXPECT_EQ(got[1], 22);
    EXPECT_EQ(got[2], 0);
    const uint8_t badRates[8] = {2, 12, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Set(h, OID_QN40_DESIRED_RATES, badRates, 8).ndis,
              static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));
    const uint8_t none[8] = {};
    EXPECT_EQ(Set(h, OID_QN40_DESIRED_RATES, none, 8).ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));
}

TEST_F(Oids, BasebandAndMacRegistersAreWrittenAndReadThroughSetThenQuery)
{
    HANDLE h = OpenBound();
    uint8_t bb[3] = {0, 200, 0x5A};
    EXPECT_EQ(Set(h, OID_QN40_BB_REGISTER, bb, 3).ndis, 0u);
    uint8_t read[3] = {1, 200, 0};
    EXPECT_EQ(Set(h, OID_QN40_BB_REGISTER, read, 3).ndis, 0u);
    EXPECT_EQ(Query(h, OID_QN40_BB_REGISTER, read, 3).ndis, 0u);
    EXPECT_EQ(read[2], 0x5A);

    uint8_t mac[12] = {0, 0, 0, 0, 0xFC, 0x04, 0, 0};
    Put32(mac + 8, 0xCAFEF00D);
    EXPECT_EQ(Set(h, OID_QN40_MAC_REGISTER, mac, 12).ndis, 0u);
    uint8_t macRead[12] = {1, 0, 0, 0, 0xFC, 0x04, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Query(h, OID_QN40_MAC_REGISTER, macRead, 12).ndis, 0u);
    EXPECT_EQ(Get32(macRead + 8), 0xCAFEF00Du);
    for (uint32_t bad : {0x500u, 0x2F6u})
    {
        uint8_t r[12] = {1};
        Put32(r + 4, bad);
        EXPECT_EQ(Query(h, OID_QN40_MAC_REGISTER, r, 12).ndis,
                  static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));
    }

    // Bit 30 of register 0x2F4 shows the radio.
    uint8_t status[12] = {1, 0, 0, 0, 0xF4, 0x02, 0, 0, 0, 0, 0, 0};
    Query(h, OID_QN40_MAC_REGISTER, status, 12);
    EXPECT_TRUE(Get32(status + 8) & (1u << 30));
    SetU32(h, OID_QN40_RADIO, 0);
    Query(h, OID_QN40_MAC_REGISTER, status, 12);
    EXPECT_FALSE(Get32(status + 8) & (1u << 30));

    // Registers go back to their reset values when the card is ejected and inserted again.
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("insert"), 0);
    uint8_t again[3] = {1, 200, 0};
    EXPECT_EQ(Query(h, OID_QN40_BB_REGISTER, again, 3).ndis, 0u);
    EXPECT_NE(again[2], 0x5A);
}

TEST_F(Oids, EepromHasASizeAndKeepsItsWordsAcrossEjection)
{
    HANDLE h = OpenBound();
    uint8_t size[6] = {1, 0, 0, 0, 0, 0};
    EXPECT_EQ(Set(h, OID_QN40_EEPROM, size, 6).ndis, 0u);
    EXPECT_EQ(Query(h, OID_QN40_EEPROM, size, 6).ndis, 0u);
    EXPECT_EQ(size[4] | (size[5] << 8), 256);

    uint8_t write[6] = {0, 1, 100, 0, 0x34, 0x12};
    EXPECT_EQ(Set(h, OID_QN40_EEPROM, write, 6).ndis, 0u);
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("insert"), 0);
    uint8_t read[6] = {1, 1, 100, 0, 0, 0};
    EXPECT_EQ(Query(h, OID_QN40_EEPROM, read, 6).ndis, 0u);
    EXPECT_EQ(read[4] | (read[5] << 8), 0x1234);

    uint8_t outside[6] = {1, 1, 128, 0, 0, 0};
    EXPECT_EQ(Query(h, OID_QN40_EEPROM, outside, 6).ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));
    uint8_t writeSize[6] = {0, 0, 0, 0, 1, 0};
    EXPECT_EQ(Set(h, OID_QN40_EEPROM, writeSize, 6).ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));

    // The card's address comes from the EEPROM's first three words when the card starts.
    uint8_t mac[6] = {0, 1, 0, 0, 0x02, 0x50};
    EXPECT_EQ(Set(h, OID_QN40_EEPROM, mac, 6).ndis, 0u);
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("insert"), 0);
    uint8_t address[6];
    EXPECT_EQ(Query(h, OID_802_3_CURRENT_ADDRESS, address, 6).ndis, 0u);
    EXPECT_EQ(address[0], 0x02);
    EXPECT_EQ(address[1], 0x50);
}

TEST_F(Oids, RadioAdHocAndAccessPointModes)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set scantime 0"), 0);
    EXPECT_EQ(SetU32(h, OID_QN40_RADIO, 0), 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DEVICE_STATE), static_cast<uint32_t>(QN40_DEVICE_STATE_RADIO_OFF));
    std::vector<uint8_t> list(3332);
    EXPECT_EQ(Query(h, OID_QN40_BSSID_LIST, list.data(), 3332).done, 4u)
        << "a radio that is off finds nothing";
    EXPECT_EQ(SetU32(h, OID_QN40_RADIO, 1), 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    Outcome o = Query(h, OID_QN40_BSSID_LIST, list.data(), 3332);
    ASSERT_EQ(o.ndis, 0u);
    ASSERT_EQ(Get32(list.data()), 3u);
    EXPECT_EQ(o.done, 4u + 3 * 104);
    EXPECT_EQ(Get32(list.data() + 4), 104u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(list.data() + 4 + 16), Get32(list.data() + 4 + 12)),
              "HarborNet");

    // Ad hoc: a cell of the card's own on the ad hoc channel (10 in the factory parameters).
    EXPECT_EQ(SetU32(h, OID_QN40_INFRASTRUCTURE_MODE, Ndis802_11IBSS), 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    NDIS_802_11_CONFIGURATION config{};
    Query(h, OID_QN40_CONFIGURATION, &config, 32);
    EXPECT_EQ(config.DSConfig, 2457000u);
    config.DSConfig = 2412000;
    EXPECT_EQ(Set(h, OID_QN40_CONFIGURATION, &config, 32).ndis, 0u);
    Query(h, OID_QN40_CONFIGURATION, &config, 32);
    EXPECT_EQ(config.DSConfig, 2412000u);
    config.DSConfig = 5180000; // not a channel of this card
    EXPECT_EQ(Set(h, OID_QN40_CONFIGURATION, &config, 32).ndis,
              static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));

    // An SSID the air does not have leaves a station scanning; disassociating leaves it idle.
    EXPECT_EQ(SetU32(h, OID_QN40_INFRASTRUCTURE_MODE, Ndis802_11Infrastructure), 0u);
    NDIS_802_11_SSID ssid{};
    ssid.SsidLength = 5;
    std::memcpy(ssid.Ssid, "Other", 5);
    EXPECT_EQ(Set(h, OID_QN40_SSID, &ssid, 36).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DISCONNECT_STATE), static_cast<uint32_t>(QN40_DISCONNECT_SCANNING));
    ssid.SsidLength = 9;
    std::memcpy(ssid.Ssid, "HarborNet", 9);
    EXPECT_EQ(Set(h, OID_QN40_SSID, &ssid, 36).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    ssid.SsidLength = 33;
    EXPECT_EQ(Set(h, OID_QN40_SSID, &ssid, 36).ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_DATA));
    EXPECT_EQ(Set(h, OID_QN40_DISASSOCIATE, nullptr, 0).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DISCONNECT_STATE), static_cast<uint32_t>(QN40_DISCONNECT_NONE));
    EXPECT_EQ(Set(h, OID_QN40_BSSID_LIST_SCAN, nullptr, 0).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);

    // Access point: beacons with its own address as BSSID.
    EXPECT_EQ(SetU32(h, OID_QN40_DEVICE_MODE, QN40_DEVICE_MODE_AP), 0u);
    uint8_t bssid[6];
    EXPECT_EQ(Query(h, OID_QN40_BSSID, bssid, 6).ndis, 0u);
    const uint8_t own[6] = {0x00, 0x0A, 0x5D, 0x40, 0x51, 0x2C};
    EXPECT_EQ(std::memcmp(bssid, own, 6), 0);
    QN40_AP_INFO info{};
    EXPECT_EQ(Query(h, OID_QN40_AP_INFO, &info, 20).ndis, 0u);
    EXPECT_EQ(info.Mode, 3u);
}

// The supported list and the objects that answer come from one table: every listed object answers a
// query or a set, an unlisted one answers neither, and a standard 802.11 object is the card's own.
TEST_F(Oids, TheSupportedListNamesExactlyTheObjectsThatAnswer)
{
    HANDLE h = OpenBound();
    std::vector<uint8_t> list(4096);
    Outcome o = Query(h, OID_GEN_SUPPORTED_LIST, list.data(), static_cast<uint32_t>(list.size()));
    ASSERT_EQ(o.ndis, 0u);
    ASSERT_EQ(o.done % 4, 0u);
    std::vector<uint32_t> supported;
    for (uint32_t i = 0; i < o.done; i += 4)
        supported.push_back(Get32(list.data() + i));
    EXPECT_EQ(supported.size(), 89u);
    const auto notSupported = static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED);
    for (uint32_t oid : supported)
    {
        std::vector<uint8_t> buffer(4096, 0);
        if (Query(h, oid, buffer.data(), static_cast<uint32_t>(buffer.size())).ndis != notSupported)
            continue;
        std::fill(buffer.begin(), buffer.end(), 0);
        EXPECT_NE(Set(h, oid, buffer.data(), static_cast<uint32_t>(buffer.size())).ndis, notSupported)
            << std::hex << oid << " is listed but answers nothing";
    }
    for (uint32_t oid : {0x00010199u, 0x0D010199u, OID_QN40_DEVICE_STATE + 3, OID_QN40_RELOAD_EEPROM + 1})
    {
        std::vector<uint8_t> buffer(64, 0);
        EXPECT_EQ(Query(h, oid, buffer.data(), 64).ndis, notSupported) << std::hex << oid;
        EXPECT_EQ(Set(h, oid, buffer.data(), 64).ndis, notSupported) << std::hex << oid;
    }

    EXPECT_EQ(SetU32(h, OID_QN40_RTS_THRESHOLD, 700), 0u);
    EXPECT_EQ(QueryU32(h, OID_802_11_RTS_THRESHOLD), 700u);
    EXPECT_EQ(SetU32(h, OID_802_11_POWER_MODE, Ndis802_11PowerModeMAX_PSP), 0u);
    EXPECT_EQ(QueryU32(h, OID_QN40_POWER_MODE), static_cast<uint32_t>(Ndis802_11PowerModeMAX_PSP));
}

TEST_F(Oids, TheWiredAdapterAnswersNoWirelessObject)
{
    HANDLE h = OpenBound(u"USBLAN1");
    uint32_t type = 0;
    EXPECT_EQ(Query(h, OID_802_11_NETWORK_TYPE_IN_USE, &type, 4).ndis,
              static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED));
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    HANDLE card = OpenBound();
    EXPECT_EQ(QueryU32(card, OID_802_11_NETWORK_TYPE_IN_USE), static_cast<uint32_t>(Ndis802_11DS));

    // A second wireless adapter is a card of its own: same objects, its own address and settings.
    ASSERT_EQ(Cardctl("adapter add XWLAN11b1 wireless"), 0);
    HANDLE second = OpenBound(u"XWLAN11b1");
    EXPECT_EQ(QueryU32(second, OID_802_11_NETWORK_TYPE_IN_USE), static_cast<uint32_t>(Ndis802_11DS));
    uint8_t a[6], b[6];
    Query(card, OID_802_3_CURRENT_ADDRESS, a, 6);
    Query(second, OID_802_3_CURRENT_ADDRESS, b, 6);
    EXPECT_NE(std::memcmp(a, b, 6), 0);
    EXPECT_EQ(SetU32(second, OID_QN40_RTS_THRESHOLD, 100), 0u);
    EXPECT_EQ(QueryU32(card, OID_QN40_RTS_THRESHOLD), 2347u);
}

TEST_F(Oids, RequestsAfterTheCardLeftAreRefusedAsRemoved)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("eject"), 0);
    uint32_t value = 0;
    EXPECT_EQ(Query(h, OID_GEN_MEDIA_CONNECT_STATUS, &value, 4).ndis,
              static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
    DWORD error = 0;
    HANDLE other = Open();
    EXPECT_FALSE(Bind(other, u"WLAN11b1", &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(Cardctl("insert"), 0);
    EXPECT_EQ(Query(h, OID_GEN_MEDIA_CONNECT_STATUS, &value, 4).ndis, 0u)
        << "the binding follows the card back";
}

} // namespace
