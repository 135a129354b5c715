#include "oid_handlers.h"

#include <card/channels.h>

#include <simcore/bytes.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace sim
{

namespace
{

CardState Folded(CardState state, const AirSettings& air, int64_t now, bool set)
{
    if (set)
        FoldCounters(state, air, now);
    return state;
}

} // namespace

OidCall::OidCall(const OidRequest& request, const CardStore& store, CardState state, AirSettings air,
                 Faults faults, int64_t now)
    : request(request), store(store), state(Folded(std::move(state), air, now, request.set)),
      air(std::move(air)), faults(std::move(faults)), now(now),
      link(ComputeLink(this->state, this->air, now)), counters(CountersAt(this->state, this->air, now))
{
}

RequestResult OidCall::QueryU32(uint32_t value) const
{
    if (request.length < 4)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
    PutU32(buf(), value);
    return Done(4);
}

RequestResult OidCall::QueryCounter(uint64_t value) const
{
    if (request.length >= 8)
    {
        PutU64(buf(), value);
        return Done(8);
    }
    if (request.length >= 4)
    {
        PutU32(buf(), static_cast<uint32_t>(value));
        return Done(4);
    }
    return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
}

RequestResult OidCall::QueryBytes(const void* data, uint32_t size, NDIS_STATUS shortStatus) const
{
    if (request.length < size)
        return TooShort(shortStatus, size);
    std::memcpy(buf(), data, size);
    return Done(size);
}

template <class Accept, class Apply> RequestResult OidCall::SetU32(Accept accept, Apply apply)
{
    if (request.length < 4)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
    const uint32_t v = GetU32(buf());
    if (!accept(v))
        return Failed(NDIS_STATUS_INVALID_DATA);
    apply(v);
    dirty = true;
    return Done(4);
}

void OidCall::Rescan()
{
    state.disassociated = false;
    state.scanStart = now;
    dirty = true;
}

namespace
{

using Phase = LinkView::Phase;

constexpr uint32_t kFirmwareVersion = 0x00010503;
constexpr uint32_t kMaxTotalSize = 1514;
constexpr uint32_t kMaxFrameSize = 1500;
constexpr char kDescription[] = "WLAN 802.11b SDIO card";

RequestResult NotSupported()
{
    return Failed(NDIS_STATUS_NOT_SUPPORTED);
}

// Objects that can only be queried.
RequestResult ReadOnlyU32(OidCall& c, uint32_t value)
{
    return c.set() ? NotSupported() : c.QueryU32(value);
}
RequestResult ReadOnlyCounter(OidCall& c, uint64_t value)
{
    return c.set() ? NotSupported() : c.QueryCounter(value);
}
RequestResult ReadOnlyBytes(OidCall& c, const void* data, uint32_t size,
                            NDIS_STATUS shortStatus = NDIS_STATUS_INVALID_LENGTH)
{
    return c.set() ? NotSupported() : c.QueryBytes(data, size, shortStatus);
}

// A setting of one u32: a query reads `value`, a set stores what `accept` lets through.
template <class Accept, class Apply>
RequestResult Setting(OidCall& c, uint32_t value, Accept accept, Apply apply)
{
    return c.set() ? c.SetU32(accept, apply) : c.QueryU32(value);
}

// An object that can only be set, with no data: runs `act` and marks the state changed.
template <class Act> RequestResult Action(OidCall& c, Act act)
{
    if (!c.set())
        return NotSupported();
    act();
    c.dirty = true;
    return Done(0);
}

bool IsStationMode(const CardState& s)
{
    return s.infrastructure != Ndis802_11IBSS && s.deviceMode != QN40_DEVICE_MODE_AP;
}

// ----- General objects

RequestResult SupportedList(OidCall& c);

RequestResult MediaConnectStatus(OidCall& c)
{
    return ReadOnlyU32(c, c.link.phase == Phase::Connected ? NdisMediaStateConnected
                                                           : NdisMediaStateDisconnected);
}

RequestResult VendorId(OidCall& c)
{
    const auto& mac = c.state.mac;
    return ReadOnlyU32(c, mac[0] | (mac[1] << 8) | (mac[2] << 16) | (1u << 24));
}

RequestResult DriverVersion(OidCall& c)
{
    const uint8_t version[2] = {0x01, 0x05}; // NDIS 5.1
    return ReadOnlyBytes(c, version, 2);
}

RequestResult PermanentAddress(OidCall& c)
{
    if (c.set())
        return NotSupported();
    const auto mac = c.store.PermanentMac(c.store.LoadEeprom());
    return c.QueryBytes(mac.data(), 6);
}

RequestResult NetworkTypesSupported(OidCall& c)
{
    uint8_t list[8];
    PutU32(list, 1);
    PutU32(list + 4, Ndis802_11DS);
    return ReadOnlyBytes(c, list, 8, NDIS_STATUS_BUFFER_TOO_SHORT);
}

// ----- Settings of one number, each with the values the card takes

RequestResult FragmentationThreshold(OidCall& c)
{
    return Setting(
        c, c.state.fragThreshold, [](uint32_t v) { return v >= 256 && v <= 2346; },
        [&](uint32_t v) { c.state.fragThreshold = v; });
}

RequestResult RtsThreshold(OidCall& c)
{
    return Setting(
        c, c.state.rtsThreshold, [](uint32_t v) { return v <= 2347; },
        [&](uint32_t v) { c.state.rtsThreshold = v; });
}

RequestResult RxAntenna(OidCall& c)
{
    return Setting(
        c, c.state.rxAntenna, [](uint32_t v) { return v == 0 || v == 1 || v == 0xFFFFFFFF; },
        [&](uint32_t v) { c.state.rxAntenna = v; });
}

RequestResult PowerMode(OidCall& c)
{
    return Setting(
        c, c.state.powerMode, [](uint32_t v) { return v <= Ndis802_11PowerModeFast_PSP; },
        [&](uint32_t v) { c.state.powerMode = v; });
}

RequestResult AuthenticationMode(OidCall& c)
{
    return Setting(
        c, c.state.authMode, [](uint32_t v) { return v <= Ndis802_11AuthModeAutoSwitch; },
        [&](uint32_t v) { c.state.authMode = v; });
}

RequestResult PreambleType(OidCall& c)
{
    return Setting(
        c, c.state.preamble, [](uint32_t v) { return v <= 2; }, [&](uint32_t v) { c.state.preamble = v; });
}

RequestResult EnvironmentCondition(OidCall& c)
{
    return Setting(
        c, c.state.environment, [](uint32_t v) { return v <= 1; },
        [&](uint32_t v) { c.state.environment = v; });
}

RequestResult TraceMask(OidCall& c)
{
    return Setting(
        c, c.state.traceMask, [](uint32_t) { return true; }, [&](uint32_t v) { c.state.traceMask = v; });
}

RequestResult TxPower(OidCall& c)
{
    return Setting(
        c, c.state.txPower, [](uint32_t v) { return v >= 1 && v <= 100; },
        [&](uint32_t v) { c.state.txPower = v; });
}

RequestResult SupportedRates(OidCall& c)
{
    const uint8_t rates[8] = {2, 4, 11, 22, 0, 0, 0, 0};
    return ReadOnlyBytes(c, rates, 8);
}

// ----- The association

RequestResult DeviceState(OidCall& c)
{
    uint32_t state = QN40_DEVICE_STATE_SCANNING;
    if (c.link.phase == Phase::RadioOff)
        state = QN40_DEVICE_STATE_RADIO_OFF;
    else if (c.link.phase == Phase::Connected)
        state = QN40_DEVICE_STATE_CONNECTED;
    else if (c.link.phase == Phase::Joined)
        state = QN40_DEVICE_STATE_JOINED;
    return ReadOnlyU32(c, state);
}

RequestResult Bssid(OidCall& c)
{
    if (!c.set())
    {
        if (!c.link.Associated())
            return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
        return c.QueryBytes(c.link.bssid.data(), 6);
    }
    if (c.request.length < 6)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 6);
    const uint8_t* buf = c.buf();
    std::copy(buf, buf + 6, c.state.desiredBssid.begin());
    // The broadcast address (or zero) lets the card join any network again.
    c.state.bssidLocked = !std::all_of(buf, buf + 6, [](uint8_t b) { return b == 0xFF; }) &&
                          !std::all_of(buf, buf + 6, [](uint8_t b) { return b == 0; });
    c.Rescan();
    return Done(6);
}

RequestResult Ssid(OidCall& c)
{
    if (c.request.length < sizeof(NDIS_802_11_SSID))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_SSID));
    if (c.set())
    {
        const uint32_t length = GetU32(c.buf());
        if (length > 32)
            return Failed(NDIS_STATUS_INVALID_DATA);
        c.state.desiredSsid.assign(reinterpret_cast<const char*>(c.buf() + 4), length);
        c.Rescan();
        return Done(sizeof(NDIS_802_11_SSID));
    }
    uint8_t record[sizeof(NDIS_802_11_SSID)] = {};
    const std::string ssid = c.link.Associated() ? c.link.ssid : std::string();
    PutU32(record, static_cast<uint32_t>(ssid.size()));
    std::memcpy(record + 4, ssid.data(), ssid.size());
    return c.QueryBytes(record, sizeof(record));
}

