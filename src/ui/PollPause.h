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

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

namespace talmir {

// The waiting work of the windows that share one set of acquisitions; it
// lives on the window's thread.
class PollPauseQueue final {
public:
    PollPauseQueue();
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
    bool PollingFast() const;
    void StartOldest();

    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> waiting_;
    QElapsedTimer sinceFastPause_;
    QTimer fallback_;
};

// Hands `work` of `context` to `queue`; without a queue it runs as soon as the
// event loop gets to it.
void RunInPollPause(PollPauseQueue* queue, QObject* context, std::function<void()> work);

}  // namespace talmir
