// The real backend through the protocol driver PCA4: and NDIS, as the utility reaches the card: on the
// machine's wireless interface when it has one, and always on the loopback link, which answers what a
// link has and refuses what only a wireless device has.
#include "sim_test.h"

#include <hostwifi/netlink_backend.h>

#include <iphlpapi.h>

#include <fstream>

using namespace simtest;

namespace
{

class HostWifiEndToEnd : public DriverTest
{
protected:
    bool CardEntryPresent()
    {
        std::string status;
        Cardctl("status", &status);
        return status.find("NDL1:") != std::string::npos;
    }
};

TEST_F(HostWifiEndToEnd, OnTheMachinesWirelessInterface)
{
    hostwifi::NetlinkBackend probe("auto");
    const auto interfaces = probe.WirelessInterfaces();
    if (!interfaces.ok() || interfaces.value->empty())
        GTEST_SKIP() << "skipped: this machine has no wireless interface (nl80211 "
                     << (interfaces.ok() ? "lists none" : "is not there")
                     << "), so the host backend was not run end to end on one";
    const auto& wlan = interfaces.value->front();
    ASSERT_EQ(Cardctl("host auto"), 0);
    HANDLE h = OpenBound();
    uint8_t mac[6] = {};
    Outcome o = Query(h, OID_802_3_CURRENT_ADDRESS, mac, 6);
    ASSERT_EQ(o.ndis, 0u);
    if (wlan.address)
    {
        EXPECT_EQ(std::memcmp(mac, wlan.address->data(), 6), 0);
    }
    uint32_t ndis = 0;
    const uint32_t connected = QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS);
    QueryU32(h, OID_QN40_DEVICE_MODE, &ndis);
    EXPECT_EQ(ndis, 0u);
    NDIS_802_11_SSID ssid{};
    EXPECT_EQ(Query(h, OID_QN40_SSID, &ssid, sizeof(ssid)).ndis, 0u);
    if (connected == NdisMediaStateConnected)
    {
        EXPECT_GT(ssid.SsidLength, 0u);
    }
    std::string status;
    EXPECT_EQ(Cardctl("status", &status), 0);
    EXPECT_NE(status.find(wlan.name), std::string::npos) << status;
}

TEST_F(HostWifiEndToEnd, OnTheLoopbackLinkThroughTheProtocolDriver)
{
    ASSERT_EQ(Cardctl("host lo"), 0);
    HANDLE h = OpenBound();
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), static_cast<uint32_t>(NdisMediaStateConnected));
    EXPECT_EQ(QueryU32(h, OID_GEN_MAXIMUM_FRAME_SIZE), 65536u);
    uint64_t sent = 0;
    Outcome o = Query(h, OID_GEN_XMIT_OK, &sent, 8);
    EXPECT_EQ(o.ndis, 0u);
    EXPECT_EQ(o.done, 8u);
    for (uint32_t oid :
         std::initializer_list<uint32_t>{OID_QN40_RSSI, OID_QN40_SSID, OID_QN40_POWER_MODE, OID_QN40_EEPROM})
    {
        uint8_t buffer[36] = {};
        EXPECT_EQ(Query(h, oid, buffer, sizeof(buffer)).ndis,
                  static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED))
            << std::hex << oid << ": the loopback link is no wireless device";
    }

    // The IP helper gives the card's entry the interface's own address.
    ULONG size = 0;
    ASSERT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    std::vector<IP_ADAPTER_INFO> list(size / sizeof(IP_ADAPTER_INFO));
    ASSERT_EQ(GetAdaptersInfo(list.data(), &size), static_cast<DWORD>(NO_ERROR));
    const IP_ADAPTER_INFO* card = nullptr;
    for (const auto& a : list)
        if (std::string(a.AdapterName) == "WLAN11b1")
            card = &a;
    ASSERT_NE(card, nullptr);
    EXPECT_STREQ(card->IpAddressList.IpAddress.String, "127.0.0.1");
    EXPECT_STREQ(card->IpAddressList.IpMask.String, "255.0.0.0");
    EXPECT_STREQ(card->Description, "host interface lo");

    std::string status;
    EXPECT_EQ(Cardctl("status", &status), 0);
    EXPECT_NE(status.find("\"lo\", index 1"), std::string::npos) << status;
    EXPECT_NE(status.find("wireless: not a wireless interface"), std::string::npos) << status;
}

TEST_F(HostWifiEndToEnd, AnInterfaceThatIsNotThereIsAnEmptySlot)
{
    HANDLE before = OpenBound();
    ASSERT_EQ(Cardctl("host qn40none0"), 0);
    EXPECT_FALSE(CardEntryPresent());
    uint32_t ndis = 0;
    uint32_t value = 0;
    Outcome o = Query(before, OID_GEN_MEDIA_CONNECT_STATUS, &value, 4);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED))
        << "a handle bound before the change";
    HANDLE h = Open();
    EXPECT_EQ(Init(h), 0u);
    DWORD error = 0;
    EXPECT_FALSE(Bind(h, u"WLAN11b1", &error)) << "no card among the bindings";

    std::string out;
    EXPECT_EQ(Cardctl("insert", &out), 1) << "the slot follows the interface, not cardctl";
    EXPECT_NE(out.find("cardctl host off"), std::string::npos) << out;
    EXPECT_EQ(Cardctl("host off"), 0);
    EXPECT_TRUE(CardEntryPresent()) << "the simulated card is back in its slot";
    EXPECT_EQ(QueryU32(before, OID_GEN_MEDIA_CONNECT_STATUS, &ndis),
              static_cast<uint32_t>(NdisMediaStateConnected));
    EXPECT_EQ(ndis, 0u);
    EXPECT_EQ(Cardctl("host bad/name"), 2);
}

// NDIS, loaded when a program first uses a device, brings the slot in step with the chosen interface.
TEST(HostWifiNdisStart, TheSlotFollowsTheChosenInterfaceFromNdisStart)
{
    testing_support::TempHandheld handheld;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Simulator\\Host", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string name = u"qn40none0";
    ASSERT_EQ(RegSetValueExW(key, u"Interface", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                             static_cast<DWORD>((name.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    std::string status;
    Cardctl("status", &status);
    ASSERT_NE(status.find("NDL1:"), std::string::npos) << "the factory entry is still there";

    HANDLE registration = RegisterDevice(u"PCA", 4, u"PCANDIS4.dll", 0x34414350);
    ASSERT_NE(registration, nullptr);
    Cardctl("status", &status);
    EXPECT_EQ(status.find("NDL1:"), std::string::npos) << status;
    DeregisterDevice(registration);
}

} // namespace