RequestResult Rssi(OidCall& c)
{
    if (c.set())
        return NotSupported();
    if (!c.link.Associated())
        return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
    return c.QueryU32(static_cast<uint32_t>(c.link.rssi));
}

RequestResult InfrastructureMode(OidCall& c)
{
    CardState& s = c.state;
    return Setting(
        c, s.infrastructure, [](uint32_t v) { return v <= Ndis802_11AutoUnknown; },
        [&](uint32_t v)
        {
            if (v != s.infrastructure)
                c.Rescan();
            s.infrastructure = v;
        });
}

RequestResult DesiredRates(OidCall& c)
{
    if (!c.set())
        return c.QueryBytes(c.state.desiredRates.data(), 8);
    if (c.request.length < 8)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    std::array<uint8_t, 8> rates{};
    size_t n = 0;
    for (size_t i = 0; i < 8 && c.buf()[i]; ++i)
    {
        const uint8_t rate = c.buf()[i] & 0x7F;
        if (rate != 2 && rate != 4 && rate != 11 && rate != 22)
            return Failed(NDIS_STATUS_INVALID_DATA);
        rates[n++] = rate;
    }
    if (n == 0)
        return Failed(NDIS_STATUS_INVALID_DATA);
    c.state.desiredRates = rates;
    c.dirty = true;
    return Done(8);
}

