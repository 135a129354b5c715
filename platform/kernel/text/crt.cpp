// The wide C runtime of the handheld on UTF-16 text, and the kernel's lstr* string functions.
//
// Windows' `long` is 32 bits wide while the host's is 64: wcstol and wcstoul return values of the
// handheld's range and clamp to its limits (LONG_MAX 2147483647, LONG_MIN -2147483648, ULONG_MAX
// 4294967295), so code that checks for those limits behaves as on the handheld.

#include "text_internal.h"

#include <kernel/text.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

namespace
{

constexpr long long kLongMax = 2147483647LL;
constexpr long long kLongMin = -2147483648LL;
constexpr unsigned long long kULongMax = 4294967295ULL;

using ce::text::DigitValue;
using ce::text::HexDigitValue;

// strtol/strtoul on the handheld's 32-bit range. Sets *end to the first unused character, or to `s`
// when there is no number.
long long ParseInteger(const char16_t* s, char16_t** end, int base, bool isUnsigned)
{
    const char16_t* p = s;
    auto finish = [&](const char16_t* stop, long long value)
    {
        if (end)
            *end = const_cast<char16_t*>(stop);
        return value;
    };
    if (!s || base < 0 || base == 1 || base > 36)
    {
        errno = EINVAL;
        return finish(s, 0);
    }
    while (iswspace(*p))
        ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-')
        negative = *p++ == u'-';
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
        HexDigitValue(p[2]) >= 0)
    {
        p += 2;
        base = 16;
    }
    else if (base == 0)
    {
        base = p[0] == u'0' ? 8 : 10;
    }
    const char16_t* digits = p;
    unsigned long long magnitude = 0;
    bool overflow = false;
    for (int d; (d = DigitValue(*p)) >= 0 && d < base; ++p)
    {
        if (!overflow)
        {
            magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(d);
            overflow = magnitude > kULongMax;
        }
    }
    if (p == digits)
        return finish(s, 0);
    if (isUnsigned)
    {
        if (overflow)
        {
            errno = ERANGE;
            return finish(p, static_cast<long long>(kULongMax));
        }
        // As in C, a negative number wraps around: "-1" is ULONG_MAX.
        const unsigned long long v = negative ? (0 - magnitude) & kULongMax : magnitude;
        return finish(p, static_cast<long long>(v));
    }
    if (negative)
    {
        if (overflow || magnitude > static_cast<unsigned long long>(-kLongMin))
        {
            errno = ERANGE;
            return finish(p, kLongMin);
        }
        return finish(p, -static_cast<long long>(magnitude));
    }
    if (overflow || magnitude > static_cast<unsigned long long>(kLongMax))
    {
        errno = ERANGE;
        return finish(p, kLongMax);
    }
    return finish(p, static_cast<long long>(magnitude));
}

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Mapping between the cases of one pair of code points: lower = upper + delta, for the listed ranges.
struct CaseRange
{
    char16_t upperFirst;
    char16_t upperLast;
    int delta;
};

constexpr CaseRange kCaseRanges[] = {
    {0x0041, 0x005A, 0x20}, // A-Z
    {0x00C0, 0x00D6, 0x20}, // Latin-1 letters (the multiplication sign 0xD7 has no case)
    {0x00D8, 0x00DE, 0x20}, {0x0391, 0x03A1, 0x20}, // Greek
    {0x03A3, 0x03AB, 0x20}, {0x0410, 0x042F, 0x20}, // Cyrillic
    {0x0400, 0x040F, 0x50}, {0xFF21, 0xFF3A, 0x20}, // full-width Latin
};

// Latin Extended-A: pairs of neighbours, the upper case first (even) or second (odd).
bool IsLatinExtendedPairUpper(char16_t c, bool& evenUpper)
{
    if ((c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177))
    {
        evenUpper = true;
        return true;
    }
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))
    {
        evenUpper = false;
        return true;
    }
    return false;
}

