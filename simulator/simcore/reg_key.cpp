#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <kernel/registry.h>

namespace sim
{

RegKey RegKey::Open(HKEY root, std::u16string_view path, REGSAM access)
{
    std::u16string p(path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, p.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

RegKey RegKey::Create(HKEY root, std::u16string_view path)
{
    std::u16string p(path);
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, p.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

std::optional<RegValue> RegKey::Get(std::u16string_view name) const
{
    if (!m_key)
        return std::nullopt;
    std::u16string n(name);
    // One query into a buffer of this size, which the simulator's values fit (the card's state and
    // register blocks among them); a second one only for a larger value.
    constexpr DWORD kFirstSize = 2048;
    RegValue value;
    value.data.resize(kFirstSize);
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        DWORD type = 0, got = static_cast<DWORD>(value.data.size());
        const LONG rc = RegQueryValueExW(m_key.get(), n.c_str(), nullptr, &type, value.data.data(), &got);
        if (rc == ERROR_MORE_DATA)
        {
            value.data.resize(got); // the size it has now; it may still change under us
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return std::nullopt;
        value.type = type;
        value.data.resize(got);
        return value;
    }
    return std::nullopt;
}

namespace
{

uint32_t Dword(const RegValue& value)
{
    return value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
           (static_cast<uint32_t>(value.data[3]) << 24);
}

// The text of a REG_SZ (up to its first zero), or the decimal text of a REG_DWORD.
std::optional<std::u16string> TextOf(const RegValue& value)
{
    if (value.type == REG_DWORD && value.data.size() == 4)
        return FromUtf8(std::to_string(Dword(value)));
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2)
    {
        char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

} // namespace

std::optional<std::u16string> RegKey::GetString(std::u16string_view name) const
{
    auto value = Get(name);
    if (!value)
        return std::nullopt;
    return TextOf(*value);
}

std::optional<int64_t> RegKey::GetNumber(std::u16string_view name) const
{
    auto value = Get(name);
    if (!value)
        return std::nullopt;
    if (value->type == REG_DWORD && value->data.size() == 4)
        return static_cast<int64_t>(Dword(*value));
    auto text = TextOf(*value);
    if (!text)
        return std::nullopt;
    return ParseNumber(ToUtf8(*text));
}

std::optional<std::vector<uint8_t>> RegKey::GetBinary(std::u16string_view name) const
{
    auto value = Get(name);
    if (!value || value->type != REG_BINARY)
        return std::nullopt;
    return value->data;
}

LONG RegKey::SetString(std::u16string_view name, std::u16string_view value)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    std::u16string n(name), v(value);
    return RegSetValueExW(m_key.get(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(char16_t)));
}

LONG RegKey::SetDword(std::u16string_view name, DWORD value)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    std::u16string n(name);
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return RegSetValueExW(m_key.get(), n.c_str(), 0, REG_DWORD, bytes, 4);
}

LONG RegKey::SetBinary(std::u16string_view name, const std::vector<uint8_t>& value)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    std::u16string n(name);
    return RegSetValueExW(m_key.get(), n.c_str(), 0, REG_BINARY, value.empty() ? nullptr : value.data(),
                          static_cast<DWORD>(value.size()));
}

LONG RegKey::DeleteValue(std::u16string_view name)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    std::u16string n(name);
    return RegDeleteValueW(m_key.get(), n.c_str());
}

std::vector<std::u16string> RegKey::SubKeys() const
{
    std::vector<std::u16string> names;
    if (!m_key)
        return names;
    for (DWORD i = 0;; ++i)
    {
        WCHAR name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(m_key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::pair<std::u16string, RegValue>> RegKey::Values() const
{
    std::vector<std::pair<std::u16string, RegValue>> values;
    if (!m_key)
        return values;
    for (DWORD i = 0;; ++i)
    {
        WCHAR name[256];
        DWORD length = 256;
        DWORD type = 0, size = 0;
        if (RegEnumValueW(m_key.get(), i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::u16string n(name, length);
        if (auto v = Get(n))
            values.emplace_back(n, std::move(*v));
    }
    return values;
}

LONG DeleteKeyTree(HKEY root, std::u16string_view path)
{
    std::u16string p(path);
    LONG rc = RegDeleteKeyW(root, p.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG RegistryTransaction(bool write, const std::function<LONG()>& body)
{
    return ce::RunRegistryTransaction(write, body);
}

} // namespace sim
