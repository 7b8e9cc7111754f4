// Paced frames through the project's own MPSSE library over the bit-level
// emulator (libtalmirmpsse_emu.so, test-only), opened at run time; readout
// mode 2, 32-bit frames, SK at 30 MHz.
//  - BM_CaptureRun/mode2: a capture's 10^5 frames at the shortest period the
//    library accepts, as the capture engine reads them: one unbroken run
//    (Talmir_SPI_StreamFrames). frames_per_usb_read: frames over the USB
//    reads the library asked for; jitter_clocks: largest minus smallest count
//    of SK clocks between consecutive frame starts, as the chip saw them;
//    stalls: times the engine's answers would have overflowed its buffer.
//  - BM_CaptureBurst/mode2: the same frames as one burst
//    (Talmir_SPI_ReadFrames), as an engine without runs reads them.
//  - BM_MaxPacedRate/mode2_30mhz: the highest paced frame rate the library
//    accepts, found by offering it two-frame bursts: khz.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "talmir_emu_control.h"

namespace {

constexpr uint32_t kClock = 30000000;
constexpr uint32_t kFrameBits = 32;
constexpr uint32_t kFrames = 100000;

struct ChannelConfig {
    uint32_t ClockRate;
    uint8_t LatencyTimer;
    uint32_t configOptions;
    uint32_t Pin;
    uint16_t currentPinState;
};

struct Emulator {
    void* lib = nullptr;
    uint32_t (*GetNumChannels)(uint32_t*) = nullptr;
    uint32_t (*OpenChannel)(uint32_t, void**) = nullptr;
    uint32_t (*InitChannel)(void*, ChannelConfig*) = nullptr;
    uint32_t (*CloseChannel)(void*) = nullptr;
    uint32_t (*ReadFrames)(void*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t*) = nullptr;
    uint32_t (*MinFramePeriod)(uint32_t, uint32_t) = nullptr;
    using FrameSink = uint32_t (*)(void*, const uint8_t*, uint32_t);
    uint32_t (*StreamFrames)(void*, uint32_t, uint32_t, uint32_t, FrameSink, void*,
                             uint32_t*) = nullptr;
    void (*Reset)() = nullptr;
    void (*SetRegister)(uint8_t, uint16_t) = nullptr;
    void (*ClearLog)() = nullptr;
    void (*GetCounters)(TalmirEmuCounters*) = nullptr;
    uint32_t (*FrameCount)() = nullptr;
    int (*FrameGet)(uint32_t, TalmirEmuFrame*) = nullptr;

    template <typename F>
    bool Find(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(lib, name));
        return f != nullptr;
    }
    bool Open(const std::string& path) {
        lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        return lib != nullptr && Find(GetNumChannels, "SPI_GetNumChannels") &&
               Find(OpenChannel, "SPI_OpenChannel") && Find(InitChannel, "SPI_InitChannel") &&
               Find(CloseChannel, "SPI_CloseChannel") &&
               Find(ReadFrames, "Talmir_SPI_ReadFrames") &&
               Find(MinFramePeriod, "Talmir_SPI_MinFramePeriod") &&
               Find(StreamFrames, "Talmir_SPI_StreamFrames") && Find(Reset, "TalmirEmu_Reset") &&
               Find(SetRegister, "TalmirEmu_SetRegister") && Find(ClearLog, "TalmirEmu_ClearLog") &&
               Find(GetCounters, "TalmirEmu_GetCounters") &&
               Find(FrameCount, "TalmirEmu_FrameCount") && Find(FrameGet, "TalmirEmu_FrameGet");
    }
};

Emulator gEmu;
std::string gProblem;  // why the emulator cannot be used; empty when it can

// A fresh emulated 232H with the chip in 32-bit single-turn mode, its channel
// open at 30 MHz; null (the benchmark skipped) when that fails.
void* OpenChannel(benchmark::State& state) {
    if (!gProblem.empty()) {
        state.SkipWithError(gProblem.c_str());
        return nullptr;
    }
    gEmu.Reset();
    gEmu.SetRegister(38, 0x1000);
    uint32_t count = 0;
    void* handle = nullptr;
    ChannelConfig config{kClock, 1, 0x20, 0, 0};
    if (gEmu.GetNumChannels(&count) != 0 || gEmu.OpenChannel(0, &handle) != 0 ||
        gEmu.InitChannel(handle, &config) != 0) {
        state.SkipWithError("the emulated channel does not open");
        return nullptr;
    }
    gEmu.ClearLog();
    return handle;
}

