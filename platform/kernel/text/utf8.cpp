// UTF-8 <-> UTF-16 conversion of the kernel (see kernel/utf8.h).
#include <kernel/utf8.h>

#include <cstdint>

namespace ce::text
{
namespace
{

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t cp)
{
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

} // namespace

bool DecodeUtf8(std::string_view in, bool strict, std::u16string& out, std::size_t* badOffset)
{
    const size_t start = out.size();
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    out.reserve(out.size() + n);
    size_t i = 0;
    while (i < n)
    {
        const unsigned char b = s[i];
        if (b < 0x80)
        {
            out.push_back(b);
            ++i;
            continue;
        }
        int len = 0;
        uint32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF)
        {
            len = 2;
            cp = b & 0x1F;
        }
        else if (b >= 0xE0 && b <= 0xEF)
        {
            len = 3;
            cp = b & 0x0F;
            if (b == 0xE0)
                lo = 0xA0; // no overlong forms
            else if (b == 0xED)
                hi = 0x9F; // no surrogates
        }
        else if (b >= 0xF0 && b <= 0xF4)
        {
            len = 4;
            cp = b & 0x07;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F; // nothing above U+10FFFF
        }
        // Take continuation bytes while they fit: the longest valid start of a sequence is one
        // invalid sequence, and decoding resumes at the byte that broke it.
        size_t j = i + 1;
        bool ok = len > 0;
        for (int k = 1; ok && k < len; ++k)
        {
            const unsigned char clo = k == 1 ? lo : 0x80, chi = k == 1 ? hi : 0xBF;
            if (j >= n || s[j] < clo || s[j] > chi)
            {
                ok = false;
                break;
            }
            cp = (cp << 6) | (s[j] & 0x3F);
            ++j;
        }
        if (!ok)
        {
            if (strict)
            {
                out.resize(start);
                if (badOffset)
                    *badOffset = i;
                return false;
            }
            out.push_back(kReplacement);
            i = j;
            continue;
        }
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
        else
        {
            out.push_back(static_cast<char16_t>(cp));
        }
        i = j;
    }
    return true;
}

bool EncodeUtf8(std::u16string_view in, bool strict, std::string& out)
{
    const size_t start = out.size();
    out.reserve(out.size() + in.size() * 3);
    for (size_t i = 0; i < in.size(); ++i)
    {
        const char16_t c = in[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF)
        {
            AppendUtf8(out, 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (in[i + 1] - 0xDC00));
            ++i;
        }
        else if (c >= 0xD800 && c <= 0xDFFF)
        {
            if (strict)
            {
                out.resize(start);
                return false;
            }
            AppendUtf8(out, kReplacement);
        }
        else
        {
            AppendUtf8(out, c);
        }
    }
    return true;
}

std::u16string FromUtf8(std::string_view in)
{
    std::u16string out;
    DecodeUtf8(in, false, out);
    return out;
}

std::string ToUtf8(std::u16string_view in)
{
    std::string out;
    EncodeUtf8(in, false, out);
    return out;
}

std::optional<std::string> ToUtf8Strict(std::u16string_view in)
{
    std::string out;
    if (!EncodeUtf8(in, true, out))
        return std::nullopt;
    return out;
}

} // namespace ce::text
