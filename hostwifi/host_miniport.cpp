#include <hostwifi/host_miniport.h>

#include <simcore/bytes.h>

#include <ntddndis.h>

#include <linux/if.h>
#include <linux/nl80211.h>

#include <algorithm>
#include <cstring>
#include <iostream>

namespace hostwifi
{
namespace
{

using sim::Done;
using sim::Failed;
using sim::RequestResult;
using sim::TooShort;

constexpr uint32_t kNdisFragmentationOff = 2346; // the largest threshold: nothing is fragmented
constexpr uint32_t kNdisRtsOff = 2347;

// One request, the link it is for, and where refusals are told.
struct Context
{
    HostBackend& host;
    const sim::OidRequest& r;
    const LinkInfo& link;
    const Report& report;

    RequestResult U32(uint32_t value) const
    {
        if (r.length < 4)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
        sim::PutU32(r.buffer, value);
        return Done(4);
    }
    // A counter answers in 32 bits to a 4-byte buffer and in 64 bits to a larger one.
    RequestResult Counter(uint64_t value) const
    {
        if (r.length >= 8)
        {
            sim::PutU64(r.buffer, value);
            return Done(8);
        }
        if (r.length >= 4)
            return U32(static_cast<uint32_t>(value));
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    }
    RequestResult Record(std::span<const uint8_t> bytes,
                         NDIS_STATUS shortStatus = NDIS_STATUS_INVALID_LENGTH) const
    {
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        if (r.length < size)
            return TooShort(shortStatus, size);
        if (size)
            std::memcpy(r.buffer, bytes.data(), size);
        return Done(size);
    }
    std::optional<uint32_t> SetU32() const
    {
        if (r.length < 4)
            return std::nullopt;
        return sim::GetU32(r.buffer);
    }
};

RequestResult FromStatus(HostStatus status)
{
    switch (status)
    {
    case HostStatus::Ok:
        return Done(0);
    case HostStatus::Gone:
        return Failed(NDIS_STATUS_ADAPTER_REMOVED);
    case HostStatus::NotWireless:
    case HostStatus::NotSupported:
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    case HostStatus::Permission:
    case HostStatus::Busy:
    case HostStatus::Failed:
        break;
    }
    return Failed(NDIS_STATUS_FAILURE);
}

// The outcome of a set: a refusal is told on the report in one line.
RequestResult SetOutcome(const Context& c, HostStatus status, Mechanism how, const std::string& action,
                         uint32_t bytesRead)
{
    if (status == HostStatus::Ok)
        return Done(bytesRead);
    const RequestResult result = FromStatus(status);
    if (result.status != NDIS_STATUS_FAILURE)
        return result;
    std::string why = "the host refused it";
    if (status == HostStatus::Permission)
        why = how == Mechanism::Rfkill ? "/dev/rfkill is not writable for this user (run as root, or give "
                                         "the user write access to it)"
                                       : "the process lacks CAP_NET_ADMIN (run as root, or give the program "
                                         "cap_net_admin with setcap)";
    else if (status == HostStatus::Busy)
        why = "the host is busy with it";
    c.report("hostwifi: " + action + " on " + c.host.InterfaceName() + " was refused: " + why);
    return result;
}

// The BSS the interface is associated with or has joined, if any.
Outcome<std::optional<Bss>> CurrentBss(HostBackend& host)
{
    const auto list = host.ScanResults();
    if (!list.ok())
        return Outcome<std::optional<Bss>>::Error(list.status);
    for (const Bss& b : *list.value)
        if (b.status == NL80211_BSS_STATUS_ASSOCIATED || b.status == NL80211_BSS_STATUS_IBSS_JOINED)
            return Outcome<std::optional<Bss>>::Of(b);
    return Outcome<std::optional<Bss>>::Of(std::nullopt);
}

// The station behind the current BSS (the access point), for the signal, rate and its counters.
struct Peer
{
    Bss bss;
    std::optional<Station> station;
};

Outcome<std::optional<Peer>> CurrentPeer(HostBackend& host)
{
    const auto bss = CurrentBss(host);
    if (!bss.ok())
        return Outcome<std::optional<Peer>>::Error(bss.status);
    if (!*bss.value)
        return Outcome<std::optional<Peer>>::Of(std::nullopt);
    Peer peer{**bss.value, std::nullopt};
    const auto station = host.StationInfo(peer.bss.bssid);
    if (station.ok())
        peer.station = station.value;
    else if (station.status == HostStatus::Gone)
        return Outcome<std::optional<Peer>>::Error(HostStatus::Gone);
    return Outcome<std::optional<Peer>>::Of(peer);
}

// The signal in dBm: the station's, else that of the BSS's beacons.
std::optional<int32_t> SignalDbm(const Peer& peer)
{
    if (peer.station && peer.station->signalDbm)
        return *peer.station->signalDbm;
    if (peer.bss.signalMbm)
        return *peer.bss.signalMbm / 100;
    return std::nullopt;
}

// The query handlers.

RequestResult QuerySupportedList(const Context& c)
{
    const auto oids = HostMiniport::SupportedOids();
    std::vector<uint8_t> list(oids.size() * 4);
    for (size_t i = 0; i < oids.size(); ++i)
        sim::PutU32(&list[4 * i], oids[i]);
    return c.Record(list, NDIS_STATUS_BUFFER_TOO_SHORT);
}

RequestResult QueryHardwareStatus(const Context& c)
{
    return c.U32((c.link.flags & IFF_UP) ? NdisHardwareStatusReady : NdisHardwareStatusNotReady);
}

RequestResult QueryMedium(const Context& c)
{
    return c.U32(NdisMedium802_3); // the host's wireless interface carries Ethernet frames
}

RequestResult QueryFrameSize(const Context& c)
{
    if (!c.link.mtu)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    return c.U32(*c.link.mtu + (c.r.oid == OID_GEN_MAXIMUM_TOTAL_SIZE ? 14 : 0));
}

RequestResult QueryConnectStatus(const Context& c)
{
    return c.U32(c.link.Connected() ? NdisMediaStateConnected : NdisMediaStateDisconnected);
}

RequestResult QueryLinkCounter(const Context& c)
{
    if (!c.link.counters)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    const LinkCounters& n = *c.link.counters;
    switch (c.r.oid)
    {
    case OID_GEN_XMIT_OK:
        return c.Counter(n.txPackets);
    case OID_GEN_RCV_OK:
        return c.Counter(n.rxPackets);
    case OID_GEN_XMIT_ERROR:
        return c.Counter(n.txErrors);
    case OID_GEN_RCV_ERROR:
        return c.Counter(n.rxErrors);
    case OID_QN40_TX_BYTES:
        return c.Counter(n.txBytes);
    default:
        return c.Counter(n.rxBytes);
    }
}

RequestResult QueryAddress(const Context& c)
{
    const auto& mac = c.r.oid == OID_802_3_PERMANENT_ADDRESS ? c.link.permanentAddress : c.link.address;
    if (!mac)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    return c.Record(*mac);
}

RequestResult QueryLinkSpeed(const Context& c)
{
    const auto peer = CurrentPeer(c.host);
    if (!peer.ok())
        return FromStatus(peer.status);
    if (!*peer.value)
        return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
    const auto& station = (*peer.value)->station;
    if (!station || !station->txBitrate100k)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    return c.U32(*station->txBitrate100k * 1000); // units of 100 bit/s
}

RequestResult QueryBssid(const Context& c)
{
    const auto bss = CurrentBss(c.host);
    if (!bss.ok())
        return FromStatus(bss.status);
    if (!*bss.value)
        return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
    return c.Record((*bss.value)->bssid);
}

RequestResult QuerySsid(const Context& c)
{
    if (c.r.length < sizeof(NDIS_802_11_SSID))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_SSID));
    const auto w = c.host.Wireless();
    if (!w.ok())
        return FromStatus(w.status);
    std::optional<std::string> ssid = w.value->ssid;
    if (!ssid)
    {
        const auto bss = CurrentBss(c.host);
        if (!bss.ok())
            return FromStatus(bss.status);
        if (*bss.value)
        {
            ssid = (*bss.value)->Ssid();
            if (!ssid)
                return Failed(NDIS_STATUS_NOT_SUPPORTED);
        }
    }
    uint8_t record[sizeof(NDIS_802_11_SSID)] = {};
    const std::string text = ssid.value_or("").substr(0, 32);
    sim::PutU32(record, static_cast<uint32_t>(text.size()));
    std::memcpy(record + 4, text.data(), text.size());
    return c.Record(record);
}

