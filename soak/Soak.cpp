// The soak run behind `make soak`: the tool's windows offscreen against the
// simulated chip for a long time. The chart page polls every 1 ms with logging
// to a data file on and the sensor window polls beside it; every 20 to 40 s
// (a fixed pseudo-random sequence) the run changes page, stops and restarts
// the acquisitions or clears the charts, through the buttons a user clicks.
//
// Resident memory is sampled every 10 s. The charts keep every point they are
// given, so memory may grow by what the charts hold beyond the first sample;
// the run fails when it grows by more than that plus 20 MiB. It also fails on
// any error box, and when the data file's lines do not match the readings the
// tool counted.
//
// Usage: talmir-soak [SECONDS]   (default 3600; TALMIR_MPSSE_LIBRARY names the
// simulator library, as for `make run`)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/TimerWakeups.h"
#include "ui/UnitASensChart.h"
#include "ui/UnitChart.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_UnitASensChart.h"
#include "ui_main.h"

namespace {

using namespace talmir;

constexpr int kSampleMs = 10000;
constexpr int kChartPage = 1;
constexpr int kOtherPages[] = {0, 2, 3};
constexpr int kFrameModes = 5;  // readout modes 0 to 4 each log one line per reading
constexpr std::int64_t kSlackKb = 20 * 1024;

// The simulator's control entry points, taken from the library the link
// bound (so they act on the adapter the tool talks to).
struct SimControl {
    decltype(&TalmirSim_SetSpeed) setSpeed = nullptr;
    decltype(&TalmirSim_SetNoise) setNoise = nullptr;
    decltype(&TalmirSim_TraceClear) traceClear = nullptr;
};

std::optional<SimControl> BindSimControl(const std::string& libraryPath) {
    void* lib = OpenLibrary(libraryPath);
    if (lib == nullptr) return std::nullopt;
    SimControl c;
    c.setSpeed =
        reinterpret_cast<decltype(&TalmirSim_SetSpeed)>(FindSymbol(lib, "TalmirSim_SetSpeed"));
    c.setNoise =
        reinterpret_cast<decltype(&TalmirSim_SetNoise)>(FindSymbol(lib, "TalmirSim_SetNoise"));
    c.traceClear =
        reinterpret_cast<decltype(&TalmirSim_TraceClear)>(FindSymbol(lib, "TalmirSim_TraceClear"));
    if (c.setSpeed == nullptr || c.setNoise == nullptr || c.traceClear == nullptr)
        return std::nullopt;
    return c;
}

// VmRSS of this process in kB; -1 when /proc does not say.
std::int64_t ResidentKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    std::int64_t kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kb = std::strtoll(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

// Bytes the C heap has handed out and not taken back, in kB (-1 unknown): set
// beside the resident size, it tells a leak (both grow) from memory the heap
// keeps after it was freed (only the resident size grows).
std::int64_t HeapInUseKb() {
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return static_cast<std::int64_t>((m.uordblks + m.hblkhd) / 1024);
#else
    return -1;
#endif
}

// Lines of a file (LF count) and whether its last byte ends one; none when it
// cannot be read.
struct LineCount {
    bool read = false;
    std::int64_t lines = 0;
    bool endsWithLineEnd = true;
};

LineCount CountLines(const QString& path) {
    LineCount count;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return count;
    count.read = true;
    char last = '\n';
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(1 << 20);
        if (chunk.isEmpty()) break;
        count.lines += chunk.count('\n');
        last = chunk.back();
    }
    count.endsWithLineEnd = last == '\n';
    return count;
}

void ProcessEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A fixed sequence, so every run does the same things at the same times.
class Sequence {
public:
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int Between(int lo, int hi) { return lo + static_cast<int>(Next() % (hi - lo + 1)); }

private:
    std::uint64_t state_ = 20240601;
};

// A line series with the most bytes its sample store has held (the store's
// own accounting): memory freed by "Сбросить" goes back to the heap, which
// need not hand it back to the system, so the fullest moment counts.
struct TrackedSeries {
    const TChartSeries* series;
    std::int64_t most = 0;
};

class Soak {
public:
    Soak(int seconds, const QString& dir, SimControl sim, MpsseLink& link, AcquisitionState& state)
        : seconds_(seconds), dir_(dir), sim_(sim), link_(link), state_(state) {}

    int Run();
    void Fail(const QString& reason);

private:
    void SetUp();
    void StartBoth();
    void StopBoth();
    void Sample();
    void Event();
    void ScheduleEvent(int delayMs);
    void Finish();
    void Drain();
    std::int64_t KeptBytes();
    void Summary(const LineCount& file);

