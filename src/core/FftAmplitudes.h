#pragma once
// Amplitude spectrum of a chart series over an x range, for judging a
// signal's noise: Welch's averaged periodogram with a Hann window, scaled so
// that a sine of amplitude A at a bin's frequency reads A (in LSB, the units
// of the samples).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/SeriesStore.h"

namespace talmir {

struct FftAmplitudes {
    // Bins 0 to Length/2; bin k lies at k / Length cycles per sample. Each
    // segment loses its mean first, so bin 0 holds what is left of it (0).
    std::vector<double> AmplitudeLsb;
    int Length = 0;    // samples per segment: a power of two
    int Segments = 0;  // segments averaged
    // The median of bins 1 to Length/2: the level most bins show, so the few
    // bins of a tone or of drift leave it alone. White noise of standard
    // deviation σ gives √(6/Length)·σ once many segments are averaged (down
    // to √(6·ln 2/Length)·σ for one, whose bins scatter more).
    double NoiseFloorLsb = 0;
    int PeakBin = 0;  // largest bin above 0
    double PeakLsb = 0;
};

struct FftAmplitudesResult {
    std::optional<FftAmplitudes> spectrum;
    std::string refusal;  // why none, in Russian
};

// The spectrum of the samples with xFrom <= x <= xTo, taken in order as if
// equally spaced. Segments are the largest power of two up to 65536 samples
// that the range holds, overlapping by half; a longer range averages at most
// 64 of them, spread evenly over it. Refuses fewer than 16 samples.
FftAmplitudesResult ComputeFftAmplitudes(const SeriesStore& store, int64_t xFrom, int64_t xTo);

}  // namespace talmir
