// Small text helpers of the simulator: UTF-8/UTF-16 conversion, hexadecimal and number parsing, and
// case-insensitive comparison.
#pragma once

#include <kernel/text.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim
{

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// "0A1BFF" (upper case), no separators.
std::string HexBytes(std::span<const uint8_t> bytes);
// Accepts pairs of hex digits, optionally separated by spaces, '-', ':' or ','; nothing on a bad digit.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// "%08X" of a 32-bit value.
std::string Hex32(uint32_t value);

// A number in C notation: decimal, or hexadecimal after 0x; an optional leading '-'. The whole text must
// be the number. Values outside the 64-bit signed range give nothing.
std::optional<int64_t> ParseNumber(std::string_view text);
// Hexadecimal with or without 0x, 1 to 8 digits.
std::optional<uint32_t> ParseHex32(std::string_view text);

// Case-insensitive comparison, as the platform's wide runtime folds letters.
using ce::text::EqualsNoCase;

} // namespace sim
