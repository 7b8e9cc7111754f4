// Work waiting for poll pauses: held while polling is fast, one piece per
// pause, never lost when pauses stop coming, dropped with its context.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <vector>

#include "ui/PollPause.h"

namespace {

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A queue of the test's own, which has seen no polling yet.
class PollPause : public ::testing::Test {
protected:
    talmir::PollPauseQueue queue;
    QObject context;
    std::vector<int> ran;
    void Add(int n) {
        queue.Add(&context, [this, n] { ran.push_back(n); });
    }
    void PollPauseBegins(int intervalMs) { queue.PauseBegins(intervalMs); }
};

TEST_F(PollPause, WorkRunsAtOnceUnlessPollingIsFast) {
    struct Case {
        int intervalMs;  // of the pause just begun; 0: none
        bool held;
    };
    for (const Case c : {Case{0, false}, Case{25, false}, Case{20, true}, Case{1, true}}) {
        SCOPED_TRACE(c.intervalMs);
        RunEventLoop(70);
        ran.clear();
        if (c.intervalMs > 0) PollPauseBegins(c.intervalMs);
        Add(1);
        QCoreApplication::processEvents();
        EXPECT_EQ(ran.size(), c.held ? 0u : 1u);
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
    RunEventLoop(30);
    EXPECT_TRUE(ran.empty());
    RunEventLoop(60);
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
