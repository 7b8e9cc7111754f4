#include "ui/PollPause.h"

#include <QMetaObject>

namespace talmir {

namespace {

// Polling at most this interval is fast: a redraw of about a millisecond is a
// large share of its pause.
constexpr int kFastIntervalMs = 20;
// Work waits at most this long for a pause: polling may have stopped or
// failed, or a reading may take long on a slow link.
constexpr int kLongestWaitMs = 50;

// Posted, so it runs once the reading's handler has returned.
void Start(QObject* context, std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

}  // namespace

PollPauseQueue::PollPauseQueue() {
    fallback_.setSingleShot(true);
    fallback_.setInterval(kLongestWaitMs);
    QObject::connect(&fallback_, &QTimer::timeout, [this] {
        while (!waiting_.empty()) StartOldest();
    });
}

void PollPauseQueue::Add(QObject* context, std::function<void()> work) {
    if (!PollingFast()) {
        Start(context, std::move(work));
        return;
    }
    waiting_.emplace_back(context, std::move(work));
    if (!fallback_.isActive()) fallback_.start();
}

void PollPauseQueue::PauseBegins(int intervalMs) {
    if (intervalMs > kFastIntervalMs) return;
    sinceFastPause_.start();
    if (waiting_.empty()) return;
    StartOldest();
    if (waiting_.empty())
        fallback_.stop();
    else
        fallback_.start();
}

bool PollPauseQueue::PollingFast() const {
    return sinceFastPause_.isValid() && sinceFastPause_.elapsed() < kLongestWaitMs;
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