char16_t ToLower(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
    for (const CaseRange& r : kCaseRanges)
    {
        if (c >= r.upperFirst && c <= r.upperLast)
            return static_cast<char16_t>(c + r.delta);
    }
    bool evenUpper;
    if (IsLatinExtendedPairUpper(c, evenUpper) && ((c % 2 == 0) == evenUpper))
        return static_cast<char16_t>(c + 1);
    if (c == 0x0178)
        return 0x00FF;
    return c;
}

char16_t ToUpper(char16_t c)
{
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
    if (c == 0x00FF)
        return 0x0178;
    if (c == 0x03C2) // final sigma
        return 0x03A3;
    for (const CaseRange& r : kCaseRanges)
    {
        if (c >= r.upperFirst + r.delta && c <= r.upperLast + r.delta)
            return static_cast<char16_t>(c - r.delta);
    }
    bool evenUpper;
    const char16_t below = static_cast<char16_t>(c - 1);
    if (IsLatinExtendedPairUpper(below, evenUpper) && ((below % 2 == 0) == evenUpper) &&
        IsLatinExtendedPairUpper(c, evenUpper))
        return below;
    return c;
}

int Sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace

namespace ce::text
{

int CompareNoCase(std::u16string_view a, std::u16string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        const int ca = ToLower(a[i]);
        const int cb = ToLower(b[i]);
        if (ca != cb)
            return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

} // namespace ce::text

size_t wcslen(const char16_t* s)
{
    const char16_t* p = s;
    while (*p)
        ++p;
    return static_cast<size_t>(p - s);
}

size_t wcsnlen(const char16_t* s, size_t maxlen)
{
    size_t n = 0;
    while (n < maxlen && s[n])
        ++n;
    return n;
}

char16_t* wcscpy(char16_t* dst, const char16_t* src)
{
    char16_t* d = dst;
    while ((*d++ = *src++) != 0)
    {
    }
    return dst;
}

char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t n)
{
    size_t i = 0;
    for (; i < n && src[i]; ++i)
        dst[i] = src[i];
    for (; i < n; ++i)
        dst[i] = 0;
    return dst;
}

