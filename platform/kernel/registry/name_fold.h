// Case folding of key and value names: names compare case-insensitively and are stored as written.
#pragma once

#include <string>
#include <string_view>

namespace ce::registry
{

// Maps every upper-case letter of ASCII, Latin-1, Latin Extended-A and Additional, Greek, Cyrillic,
// Armenian, Georgian and the full-width forms to its lower-case letter; everything else is unchanged.
// The folded form is stored in the database, so this mapping must never change for existing letters.
char16_t FoldChar(char16_t c);
std::u16string FoldName(std::u16string_view name);

} // namespace ce::registry
