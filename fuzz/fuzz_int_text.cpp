// Integer text: ParseInt against a plain reference reading of the syntax, and
// every parsed value written back in decimal and hexadecimal parses to itself.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/IntText.h"

namespace {

using talmir::ParseInt;

// The syntax read step by step, with 64-bit arithmetic for the range checks.
std::optional<int32_t> Reference(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::string_view rest = s.substr(i);
    int base = 10;
    if (rest.starts_with("0x") || rest.starts_with("0X")) {
        base = 16;
        rest.remove_prefix(2);
    } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        base = 16;
        rest.remove_prefix(1);
    }
    if (rest.empty() || (base == 16 && rest.size() > 8)) return std::nullopt;
    int64_t magnitude = 0;
    for (char c : rest) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return std::nullopt;
        magnitude = magnitude * base + d;
        if (base == 10 && magnitude > (negative ? 2147483648LL : 2147483647LL)) return std::nullopt;
    }
    // A hexadecimal value is a 32-bit pattern; the sign negates that pattern.
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

std::string HexDigits(uint32_t v) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[v & 15]);
        v >>= 4;
    } while (v != 0);
    return text;
}

void CheckWritesBack(int32_t v) {
    const auto bits = static_cast<uint32_t>(v);
    FUZZ_CHECK(ParseInt(std::to_string(v)) == v);
    FUZZ_CHECK(ParseInt("$" + HexDigits(bits)) == v);
    FUZZ_CHECK(ParseInt("0X" + HexDigits(bits)) == v);
    FUZZ_CHECK(ParseInt(" \tx" + talmir::Hex4(bits)) == v);
    FUZZ_CHECK(ParseInt("$" + talmir::Hex6(bits)) == v);
    // A negative pattern written as a negated magnitude.
    FUZZ_CHECK(ParseInt("-$" + HexDigits(0u - bits)) == v);
    const std::string reg = talmir::RegDisplay(static_cast<uint16_t>(bits));
    FUZZ_CHECK(reg.size() == 5 && reg[0] == '$');
    FUZZ_CHECK(ParseInt(reg) == static_cast<int32_t>(bits & 0xFFFF));
    FUZZ_CHECK(talmir::Hex4(bits).size() >= 4 && talmir::Hex6(bits).size() >= 6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64) return 0;
    // Exactly the input's bytes on the heap, so a read past the text is caught.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> parsed = ParseInt(text);
    FUZZ_CHECK(parsed == Reference(text));
    FUZZ_CHECK(talmir::ParseIntOr(text, 12345) == parsed.value_or(12345));
    // Leading blanks never change the result; anything after the digits fails it.
    FUZZ_CHECK(ParseInt(" \t" + text) == parsed);
    FUZZ_CHECK(!ParseInt(text + " ").has_value());
    if (parsed) CheckWritesBack(*parsed);
    // Every 32-bit value from the input's first bytes writes back too.
    if (size >= 4) {
        const uint32_t v = uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
                           uint32_t{data[3]} << 24;
        CheckWritesBack(static_cast<int32_t>(v));
    }
    return 0;
}
