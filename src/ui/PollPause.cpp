#include "ui/PollPause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <utility>

namespace talmir {

namespace {

// Polling at most this interval is fast: a redraw of about a millisecond is a
// large share of its pause.
constexpr int kFastIntervalMs = 20;
// Work waits at most this long for a pause: polling may have stopped or
// failed, or a reading may take long on a slow link.
constexpr int kLongestWaitMs = 50;

// The window thread's waiting work, created on first use and owned by the
// application, so its timer goes before the event loop does.
class PollPauseQueue final : public QObject {
public:
    explicit PollPauseQueue(QObject* app) : QObject(app) {
        fallback_.setSingleShot(true);
        fallback_.setInterval(kLongestWaitMs);
        QObject::connect(&fallback_, &QTimer::timeout, [this] {
            while (!waiting_.empty()) StartOldest();
        });
    }

    void Add(QObject* context, std::function<void()> work) {
        if (!PollingFast()) {
            Start(context, std::move(work));
            return;
        }
        waiting_.emplace_back(context, std::move(work));
        if (!fallback_.isActive()) fallback_.start();
    }

    void PauseBegins(int intervalMs) {
        if (intervalMs > kFastIntervalMs) return;
        sinceFastPause_.start();
        if (waiting_.empty()) return;
        StartOldest();
        if (waiting_.empty())
            fallback_.stop();
        else
            fallback_.start();
    }

private:
    bool PollingFast() const {
        return sinceFastPause_.isValid() && sinceFastPause_.elapsed() < kLongestWaitMs;
    }

    void StartOldest() {
        auto [context, work] = std::move(waiting_.front());
        waiting_.pop_front();
        if (context) Start(context, std::move(work));
    }

    // Posted, so it runs once the reading's handler has returned.
    static void Start(QObject* context, std::function<void()> work) {
        QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
    }

    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> waiting_;
    QElapsedTimer sinceFastPause_;
    QTimer fallback_;
};

PollPauseQueue& Queue() {
    static QPointer<PollPauseQueue> queue;
    if (!queue) queue = new PollPauseQueue(QCoreApplication::instance());
    return *queue;
}

}  // namespace

void RunInPollPause(QObject* context, std::function<void()> work) {
    Queue().Add(context, std::move(work));
}

void PollPauseBegins(int intervalMs) {
    Queue().PauseBegins(intervalMs);
}

}  // namespace talmir
