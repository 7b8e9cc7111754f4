// Chart page costs against the simulated chip: one tick with logging on, the
// tick rate sustained at a 1 ms period with the window redrawing, and the
// redraw time of Chart2 with very long series.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchMain.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/ChartView.h"
#include "ui/TimerWakeups.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace {

using talmir::TF_Face;

// The main window in a fresh folder, on the chart page in readout mode 2,
// the SPI clock at the adapter's 30 MHz: the simulated wire then takes about
// a microsecond a reading, so the figures are the page's own costs (the
// wire's share at slower clocks is what WireRateBench measures).
struct ChartPage {
    QTemporaryDir dir;
    std::unique_ptr<TF_Face> face;

    explicit ChartPage(bool logging) {
        face = talmir::bench::FreshMainWindow(dir);
        face->ui->EditFreq->setText("30000");
        face->btnIniChipClick();  // opens the channel at that clock, as a user would
        face->chart->ListBoxMode->setCurrentRow(2);
        face->chart->EditChartsFile->setText(dir.path() + "/chart.csv");
        face->chart->cbSaveChartsToFile->setChecked(logging);
    }
};

// One tick: frame read through the simulator, decoding, two points, status
// cells and one log line (open, append, flush, close).
void BM_ChartTickWithLogging(benchmark::State& state) {
    ChartPage page(true);
    for (auto _ : state) page.face->TimerTimer();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChartTickWithLogging);

// How long each sustained run polls: long enough that the machine's noise
// moves the rate by about a per cent.
constexpr int kSustainedMs = 4000;

// Polling at a 1 ms period for four seconds with the window shown and redrawn,
// the plotted series starting empty or already holding `prefill` points.
// A 5 ms probe timer stands for the rest of the window's events: its largest
// gap shows whether the polling starves them.
void BM_SustainedTicksAtOneMs(benchmark::State& state) {
    ChartPage page(state.range(0) != 0);
    for (std::int64_t i = 0; i < state.range(1); ++i) {
        page.face->SeriesAng->AddXY(static_cast<double>(i), static_cast<double>((i * 37) % 65536));
        page.face->SeriesTemp->AddXY(static_cast<double>(i), static_cast<double>(i % 512));
    }
    talmir::bench::gTool->state.ChartSampleCounter = static_cast<std::int32_t>(state.range(1));
    page.face->resize(939, 743);
    page.face->show();
    page.face->chart->EditInterval->setText("1");
    int replots = 0;
    QObject::connect(page.face->chart->Chart2, &QCustomPlot::afterReplot, [&] { ++replots; });
    QElapsedTimer probeClock;
    qint64 lastProbe = 0, maxGap = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.nsecsElapsed();
        maxGap = std::max(maxGap, now - lastProbe);
        lastProbe = now;
    });
    for (auto _ : state) {
        const int start = talmir::bench::gTool->state.ChartSampleCounter;
        QElapsedTimer clock;
        clock.start();
        probeClock.start();
        probe.start();
        const double cpuAtStart = talmir::bench::ThreadCpuSeconds();
        page.face->chart->btnStart->click();
        // A running event loop, as the program's: it sleeps until the next event.
        QEventLoop loop;
        QTimer::singleShot(kSustainedMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        page.face->chart->btnStart->click();
        probe.stop();
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.counters["ticks_per_s"] =
            (talmir::bench::gTool->state.ChartSampleCounter - start) / seconds;
        state.counters["redraws_per_s"] = replots / seconds;
        state.counters["gui_cpu_share"] =
            (talmir::bench::ThreadCpuSeconds() - cpuAtStart) / seconds;
        state.counters["probe_max_gap_ms"] = maxGap / 1e6;
    }
}
BENCHMARK(BM_SustainedTicksAtOneMs)
    ->ArgNames({"logging", "prefill"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1000000})
    ->Args({1, 10000000})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// Redraw of Chart2 at its page size with N points in each of the four series
// (Temp hidden, as at start), the data shaped like a turning magnet.
void FillChart2(ChartPage& page, std::int64_t n) {
    for (std::int64_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i);
        const double angle = static_cast<double>((i * 37) % 65536);
        page.face->SeriesAng->AddXY(x, angle);
        page.face->SeriesTemp->AddXY(x, static_cast<double>(i % 512));
        page.face->SeriesAngRAW->AddXY(x, 32768 + 20000 * std::sin(x * 1e-3));
        page.face->SeriesVelocity->AddXY(x, static_cast<double>((i % 200) - 100));
    }
}

void BM_Chart2Redraw(benchmark::State& state) {
    ChartPage page(false);
    page.face->resize(939, 743);
    page.face->show();
    QCoreApplication::processEvents();
    const auto n = static_cast<std::int64_t>(state.range(0));
    FillChart2(page, n);
    talmir::TChart* chart2 = page.face->chart->Chart2;
    double guiSeconds = 0;
    for (auto _ : state) guiSeconds += talmir::bench::RedrawAfterNewSample(chart2);
    state.counters["gui_ms"] = guiSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["points_per_series"] = static_cast<double>(n);
}
BENCHMARK(BM_Chart2Redraw)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What showing a new series image costs the window's thread: the chart's
// replot with the image in place and its paint onto the window, 10^5 samples
// a series already drawn.
void BM_Chart2ShowImage(benchmark::State& state) {
    ChartPage page(false);
    page.face->resize(939, 743);
    page.face->show();
    QCoreApplication::processEvents();
    FillChart2(page, 100000);
    talmir::TChart* chart2 = page.face->chart->Chart2;
    chart2->RedrawNow();
    chart2->FinishRendering();
    for (auto _ : state) chart2->replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_Chart2ShowImage)->Unit(benchmark::kMillisecond);

// The same while polling: every redraw follows a new point in each series, so
// the drawn summaries are refreshed too.
void BM_Chart2RedrawAfterNewPoint(benchmark::State& state) {
    ChartPage page(false);
    page.face->resize(939, 743);
    page.face->show();
    QCoreApplication::processEvents();
    auto n = static_cast<std::int64_t>(state.range(0));
    FillChart2(page, n);
    talmir::TChart* chart2 = page.face->chart->Chart2;
    for (auto _ : state) {
        const double x = static_cast<double>(n++);
        for (auto* s : {page.face->SeriesAng, page.face->SeriesTemp, page.face->SeriesAngRAW,
                        page.face->SeriesVelocity})
            s->AddXY(x, static_cast<double>(n % 1000));
        chart2->RedrawNow();
        chart2->FinishRendering();
    }
    state.counters["points_per_series"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_Chart2RedrawAfterNewPoint)
    ->Arg(100000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    talmir::WakeTimersOnTime();  // as the program does at start
    talmir::bench::BenchTool tool;
    talmir::bench::gTool = &tool;
    if (!talmir::bench::BindSimulator(tool.link)) return 1;
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
