// The formatting engine: Windows conversions for wide formats over a typed argument list.
//
// Numbers are laid out as the handheld's C runtime does it: integers are 32 bits wide unless the
// conversion has a 64-bit prefix, "%#x" prefixes 0x even to zero, the '0' flag pads strings too, and
// floating-point values are rounded half away from zero on their 17 significant decimal digits, with
// exponents of at least three digits ("1.000000e+000"). Nothing here depends on the host's locale.

#include "text_internal.h"

#include <kernel/text.h>
#include <kernel/utf8.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ce::text
{

namespace
{

// Widths and precisions beyond this are taken as this (a format is never trusted to allocate freely).
constexpr int kMaxWidth = 1 << 20;
// Largest precision of a numeric conversion, as the handheld's runtime limits it.
constexpr int kMaxNumericPrecision = 512;

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

const char16_t* ParseNumber(const char16_t* p, int& value)
{
    long long v = 0;
    while (IsDigit(*p))
    {
        if (v < kMaxWidth)
            v = v * 10 + (*p - u'0');
        ++p;
    }
    value = static_cast<int>(v < kMaxWidth ? v : kMaxWidth);
    return p;
}

Conversion::Class ClassOf(char16_t conv, Conversion::Size size)
{
    using C = Conversion::Class;
    using S = Conversion::Size;
    const bool narrow = size == S::Short;
    const bool wide = size == S::Long;
    switch (conv)
    {
    case u'd':
    case u'i':
        return C::Signed;
    case u'u':
    case u'o':
    case u'x':
    case u'X':
        return C::Unsigned;
    case u'e':
    case u'E':
    case u'f':
    case u'g':
    case u'G':
        return C::Float;
    case u'c':
        return narrow ? C::AnsiChar : C::WideChar;
    case u'C':
        return wide ? C::WideChar : C::AnsiChar;
    case u's':
        return narrow ? C::AnsiString : C::WideString;
    case u'S':
        return wide ? C::WideString : C::AnsiString;
    case u'p':
        return C::Pointer;
    case u'%':
        return C::Percent;
    case 0:
        return C::Incomplete;
    default:
        return C::Unknown;
    }
}

} // namespace

const char16_t* ParseConversion(const char16_t* p, Conversion& conv)
{
    conv = Conversion{};
    for (;; ++p)
    {
        if (*p == u'-')
            conv.left = true;
        else if (*p == u'+')
            conv.plus = true;
        else if (*p == u' ')
            conv.space = true;
        else if (*p == u'#')
            conv.alt = true;
        else if (*p == u'0')
            conv.zero = true;
        else
            break;
    }
    if (*p == u'*')
    {
        conv.widthStar = true;
        ++p;
    }
    else
    {
        p = ParseNumber(p, conv.width);
    }
    if (*p == u'.')
    {
        ++p;
        if (*p == u'*')
        {
            conv.precisionStar = true;
            ++p;
        }
        else
        {
            p = ParseNumber(p, conv.precision);
        }
    }
    using S = Conversion::Size;
    if (p[0] == u'h' && p[1] == u'h')
    {
        conv.size = S::Char;
        p += 2;
    }
    else if (p[0] == u'h')
    {
        conv.size = S::Short;
        ++p;
    }
    else if (p[0] == u'l' && p[1] == u'l')
    {
        conv.size = S::Int64;
        p += 2;
    }
    else if (p[0] == u'l' || p[0] == u'w')
    {
        conv.size = S::Long;
        ++p;
    }
    else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4')
    {
        conv.size = S::Int64;
        p += 3;
    }
    else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2')
    {
        conv.size = S::Int32;
        p += 3;
    }
    else if (p[0] == u'I')
    {
        conv.size = S::PtrSize;
        ++p;
    }
    conv.conv = *p;
    conv.cls = ClassOf(conv.conv, conv.size);
    return *p ? p + 1 : p;
}

namespace
{

using ce::fmt::Arg;

std::atomic<ce::fmt::MismatchHandler> g_handler{nullptr};

void DefaultMismatch(const char16_t* format, const char* what)
{
    std::fprintf(stderr, "format \"%s\": %s\n", ToUtf8(format ? format : u"").c_str(), what);
    std::abort();
}

const char* KindName(Arg::Kind kind)
{
    switch (kind)
    {
    case Arg::Kind::Int:
        return "a signed integer";
    case Arg::Kind::UInt:
        return "an unsigned integer";
    case Arg::Kind::Double:
        return "a floating-point number";
    case Arg::Kind::WStr:
        return "a wide string";
    case Arg::Kind::AStr:
        return "an 8-bit string";
    case Arg::Kind::Pointer:
        return "a pointer";
    }
    return "an unknown value";
}

// Appends `count` copies of `ch`.
void Pad(std::u16string& out, int count, char16_t ch)
{
    if (count > 0)
        out.append(static_cast<size_t>(count), ch);
}

// Lays out prefix (sign or 0x) and body inside the field width.
void Emit(std::u16string& out, const Conversion& conv, std::u16string_view prefix, std::u16string_view body)
{
    const int len = static_cast<int>(prefix.size() + body.size());
    const int padding = conv.width - len;
    if (!conv.left && !conv.zero)
        Pad(out, padding, u' ');
    out.append(prefix);
    if (!conv.left && conv.zero)
        Pad(out, padding, u'0');
    out.append(body);
    if (conv.left)
        Pad(out, padding, u' ');
}

void Emit(std::u16string& out, const Conversion& conv, std::string_view prefix, std::string_view body)
{
    char16_t p[4];
    size_t np = 0;
    for (char c : prefix)
        p[np++] = static_cast<unsigned char>(c);
    std::u16string b(body.begin(), body.end());
    Emit(out, conv, std::u16string_view(p, np), b);
}

uint64_t RawBits(const Arg& arg)
{
    switch (arg.kind)
    {
    case Arg::Kind::Int:
        return static_cast<uint64_t>(arg.i);
    case Arg::Kind::UInt:
        return arg.u;
    case Arg::Kind::Pointer:
        return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(arg.p));
    case Arg::Kind::WStr:
        return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(arg.ws));
    case Arg::Kind::AStr:
        return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(arg.as));
    case Arg::Kind::Double:
        break;
    }
    return 0;
}

