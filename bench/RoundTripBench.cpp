// USB traffic of the chip exchanges through the project's own MPSSE library
// over the bit-level emulator (libtalmirmpsse_emu.so, test-only), bound by a
// link of its own: the program also links the simulator, which exports the
// same entry point names, so the emulator library is only ever opened local.
// Per exchange: USB writes and reads, bytes each way, and round trips: a USB
// write that asks for an answer (our library ends every such write with the
// MPSSE "send immediate" command 0x87) and the reads that bring it.
//  - register_read: GetReg with ReadFromDev
//  - angle_frame: GetAngleData2 (32-bit frame); angle_frame_20bit: GetAngleData1
//  - read_all: "Прочитать всё" on the register page of a main window bound to
//    the emulator's link
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchMain.h"
#include "device/MpsseLink.h"
#include "device/TASensDig.h"
#include "talmir_emu_control.h"
#include "ui/main.h"
#include "ui_PageConfig.h"

namespace {

constexpr std::uint8_t kSendImmediate = 0x87;

// The emulator's control entry points, looked up in the library's own handle.
struct Emulator {
    void* handle = nullptr;
    void (*Reset)() = nullptr;
    void (*GetCounters)(TalmirEmuCounters*) = nullptr;
    void (*ClearLog)() = nullptr;
    std::uint32_t (*WriteCount)() = nullptr;
    std::uint32_t (*WriteGet)(std::uint32_t, std::uint8_t*, std::uint32_t) = nullptr;

    template <typename F>
    bool Find(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(handle, name));
        return f != nullptr;
    }
    bool Open(const std::string& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        return handle != nullptr && Find(Reset, "TalmirEmu_Reset") &&
               Find(GetCounters, "TalmirEmu_GetCounters") && Find(ClearLog, "TalmirEmu_ClearLog") &&
               Find(WriteCount, "TalmirEmu_WriteCount") && Find(WriteGet, "TalmirEmu_WriteGet");
    }
};

Emulator gEmu;
std::string gEmuPath;
std::string gEmuProblem;  // why the emulator is not available, empty when it is
talmir::MpsseLink* gLink = nullptr;

struct Traffic {
    double roundTrips = 0, writes = 0, reads = 0, bytesOut = 0, bytesIn = 0;
};

// The traffic of one run of `exchange`, from the emulator's log and counters.
Traffic Measure(const std::function<void()>& exchange) {
    gEmu.ClearLog();
    exchange();
    TalmirEmuCounters c{};
    gEmu.GetCounters(&c);
    Traffic t;
    t.writes = static_cast<double>(c.usbWrites);
    t.reads = static_cast<double>(c.usbReads);
    t.bytesOut = static_cast<double>(c.bytesWritten);
    t.bytesIn = static_cast<double>(c.bytesRead);
    std::vector<std::uint8_t> bytes(65536);
    const std::uint32_t n = gEmu.WriteCount();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t size =
            gEmu.WriteGet(i, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        if (size > 0 && size <= bytes.size() && bytes[size - 1] == kSendImmediate)
            t.roundTrips += 1;
    }
    return t;
}

void Report(benchmark::State& state, const Traffic& t) {
    state.counters["round_trips"] = t.roundTrips;
    state.counters["usb_writes"] = t.writes;
    state.counters["usb_reads"] = t.reads;
    state.counters["usb_bytes_out"] = t.bytesOut;
    state.counters["usb_bytes_in"] = t.bytesIn;
}

// A register model over the emulator's link, its channel already open.
bool FreshChip(benchmark::State& state, std::unique_ptr<talmir::TASensDig>& chip) {
    if (!gEmuProblem.empty()) {
        state.SkipWithError(gEmuProblem.c_str());
        return false;
    }
    gEmu.Reset();
    gLink->ResetChannel();
    chip = std::make_unique<talmir::TASensDig>(*gLink);
    chip->GetReg(0, true);  // opens and initialises the channel
    return true;
}

void RunExchange(benchmark::State& state, const std::function<bool(talmir::TASensDig&)>& exchange) {
    std::unique_ptr<talmir::TASensDig> chip;
    if (!FreshChip(state, chip)) return;
    bool ok = true;
    const Traffic t = Measure([&] { ok = exchange(*chip); });
    if (!ok) {
        state.SkipWithError("the exchange failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(exchange(*chip));
    Report(state, t);
}

void BM_RegisterRead(benchmark::State& state) {
    RunExchange(state, [](talmir::TASensDig& chip) {
        benchmark::DoNotOptimize(chip.GetReg(17, true));
        return true;
    });
}

void BM_AngleFrame(benchmark::State& state) {
    RunExchange(state, [](talmir::TASensDig& chip) {
        std::uint16_t a = 0, b = 0;
        return chip.GetAngleData2(a, b);
    });
}

void BM_AngleFrame20Bit(benchmark::State& state) {
    RunExchange(state, [](talmir::TASensDig& chip) {
        std::uint32_t a = 0;
        return chip.GetAngleData1(a);
    });
}

void BM_ReadAll(benchmark::State& state) {
    if (!gEmuProblem.empty()) {
        state.SkipWithError(gEmuProblem.c_str());
        return;
    }
    gEmu.Reset();
    gLink->ResetChannel();
    QTemporaryDir dir;
    talmir::TF_FaceOptions options;
    options.exeDir = dir.path() + "/";
    talmir::AcquisitionState windowState;
    talmir::TF_Face face(*gLink, windowState, options);
    face.Chip().GetReg(0, true);  // opens and initialises the channel
    QPushButton* readAll = face.cfg->btnReadAll;
    const Traffic t = Measure([&] { readAll->click(); });
    for (auto _ : state) readAll->click();
    Report(state, t);
}

std::string EmulatorPath() {
    if (const char* env = std::getenv("TALMIR_EMU_LIBRARY"); env != nullptr && *env != '\0')
        return env;
    return TALMIR_SIM_DIR "/libtalmirmpsse_emu.so";
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    gEmuPath = EmulatorPath();
    talmir::MpsseLink link;
    gLink = &link;
    link.ChannelConfig().ClockRate = 1000000;
    link.ChannelConfig().LatencyTimer = 1;
    link.ChannelConfig().configOptions = 0x20;  // SPI mode 0, chip select DBUS3 active low
    if (!gEmu.Open(gEmuPath)) {
        gEmuProblem = "emulator library not available: " + gEmuPath;
    } else {
        std::string message;
        if (!link.LoadMPSSELibrary({gEmuPath}, [&](const std::string& m) { message = m; }))
            gEmuProblem = "emulator library not bound: " + message;
    }
    // Fixed counts: the emulator logs every write until the next exchange is measured.
    benchmark::RegisterBenchmark("BM_RoundTrips/register_read", BM_RegisterRead)->Iterations(2000);
    benchmark::RegisterBenchmark("BM_RoundTrips/angle_frame", BM_AngleFrame)->Iterations(2000);
    benchmark::RegisterBenchmark("BM_RoundTrips/angle_frame_20bit", BM_AngleFrame20Bit)
        ->Iterations(2000);
    benchmark::RegisterBenchmark("BM_RoundTrips/read_all", BM_ReadAll)
        ->Iterations(20)
        ->Unit(benchmark::kMillisecond);
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
