// The capture on the simulated adapter with a USB latency of 250 us per call,
// as the tool runs it from its window.
//  - BM_CaptureRate: the capture engine takes 50,000 samples of readout mode 2
//    at the highest rate the adapter paces at the window's default SPI clock;
//    `samples_per_s` is the samples over the wall time of the capture. The
//    figure capture_vs_polling_lat250 divides it by the chart page's
//    readings per second in the same mode at a 1 ms interval and the same
//    latency (WireRateBench's BM_ChartPollingAgainstWire/mode:2/latency_us:250).
//  - BM_CaptureEventGap: the main window shown offscreen; the capture dialog
//    takes 10^6 samples of mode 2 at 200 kHz (a 10 MHz SPI clock) on the
//    engine's thread, and the samples open in the review window as they do
//    from "Захват…" and are drawn. A 5 ms probe timer stands for the window's
//    other events: `gap_ms` is the longest wait it saw from the start of the
//    capture until the review window has drawn the record; `gap_cpu_ms` the
//    window thread's processor time within it. Where it was:
//    `gap_end_s` (when the longest wait ended) against `captured_s` (the
//    capture ended), `opened_s` (the review window opened; `open_cpu_ms` the
//    window thread's processor time for that), `shown_s` (its record made
//    on the worker and shown) and `drawn_s`, in seconds from the start.
//  - BM_IdleEventGap: the same probe for as long as that capture, with the
//    main window shown and nothing else to do: what this machine's own
//    scheduling and timers leave of a 5 ms timer, the floor under gap_ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "BenchMain.h"
#include "device/CaptureEngine.h"
#include "talmir_sim_control.h"
#include "ui/CaptureDialog.h"
#include "ui/ChartView.h"
#include "ui/FaceOperations.h"
#include "ui/ReviewWindow.h"
#include "ui/TimerWakeups.h"
#include "ui/main.h"
#include "ui_CaptureDialog.h"
#include "ui_ReviewWindow.h"

