#pragma once
// Header and data lines of the work-data file and the XY data file.

#include <cstdint>
#include <string>

namespace talmir {

// "Angle;Anplitude;X;Y;" (spelling kept so existing data files stay compatible).
std::string WorkDataHeader();

// Angle as 4 upper-case hex digits, amplitude unsigned decimal, X and Y
// signed decimal, each followed by ";": "1A2F;5120;-1200;3400;".
std::string WorkDataLine(uint16_t r37, uint16_t r38, int32_t x, int32_t y);

// "X;Y", without a trailing ";".
std::string XYHeader();

// "x;y;" in signed decimal.
std::string XYLine(int32_t x, int32_t y);

}  // namespace talmir
