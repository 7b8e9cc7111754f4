#include "core/FftAmplitudes.h"

#include <kissfft.hh>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace talmir {

namespace {

constexpr int64_t kFewestSamples = 16;
constexpr int kLongestSegment = 65536;
constexpr int64_t kMostSegments = 64;

}  // namespace

FftAmplitudesResult ComputeFftAmplitudes(const SeriesStore& store, int64_t xFrom, int64_t xTo) {
    FftAmplitudesResult result;
    const int64_t first = store.LowerIndex(xFrom);
    const int64_t n = xFrom <= xTo ? store.UpperIndex(xTo) - first : 0;
    if (n < kFewestSamples) {
        result.refusal = "слишком мало точек для спектра: " + std::to_string(n) +
                         ", нужно не меньше " + std::to_string(kFewestSamples);
        return result;
    }
    int length = kLongestSegment;
    while (length > n) length /= 2;
    // Half-overlapping segments, or, when there would be more than
    // kMostSegments of them, that many spread evenly over the range.
    const int64_t overlapping = (n - length) / (length / 2) + 1;
    const int64_t segments = std::min(overlapping, kMostSegments);

    std::vector<double> window(static_cast<std::size_t>(length));
    double windowSum = 0;
    for (int i = 0; i < length; ++i) {
        window[static_cast<std::size_t>(i)] =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / length);
        windowSum += window[static_cast<std::size_t>(i)];
    }
    const kissfft<double> fft(static_cast<std::size_t>(length), false);
    std::vector<std::complex<double>> in(static_cast<std::size_t>(length)), out(in.size());
    std::vector<double> power(static_cast<std::size_t>(length / 2 + 1), 0.0);
    for (int64_t s = 0; s < segments; ++s) {
        const int64_t start =
            segments == 1 ? 0 : s * (n - length) / (segments - 1);  // evenly, ends included
        double mean = 0;
        for (int i = 0; i < length; ++i) mean += store.ValueAt(first + start + i);
        mean /= length;
        for (int i = 0; i < length; ++i) {
            const auto k = static_cast<std::size_t>(i);
            in[k] = (store.ValueAt(first + start + i) - mean) * window[k];
        }
        fft.transform(in.data(), out.data());
        for (std::size_t k = 0; k < power.size(); ++k) power[k] += std::norm(out[k]);
    }

    FftAmplitudes sp;
    sp.Length = length;
    sp.Segments = static_cast<int>(segments);
    sp.AmplitudeLsb.resize(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) {
        // One-sided: every bin but 0 and Length/2 has its mirror's half.
        const double twoSided = k == 0 || k * 2 == static_cast<std::size_t>(length) ? 1.0 : 2.0;
        sp.AmplitudeLsb[k] =
            twoSided * std::sqrt(power[k] / static_cast<double>(segments)) / windowSum;
    }
    std::vector<double> bins(sp.AmplitudeLsb.begin() + 1, sp.AmplitudeLsb.end());
    const auto peak = std::max_element(bins.begin(), bins.end());
    sp.PeakBin = static_cast<int>(peak - bins.begin()) + 1;
    sp.PeakLsb = *peak;
    const auto middle = bins.begin() + static_cast<std::ptrdiff_t>(bins.size() / 2);
    std::nth_element(bins.begin(), middle, bins.end());
    sp.NoiseFloorLsb = *middle;
    result.spectrum = std::move(sp);
    return result;
}

}  // namespace talmir
