#pragma once
// Texts shared by the calibration analyses (EllipseFit, AngleError): numbers
// with a decimal comma and the refusal for too short a record.

#include <charconv>
#include <cstddef>
#include <string>

namespace talmir {

// Fewest samples either analysis accepts.
inline constexpr size_t kMinAnalysisSamples = 50;

// `value` rounded to `digits` decimals, with a decimal comma ("89,9")
// whatever the process locale.
inline std::string DecimalText(double value, int digits) {
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits).ptr;
    std::string text(buffer, end);
    for (char& c : text) {
        if (c == '.') c = ',';
    }
    return text;
}

inline std::string TooFewSamplesText(size_t count) {
    return "слишком мало точек: " + std::to_string(count) + ", нужно не меньше " +
           std::to_string(kMinAnalysisSamples);
}

}  // namespace talmir
