#include "core/SampleLines.h"

#include "core/IntText.h"

namespace talmir {

std::string WorkDataHeader() {
    return "Angle;Anplitude;X;Y;";
}

std::string WorkDataLine(uint16_t r37, uint16_t r38, int32_t x, int32_t y) {
    return Hex4(r37) + ";" + std::to_string(r38) + ";" + std::to_string(x) + ";" +
           std::to_string(y) + ";";
}

std::string XYHeader() {
    return "X;Y";
}

std::string XYLine(int32_t x, int32_t y) {
    return std::to_string(x) + ";" + std::to_string(y) + ";";
}

}  // namespace talmir
