// swscanf: reads numbers and words from wide text.
//
// Conversions: %d %i %u %x %X %o (integers; the size prefixes hh, h, l, ll, I64, I32 and I, where l is
// 32 bits as on the handheld), %e %f %g (float, l for double), %s and %c (wide; %S, %hs, %C and %hc
// store 8-bit text in the ANSI code page), %n and %%. A width limits the characters a conversion
// reads; '*' reads without storing. Integers wrap around instead of clamping, as the handheld's
// runtime does. The result is the number of stored fields, or EOF when the input ends before the
// first conversion.

#include "text_internal.h"

#include <kernel/text.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <optional>
#include <string_view>

namespace
{

using Size = ce::text::Conversion::Size;

int DigitIn(char16_t c, int base)
{
    const int d = ce::text::DigitValue(c);
    return d < base ? d : -1;
}

class Scanner
{
public:
    Scanner(const char16_t* input, const char16_t* format, va_list args)
        : m_start(input), m_in(input), m_format(format)
    {
        va_copy(m_args, args);
    }
    ~Scanner() { va_end(m_args); }
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    int Run();

private:
    enum class Step
    {
        Done,         // the conversion completed
        InputFailure, // the input ended
        MatchFailure, // the input did not fit
    };

    void SkipSpace()
    {
        while (iswspace(*m_in))
            ++m_in;
    }

    Step Integer(int base, bool isSigned, size_t width, bool store, Size size);
    Step Float(size_t width, bool store, Size size);
    Step Text(bool word, bool wide, size_t width, bool store);
    // One conversion by its letter; nullopt for a letter the runtime does not know.
    std::optional<Step> Convert(char16_t conv, size_t width, bool store, Size size);

    template <class T> void Store(T value) { *va_arg(m_args, T*) = value; }
    void StoreInteger(uint64_t value, Size size);

