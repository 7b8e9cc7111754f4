// Cost of one register read through the binding (TASensDig::GetReg over
// MpsseLink) against the same two library calls made directly into the
// simulator: the difference is the binding's own overhead.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "device/MpsseLink.h"
#include "device/TASensDig.h"
#include "mpsse_abi.h"
#include "talmir_sim_control.h"

// The simulator's exports, called without the binding in between.
extern "C" {
talmir::mpsse::SPI_OpenChannel_fn SPI_OpenChannel;
talmir::mpsse::SPI_InitChannel_fn SPI_InitChannel;
talmir::mpsse::SPI_Read_fn SPI_Read;
talmir::mpsse::SPI_Write_fn SPI_Write;
}

namespace {

using namespace talmir;

constexpr std::uint8_t kRegister = 17;

mpsse::ChannelConfig ToolConfig() {
    mpsse::ChannelConfig config{};
    config.ClockRate = 1000000;
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    return config;
}

void PrepareSimulator() {
    TalmirSim_Reset();
    TalmirSim_SetRegister(kRegister, 0xABCD);
}

void BM_RegisterReadThroughBinding(benchmark::State& state) {
    PrepareSimulator();
    MpsseLink link;
    if (!link.LoadMPSSELibrary({TALMIR_SIM_DIR "/libtalmirsim.so"}, {})) {
        state.SkipWithError("simulator not bound");
        return;
    }
    link.ChannelConfig() = ToolConfig();
    TASensDig chip(link);
    chip.GetReg(kRegister, true);  // opens the channel
    for (auto _ : state) benchmark::DoNotOptimize(chip.GetReg(kRegister, true));
}
BENCHMARK(BM_RegisterReadThroughBinding);

void BM_RegisterReadDirectIntoSimulator(benchmark::State& state) {
    PrepareSimulator();
    mpsse::FT_HANDLE handle = nullptr;
    mpsse::ChannelConfig config = ToolConfig();
    if (SPI_OpenChannel(0, &handle) != 0 || SPI_InitChannel(handle, &config) != 0) {
        state.SkipWithError("simulator channel did not open");
        return;
    }
    for (auto _ : state) {
        std::uint8_t buffer[2] = {0x00, kRegister};
        mpsse::DWORD done = 0;
        SPI_Write(handle, buffer, 2, &done, mpsse::kOptionBytesFramed);
        SPI_Read(handle, buffer, 2, &done, mpsse::kOptionBytesFramed);
        benchmark::DoNotOptimize(static_cast<std::uint16_t>(buffer[0] << 8 | buffer[1]));
    }
}
BENCHMARK(BM_RegisterReadDirectIntoSimulator);

}  // namespace

BENCHMARK_MAIN();
