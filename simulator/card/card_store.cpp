#include "card_store.h"

#include <simcore/bytes.h>
#include <simcore/mix.h>
#include <simcore/reg_key.h>

#include <algorithm>

namespace sim
{
namespace
{

std::vector<uint8_t> DefaultBaseband()
{
    std::vector<uint8_t> bb(kBasebandRegisterBytes);
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

} // namespace

std::vector<uint8_t> CardStore::LoadRegisters(std::u16string_view name, size_t size) const
{
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, m_id.storeKey, KEY_READ);
    if (auto bytes = key.GetBinary(name); bytes && bytes->size() == size)
        return *bytes;
    return name == u"Baseband" ? DefaultBaseband() : DefaultMacRegisters();
}

void CardStore::SaveRegisters(std::u16string_view name, const std::vector<uint8_t>& bytes) const
{
    RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey).SetBinary(name, bytes);
}

std::vector<uint8_t> CardStore::LoadEeprom() const
{
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey);
    if (auto bytes = key.GetBinary(u"Eeprom"); bytes && bytes->size() == QN40_EEPROM_WORDS * 2)
        return *bytes;
    auto fresh = DefaultEeprom(m_id.factoryMac);
    key.SetBinary(u"Eeprom", fresh);
    return fresh;
}

void CardStore::SaveEeprom(const std::vector<uint8_t>& bytes) const
{
    RegKey::Create(HKEY_LOCAL_MACHINE, m_id.storeKey).SetBinary(u"Eeprom", bytes);
}

std::array<uint8_t, 6> CardStore::PermanentMac(const std::vector<uint8_t>& eeprom) const
{
    std::array<uint8_t, 6> mac{};
    std::copy(eeprom.begin(), eeprom.begin() + 6, mac.begin());
    const bool blank = std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0xFF; }) ||
                       std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0; });
    if (blank || (mac[0] & 1))
        return m_id.factoryMac;
    return mac;
}

} // namespace sim
