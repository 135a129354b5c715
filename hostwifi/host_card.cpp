#include <hostwifi/host_card.h>
#include <hostwifi/host_miniport.h>
#include <hostwifi/netlink_backend.h>

#include <card/air.h>

#include <linux/if.h>
#include <linux/nl80211.h>

#include <cstdio>
#include <sstream>

namespace hostwifi
{
namespace
{

std::string Dotted(const std::array<uint8_t, 4>& a)
{
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::string MaskOf(uint8_t prefix)
{
    const uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    return Dotted({static_cast<uint8_t>(mask >> 24), static_cast<uint8_t>(mask >> 16),
                   static_cast<uint8_t>(mask >> 8), static_cast<uint8_t>(mask)});
}

const char* StatusName(HostStatus status)
{
    switch (status)
    {
    case HostStatus::Ok:
        return "ok";
    case HostStatus::Gone:
        return "the interface is gone";
    case HostStatus::NotWireless:
        return "not a wireless interface";
    case HostStatus::NotSupported:
        return "not reported by the host";
    case HostStatus::Permission:
        return "not permitted";
    case HostStatus::Busy:
        return "busy";
    case HostStatus::Failed:
        break;
    }
    return "the host refused to tell";
}

const char* TypeName(uint32_t type)
{
    switch (type)
    {
    case NL80211_IFTYPE_STATION:
        return "station (managed)";
    case NL80211_IFTYPE_ADHOC:
        return "ad hoc (IBSS)";
    case NL80211_IFTYPE_AP:
        return "access point";
    case NL80211_IFTYPE_P2P_CLIENT:
        return "P2P client";
    case NL80211_IFTYPE_P2P_GO:
        return "P2P group owner";
    case NL80211_IFTYPE_MONITOR:
        return "monitor";
    case NL80211_IFTYPE_MESH_POINT:
        return "mesh point";
    default:
        return "other";
    }
}

template <class T> std::string Or(const std::optional<T>& value, const std::string& unknown = "unknown")
{
    if (!value)
        return unknown;
    std::ostringstream out;
    out << +*value;
    return out.str();
}

void LinkLines(std::ostream& out, const LinkInfo& link)
{
    out << "  link: " << ((link.flags & IFF_UP) ? "up" : "down") << ", "
        << (link.Connected() ? "connected" : "not connected") << ", mtu " << Or(link.mtu) << ", mac "
        << (link.address ? sim::FormatMac(*link.address) : "unknown") << ", permanent "
        << (link.permanentAddress ? sim::FormatMac(*link.permanentAddress) : "unknown") << "\n";
    if (link.counters)
        out << "  counters: rx " << link.counters->rxBytes << " bytes " << link.counters->rxPackets
            << " packets " << link.counters->rxErrors << " errors, tx " << link.counters->txBytes << " bytes "
            << link.counters->txPackets << " packets " << link.counters->txErrors << " errors\n";
    else
        out << "  counters: unknown\n";
}

void WirelessLines(std::ostream& out, NetlinkBackend& host)
{
    const auto w = host.Wireless();
    if (!w.ok())
    {
        out << "  wireless: " << StatusName(w.status) << "\n";
        return;
    }
    out << "  wireless: " << (w.value->type ? TypeName(*w.value->type) : "type unknown") << ", wiphy "
        << Or(w.value->wiphy) << ", ssid " << (w.value->ssid ? "\"" + *w.value->ssid + "\"" : "none");
    if (w.value->frequencyMhz)
        out << ", " << *w.value->frequencyMhz << " MHz (channel "
            << ChannelOfFrequency(*w.value->frequencyMhz) << ")";
    out << "\n";
    const auto scan = host.ScanResults();
    const Bss* current = nullptr;
    if (scan.ok())
        for (const Bss& b : *scan.value)
            if (b.status == NL80211_BSS_STATUS_ASSOCIATED || b.status == NL80211_BSS_STATUS_IBSS_JOINED)
                current = &b;
    if (!current)
    {
        out << "  bss: " << (scan.ok() ? "not associated" : StatusName(scan.status)) << " ("
            << (scan.ok() ? scan.value->size() : 0) << " in the scan results)\n";
        return;
    }
    out << "  bss: " << sim::FormatMac(current->bssid) << ", "
        << (current->status == NL80211_BSS_STATUS_ASSOCIATED ? "associated" : "joined") << ", ssid \""
        << current->Ssid().value_or("") << "\", beacon interval " << Or(current->beaconInterval) << " TU\n";
    const auto station = host.StationInfo(current->bssid);
    if (!station.ok())
    {
        out << "  station: " << StatusName(station.status) << "\n";
        return;
    }
    const Station& s = *station.value;
    out << "  station: signal " << Or(s.signalDbm) << " dBm, tx bitrate "
        << (s.txBitrate100k
                ? std::to_string(*s.txBitrate100k / 10) + "." + std::to_string(*s.txBitrate100k % 10)
                : std::string("unknown"))
        << " MBit/s, rx " << Or(s.rxBytes) << " bytes " << Or(s.rxPackets) << " packets, tx " << Or(s.txBytes)
        << " bytes " << Or(s.txPackets) << " packets, retries " << Or(s.txRetries) << ", failed "
        << Or(s.txFailed) << "\n";
}

void SettingLines(std::ostream& out, NetlinkBackend& host)
{
    const auto ps = host.PowerSave();
    out << "  power save: " << (ps.ok() ? (*ps.value ? "on" : "off") : StatusName(ps.status)) << "\n";
    const auto radio = host.Radio();
    out << "  radio: ";
    if (radio.ok())
        out << (radio.value->On() ? "on" : "off") << " (soft "
            << (radio.value->soft ? "blocked" : "unblocked") << ", hard "
            << (radio.value->hard ? "blocked" : "unblocked") << ")\n";
    else
        out << (radio.status == HostStatus::NotSupported ? "no rfkill switch" : StatusName(radio.status))
            << "\n";
}

} // namespace

sim::RequestResult HostCardRequest(const std::string& choice, const sim::OidRequest& request)
{
    NetlinkBackend host(choice);
    return HostMiniport(host).Request(request);
}

std::optional<HostAdapterAddress> HostAdapterAddressOf(const std::string& choice)
{
    NetlinkBackend host(choice);
    const auto link = host.Link();
    if (!link.ok())
        return std::nullopt;
    HostAdapterAddress a;
    a.name = link.value->name;
    a.mac = link.value->address.value_or(Mac{});
    if (const auto addresses = host.Addresses(); addresses.ok() && !addresses.value->empty())
    {
        const Ipv4Address& first = addresses.value->front();
        a.ip = Dotted(first.address);
        a.mask = MaskOf(first.prefixLength);
        a.dhcp = first.dynamic;
    }
    if (const auto routes = host.DefaultRoutes(); routes.ok() && !routes.value->empty())
        a.gateway = Dotted(routes.value->front().gateway);
    return a;
}

std::string HostStatusText(const std::string& choice)
{
    std::ostringstream out;
    NetlinkBackend host(choice);
    const auto link = host.Link();
    out << "host: the card is the interface \"" << choice << "\"";
    if (!link.ok())
    {
        out << ", which is not there now (the slot is empty)\n";
        return out.str();
    }
    if (choice != link.value->name)
        out << " (" << link.value->name << ")";
    out << ", index " << link.value->ifindex << "\n";
    LinkLines(out, *link.value);
    WirelessLines(out, host);
    SettingLines(out, host);
    if (const auto a = HostAdapterAddressOf(choice))
        out << "  ipv4: " << a->ip << " mask " << a->mask << (a->dhcp ? " (a lease)" : "") << ", gateway "
            << a->gateway << "\n";
    return out.str();
}

} // namespace hostwifi