RequestResult Configuration(OidCall& c)
{
    CardState& s = c.state;
    if (!c.set())
    {
        uint8_t record[sizeof(NDIS_802_11_CONFIGURATION)] = {};
        const uint32_t channel = c.link.Associated() ? c.link.channel : s.ibssChannel;
        PutU32(record, sizeof(record));
        PutU32(record + 4, s.beaconPeriod);
        PutU32(record + 8, s.atimWindow);
        PutU32(record + 12, ChannelFrequency(channel));
        return c.QueryBytes(record, sizeof(record));
    }
    if (c.request.length < sizeof(NDIS_802_11_CONFIGURATION))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_CONFIGURATION));
    const uint8_t* buf = c.buf();
    const uint32_t beacon = GetU32(buf + 4), atim = GetU32(buf + 8),
                   channel = FrequencyChannel(GetU32(buf + 12));
    if (beacon < 1 || beacon > 1024 || atim > beacon || channel == 0)
        return Failed(NDIS_STATUS_INVALID_DATA);
    s.beaconPeriod = beacon;
    s.atimWindow = atim;
    if (channel != s.ibssChannel && !IsStationMode(s))
        c.Rescan();
    s.ibssChannel = channel;
    c.dirty = true;
    return Done(sizeof(NDIS_802_11_CONFIGURATION));
}

RequestResult Statistics(OidCall& c)
{
    const TrafficCounters& t = c.counters;
    const uint64_t tx = t.txFrames, rx = t.rxFrames;
    const uint64_t values[12] = {tx,       tx / 20, t.txErrors, tx / 10, tx / 40, tx / 50,
                                 tx / 500, tx / 30, rx / 100,   rx,      rx / 8,  t.rxErrors};
    uint8_t record[sizeof(NDIS_802_11_STATISTICS)] = {};
    PutU32(record, sizeof(record));
    for (int i = 0; i < 12; ++i)
        PutU64(record + 8 + 8 * i, values[i]);
    return ReadOnlyBytes(c, record, sizeof(record));
}

RequestResult Disassociate(OidCall& c)
{
    return Action(c,
                  [&]
                  {
                      if (IsStationMode(c.state))
                          c.state.disassociated = true;
                  });
}

