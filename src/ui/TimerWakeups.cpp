#include "ui/TimerWakeups.h"

#include <QTimer>

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#endif

namespace talmir {

void WakeTimersOnTime() {
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 1UL);  // 1 ns: as precise as the timer itself
#endif
}

#ifdef __linux__

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::nanoseconds;

// Above this interval the event loop's own wake-up is close enough.
constexpr int kOnTimeMaxIntervalMs = 20;
// Bounds of how early the descriptor wakes the thread before the timeout.
constexpr nanoseconds kMinLead{20'000};
constexpr nanoseconds kMaxLead{250'000};

// The early wake-up of one timer, owned by that timer as its child.
class OnTimeWaker final : public QObject {
    Q_OBJECT

public:
    explicit OnTimeWaker(QTimer* timer) : QObject(timer), timer_(timer) {
        fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0) return;
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &OnTimeWaker::Woken);
    }
    ~OnTimeWaker() override {
        delete notifier_;
        if (fd_ >= 0) ::close(fd_);
    }

    bool Usable() const { return fd_ >= 0; }

    // Called right after the timer was started: its timeout is no earlier
    // than now plus the interval (the timer took its start time before).
    void Arm() {
        deadline_ = Clock::now() + std::chrono::milliseconds(timer_->interval());
        wakeAt_ = deadline_ - Lead();
        const auto ns = wakeAt_.time_since_epoch().count();
        itimerspec at{};
        at.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        at.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        armed_ = timerfd_settime(fd_, TFD_TIMER_ABSTIME, &at, nullptr) == 0;
    }

private:
    // The usual lateness and a little more: the lead covers nearly every
    // wake-up with little waiting left over.
    nanoseconds Lead() const {
        return std::clamp(nanoseconds(lateNs_ + 30'000), kMinLead, kMaxLead);
    }

    void Woken() {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto got = ::read(fd_, &expirations, sizeof expirations);
        if (!armed_) return;
        armed_ = false;
        const auto now = Clock::now();
        const auto late = std::chrono::duration_cast<nanoseconds>(now - wakeAt_).count();
        lateNs_ += (std::max<std::int64_t>(late, 0) - lateNs_) / 8;
        // A timer stopped meanwhile has nothing to wait for; the wait is
        // bounded by the lead, whatever the clock did.
        if (!timer_->isActive() || deadline_ - now > kMaxLead) return;
        while (Clock::now() < deadline_) {
        }
        // Returning lets the event loop find the timer due and fire it at once.
    }

    QTimer* timer_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    Clock::time_point deadline_{}, wakeAt_{};
    std::int64_t lateNs_ = 50'000;
    bool armed_ = false;
};

}  // namespace

#endif

void StartOnTime(QTimer* timer) {
    timer->setTimerType(Qt::PreciseTimer);
    timer->start();
#ifdef __linux__
    if (timer->interval() > kOnTimeMaxIntervalMs) return;
    auto* waker = timer->findChild<OnTimeWaker*>(QString(), Qt::FindDirectChildrenOnly);
    if (waker == nullptr) waker = new OnTimeWaker(timer);
    if (waker->Usable()) waker->Arm();
#endif
}

}  // namespace talmir

#ifdef __linux__
#include "TimerWakeups.moc"
#endif
