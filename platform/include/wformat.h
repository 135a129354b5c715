// The formatting engine behind CString::Format, wsprintfW and swprintf. It follows the Windows
// conversions for wide formats: %s takes a wide string, %S (and %hs) an 8-bit one, %ls a wide one,
// %c a wide character (%C / %hc an 8-bit one); d i u x X o c e E f g G p % with flags "-+ #0", width
// and precision (also '*'), and the size prefixes h, l, ll, I64, I32. Integers are 32 bits wide unless
// a 64-bit prefix is given, as on Windows. Arguments carry their type, so a conversion that does not
// fit its argument is detected instead of reading garbage.
#pragma once

#ifndef RC_INVOKED
#include <cstdint>
#include <string>
#include <type_traits>

namespace ce::fmt
{

struct Arg
{
    enum class Kind : uint8_t
    {
        Int,     // signed integer of `size` bytes, in i
        UInt,    // unsigned integer of `size` bytes, in u
        Double,  // d
        WStr,    // UTF-16 text, ws (may be null)
        AStr,    // 8-bit text in the ANSI code page, as (may be null)
        Pointer, // p
    };
    Kind kind;
    uint8_t size;
    union
    {
        int64_t i;
        uint64_t u;
        double d;
        const char16_t* ws;
        const char* as;
        const void* p;
    };
};

// Called when a conversion does not fit its argument or arguments are missing: a programming error.
// The default handler prints the format to standard error and aborts; tests may install their own.
using MismatchHandler = void (*)(const char16_t* format, const char* what);
MismatchHandler SetMismatchHandler(MismatchHandler handler);

std::u16string Format(const char16_t* format, const Arg* args, size_t count);

template <class T> Arg MakeArg(const T& value)
{
    using U = std::remove_cv_t<std::decay_t<T>>;
    Arg a{};
    if constexpr (std::is_same_v<U, bool>)
    {
        a.kind = Arg::Kind::Int;
        a.size = sizeof(int);
        a.i = value ? 1 : 0;
    }
    else if constexpr (std::is_same_v<U, char16_t> || std::is_same_v<U, wchar_t>)
    {
        a.kind = Arg::Kind::UInt;
        a.size = 2;
        a.u = static_cast<uint64_t>(value);
    }
    else if constexpr (std::is_integral_v<U> || std::is_enum_v<U>)
    {
        using I = std::conditional_t<std::is_enum_v<U>, std::underlying_type<U>, std::type_identity<U>>;
        using V = typename I::type;
        if constexpr (std::is_signed_v<V>)
        {
            a.kind = Arg::Kind::Int;
            a.i = static_cast<int64_t>(value);
        }
        else
        {
            a.kind = Arg::Kind::UInt;
            a.u = static_cast<uint64_t>(value);
        }
        a.size = sizeof(V) < sizeof(int) ? sizeof(int) : sizeof(V);
    }
    else if constexpr (std::is_floating_point_v<U>)
    {
        a.kind = Arg::Kind::Double;
        a.size = sizeof(double);
        a.d = static_cast<double>(value);
    }
    else if constexpr (std::is_same_v<U, const char16_t*> || std::is_same_v<U, char16_t*>)
    {
        a.kind = Arg::Kind::WStr;
        a.size = sizeof(void*);
        a.ws = value;
    }
    else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*> ||
                       std::is_same_v<U, const unsigned char*> || std::is_same_v<U, unsigned char*>)
    {
        a.kind = Arg::Kind::AStr;
        a.size = sizeof(void*);
        a.as = reinterpret_cast<const char*>(value);
    }
    else if constexpr (std::is_same_v<U, std::u16string>)
    {
        a.kind = Arg::Kind::WStr;
        a.size = sizeof(void*);
        a.ws = value.c_str();
    }
    else if constexpr (std::is_same_v<U, std::string>)
    {
        a.kind = Arg::Kind::AStr;
        a.size = sizeof(void*);
        a.as = value.c_str();
    }
    else if constexpr (std::is_pointer_v<U> || std::is_null_pointer_v<U>)
    {
        a.kind = Arg::Kind::Pointer;
        a.size = sizeof(void*);
        a.p = static_cast<const void*>(value);
    }
    else
    {
        // Types with a text conversion (CString) provide FormatArg(const T&) found by lookup.
        return FormatArg(value);
    }
    return a;
}

template <class... Args> std::u16string FormatArgs(const char16_t* format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0)
    {
        return Format(format, nullptr, 0);
    }
    else
    {
        const Arg list[] = {MakeArg(args)...};
        return Format(format, list, sizeof...(Args));
    }
}

} // namespace ce::fmt
#endif // RC_INVOKED
