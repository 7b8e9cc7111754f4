// The chart page's polling against what the wire allows, on the simulated
// adapter with a USB latency per call.
//  - BM_ChartPollingAgainstWire: the main window shown offscreen polls for two
//    seconds through its Старт button in readout mode 0 or 2, 1 ms pause,
//    logging off, in a running event loop. The wire limit of the rate is
//    1 / (pause + calls per tick x latency + bits per tick / SPI clock), the
//    calls and bits counted from the simulator's trace of the run; `ratio` is
//    the readings per second over that limit. A 5 ms probe timer stands for
//    the window's other events: `gap_ms` is the longest wait it saw. Where the
//    time goes: `tick_us` (mean timer tick), `pause_us` (mean wait from the
//    end of a tick to the next timer event; 1000 is ideal), `quiet_pause_us`
//    (the same over pauses without a chart replot) and `replot_share`
//    (part of the run spent redrawing the chart), `gui_cpu_share` (CPU time of
//    the window's thread over the run's time: what it spent, whatever else
//    ran on the machine).
//  - BM_ReadAllEventGap: the same probe while "Прочитать всё" on the register
//    page reads the registers one call after another.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "ui_PageConfig.h"
#include "ui_main.h"

namespace {

using talmir::TF_Face;

constexpr int kIntervalMs = 1;
constexpr int kPollingMs = 2000;
constexpr std::uint32_t kTraceCapacity = 65536;  // the simulator keeps the latest calls only
constexpr std::uint32_t kSizeInBits = 0x01;      // transfer option: size counts bits

// Calls the simulator traced and the SPI bits they clocked.
struct WireUse {
    double calls = 0;
    double bits = 0;
    bool complete = true;
};

WireUse TracedWireUse() {
    WireUse use;
    const std::uint32_t n = TalmirSim_TraceCount();
    use.complete = n < kTraceCapacity;
    TalmirSimCall call;
    for (std::uint32_t i = 0; i < n && TalmirSim_TraceGet(i, &call) != 0; ++i) {
        use.calls += 1;
        // Only the transfers clock bits; every call pays the latency.
        if (std::strcmp(call.name, "SPI_Read") == 0 || std::strcmp(call.name, "SPI_Write") == 0)
            use.bits += (call.options & kSizeInBits) ? call.size : 8.0 * call.size;
    }
    return use;
}

// Longest wait between two timeouts of a 5 ms timer.
class GapProbe {
public:
    GapProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            maxGapNs_ = std::max(maxGapNs_, now - lastNs_);
            lastNs_ = now;
        });
    }
    void Start() {
        clock_.start();
        lastNs_ = 0;
        maxGapNs_ = 0;
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double MaxGapMs() const { return maxGapNs_ / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0, maxGapNs_ = 0;
};

// Where a polling run's time goes: each timer tick from its timer event to the
// end of its handler, the pause from the end of one tick to the next timer
// event, and the chart's replots.
class TickClock : public QObject {
public:
    TickClock(QTimer* pollTimer, QCustomPlot* chart) {
        pollTimer->installEventFilter(this);
        // Connected after the page's own handler, so it runs when the tick ends.
        connect(pollTimer, &QTimer::timeout, this, [this] {
            const qint64 end = clock_.nsecsElapsed();
            if (startNs_ >= 0) {
                tickNs_ += end - startNs_;
                ++ticks_;
            }
            lastEndNs_ = end;
            replotNsAtEnd_ = replotNs_;
            startNs_ = -1;
        });
        connect(chart, &QCustomPlot::beforeReplot, this,
                [this] { replotStartNs_ = clock_.nsecsElapsed(); });
        connect(chart, &QCustomPlot::afterReplot, this,
                [this] { replotNs_ += clock_.nsecsElapsed() - replotStartNs_; });
        clock_.start();
    }
    double MeanTickUs() const { return ticks_ > 0 ? tickNs_ / 1e3 / ticks_ : 0; }
    double MeanPauseUs() const { return pauses_ > 0 ? pauseNs_ / 1e3 / pauses_ : 0; }
    // The same over pauses without a replot: the timer's own lateness.
    double MeanQuietPauseUs() const {
        return quietPauses_ > 0 ? quietPauseNs_ / 1e3 / quietPauses_ : 0;
    }
    double ReplotSeconds() const { return replotNs_ / 1e9; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            startNs_ = clock_.nsecsElapsed();
            if (lastEndNs_ >= 0) {
                pauseNs_ += startNs_ - lastEndNs_;
                ++pauses_;
                if (replotNs_ == replotNsAtEnd_) {
                    quietPauseNs_ += startNs_ - lastEndNs_;
                    ++quietPauses_;
                }
            }
        }
        return false;
    }

private:
    QElapsedTimer clock_;
    qint64 startNs_ = -1, lastEndNs_ = -1, replotStartNs_ = 0;
    qint64 tickNs_ = 0, pauseNs_ = 0, replotNs_ = 0, replotNsAtEnd_ = 0, quietPauseNs_ = 0;
    qint64 ticks_ = 0, pauses_ = 0, quietPauses_ = 0;
};

