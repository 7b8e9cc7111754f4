#include "core/AngleErrorCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace talmir {

AngleErrorCurve AngleErrorOverAngle(std::span<const AngleSample> samples, double degPerSample,
                                    std::size_t cells) {
    AngleErrorCurve curve;
    const std::size_t n = samples.size();
    if (n == 0 || cells == 0) return curve;
    constexpr double kDegPerCount = 360.0 / 65536.0;

    // Unwrapped angle in degrees from the first sample's code, less the
    // line through the origin; the mean of that is the line's intercept.
    std::vector<double> error(n);
    int64_t total = 0;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) {
            total +=
                static_cast<int16_t>(static_cast<uint16_t>(samples[i].code - samples[i - 1].code));
        }
        error[i] =
            static_cast<double>(total) * kDegPerCount - degPerSample * static_cast<double>(i);
        sum += error[i];
    }
    const double intercept = sum / static_cast<double>(n);
    const double start = samples[0].code * kDegPerCount + intercept;

    std::vector<double> cellSum(cells, 0.0);
    std::vector<std::size_t> cellCount(cells, 0);
    const double cellDeg = 360.0 / static_cast<double>(cells);
    for (std::size_t i = 0; i < n; ++i) {
        const double angle = start + degPerSample * static_cast<double>(i);
        const double turn = angle / 360.0 - std::floor(angle / 360.0);
        const std::size_t cell =
            std::min(cells - 1, static_cast<std::size_t>(turn * static_cast<double>(cells)));
        cellSum[cell] += error[i] - intercept;
        ++cellCount[cell];
    }
    for (std::size_t c = 0; c < cells; ++c) {
        if (cellCount[c] == 0) continue;
        curve.AngleDeg.push_back((static_cast<double>(c) + 0.5) * cellDeg);
        curve.ErrorDeg.push_back(cellSum[c] / static_cast<double>(cellCount[c]));
    }
    return curve;
}

}  // namespace talmir
