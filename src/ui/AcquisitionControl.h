// The start/stop pattern every acquisition follows: a start button toggles
// the shared run flag, the pause between cycles comes from an interval edit,
// and a poll timer re-arms itself at the end of a cycle only while the flag
// is set. Each page and window that polls keeps one Acquisition, and its
// start, timer and clear handlers go through it; what differs between them
// (the reading, what a start prepares) is handed in.
#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

#include "ui/AcquisitionState.h"
#include "ui/ErrorBox.h"

namespace talmir {

class TChart;
class TChartSeries;

// Milliseconds for the interval text: an integer in the tool's integer syntax,
// 100 when the text is not one. A negative number is taken as an unsigned
// 32-bit count (-1 is 4294967295 ms); QTimer takes at most INT_MAX ms, so such
// counts are clamped to INT_MAX, which is just as unreachable in practice.
int PollIntervalMs(const QString& text);

// The captions of a start button in the window's language: "Старт" while
// stopped, "Стоп" while running.
inline QString StartCaption() {
    return QCoreApplication::translate("talmir::AcquisitionControl", "Старт");
}
inline QString StopCaption() {
    return QCoreApplication::translate("talmir::AcquisitionControl", "Стоп");
}

class Acquisition {
public:
    struct Controls {
        QAbstractButton* startButton = nullptr;
        QLineEdit* interval = nullptr;  // the pause between cycles, in ms
        QTimer* timer = nullptr;
        std::vector<TChartSeries*> series;  // emptied by Clear, in this order
        std::vector<TChart*> charts;        // the series' charts
    };

    // The timer's ticks run `timerHandler`, the page's own timer handler,
    // which takes one reading through Cycle; errors are shown over `window`.
    Acquisition(AcquisitionState& state, QWidget* window, Controls controls,
                std::function<void()> timerHandler);

    // A click of the start button, decided by its caption. On "Старт": shows
    // "Стоп", sets the run flag and runs `prepare`, when given; a prepare that
    // returns false ends the start there (having shown why) and the button
    // shows "Старт" again. Otherwise the timer takes its pause from the
    // interval edit and the timer handler runs at once for the first reading.
    // On any other caption: clears the run flag and shows "Старт"; the timer
    // is left alone, so an armed one makes one more cycle.
    void StartClick(const std::function<bool()>& prepare = {});

    // One poll cycle: the timer stops, `reading` runs with any failure shown
    // in the error box, and after a reading that succeeded (one more in
    // completedPollCycles) the timer re-arms while the run flag is set. A
    // failed reading ends this acquisition: its timer stays off and its start
    // button shows "Старт" again, so one click starts it afresh.
    template <typename Reading>
    void Cycle(Reading&& reading) {
        controls_.timer->stop();
        if (Guard(state_.errorSink, window_, reading)) {
            ++state_.completedPollCycles;
            RearmTimer();
        } else {
            controls_.startButton->setText(StartCaption());
        }
    }

    // A click of the clear button: the series are emptied and their charts
    // redrawn; counters and polling go on as they are.
    void Clear();
    // Asks each chart for a redraw.
    void RedrawCharts() const;

private:
    // The timer runs again only while the run flag is set. An interval of 0
    // means no ticks at all (QTimer would fire continuously). The pause that
    // begins then is where waiting window work runs (PollPause.h).
    void RearmTimer();

    AcquisitionState& state_;
    QWidget* window_;
    Controls controls_;
    std::function<void()> timerHandler_;
};

}  // namespace talmir
