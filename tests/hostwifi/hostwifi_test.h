// Helpers of the host backend's tests: nl80211 and rtnetlink messages built with libnl's own message
// functions, as the kernel sends them, and a backend that answers from what such messages carried.
#pragma once

#include <hostwifi/host_backend.h>
#include <hostwifi/host_miniport.h>

#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <linux/nl80211.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hwtest
{

using hostwifi::Bss;
using hostwifi::HostStatus;
using hostwifi::Mac;
using hostwifi::Outcome;

using Message = std::unique_ptr<nl_msg, decltype(&nlmsg_free)>;

inline constexpr int kFamily = 0x1C; // the family number the kernel gave nl80211 (any will do)
inline const Mac kApMac = {0x00, 0x13, 0x46, 0x7A, 0x2B, 0x01};
inline const Mac kOwnMac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

inline Message Genl(uint8_t command)
{
    Message m(nlmsg_alloc(), nlmsg_free);
    genlmsg_put(m.get(), NL_AUTO_PORT, NL_AUTO_SEQ, kFamily, 0, 0, command, 0);
    return m;
}

// Nested attributes: Nest n(m, TYPE); ... ; they close when n goes.
class Nest
{
public:
    Nest(nl_msg* m, int type) : m_msg(m), m_attr(nla_nest_start(m, type)) {}
    ~Nest() { nla_nest_end(m_msg, m_attr); }

private:
    nl_msg* m_msg;
    nlattr* m_attr;
};

struct InterfaceFields
{
    uint32_t ifindex = 3;
    std::string name = "wlan0";
    std::optional<uint32_t> type = NL80211_IFTYPE_STATION;
    std::optional<std::string> ssid = "HarborNet";
    std::optional<uint32_t> mhz = 2437;
};

inline Message InterfaceMessage(const InterfaceFields& f = {})
{
    Message m = Genl(NL80211_CMD_NEW_INTERFACE);
    nla_put_u32(m.get(), NL80211_ATTR_IFINDEX, f.ifindex);
    nla_put_string(m.get(), NL80211_ATTR_IFNAME, f.name.c_str());
    nla_put_u32(m.get(), NL80211_ATTR_WIPHY, 0);
    if (f.type)
        nla_put_u32(m.get(), NL80211_ATTR_IFTYPE, *f.type);
    nla_put(m.get(), NL80211_ATTR_MAC, 6, kOwnMac.data());
    if (f.ssid)
        nla_put(m.get(), NL80211_ATTR_SSID, static_cast<int>(f.ssid->size()), f.ssid->data());
    if (f.mhz)
        nla_put_u32(m.get(), NL80211_ATTR_WIPHY_FREQ, *f.mhz);
    return m;
}

struct BssFields
{
    Mac bssid = kApMac;
    std::string ssid = "HarborNet";
    uint32_t mhz = 2437;
    uint16_t capability = 0x0011; // ESS, privacy
    std::optional<int32_t> signalMbm = -5200;
    std::optional<uint32_t> status = NL80211_BSS_STATUS_ASSOCIATED;
    std::vector<uint8_t> rates = {0x82, 0x84, 0x8B, 0x96, 0x0C, 0x12, 0x18, 0x24};
};

inline Message ScanMessage(const BssFields& f = {})
{
    Message m = Genl(NL80211_CMD_NEW_SCAN_RESULTS);
    nla_put_u32(m.get(), NL80211_ATTR_IFINDEX, 3);
    {
        Nest bss(m.get(), NL80211_ATTR_BSS);
        nla_put(m.get(), NL80211_BSS_BSSID, 6, f.bssid.data());
        nla_put_u32(m.get(), NL80211_BSS_FREQUENCY, f.mhz);
        nla_put_u16(m.get(), NL80211_BSS_BEACON_INTERVAL, 100);
        nla_put_u16(m.get(), NL80211_BSS_CAPABILITY, f.capability);
        if (f.signalMbm)
            nla_put_u32(m.get(), NL80211_BSS_SIGNAL_MBM, static_cast<uint32_t>(*f.signalMbm));
        if (f.status)
            nla_put_u32(m.get(), NL80211_BSS_STATUS, *f.status);
        std::vector<uint8_t> ies = {0, static_cast<uint8_t>(f.ssid.size())};
        ies.insert(ies.end(), f.ssid.begin(), f.ssid.end());
        ies.push_back(1);
        ies.push_back(static_cast<uint8_t>(f.rates.size()));
        ies.insert(ies.end(), f.rates.begin(), f.rates.end());
        nla_put(m.get(), NL80211_BSS_INFORMATION_ELEMENTS, static_cast<int>(ies.size()), ies.data());
    }
    return m;
}

struct StationFields
{
    std::optional<uint8_t> signal = static_cast<uint8_t>(-52);
    std::optional<uint32_t> bitrate32;
    std::optional<uint16_t> bitrate16 = 110; // 11 Mbit/s
    bool counters = true;
};

inline Message StationMessage(const StationFields& f = {})
{
    Message m = Genl(NL80211_CMD_NEW_STATION);
    nla_put_u32(m.get(), NL80211_ATTR_IFINDEX, 3);
    nla_put(m.get(), NL80211_ATTR_MAC, 6, kApMac.data());
    {
        Nest info(m.get(), NL80211_ATTR_STA_INFO);
        if (f.signal)
            nla_put_u8(m.get(), NL80211_STA_INFO_SIGNAL, *f.signal);
        if (f.bitrate32 || f.bitrate16)
        {
            Nest rate(m.get(), NL80211_STA_INFO_TX_BITRATE);
            if (f.bitrate32)
                nla_put_u32(m.get(), NL80211_RATE_INFO_BITRATE32, *f.bitrate32);
            if (f.bitrate16)
                nla_put_u16(m.get(), NL80211_RATE_INFO_BITRATE, *f.bitrate16);
        }
        if (f.counters)
        {
            nla_put_u64(m.get(), NL80211_STA_INFO_RX_BYTES64, 0x100000000ull + 7);
            nla_put_u32(m.get(), NL80211_STA_INFO_TX_BYTES, 5000);
            nla_put_u32(m.get(), NL80211_STA_INFO_RX_PACKETS, 900);
            nla_put_u32(m.get(), NL80211_STA_INFO_TX_PACKETS, 400);
            nla_put_u32(m.get(), NL80211_STA_INFO_TX_RETRIES, 31);
            nla_put_u32(m.get(), NL80211_STA_INFO_TX_FAILED, 2);
        }
    }
    return m;
}

// A host as its messages describe it; every set is recorded and answers the status given for it.
class FakeHost : public hostwifi::HostBackend
{
public:
    FakeHost()
    {
        link.value->ifindex = 3;
        link.value->name = "wlan0";
        link.value->flags = 0x1043; // up, broadcast, running, multicast
        link.value->operState = 6;  // IF_OPER_UP
        link.value->mtu = 1500;
        link.value->address = kOwnMac;
        link.value->counters = hostwifi::LinkCounters{1000, 400, 123456, 5000, 3, 1};
    }
    // The interface, the BSS list and the station from kernel-style messages.
    void Receive(const Message& m)
    {
        const nlmsghdr* h = nlmsg_hdr(m.get());
        if (auto w = hostwifi::ParseInterfaceMessage(h))
            wireless = Outcome<hostwifi::WirelessInterface>::Of(*w);
        else if (auto b = hostwifi::ParseScanMessage(h))
            scan.value->push_back(*b);
        else if (auto s = hostwifi::ParseStationMessage(h))
            stations[s->address] = *s;
        else
            ADD_FAILURE() << "a test message did not parse";
    }
    void Disconnected()
    {
        link.value->operState = 2; // IF_OPER_DOWN
        link.value->flags &= ~0x40u;
        scan.value->clear();
        stations.clear();
        if (wireless.value)
            wireless.value->ssid.reset();
    }

    std::string InterfaceName() override { return "wlan0"; }
    Outcome<hostwifi::LinkInfo> Link() override { return link; }
    Outcome<hostwifi::WirelessInterface> Wireless() override { return wireless; }
    Outcome<std::vector<Bss>> ScanResults() override { return scan; }
    Outcome<hostwifi::Station> StationInfo(const Mac& peer) override
    {
        auto it = stations.find(peer);
        if (it == stations.end())
            return Outcome<hostwifi::Station>::Error(HostStatus::NotSupported);
        return Outcome<hostwifi::Station>::Of(it->second);
    }
    Outcome<bool> PowerSave() override { return powerSave; }
    Outcome<hostwifi::WiphyThresholds> Thresholds() override { return thresholds; }
    Outcome<hostwifi::RadioState> Radio() override { return radio; }

    HostStatus SetPowerSave(bool enabled) override { return Record("power " + std::to_string(enabled)); }
    HostStatus SetRadio(bool on) override { return Record("radio " + std::to_string(on)); }
    HostStatus TriggerScan() override { return Record("scan"); }
    HostStatus Disconnect() override { return Record("disconnect"); }
    HostStatus SetThresholds(std::optional<uint32_t> frag, std::optional<uint32_t> rts) override
    {
        return Record("thresholds " + (frag ? std::to_string(*frag) : "-") + " " +
                      (rts ? std::to_string(*rts) : "-"));
    }

    Outcome<hostwifi::LinkInfo> link = Outcome<hostwifi::LinkInfo>::Of({});
    Outcome<hostwifi::WirelessInterface> wireless = Outcome<hostwifi::WirelessInterface>::Of({});
    Outcome<std::vector<Bss>> scan = Outcome<std::vector<Bss>>::Of({});
    std::map<Mac, hostwifi::Station> stations;
    Outcome<bool> powerSave = Outcome<bool>::Of(false);
    Outcome<hostwifi::WiphyThresholds> thresholds = Outcome<hostwifi::WiphyThresholds>::Of({});
    Outcome<hostwifi::RadioState> radio = Outcome<hostwifi::RadioState>::Of({});
    HostStatus setStatus = HostStatus::Ok;
    std::vector<std::string> sets;

private:
    HostStatus Record(const std::string& what)
    {
        sets.push_back(what);
        return setStatus;
    }
};

// The host of a station associated with kApMac, from its messages.
inline void Associate(FakeHost& host, const InterfaceFields& i = {}, const BssFields& b = {},
                      const StationFields& s = {})
{
    host.Receive(InterfaceMessage(i));
    host.Receive(ScanMessage(b));
    host.Receive(StationMessage(s));
}

struct Answer
{
    NDIS_STATUS status = 0;
    uint32_t done = 0;
    uint32_t needed = 0;
    std::vector<uint8_t> bytes;
    uint32_t U32() const
    {
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    uint64_t U64(size_t at) const
    {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | bytes[at + i];
        return v;
    }
};

// Runs one request on a miniport over the host; report lines are collected in `lines`.
inline Answer Request(hostwifi::HostBackend& host, bool set, uint32_t oid, std::vector<uint8_t> buffer,
                      std::vector<std::string>* lines = nullptr)
{
    hostwifi::HostMiniport miniport(host,
                                    [&](const std::string& line)
                                    {
                                        if (lines)
                                            lines->push_back(line);
                                        else
                                            ADD_FAILURE() << "unexpected report: " << line;
                                    });
    const sim::RequestResult r = miniport.Request(
        {set, oid, buffer.empty() ? nullptr : buffer.data(), static_cast<uint32_t>(buffer.size())});
    return {r.status, r.bytesDone, r.bytesNeeded, buffer};
}

inline Answer Query(hostwifi::HostBackend& host, uint32_t oid, uint32_t length = 4)
{
    return Request(host, false, oid, std::vector<uint8_t>(length, 0xEE));
}

inline Answer SetU32(hostwifi::HostBackend& host, uint32_t oid, uint32_t value,
                     std::vector<std::string>* lines = nullptr)
{
    return Request(host, true, oid,
                   {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)},
                   lines);
}

} // namespace hwtest
