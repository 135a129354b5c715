// Code page conversions: MultiByteToWideChar and WideCharToMultiByte.
//
// UTF-8 and code page 1252 are converted here directly, because the handheld's tables differ from the
// host's converters in the details that matter (1252 maps its five unassigned bytes to the C1 controls
// of the same value; UTF-8 turns every invalid sequence into one U+FFFD). The other code pages, the
// double-byte ones of the Chinese, Japanese and Korean devices among them, go through iconv.
// Characters a code page lacks are written as the default character ('?' unless the caller gives
// one); no "best fit" substitution is made.

#include "text_internal.h"

#include <kernel/utf8.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>

namespace ce::text
{

namespace
{

constexpr DWORD kMbComposite = 0x00000002;
constexpr DWORD kMbUseGlyphChars = 0x00000004;
constexpr DWORD kWcDiscardNs = 0x00000010;
constexpr DWORD kWcSepChars = 0x00000020;
constexpr DWORD kWcDefaultChar = 0x00000040;
constexpr DWORD kWcErrInvalidChars = 0x00000080;
constexpr DWORD kWcCompositeCheck = 0x00000200;

// Bytes 0x80..0x9F of code page 1252; the rest of the page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct IconvPage
{
    UINT codePage;
    const char* name;
};

constexpr IconvPage kIconvPages[] = {
    {437, "IBM437"},       {737, "CP737"},        {775, "CP775"},         {850, "IBM850"},
    {852, "IBM852"},       {855, "IBM855"},       {857, "IBM857"},        {860, "IBM860"},
    {861, "IBM861"},       {862, "IBM862"},       {863, "IBM863"},        {865, "IBM865"},
    {866, "IBM866"},       {869, "IBM869"},       {874, "CP874"},         {932, "CP932"},
    {936, "CP936"},        {949, "CP949"},        {950, "CP950"},         {1250, "CP1250"},
    {1251, "CP1251"},      {1253, "CP1253"},      {1254, "CP1254"},       {1255, "CP1255"},
    {1256, "CP1256"},      {1257, "CP1257"},      {1258, "CP1258"},       {10000, "MACINTOSH"},
    {20127, "ASCII"},      {20866, "KOI8-R"},     {20932, "EUC-JP"},      {20936, "GB2312"},
    {21866, "KOI8-U"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"}, {51932, "EUC-JP"},
    {51936, "EUC-CN"},     {51949, "EUC-KR"},     {54936, "GB18030"},     {65000, "UTF-7"},
};

const char* IconvName(UINT codePage)
{
    for (const IconvPage& p : kIconvPages)
    {
        if (p.codePage == codePage)
            return p.name;
    }
    return nullptr;
}

const char* Utf16Name()
{
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

bool IsDoubleByte(UINT codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// Per-thread converters, opened on first use and closed when the thread ends.
class IconvCache
{
public:
    ~IconvCache()
    {
        for (auto& [key, cd] : m_open)
            iconv_close(cd);
    }

    // toWide: from the code page to UTF-16; otherwise the other way. Null when iconv lacks it.
    iconv_t Get(UINT codePage, bool toWide)
    {
        const auto key = std::make_pair(codePage, toWide);
        auto it = m_open.find(key);
        if (it != m_open.end())
        {
            iconv(it->second, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            return it->second;
        }
        const char* name = IconvName(codePage);
        if (!name)
            return nullptr;
        iconv_t cd = toWide ? iconv_open(Utf16Name(), name) : iconv_open(name, Utf16Name());
        if (cd == reinterpret_cast<iconv_t>(-1))
            return nullptr;
        m_open.emplace(key, cd);
        return cd;
    }

private:
    std::map<std::pair<UINT, bool>, iconv_t> m_open;
};

IconvCache& Converters()
{
    thread_local IconvCache cache;
    return cache;
}

bool Decode1252(std::string_view in, std::u16string& out)
{
    out.reserve(out.size() + in.size());
    for (char ch : in)
    {
        const auto b = static_cast<unsigned char>(ch);
        out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return true;
}

// The bytes of the default character: the caller's first character, else '?'.
std::string_view DefaultBytes(UINT codePage, const char* defaultChar)
{
    if (!defaultChar || !*defaultChar)
        return "?";
    const size_t len =
        IsDoubleByte(codePage) && static_cast<unsigned char>(defaultChar[0]) >= 0x80 && defaultChar[1] ? 2
                                                                                                       : 1;
    return std::string_view(defaultChar, len);
}

void Encode1252(std::u16string_view in, std::string_view def, bool* usedDefault, std::string& out)
{
    out.reserve(out.size() + in.size());
    for (size_t i = 0; i < in.size(); ++i)
    {
        const char16_t c = in[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        {
            out.push_back(static_cast<char>(c));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
        {
            if (kCp1252High[k] == c)
            {
                found = k;
                break;
            }
        }
        if (found >= 0)
        {
            out.push_back(static_cast<char>(0x80 + found));
            continue;
        }
        // A surrogate pair is one character.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF)
            ++i;
        out.append(def);
        if (usedDefault)
            *usedDefault = true;
    }
}

bool DecodeIconv(UINT codePage, std::string_view in, bool strict, std::u16string& out)
{
    iconv_t cd = Converters().Get(codePage, true);
    if (!cd)
        return false;
    std::u16string buf(in.size() + 8, u'\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t produced = 0;
    while (srcLeft > 0)
    {
        char* dst = reinterpret_cast<char*>(buf.data() + produced);
        size_t dstLeft = (buf.size() - produced) * sizeof(char16_t);
        const size_t before = dstLeft;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        produced += (before - dstLeft) / sizeof(char16_t);
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
        {
            buf.resize(buf.size() * 2 + 8);
            continue;
        }
        // EILSEQ or EINVAL: an invalid or truncated sequence. Skip its first byte.
        if (strict)
            return false;
        if (produced == buf.size())
            buf.resize(buf.size() * 2 + 8);
        buf[produced++] = u'?';
        ++src;
        --srcLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a stateful converter (UTF-7).
    for (;;)
    {
        char* dst = reinterpret_cast<char*>(buf.data() + produced);
        size_t dstLeft = (buf.size() - produced) * sizeof(char16_t);
        const size_t before = dstLeft;
        const size_t r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        produced += (before - dstLeft) / sizeof(char16_t);
        if (r == static_cast<size_t>(-1) && errno == E2BIG)
        {
            buf.resize(buf.size() * 2 + 8);
            continue;
        }
        break;
    }
    out.append(buf.data(), produced);
    return true;
}

bool EncodeIconv(UINT codePage, std::u16string_view in, std::string_view def, bool* usedDefault,
                 std::string& out)
{
    iconv_t cd = Converters().Get(codePage, false);
    if (!cd)
        return false;
    std::string buf(in.size() * 2 + 8, '\0');
    char* src = reinterpret_cast<char*>(const_cast<char16_t*>(in.data()));
    size_t srcLeft = in.size() * sizeof(char16_t);
    size_t produced = 0;
    auto grow = [&](size_t need)
    {
        if (buf.size() - produced < need)
            buf.resize(buf.size() * 2 + need);
    };
    while (srcLeft > 0)
    {
        char* dst = buf.data() + produced;
        size_t dstLeft = buf.size() - produced;
        const size_t before = dstLeft;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        produced += before - dstLeft;
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
        {
            grow(16);
            continue;
        }
        // A character the code page lacks, or an unpaired surrogate: the default character.
        size_t skip = sizeof(char16_t);
        char16_t c;
        std::memcpy(&c, src, sizeof(c));
        if (c >= 0xD800 && c <= 0xDBFF && srcLeft >= 2 * sizeof(char16_t))
        {
            char16_t c2;
            std::memcpy(&c2, src + sizeof(char16_t), sizeof(c2));
            if (c2 >= 0xDC00 && c2 <= 0xDFFF)
                skip = 2 * sizeof(char16_t);
        }
        if (srcLeft < skip)
            skip = srcLeft;
        src += skip;
        srcLeft -= skip;
        grow(def.size());
        std::memcpy(buf.data() + produced, def.data(), def.size());
        produced += def.size();
        if (usedDefault)
            *usedDefault = true;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    for (;;)
    {
        char* dst = buf.data() + produced;
        size_t dstLeft = buf.size() - produced;
        const size_t before = dstLeft;
        const size_t r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        produced += before - dstLeft;
        if (r == static_cast<size_t>(-1) && errno == E2BIG)
        {
            grow(16);
            continue;
        }
        break;
    }
    out.append(buf.data(), produced);
    return true;
}

size_t Length(const char* s)
{
    return std::strlen(s);
}

size_t Length(const char16_t* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

} // namespace

UINT ResolveCodePage(UINT codePage)
{
    switch (codePage)
    {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
        return GetACP();
    case CP_MACCP:
        return 10000;
    default:
        return codePage;
    }
}

bool IsKnownCodePage(UINT codePage)
{
    return codePage == 1252 || codePage == CP_UTF8 || IconvName(codePage) != nullptr;
}

bool DecodeBytes(UINT codePage, std::string_view bytes, bool strict, std::u16string& out)
{
    codePage = ResolveCodePage(codePage);
    try
    {
        if (codePage == CP_UTF8)
            return DecodeUtf8(bytes, strict, out);
        if (codePage == 1252)
            return Decode1252(bytes, out);
        return DecodeIconv(codePage, bytes, strict, out);
    }
    catch (...)
    {
        return false;
    }
}

bool EncodeWide(UINT codePage, std::u16string_view text, const char* defaultChar, bool* usedDefault,
                bool strict, std::string& out)
{
    codePage = ResolveCodePage(codePage);
    try
    {
        if (codePage == CP_UTF8)
            return EncodeUtf8(text, strict, out);
        const std::string_view def = DefaultBytes(codePage, defaultChar);
        if (codePage == 1252)
        {
            Encode1252(text, def, usedDefault, out);
            return true;
        }
        return EncodeIconv(codePage, text, def, usedDefault, out);
    }
    catch (...)
    {
        return false;
    }
}

} // namespace ce::text

using namespace ce::text;

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (!lpWideCharStr && cchWideChar != 0) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT cp = ResolveCodePage(CodePage);
    if (!IsKnownCodePage(cp))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cp == CP_UTF8 || cp == CP_UTF7)
    {
        const DWORD allowed = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        if (dwFlags & ~allowed)
        {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
    }
    else if ((dwFlags & ~(MB_PRECOMPOSED | kMbComposite | kMbUseGlyphChars | MB_ERR_INVALID_CHARS)) ||
             ((dwFlags & MB_PRECOMPOSED) && (dwFlags & kMbComposite)))
    {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const size_t len = cbMultiByte == -1 ? Length(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    std::u16string wide;
    if (!DecodeBytes(cp, std::string_view(lpMultiByteStr, len), (dwFlags & MB_ERR_INVALID_CHARS) != 0, wide))
    {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (wide.size() > static_cast<size_t>(INT32_MAX))
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const int needed = static_cast<int>(wide.size());
    if (cchWideChar == 0)
        return needed;
    if (needed > cchWideChar)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(char16_t));
    return needed;
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (!lpMultiByteStr && cbMultiByte != 0) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT cp = ResolveCodePage(CodePage);
    if (!IsKnownCodePage(cp))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cp == CP_UTF8 || cp == CP_UTF7)
    {
        const DWORD allowed = cp == CP_UTF8 ? kWcErrInvalidChars : 0;
        if (dwFlags & ~allowed)
        {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
        // These code pages have no default character.
        if (lpDefaultChar || lpUsedDefaultChar)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    else if (dwFlags &
             ~(kWcCompositeCheck | kWcDiscardNs | kWcSepChars | kWcDefaultChar | WC_NO_BEST_FIT_CHARS))
    {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const size_t len = cchWideChar == -1 ? Length(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    std::string bytes;
    bool usedDefault = false;
    if (!EncodeWide(cp, std::u16string_view(lpWideCharStr, len), lpDefaultChar, &usedDefault,
                    (dwFlags & kWcErrInvalidChars) != 0, bytes))
    {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const int needed = static_cast<int>(bytes.size());
    if (cbMultiByte != 0 && needed > cbMultiByte)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (cbMultiByte != 0)
        std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return needed;
}