void FormatInteger(std::u16string& out, Conversion conv, const Arg& arg)
{
    const uint64_t raw = RawBits(arg);
    const bool isSigned = conv.cls == Conversion::Class::Signed;
    bool negative = false;
    uint64_t magnitude = 0;
    using S = Conversion::Size;
    int bits = 32;
    if (conv.Is64())
        bits = 64;
    else if (conv.size == S::Short)
        bits = 16;
    else if (conv.size == S::Char)
        bits = 8;
    if (isSigned)
    {
        int64_t v;
        if (bits == 64)
            v = static_cast<int64_t>(raw);
        else if (bits == 32)
            v = static_cast<int32_t>(static_cast<uint32_t>(raw));
        else if (bits == 16)
            v = static_cast<int16_t>(static_cast<uint16_t>(raw));
        else
            v = static_cast<int8_t>(static_cast<uint8_t>(raw));
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    }
    else
    {
        magnitude = bits == 64 ? raw : raw & ((uint64_t{1} << bits) - 1);
    }

    unsigned radix = 10;
    const char* digitSet = ce::text::kHexDigitsLower;
    if (conv.conv == u'o')
        radix = 8;
    else if (conv.conv == u'x')
        radix = 16;
    else if (conv.conv == u'X')
    {
        radix = 16;
        digitSet = ce::text::kHexDigitsUpper;
    }

    int precision = conv.precision;
    if (precision < 0)
        precision = 1;
    else
    {
        conv.zero = false; // a precision turns the zero padding off
        if (precision > kMaxNumericPrecision)
            precision = kMaxNumericPrecision;
    }

    char digits[80];
    int n = 0;
    for (uint64_t m = magnitude; m != 0; m /= radix)
        digits[n++] = digitSet[m % radix];
    // `digits` holds the number in reverse order.
    std::string body;
    body.reserve(static_cast<size_t>(precision > n ? precision : n) + 1);
    for (int i = n; i < precision; ++i)
        body.push_back('0');
    for (int i = n - 1; i >= 0; --i)
        body.push_back(digits[i]);
    // "%#o" guarantees a leading zero.
    if (conv.alt && radix == 8 && (body.empty() || body[0] != '0'))
        body.insert(body.begin(), '0');

    std::string prefix;
    if (isSigned)
    {
        if (negative)
            prefix = "-";
        else if (conv.plus)
            prefix = "+";
        else if (conv.space)
            prefix = " ";
    }
    else if (conv.alt && radix == 16)
    {
        prefix = conv.conv == u'X' ? "0X" : "0x";
    }
    Emit(out, conv, prefix, body);
}