char16_t* wcscat(char16_t* dst, const char16_t* src)
{
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

int wcscmp(const char16_t* a, const char16_t* b)
{
    while (*a && *a == *b)
    {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}

int wcsncmp(const char16_t* a, const char16_t* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
    {
        if (a[i] != b[i] || !a[i])
            return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    }
    return 0;
}

int _wcsnicmp(const char16_t* a, const char16_t* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
    {
        const int ca = ToLower(a[i]);
        const int cb = ToLower(b[i]);
        if (ca != cb || !ca)
            return ca - cb;
    }
    return 0;
}

int _wcsicmp(const char16_t* a, const char16_t* b)
{
    return _wcsnicmp(a, b, static_cast<size_t>(-1));
}

const char16_t* wcschr(const char16_t* s, char16_t c)
{
    for (;; ++s)
    {
        if (*s == c)
            return s;
        if (!*s)
            return nullptr;
    }
}

char16_t* wcschr(char16_t* s, char16_t c)
{
    return const_cast<char16_t*>(wcschr(const_cast<const char16_t*>(s), c));
}

const char16_t* wcsrchr(const char16_t* s, char16_t c)
{
    const char16_t* found = nullptr;
    for (;; ++s)
    {
        if (*s == c)
            found = s;
        if (!*s)
            return found;
    }
}

char16_t* wcsrchr(char16_t* s, char16_t c)
{
    return const_cast<char16_t*>(wcsrchr(const_cast<const char16_t*>(s), c));
}

const char16_t* wcsstr(const char16_t* s, const char16_t* sub)
{
    if (!*sub)
        return s;
    const size_t n = wcslen(sub);
    for (; *s; ++s)
    {
        if (*s == *sub && wcsncmp(s, sub, n) == 0)
            return s;
    }
    return nullptr;
}

char16_t* wcsstr(char16_t* s, const char16_t* sub)
{
    return const_cast<char16_t*>(wcsstr(const_cast<const char16_t*>(s), sub));
}

char16_t* _wcsdup(const char16_t* s)
{
    if (!s)
    {
        errno = EINVAL;
        return nullptr;
    }
    const size_t bytes = (wcslen(s) + 1) * sizeof(char16_t);
    auto* copy = static_cast<char16_t*>(std::malloc(bytes));
    if (copy)
        std::memcpy(copy, s, bytes);
    else
        errno = ENOMEM;
    return copy;
}

char16_t* _wcsupr(char16_t* s)
{
    if (s)
        for (char16_t* p = s; *p; ++p)
            *p = ToUpper(*p);
    return s;
}

char16_t* _wcslwr(char16_t* s)
{
    if (s)
        for (char16_t* p = s; *p; ++p)
            *p = ToLower(*p);
    return s;
}

long wcstol(const char16_t* s, char16_t** end, int base)
{
    return static_cast<long>(ParseInteger(s, end, base, false));
}

unsigned long wcstoul(const char16_t* s, char16_t** end, int base)
{
    return static_cast<unsigned long>(ParseInteger(s, end, base, true));
}

double wcstod(const char16_t* s, char16_t** end)
{
    if (end)
        *end = const_cast<char16_t*>(s);
    if (!s)
        return 0.0;
    const char16_t* p = s;
    while (iswspace(*p))
        ++p;
    // The handheld's runtime reads decimal numbers only: no "inf", "nan" or hexadecimal forms.
    std::string ascii;
    const char16_t* q = p;
    if (*q == u'+' || *q == u'-')
        ascii.push_back(static_cast<char>(*q++));
    if (!iswdigit(*q) && !(*q == u'.' && iswdigit(q[1])))
        return 0.0;
    for (; *q == u'.' || iswdigit(*q) || *q == u'e' || *q == u'E' || *q == u'+' || *q == u'-'; ++q)
        ascii.push_back(static_cast<char>(*q));
    char* stop = nullptr;
    const double v = strtod_l(ascii.c_str(), &stop, CLocale());
    if (end)
        *end = const_cast<char16_t*>(p + (stop - ascii.c_str()));
    return v;
}

int _wtoi(const char16_t* s)
{
    return static_cast<int>(ParseInteger(s, nullptr, 10, false));
}

long _wtol(const char16_t* s)
{
    return static_cast<long>(ParseInteger(s, nullptr, 10, false));
}

double _wtof(const char16_t* s)
{
    return wcstod(s, nullptr);
}

int towupper(char16_t c)
{
    return ToUpper(c);
}

int towlower(char16_t c)
{
    return ToLower(c);
}

int iswspace(char16_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

int iswdigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int iswxdigit(char16_t c)
{
    return HexDigitValue(c) >= 0;
}

// The kernel's string functions. Like Windows' they accept null pointers instead of faulting.

int lstrlenW(LPCWSTR lpString)
{
    return lpString ? static_cast<int>(wcslen(lpString)) : 0;
}

LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2)
        return nullptr;
    return wcscpy(lpString1, lpString2);
}

// Copies at most iMaxLength - 1 characters and always terminates (when iMaxLength > 0).
LPWSTR lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength)
{
    if (!lpString1 || !lpString2)
        return nullptr;
    if (iMaxLength <= 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i]; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = 0;
    return lpString1;
}

// Windows compares these linguistically: letters ignore case first ("a" < "B") and only equal
// words order the lower case before the upper case ("a" < "A"). This follows that for the letters
// the case tables know; other characters compare by code.
int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2)
        return lpString1 == lpString2 ? 0 : (lpString1 ? 1 : -1);
    const int folded = _wcsicmp(lpString1, lpString2);
    if (folded != 0)
        return Sign(folded);
    for (size_t i = 0; lpString1[i]; ++i)
    {
        const char16_t a = lpString1[i], b = lpString2[i];
        if (a != b)
            return a == ToLower(a) ? -1 : 1;
    }
    return 0;
}

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2)
        return lpString1 == lpString2 ? 0 : (lpString1 ? 1 : -1);
    return Sign(_wcsicmp(lpString1, lpString2));
}
