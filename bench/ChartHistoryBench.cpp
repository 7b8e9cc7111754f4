// Charts holding hours of data: Chart2 of the chart page with four series of
// 10^7 samples (full view), a zoomed view of 10^3 samples inside 10^8, eight
// hours at 1 kHz for four series (resident memory and redraw), and the same
// 4 x 10^7 samples held in QCustomPlot's own storage for comparison.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "BenchMain.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/ChartView.h"
#include "ui/TimerWakeups.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageChart.h"

namespace {

using talmir::TChart;
using talmir::TChartSeries;
using talmir::TF_Face;

// Resident memory of this process in bytes, from /proc/self/status.
double ResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) * 1024.0;
    }
    return 0;
}

// The main window on the chart page, shown at its designed size.
struct ChartPage {
    QTemporaryDir dir;
    std::unique_ptr<TF_Face> face;

    ChartPage() {
        face = talmir::bench::FreshMainWindow(dir);
        face->resize(939, 743);
        face->show();
        QCoreApplication::processEvents();
    }
    TChart* Chart2() const { return face->chart->Chart2; }
    // The four series, each given `n` samples shaped like a turning magnet.
    void Fill(std::int64_t n) const {
        for (std::int64_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(i);
            face->SeriesAng->AddXY(x, static_cast<double>((i * 37) % 65536));
            face->SeriesTemp->AddXY(x, static_cast<double>(i % 512));
            face->SeriesAngRAW->AddXY(x, std::round(32768 + 20000 * std::sin(x * 1e-3)));
            face->SeriesVelocity->AddXY(x, static_cast<double>((i % 200) - 100));
        }
    }
};

// Full view of Chart2, every series shown, `n` samples in each. Each redraw
// follows a new sample, so the series image is drawn afresh; the time is until
// it is on screen, `gui_ms` the part spent on the window's thread.
void BM_Chart2FullRedraw(benchmark::State& state) {
    ChartPage page;
    const double before = ResidentBytes();
    page.Fill(state.range(0));
    const double grown = ResidentBytes() - before;
    for (const auto& s : page.Chart2()->Series()) s->SetActive(true);
    double guiSeconds = 0;
    for (auto _ : state) guiSeconds += talmir::bench::RedrawAfterNewSample(page.Chart2());
    state.counters["gui_ms"] = guiSeconds * 1e3 / static_cast<double>(state.iterations());
    double samples = 0, bytes = 0;
    for (const auto& s : page.Chart2()->Series()) {
        samples += static_cast<double>(s->Store()->Count());
        bytes += static_cast<double>(s->Store()->BytesUsed());
    }
    state.counters["samples"] = samples;
    state.counters["store_bytes_per_sample"] = bytes / samples;
    state.counters["rss_mb"] = grown / 1e6;
    state.counters["rss_bytes_per_sample"] = grown / (4.0 * static_cast<double>(state.range(0)));
}
BENCHMARK(BM_Chart2FullRedraw)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Eight hours at 1 kHz in the four series (2.88 x 10^7 samples each,
// 1.15 x 10^8 in all): the resident memory they take and the full redraw.
void BM_EightHoursFourSeries(benchmark::State& state) {
    ChartPage page;
    const double before = ResidentBytes();
    page.Fill(8LL * 3600 * 1000);
    const double grown = ResidentBytes() - before;
    for (const auto& s : page.Chart2()->Series()) s->SetActive(true);
    double guiSeconds = 0;
    for (auto _ : state) guiSeconds += talmir::bench::RedrawAfterNewSample(page.Chart2());
    state.counters["gui_ms"] = guiSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["rss_mb"] = grown / 1e6;
}
BENCHMARK(BM_EightHoursFourSeries)->Unit(benchmark::kMillisecond)->UseRealTime();

// One series of 10^8 samples viewed at a thousand samples in its middle.
void BM_ZoomedRedraw1e3In1e8(benchmark::State& state) {
    ChartPage page;
    for (const auto& s : page.Chart2()->Series()) s->SetActive(s.get() == page.face->SeriesAng);
    for (std::int64_t i = 0; i < 100000000; ++i)
        page.face->SeriesAng->AddXY(static_cast<double>(i), static_cast<double>((i * 37) % 65536));
    page.Chart2()->Viewport().ZoomTo({50000000, 50000999}, {0, 65536});
    double guiSeconds = 0;
    for (auto _ : state) guiSeconds += talmir::bench::RedrawAfterNewSample(page.Chart2());
    state.counters["gui_ms"] = guiSeconds * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ZoomedRedraw1e3In1e8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same four series of 10^7 samples in plain QCPGraphs, each sample
// stored by QCustomPlot (key and value as doubles), at Chart2's size.
void BM_QCustomPlotStorageRedraw(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    const double before = ResidentBytes();
    auto plot = std::make_unique<QCustomPlot>();
    plot->resize(920, 420);
    plot->show();
    for (int k = 0; k < 4; ++k) {
        QCPGraph* graph = plot->addGraph();
        QVector<QCPGraphData> data(n);
        for (int i = 0; i < n; ++i) {
            const double v = k == 0   ? (std::int64_t{i} * 37) % 65536
                             : k == 1 ? i % 512
                             : k == 2 ? std::round(32768 + 20000 * std::sin(i * 1e-3))
                                      : (i % 200) - 100;
            data[i] = QCPGraphData(i, v);
        }
        graph->data()->set(data, true);
    }
    plot->rescaleAxes();
    const double grown = ResidentBytes() - before;
    for (auto _ : state) plot->replot(QCustomPlot::rpImmediateRefresh);
    state.counters["bytes_per_sample"] = grown / (4.0 * n);
}
BENCHMARK(BM_QCustomPlotStorageRedraw)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    talmir::WakeTimersOnTime();
    talmir::bench::BenchTool tool;
    talmir::bench::gTool = &tool;
    if (!talmir::bench::BindSimulator(tool.link)) return 1;
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
