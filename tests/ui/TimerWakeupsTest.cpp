// A timer started on time still fires once per start, never before its
// interval is over, and not at all when stopped first.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>

#include "ui/TimerWakeups.h"

namespace {

using Clock = std::chrono::steady_clock;

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
        QTimer::singleShot(20 * intervalMs + 500, &loop, &QEventLoop::quit);
        loop.exec();
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
