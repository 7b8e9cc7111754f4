#pragma once
// Statistics of the sine/cosine channels: running extremes since a start and
// the offset and amplitude derived from them.

#include <cstdint>

namespace talmir {

// Running maximum and minimum of channel X (sine) and Y (cosine). The first
// sample after Start sets all four; later samples only raise a maximum or
// lower a minimum.
class XYExtremes {
public:
    // Forgets all samples.
    void Start();
    void Add(int32_t x, int32_t y);

    int32_t SinMax = 0, SinMin = 0;
    int32_t CosMax = 0, CosMin = 0;
    bool HasSample = false;
};

// Half of `twice`, rounded to the nearest integer, a half going to the even
// neighbour (3 -> 2, 5 -> 2, 1 -> 0, -1 -> 0, -3 -> -2).
int32_t HalfRoundEven(int32_t twice);

// (max + min) / 2, the sum formed as a 32-bit integer, rounded half to even.
int32_t Offset(int32_t max, int32_t min);

// (max - min) / 2, the difference formed as a 32-bit integer, rounded half to even.
int32_t Amplitude(int32_t max, int32_t min);

}  // namespace talmir
