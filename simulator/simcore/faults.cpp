#include <simcore/faults.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <algorithm>
#include <cctype>

namespace sim
{
namespace
{

constexpr std::u16string_view kFaultsKey = u"Simulator\\Faults";

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::optional<uint32_t> Hex(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return ParseHex32(*text);
}

std::optional<uint32_t> Decimal(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    auto n = ParseNumber(*text);
    if (!n || *n < 0 || *n > 0xFFFFFFFF)
        return std::nullopt;
    return static_cast<uint32_t>(*n);
}

} // namespace

Faults Faults::Load()
{
    Faults faults;
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kFaultsKey, KEY_READ);
    for (const auto& [name, value] : key.Values())
    {
        std::optional<std::u16string> text;
        if (value.type == REG_SZ)
        {
            std::u16string t;
            for (size_t i = 0; i + 1 < value.data.size(); i += 2)
            {
                char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
                if (!c)
                    break;
                t += c;
            }
            text = t;
        }
        else if (value.type == REG_DWORD && value.data.size() == 4)
            text = FromUtf8(std::to_string(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                           (static_cast<uint32_t>(value.data[3]) << 24)));
        if (text)
            faults.m_values[Upper(ToUtf8(name))] = ToUtf8(*text);
    }
    return faults;
}

std::optional<std::string> Faults::Find(const std::string& name) const
{
    auto it = m_values.find(Upper(name));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

std::optional<uint32_t> Faults::Version() const
{
    return Hex(Find("Version"));
}

std::optional<uint32_t> Faults::InitStatus() const
{
    return Hex(Find("Init"));
}

std::optional<uint32_t> Faults::BindError() const
{
    return Decimal(Find("Bind"));
}

std::optional<uint32_t> Faults::IoctlError(uint32_t code) const
{
    return Decimal(Find(FaultName("Ioctl", code)));
}

bool Faults::AdapterRemoved() const
{
    return Decimal(Find("Removed")).value_or(0) != 0;
}

std::optional<uint32_t> Faults::SubmitStatus(uint32_t oid) const
{
    if (auto s = Hex(Find(FaultName("Submit", oid))))
        return s;
    return Hex(Find("Submit.ANY"));
}

std::optional<uint32_t> Faults::PendingMs(uint32_t oid) const
{
    auto text = Find(FaultName("Pending", oid));
    if (!text)
        text = Find("Pending.ANY");
    if (!text)
        return std::nullopt;
    if (Upper(*text) == "FOREVER")
        return kPendingForever;
    return Decimal(text);
}

std::optional<uint32_t> Faults::Status(uint32_t oid, bool set) const
{
    const std::string base = FaultName("Status", oid);
    if (auto s = Hex(Find(base + (set ? ".SET" : ".QUERY"))))
        return s;
    return Hex(Find(base));
}

std::optional<std::vector<uint8_t>> Faults::Answer(uint32_t oid) const
{
    auto text = Find(FaultName("Answer", oid));
    if (!text)
        return std::nullopt;
    return ParseHexBytes(*text);
}

std::optional<uint32_t> Faults::Overreport(uint32_t oid) const
{
    return Decimal(Find(FaultName("Overreport", oid)));
}

std::optional<uint32_t> Faults::AccessFault(RegisterArea area, bool write, uint32_t index) const
{
    return Hex(Find(RegisterFaultName(area, write, index)));
}

std::string FaultName(const std::string& prefix, uint32_t number)
{
    return prefix + "." + Hex32(number);
}

std::string RegisterFaultName(RegisterArea area, bool write, uint32_t index)
{
    const char* base = area == RegisterArea::Baseband ? "Bb" : area == RegisterArea::Mac ? "Mac" : "Eeprom";
    return FaultName(std::string(base) + (write ? "Write" : "Read"), index);
}

long SetFault(const std::string& name, const std::string& value)
{
    return RegKey::Create(HKEY_LOCAL_MACHINE, kFaultsKey).SetString(FromUtf8(name), FromUtf8(value));
}

void ClearFault(const std::string& name)
{
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kFaultsKey);
    const std::string wanted = Upper(name);
    for (const auto& [n, v] : key.Values())
    {
        const std::string upper = Upper(ToUtf8(n));
        // A bare prefix ("Pending") clears every fault of that kind.
        if (upper == wanted || upper.rfind(wanted + ".", 0) == 0)
            key.DeleteValue(n);
    }
}

void ClearFaults()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kFaultsKey);
}

} // namespace sim
