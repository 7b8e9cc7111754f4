// Work waiting for poll pauses: held while polling is fast, one piece per
// pause, never lost when pauses stop coming, dropped with its context. The
// queue runs on a clock of the test's, so what is held stays held however
// loaded the machine is; only what must happen in the end is waited for.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "ui/PollPause.h"

namespace {

using namespace std::chrono_literals;

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done`, for at most ten seconds.
void RunUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 10000) RunEventLoop(5);
}

// A queue of the test's own on the test's clock, which has seen no polling yet.
class PollPause : public ::testing::Test {
protected:
    std::chrono::steady_clock::time_point now{};
    talmir::PollPauseQueue queue{[this] { return now; }};
    QObject context;
    std::vector<int> ran;
    void Add(int n) {
        queue.Add(&context, [this, n] { ran.push_back(n); });
    }
    void PollPauseBegins(int intervalMs) { queue.PauseBegins(intervalMs); }
};

TEST_F(PollPause, WorkIsHeldWhileAFastPauseBeganLessThan50msAgo) {
    struct Case {
        int intervalMs;  // of the pause begun; 0: none
        std::chrono::milliseconds age;
        bool held;
    };
    for (const Case c : {Case{0, 0ms, false}, Case{25, 0ms, false}, Case{20, 0ms, true},
                         Case{1, 0ms, true}, Case{1, 49ms, true}, Case{1, 50ms, false}}) {
        SCOPED_TRACE(testing::Message() << c.intervalMs << " ms, " << c.age.count() << " ms ago");
        now += 1h;  // long after any earlier pause
        ran.clear();
        if (c.intervalMs > 0) PollPauseBegins(c.intervalMs);
        now += c.age;
        Add(1);
        QCoreApplication::processEvents();
        EXPECT_EQ(ran.size(), c.held ? 0u : 1u);
        if (!c.held) continue;
        PollPauseBegins(1);  // the next pause lets it go
        QCoreApplication::processEvents();
        EXPECT_EQ(ran.size(), 1u);
    }
}

TEST_F(PollPause, OnePiecePerPauseInOrder) {
    PollPauseBegins(1);
    for (int n = 1; n <= 3; ++n) Add(n);
    for (const std::vector<int>& expected :
         {std::vector<int>{1}, std::vector<int>{1, 2}, std::vector<int>{1, 2, 3}}) {
        PollPauseBegins(1);
        QCoreApplication::processEvents();
        EXPECT_EQ(ran, expected);
    }
}

TEST_F(PollPause, WorkRunsWhenPausesStopComing) {
    PollPauseBegins(1);
    Add(1);
    Add(2);
    // The fallback timer fires in real time and finds the wait not over on
    // the queue's clock.
    now += 49ms;
    RunEventLoop(80);
    EXPECT_TRUE(ran.empty());
    now += 1ms;
    RunUntil([&] { return ran.size() == 2; });
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_F(PollPause, WorkOfADestroyedContextIsDropped) {
    PollPauseBegins(1);
    auto gone = std::make_unique<QObject>();
    bool ranGone = false;
    queue.Add(gone.get(), [&] { ranGone = true; });
    Add(1);
    gone.reset();
    PollPauseBegins(1);
    PollPauseBegins(1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ranGone);
    EXPECT_EQ(ran, (std::vector<int>{1}));
}

}  // namespace
