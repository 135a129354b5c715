#include <card/channels.h>
#include <card/wlan_miniport.h>

#include <simcore/bytes.h>
#include <simcore/clock.h>
#include <simcore/faults.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <algorithm>
#include <cstring>

namespace sim
{
namespace
{

constexpr uint16_t kManufacturerId = 0x0A5D;
constexpr uint16_t kCardId = 0x3B17;
constexpr uint32_t kFirmwareVersion = 0x00010503;
constexpr uint32_t kMaxTotalSize = 1514;
constexpr uint32_t kMaxFrameSize = 1500;
constexpr int64_t kLongAgo = 24LL * 3600 * 1000;
constexpr char kDescription[] = "WLAN 802.11b SDIO card";

uint32_t Mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352D;
    x ^= x >> 15;
    x *= 0x846CA68B;
    x ^= x >> 16;
    return x;
}

// Standard 802.11 objects answer as the card's own objects of the same meaning.
uint32_t CardOid(uint32_t oid)
{
    switch (oid)
    {
    case OID_802_11_BSSID:
        return OID_QN40_BSSID;
    case OID_802_11_SSID:
        return OID_QN40_SSID;
    case OID_802_11_RSSI:
        return OID_QN40_RSSI;
    case OID_802_11_INFRASTRUCTURE_MODE:
        return OID_QN40_INFRASTRUCTURE_MODE;
    case OID_802_11_FRAGMENTATION_THRESHOLD:
        return OID_QN40_FRAGMENTATION_THRESHOLD;
    case OID_802_11_RTS_THRESHOLD:
        return OID_QN40_RTS_THRESHOLD;
    case OID_802_11_RX_ANTENNA_SELECTED:
        return OID_QN40_RX_ANTENNA;
    case OID_802_11_SUPPORTED_RATES:
        return OID_QN40_SUPPORTED_RATES;
    case OID_802_11_DESIRED_RATES:
        return OID_QN40_DESIRED_RATES;
    case OID_802_11_CONFIGURATION:
        return OID_QN40_CONFIGURATION;
    case OID_802_11_STATISTICS:
        return OID_QN40_STATISTICS;
    case OID_802_11_DISASSOCIATE:
        return OID_QN40_DISASSOCIATE;
    case OID_802_11_POWER_MODE:
        return OID_QN40_POWER_MODE;
    case OID_802_11_BSSID_LIST:
        return OID_QN40_BSSID_LIST;
    case OID_802_11_AUTHENTICATION_MODE:
        return OID_QN40_AUTHENTICATION_MODE;
    case OID_802_11_BSSID_LIST_SCAN:
        return OID_QN40_BSSID_LIST_SCAN;
    case OID_802_11_WEP_STATUS:
        return OID_QN40_WEP_STATUS;
    default:
        return oid;
    }
}

constexpr uint32_t kSupported[] = {OID_GEN_SUPPORTED_LIST,
                                   OID_GEN_HARDWARE_STATUS,
                                   OID_GEN_MEDIA_SUPPORTED,
                                   OID_GEN_MEDIA_IN_USE,
                                   OID_GEN_MAXIMUM_FRAME_SIZE,
                                   OID_GEN_LINK_SPEED,
                                   OID_GEN_VENDOR_ID,
                                   OID_GEN_VENDOR_DESCRIPTION,
                                   OID_GEN_CURRENT_PACKET_FILTER,
                                   OID_GEN_DRIVER_VERSION,
                                   OID_GEN_MAXIMUM_TOTAL_SIZE,
                                   OID_GEN_MEDIA_CONNECT_STATUS,
                                   OID_GEN_VENDOR_DRIVER_VERSION,
                                   OID_GEN_XMIT_OK,
                                   OID_GEN_RCV_OK,
                                   OID_GEN_XMIT_ERROR,
                                   OID_GEN_RCV_ERROR,
                                   OID_802_3_PERMANENT_ADDRESS,
                                   OID_802_3_CURRENT_ADDRESS,
                                   OID_802_3_MAXIMUM_LIST_SIZE,
                                   OID_802_11_BSSID,
                                   OID_802_11_SSID,
                                   OID_802_11_NETWORK_TYPES_SUPPORTED,
                                   OID_802_11_NETWORK_TYPE_IN_USE,
                                   OID_802_11_RSSI,
                                   OID_802_11_INFRASTRUCTURE_MODE,
                                   OID_802_11_FRAGMENTATION_THRESHOLD,
                                   OID_802_11_RTS_THRESHOLD,
                                   OID_802_11_RX_ANTENNA_SELECTED,
                                   OID_802_11_SUPPORTED_RATES,
                                   OID_802_11_DESIRED_RATES,
                                   OID_802_11_CONFIGURATION,
                                   OID_802_11_STATISTICS,
                                   OID_802_11_DISASSOCIATE,
                                   OID_802_11_POWER_MODE,
                                   OID_802_11_BSSID_LIST,
                                   OID_802_11_AUTHENTICATION_MODE,
                                   OID_802_11_BSSID_LIST_SCAN,
                                   OID_802_11_WEP_STATUS,
                                   OID_QN40_DEVICE_STATE,
                                   OID_QN40_BSSID,
                                   OID_QN40_SSID,
                                   OID_QN40_RSSI,
                                   OID_QN40_INFRASTRUCTURE_MODE,
                                   OID_QN40_FRAGMENTATION_THRESHOLD,
                                   OID_QN40_RTS_THRESHOLD,
                                   OID_QN40_RX_ANTENNA,
                                   OID_QN40_SUPPORTED_RATES,
                                   OID_QN40_DESIRED_RATES,
                                   OID_QN40_CONFIGURATION,
                                   OID_QN40_STATISTICS,
                                   OID_QN40_DISASSOCIATE,
                                   OID_QN40_POWER_MODE,
                                   OID_QN40_BSSID_LIST,
                                   OID_QN40_AUTHENTICATION_MODE,
                                   OID_QN40_BSSID_LIST_SCAN,
                                   OID_QN40_WEP_STATUS,
                                   OID_QN40_WEP_ENABLE,
                                   OID_QN40_PREAMBLE_TYPE,
                                   OID_QN40_LINK_QUALITY,
                                   OID_QN40_FEATURE_FLAGS,
                                   OID_QN40_VENDOR_RECORD,
                                   OID_QN40_KEY,
                                   OID_QN40_TX_BYTES,
                                   OID_QN40_RX_BYTES,
                                   OID_QN40_DISCONNECT_STATE,
                                   OID_QN40_ENVIRONMENT_CONDITION,
                                   OID_QN40_REGULATORY_DOMAIN,
                                   OID_QN40_TRACE_MASK,
                                   OID_QN40_INFO_BLOCK,
                                   OID_QN40_TX_POWER,
                                   OID_QN40_DEVICE_MODE,
                                   OID_QN40_AP_INFO,
                                   OID_QN40_RADIO,
                                   OID_QN40_MAC_REGISTER,
                                   OID_QN40_BB_REGISTER,
                                   OID_QN40_EEPROM,
                                   OID_QN40_TEST_PARAMETER,
                                   OID_QN40_RX_COUNTERS,
                                   OID_QN40_RESET_COUNTERS,
                                   OID_QN40_TEST_FRAME,
                                   OID_QN40_TEST_RESULT,
                                   OID_QN40_TEST_START,
                                   OID_QN40_TEST_STOP,
                                   OID_QN40_TEST_RESET,
                                   OID_QN40_TX_COUNTERS,
                                   OID_QN40_TEST_CHANNEL,
                                   OID_QN40_CALIBRATE,
                                   OID_QN40_RELOAD_EEPROM};

std::vector<uint8_t> DefaultBaseband()
{
    std::vector<uint8_t> bb(256);
    for (uint32_t i = 0; i < bb.size(); ++i)
        bb[i] = static_cast<uint8_t>(Mix(i * 0x9E3779B1u + 0xBB) >> 24);
    bb[0] = 0x5D; // chip revision
    bb[1] = 0x17;
    return bb;
}

std::vector<uint8_t> DefaultMacRegisters()
{
    std::vector<uint8_t> regs(kMacRegisterBytes);
    for (uint32_t a = 0; a < kMacRegisterBytes; a += 4)
        PutU32(&regs[a], Mix(a * 0x85EBCA77u + 0x3C) & 0x3FFFFFFF);
    PutU32(&regs[0x000], 0x0A5D3B17); // chip identity
    PutU32(&regs[0x004], 0x00000105); // revision
    PutU32(&regs[0x2F4], 0x00000011);
    return regs;
}

std::vector<uint8_t> DefaultEeprom(const std::array<uint8_t, 6>& mac)
{
    std::vector<uint16_t> words(QN40_EEPROM_WORDS, 0xFFFF);
    for (int i = 0; i < 3; ++i)
        words[i] = static_cast<uint16_t>(mac[2 * i] | (mac[2 * i + 1] << 8));
    words[3] = 48; // regulatory domain
    words[4] = kManufacturerId;
    words[5] = kCardId;
    words[6] = 0x0001; // function
    words[7] = 0x0105; // firmware
    for (int i = 8; i < 19; ++i)
        words[i] = static_cast<uint16_t>(Mix(static_cast<uint32_t>(i) * 0xC2B2AE35u) >> 16);
    words[19] = 0x4A21; // configuration word
    uint16_t sum = 0;
    for (int i = 0; i < QN40_EEPROM_WORDS - 1; ++i)
        sum = static_cast<uint16_t>(sum + words[i]);
    words[QN40_EEPROM_WORDS - 1] = static_cast<uint16_t>(0xBABA - sum);
    std::vector<uint8_t> bytes(QN40_EEPROM_WORDS * 2);
    for (int i = 0; i < QN40_EEPROM_WORDS; ++i)
        PutU16(&bytes[2 * i], words[i]);
    return bytes;
}

std::array<uint8_t, 6> MacFromEeprom(const std::vector<uint8_t>& eeprom,
                                     const std::array<uint8_t, 6>& fallback)
{
    std::array<uint8_t, 6> mac{};
    std::copy(eeprom.begin(), eeprom.begin() + 6, mac.begin());
    const bool blank = std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0xFF; }) ||
                       std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0; });
    if (blank || (mac[0] & 1))
        return fallback;
    return mac;
}

} // namespace

