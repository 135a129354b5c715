#include <hostwifi/netlink_backend.h>

#include "netlink_exchange.h"

#include <netlink/errno.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <netlink/socket.h>

#include <linux/nl80211.h>
#include <linux/rtnetlink.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <net/if.h>

namespace hostwifi
{

struct NetlinkBackend::Sockets
{
    Socket genl{nullptr, nl_socket_free};
    int family = -1; // nl80211's, once resolved
    bool noWireless = false;
    Socket route{nullptr, nl_socket_free};
};

NetlinkBackend::NetlinkBackend(std::string choice, RfkillPaths paths)
    : m_choice(std::move(choice)), m_paths(std::move(paths)), m_sockets(std::make_unique<Sockets>())
{
}

NetlinkBackend::~NetlinkBackend() = default;

Outcome<nl_sock*> NetlinkBackend::Genl()
{
    Sockets& s = *m_sockets;
    if (s.noWireless)
        return Outcome<nl_sock*>::Error(HostStatus::NotWireless);
    if (!s.genl)
    {
        s.genl = Connect(NETLINK_GENERIC);
        if (!s.genl)
            return Outcome<nl_sock*>::Error(HostStatus::Failed);
        s.family = genl_ctrl_resolve(s.genl.get(), NL80211_GENL_NAME);
        if (s.family < 0)
        {
            // No nl80211 family: the host has no wireless subsystem loaded.
            s.noWireless = true;
            return Outcome<nl_sock*>::Error(HostStatus::NotWireless);
        }
    }
    return Outcome<nl_sock*>::Of(s.genl.get());
}

Outcome<nl_sock*> NetlinkBackend::Route()
{
    if (!m_sockets->route)
        m_sockets->route = Connect(NETLINK_ROUTE);
    if (!m_sockets->route)
        return Outcome<nl_sock*>::Error(HostStatus::Failed);
    return Outcome<nl_sock*>::Of(m_sockets->route.get());
}

Outcome<std::vector<WirelessInterface>> NetlinkBackend::WirelessInterfaces()
{
    using Result = Outcome<std::vector<WirelessInterface>>;
    const auto socket = Genl();
    if (!socket.ok())
        return Result::Error(socket.status);
    Message message(nlmsg_alloc(), nlmsg_free);
    if (!message || !genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, m_sockets->family, 0, NLM_F_DUMP,
                                 NL80211_CMD_GET_INTERFACE, 0))
        return Result::Error(HostStatus::Failed);
    std::vector<WirelessInterface> interfaces;
    const HostStatus status = Transact(*socket.value, message.get(),
                                       [&](const nlmsghdr* answer)
                                       {
                                           if (auto w = ParseInterfaceMessage(answer))
                                               interfaces.push_back(std::move(*w));
                                       });
    if (status != HostStatus::Ok)
        return Result::Error(status);
    std::sort(interfaces.begin(), interfaces.end(),
              [](const WirelessInterface& a, const WirelessInterface& b) { return a.ifindex < b.ifindex; });
    return Result::Of(std::move(interfaces));
}

Outcome<uint32_t> NetlinkBackend::Ifindex()
{
    if (m_ifindex)
        return Outcome<uint32_t>::Of(*m_ifindex);
    if (m_choice == kAutoInterface)
    {
        const auto all = WirelessInterfaces();
        if (!all.ok() && all.status != HostStatus::NotWireless)
            return Outcome<uint32_t>::Error(all.status);
        if (!all.ok() || all.value->empty())
            return Outcome<uint32_t>::Error(HostStatus::Gone);
        m_ifindex = all.value->front().ifindex;
        m_name = all.value->front().name;
    }
    else
    {
        const unsigned index = if_nametoindex(m_choice.c_str());
        if (index == 0)
            return Outcome<uint32_t>::Error(HostStatus::Gone);
        m_ifindex = index;
        m_name = m_choice;
    }
    return Outcome<uint32_t>::Of(*m_ifindex);
}

std::string NetlinkBackend::InterfaceName()
{
    Ifindex();
    return m_name.empty() ? m_choice : m_name;
}

bool NetlinkBackend::Present()
{
    return Ifindex().ok();
}

