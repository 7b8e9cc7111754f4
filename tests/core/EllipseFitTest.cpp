#include "core/EllipseFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace talmir {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;

struct Params {
    double ox, oy, ax, ay, phiDeg;
};

// `n` points of the model from θ = fromDeg over arcDeg, both ends included
// unless the arc is the whole circle.
std::vector<std::pair<double, double>> Ellipse(const Params& p, double fromDeg, double arcDeg,
                                               int n) {
    std::vector<std::pair<double, double>> xy;
    const int steps = arcDeg >= 360 ? n : n - 1;
    for (int i = 0; i < n; ++i) {
        const double theta = (fromDeg + arcDeg * i / steps) * kRad;
        xy.emplace_back(p.ox + p.ax * std::sin(theta),
                        p.oy + p.ay * std::cos(theta + p.phiDeg * kRad));
    }
    return xy;
}

TEST(EllipseFit, RecoversExactEllipsesAndArcs) {
    struct Case {
        Params p;
        double fromDeg, arcDeg;
    };
    const Case cases[] = {
        {{0, 0, 20000, 20000, 0}, 0, 360},         {{1500, -800, 21000, 19000, 3.5}, 0, 360},
        {{-3000, 2500, 18000, 22000, -7}, 0, 360}, {{120, 240, 5000, 30000, -40}, 0, 360},
        {{-60, 30, 25000, 24000, 65}, 0, 360},     {{700, -400, 20000, 19500, 2}, 30, 180},
        {{700, -400, 20000, 19500, -2}, 200, 90},  {{-900, 1200, 15000, 16000, 10}, -75, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phi " << c.p.phiDeg << ", arc " << c.arcDeg);
        const auto xy = Ellipse(c.p, c.fromDeg, c.arcDeg, 400);
        const EllipseFitResult r = FitEllipse(xy);
        ASSERT_TRUE(r.fit) << r.refusal;
        const double scale = std::max(c.p.ax, c.p.ay);
        EXPECT_NEAR(r.fit->OffsetX, c.p.ox, 1e-6 * scale);
        EXPECT_NEAR(r.fit->OffsetY, c.p.oy, 1e-6 * scale);
        EXPECT_NEAR(r.fit->AmplitudeX, c.p.ax, 1e-6 * c.p.ax);
        EXPECT_NEAR(r.fit->AmplitudeY, c.p.ay, 1e-6 * c.p.ay);
        EXPECT_NEAR(r.fit->PhaseDeg, c.p.phiDeg, 1e-6 * std::max(1.0, std::abs(c.p.phiDeg)));
        EXPECT_NEAR(r.fit->MismatchPercent, (c.p.ax / c.p.ay - 1) * 100, 1e-4);
        EXPECT_LT(r.fit->NoiseLsb, 1e-6);
        if (c.arcDeg < 360) {
            EXPECT_NEAR(r.fit->ArcDeg, c.arcDeg, 1e-6);
        }
    }
}

TEST(EllipseFit, NoisyIntegerSamples) {
    const Params cases[] = {
        {350, -420, 20100, 19900, 1.5},
        {-1200, 800, 19800, 20050, -2.5},
    };
    for (const Params& p : cases) {
        SCOPED_TRACE(testing::Message() << "phi " << p.phiDeg);
        std::mt19937 rng(2024);
        std::normal_distribution<double> noise(0.0, 3.0);
        std::vector<std::pair<int32_t, int32_t>> xy;
        for (const auto& [x, y] : Ellipse(p, 0, 360, 10000)) {
            xy.emplace_back(static_cast<int32_t>(std::lround(x + noise(rng))),
                            static_cast<int32_t>(std::lround(y + noise(rng))));
        }
        const EllipseFitResult r = FitEllipse(xy);
        ASSERT_TRUE(r.fit) << r.refusal;
        EXPECT_NEAR(r.fit->OffsetX, p.ox, 2);
        EXPECT_NEAR(r.fit->OffsetY, p.oy, 2);
        EXPECT_NEAR(r.fit->PhaseDeg, p.phiDeg, 0.05);
        EXPECT_NEAR(r.fit->MismatchPercent, (p.ax / p.ay - 1) * 100, 0.05);
        EXPECT_NEAR(r.fit->NoiseLsb, 3.0, 0.3);
        EXPECT_EQ(r.fit->Samples, 10000u);
    }
}

// Against closed forms: an offset o alone on a circle of radius A turns the
// atan2 angle by at most asin(o/A), RMS o/(A√2) to first order; a gain of
// 1 + m on the sine channel alone by at most atan(m/(2√(1 + m))).
TEST(EllipseFit, AtanErrorOfTheUncorrectedChannels) {
    struct Case {
        Params p;
        double peakDeg, rmsDeg;  // rmsDeg < 0: not checked
    };
    const double m = 0.02;
    const Case cases[] = {
        {{400, 0, 20000, 20000, 0}, std::asin(0.02) / kRad, 0.02 / std::sqrt(2.0) / kRad},
        {{0, -400, 20000, 20000, 0}, std::asin(0.02) / kRad, 0.02 / std::sqrt(2.0) / kRad},
        {{0, 0, 20000 * (1 + m), 20000, 0}, std::atan(m / (2 * std::sqrt(1 + m))) / kRad, -1},
    };
    for (const Case& c : cases) {
        const EllipseFitResult r = FitEllipse(Ellipse(c.p, 0, 360, 1000));
        ASSERT_TRUE(r.fit) << r.refusal;
        EXPECT_NEAR(r.fit->AtanPeakErrorDeg, c.peakDeg, 1e-4);
        if (c.rmsDeg >= 0) {
            EXPECT_NEAR(r.fit->AtanRmsErrorDeg, c.rmsDeg, 1e-3 * c.rmsDeg);
        }
    }
}

TEST(EllipseFit, Refusals) {
    const Params p{100, -100, 20000, 20000, 1};
    std::vector<std::pair<double, double>> line;
    for (int i = 0; i < 100; ++i) line.emplace_back(i, 2 * i + 1);
    struct Case {
        std::vector<std::pair<double, double>> xy;
        const char* refusal;
    };
    const Case cases[] = {
        {Ellipse(p, 0, 360, 49), "слишком мало точек: 49, нужно не меньше 50"},
        {Ellipse(p, 10, 89, 500), "дуга 89,0° меньше 90°"},
        {Ellipse(p, 10, 89.99, 500), "дуга 89,9° меньше 90°"},
        {line, "точки не ложатся на эллипс"},
    };
    for (const Case& c : cases) {
        const EllipseFitResult r = FitEllipse(c.xy);
        EXPECT_FALSE(r.fit);
        EXPECT_EQ(r.refusal, c.refusal);
    }
    EXPECT_TRUE(FitEllipse(Ellipse(p, 0, 360, 50)).fit);
}

}  // namespace
}  // namespace talmir