    const char16_t* m_start;
    const char16_t* m_in;
    const char16_t* m_format;
    va_list m_args;
};

void Scanner::StoreInteger(uint64_t value, Size size)
{
    switch (size)
    {
    case Size::Char:
        return Store(static_cast<char>(value));
    case Size::Short:
        return Store(static_cast<int16_t>(value));
    case Size::Int64:
    case Size::PtrSize:
        return Store(static_cast<int64_t>(value));
    default:
        return Store(static_cast<int32_t>(value));
    }
}

Scanner::Step Scanner::Integer(int base, bool isSigned, size_t width, bool store, Size size)
{
    (void)isSigned; // signed and unsigned conversions read the same way; the sign wraps
    SkipSpace();
    if (!*m_in)
        return Step::InputFailure;
    const char16_t* p = m_in;
    size_t left = width;
    bool negative = false;
    if (left && (*p == u'+' || *p == u'-'))
    {
        negative = *p++ == u'-';
        --left;
    }
    bool digits = false;
    if (left && *p == u'0' && (base == 0 || base == 16))
    {
        // "0x" introduces a hexadecimal number; a lone 0 (or "0x" with nothing after it) reads as 0.
        ++p;
        --left;
        digits = true;
        if (left && (*p == u'x' || *p == u'X'))
        {
            ++p;
            --left;
            base = 16;
        }
        else if (base == 0)
        {
            base = 8;
        }
    }
    if (base == 0)
        base = 10;
    uint64_t value = 0;
    for (int d; left && (d = DigitIn(*p, base)) >= 0; ++p, --left)
    {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        digits = true;
    }
    if (!digits)
        return Step::MatchFailure;
    m_in = p;
    if (negative)
        value = 0 - value;
    if (store)
        StoreInteger(value, size);
    return Step::Done;
}

Scanner::Step Scanner::Float(size_t width, bool store, Size size)
{
    SkipSpace();
    if (!*m_in)
        return Step::InputFailure;
    std::string ascii;
    const char16_t* p = m_in;
    size_t left = width;
    auto take = [&]()
    {
        ascii.push_back(static_cast<char>(*p++));
        --left;
    };
    if (left && (*p == u'+' || *p == u'-'))
        take();
    bool digits = false;
    while (left && iswdigit(*p))
    {
        take();
        digits = true;
    }
    if (left && *p == u'.')
    {
        take();
        while (left && iswdigit(*p))
        {
            take();
            digits = true;
        }
    }
    if (!digits)
        return Step::MatchFailure;
    if (left && (*p == u'e' || *p == u'E'))
    {
        // Only an exponent with digits belongs to the number.
        const char16_t* q = p + 1;
        size_t l = left - 1;
        if (l && (*q == u'+' || *q == u'-'))
        {
            ++q;
            --l;
        }
        if (l && iswdigit(*q))
        {
            while (p < q)
                take();
            while (left && iswdigit(*p))
                take();
        }
    }
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const double v = strtod_l(ascii.c_str(), nullptr, c);
    m_in = p;
    if (store)
    {
        if (size == Size::Long || size == Size::Int64)
            Store(v);
        else
            Store(static_cast<float>(v));
    }
    return Step::Done;
}

// A word (%s: up to the next white space, skipping white space before it) or characters (%c: exactly
// `width` of them, white space included, no terminator).
Scanner::Step Scanner::Text(bool word, bool wide, size_t width, bool store)
{
    if (word)
        SkipSpace();
    if (!*m_in)
        return Step::InputFailure;
    const char16_t* p = m_in;
    size_t left = width;
    while (left && *p && !(word && iswspace(*p)))
    {
        ++p;
        --left;
    }
    const std::u16string_view text(m_in, static_cast<size_t>(p - m_in));
    m_in = p;
    if (!store)
        return Step::Done;
    if (wide)
    {
        char16_t* dst = va_arg(m_args, char16_t*);
        std::memcpy(dst, text.data(), text.size() * sizeof(char16_t));
        if (word)
            dst[text.size()] = 0;
    }
    else
    {
        char* dst = va_arg(m_args, char*);
        std::string bytes;
        ce::text::EncodeWide(CP_ACP, text, nullptr, nullptr, false, bytes);
        std::memcpy(dst, bytes.data(), bytes.size());
        if (word)
            dst[bytes.size()] = 0;
    }
    return Step::Done;
}

// The size prefix of a conversion (hh, h, l, w, L, ll, I64, I32, I); moves past it.
Size ParseSize(const char16_t*& f)
{
    const struct
    {
        std::u16string_view prefix;
        Size size;
    } prefixes[] = {{u"hh", Size::Char},   {u"h", Size::Short},   {u"ll", Size::Int64},
                    {u"l", Size::Long},    {u"w", Size::Long},    {u"L", Size::Long},
                    {u"I64", Size::Int64}, {u"I32", Size::Int32}, {u"I", Size::PtrSize}};
    const std::u16string_view rest(f);
    for (const auto& p : prefixes)
    {
        if (rest.starts_with(p.prefix))
        {
            f += p.prefix.size();
            return p.size;
        }
    }
    return Size::Default;
}

std::optional<Scanner::Step> Scanner::Convert(char16_t conv, size_t width, bool store, Size size)
{
    const size_t limit = width ? width : static_cast<size_t>(-1);
    switch (conv)
    {
    case u'd':
        return Integer(10, true, limit, store, size);
    case u'i':
        return Integer(0, true, limit, store, size);
    case u'u':
        return Integer(10, false, limit, store, size);
    case u'x':
    case u'X':
        return Integer(16, false, limit, store, size);
    case u'o':
        return Integer(8, false, limit, store, size);
    case u'e':
    case u'E':
    case u'f':
    case u'g':
    case u'G':
        return Float(limit, store, size);
    case u's':
        return Text(true, size != Size::Short, limit, store);
    case u'S':
        return Text(true, size == Size::Long, limit, store);
    case u'c':
        return Text(false, size != Size::Short, width ? width : 1, store);
    case u'C':
        return Text(false, size == Size::Long, width ? width : 1, store);
    default:
        return std::nullopt; // a conversion the runtime does not know
    }
}

int Scanner::Run()
{
    int assigned = 0;
    bool converted = false;
    auto inputFailure = [&]() { return converted ? assigned : EOF; };
    const char16_t* f = m_format;
    while (*f)
    {
        if (iswspace(*f))
        {
            while (iswspace(*f))
                ++f;
            SkipSpace();
            continue;
        }
        if (*f != u'%' || f[1] == u'%')
        {
            // An ordinary character, or "%%" (a '%' after optional white space).
            if (*f == u'%')
            {
                SkipSpace();
                ++f;
            }
            if (!*m_in)
                return inputFailure();
            if (*m_in != *f)
                return assigned;
            ++m_in;
            ++f;
            continue;
        }
        ++f;
        const bool store = *f != u'*';
        if (!store)
            ++f;
        size_t width = 0;
        while (iswdigit(*f))
        {
            if (width < 1000000)
                width = width * 10 + static_cast<size_t>(*f - u'0');
            ++f;
        }
        const Size size = ParseSize(f);
        const char16_t conv = *f;
        if (!conv)
            break;
        ++f;
        if (conv == u'n')
        {
            // The characters read so far; neither a field nor a conversion.
            if (store)
                StoreInteger(static_cast<uint64_t>(m_in - m_start), size);
            continue;
        }
        const std::optional<Step> step = Convert(conv, width, store, size);
        if (!step || *step == Step::MatchFailure)
            return assigned; // an unknown conversion ends the scan too
        if (*step == Step::InputFailure)
            return inputFailure();
        converted = true;
        if (store)
            ++assigned;
    }
    return assigned;
}

} // namespace

int vswscanf(const char16_t* buffer, const char16_t* format, va_list args)
{
    if (!buffer || !format)
        return EOF;
    return Scanner(buffer, format, args).Run();
}

int swscanf(const char16_t* buffer, const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int r = vswscanf(buffer, format, args);
    va_end(args);
    return r;
}
