// UTF-8 <-> UTF-16 conversions of the registry and its files.
#include <kernel/regfile.h>

namespace ce::regtext
{
namespace
{

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one code point at `in[pos]`; returns its length in bytes, or 0 for an invalid sequence
// (overlong forms, encoded surrogates and values above U+10FFFF are invalid).
std::size_t DecodeOne(std::string_view in, std::size_t pos, char32_t& cp)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80)
    {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0)
    {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    }
    else if ((b0 & 0xF0) == 0xE0)
    {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    }
    else if ((b0 & 0xF8) == 0xF0)
    {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    }
    else
        return 0;
    if (in.size() - pos < len)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
    {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void AppendUtf16(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000)
        out.push_back(static_cast<char16_t>(cp));
    else
    {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

} // namespace

bool DecodeUtf8(std::string_view in, std::u16string& out, std::size_t* badOffset)
{
    std::u16string result;
    result.reserve(in.size());
    for (std::size_t pos = 0; pos < in.size();)
    {
        char32_t cp = 0;
        const std::size_t len = DecodeOne(in, pos, cp);
        if (len == 0)
        {
            if (badOffset)
                *badOffset = pos;
            return false;
        }
        AppendUtf16(result, cp);
        pos += len;
    }
    out = std::move(result);
    return true;
}

std::u16string FromUtf8(std::string_view in)
{
    std::u16string result;
    result.reserve(in.size());
    for (std::size_t pos = 0; pos < in.size();)
    {
        char32_t cp = 0;
        const std::size_t len = DecodeOne(in, pos, cp);
        if (len == 0)
        {
            result.push_back(kReplacement);
            ++pos;
            continue;
        }
        AppendUtf16(result, cp);
        pos += len;
    }
    return result;
}

std::string ToUtf8(std::u16string_view in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
    {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF)
        {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        }
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = kReplacement;

        if (cp < 0x80)
            out.push_back(static_cast<char>(cp));
        else if (cp < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else if (cp < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace ce::regtext
