// From nl80211 and rtnetlink messages (built with libnl, as the kernel sends them) to the card's answers.
#include "hostwifi_test.h"

#include <ntddndis.h>

#include <netlink/route/link.h>

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>

#include <cstring>

using namespace hwtest;
using hostwifi::kUncounted;

namespace
{

TEST(HostWifiTranslation, AssociatedStationAnswersFromTheStationAndItsBss)
{
    FakeHost host;
    Associate(host);

    EXPECT_EQ(Query(host, OID_GEN_MEDIA_CONNECT_STATUS).U32(),
              static_cast<uint32_t>(NdisMediaStateConnected));
    EXPECT_EQ(Query(host, OID_QN40_DEVICE_STATE).U32(), static_cast<uint32_t>(QN40_DEVICE_STATE_CONNECTED));
    EXPECT_EQ(Query(host, OID_QN40_RSSI).U32(), static_cast<uint32_t>(-52));
    EXPECT_EQ(Query(host, OID_GEN_LINK_SPEED).U32(), 110000u) << "11 Mbit/s in units of 100 bit/s";
    EXPECT_EQ(Query(host, OID_QN40_LINK_QUALITY).U32(), 82u) << "(-52 + 110) * 100 / 70";

    const Answer bssid = Query(host, OID_QN40_BSSID, 6);
    EXPECT_EQ(bssid.status, NDIS_STATUS_SUCCESS);
    EXPECT_TRUE(std::equal(kApMac.begin(), kApMac.end(), bssid.bytes.begin()));

    const Answer ssid = Query(host, OID_QN40_SSID, 36);
    ASSERT_EQ(ssid.done, 36u);
    EXPECT_EQ(ssid.U32(), 9u);
    EXPECT_EQ(std::string(ssid.bytes.begin() + 4, ssid.bytes.begin() + 13), "HarborNet");
    EXPECT_EQ(ssid.bytes[13], 0) << "the rest of the record is zero";

    const Answer mac = Query(host, OID_802_3_CURRENT_ADDRESS, 6);
    EXPECT_TRUE(std::equal(kOwnMac.begin(), kOwnMac.end(), mac.bytes.begin()));
    EXPECT_EQ(Query(host, OID_GEN_XMIT_OK, 8).U64(0), 400u);
    EXPECT_EQ(Query(host, OID_QN40_RX_BYTES, 8).U64(0), 123456u);
    EXPECT_EQ(Query(host, OID_QN40_RX_BYTES, 4).done, 4u) << "a counter fits a 4-byte buffer too";
    EXPECT_EQ(Query(host, OID_GEN_MAXIMUM_TOTAL_SIZE).U32(), 1514u);

    const Answer config = Query(host, OID_QN40_CONFIGURATION, 32);
    ASSERT_EQ(config.status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(config.U32(), 32u);
    EXPECT_EQ(config.bytes[4], 100) << "beacon period";
    uint32_t khz = 0;
    std::memcpy(&khz, &config.bytes[12], 4);
    EXPECT_EQ(khz, 2437000u);
}

TEST(HostWifiTranslation, NotAssociatedAnswersNothingInvented)
{
    FakeHost host;
    host.Receive(InterfaceMessage());
    host.Disconnected();

    EXPECT_EQ(Query(host, OID_GEN_MEDIA_CONNECT_STATUS).U32(),
              static_cast<uint32_t>(NdisMediaStateDisconnected));
    for (uint32_t oid : std::initializer_list<uint32_t>{OID_QN40_BSSID, OID_QN40_RSSI, OID_GEN_LINK_SPEED,
                                                        OID_QN40_CONFIGURATION})
    {
        const Answer a = Query(host, oid, 36);
        EXPECT_EQ(a.status, NDIS_STATUS_ADAPTER_NOT_READY) << std::hex << oid;
        EXPECT_EQ(a.bytes[0], 0xEE) << "nothing written for " << std::hex << oid;
    }
    EXPECT_EQ(Query(host, OID_QN40_SSID, 36).U32(), 0u) << "no SSID while not associated";
    EXPECT_EQ(Query(host, OID_QN40_LINK_QUALITY).U32(), 0u) << "no link, no quality";
    EXPECT_EQ(Query(host, OID_QN40_DEVICE_STATE).U32(), static_cast<uint32_t>(QN40_DEVICE_STATE_SCANNING));
    EXPECT_EQ(Query(host, OID_QN40_DISCONNECT_STATE).U32(), static_cast<uint32_t>(QN40_DISCONNECT_NONE))
        << "the host does not say it is scanning, so that is never claimed";

    // Associated, but the link is not up yet (the access point has not let it in).
    host.Receive(ScanMessage());
    EXPECT_EQ(Query(host, OID_QN40_DISCONNECT_STATE).U32(), static_cast<uint32_t>(QN40_DISCONNECT_JOINED));
    EXPECT_EQ(Query(host, OID_QN40_DEVICE_STATE).U32(), static_cast<uint32_t>(QN40_DEVICE_STATE_JOINED));
}

TEST(HostWifiTranslation, NetworkModeFollowsTheInterfaceType)
{
    struct Case
    {
        uint32_t type;
        NDIS_STATUS status;
        uint32_t infrastructure, deviceMode;
    };
    const Case cases[] = {
        {NL80211_IFTYPE_STATION, NDIS_STATUS_SUCCESS, Ndis802_11Infrastructure, QN40_DEVICE_MODE_STATION},
        {NL80211_IFTYPE_ADHOC, NDIS_STATUS_SUCCESS, Ndis802_11IBSS, QN40_DEVICE_MODE_STATION},
        {NL80211_IFTYPE_AP, NDIS_STATUS_SUCCESS, Ndis802_11Infrastructure, QN40_DEVICE_MODE_AP},
        {NL80211_IFTYPE_P2P_GO, NDIS_STATUS_SUCCESS, Ndis802_11Infrastructure, QN40_DEVICE_MODE_AP},
        {NL80211_IFTYPE_MONITOR, NDIS_STATUS_NOT_SUPPORTED, 0, 0},
    };
    for (const Case& c : cases)
    {
        FakeHost host;
        InterfaceFields fields;
        fields.type = c.type;
        host.Receive(InterfaceMessage(fields));
        const Answer infrastructure = Query(host, OID_QN40_INFRASTRUCTURE_MODE);
        const Answer mode = Query(host, OID_QN40_DEVICE_MODE);
        EXPECT_EQ(infrastructure.status, c.status) << "type " << c.type;
        EXPECT_EQ(mode.status, c.status) << "type " << c.type;
        if (c.status == NDIS_STATUS_SUCCESS)
        {
            EXPECT_EQ(infrastructure.U32(), c.infrastructure) << "type " << c.type;
            EXPECT_EQ(mode.U32(), c.deviceMode) << "type " << c.type;
        }
    }
    // An IBSS the interface has joined is its current network too.
    FakeHost cell;
    BssFields joined;
    joined.status = NL80211_BSS_STATUS_IBSS_JOINED;
    joined.capability = 0x0002;
    Associate(cell, {3, "wlan0", NL80211_IFTYPE_ADHOC}, joined);
    EXPECT_EQ(Query(cell, OID_QN40_BSSID, 6).status, NDIS_STATUS_SUCCESS);
}

TEST(HostWifiTranslation, FiveGigahertzChannel)
{
    FakeHost host;
    BssFields bss;
    bss.mhz = 5180;
    Associate(host, {3, "wlan0", NL80211_IFTYPE_STATION, "HarborNet", 5180}, bss);
    const Answer config = Query(host, OID_QN40_CONFIGURATION, 32);
    ASSERT_EQ(config.status, NDIS_STATUS_SUCCESS);
    uint32_t khz = 0;
    std::memcpy(&khz, &config.bytes[12], 4);
    EXPECT_EQ(khz, 5180000u);

    const std::pair<uint32_t, uint32_t> channels[] = {{2412, 1},   {2472, 13}, {2484, 14}, {5180, 36},
                                                      {5825, 165}, {5955, 1},  {2400, 0},  {5181, 0}};
    for (const auto& [mhz, channel] : channels)
        EXPECT_EQ(hostwifi::ChannelOfFrequency(mhz), channel) << mhz << " MHz";
}

TEST(HostWifiTranslation, SignalExtremesKeepTheirSign)
{
    struct Case
    {
        int8_t dbm;
        uint32_t quality;
    };
    for (const Case& c : {Case{-100, 14}, Case{0, 100}, Case{-40, 100}, Case{-110, 0}, Case{-128, 0}})
    {
        FakeHost host;
        StationFields station;
        station.signal = static_cast<uint8_t>(c.dbm);
        Associate(host, {}, {}, station);
        const Answer rssi = Query(host, OID_QN40_RSSI);
        ASSERT_EQ(rssi.status, NDIS_STATUS_SUCCESS) << int(c.dbm);
        EXPECT_EQ(static_cast<int32_t>(rssi.U32()), c.dbm)
            << "a signal of 0 dBm is a value, not a missing one";
        EXPECT_EQ(Query(host, OID_QN40_LINK_QUALITY).U32(), c.quality) << int(c.dbm);
    }
}

TEST(HostWifiTranslation, BitratesAboveElevenMbitInUnitsOf100Bits)
{
    struct Case
    {
        std::optional<uint32_t> rate32;
        std::optional<uint16_t> rate16;
        uint32_t speed;
    };
    for (const Case& c :
         {Case{std::nullopt, 540, 540000}, Case{8667, std::nullopt, 8667000}, Case{24019, 0xFFFF, 24019000}})
    {
        FakeHost host;
        StationFields station;
        station.bitrate32 = c.rate32;
        station.bitrate16 = c.rate16;
        Associate(host, {}, {}, station);
        EXPECT_EQ(Query(host, OID_GEN_LINK_SPEED).U32(), c.speed)
            << "the 32-bit rate wins over the 16-bit one";
    }
}

TEST(HostWifiTranslation, MissingAttributesAreUnknownNotZero)
{
    FakeHost host;
    BssFields bss;
    bss.signalMbm.reset();
    Associate(host, {3, "wlan0", std::nullopt}, bss, {std::nullopt, std::nullopt, std::nullopt, false});
    host.link.value->counters.reset();
    host.link.value->address.reset();

    for (uint32_t oid : std::initializer_list<uint32_t>{
             OID_QN40_RSSI, OID_QN40_LINK_QUALITY, OID_GEN_LINK_SPEED, OID_GEN_XMIT_OK, OID_QN40_TX_BYTES,
             OID_802_3_CURRENT_ADDRESS, OID_802_3_PERMANENT_ADDRESS, OID_QN40_INFRASTRUCTURE_MODE,
             OID_QN40_DEVICE_MODE})
    {
        const Answer a = Query(host, oid, 8);
        EXPECT_EQ(a.status, NDIS_STATUS_NOT_SUPPORTED) << std::hex << oid;
        EXPECT_EQ(a.bytes[0], 0xEE) << std::hex << oid;
    }
    const Answer stats = Query(host, OID_QN40_STATISTICS, 104);
    ASSERT_EQ(stats.status, NDIS_STATUS_SUCCESS);
    for (size_t i = 0; i < 12; ++i)
        EXPECT_EQ(stats.U64(8 + 8 * i), kUncounted) << "counter " << i;

    // With the counters there, the record carries them and only the rest stays uncounted.
    FakeHost counted;
    Associate(counted);
    const Answer full = Query(counted, OID_QN40_STATISTICS, 104);
    EXPECT_EQ(full.U64(8), 400u) << "transmitted";
    EXPECT_EQ(full.U64(24), 2u) << "failed";
    EXPECT_EQ(full.U64(32), 31u) << "retries";
    EXPECT_EQ(full.U64(80), 1000u) << "received";
    EXPECT_EQ(full.U64(72), kUncounted) << "duplicates are not counted by the host";
}

TEST(HostWifiTranslation, MalformedMessagesAreRefused)
{
    // The wrong command, a missing index, an SSID longer than 32 bytes and a name without its zero.
    EXPECT_FALSE(hostwifi::ParseInterfaceMessage(nlmsg_hdr(Genl(NL80211_CMD_NEW_STATION).get())));
    Message noIndex = Genl(NL80211_CMD_NEW_INTERFACE);
    nla_put_string(noIndex.get(), NL80211_ATTR_IFNAME, "wlan0");
    EXPECT_FALSE(hostwifi::ParseInterfaceMessage(nlmsg_hdr(noIndex.get())));

    Message odd = Genl(NL80211_CMD_NEW_INTERFACE);
    nla_put_u32(odd.get(), NL80211_ATTR_IFINDEX, 4);
    const std::string longSsid(33, 'x');
    nla_put(odd.get(), NL80211_ATTR_SSID, 33, longSsid.data());
    nla_put(odd.get(), NL80211_ATTR_IFNAME, 5, "wlan0");     // no terminating zero
    nla_put(odd.get(), NL80211_ATTR_MAC, 5, kOwnMac.data()); // one byte short
    nla_put_u16(odd.get(), NL80211_ATTR_WIPHY_FREQ, 2437);   // too short for its u32
    const auto w = hostwifi::ParseInterfaceMessage(nlmsg_hdr(odd.get()));
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->ssid);
    EXPECT_EQ(w->name, "");
    EXPECT_FALSE(w->address);
    EXPECT_FALSE(w->frequencyMhz);

    // A header that claims less than a generic netlink header.
    Message cut = InterfaceMessage();
    nlmsg_hdr(cut.get())->nlmsg_len = NLMSG_HDRLEN + 2;
    EXPECT_FALSE(hostwifi::ParseInterfaceMessage(nlmsg_hdr(cut.get())));

    // Elements that run past the end of the frame body.
    const std::vector<uint8_t> elements = {0, 3, 'a', 'b', 'c', 1, 9, 0x82};
    EXPECT_TRUE(hostwifi::FindElement(elements, 0));
    EXPECT_FALSE(hostwifi::FindElement(elements, 1));
    EXPECT_FALSE(hostwifi::FindElement(std::vector<uint8_t>{0}, 0));
}

TEST(HostWifiTranslation, LinkAddressAndRouteMessagesFromRtnetlink)
{
    rtnl_link* link = rtnl_link_alloc();
    rtnl_link_set_ifindex(link, 7);
    rtnl_link_set_name(link, "wlan1");
    rtnl_link_set_flags(link, IFF_UP);
    rtnl_link_set_mtu(link, 2304);
    rtnl_link_set_operstate(link, IF_OPER_DORMANT);
    nl_msg* raw = nullptr;
    ASSERT_EQ(rtnl_link_build_add_request(link, 0, &raw), 0);
    Message add(raw, nlmsg_free);
    rtnl_link_stats64 stats{};
    stats.rx_packets = 11;
    stats.tx_bytes = 1ull << 40;
    nla_put(add.get(), IFLA_STATS64, sizeof(stats), &stats);
    const auto parsed = hostwifi::ParseLinkMessage(nlmsg_hdr(add.get()));
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->removed);
    EXPECT_EQ(parsed->link.ifindex, 7u);
    EXPECT_EQ(parsed->link.name, "wlan1");
    EXPECT_EQ(parsed->link.mtu, 2304u);
    EXPECT_FALSE(parsed->link.Connected()) << "dormant: waiting for the supplicant";
    ASSERT_TRUE(parsed->link.counters);
    EXPECT_EQ(parsed->link.counters->rxPackets, 11u);
    EXPECT_EQ(parsed->link.counters->txBytes, 1ull << 40);
    EXPECT_FALSE(parsed->link.address);

