// UTF-8 <-> UTF-16 conversion inside the kernel, its tools and the simulator: one implementation, the one
// MultiByteToWideChar and WideCharToMultiByte use for CP_UTF8. Lenient decoding turns every invalid
// sequence (the longest start of a valid one) into one U+FFFD, as Windows does; lenient encoding turns an
// unpaired surrogate into U+FFFD. The strict forms fail instead.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ce::text
{

// Appends the UTF-16 of `in` to `out`. Strict: false at the first invalid sequence, with its offset in
// *badOffset, and `out` as it was.
bool DecodeUtf8(std::string_view in, bool strict, std::u16string& out, std::size_t* badOffset = nullptr);
// Appends the UTF-8 of `in` to `out`. Strict: false at an unpaired surrogate, and `out` as it was.
bool EncodeUtf8(std::u16string_view in, bool strict, std::string& out);

std::u16string FromUtf8(std::string_view in);
std::string ToUtf8(std::u16string_view in);
// Nothing for an unpaired surrogate (a name no host path can carry).
std::optional<std::string> ToUtf8Strict(std::u16string_view in);

} // namespace ce::text
