#include <hostwifi/host_facts.h>

#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>

#include <cstring>

namespace hostwifi
{
namespace
{

template <size_t Max> using Table = std::array<nlattr*, Max + 1>;

std::optional<uint8_t> U8(const nlattr* a)
{
    if (!a || nla_len(a) < 1)
        return std::nullopt;
    return nla_get_u8(const_cast<nlattr*>(a));
}

std::optional<uint16_t> U16(const nlattr* a)
{
    if (!a || nla_len(a) < 2)
        return std::nullopt;
    return nla_get_u16(const_cast<nlattr*>(a));
}

std::optional<uint32_t> U32(const nlattr* a)
{
    if (!a || nla_len(a) < 4)
        return std::nullopt;
    return nla_get_u32(const_cast<nlattr*>(a));
}

std::optional<uint64_t> U64(const nlattr* a)
{
    if (!a || nla_len(a) < 8)
        return std::nullopt;
    return nla_get_u64(const_cast<nlattr*>(a));
}

std::span<const uint8_t> Bytes(const nlattr* a)
{
    if (!a)
        return {};
    return {static_cast<const uint8_t*>(nla_data(a)), static_cast<size_t>(nla_len(a))};
}

std::optional<Mac> MacOf(const nlattr* a)
{
    const auto bytes = Bytes(a);
    if (!a || bytes.size() != 6)
        return std::nullopt;
    Mac mac;
    std::memcpy(mac.data(), bytes.data(), 6);
    return mac;
}

// A string attribute up to its first zero, which must lie inside the attribute.
std::optional<std::string> Text(const nlattr* a)
{
    const auto bytes = Bytes(a);
    const auto* end = static_cast<const uint8_t*>(std::memchr(bytes.data(), 0, bytes.size()));
    if (!a || !end)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<size_t>(end - bytes.data()));
}

template <size_t N> bool ParseNested(std::array<nlattr*, N>& table, const nlattr* nested)
{
    table.fill(nullptr);
    return nested &&
           nla_parse_nested(table.data(), static_cast<int>(N - 1), const_cast<nlattr*>(nested), nullptr) == 0;
}

// The attributes of a generic netlink message of the nl80211 family.
bool ParseGenl(const nlmsghdr* message, Table<NL80211_ATTR_MAX>& table, uint8_t command)
{
    table.fill(nullptr);
    auto* header = const_cast<nlmsghdr*>(message);
    if (!message || !genlmsg_valid_hdr(header, 0))
        return false;
    const auto* genl = static_cast<const genlmsghdr*>(nlmsg_data(header));
    if (genl->cmd != command)
        return false;
    return genlmsg_parse(header, 0, table.data(), NL80211_ATTR_MAX, nullptr) == 0;
}

} // namespace

bool LinkInfo::Connected() const
{
    if (operState)
        return *operState == IF_OPER_UP || (*operState == IF_OPER_UNKNOWN && (flags & IFF_RUNNING));
    return (flags & IFF_UP) && (flags & IFF_RUNNING);
}

std::optional<LinkMessage> ParseLinkMessage(const nlmsghdr* message)
{
    if (!message || (message->nlmsg_type != RTM_NEWLINK && message->nlmsg_type != RTM_DELLINK))
        return std::nullopt;
    auto* header = const_cast<nlmsghdr*>(message);
    Table<IFLA_MAX> tb{};
    if (!nlmsg_valid_hdr(header, sizeof(ifinfomsg)) ||
        nlmsg_parse(header, sizeof(ifinfomsg), tb.data(), IFLA_MAX, nullptr) != 0)
        return std::nullopt;
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(header));
    LinkMessage result;
    result.removed = message->nlmsg_type == RTM_DELLINK;
    LinkInfo& link = result.link;
    link.ifindex = static_cast<uint32_t>(info->ifi_index);
    link.flags = info->ifi_flags;
    link.name = Text(tb[IFLA_IFNAME]).value_or("");
    link.operState = U8(tb[IFLA_OPERSTATE]);
    link.mtu = U32(tb[IFLA_MTU]);
    link.address = MacOf(tb[IFLA_ADDRESS]);
    link.permanentAddress = MacOf(tb[IFLA_PERM_ADDRESS]);
    const auto stats = Bytes(tb[IFLA_STATS64]);
    if (tb[IFLA_STATS64] && stats.size() >= sizeof(rtnl_link_stats64))
    {
        rtnl_link_stats64 s;
        std::memcpy(&s, stats.data(), sizeof(s));
        link.counters =
            LinkCounters{s.rx_packets, s.tx_packets, s.rx_bytes, s.tx_bytes, s.rx_errors, s.tx_errors};
    }
    if (link.ifindex == 0)
        return std::nullopt;
    return result;
}

