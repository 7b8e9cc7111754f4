#include "ui/AcquisitionControl.h"

#include <QAbstractButton>
#include <QTimer>
#include <climits>
#include <cstdint>

#include "core/IntText.h"
#include "ui/PollPause.h"
#include "ui/TimerWakeups.h"
#include "ui/UnitASensChart.h"

namespace talmir {

namespace {

std::uint64_t completedPollCycles = 0;

}  // namespace

int PollIntervalMs(const QString& text) {
    const auto ms = static_cast<std::uint32_t>(ParseIntOr(text.toStdString(), 100));
    return ms > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

bool ToggleAcquisition(QAbstractButton* startButton) {
    // The caption follows the window's language, so it is looked up each time.
    const QString start = StartCaption();
    if (startButton->text() != start) {
        AcquisitionActive = false;
        startButton->setText(start);
        return false;
    }
    startButton->setText(StopCaption());
    AcquisitionActive = true;
    return true;
}

void RearmPollTimer(QTimer* timer) {
    if (AcquisitionActive && timer->interval() > 0) {
        StartOnTime(timer);
        PollPauseBegins(timer->interval());
    } else {
        timer->stop();
    }
}

std::uint64_t CompletedPollCycles() {
    return completedPollCycles;
}

void detail::CountCompletedPollCycle() {
    ++completedPollCycles;
}

}  // namespace talmir
