// Opening a chart page file of 10^7 mode 2 lines (about 270 MB) in the
// review window: the time per line from OpenFile until the chart shows the
// record, and the resident memory the open record adds per sample and series.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "BenchMain.h"
#include "core/AngleRecord.h"
#include "ui/ReviewWindow.h"
#include "ui_ReviewWindow.h"

namespace {

constexpr int64_t kLines = 10000000;

// Resident set size of this process in bytes, from /proc/self/status.
double ResidentBytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::strtod(line + 6, nullptr);
    std::fclose(status);
    return kib * 1024;
}

// Processor seconds all threads of this process have used.
double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// The chart page's mode 2 file of a turning angle with a little noise, as
// its own writer gives it. False when it cannot be written.
bool WriteChartFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::string text = talmir::RecordHeader(2) + "\r\n";
    for (int64_t i = 0; i < kLines; ++i) {
        talmir::RawReading raw;
        raw.AData2 = static_cast<uint16_t>(i * 7 + ((i * 2654435761u) >> 29));
        raw.AData1 = static_cast<uint16_t>((i >> 3) & 0x0FFF);
        text += talmir::RecordLine(2, raw, talmir::DecodeChartMode2(raw));
        text += "\r\n";
        if (text.size() > (1 << 20)) {
            std::fwrite(text.data(), 1, text.size(), file);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), file);
    return std::fclose(file) == 0;
}

void BM_ReviewOpen1e7(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/chart.csv";
    if (!WriteChartFile(path.toStdString())) {
        state.SkipWithError("file not written");
        return;
    }
    for (auto _ : state) {
        auto window = std::make_unique<talmir::ReviewWindow>();
        window->show();
        QCoreApplication::processEvents();
        // Waits in an event loop, idle, as the window's thread does.
        QEventLoop loop;
        QObject::connect(window.get(), &talmir::ReviewWindow::ReadingEnded, &loop,
                         &QEventLoop::quit);
        const double before = ResidentBytes();
        const double cpuBefore = ProcessCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        window->OpenFile(path);
        loop.exec();
        window->ui->ChartReview->RedrawNow();
        window->ui->ChartReview->FinishRendering();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double cpuSeconds = ProcessCpuSeconds() - cpuBefore;
        const double after = ResidentBytes();
        const talmir::ReviewRecord* record = window->Record();
        if (record == nullptr || record->Count() != kLines || record->BadLineCount() != 0) {
            state.SkipWithError("the file did not open whole");
            return;
        }
        const double series = static_cast<double>(record->Series().size());
        state.counters["ns_per_line"] = seconds * 1e9 / kLines;
        // Both threads' processor time: on a busy machine the wall time
        // above also counts the time others had the processors.
        state.counters["cpu_ns_per_line"] = cpuSeconds * 1e9 / kLines;
        state.counters["bytes_per_sample"] = (after - before) / (kLines * series);
        state.counters["store_bytes_per_sample"] =
            static_cast<double>(record->BytesUsed()) / (kLines * series);
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ReviewOpen1e7)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
