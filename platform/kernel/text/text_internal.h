// Pieces shared by the text functions of the kernel: the conversion parser used by the
// formatting engine and the C-runtime wrappers, and the code page conversions without the Windows
// argument checks (and without touching the thread's last error).
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>
#include <wformat.h>

namespace ce::text
{

// One "%..." conversion of a format.
struct Conversion
{
    enum class Size : uint8_t
    {
        Default, // 32-bit integers, the string width of the conversion letter
        Char,    // hh
        Short,   // h (also selects 8-bit strings and characters)
        Long,    // l / w (32-bit integers; wide strings and characters)
        Int32,   // I32
        Int64,   // ll, I64
        PtrSize, // I (pointer-sized)
    };
    enum class Class : uint8_t
    {
        Signed,
        Unsigned,
        Float,
        WideChar,
        AnsiChar,
        WideString,
        AnsiString,
        Pointer,
        Percent,
        Unknown,    // printed as the letter itself, as the handheld's runtime does
        Incomplete, // the format ended inside the conversion
    };

    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    bool widthStar = false;
    bool precisionStar = false;
    int width = 0;
    int precision = -1;
    Size size = Size::Default;
    char16_t conv = 0;
    Class cls = Class::Incomplete;

    bool Is64() const { return size == Size::Int64 || size == Size::PtrSize; }
};

// Parses the conversion that starts just after a '%'; returns the position after it.
const char16_t* ParseConversion(const char16_t* p, Conversion& conv);

// Reads the arguments a format asks for from a C argument list, each by the type its conversion
// implies (int for %d, double for %f, const char16_t* for %s ...).
std::vector<ce::fmt::Arg> ArgsFromVaList(const char16_t* format, va_list args);

// The code page a CP_ACP / CP_OEMCP / CP_THREAD_ACP / CP_MACCP request stands for; others unchanged.
UINT ResolveCodePage(UINT codePage);

// Whether the code page is one the kernel converts.
bool IsKnownCodePage(UINT codePage);

// Converts 8-bit text. With strict set an invalid sequence fails the conversion (false); otherwise it
// becomes U+FFFD (UTF-8) or '?' (other code pages).
bool DecodeBytes(UINT codePage, std::string_view bytes, bool strict, std::u16string& out);

// Converts UTF-16 text. Characters the code page lacks become defaultChar (or '?' when null) and set
// *usedDefault. With strict set (UTF-8 only) an unpaired surrogate fails the conversion.
bool EncodeWide(UINT codePage, std::u16string_view text, const char* defaultChar, bool* usedDefault,
                bool strict, std::string& out);

} // namespace ce::text