    template <typename Body>
    auto Safely(Body body) {
        return [this, body] {
            try {
                body();
            } catch (const std::exception& e) {
                Fail(QStringLiteral("exception: ") + QString::fromUtf8(e.what()));
            }
        };
    }

    const int seconds_;
    const QString dir_;
    const SimControl sim_;
    MpsseLink& link_;
    AcquisitionState& state_;
    QString dataFile_;
    std::unique_ptr<TF_Face> face_;
    std::unique_ptr<TF_Chart> chartWindow_;
    std::unique_ptr<TF_ASens_Chart> sensor_;
    std::vector<TrackedSeries> tracked_;
    Sequence seq_;
    QElapsedTimer clock_;
    QTimer sampleTimer_, eventTimer_;
    bool running_ = false;  // inside the event loop
    bool finished_ = false;
    QString failure_;

    // Counters at the start, and what the run saw.
    std::int64_t chartStart_ = 0, sensorStart_ = 0;
    std::uint64_t cyclesStart_ = 0;
    std::int64_t ticks_ = 0, starts_ = 0, events_ = 0;
    std::int64_t rssFirst_ = -1, rssLast_ = -1, rssMax_ = -1, keptFirst_ = 0, keptLast_ = 0;
};

// The first failure is the one reported; it ends the event loop.
void Soak::Fail(const QString& reason) {
    if (!failure_.isEmpty()) return;
    failure_ = reason;
    if (!running_) return;
    std::printf("soak: stopping at %lld s: %s\n", static_cast<long long>(clock_.elapsed() / 1000),
                reason.toUtf8().constData());
    std::fflush(stdout);
    QCoreApplication::quit();
}

void Soak::SetUp() {
    TF_FaceOptions options;
    options.exeDir = dir_ + "/";
    face_ = std::make_unique<TF_Face>(link_, state_, options);
    chartWindow_ = std::make_unique<TF_Chart>(state_);
    sensor_ = std::make_unique<TF_ASens_Chart>(state_);
    face_->AttachAuxiliaryWindows(chartWindow_.get(), sensor_.get());
    face_->show();
    for (QShortcut* s : face_->findChildren<QShortcut*>()) {
        if (s->key() == QKeySequence(QStringLiteral("Ctrl+Shift+2"))) emit s->activated();
    }
    if (!sensor_->isVisible()) return Fail("Ctrl+Shift+2 did not open the sensor window");

    face_->ui->btnIniChip->click();
    if (!face_->ChipIdentified()) return Fail("CHIP HardID did not identify the simulated chip");

    // Every page once, as a user looking round does, so that the first sample
    // already holds what showing a page costs the first time.
    for (const int index : {0, 2, 3, kChartPage}) {
        face_->ui->PageControl->setCurrentIndex(index);
        ProcessEventsFor(200);
    }
    Ui::PageChart& page = *face_->chart;
    page.ListBoxMode->setCurrentRow(0);
    page.EditInterval->setText(QStringLiteral("1"));
    dataFile_ = dir_ + "/soak.csv";
    page.EditChartsFile->setText(dataFile_);
    if (!page.cbSaveChartsToFile->isChecked()) page.cbSaveChartsToFile->click();
    if (!page.cbSaveChartsToFile->isChecked()) return Fail("logging to the data file is off");
    sensor_->ui->EditInterval->setText(QStringLiteral("1"));

    for (QWidget* window :
         std::initializer_list<QWidget*>{face_.get(), chartWindow_.get(), sensor_.get()}) {
        for (const TChart* chart : window->findChildren<TChart*>()) {
            for (const auto& s : chart->Series()) tracked_.push_back({s.get(), 0});
        }
    }
    for (QTimer* t : {face_->Timer, sensor_->Timer}) {
        QObject::connect(t, &QTimer::timeout, [this] { ++ticks_; });
    }

    chartStart_ = state_.ChartSampleCounter;
    sensorStart_ = state_.ASensSampleCounter;
    cyclesStart_ = state_.completedPollCycles;
}

// Clicks a start button that shows "Стоп" once, to stop it (after a page
// change this only resets its caption), then starts both; each start runs
// its first cycle at once.
void Soak::StartBoth() {
    StopBoth();
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(face_->chart->btnStart),
                               static_cast<QAbstractButton*>(sensor_->ui->btnStart)}) {
        b->click();
        if (b->text() == QStringLiteral("Стоп")) ++starts_;
    }
}

void Soak::StopBoth() {
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(face_->chart->btnStart),
                               static_cast<QAbstractButton*>(sensor_->ui->btnStart)}) {
        if (b->text() == QStringLiteral("Стоп")) b->click();
    }
}

