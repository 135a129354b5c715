#include <simcore/text.h>

#include <windows.h>

#include <kernel/text.h>

#include <charconv>

namespace sim
{

// Through the kernel's code-page conversions, as any driver of the handheld converts text; bad input
// becomes U+FFFD.
std::string ToUtf8(std::u16string_view text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

std::u16string FromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::u16string out(static_cast<size_t>(size > 0 ? size : 0), u'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    constexpr const char* digits = ce::text::kHexDigitsUpper;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes)
    {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text)
{
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : text)
    {
        if (c == ' ' || c == '-' || c == ':' || c == ',')
        {
            if (high >= 0)
                return std::nullopt;
            continue;
        }
        int d = ce::text::HexDigitValue(static_cast<unsigned char>(c));
        if (d < 0)
            return std::nullopt;
        if (high < 0)
            high = d;
        else
        {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return out;
}

std::string Hex32(uint32_t value)
{
    char buf[9];
    constexpr const char* digits = ce::text::kHexDigitsUpper;
    for (int i = 7; i >= 0; --i)
    {
        buf[i] = digits[value & 15];
        value >>= 4;
    }
    buf[8] = 0;
    return buf;
}

std::optional<int64_t> ParseNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && text.front() == '-')
    {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
    {
        if (value > static_cast<uint64_t>(INT64_MAX) + 1)
            return std::nullopt;
        return static_cast<int64_t>(0 - value);
    }
    if (value > static_cast<uint64_t>(INT64_MAX))
        return std::nullopt;
    return static_cast<int64_t>(value);
}

std::optional<uint32_t> ParseHex32(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace sim
