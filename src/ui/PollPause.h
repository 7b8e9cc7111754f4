// Window work that may wait a little, such as a chart's redraw, and the pauses
// of fast polling. An acquisition polling at a short interval takes its next
// reading one interval after the last one ended; a redraw that happens to run
// late in that pause makes the reading late by what it overruns, so at a 1 ms
// interval redraws landing at random moments cost several per cent of the
// readings. Work handed to a PollPauseQueue waits for the start of the next
// such pause and runs there, one piece per pause, so it overlaps the pause
// instead. Without fast polling, or when no pause begins soon, it runs as soon
// as the event loop gets to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace talmir {

// The clock a queue measures its waits with: by default the steady clock,
// which the event loop's timers run on. A test gives a queue its own, so that
// how long work waits follows that clock and not the machine's load.
using PollPauseClock = std::function<std::chrono::steady_clock::time_point()>;

// The waiting work of the windows that share one set of acquisitions; it
// lives on the window's thread.
class PollPauseQueue final {
public:
    // Measures its waits with `now`; empty: the steady clock.
    explicit PollPauseQueue(PollPauseClock now = {});
    PollPauseQueue(const PollPauseQueue&) = delete;
    PollPauseQueue& operator=(const PollPauseQueue&) = delete;

    // Runs `work` on the window's thread at the start of a poll pause, or as
    // soon as possible when nothing polls fast; never when `context` is
    // destroyed first.
    void Add(QObject* context, std::function<void()> work);

    // Called by an acquisition when the pause after a reading begins, its
    // timer started with an interval of `intervalMs`: the oldest waiting work
    // starts.
    void PauseBegins(int intervalMs);

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    TimePoint Now() const;
    bool PollingFast() const;
    void ArmFallback();
    void FallbackDue();
    void StartOldest();

    PollPauseClock now_;
    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> waiting_;
    std::optional<TimePoint> lastFastPause_;
    TimePoint fallbackDue_{};
    QTimer fallback_;
};

// Hands `work` of `context` to `queue`; without a queue it runs as soon as the
// event loop gets to it.
void RunInPollPause(PollPauseQueue* queue, QObject* context, std::function<void()> work);

}  // namespace talmir