RequestResult QuerySignal(const Context& c)
{
    const auto peer = CurrentPeer(c.host);
    if (!peer.ok())
        return FromStatus(peer.status);
    if (!*peer.value)
        return c.r.oid == OID_QN40_LINK_QUALITY ? c.U32(0) : Failed(NDIS_STATUS_ADAPTER_NOT_READY);
    const auto dbm = SignalDbm(**peer.value);
    if (!dbm)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    if (c.r.oid == OID_QN40_RSSI)
        return c.U32(static_cast<uint32_t>(*dbm));
    // The host's own link quality (its wireless statistics): the signal between -110 and -40 dBm.
    const int32_t clamped = std::clamp(*dbm, -110, -40);
    return c.U32(static_cast<uint32_t>((clamped + 110) * 100 / 70));
}

// The interface type, for the network mode objects.
Outcome<uint32_t> InterfaceType(const Context& c)
{
    const auto w = c.host.Wireless();
    if (!w.ok())
        return Outcome<uint32_t>::Error(w.status);
    if (!w.value->type)
        return Outcome<uint32_t>::Error(HostStatus::NotSupported);
    return Outcome<uint32_t>::Of(*w.value->type);
}

RequestResult QueryInfrastructure(const Context& c)
{
    const auto type = InterfaceType(c);
    if (!type.ok())
        return FromStatus(type.status);
    switch (*type.value)
    {
    case NL80211_IFTYPE_ADHOC:
        return c.U32(Ndis802_11IBSS);
    case NL80211_IFTYPE_STATION:
    case NL80211_IFTYPE_P2P_CLIENT:
    case NL80211_IFTYPE_AP:
    case NL80211_IFTYPE_P2P_GO:
        return c.U32(Ndis802_11Infrastructure);
    default:
        return Failed(NDIS_STATUS_NOT_SUPPORTED); // monitor, mesh, ...: no network mode of the card
    }
}

