// Every cardctl key of the air, seen through the card's answers at the driver boundary.
#include "sim_test.h"

#include <simcore/request_log.h>
#include <simcore/text.h>

#include <set>

using namespace simtest;

namespace
{

class AirKeys : public DriverTest
{
protected:
    int32_t Rssi(HANDLE h) { return static_cast<int32_t>(QueryU32(h, OID_QN40_RSSI)); }
    uint64_t Counter64(HANDLE h, uint32_t oid)
    {
        uint64_t value = 0;
        EXPECT_EQ(Query(h, oid, &value, 8).ndis, 0u);
        return value;
    }
};

TEST_F(AirKeys, LinkUpDownAndJoined)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set scantime 0"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DEVICE_STATE), static_cast<uint32_t>(QN40_DEVICE_STATE_CONNECTED));

    ASSERT_EQ(Cardctl("set link down"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DISCONNECT_STATE), static_cast<uint32_t>(QN40_DISCONNECT_SCANNING));
    uint8_t bssid[6];
    EXPECT_EQ(Query(h, OID_QN40_BSSID, bssid, 6).ndis, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_NOT_READY));
    NDIS_802_11_SSID ssid{};
    EXPECT_EQ(Query(h, OID_QN40_SSID, &ssid, sizeof(ssid)).done, 36u);
    EXPECT_EQ(ssid.SsidLength, 0u);

    ASSERT_EQ(Cardctl("set link joined"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DISCONNECT_STATE), static_cast<uint32_t>(QN40_DISCONNECT_JOINED));
    EXPECT_EQ(Query(h, OID_QN40_BSSID, bssid, 6).ndis, 0u) << "the joined network's BSSID is known";

    ASSERT_EQ(Cardctl("set link up"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
}

TEST_F(AirKeys, NetworkNameBssidAndChannel)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set scantime 0"), 0);
    ASSERT_EQ(Cardctl("set ssid Quayside"), 0);
    ASSERT_EQ(Cardctl("set bssid 00-0A-1B-2C-3D-4E"), 0);
    ASSERT_EQ(Cardctl("set channel 11"), 0);
    NDIS_802_11_SSID ssid{};
    ASSERT_EQ(Query(h, OID_QN40_SSID, &ssid, sizeof(ssid)).ndis, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ssid.Ssid), ssid.SsidLength), "Quayside");
    uint8_t bssid[6];
    ASSERT_EQ(Query(h, OID_QN40_BSSID, bssid, 6).ndis, 0u);
    const uint8_t expected[6] = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
    EXPECT_EQ(std::memcmp(bssid, expected, 6), 0);
    NDIS_802_11_CONFIGURATION config{};
    ASSERT_EQ(Query(h, OID_QN40_CONFIGURATION, &config, sizeof(config)).ndis, 0u);
    EXPECT_EQ(config.Length, 32u);
    EXPECT_EQ(config.DSConfig, 2462000u);
    EXPECT_EQ(config.BeaconPeriod, 100u);

    // A channel the regulatory domain forbids hides the network (domain 49 allows 10 and 11 only).
    ASSERT_EQ(Cardctl("set channel 6"), 0);
    HKEY parms = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, KEY_ALL_ACCESS, &parms), 0);
    RegSetValueExW(parms, u"Domain", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"49"), 6);
    RegCloseKey(parms);
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("insert"), 0);
    EXPECT_EQ(QueryU32(h, OID_QN40_REGULATORY_DOMAIN), 49u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
}

TEST_F(AirKeys, FixedSignalSetsRssiQualityAndLinkSpeed)
{
    HANDLE h = OpenBound();
    const struct
    {
        int rssi;
        uint32_t speed;
    } rows[] = {{-60, 110000}, {-75, 55000}, {-82, 20000}, {-92, 10000}};
    for (const auto& row : rows)
    {
        ASSERT_EQ(Cardctl("set rssi " + std::to_string(row.rssi)), 0);
        EXPECT_EQ(Rssi(h), row.rssi);
        EXPECT_EQ(QueryU32(h, OID_GEN_LINK_SPEED), row.speed) << row.rssi;
    }
    ASSERT_EQ(Cardctl("set quality 42"), 0);
    EXPECT_EQ(QueryU32(h, OID_QN40_LINK_QUALITY), 42u);

    // The card's desired rates cap the speed.
    const uint8_t slow[8] = {2, 4, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(Cardctl("set rssi -50"), 0);
    EXPECT_EQ(Set(h, OID_QN40_DESIRED_RATES, slow, 8).ndis, 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_LINK_SPEED), 20000u);
}