    ASSERT_EQ(rtnl_link_build_delete_request(link, &raw), 0);
    Message del(raw, nlmsg_free);
    const auto removed = hostwifi::ParseLinkMessage(nlmsg_hdr(del.get()));
    ASSERT_TRUE(removed);
    EXPECT_TRUE(removed->removed);
    EXPECT_FALSE(removed->link.counters);
    rtnl_link_put(link);

    Message address(nlmsg_alloc_simple(RTM_NEWADDR, 0), nlmsg_free);
    ifaddrmsg ifa{AF_INET, 24, 0, 0, 7};
    nlmsg_append(address.get(), &ifa, sizeof(ifa), NLMSG_ALIGNTO);
    const uint8_t ip[4] = {192, 168, 1, 105};
    nla_put(address.get(), IFA_LOCAL, 4, ip);
    nla_put_u32(address.get(), IFA_FLAGS, 0);
    const auto a = hostwifi::ParseAddressMessage(nlmsg_hdr(address.get()));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->ifindex, 7u);
    EXPECT_EQ(a->address[3], 105);
    EXPECT_EQ(a->prefixLength, 24);
    EXPECT_TRUE(a->dynamic) << "no IFA_F_PERMANENT: a lease";

    Message route(nlmsg_alloc_simple(RTM_NEWROUTE, 0), nlmsg_free);
    rtmsg rt{};
    rt.rtm_family = AF_INET;
    rt.rtm_table = RT_TABLE_MAIN;
    nlmsg_append(route.get(), &rt, sizeof(rt), NLMSG_ALIGNTO);
    const uint8_t gateway[4] = {192, 168, 1, 1};
    nla_put(route.get(), RTA_GATEWAY, 4, gateway);
    nla_put_u32(route.get(), RTA_OIF, 7);
    const auto r = hostwifi::ParseRouteMessage(nlmsg_hdr(route.get()));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->gateway[3], 1);
    nlmsg_hdr(route.get())->nlmsg_type = RTM_NEWADDR;
    EXPECT_FALSE(hostwifi::ParseRouteMessage(nlmsg_hdr(route.get())));
}

