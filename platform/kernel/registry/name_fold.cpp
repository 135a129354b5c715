#include "name_fold.h"

namespace ce::registry
{
namespace
{

// A range whose upper-case letters map by a fixed offset, either every letter (step 1) or every other
// letter starting at `first` (step 2, the paired upper/lower layout of the Latin and Cyrillic blocks).
struct FoldRange
{
    char16_t first;
    char16_t last;
    unsigned char step;
    int offset;
};

constexpr FoldRange kRanges[] = {
    {0x0041, 0x005A, 1, 0x20},   // A-Z
    {0x00C0, 0x00D6, 1, 0x20},   // Latin-1 À-Ö
    {0x00D8, 0x00DE, 1, 0x20},   // Ø-Þ
    {0x0100, 0x012E, 2, 1},      // Latin Extended-A pairs
    {0x0132, 0x0136, 2, 1},      //
    {0x0139, 0x0147, 2, 1},      //
    {0x014A, 0x0176, 2, 1},      //
    {0x0179, 0x017D, 2, 1},      //
    {0x0386, 0x0386, 1, 0x26},   // Greek Ά
    {0x0388, 0x038A, 1, 0x25},   // Έ-Ί
    {0x038C, 0x038C, 1, 0x40},   // Ό
    {0x038E, 0x038F, 1, 0x3F},   // Ύ-Ώ
    {0x0391, 0x03A1, 1, 0x20},   // Α-Ρ
    {0x03A3, 0x03AB, 1, 0x20},   // Σ-Ϋ
    {0x03D8, 0x03EE, 2, 1},      // Greek archaic and Coptic pairs
    {0x0400, 0x040F, 1, 0x50},   // Cyrillic Ѐ-Џ
    {0x0410, 0x042F, 1, 0x20},   // А-Я
    {0x0460, 0x0480, 2, 1},      // Cyrillic pairs
    {0x048A, 0x04BE, 2, 1},      //
    {0x04C0, 0x04C0, 1, 0x0F},   // Ӏ
    {0x04C1, 0x04CD, 2, 1},      //
    {0x04D0, 0x052E, 2, 1},      //
    {0x0531, 0x0556, 1, 0x30},   // Armenian
    {0x10A0, 0x10C5, 1, 0x1C60}, // Georgian Asomtavruli
    {0x1E00, 0x1E94, 2, 1},      // Latin Extended Additional
    {0x1EA0, 0x1EFE, 2, 1},      //
    {0x2160, 0x216F, 1, 0x10},   // Roman numerals
    {0x24B6, 0x24CF, 1, 0x1A},   // circled letters
    {0x2C00, 0x2C2E, 1, 0x30},   // Glagolitic
    {0xFF21, 0xFF3A, 1, 0x20},   // full-width A-Z
};

} // namespace

char16_t FoldChar(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    if (c == 0x0178) // Ÿ
        return 0x00FF;
    for (const FoldRange& r : kRanges)
    {
        if (c < r.first)
            break; // the table is sorted
        if (c <= r.last && (r.step == 1 || (c - r.first) % 2 == 0))
            return static_cast<char16_t>(c + r.offset);
    }
    return c;
}

std::u16string FoldName(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded)
        c = FoldChar(c);
    return folded;
}

} // namespace ce::registry
