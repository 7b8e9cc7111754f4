#include "ui/PollPause.h"

#include <QMetaObject>
#include <algorithm>

namespace talmir {

namespace {

// Polling at most this interval is fast: a redraw of about a millisecond is a
// large share of its pause.
constexpr int kFastIntervalMs = 20;
// Work waits at most this long for a pause: polling may have stopped or
// failed, or a reading may take long on a slow link.
constexpr int kLongestWaitMs = 50;

using std::chrono::milliseconds;

// Posted, so it runs once the reading's handler has returned.
void Start(QObject* context, std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

}  // namespace

PollPauseQueue::PollPauseQueue(PollPauseClock now) : now_(std::move(now)) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&fallback_, &QTimer::timeout, [this] { FallbackDue(); });
}

PollPauseQueue::TimePoint PollPauseQueue::Now() const {
    return now_ ? now_() : std::chrono::steady_clock::now();
}

void PollPauseQueue::Add(QObject* context, std::function<void()> work) {
    if (!PollingFast()) {
        Start(context, std::move(work));
        return;
    }
    waiting_.emplace_back(context, std::move(work));
    if (!fallback_.isActive()) ArmFallback();
}

void PollPauseQueue::PauseBegins(int intervalMs) {
    if (intervalMs > kFastIntervalMs) return;
    lastFastPause_ = Now();
    if (waiting_.empty()) return;
    StartOldest();
    if (waiting_.empty())
        fallback_.stop();
    else
        ArmFallback();
}

bool PollPauseQueue::PollingFast() const {
    return lastFastPause_ && Now() - *lastFastPause_ < milliseconds(kLongestWaitMs);
}

void PollPauseQueue::ArmFallback() {
    fallbackDue_ = Now() + milliseconds(kLongestWaitMs);
    fallback_.start(kLongestWaitMs);
}

// The precise timer fires no earlier than the steady clock's due time; a
// clock of a test's may say the wait is not over yet, and then the timer waits
// out what that clock says is left.
void PollPauseQueue::FallbackDue() {
    const auto left = std::chrono::ceil<milliseconds>(fallbackDue_ - Now());
    if (left.count() > 0) {
        fallback_.start(
            static_cast<int>(std::min<milliseconds::rep>(left.count(), kLongestWaitMs)));
        return;
    }
    while (!waiting_.empty()) StartOldest();
}

void PollPauseQueue::StartOldest() {
    auto [context, work] = std::move(waiting_.front());
    waiting_.pop_front();
    if (context) Start(context, std::move(work));
}

void RunInPollPause(PollPauseQueue* queue, QObject* context, std::function<void()> work) {
    if (queue != nullptr)
        queue->Add(context, std::move(work));
    else
        Start(context, std::move(work));
}

}  // namespace talmir