Outcome<LinkInfo> NetlinkBackend::Link()
{
    const auto index = Ifindex();
    if (!index.ok())
        return Outcome<LinkInfo>::Error(index.status);
    const auto socket = Route();
    if (!socket.ok())
        return Outcome<LinkInfo>::Error(socket.status);
    nl_msg* raw = nullptr;
    if (rtnl_link_build_get_request(static_cast<int>(*index.value), nullptr, &raw) < 0)
        return Outcome<LinkInfo>::Error(HostStatus::Failed);
    Message message(raw, nlmsg_free);
    std::optional<LinkInfo> link;
    const HostStatus status =
        Transact(*socket.value, message.get(),
                 [&](const nlmsghdr* answer)
                 {
                     if (auto parsed = ParseLinkMessage(answer); parsed && !parsed->removed)
                         link = std::move(parsed->link);
                 });
    if (status != HostStatus::Ok)
        return Outcome<LinkInfo>::Error(status);
    if (!link)
        return Outcome<LinkInfo>::Error(HostStatus::Gone);
    return Outcome<LinkInfo>::Of(std::move(*link));
}

HostStatus NetlinkBackend::Nl80211(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                                   const std::function<void(const nlmsghdr*)>& each)
{
    const auto index = Ifindex();
    if (!index.ok())
        return index.status;
    const auto socket = Genl();
    if (!socket.ok())
        return socket.status;
    Message message(nlmsg_alloc(), nlmsg_free);
    if (!message ||
        !genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, m_sockets->family, 0, dump ? NLM_F_DUMP : 0,
                     command, 0) ||
        nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, *index.value) < 0 || (fill && !fill(message.get())))
        return HostStatus::Failed;
    return Transact(*socket.value, message.get(), each);
}

Outcome<WirelessInterface> NetlinkBackend::Wireless()
{
    std::optional<WirelessInterface> wireless;
    HostStatus status = Nl80211(NL80211_CMD_GET_INTERFACE, false, nullptr,
                                [&](const nlmsghdr* answer) { wireless = ParseInterfaceMessage(answer); });
    // The link is there (the miniport asks for it first), so nl80211 not knowing it means it is no
    // wireless device.
    if (status == HostStatus::Gone || status == HostStatus::NotSupported)
        status = HostStatus::NotWireless;
    if (status == HostStatus::Ok && !wireless)
        status = HostStatus::Failed;
    if (status != HostStatus::Ok)
        return Outcome<WirelessInterface>::Error(status);
    return Outcome<WirelessInterface>::Of(std::move(*wireless));
}

Outcome<std::vector<Bss>> NetlinkBackend::ScanResults()
{
    std::vector<Bss> list;
    HostStatus status = Nl80211(NL80211_CMD_GET_SCAN, true, nullptr,
                                [&](const nlmsghdr* answer)
                                {
                                    if (auto bss = ParseScanMessage(answer))
                                        list.push_back(std::move(*bss));
                                });
    if (status == HostStatus::Gone || status == HostStatus::NotSupported)
        status = HostStatus::NotWireless;
    if (status != HostStatus::Ok)
        return Outcome<std::vector<Bss>>::Error(status);
    return Outcome<std::vector<Bss>>::Of(std::move(list));
}

Outcome<Station> NetlinkBackend::StationInfo(const Mac& peer)
{
    std::optional<Station> station;
    HostStatus status = Nl80211(
        NL80211_CMD_GET_STATION, false,
        [&](nl_msg* m) { return nla_put(m, NL80211_ATTR_MAC, 6, peer.data()) == 0; },
        [&](const nlmsghdr* answer) { station = ParseStationMessage(answer); });
    if (status == HostStatus::Ok && !station)
        status = HostStatus::NotSupported;
    if (status != HostStatus::Ok)
        return Outcome<Station>::Error(status);
    return Outcome<Station>::Of(*station);
}

Outcome<bool> NetlinkBackend::PowerSave()
{
    std::optional<bool> enabled;
    HostStatus status = Nl80211(NL80211_CMD_GET_POWER_SAVE, false, nullptr,
                                [&](const nlmsghdr* answer) { enabled = ParsePowerSaveMessage(answer); });
    if (status == HostStatus::Ok && !enabled)
        status = HostStatus::NotSupported;
    if (status != HostStatus::Ok)
        return Outcome<bool>::Error(status);
    return Outcome<bool>::Of(*enabled);
}

Outcome<WiphyThresholds> NetlinkBackend::Thresholds()
{
    const auto wireless = Wireless();
    if (!wireless.ok())
        return Outcome<WiphyThresholds>::Error(wireless.status);
    if (!wireless.value->wiphy)
        return Outcome<WiphyThresholds>::Error(HostStatus::NotSupported);
    const auto socket = Genl();
    Message message(nlmsg_alloc(), nlmsg_free);
    if (!socket.ok() || !message ||
        !genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, m_sockets->family, 0, NLM_F_DUMP,
                     NL80211_CMD_GET_WIPHY, 0) ||
        nla_put_u32(message.get(), NL80211_ATTR_WIPHY, *wireless.value->wiphy) < 0 ||
        nla_put_flag(message.get(), NL80211_ATTR_SPLIT_WIPHY_DUMP) < 0)
        return Outcome<WiphyThresholds>::Error(HostStatus::Failed);
    WiphyThresholds thresholds;
    const HostStatus status = Transact(
        *socket.value, message.get(), [&](const nlmsghdr* answer) { ParseWiphyMessage(answer, thresholds); });
    if (status != HostStatus::Ok)
        return Outcome<WiphyThresholds>::Error(status);
    return Outcome<WiphyThresholds>::Of(thresholds);
}