RequestResult QueryDeviceMode(const Context& c)
{
    const auto type = InterfaceType(c);
    if (!type.ok())
        return FromStatus(type.status);
    switch (*type.value)
    {
    case NL80211_IFTYPE_AP:
    case NL80211_IFTYPE_P2P_GO:
        return c.U32(QN40_DEVICE_MODE_AP);
    case NL80211_IFTYPE_STATION:
    case NL80211_IFTYPE_P2P_CLIENT:
    case NL80211_IFTYPE_ADHOC:
        return c.U32(QN40_DEVICE_MODE_STATION);
    default:
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    }
}

// Whether the radio is known to be switched off: a radio without a switch, or one whose switch cannot be
// read, is not.
Outcome<bool> RadioOff(const Context& c)
{
    const auto radio = c.host.Radio();
    if (radio.status == HostStatus::Gone)
        return Outcome<bool>::Error(radio.status);
    return Outcome<bool>::Of(radio.ok() && !radio.value->On());
}

RequestResult QueryDeviceState(const Context& c)
{
    const auto off = RadioOff(c);
    if (!off.ok())
        return FromStatus(off.status);
    if (*off.value)
        return c.U32(QN40_DEVICE_STATE_RADIO_OFF);
    if (c.link.Connected())
        return c.U32(QN40_DEVICE_STATE_CONNECTED);
    const auto bss = CurrentBss(c.host);
    if (!bss.ok())
        return FromStatus(bss.status);
    return c.U32(*bss.value ? QN40_DEVICE_STATE_JOINED : QN40_DEVICE_STATE_SCANNING);
}

// Joined but not let in (associated, the link not yet up) is told apart; whether the host is scanning
// while disconnected is not known, so that state is never claimed.
RequestResult QueryDisconnectState(const Context& c)
{
    if (c.link.Connected())
        return c.U32(QN40_DISCONNECT_NONE);
    const auto bss = CurrentBss(c.host);
    if (!bss.ok())
        return FromStatus(bss.status);
    return c.U32(*bss.value ? QN40_DISCONNECT_JOINED : QN40_DISCONNECT_NONE);
}