// The decimal digits of a finite double: 17 significant digits, correctly rounded, and the position
// of the decimal point relative to the first digit (value = 0.d1d2d3... x 10^decpt).
struct Digits
{
    char d[24];
    int count;
    int decpt;
};

Digits DecimalDigits(double v)
{
    Digits out{};
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof(buf), std::fabs(v), std::chars_format::scientific, 16);
    // buf: "d.dddddddddddddddde+XX"
    const char* p = buf;
    int n = 0;
    for (; p < res.ptr && *p != 'e'; ++p)
    {
        if (*p >= '0' && *p <= '9')
            out.d[n++] = *p;
    }
    int exp = 0;
    if (p < res.ptr)
        std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exp);
    out.count = n;
    out.decpt = v == 0.0 ? 1 : exp + 1;
    return out;
}

// Keeps `keep` digits (counted from the first) and rounds half up on the next one. The result may
// have a carried extra leading digit, reflected in decpt. Digits past the 17 significant ones are 0.
std::string RoundDigits(const Digits& digits, int keep, int& decpt)
{
    decpt = digits.decpt;
    auto digitAt = [&](int i) { return i >= 0 && i < digits.count ? digits.d[i] : '0'; };
    if (keep < 0)
        return std::string();
    std::string kept;
    kept.reserve(static_cast<size_t>(keep) + 1);
    for (int i = 0; i < keep; ++i)
        kept.push_back(digitAt(i));
    if (digitAt(keep) >= '5')
    {
        int i = keep - 1;
        for (; i >= 0; --i)
        {
            if (kept[static_cast<size_t>(i)] == '9')
                kept[static_cast<size_t>(i)] = '0';
            else
            {
                ++kept[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0)
        {
            // Carried out of the first digit: 9.99 -> 10.0
            kept.insert(kept.begin(), '1');
            ++decpt;
            if (keep > 0)
                kept.pop_back();
        }
    }
    return kept;
}

// "ddd.ddd" from rounded digits: `digits` are the significant digits starting at the decimal
// position `decpt`.
std::string FixedText(const std::string& digits, int decpt, int precision, bool alt)
{
    std::string s;
    auto at = [&](int i) { return i >= 0 && i < static_cast<int>(digits.size()) ? digits[i] : '0'; };
    if (decpt <= 0)
        s.push_back('0');
    else
        for (int i = 0; i < decpt; ++i)
            s.push_back(at(i));
    if (precision > 0 || alt)
        s.push_back('.');
    for (int k = 0; k < precision; ++k)
        s.push_back(at(decpt + k));
    return s;
}

std::string ExponentText(const std::string& digits, int exponent, int precision, bool alt, bool upper)
{
    std::string s;
    s.push_back(digits.empty() ? '0' : digits[0]);
    if (precision > 0 || alt)
        s.push_back('.');
    for (int k = 1; k <= precision; ++k)
        s.push_back(k < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(k)] : '0');
    s.push_back(upper ? 'E' : 'e');
    s.push_back(exponent < 0 ? '-' : '+');
    char exp[16];
    std::snprintf(exp, sizeof(exp), "%03d", exponent < 0 ? -exponent : exponent);
    s += exp;
    return s;
}

// Removes trailing fraction zeros (and a bare point) of %g output; the exponent part stays.
void CropZeros(std::string& s)
{
    size_t e = s.find_first_of("eE");
    std::string exp = e == std::string::npos ? std::string() : s.substr(e);
    std::string mant = e == std::string::npos ? s : s.substr(0, e);
    if (mant.find('.') != std::string::npos)
    {
        while (!mant.empty() && mant.back() == '0')
            mant.pop_back();
        if (!mant.empty() && mant.back() == '.')
            mant.pop_back();
    }
    s = mant + exp;
}

void FormatFloat(std::u16string& out, Conversion conv, double v)
{
    std::string prefix;
    if (std::signbit(v) && !std::isnan(v))
        prefix = "-";
    else if (conv.plus)
        prefix = "+";
    else if (conv.space)
        prefix = " ";

    if (!std::isfinite(v))
    {
        // The handheld's runtime spells these "1.#INF00", "1.#QNAN0" and "-1.#IND00".
        std::string body = std::isinf(v) ? "1.#INF00" : (std::signbit(v) ? "1.#IND00" : "1.#QNAN0");
        if (std::isnan(v) && std::signbit(v))
            prefix = "-";
        conv.zero = false;
        Emit(out, conv, prefix, body);
        return;
    }

    int precision = conv.precision < 0 ? 6 : conv.precision;
    if (precision > kMaxNumericPrecision)
        precision = kMaxNumericPrecision;
    const Digits digits = DecimalDigits(v);
    const char16_t c = conv.conv;
    std::string body;
    int decpt = 0;
    if (c == u'f')
    {
        std::string kept = RoundDigits(digits, digits.decpt + precision, decpt);
        if (kept.empty())
            decpt = 0; // rounded away entirely: 0.000
        body = FixedText(kept, decpt, precision, conv.alt);
    }
    else if (c == u'e' || c == u'E')
    {
        std::string kept = RoundDigits(digits, precision + 1, decpt);
        body = ExponentText(kept, v == 0.0 ? 0 : decpt - 1, precision, conv.alt, c == u'E');
    }
    else // g G
    {
        if (precision == 0)
            precision = 1;
        std::string kept = RoundDigits(digits, precision, decpt);
        const int magnitude = v == 0.0 ? 0 : decpt - 1;
        if (magnitude < -4 || magnitude >= precision)
            body = ExponentText(kept, magnitude, precision - 1, conv.alt, c == u'G');
        else
            body = FixedText(kept, v == 0.0 ? 1 : decpt, precision - 1 - magnitude, conv.alt);
        if (!conv.alt)
            CropZeros(body);
    }
    Emit(out, conv, prefix, body);
}

void FormatText(std::u16string& out, const Conversion& conv, std::u16string_view text)
{
    if (conv.precision >= 0 && static_cast<size_t>(conv.precision) < text.size())
        text = text.substr(0, static_cast<size_t>(conv.precision));
    Emit(out, conv, std::u16string_view(), text);
}

class Formatter
{
public:
    Formatter(const char16_t* format, const Arg* args, size_t count)
        : m_format(format), m_args(args), m_count(count)
    {
    }

    std::u16string Run()
    {
        std::u16string out;
        if (!m_format)
            return out;
        size_t flen = 0;
        while (m_format[flen])
            ++flen;
        out.reserve(flen + 16 * m_count + 16);
        const char16_t* p = m_format;
        while (*p)
        {
            const char16_t* literal = p;
            while (*p && *p != u'%')
                ++p;
            out.append(literal, static_cast<size_t>(p - literal));
            if (!*p)
                break;
            Conversion conv;
            const char16_t* start = p;
            p = ParseConversion(p + 1, conv);
            Convert(out, conv, std::u16string_view(start, static_cast<size_t>(p - start)));
        }
        return out;
    }

private:
    const Arg* Next(std::u16string_view conversion)
    {
        if (m_next < m_count)
            return &m_args[m_next++];
        if (!m_missingReported)
        {
            m_missingReported = true;
            Report("too few arguments: none left for " + ToUtf8(conversion));
        }
        return nullptr;
    }

    void Report(const std::string& what)
    {
        ce::fmt::MismatchHandler h = g_handler.load();
        (h ? h : DefaultMismatch)(m_format, what.c_str());
    }

    void Mismatch(const Arg& arg, std::u16string_view conversion)
    {
        Report("argument " + std::to_string(m_next) + " is " + KindName(arg.kind) + ", which does not fit " +
               ToUtf8(conversion));
    }

    bool TakeInt(int& value, std::u16string_view conversion)
    {
        const Arg* a = Next(conversion);
        if (!a)
            return false;
        if (a->kind != Arg::Kind::Int && a->kind != Arg::Kind::UInt)
        {
            Mismatch(*a, conversion);
            return false;
        }
        value = static_cast<int32_t>(static_cast<uint32_t>(RawBits(*a)));
        return true;
    }

    void Convert(std::u16string& out, Conversion& conv, std::u16string_view conversion)
    {
        using C = Conversion::Class;
        if (conv.cls == C::Incomplete)
            return;
        if (conv.cls == C::Percent)
        {
            out.push_back(u'%');
            return;
        }
        if (conv.cls == C::Unknown)
        {
            out.push_back(conv.conv);
            return;
        }
        if (!TakeStars(conv, conversion))
            return;
        const Arg* a = Next(conversion);
        if (!a)
            return;
        const Arg::Kind k = a->kind;
        const bool integral = k == Arg::Kind::Int || k == Arg::Kind::UInt;
        switch (conv.cls)
        {
        case C::Signed:
        case C::Unsigned:
            // A pointer fits a 32-bit conversion as it does on the handheld, where it is 32 bits wide.
            if (!integral && k != Arg::Kind::Pointer)
                return Mismatch(*a, conversion);
            FormatInteger(out, conv, *a);
            return;
        case C::Pointer:
            if (k == Arg::Kind::Double)
                return Mismatch(*a, conversion);
            conv.conv = u'X';
            conv.precision = 2 * static_cast<int>(sizeof(void*));
            conv.size = sizeof(void*) == 8 ? Conversion::Size::Int64 : Conversion::Size::Int32;
            conv.cls = C::Unsigned;
            FormatInteger(out, conv, *a);
            return;
        case C::Float:
            if (k != Arg::Kind::Double)
                return Mismatch(*a, conversion);
            FormatFloat(out, conv, a->d);
            return;
        case C::WideChar:
        case C::AnsiChar:
            if (!integral)
                return Mismatch(*a, conversion);
            return FormatCharacter(out, conv, *a);
        case C::WideString:
        case C::AnsiString:
            return FormatString(out, conv, *a, conversion);
        default:
            return;
        }
    }

    // The arguments '*' takes for the width and the precision; false when they are missing.
    bool TakeStars(Conversion& conv, std::u16string_view conversion)
    {
        if (conv.widthStar)
        {
            int w = 0;
            if (!TakeInt(w, conversion))
                return false;
            if (w < 0)
            {
                conv.left = true;
                w = w == INT32_MIN ? kMaxWidth : -w;
            }
            conv.width = w > kMaxWidth ? kMaxWidth : w;
        }
        if (conv.precisionStar)
        {
            int pr = 0;
            if (!TakeInt(pr, conversion))
                return false;
            conv.precision = pr < 0 ? -1 : (pr > kMaxWidth ? kMaxWidth : pr);
        }
        return true;
    }

    void FormatCharacter(std::u16string& out, Conversion& conv, const Arg& a)
    {
        conv.precision = -1;
        if (conv.cls == Conversion::Class::WideChar)
        {
            const char16_t ch = static_cast<char16_t>(RawBits(a));
            FormatText(out, conv, std::u16string_view(&ch, 1));
            return;
        }
        const char byte = static_cast<char>(RawBits(a));
        std::u16string wide;
        // A lone lead byte of a double-byte code page prints nothing, as on the handheld.
        if (!DecodeBytes(CP_ACP, std::string_view(&byte, 1), true, wide))
            wide.clear();
        FormatText(out, conv, wide);
    }

    void FormatString(std::u16string& out, Conversion& conv, const Arg& a, std::u16string_view conversion)
    {
        if (conv.cls == Conversion::Class::WideString)
        {
            if (a.kind == Arg::Kind::WStr)
                return FormatText(out, conv,
                                  a.ws ? std::u16string_view(a.ws) : std::u16string_view(u"(null)"));
            if (IsNull(a))
                return FormatText(out, conv, u"(null)");
            return Mismatch(a, conversion);
        }
        if (a.kind == Arg::Kind::AStr && a.as)
        {
            std::u16string wide;
            DecodeBytes(CP_ACP, a.as, false, wide);
            return FormatText(out, conv, wide);
        }
        if (a.kind == Arg::Kind::AStr || IsNull(a))
            return FormatText(out, conv, u"(null)");
        return Mismatch(a, conversion);
    }

    // NULL passed for a string: a null pointer, or the integer 0 that NULL may expand to.
    static bool IsNull(const Arg& a)
    {
        return (a.kind == Arg::Kind::Pointer && a.p == nullptr) ||
               ((a.kind == Arg::Kind::Int || a.kind == Arg::Kind::UInt) && a.u == 0);
    }

    const char16_t* m_format;
    const Arg* m_args;
    size_t m_count;
    size_t m_next = 0;
    bool m_missingReported = false;
};

} // namespace