RequestResult BssidList(OidCall& c)
{
    if (c.set())
        return NotSupported();
    std::vector<AirNetwork> networks;
    if (c.state.radioOn)
        for (const auto& n : c.air.Networks(c.now))
            if (DomainAllows(c.state.domain, n.channel))
                networks.push_back(n);
    std::vector<uint8_t> list(4 + networks.size() * sizeof(NDIS_WLAN_BSSID));
    PutU32(list.data(), static_cast<uint32_t>(networks.size()));
    for (size_t i = 0; i < networks.size(); ++i)
    {
        uint8_t* e = &list[4 + i * sizeof(NDIS_WLAN_BSSID)];
        const AirNetwork& n = networks[i];
        PutU32(e, sizeof(NDIS_WLAN_BSSID));
        std::copy(n.bssid.begin(), n.bssid.end(), e + 4);
        PutU32(e + 12, static_cast<uint32_t>(n.ssid.size()));
        std::memcpy(e + 16, n.ssid.data(), n.ssid.size());
        PutU32(e + 48, 0); // no privacy
        PutU32(e + 52, static_cast<uint32_t>(n.rssi));
        PutU32(e + 56, Ndis802_11DS);
        PutU32(e + 60, sizeof(NDIS_802_11_CONFIGURATION));
        PutU32(e + 64, 100);
        PutU32(e + 72, ChannelFrequency(n.channel));
        PutU32(e + 92, Ndis802_11Infrastructure);
        const uint8_t rates[4] = {0x82, 0x84, 0x8B, 0x96};
        std::memcpy(e + 96, rates, 4);
    }
    return c.QueryBytes(list.data(), static_cast<uint32_t>(list.size()), NDIS_STATUS_BUFFER_TOO_SHORT);
}

RequestResult BssidListScan(OidCall& c)
{
    if (!c.set())
        return NotSupported();
    if (c.state.disassociated || c.link.phase == Phase::Scanning)
        c.Rescan();
    return Done(0);
}

RequestResult DisconnectState(OidCall& c)
{
    return ReadOnlyU32(c, c.link.phase == Phase::Scanning ? QN40_DISCONNECT_SCANNING
                          : c.link.phase == Phase::Joined ? QN40_DISCONNECT_JOINED
                                                          : QN40_DISCONNECT_NONE);
}

// ----- Security

bool AcceptWep(uint32_t v)
{
    return v <= Ndis802_11WEPDisabled;
}

RequestResult WepStatus(OidCall& c)
{
    const CardState& s = c.state;
    return Setting(c,
                   !s.wepEnabled ? Ndis802_11WEPDisabled
                   : s.keySet    ? Ndis802_11WEPEnabled
                                 : Ndis802_11WEPKeyAbsent,
                   AcceptWep, [&](uint32_t v) { c.state.wepEnabled = v == Ndis802_11WEPEnabled; });
}

RequestResult WepEnable(OidCall& c)
{
    return Setting(c, c.state.wepEnabled ? Ndis802_11WEPEnabled : Ndis802_11WEPDisabled, AcceptWep,
                   [&](uint32_t v) { c.state.wepEnabled = v == Ndis802_11WEPEnabled; });
}

RequestResult Key(OidCall& c)
{
    if (!c.set())
        return c.QueryBytes(c.state.key.data(), sizeof(QN40_KEY_RECORD));
    if (c.request.length < sizeof(QN40_KEY_RECORD))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_KEY_RECORD));
    if (c.buf()[16] > 1)
        return Failed(NDIS_STATUS_INVALID_DATA);
    std::copy(c.buf(), c.buf() + 17, c.state.key.begin());
    c.state.keySet = true;
    c.dirty = true;
    return Done(sizeof(QN40_KEY_RECORD));
}

// ----- The card's own records

RequestResult FeatureFlags(OidCall& c)
{
    if (!c.set())
    {
        uint8_t record[8];
        PutU32(record, c.state.featureFlags[0]);
        PutU32(record + 4, c.state.featureFlags[1]);
        return c.QueryBytes(record, 8);
    }
    if (c.request.length < 8)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    c.state.featureFlags = {GetU32(c.buf()), GetU32(c.buf() + 4)};
    c.dirty = true;
    return Done(8);
}

RequestResult VendorRecord(OidCall& c)
{
    CardState& s = c.state;
    if (!c.set())
    {
        uint8_t record[48];
        std::memcpy(record, &s.vendorRecords[s.vendorSelected * 48], 48);
        PutU32(record, s.vendorSelected);
        return c.QueryBytes(record, 48);
    }
    if (c.request.length < sizeof(QN40_VENDOR_RECORD))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_VENDOR_RECORD));
    const uint32_t index = GetU32(c.buf());
    if (index >= 16)
        return Failed(NDIS_STATUS_INVALID_DATA);
    if (c.buf()[9] == 0xFF) // chooses the record the next query returns
        s.vendorSelected = index;
    else
        std::memcpy(&s.vendorRecords[index * 48], c.buf(), 48);
    c.dirty = true;
    return Done(sizeof(QN40_VENDOR_RECORD));
}