TEST_F(AirKeys, MovingSignalIsTheSameForTheSameSeedAndClock)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("clock freeze"), 0);
    auto series = [&](const char* seed)
    {
        EXPECT_EQ(Cardctl(std::string("set seed ") + seed), 0);
        std::vector<int32_t> values;
        for (int i = 0; i < 8; ++i)
        {
            values.push_back(Rssi(h));
            values.push_back(static_cast<int32_t>(QueryU32(h, OID_QN40_LINK_QUALITY)));
            EXPECT_EQ(Cardctl("clock advance 1500"), 0);
        }
        EXPECT_EQ(Cardctl("clock advance -12000"), 0);
        return values;
    };
    const auto first = series("5");
    const auto again = series("5");
    const auto other = series("6");
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    // And it moves: the readings are not all alike.
    EXPECT_GT(std::set<int32_t>(first.begin(), first.end()).size(), 3u);
}

TEST_F(AirKeys, TrafficMakesTheCountersGrowWithTheClock)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("clock freeze"), 0);
    ASSERT_EQ(Cardctl("set traffic 10000"), 0);
    const uint64_t rx0 = Counter64(h, OID_QN40_RX_BYTES), tx0 = Counter64(h, OID_QN40_TX_BYTES);
    const uint32_t frames0 = QueryU32(h, OID_GEN_RCV_OK);
    ASSERT_EQ(Cardctl("clock advance 10000"), 0);
    EXPECT_EQ(Counter64(h, OID_QN40_RX_BYTES) - rx0, 100000u);
    EXPECT_EQ(Counter64(h, OID_QN40_TX_BYTES) - tx0, 33330u);
    EXPECT_GT(QueryU32(h, OID_GEN_RCV_OK), frames0);

    NDIS_802_11_STATISTICS stats{};
    ASSERT_EQ(Query(h, OID_QN40_STATISTICS, &stats, sizeof(stats)).done, 104u);
    EXPECT_EQ(stats.Length, 104u);
    EXPECT_EQ(static_cast<uint64_t>(stats.ReceivedFragmentCount.QuadPart), QueryU32(h, OID_GEN_RCV_OK));

    // Changing the rate does not rewrite what was counted; a link that is down counts nothing.
    const uint64_t counted = Counter64(h, OID_QN40_RX_BYTES);
    ASSERT_EQ(Cardctl("set traffic 0"), 0);
    ASSERT_EQ(Cardctl("clock advance 5000"), 0);
    EXPECT_EQ(Counter64(h, OID_QN40_RX_BYTES), counted);
    ASSERT_EQ(Cardctl("set traffic 1000"), 0);
    ASSERT_EQ(Cardctl("set link down"), 0);
    ASSERT_EQ(Cardctl("clock advance 5000"), 0);
    EXPECT_EQ(Counter64(h, OID_QN40_RX_BYTES), counted);

    // The card's reset object starts the counters again.
    EXPECT_EQ(Set(h, OID_QN40_RESET_COUNTERS, nullptr, 0).ndis, 0u);
    EXPECT_EQ(Counter64(h, OID_QN40_RX_BYTES), 0u);
}

TEST_F(AirKeys, ScanTimeDelaysTheConnectionAfterInsertion)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("clock freeze"), 0);
    ASSERT_EQ(Cardctl("set scantime 800"), 0);
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("insert"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_DISCONNECT_STATE), static_cast<uint32_t>(QN40_DISCONNECT_SCANNING));
    ASSERT_EQ(Cardctl("clock advance 700"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    ASSERT_EQ(Cardctl("clock advance 100"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
}

TEST_F(AirKeys, BadValuesAreRefused)
{
    const char* bad[] = {
        "set link sideways", "set channel 15",  "set rssi -5",
        "set quality 101",   "set bssid 00-11", "set traffic -1",
        "set ip 1.2.3",      "set nosuchkey 1", "set ssid 123456789012345678901234567890123"};
    for (const char* words : bad)
        EXPECT_EQ(Cardctl(words), 2) << words;
}

TEST_F(AirKeys, RequestLogRecordsWhatCrossedTheBoundary)
{
    HANDLE h = OpenBound();
    uint32_t value = 0;
    Query(h, OID_GEN_LINK_SPEED, &value, 4);
    EXPECT_TRUE(sim::requestlog::Read().empty()) << "off by default";
    ASSERT_EQ(Cardctl("set log on"), 0);
    uint32_t radio = 1;
    Request request(true, OID_QN40_RADIO, &radio, 4);
    std::vector<uint8_t> sent(request.data(), request.data() + 152);
    ASSERT_TRUE(SubmitRecord(h, request));
    const auto entries = sim::requestlog::Read();
    auto submit =
        std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.kind == "submit"; });
    ASSERT_NE(submit, entries.end());
    EXPECT_EQ(submit->Bytes("record"), sent);
    EXPECT_EQ(submit->Number("oid"), OID_QN40_RADIO);
    EXPECT_EQ(submit->Field("data"), "01000000");
    auto complete =
        std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.kind == "complete"; });
    ASSERT_NE(complete, entries.end());
    EXPECT_EQ(complete->Field("ndis"), "00000000");
}

} // namespace
