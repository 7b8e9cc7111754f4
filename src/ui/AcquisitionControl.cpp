#include "ui/AcquisitionControl.h"

#include <QAbstractButton>
#include <QTimer>
#include <climits>
#include <cstdint>

#include "core/IntText.h"
#include "ui/PollPause.h"
#include "ui/TimerWakeups.h"

namespace talmir {

int PollIntervalMs(const QString& text) {
    const auto ms = static_cast<std::uint32_t>(ParseIntOr(text.toStdString(), 100));
    return ms > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

bool ToggleAcquisition(AcquisitionState& state, QAbstractButton* startButton) {
    // The caption follows the window's language, so it is looked up each time.
    const QString start = StartCaption();
    if (startButton->text() != start) {
        state.AcquisitionActive = false;
        startButton->setText(start);
        return false;
    }
    startButton->setText(StopCaption());
    state.AcquisitionActive = true;
    return true;
}

void RearmPollTimer(AcquisitionState& state, QTimer* timer) {
    if (state.AcquisitionActive && timer->interval() > 0) {
        StartOnTime(timer);
        state.pollPause.PauseBegins(timer->interval());
    } else {
        timer->stop();
    }
}

}  // namespace talmir