RequestResult InfoBlock(OidCall& c)
{
    if (c.set())
        return NotSupported();
    const CardState& s = c.state;
    std::vector<uint8_t> block(sizeof(QN40_INFO_BLOCK));
    PutU32(&block[0], sizeof(QN40_INFO_BLOCK));
    PutU32(&block[4], kFirmwareVersion);
    PutU32(&block[8], kVendorDriverVersion);
    const auto permanent = c.store.PermanentMac(c.store.LoadEeprom());
    std::copy(permanent.begin(), permanent.end(), &block[12]);
    std::copy(s.mac.begin(), s.mac.end(), &block[18]);
    PutU16(&block[24], kManufacturerId);
    PutU16(&block[26], kCardId);
    PutU32(&block[28], s.domain);
    PutU32(&block[32], c.link.Associated() ? c.link.channel : s.ibssChannel);
    PutU32(&block[36], static_cast<uint32_t>(c.link.phase));
    std::memcpy(&block[40], kDescription, sizeof(kDescription));
    return c.QueryBytes(block.data(), static_cast<uint32_t>(block.size()));
}

RequestResult DeviceMode(OidCall& c)
{
    CardState& s = c.state;
    return Setting(
        c, s.deviceMode, [](uint32_t v) { return v == QN40_DEVICE_MODE_STATION || v == QN40_DEVICE_MODE_AP; },
        [&](uint32_t v)
        {
            if (v != s.deviceMode)
                c.Rescan();
            s.deviceMode = v;
        });
}

RequestResult AccessPointInfo(OidCall& c)
{
    const CardState& s = c.state;
    uint8_t record[sizeof(QN40_AP_INFO)];
    const bool ap = s.deviceMode == QN40_DEVICE_MODE_AP && c.link.phase == Phase::Connected;
    PutU32(record, sizeof(record));
    PutU32(record + 4, 3); // 802.11b only
    PutU32(record + 8, ap ? c.link.channel : 0);
    PutU32(record + 12, s.beaconPeriod);
    PutU32(record + 16, ap ? (c.air.seed % 3) + 1 : 0);
    return ReadOnlyBytes(c, record, sizeof(record));
}

RequestResult Radio(OidCall& c)
{
    CardState& s = c.state;
    return Setting(
        c, s.radioOn ? 1 : 0, [](uint32_t v) { return v <= 1; },
        [&](uint32_t v)
        {
            if (v && !s.radioOn)
                c.Rescan();
            s.radioOn = v != 0;
        });
}

// ----- Registers and the EEPROM. A read is asked by a set and answered by the query that follows; a
// write is a set.

RequestResult MacRegister(OidCall& c)
{
    if (c.request.length < sizeof(QN40_MAC_REGISTER_ACCESS))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_MAC_REGISTER_ACCESS));
    uint8_t* buf = c.buf();
    const bool read = buf[0] == 1;
    const uint32_t address = GetU32(buf + 4);
    if ((buf[0] != 0 && buf[0] != 1) || address >= kMacRegisterBytes || (address & 3))
        return Failed(NDIS_STATUS_INVALID_DATA);
    if (c.set() && read)
        return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
    if (auto fault = c.faults.AccessFault(RegisterArea::Mac, c.set(), address))
        return Failed(static_cast<NDIS_STATUS>(*fault));
    auto regs = c.store.LoadRegisters(u"MacRegisters", kMacRegisterBytes);
    if (c.set())
    {
        PutU32(&regs[address], GetU32(buf + 8));
        c.store.SaveRegisters(u"MacRegisters", regs);
        return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
    }
    uint32_t value = GetU32(&regs[address]);
    if (address == 0x2F4) // bit 30: the radio is on
        value = (value & ~(1u << 30)) | (c.state.radioOn ? 1u << 30 : 0);
    PutU32(buf + 8, value);
    return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
}

RequestResult BasebandRegister(OidCall& c)
{
    if (c.request.length < sizeof(QN40_BB_REGISTER_ACCESS))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_BB_REGISTER_ACCESS));
    uint8_t* buf = c.buf();
    if (buf[0] != 0 && buf[0] != 1)
        return Failed(NDIS_STATUS_INVALID_DATA);
    const bool read = buf[0] == 1;
    const uint8_t index = buf[1];
    if (c.set() && read)
        return Done(sizeof(QN40_BB_REGISTER_ACCESS));
    if (auto fault = c.faults.AccessFault(RegisterArea::Baseband, c.set(), index))
        return Failed(static_cast<NDIS_STATUS>(*fault));
    auto regs = c.store.LoadRegisters(u"Baseband", kBasebandRegisterBytes);
    if (c.set())
    {
        regs[index] = buf[2];
        c.store.SaveRegisters(u"Baseband", regs);
    }
    else
    {
        buf[2] = regs[index];
    }
    return Done(sizeof(QN40_BB_REGISTER_ACCESS));
}

