// What the benchmark programs' main() functions share: the program's link,
// bound to the simulator, and windows' state, and running the registered
// benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>
#include <cstdio>
#include <string>

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/ChartView.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"

namespace talmir::bench {

// The link and the windows' shared state the benchmarks' windows use; main()
// creates them after the application object and sets gTool.
struct BenchTool {
    MpsseLink link;
    AcquisitionState state;
};
inline BenchTool* gTool = nullptr;

// Binds `link` to the simulator; false, with the reason on standard error,
// when it cannot.
inline bool BindSimulator(MpsseLink& link) {
    std::string message;
    link.LoadMPSSELibrary({TALMIR_SIM_DIR "/libtalmirsim.so"},
                          [&](const std::string& m) { message = m; });
    if (message.empty()) return true;
    std::fprintf(stderr, "simulator not bound: %s\n", message.c_str());
    return false;
}

// A main window of gTool whose folder is `dir`, with the simulator, the link
// and the shared run flag at their start-up state.
inline std::unique_ptr<TF_Face> FreshMainWindow(const QTemporaryDir& dir) {
    TalmirSim_Reset();
    gTool->link.ResetChannel();
    gTool->state.AcquisitionActive = false;
    TF_FaceOptions options;
    options.exeDir = dir.path() + "/";
    return std::make_unique<TF_Face>(gTool->link, gTool->state, options);
}

// One redraw of a shown chart as polling makes it: a new sample at the end of
// every line series, the redraw on the window's thread, then the series image
// drawn on the renderer's thread until it is on screen. Returns the seconds
// the window's thread spent in the redraw itself.
inline double RedrawAfterNewSample(TChart* chart) {
    for (const auto& s : chart->Series())
        if (const SeriesStore* store = s->Store(); store != nullptr)
            s->AddXY(double(store->Empty() ? 0 : store->LastX() + 1), 0);
    QElapsedTimer clock;
    clock.start();
    chart->RedrawNow();
    const double guiSeconds = clock.nsecsElapsed() / 1e9;
    chart->FinishRendering();
    return guiSeconds;
}

// CPU seconds the calling thread has used.
inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Runs the benchmarks the command line selects; the exit code of main().
inline int RunRegisteredBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace talmir::bench