std::optional<Ipv4Address> ParseAddressMessage(const nlmsghdr* message)
{
    if (!message || message->nlmsg_type != RTM_NEWADDR)
        return std::nullopt;
    auto* header = const_cast<nlmsghdr*>(message);
    Table<IFA_MAX> tb{};
    if (!nlmsg_valid_hdr(header, sizeof(ifaddrmsg)) ||
        nlmsg_parse(header, sizeof(ifaddrmsg), tb.data(), IFA_MAX, nullptr) != 0)
        return std::nullopt;
    const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    const nlattr* local = tb[IFA_LOCAL] ? tb[IFA_LOCAL] : tb[IFA_ADDRESS];
    if (info->ifa_family != AF_INET || Bytes(local).size() != 4 || info->ifa_prefixlen > 32)
        return std::nullopt;
    Ipv4Address address;
    address.ifindex = info->ifa_index;
    std::memcpy(address.address.data(), nla_data(local), 4);
    address.prefixLength = info->ifa_prefixlen;
    const uint32_t flags = U32(tb[IFA_FLAGS]).value_or(info->ifa_flags);
    address.dynamic = !(flags & IFA_F_PERMANENT);
    return address;
}

std::optional<DefaultRoute> ParseRouteMessage(const nlmsghdr* message)
{
    if (!message || message->nlmsg_type != RTM_NEWROUTE)
        return std::nullopt;
    auto* header = const_cast<nlmsghdr*>(message);
    Table<RTA_MAX> tb{};
    if (!nlmsg_valid_hdr(header, sizeof(rtmsg)) ||
        nlmsg_parse(header, sizeof(rtmsg), tb.data(), RTA_MAX, nullptr) != 0)
        return std::nullopt;
    const auto* route = static_cast<const rtmsg*>(nlmsg_data(header));
    const uint32_t table = U32(tb[RTA_TABLE]).value_or(route->rtm_table);
    if (route->rtm_family != AF_INET || route->rtm_dst_len != 0 || table != RT_TABLE_MAIN ||
        Bytes(tb[RTA_GATEWAY]).size() != 4 || !U32(tb[RTA_OIF]))
        return std::nullopt;
    DefaultRoute result;
    result.ifindex = *U32(tb[RTA_OIF]);
    std::memcpy(result.gateway.data(), nla_data(tb[RTA_GATEWAY]), 4);
    return result;
}

std::optional<WirelessInterface> ParseInterfaceMessage(const nlmsghdr* message)
{
    Table<NL80211_ATTR_MAX> tb;
    if (!ParseGenl(message, tb, NL80211_CMD_NEW_INTERFACE) || !U32(tb[NL80211_ATTR_IFINDEX]))
        return std::nullopt;
    WirelessInterface w;
    w.ifindex = *U32(tb[NL80211_ATTR_IFINDEX]);
    w.name = Text(tb[NL80211_ATTR_IFNAME]).value_or("");
    w.wiphy = U32(tb[NL80211_ATTR_WIPHY]);
    w.type = U32(tb[NL80211_ATTR_IFTYPE]);
    w.address = MacOf(tb[NL80211_ATTR_MAC]);
    if (const auto ssid = Bytes(tb[NL80211_ATTR_SSID]); tb[NL80211_ATTR_SSID] && ssid.size() <= 32)
        w.ssid = std::string(ssid.begin(), ssid.end());
    w.frequencyMhz = U32(tb[NL80211_ATTR_WIPHY_FREQ]);
    return w;
}

std::optional<Bss> ParseScanMessage(const nlmsghdr* message)
{
    Table<NL80211_ATTR_MAX> tb;
    Table<NL80211_BSS_MAX> bss;
    if (!ParseGenl(message, tb, NL80211_CMD_NEW_SCAN_RESULTS) || !ParseNested(bss, tb[NL80211_ATTR_BSS]))
        return std::nullopt;
    const auto bssid = MacOf(bss[NL80211_BSS_BSSID]);
    if (!bssid)
        return std::nullopt;
    Bss b;
    b.bssid = *bssid;
    b.frequencyMhz = U32(bss[NL80211_BSS_FREQUENCY]);
    b.beaconInterval = U16(bss[NL80211_BSS_BEACON_INTERVAL]);
    b.capability = U16(bss[NL80211_BSS_CAPABILITY]);
    if (const auto mbm = U32(bss[NL80211_BSS_SIGNAL_MBM]))
        b.signalMbm = static_cast<int32_t>(*mbm);
    b.status = U32(bss[NL80211_BSS_STATUS]);
    const auto ies = Bytes(bss[NL80211_BSS_INFORMATION_ELEMENTS]);
    b.informationElements.assign(ies.begin(), ies.end());
    return b;
}

