#include "core/IntText.h"

#include <cstdio>

namespace talmir {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Strips a hexadecimal prefix; returns false when there is none.
bool StripHexPrefix(std::string_view& s) {
    if (s.starts_with("0x") || s.starts_with("0X")) {
        s.remove_prefix(2);
        return true;
    }
    if (s.starts_with('$') || s.starts_with('x') || s.starts_with('X')) {
        s.remove_prefix(1);
        return true;
    }
    return false;
}

// 1..8 hexadecimal digits as a 32-bit pattern.
std::optional<uint32_t> ParseHexDigits(std::string_view s) {
    if (s.empty() || s.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : s) {
        const int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return value;
}

// Decimal magnitude; `limit` is the largest magnitude the sign allows.
std::optional<uint32_t> ParseDecDigits(std::string_view s, uint32_t limit) {
    if (s.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::string HexPadded(uint32_t v, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", width, v);
    return buf;
}

}  // namespace

std::optional<int32_t> ParseInt(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);

    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }

    std::optional<uint32_t> magnitude;
    if (StripHexPrefix(s)) {
        magnitude = ParseHexDigits(s);
    } else {
        magnitude = ParseDecDigits(s, negative ? 0x80000000u : 0x7FFFFFFFu);
    }
    if (!magnitude) return std::nullopt;

    // Two's complement negation in unsigned arithmetic, so "-$80000000" and
    // "-2147483648" are well defined.
    const uint32_t bits = negative ? (0u - *magnitude) : *magnitude;
    return static_cast<int32_t>(bits);
}

int32_t ParseIntOr(std::string_view text, int32_t fallback) {
    return ParseInt(text).value_or(fallback);
}

std::string Hex4(uint32_t v) {
    return HexPadded(v, 4);
}

std::string Hex6(uint32_t v) {
    return HexPadded(v, 6);
}

std::string RegDisplay(uint16_t v) {
    return "$" + HexPadded(v, 4);
}

}  // namespace talmir
