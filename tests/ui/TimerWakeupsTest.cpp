// A timer started on time still fires once per start, never before its
// interval is over, and not at all when stopped first. A loaded machine only
// makes timers late, so the tests bound how early they fire, never how late.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

#include "ui/TimerWakeups.h"

namespace {

using Clock = std::chrono::steady_clock;

void RunEventLoop(QEventLoop& loop, int ms) {
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(StartOnTime, FiresOncePerStartAfterTheWholeInterval) {
    for (const int intervalMs : {1, 3, 25}) {
        SCOPED_TRACE(intervalMs);
        QTimer timer;
        timer.setSingleShot(true);
        timer.setInterval(intervalMs);
        int fired = 0;
        Clock::time_point startedAt;
        Clock::duration shortest = Clock::duration::max();
        QEventLoop loop;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            shortest = std::min(shortest, Clock::now() - startedAt);
            if (++fired < 20) {
                startedAt = Clock::now();
                talmir::StartOnTime(&timer);
            }
        });
        startedAt = Clock::now();
        talmir::StartOnTime(&timer);
        // Until the twentieth firing, then two intervals more for any firing
        // too many.
        QElapsedTimer waited;
        waited.start();
        while (fired < 20 && waited.elapsed() < 30000) RunEventLoop(loop, 5);
        RunEventLoop(loop, 2 * intervalMs + 5);
        EXPECT_EQ(fired, 20);
        EXPECT_GE(shortest, std::chrono::milliseconds(intervalMs));
    }
}

TEST(StartOnTime, StoppedTimerStaysSilent) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(2);
    int fired = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++fired; });
    talmir::StartOnTime(&timer);
    timer.stop();
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(fired, 0);
    EXPECT_FALSE(timer.isActive());
}

}  // namespace
