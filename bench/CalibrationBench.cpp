// Cost of the calibration analyses on 10^6 samples: the ellipse fit of the
// sine/cosine channels, and the angle-error analysis of a run at steady speed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "BenchMain.h"
#include "core/AngleError.h"
#include "core/EllipseFit.h"

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

// Channels with offsets, a gain mismatch, a phase error and 3 LSB of noise,
// over 50 turns.
std::vector<std::pair<int32_t, int32_t>> NoisyChannels(int count) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<std::pair<int32_t, int32_t>> xy;
    xy.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double theta = 50.0 * 360.0 * i / count * kRad;
        xy.emplace_back(std::lround(350 + 20100 * std::sin(theta) + noise(rng)),
                        std::lround(-420 + 19900 * std::cos(theta + 1.5 * kRad) + noise(rng)));
    }
    return xy;
}

// A run over 50 turns whose angle carries harmonics 1 to 3 and whose
// channels are those of NoisyChannels.
std::vector<talmir::AngleSample> SteadyRun(int count) {
    const auto xy = NoisyChannels(count);
    std::vector<talmir::AngleSample> samples;
    samples.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double deg = 50.0 * 360.0 * i / count;
        const double chip = deg + 0.5 * std::sin(deg * kRad) + 0.2 * std::sin(2 * deg * kRad + 1) +
                            0.1 * std::sin(3 * deg * kRad - 1);
        samples.push_back({static_cast<uint16_t>(std::lround(chip / 360.0 * 65536.0) & 0xFFFF),
                           xy[i].first, xy[i].second});
    }
    return samples;
}

void BM_EllipseFit(benchmark::State& state) {
    const auto xy = NoisyChannels(static_cast<int>(state.range(0)));
    if (!talmir::FitEllipse(xy).fit) {
        state.SkipWithError("the fit refused the channels");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(talmir::FitEllipse(xy));
    }
}
BENCHMARK(BM_EllipseFit)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_AngleError(benchmark::State& state) {
    const auto samples = SteadyRun(static_cast<int>(state.range(0)));
    if (!talmir::AnalyseAngleError(samples).analysis) {
        state.SkipWithError("the analysis refused the run");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(talmir::AnalyseAngleError(samples));
    }
}
BENCHMARK(BM_AngleError)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