MiniportIdentity CardIdentity()
{
    return {u"WLAN11b1", u"Simulator\\Card", u"Comm\\WLAN11b1\\Parms", {0x00, 0x0A, 0x5D, 0x40, 0x51, 0x2C}};
}

struct WlanMiniport::Context
{
    CardState state;
    bool dirty = false;
    AirSettings air;
    Faults faults;
    int64_t now = 0;
    LinkView link;
};

WlanMiniport::WlanMiniport(MiniportIdentity identity) : m_id(std::move(identity)) {}

std::vector<uint8_t> WlanMiniport::LoadRegisters(std::u16string_view name, size_t size)
{
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.storeKey, KEY_READ);
    if (auto bytes = key.GetBinary(name); bytes && bytes->size() == size)
        return *bytes;
    return name == u"Baseband" ? DefaultBaseband() : DefaultMacRegisters();
}

void WlanMiniport::SaveRegisters(std::u16string_view name, const std::vector<uint8_t>& bytes)
{
    RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey).SetBinary(name, bytes);
}

std::vector<uint8_t> WlanMiniport::LoadEeprom()
{
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey);
    if (auto bytes = key.GetBinary(u"Eeprom"); bytes && bytes->size() == QN40_EEPROM_WORDS * 2)
        return *bytes;
    auto fresh = DefaultEeprom(m_id.factoryMac);
    key.SetBinary(u"Eeprom", fresh);
    return fresh;
}