std::vector<Arg> ArgsFromVaList(const char16_t* format, va_list args)
{
    std::vector<Arg> list;
    if (!format)
        return list;
    auto push = [&](Arg::Kind kind, uint8_t size) -> Arg&
    {
        Arg a{};
        a.kind = kind;
        a.size = size;
        list.push_back(a);
        return list.back();
    };
    using C = Conversion::Class;
    for (const char16_t* p = format; *p;)
    {
        if (*p++ != u'%')
            continue;
        Conversion conv;
        p = ParseConversion(p, conv);
        if (conv.cls == C::Incomplete || conv.cls == C::Percent || conv.cls == C::Unknown)
            continue;
        if (conv.widthStar)
            push(Arg::Kind::Int, sizeof(int)).i = va_arg(args, int);
        if (conv.precisionStar)
            push(Arg::Kind::Int, sizeof(int)).i = va_arg(args, int);
        switch (conv.cls)
        {
        case C::Signed:
            if (conv.Is64())
                push(Arg::Kind::Int, 8).i = va_arg(args, long long);
            else
                push(Arg::Kind::Int, sizeof(int)).i = va_arg(args, int);
            break;
        case C::Unsigned:
            if (conv.Is64())
                push(Arg::Kind::UInt, 8).u = va_arg(args, unsigned long long);
            else
                push(Arg::Kind::UInt, sizeof(int)).u = va_arg(args, unsigned int);
            break;
        case C::Float:
            push(Arg::Kind::Double, sizeof(double)).d = va_arg(args, double);
            break;
        case C::WideChar:
        case C::AnsiChar:
            push(Arg::Kind::Int, sizeof(int)).i = va_arg(args, int);
            break;
        case C::WideString:
            push(Arg::Kind::WStr, sizeof(void*)).ws = va_arg(args, const char16_t*);
            break;
        case C::AnsiString:
            push(Arg::Kind::AStr, sizeof(void*)).as = va_arg(args, const char*);
            break;
        case C::Pointer:
            push(Arg::Kind::Pointer, sizeof(void*)).p = va_arg(args, const void*);
            break;
        default:
            break;
        }
    }
    return list;
}

} // namespace ce::text

namespace ce::fmt
{

MismatchHandler SetMismatchHandler(MismatchHandler handler)
{
    return ce::text::g_handler.exchange(handler);
}

std::u16string Format(const char16_t* format, const Arg* args, size_t count)
{
    try
    {
        return ce::text::Formatter(format, args, count).Run();
    }
    catch (...)
    {
        // Out of memory: an empty text rather than an exception through the caller's C interface.
        return std::u16string();
    }
}

} // namespace ce::fmt
