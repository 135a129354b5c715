// Text helpers that the platform, its tools and the simulator share: case-insensitive comparison with the
// case tables of the wide C runtime (the folding _wcsicmp and towlower use), and the digits of numbers.
#pragma once

#include <string_view>

namespace ce::text
{

// Compares unit by unit with letters folded to lower case, as _wcsicmp does; a string that is a prefix of
// the other sorts first. Negative, zero or positive.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);
// 8-bit text such as host file names: ASCII letters folded, every other byte compared as it is.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The value of a digit of a number in a base up to 36: '0'-'9', then 'a'-'z' or 'A'-'Z' for 10 to 35;
// -1 for any other character.
constexpr int DigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'z')
        return static_cast<int>(c - U'a') + 10;
    if (c >= U'A' && c <= U'Z')
        return static_cast<int>(c - U'A') + 10;
    return -1;
}
// A hexadecimal digit's value (either case), -1 for any other character.
constexpr int HexDigitValue(char32_t c)
{
    const int d = DigitValue(c);
    return d < 16 ? d : -1;
}
// The digits of hexadecimal numbers, indexed by value.
inline constexpr char kHexDigitsLower[] = "0123456789abcdef";
inline constexpr char kHexDigitsUpper[] = "0123456789ABCDEF";

} // namespace ce::text
