#pragma once
// Integer text: the one syntax for every integer typed by the user or read
// from a text or INI file, and the hexadecimal forms used in displays and
// data files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talmir {

// Parses a signed 32-bit integer. Leading blanks (space, tab) are skipped;
// then an optional "+" or "-"; then either hexadecimal digits after "$", "x",
// "X", "0x" or "0X" (1 to 8 digits, taken as a 32-bit pattern, so "$FFFFFFFF"
// is -1) or decimal digits (must fit a signed 32-bit value). Nothing may
// follow the digits. A sign applies to the hexadecimal value as well.
std::optional<int32_t> ParseInt(std::string_view text);

// ParseInt, or `fallback` when the text is not an integer.
int32_t ParseIntOr(std::string_view text, int32_t fallback);

// Upper-case hexadecimal, zero-padded to at least 4 digits.
std::string Hex4(uint32_t v);

// Upper-case hexadecimal, zero-padded to at least 6 digits.
std::string Hex6(uint32_t v);

// Register value display: "$" and exactly 4 upper-case hexadecimal digits.
std::string RegDisplay(uint16_t v);

}  // namespace talmir