std::optional<Station> ParseStationMessage(const nlmsghdr* message)
{
    Table<NL80211_ATTR_MAX> tb;
    Table<NL80211_STA_INFO_MAX> info;
    if (!ParseGenl(message, tb, NL80211_CMD_NEW_STATION) || !MacOf(tb[NL80211_ATTR_MAC]))
        return std::nullopt;
    // Without its information the station is there but nothing about it is known.
    ParseNested(info, tb[NL80211_ATTR_STA_INFO]);
    Station s;
    s.address = *MacOf(tb[NL80211_ATTR_MAC]);
    if (const auto signal = U8(info[NL80211_STA_INFO_SIGNAL]))
        s.signalDbm = static_cast<int8_t>(*signal);
    Table<NL80211_RATE_INFO_MAX> rate;
    if (ParseNested(rate, info[NL80211_STA_INFO_TX_BITRATE]))
    {
        if (const auto rate32 = U32(rate[NL80211_RATE_INFO_BITRATE32]))
            s.txBitrate100k = *rate32;
        else if (const auto rate16 = U16(rate[NL80211_RATE_INFO_BITRATE]))
            s.txBitrate100k = *rate16;
    }
    s.rxBytes = U64(info[NL80211_STA_INFO_RX_BYTES64]);
    if (!s.rxBytes)
        s.rxBytes = U32(info[NL80211_STA_INFO_RX_BYTES]);
    s.txBytes = U64(info[NL80211_STA_INFO_TX_BYTES64]);
    if (!s.txBytes)
        s.txBytes = U32(info[NL80211_STA_INFO_TX_BYTES]);
    s.rxPackets = U32(info[NL80211_STA_INFO_RX_PACKETS]);
    s.txPackets = U32(info[NL80211_STA_INFO_TX_PACKETS]);
    s.txRetries = U32(info[NL80211_STA_INFO_TX_RETRIES]);
    s.txFailed = U32(info[NL80211_STA_INFO_TX_FAILED]);
    return s;
}

std::optional<bool> ParsePowerSaveMessage(const nlmsghdr* message)
{
    Table<NL80211_ATTR_MAX> tb;
    if (!ParseGenl(message, tb, NL80211_CMD_GET_POWER_SAVE))
        return std::nullopt;
    const auto state = U32(tb[NL80211_ATTR_PS_STATE]);
    if (!state)
        return std::nullopt;
    return *state == NL80211_PS_ENABLED;
}

void ParseWiphyMessage(const nlmsghdr* message, WiphyThresholds& thresholds)
{
    Table<NL80211_ATTR_MAX> tb;
    if (!ParseGenl(message, tb, NL80211_CMD_NEW_WIPHY))
        return;
    if (const auto frag = U32(tb[NL80211_ATTR_WIPHY_FRAG_THRESHOLD]))
        thresholds.fragmentation = *frag;
    if (const auto rts = U32(tb[NL80211_ATTR_WIPHY_RTS_THRESHOLD]))
        thresholds.rts = *rts;
}

std::optional<std::span<const uint8_t>> FindElement(std::span<const uint8_t> elements, uint8_t id)
{
    size_t at = 0;
    while (elements.size() - at >= 2)
    {
        const uint8_t elementId = elements[at], length = elements[at + 1];
        if (elements.size() - at - 2 < length)
            break;
        if (elementId == id)
            return elements.subspan(at + 2, length);
        at += 2 + static_cast<size_t>(length);
    }
    return std::nullopt;
}

std::optional<std::string> Bss::Ssid() const
{
    const auto ssid = FindElement(informationElements, 0);
    if (!ssid || ssid->size() > 32)
        return std::nullopt;
    return std::string(ssid->begin(), ssid->end());
}

std::vector<uint8_t> Bss::SupportedRates() const
{
    const auto rates = FindElement(informationElements, 1);
    if (!rates)
        return {};
    return {rates->begin(), rates->begin() + std::min<size_t>(rates->size(), 8)};
}

uint32_t ChannelOfFrequency(uint32_t mhz)
{
    if (mhz == 2484)
        return 14;
    if (mhz >= 2412 && mhz <= 2472 && (mhz - 2407) % 5 == 0)
        return (mhz - 2407) / 5;
    if (mhz >= 5955 && mhz <= 7115 && (mhz - 5950) % 5 == 0)
        return (mhz - 5950) / 5;
    if (mhz >= 5000 && mhz <= 5900 && (mhz - 5000) % 5 == 0)
        return (mhz - 5000) / 5;
    return 0;
}

} // namespace hostwifi