std::int64_t Soak::KeptBytes() {
    std::int64_t sum = 0;
    for (TrackedSeries& t : tracked_) {
        const SeriesStore* store = t.series->Store();
        const auto bytes = static_cast<std::int64_t>(store ? store->BytesUsed() : 0);
        t.most = std::max<std::int64_t>(t.most, bytes);
        sum += t.most;
    }
    return sum;
}

// The simulator records the adapter calls it serves (the most recent 65536).
// That record is the simulator's, not the tool's: it is emptied before every
// sample, so each sample sees the same ten seconds' worth of it.
void Soak::Sample() {
    sim_.traceClear();
    const std::int64_t rss = ResidentKb();
    if (rss < 0) return Fail("no VmRSS in /proc/self/status");
    const std::int64_t kept = KeptBytes();
    if (rssFirst_ < 0) {
        rssFirst_ = rss;
        keptFirst_ = kept;
    }
    rssLast_ = rss;
    rssMax_ = std::max(rssMax_, rss);
    keptLast_ = kept;
    const std::int64_t allowanceKb = (kept - keptFirst_) / 1024 + kSlackKb;
    const std::int64_t growthKb = rss - rssFirst_;
    std::printf(
        "t=%5lld s  rss %7lld kB  growth %7lld kB  allowance %7lld kB  chart data %9lld B  heap "
        "%7lld "
        "kB\n",
        static_cast<long long>(clock_.elapsed() / 1000), static_cast<long long>(rss),
        static_cast<long long>(growthKb), static_cast<long long>(allowanceKb),
        static_cast<long long>(kept), static_cast<long long>(HeapInUseKb()));
    std::fflush(stdout);
    if (growthKb > allowanceKb) {
        Fail(QStringLiteral("resident memory grew by %1 kB, more than the %2 kB allowed "
                            "(%3 more bytes of chart data + 20 MiB)")
                 .arg(growthKb)
                 .arg(allowanceKb)
                 .arg(kept - keptFirst_));
    }
}

// One disturbance, then the next one 20 to 40 s after it ends.
void Soak::Event() {
    if (finished_) return;
    ++events_;
    const int dwellMs = seq_.Between(500, 3000);
    const auto restart = Safely([this] {
        if (finished_) return;
        face_->chart->ListBoxMode->setCurrentRow(seq_.Between(0, kFrameModes - 1));
        StartBoth();
        ScheduleEvent(seq_.Between(20000, 40000));
    });
    switch (seq_.Next() % 3) {
        case 0:  // another page stops every acquisition; back on the chart page, start again
            face_->ui->PageControl->setCurrentIndex(kOtherPages[seq_.Next() % 3]);
            QTimer::singleShot(dwellMs, Safely([this, restart] {
                                   if (finished_) return;
                                   face_->ui->PageControl->setCurrentIndex(kChartPage);
                                   restart();
                               }));
            break;
        case 1:  // "Стоп" on both, a pause, "Старт" again
            StopBoth();
            QTimer::singleShot(dwellMs, restart);
            break;
        default:  // "Сбросить" on both while they poll
            KeptBytes();
            face_->chart->BtnClearChart->click();
            sensor_->ui->Button1->click();
            ScheduleEvent(seq_.Between(20000, 40000));
            break;
    }
}

void Soak::ScheduleEvent(int delayMs) {
    eventTimer_.start(delayMs);
}

void Soak::Finish() {
    finished_ = true;
    QCoreApplication::quit();
}