CardState WlanMiniport::FromParameters(int64_t nowMs, bool scan)
{
    CardState s;
    const auto eeprom = LoadEeprom();
    s.mac = MacFromEeprom(eeprom, m_id.factoryMac);
    s.domain = GetU16(&eeprom[6]) <= 0xFF ? GetU16(&eeprom[6]) : 48;
    RegKey parms = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.parmsKey, KEY_READ);
    auto number = [&](std::u16string_view name) { return parms.GetNumber(name); };
    if (auto v = number(u"RadioOn"))
        s.radioOn = *v != 0;
    // The utility's power-saving choices: 0 off, 1 "Max" (the card's fast mode), 2 "Fast" (its max mode).
    if (auto v = number(u"PowerMode"))
        s.powerMode = *v == 1   ? Ndis802_11PowerModeFast_PSP
                      : *v == 2 ? Ndis802_11PowerModeMAX_PSP
                                : Ndis802_11PowerModeCAM;
    if (auto v = number(u"Domain"); v && *v > 0 && *v <= 0xFF)
        s.domain = static_cast<uint32_t>(*v);
    // The ad hoc channel: the one chosen on the radio page, else the one the cell was last set to.
    if (auto v = number(u"Channel"); v && *v >= 1 && *v <= 14)
        s.ibssChannel = static_cast<uint32_t>(*v);
    else if (auto w = number(u"IbssChannel"); w && *w >= 1 && *w <= 14)
        s.ibssChannel = static_cast<uint32_t>(*w);
    if (auto v = parms.GetString(u"Ssid"))
    {
        std::string ssid;
        for (char16_t c : *v)
            ssid += static_cast<char>(c <= 0xFF ? c : '?');
        s.desiredSsid = ssid.substr(0, 32);
    }
    if (auto v = number(u"BssType"))
    {
        if (*v == 2)
            s.infrastructure = Ndis802_11IBSS;
        else if (*v == 3)
            s.deviceMode = QN40_DEVICE_MODE_AP;
    }
    if (auto v = number(u"DeviceType"); v && *v == 2)
        s.deviceMode = QN40_DEVICE_MODE_AP;
    if (auto v = number(u"Rate"); v && (*v & 15))
    {
        static const uint8_t rates[4] = {2, 4, 11, 22};
        s.desiredRates.fill(0);
        size_t n = 0;
        for (int bit = 0; bit < 4; ++bit)
            if (*v & (1 << bit))
                s.desiredRates[n++] = rates[bit];
    }
    if (auto v = number(u"RxAntennaNumber"); v && (*v == 0 || *v == 1 || *v == -1))
        s.rxAntenna = static_cast<uint32_t>(*v);
    if (auto v = number(u"EnvironmentCondition"); v && (*v == 0 || *v == 1))
        s.environment = static_cast<uint32_t>(*v);
    if (auto v = number(u"RtsThreshold"); v && *v >= 0 && *v <= 2347)
        s.rtsThreshold = static_cast<uint32_t>(*v);
    if (auto v = number(u"FragThreshold"); v && *v >= 256 && *v <= 2346)
        s.fragThreshold = static_cast<uint32_t>(*v);
    if (auto v = number(u"PreambleType"); v && *v >= 0 && *v <= 2)
        s.preamble = static_cast<uint32_t>(*v);
    if (auto v = number(u"AuthType"); v && *v >= 0 && *v <= 2)
        s.authMode = static_cast<uint32_t>(*v);
    if (auto v = number(u"DebugModule"); v && *v >= 0 && *v <= 0xFFFFFFFF)
        s.traceMask = static_cast<uint32_t>(*v);
    // A card started without a scan (the handheld was running with it) has been connected for a while.
    s.scanStart = scan ? nowMs : nowMs - kLongAgo;
    s.countersSince = nowMs;
    return s;
}

void WlanMiniport::Save(const CardState& state)
{
    RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey).SetBinary(u"State", state.Serialize());
}

CardState WlanMiniport::LoadOrStart()
{
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.storeKey, KEY_READ);
    if (auto blob = key.GetBinary(u"State"))
        if (auto state = CardState::Deserialize(*blob))
            return *state;
    CardState state = FromParameters(clock::NowMs(), false);
    Save(state);
    return state;
}

void WlanMiniport::Start(bool scan, bool powerCycle)
{
    RegistryTransaction(true,
                        [&]
                        {
                            RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey);
                            if (powerCycle)
                            {
                                key.DeleteValue(u"Baseband");
                                key.DeleteValue(u"MacRegisters");
                            }
                            Save(FromParameters(clock::NowMs(), scan));
                            return ERROR_SUCCESS;
                        });
}

void WlanMiniport::Halt()
{
    RegistryTransaction(true,
                        [&]
                        {
                            RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.storeKey);
                            key.DeleteValue(u"State");
                            key.DeleteValue(u"Baseband");
                            key.DeleteValue(u"MacRegisters");
                            return ERROR_SUCCESS;
                        });
}

std::optional<std::string> WlanMiniport::ChangeAir(const std::function<std::optional<std::string>()>& change,
                                                   bool reassociate)
{
    std::optional<std::string> result;
    RegistryTransaction(true,
                        [&]
                        {
                            RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.storeKey, KEY_READ);
                            std::optional<CardState> state;
                            if (auto blob = key.GetBinary(u"State"))
                                state = CardState::Deserialize(*blob);
                            const int64_t now = clock::NowMs();
                            if (state)
                                FoldCounters(*state, AirSettings::Load(), now);
                            result = change();
                            if (result)
                                return ERROR_INVALID_PARAMETER; // nothing changed: roll back
                            if (state)
                            {
                                // A station looks for the changed network again; a cell or access point of
                                // its own stays up.
                                if (reassociate && state->infrastructure != Ndis802_11IBSS &&
                                    state->deviceMode != QN40_DEVICE_MODE_AP)
                                    state->scanStart = now;
                                Save(*state);
                            }
                            return ERROR_SUCCESS;
                        });
    return result;
}

CardState WlanMiniport::State()
{
    CardState state;
    RegistryTransaction(true,
                        [&]
                        {
                            state = LoadOrStart();
                            return ERROR_SUCCESS;
                        });
    return state;
}

LinkView WlanMiniport::Link()
{
    return ComputeLink(State(), AirSettings::Load(), clock::NowMs());
}

TrafficCounters WlanMiniport::Counters()
{
    return CountersAt(State(), AirSettings::Load(), clock::NowMs());
}