RequestResult Eeprom(OidCall& c)
{
    if (c.request.length < sizeof(QN40_EEPROM_ACCESS))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_EEPROM_ACCESS));
    uint8_t* buf = c.buf();
    if (buf[0] > 1 || buf[1] > 1)
        return Failed(NDIS_STATUS_INVALID_DATA);
    const bool read = buf[0] == 1, oneWord = buf[1] == 1;
    const uint8_t word = buf[2];
    if (!oneWord)
    {
        if (!read)
            return Failed(NDIS_STATUS_INVALID_DATA); // the size cannot be written
        if (!c.set())
            PutU16(buf + 4, QN40_EEPROM_WORDS * 2);
        return Done(sizeof(QN40_EEPROM_ACCESS));
    }
    if (word >= QN40_EEPROM_WORDS)
        return Failed(NDIS_STATUS_INVALID_DATA);
    if (c.set() && read)
        return Done(sizeof(QN40_EEPROM_ACCESS));
    if (auto fault = c.faults.AccessFault(RegisterArea::Eeprom, c.set(), word))
        return Failed(static_cast<NDIS_STATUS>(*fault));
    auto eeprom = c.store.LoadEeprom();
    if (c.set())
    {
        PutU16(&eeprom[2 * word], GetU16(buf + 4));
        c.store.SaveEeprom(eeprom);
    }
    else
    {
        PutU16(buf + 4, GetU16(&eeprom[2 * word]));
    }
    return Done(sizeof(QN40_EEPROM_ACCESS));
}

RequestResult ReloadEeprom(OidCall& c)
{
    return Action(c, [&] { c.state.mac = c.store.PermanentMac(c.store.LoadEeprom()); });
}

// ----- Test mode

RequestResult TestParameter(OidCall& c)
{
    if (c.request.length < 8)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    auto& parameters = c.state.testParameters;
    const uint32_t number = GetU32(c.buf());
    if (c.set())
    {
        if (parameters.size() >= 64 && !parameters.count(number))
            return Failed(NDIS_STATUS_RESOURCES);
        parameters[number] = GetU32(c.buf() + 4);
        c.dirty = true;
        return Done(8);
    }
    auto it = parameters.find(number);
    PutU32(c.buf() + 4, it == parameters.end() ? 0 : it->second);
    return Done(8);
}

RequestResult FrameCounters(OidCall& c, uint64_t frames)
{
    uint8_t record[sizeof(QN40_COUNTERS)] = {};
    PutU32(record + 4, static_cast<uint32_t>(frames / 4));
    PutU32(record + 8, static_cast<uint32_t>(frames / 16));
    PutU32(record + 12, static_cast<uint32_t>(frames / 64));
    return ReadOnlyBytes(c, record, sizeof(record));
}

RequestResult ResetCounters(OidCall& c)
{
    return Action(c,
                  [&]
                  {
                      c.state.txBytesBase = c.state.rxBytesBase = 0;
                      c.state.countersSince = c.now;
                  });
}

RequestResult TestFrame(OidCall& c)
{
    if (!c.set())
        return NotSupported();
    if (c.request.length < sizeof(QN40_TEST_FRAME))
        return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_TEST_FRAME));
    const uint32_t length = GetU32(c.buf());
    if (length > sizeof(QN40_TEST_FRAME::Data))
        return Failed(NDIS_STATUS_INVALID_DATA);
    const uint32_t repeat = std::max<uint32_t>(1, std::min<uint32_t>(GetU32(c.buf() + 4 + 2348), 1000000));
    c.state.framesSent += repeat;
    c.state.lastFrameLength = length;
    c.dirty = true;
    return Done(sizeof(QN40_TEST_FRAME));
}

RequestResult TestResult(OidCall& c)
{
    const CardState& s = c.state;
    uint8_t record[sizeof(QN40_TEST_RESULT)] = {};
    const uint32_t fields[7] = {sizeof(record), s.framesSent, s.lastFrameLength, s.testRunning,
                                s.testChannel,  s.testPower,  s.calibrations};
    for (int i = 0; i < 7; ++i)
        PutU32(record + 4 * i, fields[i]);
    return ReadOnlyBytes(c, record, sizeof(record));
}

RequestResult TestChannel(OidCall& c)
{
    if (!c.set())
    {
        uint8_t record[8];
        PutU32(record, c.state.testChannel);
        PutU32(record + 4, c.state.testPower);
        return c.QueryBytes(record, 8);
    }
    if (c.request.length < 8)
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    const uint32_t channel = GetU32(c.buf()), power = GetU32(c.buf() + 4);
    if (channel < 1 || channel > 14 || power > 100)
        return Failed(NDIS_STATUS_INVALID_DATA);
    c.state.testChannel = channel;
    c.state.testPower = power;
    c.dirty = true;
    return Done(8);
}

