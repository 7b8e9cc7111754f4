// Start-up cost of the tool against the simulated adapter.
//  - main_to_first_window_ms (context line): from entering main() to the first
//    main window exposed, with the GUI application, the library binding, the
//    main window and the two hidden chart windows created on the way, as the
//    program does; loading the executable before main() is not included.
//  - BM_MainWindowShown: creating the main window and the two chart windows,
//    showing the main window and processing events until it is exposed (warm:
//    the application object and the binding already exist).
//  - BM_GetDataJobProcess: launching the program as a separate process for the
//    "-getdata 2 FILE" job, which binds, identifies the chip, reads once and
//    exits without a window: a lower bound of a cold process start.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchMain.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/UnitASensChart.h"
#include "ui/UnitChart.h"
#include "ui/main.h"

extern char** environ;

namespace {

using namespace talmir;
using Clock = std::chrono::steady_clock;

QTemporaryDir* gExeDir = nullptr;

bool WaitExposed(QWidget& window) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QCoreApplication::processEvents();
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) return true;
    }
    return false;
}

// Creates the windows as the program does and shows the main one; the
// duration until it is exposed, or a negative value when it never was.
double ShowMainWindowSeconds() {
    const auto start = Clock::now();
    TF_FaceOptions options;
    options.exeDir = gExeDir->path() + "/";
    auto face = std::make_unique<TF_Face>(bench::gTool->link, bench::gTool->state, options);
    TF_Chart chartWindow(bench::gTool->state);
    TF_ASens_Chart sensorWindow(bench::gTool->state);
    face->AttachAuxiliaryWindows(&chartWindow, &sensorWindow);
    face->show();
    const bool exposed = WaitExposed(*face);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    face.reset();
    return exposed ? seconds : -1.0;
}

void BM_MainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = ShowMainWindowSeconds();
        if (seconds < 0) {
            state.SkipWithError("main window never exposed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_MainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);

// Runs the program copy with the job's arguments; its exit status.
int RunGetDataJob(const std::string& program, const std::string& dataFile) {
    std::vector<std::string> args = {program, "-getdata", "2", dataFile};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The job reports on standard error; keep the benchmark's table readable.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_GetDataJobProcess(benchmark::State& state) {
    // A copy of the program in the temporary folder, so its config.ini lands there.
    const QString program = gExeDir->path() + "/talmir";
    if (!QFile::exists(program) && !QFile::copy(TALMIR_BIN_DIR "/talmir", program)) {
        state.SkipWithError("cannot copy the talmir executable");
        return;
    }
    const std::string dataFile = (gExeDir->path() + "/getdata.txt").toStdString();
    for (auto _ : state) {
        const int code = RunGetDataJob(program.toStdString(), dataFile);
        if (code != 0) {
            state.SkipWithError(("job exited with " + std::to_string(code)).c_str());
            return;
        }
    }
}
BENCHMARK(BM_GetDataJobProcess)->UseRealTime()->Unit(benchmark::kMillisecond);

// The offscreen platform warns about every window it cannot size; those lines
// would bury the table.
void DropQtChatter(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    const auto mainEntered = Clock::now();
    qInstallMessageHandler(DropQtChatter);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The job processes bind the same simulator.
    setenv(talmir::kLibraryEnvVar, TALMIR_SIM_DIR "/libtalmirsim.so", 1);
    QApplication app(argc, argv);
    QTemporaryDir exeDir;
    gExeDir = &exeDir;
    TalmirSim_Reset();
    talmir::bench::BenchTool tool;
    talmir::bench::gTool = &tool;
    tool.link.LoadMPSSELibrary({});

    const double beforeWindow = std::chrono::duration<double>(Clock::now() - mainEntered).count();
    const double firstWindow = ShowMainWindowSeconds();
    const double sinceMain = beforeWindow + firstWindow;
    benchmark::AddCustomContext(
        "main_to_first_window_ms",
        firstWindow < 0 ? "window never exposed" : std::to_string(sinceMain * 1000.0));

    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