// Stops both acquisitions and lets their last armed cycles and redraws run.
void Soak::Drain() {
    StopBoth();
    state_.AcquisitionActive = false;
    QElapsedTimer wait;
    wait.start();
    while ((face_->Timer->isActive() || sensor_->Timer->isActive()) && wait.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QCoreApplication::processEvents();
}

// The run's clock starts with the polling; the first sample is taken once
// the first second's redraws have run.
int Soak::Run() {
    clock_.start();
    SetUp();
    if (failure_.isEmpty()) {
        clock_.restart();
        StartBoth();
        ProcessEventsFor(1000);
    }
    if (failure_.isEmpty()) {
        Sample();
        sampleTimer_.setInterval(kSampleMs);
        QObject::connect(&sampleTimer_, &QTimer::timeout, Safely([this] { Sample(); }));
        eventTimer_.setSingleShot(true);
        QObject::connect(&eventTimer_, &QTimer::timeout, Safely([this] { Event(); }));
        sampleTimer_.start();
        ScheduleEvent(seq_.Between(20000, 40000));
        QTimer::singleShot(std::max<qint64>(0, seconds_ * 1000LL - clock_.elapsed()),
                           [this] { Finish(); });
        running_ = failure_.isEmpty();
        if (running_) QCoreApplication::exec();
        running_ = false;
        sampleTimer_.stop();
        eventTimer_.stop();
        Drain();
        if (failure_.isEmpty()) Sample();
    }
    const LineCount file = CountLines(dataFile_);
    Summary(file);
    // The main window goes first, as in the tool: it detaches the sensor window.
    face_.reset();
    sensor_.reset();
    chartWindow_.reset();
    return failure_.isEmpty() ? 0 : 1;
}

void Soak::Summary(const LineCount& file) {
    const std::int64_t chart = state_.ChartSampleCounter - chartStart_;
    const std::int64_t sensor = state_.ASensSampleCounter - sensorStart_;
    const auto readings = static_cast<std::int64_t>(state_.completedPollCycles - cyclesStart_);
    // The header line is written when the file is created, by the first reading.
    const std::int64_t dataLines = file.lines > 0 ? file.lines - 1 : 0;
    if (failure_.isEmpty()) {
        if (!file.read) {
            Fail("cannot read the data file " + dataFile_);
        } else if (!file.endsWithLineEnd) {
            Fail("the data file ends inside a line");
        } else if (dataLines != chart) {
            Fail(QStringLiteral("the data file has %1 data lines, the chart page counted %2 "
                                "readings")
                     .arg(dataLines)
                     .arg(chart));
        } else if (readings != chart + sensor) {
            Fail(QStringLiteral("%1 poll cycles completed, the chart page and the sensor window "
                                "counted %2 and %3")
                     .arg(readings)
                     .arg(chart)
                     .arg(sensor));
        } else if (readings != ticks_ + starts_) {
            Fail(QStringLiteral("%1 poll cycles started (%2 timer ticks, %3 starts), %4 completed")
                     .arg(ticks_ + starts_)
                     .arg(ticks_)
                     .arg(starts_)
                     .arg(readings));
        }
    }
    const std::int64_t allowanceKb = (keptLast_ - keptFirst_) / 1024 + kSlackKb;
    std::printf("duration: %.1f s (asked %d s)\n", clock_.elapsed() / 1000.0, seconds_);
    std::printf("events: %lld (page changes, stops and restarts, clears)\n",
                static_cast<long long>(events_));
    std::printf("ticks: %lld timer ticks + %lld starts\n", static_cast<long long>(ticks_),
                static_cast<long long>(starts_));
    std::printf("readings: %lld (chart page %lld, sensor window %lld)\n",
                static_cast<long long>(readings), static_cast<long long>(chart),
                static_cast<long long>(sensor));
    std::printf("file lines: %lld (1 header + %lld data)\n", static_cast<long long>(file.lines),
                static_cast<long long>(dataLines));
    std::printf("rss: first %lld kB, last %lld kB, max %lld kB, growth %lld kB\n",
                static_cast<long long>(rssFirst_), static_cast<long long>(rssLast_),
                static_cast<long long>(rssMax_), static_cast<long long>(rssLast_ - rssFirst_));
    std::printf("allowance: %lld kB (%lld more bytes of chart data + 20 MiB)\n",
                static_cast<long long>(allowanceKb),
                static_cast<long long>(keptLast_ - keptFirst_));
    if (failure_.isEmpty()) {
        std::printf("soak: PASS\n");
    } else {
        std::printf("soak: FAIL %s\n", failure_.toUtf8().constData());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: talmir-soak [SECONDS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    WakeTimersOnTime();

    MpsseLink link;
    std::string bindingMessage;
    link.LoadMPSSELibrary([&](const std::string& m) { bindingMessage = m; });
    if (!bindingMessage.empty() || !link.IsBound()) {
        std::printf("soak: FAIL MPSSE library not bound: %s\n", bindingMessage.c_str());
        return 1;
    }
    std::printf("soak: %d s on %s\n", seconds, link.LibraryPath().c_str());
    const std::optional<SimControl> sim = BindSimControl(link.LibraryPath());
    if (!sim) {
        std::printf("soak: FAIL %s is not the simulator (no TalmirSim_ control entry points)\n",
                    link.LibraryPath().c_str());
        return 1;
    }
    sim->setSpeed(0.5);  // turns per second
    sim->setNoise(6, 1);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::printf("soak: FAIL no temporary folder\n");
        return 1;
    }
    AcquisitionState state;
    Soak soak(seconds, dir.path(), *sim, link, state);
    state.errorSink = [&soak](const QString& m) { soak.Fail(QStringLiteral("error box: ") + m); };
    return soak.Run();
}