RequestResult QueryConfiguration(const Context& c)
{
    const auto w = c.host.Wireless();
    if (!w.ok())
        return FromStatus(w.status);
    const auto bss = CurrentBss(c.host);
    if (!bss.ok())
        return FromStatus(bss.status);
    if (!*bss.value)
        return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
    const Bss& current = **bss.value;
    const auto mhz = w.value->frequencyMhz ? w.value->frequencyMhz : current.frequencyMhz;
    if (!mhz || !current.beaconInterval)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    uint8_t record[sizeof(NDIS_802_11_CONFIGURATION)] = {};
    sim::PutU32(record, sizeof(record));
    sim::PutU32(record + offsetof(NDIS_802_11_CONFIGURATION, BeaconPeriod), *current.beaconInterval);
    // The host's cells keep no ATIM window (no power saving in ad hoc mode).
    sim::PutU32(record + offsetof(NDIS_802_11_CONFIGURATION, DSConfig), *mhz * 1000);
    return c.Record(record);
}

RequestResult QueryStatistics(const Context& c)
{
    const auto peer = CurrentPeer(c.host);
    if (!peer.ok())
        return FromStatus(peer.status);
    std::optional<Station> station;
    if (*peer.value)
        station = (*peer.value)->station;
    auto counted = [](const auto& value) { return value ? static_cast<uint64_t>(*value) : kUncounted; };
    const auto& n = c.link.counters;
    const uint64_t values[12] = {
        n ? n->txPackets : kUncounted,                      // transmitted fragments
        kUncounted,                                         // multicast transmitted
        station ? counted(station->txFailed) : kUncounted,  // failed
        station ? counted(station->txRetries) : kUncounted, // retries
        kUncounted,                                         // multiple retries
        kUncounted,                                         // RTS successes
        kUncounted,                                         // RTS failures
        kUncounted,                                         // ACK failures
        kUncounted,                                         // duplicate frames
        n ? n->rxPackets : kUncounted,                      // received fragments
        kUncounted,                                         // multicast received
        kUncounted,                                         // FCS errors
    };
    uint8_t record[sizeof(NDIS_802_11_STATISTICS)] = {};
    sim::PutU32(record, sizeof(record));
    for (int i = 0; i < 12; ++i)
        sim::PutU64(record + offsetof(NDIS_802_11_STATISTICS, TransmittedFragmentCount) + 8 * i, values[i]);
    return c.Record(record);
}

RequestResult QueryPowerMode(const Context& c)
{
    const auto ps = c.host.PowerSave();
    if (!ps.ok())
        return FromStatus(ps.status);
    return c.U32(*ps.value ? Ndis802_11PowerModeMAX_PSP : Ndis802_11PowerModeCAM);
}

RequestResult QueryRadio(const Context& c)
{
    const auto radio = c.host.Radio();
    if (!radio.ok())
        return FromStatus(radio.status);
    return c.U32(radio.value->On() ? 1 : 0);
}

RequestResult QueryThreshold(const Context& c)
{
    const auto t = c.host.Thresholds();
    if (!t.ok())
        return FromStatus(t.status);
    const bool frag = c.r.oid == OID_QN40_FRAGMENTATION_THRESHOLD;
    const auto value = frag ? t.value->fragmentation : t.value->rts;
    if (!value)
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    if (*value == WiphyThresholds::kThresholdOff)
        return c.U32(frag ? kNdisFragmentationOff : kNdisRtsOff);
    return c.U32(*value);
}

void PutBssEntry(uint8_t* e, const Bss& b)
{
    sim::PutU32(e, sizeof(NDIS_WLAN_BSSID));
    std::memcpy(e + offsetof(NDIS_WLAN_BSSID, MacAddress), b.bssid.data(), 6);
    const std::string ssid = b.Ssid().value_or("");
    sim::PutU32(e + offsetof(NDIS_WLAN_BSSID, Ssid), static_cast<uint32_t>(ssid.size()));
    std::memcpy(e + offsetof(NDIS_WLAN_BSSID, Ssid) + 4, ssid.data(), ssid.size());
    const uint16_t capability = b.capability.value_or(0);
    sim::PutU32(e + offsetof(NDIS_WLAN_BSSID, Privacy), (capability & 0x0010) ? 1 : 0);
    if (b.signalMbm)
        sim::PutU32(e + offsetof(NDIS_WLAN_BSSID, Rssi), static_cast<uint32_t>(*b.signalMbm / 100));
    const uint32_t mhz = b.frequencyMhz.value_or(0);
    sim::PutU32(e + offsetof(NDIS_WLAN_BSSID, NetworkTypeInUse),
                mhz >= 5000 ? Ndis802_11OFDM5 : Ndis802_11DS);
    uint8_t* config = e + offsetof(NDIS_WLAN_BSSID, Configuration);
    sim::PutU32(config, sizeof(NDIS_802_11_CONFIGURATION));
    sim::PutU32(config + offsetof(NDIS_802_11_CONFIGURATION, BeaconPeriod), b.beaconInterval.value_or(0));
    sim::PutU32(config + offsetof(NDIS_802_11_CONFIGURATION, DSConfig), mhz * 1000);
    sim::PutU32(e + offsetof(NDIS_WLAN_BSSID, InfrastructureMode),
                (capability & 0x0002) ? Ndis802_11IBSS : Ndis802_11Infrastructure);
    const auto rates = b.SupportedRates();
    std::copy(rates.begin(), rates.end(), e + offsetof(NDIS_WLAN_BSSID, SupportedRates));
}