// Runs the event loop for `ms` milliseconds.
void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The main window in a fresh folder, shown at its usual size, its channel
// already open, the simulator's latency set and its trace empty.
struct ShownWindow {
    QTemporaryDir dir;
    std::unique_ptr<TF_Face> face;

    explicit ShownWindow(std::uint32_t latencyUs) {
        face = talmir::bench::FreshMainWindow(dir);
        face->resize(939, 743);
        face->show();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 &&
               (face->windowHandle() == nullptr || !face->windowHandle()->isExposed()))
            QCoreApplication::processEvents();
        RunEventLoop(50);
        face->Chip().GetReg(0, true);  // opens the channel
        TalmirSim_SetLatency(latencyUs);
        TalmirSim_TraceClear();
    }
};

void BM_ChartPollingAgainstWire(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const auto latencyUs = static_cast<std::uint32_t>(state.range(1));
    ShownWindow window(latencyUs);
    Ui::PageChart& page = *window.face->chart;
    page.ListBoxMode->setCurrentRow(mode);
    page.cbSaveChartsToFile->setChecked(false);
    page.EditInterval->setText(QString::number(kIntervalMs));
    const double clockRate = TalmirSim_ClockRate();

    for (auto _ : state) {
        GapProbe probe;
        std::unique_ptr<TickClock> tickClock;
        double tickUs = 0, pauseUs = 0, quietPauseUs = 0, replotSeconds = 0;
        QEventLoop loop;
        QElapsedTimer clock;
        QTimer stopper;
        stopper.setSingleShot(true);
        stopper.setTimerType(Qt::PreciseTimer);
        std::int32_t first = 0, ticks = 0;
        double seconds = 0, cpuAtStart = 0, cpuSeconds = 0;
        WireUse use;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            ticks = talmir::bench::gTool->state.ChartSampleCounter - first;
            seconds = clock.nsecsElapsed() / 1e9;
            cpuSeconds = talmir::bench::ThreadCpuSeconds() - cpuAtStart;
            use = TracedWireUse();
            probe.Stop();
            tickUs = tickClock->MeanTickUs();
            pauseUs = tickClock->MeanPauseUs();
            quietPauseUs = tickClock->MeanQuietPauseUs();
            replotSeconds = tickClock->ReplotSeconds();
            page.btnStart->click();  // "Стоп": one more tick follows, outside the count
            loop.quit();
        });
        QTimer::singleShot(0, [&] {
            TalmirSim_TraceClear();
            first = talmir::bench::gTool->state.ChartSampleCounter;
            probe.Start();
            tickClock = std::make_unique<TickClock>(window.face->Timer, page.Chart2);
            clock.start();
            cpuAtStart = talmir::bench::ThreadCpuSeconds();
            stopper.start(kPollingMs);
            page.btnStart->click();  // "Старт": the first tick runs at once
        });
        loop.exec();
        RunEventLoop(100);  // lets the last tick run and the timer go off

        if (ticks <= 0 || !use.complete || clockRate <= 0) {
            state.SkipWithError("no ticks counted, trace overflowed or no SPI clock");
            break;
        }
        const double callsPerTick = use.calls / ticks;
        const double bitsPerTick = use.bits / ticks;
        const double tickSeconds =
            kIntervalMs / 1e3 + callsPerTick * latencyUs / 1e6 + bitsPerTick / clockRate;
        const double readingsPerSecond = ticks / seconds;
        state.counters["readings_per_s"] = readingsPerSecond;
        state.counters["wire_limit_per_s"] = 1.0 / tickSeconds;
        state.counters["ratio"] = readingsPerSecond * tickSeconds;
        state.counters["calls_per_tick"] = callsPerTick;
        state.counters["bits_per_tick"] = bitsPerTick;
        state.counters["gap_ms"] = probe.MaxGapMs();
        state.counters["tick_us"] = tickUs;
        state.counters["pause_us"] = pauseUs;
        state.counters["quiet_pause_us"] = quietPauseUs;
        state.counters["replot_share"] = replotSeconds / seconds;
        state.counters["gui_cpu_share"] = cpuSeconds / seconds;
    }
}
BENCHMARK(BM_ChartPollingAgainstWire)
    ->ArgNames({"mode", "latency_us"})
    ->ArgsProduct({{0, 2}, {0, 250, 2000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReadAllEventGap(benchmark::State& state) {
    const auto latencyUs = static_cast<std::uint32_t>(state.range(0));
    ShownWindow window(latencyUs);
    window.face->ui->PageControl->setCurrentIndex(0);
    RunEventLoop(50);
    const double clockRate = TalmirSim_ClockRate();

    for (auto _ : state) {
        GapProbe probe;
        QEventLoop loop;
        double readAllMs = 0;
        WireUse use;
        probe.Start();
        QTimer::singleShot(50, [&] {
            TalmirSim_TraceClear();
            QElapsedTimer clock;
            clock.start();
            window.face->cfg->btnReadAll->click();
            readAllMs = clock.nsecsElapsed() / 1e6;
            use = TracedWireUse();
            QTimer::singleShot(100, &loop, &QEventLoop::quit);  // the probe catches up
        });
        loop.exec();
        probe.Stop();
        state.counters["gap_ms"] = probe.MaxGapMs();
        state.counters["read_all_ms"] = readAllMs;
        state.counters["calls"] = use.calls;
        state.counters["wire_ms"] =
            (use.calls * latencyUs / 1e6 + (clockRate > 0 ? use.bits / clockRate : 0)) * 1e3;
    }
}
BENCHMARK(BM_ReadAllEventGap)
    ->ArgNames({"latency_us"})
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The ceiling of any 1 ms polling on this machine: a bare single-shot 1 ms
// timer re-armed in its own handler, with no window and no work, for two
// seconds; with on_time 1 it is re-armed as the pages re-arm theirs
// (StartOnTime), with 0 by a plain start(). `cpu_share` is the thread's CPU
// time over the run: what waiting out the end of each pause costs.
void BM_BareOneMsTimer(benchmark::State& state) {
    const bool onTime = state.range(0) != 0;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setInterval(kIntervalMs);
        std::int64_t ticks = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            if (onTime)
                talmir::StartOnTime(&timer);
            else
                timer.start();
        });
        QElapsedTimer clock;
        clock.start();
        const double cpuAtStart = talmir::bench::ThreadCpuSeconds();
        timer.start();
        QTimer::singleShot(kPollingMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.counters["ticks_per_s"] = ticks / seconds;
        state.counters["cpu_share"] = (talmir::bench::ThreadCpuSeconds() - cpuAtStart) / seconds;
    }
}
BENCHMARK(BM_BareOneMsTimer)
    ->ArgNames({"on_time"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The offscreen platform warns about every window it cannot size.
void DropQtChatter(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(DropQtChatter);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    talmir::WakeTimersOnTime();  // as the program does at start
    talmir::bench::BenchTool tool;
    talmir::bench::gTool = &tool;
    if (!talmir::bench::BindSimulator(tool.link)) return 1;
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
