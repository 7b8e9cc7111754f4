#include "core/XYStats.h"

namespace talmir {

void XYExtremes::Start() {
    *this = XYExtremes{};
}

void XYExtremes::Add(int32_t x, int32_t y) {
    if (!HasSample) {
        SinMax = SinMin = x;
        CosMax = CosMin = y;
        HasSample = true;
        return;
    }
    if (x > SinMax) SinMax = x;
    if (y > CosMax) CosMax = y;
    if (x < SinMin) SinMin = x;
    if (y < CosMin) CosMin = y;
}

int32_t HalfRoundEven(int32_t twice) {
    int32_t half = twice >> 1;  // floor(twice / 2)
    // An exact half lies between half and half + 1; take the even one.
    if ((twice & 1) != 0 && (half & 1) != 0) ++half;
    return half;
}

int32_t Offset(int32_t max, int32_t min) {
    // 32-bit wrap-around, as the sum is formed in a 32-bit integer.
    return HalfRoundEven(
        static_cast<int32_t>(static_cast<uint32_t>(max) + static_cast<uint32_t>(min)));
}

int32_t Amplitude(int32_t max, int32_t min) {
    return HalfRoundEven(
        static_cast<int32_t>(static_cast<uint32_t>(max) - static_cast<uint32_t>(min)));
}

}  // namespace talmir