namespace {

using talmir::CapturedSample;
using talmir::CaptureEngine;
using talmir::CaptureResult;

constexpr std::uint32_t kLatencyUs = 250;

// Longest wait between two timeouts of a 5 ms timer.
class GapProbe {
public:
    GapProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const double cpu = talmir::bench::ThreadCpuSeconds();
            if (now - lastNs_ > maxGapNs_) {
                maxGapNs_ = now - lastNs_;
                maxGapEndNs_ = now;
                maxGapCpuS_ = cpu - lastCpuS_;
            }
            lastNs_ = now;
            lastCpuS_ = cpu;
        });
    }
    void Start() {
        clock_.start();
        lastNs_ = 0;
        maxGapNs_ = 0;
        lastCpuS_ = talmir::bench::ThreadCpuSeconds();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double MaxGapMs() const { return maxGapNs_ / 1e6; }
    // When the longest wait ended, in seconds from Start().
    double MaxGapEndS() const { return maxGapEndNs_ / 1e9; }
    // The window thread's processor time within the longest wait: the rest
    // of the wait it waited for a processor.
    double MaxGapCpuMs() const { return maxGapCpuS_ * 1e3; }
    double NowS() const { return clock_.nsecsElapsed() / 1e9; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0, maxGapNs_ = 0, maxGapEndNs_ = 0;
    double lastCpuS_ = 0, maxGapCpuS_ = 0;
};

void BM_CaptureRate(benchmark::State& state) {
    QTemporaryDir dir;
    const auto face = talmir::bench::FreshMainWindow(dir);
    talmir::MpsseLink& link = talmir::bench::gTool->link;
    talmir::FillChannelConfig(link.ChannelConfig(), talmir::kDefaultSpiClockKHz * 1000);
    face->Chip().GetReg(0, true);  // opens the channel
    TalmirSim_SetLatency(kLatencyUs);
    CaptureEngine engine(face->Chip(), link);
    const double rate = engine.MaxPacedRateHz(2);
    constexpr std::uint64_t kCount = 50000;
    for (auto _ : state) {
        std::uint64_t got = 0;
        QElapsedTimer clock;
        clock.start();
        const CaptureResult result = engine.Run(
            {2, rate, kCount}, [&](std::vector<CapturedSample>&& b) { got += b.size(); });
        const double seconds = clock.nsecsElapsed() / 1e9;
        if (!result.error.empty() || got != kCount || !result.paced) {
            state.SkipWithError("the capture was not paced or did not take every sample");
            break;
        }
        state.counters["samples_per_s"] = static_cast<double>(got) / seconds;
        state.counters["rate_hz"] = rate;
    }
    TalmirSim_SetLatency(0);
}
BENCHMARK(BM_CaptureRate)
    ->ArgNames({"latency_us"})
    ->Arg(kLatencyUs)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CaptureEventGap(benchmark::State& state) {
    QTemporaryDir dir;
    const auto face = talmir::bench::FreshMainWindow(dir);
    talmir::MpsseLink& link = talmir::bench::gTool->link;
    face->resize(939, 743);
    face->show();
    QCoreApplication::processEvents();
    talmir::FillChannelConfig(link.ChannelConfig(), 10'000'000);
    face->Chip().GetReg(0, true);
    TalmirSim_SetLatency(kLatencyUs);
    constexpr int kCount = 1000000;
    for (auto _ : state) {
        CaptureEngine engine(face->Chip(), link);
        talmir::CaptureDialog dialog(engine, {"0", "1", "2", "3", "4", "5"}, face.get());
        dialog.ui->ComboMode->setCurrentIndex(2);
        dialog.ui->SpinRate->setValue(200000);
        dialog.ui->SpinCount->setValue(kCount);
        dialog.show();
        GapProbe probe;
        QEventLoop loop;
        talmir::ReviewWindow* window = nullptr;
        double capturedS = 0, openedS = 0, shownS = 0, drawnS = 0, openCpuS = 0;
        QObject::connect(&dialog, &talmir::CaptureDialog::Captured,
                         [&](int mode, std::shared_ptr<const std::vector<CapturedSample>> samples,
                             const CaptureResult&) {
                             capturedS = probe.NowS();
                             const double cpu = talmir::bench::ThreadCpuSeconds();
                             window = face->OpenCaptureReview(mode, std::move(samples));
                             openCpuS = talmir::bench::ThreadCpuSeconds() - cpu;
                             openedS = probe.NowS();
                             if (window == nullptr) {
                                 loop.quit();
                                 return;
                             }
                             QObject::connect(window, &talmir::ReviewWindow::ReadingEnded, &loop,
                                              &QEventLoop::quit);
                         });
        QElapsedTimer clock;
        QTimer::singleShot(0, [&] {
            probe.Start();
            clock.start();
            dialog.BtnCaptureClick();
        });
        loop.exec();
        // The review window's first frame: drawn on the window's thread.
        shownS = probe.NowS();
        if (window != nullptr) {
            window->ui->ChartReview->RedrawNow();
            window->ui->ChartReview->FinishRendering();
            drawnS = probe.NowS();
            QEventLoop settle;
            QTimer::singleShot(20, &settle, &QEventLoop::quit);
            settle.exec();
        }
        probe.Stop();
        const double seconds = clock.nsecsElapsed() / 1e9;
        if (window == nullptr || window->Record() == nullptr ||
            window->Record()->Count() != kCount) {
            state.SkipWithError("the capture did not open whole in the review window");
            break;
        }
        state.counters["gap_ms"] = probe.MaxGapMs();
        state.counters["seconds"] = seconds;
        // Where the longest wait ended, and when the capture ended, its
        // record was shown and drawn: seconds from the start.
        state.counters["gap_end_s"] = probe.MaxGapEndS();
        state.counters["gap_cpu_ms"] = probe.MaxGapCpuMs();
        state.counters["captured_s"] = capturedS;
        state.counters["opened_s"] = openedS;
        state.counters["open_cpu_ms"] = openCpuS * 1e3;
        state.counters["shown_s"] = shownS;
        state.counters["drawn_s"] = drawnS;
        window->close();
    }
    TalmirSim_SetLatency(0);
}
BENCHMARK(BM_CaptureEventGap)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IdleEventGap(benchmark::State& state) {
    QTemporaryDir dir;
    const auto face = talmir::bench::FreshMainWindow(dir);
    face->resize(939, 743);
    face->show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        GapProbe probe;
        QEventLoop loop;
        // A 10^6-sample capture at 200 kHz takes 5 s.
        QTimer::singleShot(5000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        probe.Start();
        loop.exec();
        probe.Stop();
        state.counters["gap_ms"] = probe.MaxGapMs();
        state.counters["gap_cpu_ms"] = probe.MaxGapCpuMs();
    }
}
BENCHMARK(BM_IdleEventGap)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
