// The miniport of the wireless card (instance WLAN11b1): answers the NDIS requests for the card from its
// state in the registry, the air and the simulated clock. Several objects for one instance, in one process
// or many, are the same card: nothing is kept in the object between requests.
//
// Registry: the instance's parameters under HKLM\Comm\<name>\Parms, read when the miniport starts and on
// a rebind; its running state, baseband registers and MAC registers (lost when the card is ejected) and its
// EEPROM (kept) as values under the store key (HKLM\Simulator\Card for the card).
#pragma once

#include <card/air.h>
#include <card/card_state.h>
#include <card/request.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

struct MiniportIdentity
{
    std::u16string name;     // "WLAN11b1"
    std::u16string storeKey; // below HKLM
    std::u16string parmsKey; // below HKLM
    std::array<uint8_t, 6> factoryMac{};
};

// The SD card's instance.
MiniportIdentity CardIdentity();

inline constexpr uint32_t kMacRegisterBytes = 0x500;
inline constexpr uint32_t kVendorDriverVersion = 0x00020001;

class WlanMiniport
{
public:
    explicit WlanMiniport(MiniportIdentity identity);

    RequestResult Request(const OidRequest& request);

    // Starts the miniport afresh from its registry parameters. `scan`: the card looks for its network
    // first (otherwise it counts as having been associated all along). `powerCycle`: the registers go
    // back to their reset values too.
    void Start(bool scan, bool powerCycle);
    // The card is gone: its running state and registers are lost; the EEPROM stays.
    void Halt();
    // Runs `change` (a change of the air) with the counters taken up to now first; `reassociate` makes the
    // card look for its network again. Returns what `change` returned.
    std::optional<std::string> ChangeAir(const std::function<std::optional<std::string>()>& change,
                                         bool reassociate);

    // For cardctl status and tests: the running state (started if needed) and what follows from it now.
    CardState State();
    LinkView Link();
    TrafficCounters Counters();
    std::vector<uint16_t> Eeprom();
    const MiniportIdentity& identity() const { return m_id; }

private:
    CardState LoadOrStart();
    CardState FromParameters(int64_t nowMs, bool scan);
    void Save(const CardState& state);

    MiniportIdentity m_id;
};

} // namespace sim
