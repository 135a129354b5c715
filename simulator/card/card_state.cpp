#include <card/card_state.h>
#include <card/channels.h>

#include <ntddndis.h>

#include <simcore/bytes.h>

#include <algorithm>

namespace sim
{
namespace
{
constexpr uint32_t kStateVersion = 3;
}

std::vector<uint8_t> CardState::Serialize() const
{
    ByteWriter w;
    w.U32(kStateVersion);
    w.U8(radioOn);
    w.U32(infrastructure);
    w.U32(deviceMode);
    w.String(desiredSsid);
    w.Bytes(desiredBssid);
    w.U8(bssidLocked);
    w.U32(ibssChannel);
    w.U32(beaconPeriod);
    w.U32(atimWindow);
    w.U32(powerMode);
    w.U32(fragThreshold);
    w.U32(rtsThreshold);
    w.U32(rxAntenna);
    w.Bytes(desiredRates);
    w.U32(authMode);
    w.U8(wepEnabled);
    w.U8(keySet);
    w.Bytes(key);
    w.U32(preamble);
    w.U32(environment);
    w.U32(txPower);
    w.U32(traceMask);
    w.U32(packetFilter);
    w.U32(featureFlags[0]);
    w.U32(featureFlags[1]);
    w.U32(domain);
    w.Bytes(mac);
    w.U8(disassociated);
    w.I64(scanStart);
    w.U64(txBytesBase);
    w.U64(rxBytesBase);
    w.I64(countersSince);
    w.U32(vendorSelected);
    w.Bytes(vendorRecords);
    w.U32(static_cast<uint32_t>(testParameters.size()));
    for (const auto& [k, v] : testParameters)
    {
        w.U32(k);
        w.U32(v);
    }
    w.U32(testChannel);
    w.U32(testPower);
    w.U32(framesSent);
    w.U32(lastFrameLength);
    w.U32(testRunning);
    w.U32(calibrations);
    return w.data();
}

std::optional<CardState> CardState::Deserialize(const std::vector<uint8_t>& blob)
{
    ByteReader r(blob);
    if (r.U32() != kStateVersion)
        return std::nullopt;
    CardState s;
    auto fixed = [&r](auto& array)
    {
        auto bytes = r.Bytes(array.size());
        if (bytes.size() == array.size())
            std::copy(bytes.begin(), bytes.end(), array.begin());
        else
            return false;
        return true;
    };
    s.radioOn = r.U8();
    s.infrastructure = r.U32();
    s.deviceMode = r.U32();
    s.desiredSsid = r.String(32);
    bool ok = fixed(s.desiredBssid);
    s.bssidLocked = r.U8();
    s.ibssChannel = r.U32();
    s.beaconPeriod = r.U32();
    s.atimWindow = r.U32();
    s.powerMode = r.U32();
    s.fragThreshold = r.U32();
    s.rtsThreshold = r.U32();
    s.rxAntenna = r.U32();
    ok = fixed(s.desiredRates) && ok;
    s.authMode = r.U32();
    s.wepEnabled = r.U8();
    s.keySet = r.U8();
    ok = fixed(s.key) && ok;
    s.preamble = r.U32();
    s.environment = r.U32();
    s.txPower = r.U32();
    s.traceMask = r.U32();
    s.packetFilter = r.U32();
    s.featureFlags[0] = r.U32();
    s.featureFlags[1] = r.U32();
    s.domain = r.U32();
    ok = fixed(s.mac) && ok;
    s.disassociated = r.U8();
    s.scanStart = r.I64();
    s.txBytesBase = r.U64();
    s.rxBytesBase = r.U64();
    s.countersSince = r.I64();
    s.vendorSelected = r.U32();
    s.vendorRecords = r.Bytes(16 * 48);
    const uint32_t parameters = r.U32();
    if (parameters > 64)
        return std::nullopt;
    for (uint32_t i = 0; i < parameters; ++i)
    {
        uint32_t k = r.U32();
        s.testParameters[k] = r.U32();
    }
    s.testChannel = r.U32();
    s.testPower = r.U32();
    s.framesSent = r.U32();
    s.lastFrameLength = r.U32();
    s.testRunning = r.U32();
    s.calibrations = r.U32();
    if (!ok || !r.ok() || !r.atEnd() || s.vendorRecords.size() != 16 * 48)
        return std::nullopt;
    return s;
}

namespace
{

uint32_t EffectiveIbssChannel(const CardState& state)
{
    if (DomainAllows(state.domain, state.ibssChannel))
        return state.ibssChannel;
    return DomainChannels(state.domain).front();
}

} // namespace

LinkView ComputeLink(const CardState& state, const AirSettings& air, int64_t nowMs)
{
    using Phase = LinkView::Phase;
    LinkView link;
    if (!state.radioOn)
        return link;
    link.connectedSince = state.scanStart + air.scanTime;
    const bool scanning = nowMs < link.connectedSince;
    auto withSignal = [&](LinkView& l)
    {
        l.rssi = air.RssiAt(nowMs);
        l.quality = air.QualityAt(nowMs, l.rssi);
    };
    if (state.deviceMode == QN40_DEVICE_MODE_AP || state.infrastructure == Ndis802_11IBSS)
    {
        link.phase = scanning ? Phase::Scanning : Phase::Connected;
        const bool ap = state.deviceMode == QN40_DEVICE_MODE_AP;
        link.ssid = state.desiredSsid.empty() ? (ap ? "QN40-AP" : "QN40-AdHoc") : state.desiredSsid;
        link.bssid = state.mac;
        if (!ap)
        {
            // A locally administered cell identity derived from the card's address.
            link.bssid[0] = static_cast<uint8_t>((link.bssid[0] | 0x02) & 0xFE);
            link.bssid[5] ^= 0x5A;
        }
        link.channel = EffectiveIbssChannel(state);
        withSignal(link);
        if (link.phase != Phase::Connected)
            link = LinkView{Phase::Scanning, {}, {}, 0, -100, 0, link.connectedSince};
        return link;
    }
    if (state.disassociated)
    {
        link.phase = Phase::Idle;
        return link;
    }
    const bool visible = air.link != AirLink::Down && DomainAllows(state.domain, air.channel) &&
                         (state.desiredSsid.empty() || state.desiredSsid == air.ssid) &&
                         (!state.bssidLocked || state.desiredBssid == air.bssid);
    if (!visible || scanning)
    {
        link.phase = Phase::Scanning;
        return link;
    }
    link.phase = air.link == AirLink::Joined ? Phase::Joined : Phase::Connected;
    link.ssid = air.ssid;
    link.bssid = air.bssid;
    link.channel = air.channel;
    withSignal(link);
    return link;
}

uint32_t LinkSpeedFor(const CardState& state, const LinkView& link)
{
    // Rates the card may use, in units of 500 kbit/s, fastest last.
    std::vector<uint32_t> allowed;
    for (uint8_t b : state.desiredRates)
    {
        if (!b)
            break;
        allowed.push_back(b & 0x7F);
    }
    std::sort(allowed.begin(), allowed.end());
    if (allowed.empty())
        allowed.push_back(22);
    uint32_t best = allowed.back();
    if (link.phase == LinkView::Phase::Connected)
    {
        const uint32_t bySignal = link.rssi >= -70 ? 22 : link.rssi >= -78 ? 11 : link.rssi >= -85 ? 4 : 2;
        best = allowed.front();
        for (uint32_t r : allowed)
            if (r <= bySignal)
                best = r;
    }
    return best * 5000;
}

TrafficCounters CountersAt(const CardState& state, const AirSettings& air, int64_t nowMs)
{
    TrafficCounters c;
    c.txBytes = state.txBytesBase;
    c.rxBytes = state.rxBytesBase;
    const LinkView link = ComputeLink(state, air, nowMs);
    if (link.phase == LinkView::Phase::Connected)
    {
        const int64_t from = std::max(state.countersSince, link.connectedSince);
        if (nowMs > from)
        {
            const uint64_t dt = static_cast<uint64_t>(nowMs - from);
            c.rxBytes += dt * air.traffic / 1000;
            c.txBytes += dt * (air.traffic / 3) / 1000;
        }
    }
    c.txFrames = c.txBytes / 800;
    c.rxFrames = c.rxBytes / 1000;
    c.txErrors = c.txFrames / 97;
    c.rxErrors = c.rxFrames / 61;
    return c;
}

void FoldCounters(CardState& state, const AirSettings& air, int64_t nowMs)
{
    const TrafficCounters c = CountersAt(state, air, nowMs);
    state.txBytesBase = c.txBytes;
    state.rxBytesBase = c.rxBytes;
    state.countersSince = nowMs;
}

} // namespace sim