// Copies the frames a run hands over into the buffer behind `context`.
uint32_t CopyFrames(void* context, const uint8_t* frames, uint32_t count) {
    auto* out = static_cast<uint8_t**>(context);
    *out = std::copy(frames, frames + count * kFrameBits / 8, *out);
    return 0;
}

void BM_CaptureFrames(benchmark::State& state, bool run) {
    void* handle = OpenChannel(state);
    if (handle == nullptr) return;
    const uint32_t period = gEmu.MinFramePeriod(kFrameBits, kClock);
    std::vector<uint8_t> buffer(kFrames * kFrameBits / 8);
    uint32_t done = 0;
    for (auto _ : state) {
        gEmu.ClearLog();
        uint8_t* next = buffer.data();
        const uint32_t status =
            run ? gEmu.StreamFrames(handle, kFrameBits, kFrames, period, &CopyFrames, &next, &done)
                : gEmu.ReadFrames(handle, buffer.data(), kFrameBits, kFrames, period, &done);
        if (status != 0 || done != kFrames) {
            state.SkipWithError("the capture failed");
            break;
        }
    }
    TalmirEmuCounters counters{};
    gEmu.GetCounters(&counters);
    uint64_t fewest = UINT64_MAX, most = 0, previous = 0;
    const uint32_t logged = gEmu.FrameCount();
    TalmirEmuFrame frame{};
    for (uint32_t i = 0; i < logged && gEmu.FrameGet(i, &frame) == 1; ++i) {
        if (i > 0) {
            fewest = std::min(fewest, frame.startClock - previous);
            most = std::max(most, frame.startClock - previous);
        }
        previous = frame.startClock;
    }
    gEmu.CloseChannel(handle);
    if (logged != kFrames || counters.usbReads == 0) {
        state.SkipWithError("the chip did not see every frame");
        return;
    }
    state.counters["frames_per_usb_read"] = double(kFrames) / double(counters.usbReads);
    state.counters["usb_writes"] = double(counters.usbWrites);
    state.counters["stalls"] = double(counters.stalls);
    state.counters["period_clocks"] = period;
    state.counters["jitter_clocks"] = double(most - fewest);
}

void BM_MaxPacedRate(benchmark::State& state) {
    void* handle = OpenChannel(state);
    if (handle == nullptr) return;
    uint8_t buffer[2 * kFrameBits / 8];
    uint32_t done = 0;
    const auto accepted = [&](uint32_t period) {
        return gEmu.ReadFrames(handle, buffer, kFrameBits, 2, period, &done) == 0;
    };
    uint32_t shortest = 0;
    for (auto _ : state) {
        uint32_t low = 1, high = 1u << 16;  // refused at low, accepted at high
        if (accepted(low) || !accepted(high)) {
            state.SkipWithError("no shortest period in range");
            break;
        }
        while (high - low > 1) {
            const uint32_t mid = low + (high - low) / 2;
            (accepted(mid) ? high : low) = mid;
        }
        shortest = high;
    }
    gEmu.CloseChannel(handle);
    if (shortest == 0) return;
    state.counters["period_clocks"] = shortest;
    state.counters["khz"] = double(kClock) / shortest / 1000.0;
}

std::string EmulatorPath() {
    if (const char* env = std::getenv("TALMIR_EMU_LIBRARY"); env != nullptr && *env != '\0')
        return env;
    return TALMIR_SIM_DIR "/libtalmirmpsse_emu.so";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = EmulatorPath();
    if (!gEmu.Open(path)) gProblem = "emulator library not available: " + path;
    benchmark::RegisterBenchmark("BM_CaptureRun/mode2", BM_CaptureFrames, true)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_CaptureBurst/mode2", BM_CaptureFrames, false)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_MaxPacedRate/mode2_30mhz", BM_MaxPacedRate)->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
