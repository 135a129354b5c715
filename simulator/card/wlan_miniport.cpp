#include "card_store.h"
#include "oid_handlers.h"

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

constexpr int64_t kLongAgo = 24LL * 3600 * 1000;

} // namespace

MiniportIdentity CardIdentity()
{
    return {u"WLAN11b1", u"Simulator\\Card", u"Comm\\WLAN11b1\\Parms", {0x00, 0x0A, 0x5D, 0x40, 0x51, 0x2C}};
}

WlanMiniport::WlanMiniport(MiniportIdentity identity) : m_id(std::move(identity)) {}

CardState WlanMiniport::FromParameters(int64_t nowMs, bool scan)
{
    CardState s;
    const CardStore store(m_id);
    const auto eeprom = store.LoadEeprom();
    s.mac = store.PermanentMac(eeprom);
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
                            bytes = CardStore(m_id).LoadEeprom();
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
        const CardStore store(m_id);
        LONG rc = RegistryTransaction(true,
                                      [&]
                                      {
                                          OidCall call(request, store, LoadOrStart(), AirSettings::Load(),
                                                       Faults::Load(), clock::NowMs());
                                          result = AnswerOid(call);
                                          if (call.dirty)
                                              Save(call.state);
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

} // namespace sim
