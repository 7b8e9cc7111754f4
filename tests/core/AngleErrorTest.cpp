#include "core/AngleError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace talmir {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;

// A run at steady speed: the true angle θ = fromDeg + degPerSample·i, the
// chip's angle θ + offsetDeg + Σ amplitude_k·sin(kθ + phase_k) as a 16-bit
// code, and ideal channels X = A sin θ, Y = A cos θ.
struct SteadyRun {
    int samples;
    double fromDeg, degPerSample, offsetDeg;
    double amplitudeDeg[3];  // harmonics 1, 2, 3
};

double Harmonics(const SteadyRun& run, double theta) {
    const double phase[3] = {0.3, 1.1, -0.7};
    double sum = 0;
    for (int k = 1; k <= 3; ++k) {
        sum += run.amplitudeDeg[k - 1] * std::sin(k * theta * kRad + phase[k - 1]);
    }
    return sum;
}

std::vector<AngleSample> Make(const SteadyRun& run) {
    std::vector<AngleSample> samples;
    for (int i = 0; i < run.samples; ++i) {
        const double theta = run.fromDeg + run.degPerSample * i;
        const double chip = theta + run.offsetDeg + Harmonics(run, theta);
        const long code = std::lround(chip / 360.0 * 65536.0);
        samples.push_back({static_cast<uint16_t>(code & 0xFFFF),
                           static_cast<int32_t>(std::lround(20000 * std::sin(theta * kRad))),
                           static_cast<int32_t>(std::lround(20000 * std::cos(theta * kRad)))});
    }
    return samples;
}

TEST(AngleError, FindsInjectedHarmonics) {
    const SteadyRun runs[] = {
        {10000, 10, 1.3 * 360 / 9999, 0, {0.5, 0.2, 0.1}},     // 1.3 turns: tilt the plain line
        {3000, 300, -7.7 * 360 / 2999, 12, {0.3, 0.15, 0.2}},  // backwards, through 0°
        {500, 0, 8.3 * 360 / 499, -25, {0.4, 0.1, 0.3}},       // 60 samples a turn
    };
    for (const SteadyRun& run : runs) {
        SCOPED_TRACE(testing::Message() << run.samples << " samples, " << run.degPerSample);
        const AngleErrorResult r = AnalyseAngleError(Make(run));
        ASSERT_TRUE(r.analysis) << r.refusal;
        const AngleErrorAnalysis& a = *r.analysis;
        // Mean and mean square of the injected error over these samples.
        double mean = 0, square = 0;
        for (int i = 0; i < run.samples; ++i) {
            const double h = Harmonics(run, run.fromDeg + run.degPerSample * i);
            mean += h / run.samples;
            square += h * h / run.samples;
        }
        for (int k = 1; k <= 8; ++k) {
            const double injected = k <= 3 ? run.amplitudeDeg[k - 1] : 0;
            EXPECT_NEAR(a.HarmonicDeg[k - 1], injected, std::max(0.02 * injected, 0.002)) << k;
        }
        EXPECT_NEAR(a.RmsErrorDeg, std::sqrt(square), 0.01 * std::sqrt(square));
        EXPECT_LE(a.PeakErrorDeg,
                  1.02 * (run.amplitudeDeg[0] + run.amplitudeDeg[1] + run.amplitudeDeg[2]));
        EXPECT_NEAR(a.Revolutions, std::abs(run.degPerSample) * (run.samples - 1) / 360, 1e-3);
        EXPECT_NEAR(a.DegPerSample, run.degPerSample, 1e-4 * std::abs(run.degPerSample));
        EXPECT_NEAR(a.ConverterOffsetDeg, run.offsetDeg + mean, 0.001);
        const double converterRms = std::sqrt(square - mean * mean);
        EXPECT_NEAR(a.ConverterRmsDeg, converterRms, 0.02 * converterRms);
    }
}

TEST(AngleError, Refusals) {
    struct Case {
        SteadyRun run;
        const char* refusal;
    };
    const Case cases[] = {
        {{49, 0, 30, 0, {}}, "слишком мало точек: 49, нужно не меньше 50"},
        {{1000, 0, 0.9 * 360 / 999, 0, {}}, "пройдено меньше одного оборота: 0,90"},
        {{1000, 0, 0.9999 * 360 / 999, 0, {}}, "пройдено меньше одного оборота: 0,99"},
        {{1000, 45, 0, 0, {}}, "пройдено меньше одного оборота: 0,00"},
    };
    for (const Case& c : cases) {
        const AngleErrorResult r = AnalyseAngleError(Make(c.run));
        EXPECT_FALSE(r.analysis);
        EXPECT_EQ(r.refusal, c.refusal);
    }
}

}  // namespace
}  // namespace talmir
