// An open registry key of the handheld, closed with the object, and the few typed reads and writes the
// simulator needs. Everything goes through the registry calls of the platform.
#pragma once

#include <windows.h>

#include <kernel/registry.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim
{

struct RegValue
{
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

class RegKey
{
public:
    RegKey() = default;

    // An invalid object when the key does not exist (or cannot be opened).
    static RegKey Open(HKEY root, std::u16string_view path, REGSAM access = KEY_ALL_ACCESS);
    // Opens the key, creating it and its parents as needed.
    static RegKey Create(HKEY root, std::u16string_view path);

    bool valid() const { return static_cast<bool>(m_key); }
    HKEY get() const { return m_key.get(); }

    std::optional<RegValue> Get(std::u16string_view name) const;
    // REG_SZ text up to its first zero; a REG_DWORD gives its decimal text.
    std::optional<std::u16string> GetString(std::u16string_view name) const;
    // REG_DWORD, or a REG_SZ holding a number in C notation.
    std::optional<int64_t> GetNumber(std::u16string_view name) const;
    std::optional<std::vector<uint8_t>> GetBinary(std::u16string_view name) const;

    LONG SetString(std::u16string_view name, std::u16string_view value);
    LONG SetDword(std::u16string_view name, DWORD value);
    LONG SetBinary(std::u16string_view name, const std::vector<uint8_t>& value);
    LONG DeleteValue(std::u16string_view name);

    std::vector<std::u16string> SubKeys() const;
    std::vector<std::pair<std::u16string, RegValue>> Values() const;

private:
    explicit RegKey(HKEY key) : m_key(key) {}
    ce::UniqueHkey m_key;
};

// Deletes the key with everything below it; a missing key is not an error.
LONG DeleteKeyTree(HKEY root, std::u16string_view path);

// Runs the body as one registry transaction (see kernel/registry.h); returns the body's result.
LONG RegistryTransaction(bool write, const std::function<LONG()>& body);

// Where the simulated world keeps its state.
inline constexpr std::u16string_view kSimulatorKey = u"Simulator";

} // namespace sim