Outcome<RadioState> NetlinkBackend::Radio()
{
    const auto index = Ifindex();
    if (!index.ok())
        return Outcome<RadioState>::Error(index.status);
    const auto radio = RadioSwitch::OfInterface(m_name, m_paths);
    if (!radio)
        return Outcome<RadioState>::Error(HostStatus::NotSupported);
    return radio->State();
}

HostStatus NetlinkBackend::SetPowerSave(bool enabled)
{
    return Nl80211(
        NL80211_CMD_SET_POWER_SAVE, false,
        [&](nl_msg* m) {
            return nla_put_u32(m, NL80211_ATTR_PS_STATE,
                               enabled ? NL80211_PS_ENABLED : NL80211_PS_DISABLED) == 0;
        },
        nullptr);
}

HostStatus NetlinkBackend::SetRadio(bool on)
{
    const auto index = Ifindex();
    if (!index.ok())
        return index.status;
    const auto radio = RadioSwitch::OfInterface(m_name, m_paths);
    if (!radio)
        return HostStatus::NotSupported;
    return radio->Set(on);
}

HostStatus NetlinkBackend::TriggerScan()
{
    // One wildcard SSID: an active scan, as a connection manager asks it.
    return Nl80211(
        NL80211_CMD_TRIGGER_SCAN, false,
        [](nl_msg* m)
        {
            nlattr* ssids = nla_nest_start(m, NL80211_ATTR_SCAN_SSIDS);
            if (!ssids || nla_put(m, 1, 0, "") < 0)
                return false;
            nla_nest_end(m, ssids);
            return true;
        },
        nullptr);
}

HostStatus NetlinkBackend::Disconnect()
{
    return Nl80211(NL80211_CMD_DISCONNECT, false, nullptr, nullptr);
}

HostStatus NetlinkBackend::SetThresholds(std::optional<uint32_t> fragmentation, std::optional<uint32_t> rts)
{
    const auto wireless = Wireless();
    if (!wireless.ok())
        return wireless.status;
    if (!wireless.value->wiphy)
        return HostStatus::NotSupported;
    const uint32_t wiphy = *wireless.value->wiphy;
    return Nl80211(
        NL80211_CMD_SET_WIPHY, false,
        [&](nl_msg* m)
        {
            return nla_put_u32(m, NL80211_ATTR_WIPHY, wiphy) == 0 &&
                   (!fragmentation ||
                    nla_put_u32(m, NL80211_ATTR_WIPHY_FRAG_THRESHOLD, *fragmentation) == 0) &&
                   (!rts || nla_put_u32(m, NL80211_ATTR_WIPHY_RTS_THRESHOLD, *rts) == 0);
        },
        nullptr);
}

Outcome<std::vector<Ipv4Address>> NetlinkBackend::Addresses()
{
    const auto index = Ifindex();
    if (!index.ok())
        return Outcome<std::vector<Ipv4Address>>::Error(index.status);
    const auto socket = Route();
    if (!socket.ok())
        return Outcome<std::vector<Ipv4Address>>::Error(socket.status);
    ifaddrmsg request{};
    request.ifa_family = AF_INET;
    return DumpRoute<Ipv4Address>(*socket.value, RTM_GETADDR, request,
                                  [&](const nlmsghdr* answer)
                                  {
                                      auto a = ParseAddressMessage(answer);
                                      return a && a->ifindex == *index.value ? a : std::nullopt;
                                  });
}

Outcome<std::vector<DefaultRoute>> NetlinkBackend::DefaultRoutes()
{
    const auto index = Ifindex();
    if (!index.ok())
        return Outcome<std::vector<DefaultRoute>>::Error(index.status);
    const auto socket = Route();
    if (!socket.ok())
        return Outcome<std::vector<DefaultRoute>>::Error(socket.status);
    rtmsg request{};
    request.rtm_family = AF_INET;
    return DumpRoute<DefaultRoute>(*socket.value, RTM_GETROUTE, request,
                                   [&](const nlmsghdr* answer)
                                   {
                                       auto r = ParseRouteMessage(answer);
                                       return r && r->ifindex == *index.value ? r : std::nullopt;
                                   });
}

} // namespace hostwifi