std::vector<uint16_t> WlanMiniport::Eeprom()
{
    std::vector<uint8_t> bytes;
    RegistryTransaction(true,
                        [&]
                        {
                            bytes = LoadEeprom();
                            return ERROR_SUCCESS;
                        });
    std::vector<uint16_t> words(QN40_EEPROM_WORDS);
    for (int i = 0; i < QN40_EEPROM_WORDS; ++i)
        words[i] = GetU16(&bytes[2 * i]);
    return words;
}

RequestResult WlanMiniport::Request(const OidRequest& request)
{
    if (request.length && !request.buffer)
        return Failed(NDIS_STATUS_INVALID_DATA);
    RequestResult result = Failed(NDIS_STATUS_FAILURE);
    try
    {
        LONG rc = RegistryTransaction(true,
                                      [&]
                                      {
                                          Context ctx;
                                          ctx.state = LoadOrStart();
                                          ctx.air = AirSettings::Load();
                                          ctx.faults = Faults::Load();
                                          ctx.now = clock::NowMs();
                                          if (request.set)
                                              FoldCounters(ctx.state, ctx.air, ctx.now);
                                          ctx.link = ComputeLink(ctx.state, ctx.air, ctx.now);
                                          result = Dispatch(ctx, request);
                                          if (ctx.dirty)
                                              Save(ctx.state);
                                          return ERROR_SUCCESS;
                                      });
        if (rc != ERROR_SUCCESS)
            result = Failed(NDIS_STATUS_FAILURE);
    }
    catch (...)
    {
        result = Failed(NDIS_STATUS_RESOURCES);
    }
    return result;
}

