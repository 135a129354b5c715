// Where a wireless miniport keeps what it must find again at its next request: its baseband and MAC
// registers (lost when the card is ejected) and its EEPROM (kept), as values under the instance's store
// key, with the values a card starts with when they are missing.
#pragma once

#include <card/wlan_miniport.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sim
{

inline constexpr uint32_t kBasebandRegisterBytes = 256;
inline constexpr uint16_t kManufacturerId = 0x0A5D;
inline constexpr uint16_t kCardId = 0x3B17;

class CardStore
{
public:
    explicit CardStore(const MiniportIdentity& identity) : m_id(identity) {}

    // The registers, or their reset values. `name`: "Baseband" or "MacRegisters".
    std::vector<uint8_t> LoadRegisters(std::u16string_view name, size_t size) const;
    void SaveRegisters(std::u16string_view name, const std::vector<uint8_t>& bytes) const;
    // The EEPROM (QN40_EEPROM_WORDS little-endian words); a card without one is given its factory image.
    std::vector<uint8_t> LoadEeprom() const;
    void SaveEeprom(const std::vector<uint8_t>& bytes) const;
    // The address in the EEPROM's first three words, or the factory address when they hold none.
    std::array<uint8_t, 6> PermanentMac(const std::vector<uint8_t>& eeprom) const;

    const MiniportIdentity& identity() const { return m_id; }

private:
    const MiniportIdentity& m_id;
};

} // namespace sim