// The standard 802.11 objects come first with the card's own handlers, then the card's objects.
constexpr OidEntry kOids[] = {
    // General objects
    {OID_GEN_SUPPORTED_LIST, SupportedList},
    {OID_GEN_HARDWARE_STATUS, [](OidCall& c) { return ReadOnlyU32(c, NdisHardwareStatusReady); }},
    {OID_GEN_MEDIA_SUPPORTED, [](OidCall& c) { return ReadOnlyU32(c, NdisMedium802_3); }},
    {OID_GEN_MEDIA_IN_USE, [](OidCall& c) { return ReadOnlyU32(c, NdisMedium802_3); }},
    {OID_GEN_MAXIMUM_FRAME_SIZE, [](OidCall& c) { return ReadOnlyU32(c, kMaxFrameSize); }},
    {OID_GEN_LINK_SPEED, [](OidCall& c) { return ReadOnlyU32(c, LinkSpeedFor(c.state, c.link)); }},
    {OID_GEN_VENDOR_ID, VendorId},
    {OID_GEN_VENDOR_DESCRIPTION, [](OidCall& c)
     { return ReadOnlyBytes(c, kDescription, sizeof(kDescription), NDIS_STATUS_BUFFER_TOO_SHORT); }},
    {OID_GEN_CURRENT_PACKET_FILTER,
     [](OidCall& c)
     {
         return Setting(
             c, c.state.packetFilter, [](uint32_t v) { return v <= 0xFFFF; },
             [&](uint32_t v) { c.state.packetFilter = v; });
     }},
    {OID_GEN_DRIVER_VERSION, DriverVersion},
    {OID_GEN_MAXIMUM_TOTAL_SIZE, [](OidCall& c) { return ReadOnlyU32(c, kMaxTotalSize); }},
    {OID_GEN_MEDIA_CONNECT_STATUS, MediaConnectStatus},
    {OID_GEN_VENDOR_DRIVER_VERSION, [](OidCall& c) { return ReadOnlyU32(c, kVendorDriverVersion); }},
    {OID_GEN_XMIT_OK, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.txFrames); }},
    {OID_GEN_RCV_OK, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.rxFrames); }},
    {OID_GEN_XMIT_ERROR, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.txErrors); }},
    {OID_GEN_RCV_ERROR, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.rxErrors); }},
    {OID_802_3_PERMANENT_ADDRESS, PermanentAddress},
    {OID_802_3_CURRENT_ADDRESS, [](OidCall& c) { return ReadOnlyBytes(c, c.state.mac.data(), 6); }},
    {OID_802_3_MAXIMUM_LIST_SIZE, [](OidCall& c) { return ReadOnlyU32(c, 32); }},

    // 802.11 objects
    {OID_802_11_BSSID, Bssid},
    {OID_802_11_SSID, Ssid},
    {OID_802_11_NETWORK_TYPES_SUPPORTED, NetworkTypesSupported},
    {OID_802_11_NETWORK_TYPE_IN_USE,
     [](OidCall& c)
     {
         return Setting(
             c, Ndis802_11DS, [](uint32_t v) { return v == Ndis802_11DS; }, [](uint32_t) {});
     }},
    {OID_802_11_RSSI, Rssi},
    {OID_802_11_INFRASTRUCTURE_MODE, InfrastructureMode},
    {OID_802_11_FRAGMENTATION_THRESHOLD, FragmentationThreshold},
    {OID_802_11_RTS_THRESHOLD, RtsThreshold},
    {OID_802_11_RX_ANTENNA_SELECTED, RxAntenna},
    {OID_802_11_SUPPORTED_RATES, SupportedRates},
    {OID_802_11_DESIRED_RATES, DesiredRates},
    {OID_802_11_CONFIGURATION, Configuration},
    {OID_802_11_STATISTICS, Statistics},
    {OID_802_11_DISASSOCIATE, Disassociate},
    {OID_802_11_POWER_MODE, PowerMode},
    {OID_802_11_BSSID_LIST, BssidList},
    {OID_802_11_AUTHENTICATION_MODE, AuthenticationMode},
    {OID_802_11_BSSID_LIST_SCAN, BssidListScan},
    {OID_802_11_WEP_STATUS, WepStatus},

    // The card's objects
    {OID_QN40_DEVICE_STATE, DeviceState},
    {OID_QN40_BSSID, Bssid},
    {OID_QN40_SSID, Ssid},
    {OID_QN40_RSSI, Rssi},
    {OID_QN40_INFRASTRUCTURE_MODE, InfrastructureMode},
    {OID_QN40_FRAGMENTATION_THRESHOLD, FragmentationThreshold},
    {OID_QN40_RTS_THRESHOLD, RtsThreshold},
    {OID_QN40_RX_ANTENNA, RxAntenna},
    {OID_QN40_SUPPORTED_RATES, SupportedRates},
    {OID_QN40_DESIRED_RATES, DesiredRates},
    {OID_QN40_CONFIGURATION, Configuration},
    {OID_QN40_STATISTICS, Statistics},
    {OID_QN40_DISASSOCIATE, Disassociate},
    {OID_QN40_POWER_MODE, PowerMode},
    {OID_QN40_BSSID_LIST, BssidList},
    {OID_QN40_AUTHENTICATION_MODE, AuthenticationMode},
    {OID_QN40_BSSID_LIST_SCAN, BssidListScan},
    {OID_QN40_WEP_STATUS, WepStatus},
    {OID_QN40_WEP_ENABLE, WepEnable},
    {OID_QN40_PREAMBLE_TYPE, PreambleType},
    {OID_QN40_LINK_QUALITY, [](OidCall& c)
     { return ReadOnlyU32(c, c.link.Associated() ? static_cast<uint32_t>(c.link.quality) : 0); }},
    {OID_QN40_FEATURE_FLAGS, FeatureFlags},
    {OID_QN40_VENDOR_RECORD, VendorRecord},
    {OID_QN40_KEY, Key},
    {OID_QN40_TX_BYTES, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.txBytes); }},
    {OID_QN40_RX_BYTES, [](OidCall& c) { return ReadOnlyCounter(c, c.counters.rxBytes); }},
    {OID_QN40_DISCONNECT_STATE, DisconnectState},
    {OID_QN40_ENVIRONMENT_CONDITION, EnvironmentCondition},
    {OID_QN40_REGULATORY_DOMAIN, [](OidCall& c) { return ReadOnlyU32(c, c.state.domain); }},
    {OID_QN40_TRACE_MASK, TraceMask},
    {OID_QN40_INFO_BLOCK, InfoBlock},
    {OID_QN40_TX_POWER, TxPower},
    {OID_QN40_DEVICE_MODE, DeviceMode},
    {OID_QN40_AP_INFO, AccessPointInfo},
    {OID_QN40_RADIO, Radio},
    {OID_QN40_MAC_REGISTER, MacRegister},
    {OID_QN40_BB_REGISTER, BasebandRegister},
    {OID_QN40_EEPROM, Eeprom},
    {OID_QN40_TEST_PARAMETER, TestParameter},
    {OID_QN40_RX_COUNTERS, [](OidCall& c) { return FrameCounters(c, c.counters.rxFrames); }},
    {OID_QN40_RESET_COUNTERS, ResetCounters},
    {OID_QN40_TEST_FRAME, TestFrame},
    {OID_QN40_TEST_RESULT, TestResult},
    {OID_QN40_TEST_START, [](OidCall& c) { return Action(c, [&] { c.state.testRunning = 1; }); }},
    {OID_QN40_TEST_STOP, [](OidCall& c) { return Action(c, [&] { c.state.testRunning = 0; }); }},
    {OID_QN40_TEST_RESET, [](OidCall& c)
     { return Action(c, [&] { c.state.framesSent = c.state.lastFrameLength = c.state.testRunning = 0; }); }},
    {OID_QN40_TX_COUNTERS, [](OidCall& c) { return FrameCounters(c, c.counters.txFrames); }},
    {OID_QN40_TEST_CHANNEL, TestChannel},
    {OID_QN40_CALIBRATE, [](OidCall& c) { return Action(c, [&] { ++c.state.calibrations; }); }},
    {OID_QN40_RELOAD_EEPROM, ReloadEeprom},
};

RequestResult SupportedList(OidCall& c)
{
    std::vector<uint8_t> list(sizeof(uint32_t) * std::size(kOids));
    for (size_t i = 0; i < std::size(kOids); ++i)
        PutU32(&list[4 * i], kOids[i].oid);
    return ReadOnlyBytes(c, list.data(), static_cast<uint32_t>(list.size()), NDIS_STATUS_BUFFER_TOO_SHORT);
}

} // namespace

std::span<const OidEntry> OidTable()
{
    return kOids;
}

RequestResult AnswerOid(OidCall& call)
{
    for (const OidEntry& entry : kOids)
        if (entry.oid == call.request.oid)
            return entry.handler(call);
    return NotSupported();
}

} // namespace sim