RequestResult WlanMiniport::Dispatch(Context& ctx, const OidRequest& r)
{
    using Phase = LinkView::Phase;
    CardState& s = ctx.state;
    const LinkView& link = ctx.link;
    uint8_t* buf = r.buffer;
    const uint32_t oid = CardOid(r.oid);

    auto queryU32 = [&](uint32_t value)
    {
        if (r.length < 4)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
        PutU32(buf, value);
        return Done(4);
    };
    // A counter answers in 32 bits to a 4-byte buffer and in 64 bits to a larger one.
    auto queryCounter = [&](uint64_t value)
    {
        if (r.length >= 8)
        {
            PutU64(buf, value);
            return Done(8);
        }
        if (r.length >= 4)
        {
            PutU32(buf, static_cast<uint32_t>(value));
            return Done(4);
        }
        return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
    };
    auto queryBytes =
        [&](const void* data, uint32_t size, NDIS_STATUS shortStatus = NDIS_STATUS_INVALID_LENGTH)
    {
        if (r.length < size)
            return TooShort(shortStatus, size);
        std::memcpy(buf, data, size);
        return Done(size);
    };
    // A set of one u32 that `accept` checks and `apply` stores.
    auto setU32 = [&](auto accept, auto apply)
    {
        if (r.length < 4)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
        const uint32_t v = GetU32(buf);
        if (!accept(v))
            return Failed(NDIS_STATUS_INVALID_DATA);
        apply(v);
        ctx.dirty = true;
        return Done(4);
    };
    auto rescan = [&]
    {
        s.disassociated = false;
        s.scanStart = ctx.now;
        ctx.dirty = true;
    };
    auto notSupported = [] { return Failed(NDIS_STATUS_NOT_SUPPORTED); };
    const TrafficCounters counters = CountersAt(s, ctx.air, ctx.now);

    switch (oid)
    {
    // General objects.
    case OID_GEN_SUPPORTED_LIST:
    {
        if (r.set)
            return notSupported();
        std::vector<uint8_t> list(sizeof(kSupported));
        for (size_t i = 0; i < std::size(kSupported); ++i)
            PutU32(&list[4 * i], kSupported[i]);
        return queryBytes(list.data(), static_cast<uint32_t>(list.size()), NDIS_STATUS_BUFFER_TOO_SHORT);
    }
    case OID_GEN_HARDWARE_STATUS:
        return r.set ? notSupported() : queryU32(NdisHardwareStatusReady);
    case OID_GEN_MEDIA_SUPPORTED:
    case OID_GEN_MEDIA_IN_USE:
        return r.set ? notSupported() : queryU32(NdisMedium802_3);
    case OID_GEN_MAXIMUM_FRAME_SIZE:
        return r.set ? notSupported() : queryU32(kMaxFrameSize);
    case OID_GEN_MAXIMUM_TOTAL_SIZE:
        return r.set ? notSupported() : queryU32(kMaxTotalSize);
    case OID_GEN_LINK_SPEED:
        return r.set ? notSupported() : queryU32(LinkSpeedFor(s, link));
    case OID_GEN_MEDIA_CONNECT_STATUS:
        return r.set ? notSupported()
                     : queryU32(link.phase == Phase::Connected ? NdisMediaStateConnected
                                                               : NdisMediaStateDisconnected);
    case OID_GEN_VENDOR_ID:
        return r.set ? notSupported() : queryU32(s.mac[0] | (s.mac[1] << 8) | (s.mac[2] << 16) | (1u << 24));
    case OID_GEN_VENDOR_DESCRIPTION:
        return r.set ? notSupported()
                     : queryBytes(kDescription, sizeof(kDescription), NDIS_STATUS_BUFFER_TOO_SHORT);
    case OID_GEN_DRIVER_VERSION:
    {
        if (r.set)
            return notSupported();
        const uint8_t version[2] = {0x01, 0x05}; // NDIS 5.1
        return queryBytes(version, 2);
    }
    case OID_GEN_VENDOR_DRIVER_VERSION:
        return r.set ? notSupported() : queryU32(kVendorDriverVersion);
    case OID_GEN_CURRENT_PACKET_FILTER:
        if (r.set)
            return setU32([](uint32_t v) { return v <= 0xFFFF; }, [&](uint32_t v) { s.packetFilter = v; });
        return queryU32(s.packetFilter);
    case OID_GEN_XMIT_OK:
        return r.set ? notSupported() : queryCounter(counters.txFrames);
    case OID_GEN_RCV_OK:
        return r.set ? notSupported() : queryCounter(counters.rxFrames);
    case OID_GEN_XMIT_ERROR:
        return r.set ? notSupported() : queryCounter(counters.txErrors);
    case OID_GEN_RCV_ERROR:
        return r.set ? notSupported() : queryCounter(counters.rxErrors);
    case OID_802_3_PERMANENT_ADDRESS:
    {
        if (r.set)
            return notSupported();
        const auto eeprom = LoadEeprom();
        const auto mac = MacFromEeprom(eeprom, m_id.factoryMac);
        return queryBytes(mac.data(), 6);
    }
    case OID_802_3_CURRENT_ADDRESS:
        return r.set ? notSupported() : queryBytes(s.mac.data(), 6);
    case OID_802_3_MAXIMUM_LIST_SIZE:
        return r.set ? notSupported() : queryU32(32);

    // 802.11 objects without a card number of their own.
    case OID_802_11_NETWORK_TYPE_IN_USE:
        if (r.set)
            return setU32([](uint32_t v) { return v == Ndis802_11DS; }, [](uint32_t) {});
        return queryU32(Ndis802_11DS);
    case OID_802_11_NETWORK_TYPES_SUPPORTED:
    {
        if (r.set)
            return notSupported();
        uint8_t list[8];
        PutU32(list, 1);
        PutU32(list + 4, Ndis802_11DS);
        return queryBytes(list, 8, NDIS_STATUS_BUFFER_TOO_SHORT);
    }

    // The card's objects.
    case OID_QN40_DEVICE_STATE:
    {
        if (r.set)
            return notSupported();
        uint32_t state = QN40_DEVICE_STATE_SCANNING;
        if (link.phase == Phase::RadioOff)
            state = QN40_DEVICE_STATE_RADIO_OFF;
        else if (link.phase == Phase::Connected)
            state = QN40_DEVICE_STATE_CONNECTED;
        else if (link.phase == Phase::Joined)
            state = QN40_DEVICE_STATE_JOINED;
        return queryU32(state);
    }
    case OID_QN40_BSSID:
        if (r.set)
        {
            if (r.length < 6)
                return TooShort(NDIS_STATUS_INVALID_LENGTH, 6);
            std::copy(buf, buf + 6, s.desiredBssid.begin());
            // The broadcast address (or zero) lets the card join any network again.
            s.bssidLocked = !std::all_of(buf, buf + 6, [](uint8_t b) { return b == 0xFF; }) &&
                            !std::all_of(buf, buf + 6, [](uint8_t b) { return b == 0; });
            rescan();
            return Done(6);
        }
        if (!link.Associated())
            return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
        return queryBytes(link.bssid.data(), 6);
    case OID_QN40_SSID:
        if (r.set)
        {
            if (r.length < sizeof(NDIS_802_11_SSID))
                return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_SSID));
            const uint32_t length = GetU32(buf);
            if (length > 32)
                return Failed(NDIS_STATUS_INVALID_DATA);
            s.desiredSsid.assign(reinterpret_cast<const char*>(buf + 4), length);
            rescan();
            return Done(sizeof(NDIS_802_11_SSID));
        }
        else
        {
            if (r.length < sizeof(NDIS_802_11_SSID))
                return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_SSID));
            uint8_t record[sizeof(NDIS_802_11_SSID)] = {};
            const std::string ssid = link.Associated() ? link.ssid : std::string();
            PutU32(record, static_cast<uint32_t>(ssid.size()));
            std::memcpy(record + 4, ssid.data(), ssid.size());
            return queryBytes(record, sizeof(record));
        }
    case OID_QN40_RSSI:
        if (r.set)
            return notSupported();
        if (!link.Associated())
            return Failed(NDIS_STATUS_ADAPTER_NOT_READY);
        return queryU32(static_cast<uint32_t>(link.rssi));
    case OID_QN40_LINK_QUALITY:
        return r.set ? notSupported() : queryU32(link.Associated() ? static_cast<uint32_t>(link.quality) : 0);
    case OID_QN40_INFRASTRUCTURE_MODE:
        if (r.set)
            return setU32([](uint32_t v) { return v <= Ndis802_11AutoUnknown; },
                          [&](uint32_t v)
                          {
                              if (v != s.infrastructure)
                                  rescan();
                              s.infrastructure = v;
                          });
        return queryU32(s.infrastructure);
    case OID_QN40_FRAGMENTATION_THRESHOLD:
        if (r.set)
            return setU32([](uint32_t v) { return v >= 256 && v <= 2346; },
                          [&](uint32_t v) { s.fragThreshold = v; });
        return queryU32(s.fragThreshold);
    case OID_QN40_RTS_THRESHOLD:
        if (r.set)
            return setU32([](uint32_t v) { return v <= 2347; }, [&](uint32_t v) { s.rtsThreshold = v; });
        return queryU32(s.rtsThreshold);
    case OID_QN40_RX_ANTENNA:
        if (r.set)
            return setU32([](uint32_t v) { return v == 0 || v == 1 || v == 0xFFFFFFFF; },
                          [&](uint32_t v) { s.rxAntenna = v; });
        return queryU32(s.rxAntenna);
    case OID_QN40_SUPPORTED_RATES:
    {
        if (r.set)
            return notSupported();
        const uint8_t rates[8] = {2, 4, 11, 22, 0, 0, 0, 0};
        return queryBytes(rates, 8);
    }
    case OID_QN40_DESIRED_RATES:
        if (r.set)
        {
            if (r.length < 8)
                return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
            std::array<uint8_t, 8> rates{};
            size_t n = 0;
            for (size_t i = 0; i < 8 && buf[i]; ++i)
            {
                const uint8_t rate = buf[i] & 0x7F;
                if (rate != 2 && rate != 4 && rate != 11 && rate != 22)
                    return Failed(NDIS_STATUS_INVALID_DATA);
                rates[n++] = rate;
            }
            if (n == 0)
                return Failed(NDIS_STATUS_INVALID_DATA);
            s.desiredRates = rates;
            ctx.dirty = true;
            return Done(8);
        }
        return queryBytes(s.desiredRates.data(), 8);
    case OID_QN40_CONFIGURATION:
        if (r.set)
        {
            if (r.length < sizeof(NDIS_802_11_CONFIGURATION))
                return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(NDIS_802_11_CONFIGURATION));
            const uint32_t beacon = GetU32(buf + 4), atim = GetU32(buf + 8),
                           channel = FrequencyChannel(GetU32(buf + 12));
            if (beacon < 1 || beacon > 1024 || atim > beacon || channel == 0)
                return Failed(NDIS_STATUS_INVALID_DATA);
            s.beaconPeriod = beacon;
            s.atimWindow = atim;
            if (channel != s.ibssChannel &&
                (s.infrastructure == Ndis802_11IBSS || s.deviceMode == QN40_DEVICE_MODE_AP))
                rescan();
            s.ibssChannel = channel;
            ctx.dirty = true;
            return Done(sizeof(NDIS_802_11_CONFIGURATION));
        }
        else
        {
            uint8_t record[sizeof(NDIS_802_11_CONFIGURATION)] = {};
            uint32_t channel = link.Associated() ? link.channel : s.ibssChannel;
            PutU32(record, sizeof(record));
            PutU32(record + 4, s.beaconPeriod);
            PutU32(record + 8, s.atimWindow);
            PutU32(record + 12, ChannelFrequency(channel));
            return queryBytes(record, sizeof(record));
        }
    case OID_QN40_STATISTICS:
    {
        if (r.set)
            return notSupported();
        const uint64_t tx = counters.txFrames, rx = counters.rxFrames;
        const uint64_t values[12] = {tx,      tx / 20,          counters.txErrors, tx / 10,  tx / 40,
                                     tx / 50, tx / 500,         tx / 30,           rx / 100, rx,
                                     rx / 8,  counters.rxErrors};
        uint8_t record[sizeof(NDIS_802_11_STATISTICS)] = {};
        PutU32(record, sizeof(record));
        for (int i = 0; i < 12; ++i)
            PutU64(record + 8 + 8 * i, values[i]);
        return queryBytes(record, sizeof(record));
    }
    case OID_QN40_DISASSOCIATE:
        if (!r.set)
            return notSupported();
        if (s.infrastructure != Ndis802_11IBSS && s.deviceMode != QN40_DEVICE_MODE_AP)
            s.disassociated = true;
        ctx.dirty = true;
        return Done(0);
    case OID_QN40_POWER_MODE:
        if (r.set)
            return setU32([](uint32_t v) { return v <= Ndis802_11PowerModeFast_PSP; },
                          [&](uint32_t v) { s.powerMode = v; });
        return queryU32(s.powerMode);
    case OID_QN40_BSSID_LIST:
    {
        if (r.set)
            return notSupported();
        std::vector<AirNetwork> networks;
        if (s.radioOn)
            for (const auto& n : ctx.air.Networks(ctx.now))
                if (DomainAllows(s.domain, n.channel))
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
        return queryBytes(list.data(), static_cast<uint32_t>(list.size()), NDIS_STATUS_BUFFER_TOO_SHORT);
    }
    case OID_QN40_AUTHENTICATION_MODE:
        if (r.set)
            return setU32([](uint32_t v) { return v <= Ndis802_11AuthModeAutoSwitch; },
                          [&](uint32_t v) { s.authMode = v; });
        return queryU32(s.authMode);
    case OID_QN40_BSSID_LIST_SCAN:
        if (!r.set)
            return notSupported();
        if (s.disassociated || link.phase == Phase::Scanning)
            rescan();
        return Done(0);
    case OID_QN40_WEP_STATUS:
    case OID_QN40_WEP_ENABLE:
        if (r.set)
            return setU32([](uint32_t v) { return v <= Ndis802_11WEPDisabled; },
                          [&](uint32_t v) { s.wepEnabled = v == Ndis802_11WEPEnabled; });
        if (oid == OID_QN40_WEP_ENABLE)
            return queryU32(s.wepEnabled ? Ndis802_11WEPEnabled : Ndis802_11WEPDisabled);
        return queryU32(!s.wepEnabled ? Ndis802_11WEPDisabled
                        : s.keySet    ? Ndis802_11WEPEnabled
                                      : Ndis802_11WEPKeyAbsent);
    case OID_QN40_PREAMBLE_TYPE:
        if (r.set)
            return setU32([](uint32_t v) { return v <= 2; }, [&](uint32_t v) { s.preamble = v; });
        return queryU32(s.preamble);
    case OID_QN40_FEATURE_FLAGS:
        if (r.set)
        {
            if (r.length < 8)
                return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
            s.featureFlags = {GetU32(buf), GetU32(buf + 4)};
            ctx.dirty = true;
            return Done(8);
        }
        else
        {
            uint8_t record[8];
            PutU32(record, s.featureFlags[0]);
            PutU32(record + 4, s.featureFlags[1]);
            return queryBytes(record, 8);
        }
    case OID_QN40_VENDOR_RECORD:
        if (r.set)
        {
            if (r.length < sizeof(QN40_VENDOR_RECORD))
                return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_VENDOR_RECORD));
            const uint32_t index = GetU32(buf);
            if (index >= 16)
                return Failed(NDIS_STATUS_INVALID_DATA);
            if (buf[9] == 0xFF)
                s.vendorSelected = index;
            else
                std::memcpy(&s.vendorRecords[index * 48], buf, 48);
            ctx.dirty = true;
            return Done(sizeof(QN40_VENDOR_RECORD));
        }
        else
        {
            uint8_t record[48];
            std::memcpy(record, &s.vendorRecords[s.vendorSelected * 48], 48);
            PutU32(record, s.vendorSelected);
            return queryBytes(record, 48);
        }
    case OID_QN40_KEY:
        if (r.set)
        {
            if (r.length < sizeof(QN40_KEY_RECORD))
                return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_KEY_RECORD));
            if (buf[16] > 1)
                return Failed(NDIS_STATUS_INVALID_DATA);
            std::copy(buf, buf + 17, s.key.begin());
            s.keySet = true;
            ctx.dirty = true;
            return Done(sizeof(QN40_KEY_RECORD));
        }
        return queryBytes(s.key.data(), sizeof(QN40_KEY_RECORD));
    case OID_QN40_TX_BYTES:
        return r.set ? notSupported() : queryCounter(counters.txBytes);
    case OID_QN40_RX_BYTES:
        return r.set ? notSupported() : queryCounter(counters.rxBytes);
    case OID_QN40_DISCONNECT_STATE:
        if (r.set)
            return notSupported();
        return queryU32(link.phase == Phase::Scanning ? QN40_DISCONNECT_SCANNING
                        : link.phase == Phase::Joined ? QN40_DISCONNECT_JOINED
                                                      : QN40_DISCONNECT_NONE);
    case OID_QN40_ENVIRONMENT_CONDITION:
        if (r.set)
            return setU32([](uint32_t v) { return v <= 1; }, [&](uint32_t v) { s.environment = v; });
        return queryU32(s.environment);
    case OID_QN40_REGULATORY_DOMAIN:
        return r.set ? notSupported() : queryU32(s.domain);
    case OID_QN40_TRACE_MASK:
        if (r.set)
            return setU32([](uint32_t) { return true; }, [&](uint32_t v) { s.traceMask = v; });
        return queryU32(s.traceMask);
    case OID_QN40_INFO_BLOCK:
    {
        if (r.set)
            return notSupported();
        std::vector<uint8_t> block(sizeof(QN40_INFO_BLOCK));
        PutU32(&block[0], sizeof(QN40_INFO_BLOCK));
        PutU32(&block[4], kFirmwareVersion);
        PutU32(&block[8], kVendorDriverVersion);
        const auto permanent = MacFromEeprom(LoadEeprom(), m_id.factoryMac);
        std::copy(permanent.begin(), permanent.end(), &block[12]);
        std::copy(s.mac.begin(), s.mac.end(), &block[18]);
        PutU16(&block[24], kManufacturerId);
        PutU16(&block[26], kCardId);
        PutU32(&block[28], s.domain);
        PutU32(&block[32], link.Associated() ? link.channel : s.ibssChannel);
        PutU32(&block[36], static_cast<uint32_t>(link.phase));
        std::memcpy(&block[40], kDescription, sizeof(kDescription));
        return queryBytes(block.data(), static_cast<uint32_t>(block.size()));
    }
    case OID_QN40_TX_POWER:
        if (r.set)
            return setU32([](uint32_t v) { return v >= 1 && v <= 100; }, [&](uint32_t v) { s.txPower = v; });
        return queryU32(s.txPower);
    case OID_QN40_DEVICE_MODE:
        if (r.set)
            return setU32([](uint32_t v)
                          { return v == QN40_DEVICE_MODE_STATION || v == QN40_DEVICE_MODE_AP; },
                          [&](uint32_t v)
                          {
                              if (v != s.deviceMode)
                                  rescan();
                              s.deviceMode = v;
                          });
        return queryU32(s.deviceMode);
    case OID_QN40_AP_INFO:
    {
        if (r.set)
            return notSupported();
        uint8_t record[sizeof(QN40_AP_INFO)];
        const bool ap = s.deviceMode == QN40_DEVICE_MODE_AP && link.phase == Phase::Connected;
        PutU32(record, sizeof(record));
        PutU32(record + 4, 3); // 802.11b only
        PutU32(record + 8, ap ? link.channel : 0);
        PutU32(record + 12, s.beaconPeriod);
        PutU32(record + 16, ap ? (ctx.air.seed % 3) + 1 : 0);
        return queryBytes(record, sizeof(record));
    }
    case OID_QN40_RADIO:
        if (r.set)
            return setU32([](uint32_t v) { return v <= 1; },
                          [&](uint32_t v)
                          {
                              if (v && !s.radioOn)
                                  rescan();
                              s.radioOn = v != 0;
                          });
        return queryU32(s.radioOn ? 1 : 0);
    case OID_QN40_MAC_REGISTER:
    {
        if (r.length < sizeof(QN40_MAC_REGISTER_ACCESS))
            return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_MAC_REGISTER_ACCESS));
        const bool read = buf[0] == 1;
        const uint32_t address = GetU32(buf + 4);
        if ((buf[0] != 0 && buf[0] != 1) || address >= kMacRegisterBytes || (address & 3))
            return Failed(NDIS_STATUS_INVALID_DATA);
        if (r.set && !read)
        {
            if (auto fault = ctx.faults.AccessFault(RegisterArea::Mac, true, address))
                return Failed(static_cast<NDIS_STATUS>(*fault));
            auto regs = LoadRegisters(u"MacRegisters", kMacRegisterBytes);
            PutU32(&regs[address], GetU32(buf + 8));
            SaveRegisters(u"MacRegisters", regs);
            return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
        }
        if (r.set) // a read is asked by a set and answered by the query that follows
            return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
        if (auto fault = ctx.faults.AccessFault(RegisterArea::Mac, false, address))
            return Failed(static_cast<NDIS_STATUS>(*fault));
        const auto regs = LoadRegisters(u"MacRegisters", kMacRegisterBytes);
        uint32_t value = GetU32(&regs[address]);
        if (address == 0x2F4) // bit 30: the radio is on
            value = (value & ~(1u << 30)) | (s.radioOn ? 1u << 30 : 0);
        PutU32(buf + 8, value);
        return Done(sizeof(QN40_MAC_REGISTER_ACCESS));
    }
    case OID_QN40_BB_REGISTER:
    {
        if (r.length < sizeof(QN40_BB_REGISTER_ACCESS))
            return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_BB_REGISTER_ACCESS));
        if (buf[0] != 0 && buf[0] != 1)
            return Failed(NDIS_STATUS_INVALID_DATA);
        const bool read = buf[0] == 1;
        const uint8_t index = buf[1];
        if (r.set && !read)
        {
            if (auto fault = ctx.faults.AccessFault(RegisterArea::Baseband, true, index))
                return Failed(static_cast<NDIS_STATUS>(*fault));
            auto regs = LoadRegisters(u"Baseband", 256);
            regs[index] = buf[2];
            SaveRegisters(u"Baseband", regs);
            return Done(sizeof(QN40_BB_REGISTER_ACCESS));
        }
        if (r.set)
            return Done(sizeof(QN40_BB_REGISTER_ACCESS));
        if (auto fault = ctx.faults.AccessFault(RegisterArea::Baseband, false, index))
            return Failed(static_cast<NDIS_STATUS>(*fault));
        buf[2] = LoadRegisters(u"Baseband", 256)[index];
        return Done(sizeof(QN40_BB_REGISTER_ACCESS));
    }
    case OID_QN40_EEPROM:
    {
        if (r.length < sizeof(QN40_EEPROM_ACCESS))
            return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_EEPROM_ACCESS));
        if (buf[0] > 1 || buf[1] > 1)
            return Failed(NDIS_STATUS_INVALID_DATA);
        const bool read = buf[0] == 1, oneWord = buf[1] == 1;
        const uint8_t word = buf[2];
        if (!oneWord)
        {
            if (!read)
                return Failed(NDIS_STATUS_INVALID_DATA); // the size cannot be written
            if (!r.set)
                PutU16(buf + 4, QN40_EEPROM_WORDS * 2);
            return Done(sizeof(QN40_EEPROM_ACCESS));
        }
        if (word >= QN40_EEPROM_WORDS)
            return Failed(NDIS_STATUS_INVALID_DATA);
        if (r.set && !read)
        {
            if (auto fault = ctx.faults.AccessFault(RegisterArea::Eeprom, true, word))
                return Failed(static_cast<NDIS_STATUS>(*fault));
            auto eeprom = LoadEeprom();
            PutU16(&eeprom[2 * word], GetU16(buf + 4));
            RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey).SetBinary(u"Eeprom", eeprom);
            return Done(sizeof(QN40_EEPROM_ACCESS));
        }
        if (r.set)
            return Done(sizeof(QN40_EEPROM_ACCESS));
        if (auto fault = ctx.faults.AccessFault(RegisterArea::Eeprom, false, word))
            return Failed(static_cast<NDIS_STATUS>(*fault));
        PutU16(buf + 4, GetU16(&LoadEeprom()[2 * word]));
        return Done(sizeof(QN40_EEPROM_ACCESS));
    }
    case OID_QN40_TEST_PARAMETER:
    {
        if (r.length < 8)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
        const uint32_t number = GetU32(buf);
        if (r.set)
        {
            if (s.testParameters.size() >= 64 && !s.testParameters.count(number))
                return Failed(NDIS_STATUS_RESOURCES);
            s.testParameters[number] = GetU32(buf + 4);
            ctx.dirty = true;
            return Done(8);
        }
        auto it = s.testParameters.find(number);
        PutU32(buf + 4, it == s.testParameters.end() ? 0 : it->second);
        return Done(8);
    }
    case OID_QN40_RX_COUNTERS:
    case OID_QN40_TX_COUNTERS:
    {
        if (r.set)
            return notSupported();
        const uint64_t frames = oid == OID_QN40_RX_COUNTERS ? counters.rxFrames : counters.txFrames;
        uint8_t record[sizeof(QN40_COUNTERS)] = {};
        PutU32(record + 4, static_cast<uint32_t>(frames / 4));
        PutU32(record + 8, static_cast<uint32_t>(frames / 16));
        PutU32(record + 12, static_cast<uint32_t>(frames / 64));
        return queryBytes(record, sizeof(record));
    }
    case OID_QN40_RESET_COUNTERS:
        if (!r.set)
            return notSupported();
        s.txBytesBase = s.rxBytesBase = 0;
        s.countersSince = ctx.now;
        ctx.dirty = true;
        return Done(0);
    case OID_QN40_TEST_FRAME:
    {
        if (!r.set)
            return notSupported();
        if (r.length < sizeof(QN40_TEST_FRAME))
            return TooShort(NDIS_STATUS_INVALID_LENGTH, sizeof(QN40_TEST_FRAME));
        const uint32_t length = GetU32(buf);
        if (length > sizeof(QN40_TEST_FRAME::Data))
            return Failed(NDIS_STATUS_INVALID_DATA);
        const uint32_t repeat = std::max<uint32_t>(1, std::min<uint32_t>(GetU32(buf + 4 + 2348), 1000000));
        s.framesSent += repeat;
        s.lastFrameLength = length;
        ctx.dirty = true;
        return Done(sizeof(QN40_TEST_FRAME));
    }
    case OID_QN40_TEST_RESULT:
    {
        if (r.set)
            return notSupported();
        uint8_t record[sizeof(QN40_TEST_RESULT)] = {};
        const uint32_t fields[7] = {sizeof(record), s.framesSent, s.lastFrameLength, s.testRunning,
                                    s.testChannel,  s.testPower,  s.calibrations};
        for (int i = 0; i < 7; ++i)
            PutU32(record + 4 * i, fields[i]);
        return queryBytes(record, sizeof(record));
    }
    case OID_QN40_TEST_START:
    case OID_QN40_TEST_STOP:
    case OID_QN40_TEST_RESET:
        if (!r.set)
            return notSupported();
        if (oid == OID_QN40_TEST_RESET)
            s.framesSent = s.lastFrameLength = s.testRunning = 0;
        else
            s.testRunning = oid == OID_QN40_TEST_START ? 1 : 0;
        ctx.dirty = true;
        return Done(0);
    case OID_QN40_TEST_CHANNEL:
        if (r.set)
        {
            if (r.length < 8)
                return TooShort(NDIS_STATUS_INVALID_LENGTH, 8);
            const uint32_t channel = GetU32(buf), power = GetU32(buf + 4);
            if (channel < 1 || channel > 14 || power > 100)
                return Failed(NDIS_STATUS_INVALID_DATA);
            s.testChannel = channel;
            s.testPower = power;
            ctx.dirty = true;
            return Done(8);
        }
        else
        {
            uint8_t record[8];
            PutU32(record, s.testChannel);
            PutU32(record + 4, s.testPower);
            return queryBytes(record, 8);
        }
    case OID_QN40_CALIBRATE:
        if (!r.set)
            return notSupported();
        ++s.calibrations;
        ctx.dirty = true;
        return Done(0);
    case OID_QN40_RELOAD_EEPROM:
    {
        if (!r.set)
            return notSupported();
        const auto eeprom = LoadEeprom();
        s.mac = MacFromEeprom(eeprom, m_id.factoryMac);
        ctx.dirty = true;
        return Done(0);
    }
    default:
        return notSupported();
    }
}

} // namespace sim