TEST(HostWifiTranslation, BssidListFromTheScanResults)
{
    FakeHost host;
    Associate(host);
    BssFields cell;
    cell.bssid = {0x02, 0, 0, 0, 0, 9};
    cell.ssid = "Cell";
    cell.mhz = 5200;
    cell.capability = 0x0002;
    cell.status.reset();
    host.Receive(ScanMessage(cell));

    const Answer tooShort = Query(host, OID_QN40_BSSID_LIST, 100);
    EXPECT_EQ(tooShort.status, NDIS_STATUS_BUFFER_TOO_SHORT);
    EXPECT_EQ(tooShort.needed, 4u + 2 * 104);

    const Answer list = Query(host, OID_QN40_BSSID_LIST, 3332);
    ASSERT_EQ(list.status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(list.U32(), 2u);
    const uint8_t* first = &list.bytes[4];
    EXPECT_EQ(first[0], 104);
    EXPECT_EQ(std::memcmp(first + 4, kApMac.data(), 6), 0);
    EXPECT_EQ(first[12], 9);
    EXPECT_EQ(first[48], 1) << "privacy";
    EXPECT_EQ(static_cast<int8_t>(first[52]), -52);
    EXPECT_EQ(first[56], Ndis802_11DS);
    EXPECT_EQ(first[92], Ndis802_11Infrastructure);
    EXPECT_EQ(first[96], 0x82) << "rates with the basic-rate mark";
    const uint8_t* second = first + 104;
    EXPECT_EQ(second[48], 0);
    EXPECT_EQ(second[56], Ndis802_11OFDM5);
    EXPECT_EQ(second[92], Ndis802_11IBSS);

    for (int i = 0; i < 40; ++i)
        host.Receive(ScanMessage(cell));
    EXPECT_EQ(Query(host, OID_QN40_BSSID_LIST, 3332).U32(), 32u) << "the list holds 32 networks";
}

TEST(HostWifiTranslation, SettingsOfTheHost)
{
    FakeHost host;
    Associate(host);
    host.powerSave = Outcome<bool>::Of(true);
    EXPECT_EQ(Query(host, OID_QN40_POWER_MODE).U32(), static_cast<uint32_t>(Ndis802_11PowerModeMAX_PSP));
    EXPECT_EQ(SetU32(host, OID_QN40_POWER_MODE, Ndis802_11PowerModeFast_PSP).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(SetU32(host, OID_QN40_POWER_MODE, Ndis802_11PowerModeCAM).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(SetU32(host, OID_QN40_POWER_MODE, 3).status, NDIS_STATUS_INVALID_DATA);

    host.thresholds.value->rts = hostwifi::WiphyThresholds::kThresholdOff;
    host.thresholds.value->fragmentation = 1000;
    EXPECT_EQ(Query(host, OID_QN40_RTS_THRESHOLD).U32(), 2347u) << "off, as the card says it";
    EXPECT_EQ(Query(host, OID_QN40_FRAGMENTATION_THRESHOLD).U32(), 1000u);
    EXPECT_EQ(SetU32(host, OID_QN40_RTS_THRESHOLD, 2347).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(SetU32(host, OID_QN40_FRAGMENTATION_THRESHOLD, 512).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(SetU32(host, OID_QN40_FRAGMENTATION_THRESHOLD, 255).status, NDIS_STATUS_INVALID_DATA);

    host.radio.value->soft = true;
    EXPECT_EQ(Query(host, OID_QN40_RADIO).U32(), 0u);
    EXPECT_EQ(Query(host, OID_QN40_DEVICE_STATE).U32(), static_cast<uint32_t>(QN40_DEVICE_STATE_RADIO_OFF));
    EXPECT_EQ(SetU32(host, OID_QN40_RADIO, 1).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(Request(host, true, OID_QN40_BSSID_LIST_SCAN, {}).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(Request(host, true, OID_QN40_DISASSOCIATE, {}).status, NDIS_STATUS_SUCCESS);

    const std::vector<std::string> expected = {
        "power 1", "power 0", "thresholds - 4294967295", "thresholds 512 -", "radio 1", "scan", "disconnect"};
    EXPECT_EQ(host.sets, expected) << "what reached the host, in order; refused values never do";

    // Not associated, there is nothing to leave.
    host.Disconnected();
    EXPECT_EQ(Request(host, true, OID_QN40_DISASSOCIATE, {}).status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(host.sets.back(), "disconnect");
    EXPECT_EQ(host.sets.size(), expected.size());
}

TEST(HostWifiTranslation, ObjectsWithoutAHostEquivalentShortBuffersAndAGoneInterface)
{
    FakeHost host;
    Associate(host);
    for (uint32_t oid : std::initializer_list<uint32_t>{
             OID_QN40_MAC_REGISTER, OID_QN40_BB_REGISTER, OID_QN40_EEPROM, OID_QN40_INFO_BLOCK,
             OID_QN40_REGULATORY_DOMAIN, OID_QN40_AUTHENTICATION_MODE, OID_802_11_SSID})
    {
        EXPECT_EQ(Query(host, oid, 12).status, NDIS_STATUS_NOT_SUPPORTED) << std::hex << oid;
        EXPECT_EQ(Request(host, true, oid, std::vector<uint8_t>(12)).status, NDIS_STATUS_NOT_SUPPORTED)
            << std::hex << oid;
    }
    EXPECT_EQ(SetU32(host, OID_QN40_SSID, 0).status, NDIS_STATUS_NOT_SUPPORTED)
        << "joining a network is the host's connection manager's";

    const Answer shortU32 = Query(host, OID_GEN_MEDIA_CONNECT_STATUS, 2);
    EXPECT_EQ(shortU32.status, NDIS_STATUS_INVALID_LENGTH);
    EXPECT_EQ(shortU32.needed, 4u);
    EXPECT_EQ(Query(host, OID_QN40_SSID, 35).needed, 36u);
    EXPECT_EQ(Request(host, true, OID_QN40_POWER_MODE, {0, 0}).status, NDIS_STATUS_INVALID_LENGTH);

    const Answer list = Query(host, OID_GEN_SUPPORTED_LIST, 400);
    ASSERT_EQ(list.status, NDIS_STATUS_SUCCESS);
    EXPECT_EQ(list.done, 4 * hostwifi::HostMiniport::SupportedOids().size());

    host.link = Outcome<hostwifi::LinkInfo>::Error(HostStatus::Gone);
    EXPECT_EQ(Query(host, OID_GEN_MEDIA_CONNECT_STATUS).status, NDIS_STATUS_ADAPTER_REMOVED);
    FakeHost wired;
    wired.wireless = Outcome<hostwifi::WirelessInterface>::Error(HostStatus::NotWireless);
    wired.scan = Outcome<std::vector<Bss>>::Error(HostStatus::NotWireless);
    EXPECT_EQ(Query(wired, OID_QN40_RSSI).status, NDIS_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(Query(wired, OID_GEN_MEDIA_CONNECT_STATUS).status, NDIS_STATUS_SUCCESS);
}

} // namespace