// The networks in the host's scan results, the first 32 (all the card's list holds).
RequestResult QueryBssidList(const Context& c)
{
    const auto list = c.host.ScanResults();
    if (!list.ok())
        return FromStatus(list.status);
    const size_t count = std::min<size_t>(list.value->size(), 32);
    std::vector<uint8_t> record(offsetof(NDIS_802_11_BSSID_LIST, Bssid) + count * sizeof(NDIS_WLAN_BSSID));
    sim::PutU32(record.data(), static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i)
        PutBssEntry(&record[offsetof(NDIS_802_11_BSSID_LIST, Bssid) + i * sizeof(NDIS_WLAN_BSSID)],
                    (*list.value)[i]);
    return c.Record(record, NDIS_STATUS_BUFFER_TOO_SHORT);
}

// The set handlers.

RequestResult SetPowerMode(const Context& c)
{
    const auto mode = c.SetU32();
    if (!mode)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
    if (*mode > Ndis802_11PowerModeFast_PSP)
        return Failed(NDIS_STATUS_INVALID_DATA);
    const bool enable = *mode != Ndis802_11PowerModeCAM;
    return SetOutcome(c, c.host.SetPowerSave(enable), Mechanism::Nl80211,
                      enable ? "turning power saving on" : "turning power saving off", 4);
}

RequestResult SetRadio(const Context& c)
{
    const auto on = c.SetU32();
    if (!on)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
    if (*on > 1)
        return Failed(NDIS_STATUS_INVALID_DATA);
    if (*on)
        if (const auto radio = c.host.Radio(); radio.ok() && radio.value->hard)
        {
            c.report("hostwifi: switching the radio of " + c.host.InterfaceName() +
                     " on was refused: the machine's own radio switch is off");
            return Failed(NDIS_STATUS_FAILURE);
        }
    return SetOutcome(c, c.host.SetRadio(*on != 0), Mechanism::Rfkill,
                      *on ? "switching the radio on" : "switching the radio off", 4);
}

RequestResult SetScan(const Context& c)
{
    const HostStatus status = c.host.TriggerScan();
    return SetOutcome(c, status == HostStatus::Busy ? HostStatus::Ok : status, Mechanism::Nl80211,
                      "starting a scan", 0);
}

// A station that is not associated has nothing to leave (the host would refuse it as not connected).
RequestResult SetDisassociate(const Context& c)
{
    const auto bss = CurrentBss(c.host);
    if (!bss.ok())
        return FromStatus(bss.status);
    if (!*bss.value)
        return Done(0);
    return SetOutcome(c, c.host.Disconnect(), Mechanism::Nl80211, "disconnecting", 0);
}

RequestResult SetThreshold(const Context& c)
{
    const auto value = c.SetU32();
    if (!value)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
    const bool frag = c.r.oid == OID_QN40_FRAGMENTATION_THRESHOLD;
    if (frag ? (*value < 256 || *value > kNdisFragmentationOff) : *value > kNdisRtsOff)
        return Failed(NDIS_STATUS_INVALID_DATA);
    const uint32_t off = frag ? kNdisFragmentationOff : kNdisRtsOff;
    const uint32_t host = *value == off ? WiphyThresholds::kThresholdOff : *value;
    const HostStatus status =
        frag ? c.host.SetThresholds(host, std::nullopt) : c.host.SetThresholds(std::nullopt, host);
    return SetOutcome(c, status, Mechanism::Nl80211,
                      frag ? "setting the fragmentation threshold" : "setting the RTS threshold", 4);
}

