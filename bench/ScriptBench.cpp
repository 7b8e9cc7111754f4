// The C++ side of the Python module's figures, on the simulator without
// latency (bench/script_bench.py measures the same through `import talmir`):
//  - BM_RegisterRead: one register read through the binding and the register
//    model at the module's default clock (1 MHz), as Chip.read makes it.
//  - BM_Capture1e6: a capture of 10^6 samples of readout mode 1 at the
//    highest paced rate at 30 MHz, through the capture engine, each block
//    handed to a sink that keeps nothing: ns_per_sample.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "device/CaptureEngine.h"
#include "device/MpsseLink.h"
#include "device/TASensDig.h"
#include "talmir_sim_control.h"

namespace {

using namespace talmir;

constexpr std::uint64_t kCaptureSamples = 1000000;
constexpr std::uint32_t kCaptureClockHz = 30000000;

// The simulator bound as the module binds it; false (the benchmark skipped)
// when it does not bind.
bool Bind(benchmark::State& state, MpsseLink& link, std::uint32_t clockHz) {
    TalmirSim_Reset();
    if (!link.LoadMPSSELibrary({TALMIR_SIM_DIR "/libtalmirsim.so"}, {})) {
        state.SkipWithError("simulator not bound");
        return false;
    }
    FillChannelConfig(link.ChannelConfig(), clockHz);
    return true;
}

void BM_RegisterRead(benchmark::State& state) {
    MpsseLink link;
    if (!Bind(state, link, kDefaultSpiClockKHz * 1000)) return;
    TASensDig chip(link);
    chip.GetReg(17, true);  // opens the channel
    for (auto _ : state) benchmark::DoNotOptimize(chip.GetReg(17, true));
}
BENCHMARK(BM_RegisterRead)->Unit(benchmark::kMicrosecond);

void BM_Capture1e6(benchmark::State& state) {
    MpsseLink link;
    if (!Bind(state, link, kCaptureClockHz)) return;
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    const CaptureSettings settings{1, engine.MaxPacedRateHz(1), kCaptureSamples};
    std::uint64_t taken = 0;
    for (auto _ : state) {
        const CaptureResult result = engine.Run(settings, [&](std::vector<CapturedSample>&& block) {
            benchmark::DoNotOptimize(block.data());
        });
        if (!result.error.empty() || result.taken != kCaptureSamples) {
            state.SkipWithError("the capture failed");
            return;
        }
        taken += result.taken;
    }
    state.counters["rate_hz"] = settings.rateHz;
    state.counters["ns_per_sample"] = benchmark::Counter(
        double(taken) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Capture1e6)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
