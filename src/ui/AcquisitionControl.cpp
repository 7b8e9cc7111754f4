#include "ui/AcquisitionControl.h"

#include <QAbstractButton>
#include <QTimer>
#include <climits>
#include <cstdint>
#include <utility>

#include "core/IntText.h"
#include "ui/ChartView.h"
#include "ui/TimerWakeups.h"

namespace talmir {

int PollIntervalMs(const QString& text) {
    const auto ms = static_cast<std::uint32_t>(ParseIntOr(text.toStdString(), 100));
    return ms > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

Acquisition::Acquisition(AcquisitionState& state, QWidget* window, Controls controls,
                         std::function<void()> timerHandler)
    : state_(state),
      window_(window),
      controls_(std::move(controls)),
      timerHandler_(std::move(timerHandler)) {
    QObject::connect(controls_.timer, &QTimer::timeout, window_, [this] { timerHandler_(); });
}

void Acquisition::StartClick(const std::function<bool()>& prepare) {
    Guard(state_.errorSink, window_, [&] {
        QAbstractButton* button = controls_.startButton;
        // The caption follows the window's language, so it is looked up each time.
        if (button->text() != StartCaption()) {
            state_.AcquisitionActive = false;
            button->setText(StartCaption());
            return;
        }
        button->setText(StopCaption());
        state_.AcquisitionActive = true;
        if (prepare && !prepare()) {
            button->setText(StartCaption());
            return;
        }
        controls_.timer->setInterval(PollIntervalMs(controls_.interval->text()));
        timerHandler_();
    });
}

void Acquisition::Clear() {
    for (TChartSeries* s : controls_.series) s->Clear();
    RedrawCharts();
}

void Acquisition::RedrawCharts() const {
    for (TChart* c : controls_.charts) c->RequestRedraw();
}

void Acquisition::RearmTimer() {
    QTimer* timer = controls_.timer;
    if (state_.AcquisitionActive && timer->interval() > 0) {
        StartOnTime(timer);
        state_.pollPause.PauseBegins(timer->interval());
    } else {
        timer->stop();
    }
}

}  // namespace talmir