using Handler = RequestResult (*)(const Context&);

struct OidHandlers
{
    uint32_t oid;
    Handler query;
    Handler set;
};

// Ascending by object.
constexpr OidHandlers kHandlers[] = {
    {OID_GEN_SUPPORTED_LIST, QuerySupportedList, nullptr},
    {OID_GEN_HARDWARE_STATUS, QueryHardwareStatus, nullptr},
    {OID_GEN_MEDIA_SUPPORTED, QueryMedium, nullptr},
    {OID_GEN_MEDIA_IN_USE, QueryMedium, nullptr},
    {OID_GEN_MAXIMUM_FRAME_SIZE, QueryFrameSize, nullptr},
    {OID_GEN_LINK_SPEED, QueryLinkSpeed, nullptr},
    {OID_GEN_MAXIMUM_TOTAL_SIZE, QueryFrameSize, nullptr},
    {OID_GEN_MEDIA_CONNECT_STATUS, QueryConnectStatus, nullptr},
    {OID_GEN_XMIT_OK, QueryLinkCounter, nullptr},
    {OID_GEN_RCV_OK, QueryLinkCounter, nullptr},
    {OID_GEN_XMIT_ERROR, QueryLinkCounter, nullptr},
    {OID_GEN_RCV_ERROR, QueryLinkCounter, nullptr},
    {OID_802_3_PERMANENT_ADDRESS, QueryAddress, nullptr},
    {OID_802_3_CURRENT_ADDRESS, QueryAddress, nullptr},
    {OID_QN40_DEVICE_STATE, QueryDeviceState, nullptr},
    {OID_QN40_BSSID, QueryBssid, nullptr},
    {OID_QN40_SSID, QuerySsid, nullptr},
    {OID_QN40_RSSI, QuerySignal, nullptr},
    {OID_QN40_INFRASTRUCTURE_MODE, QueryInfrastructure, nullptr},
    {OID_QN40_FRAGMENTATION_THRESHOLD, QueryThreshold, SetThreshold},
    {OID_QN40_RTS_THRESHOLD, QueryThreshold, SetThreshold},
    {OID_QN40_CONFIGURATION, QueryConfiguration, nullptr},
    {OID_QN40_STATISTICS, QueryStatistics, nullptr},
    {OID_QN40_DISASSOCIATE, nullptr, SetDisassociate},
    {OID_QN40_POWER_MODE, QueryPowerMode, SetPowerMode},
    {OID_QN40_BSSID_LIST, QueryBssidList, nullptr},
    {OID_QN40_BSSID_LIST_SCAN, nullptr, SetScan},
    {OID_QN40_LINK_QUALITY, QuerySignal, nullptr},
    {OID_QN40_TX_BYTES, QueryLinkCounter, nullptr},
    {OID_QN40_RX_BYTES, QueryLinkCounter, nullptr},
    {OID_QN40_DISCONNECT_STATE, QueryDisconnectState, nullptr},
    {OID_QN40_DEVICE_MODE, QueryDeviceMode, nullptr},
    {OID_QN40_RADIO, QueryRadio, SetRadio},
};

} // namespace

void ReportToStderr(const std::string& line)
{
    std::cerr << line << std::endl;
}

HostMiniport::HostMiniport(HostBackend& host, Report report) : m_host(host), m_report(std::move(report)) {}

std::vector<uint32_t> HostMiniport::SupportedOids()
{
    std::vector<uint32_t> oids;
    for (const auto& h : kHandlers)
        oids.push_back(h.oid);
    return oids;
}

RequestResult HostMiniport::Request(const sim::OidRequest& request)
{
    if (request.length && !request.buffer)
        return Failed(NDIS_STATUS_INVALID_DATA);
    try
    {
        const auto* entry = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                         [&](const OidHandlers& h) { return h.oid == request.oid; });
        const Handler handler =
            entry == std::end(kHandlers) ? nullptr : (request.set ? entry->set : entry->query);
        if (!handler)
            return Failed(NDIS_STATUS_NOT_SUPPORTED);
        const auto link = m_host.Link();
        if (!link.ok())
            return FromStatus(link.status);
        return handler(Context{m_host, request, *link.value, m_report});
    }
    catch (...)
    {
        return Failed(NDIS_STATUS_RESOURCES);
    }
}

} // namespace hostwifi
