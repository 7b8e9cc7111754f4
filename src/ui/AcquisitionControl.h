// The start/stop pattern every acquisition follows: a start button toggles
// the shared run flag, the pause between cycles comes from an interval edit,
// and a poll timer re-arms itself at the end of a cycle only while the flag
// is set.
#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QString>
#include <QTimer>
#include <cstdint>

#include "ui/AcquisitionState.h"
#include "ui/ErrorBox.h"

namespace talmir {

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

// Handles a click of a start button: on "Старт" it shows "Стоп", sets the run
// flag and returns true (the caller then starts its timer and runs the first
// cycle); on any other caption it clears the flag, shows "Старт" and returns
// false, leaving every timer alone.
bool ToggleAcquisition(AcquisitionState& state, QAbstractButton* startButton);

// Ends a cycle: the timer runs again only while the shared run flag is set. An
// interval of 0 means no ticks at all (QTimer would fire continuously). The
// pause that begins then is where waiting window work runs (PollPause.h).
void RearmPollTimer(AcquisitionState& state, QTimer* timer);

// One poll cycle of an acquisition: its timer is stopped, the cycle runs with
// any failure shown in the error box, and the timer re-arms after a cycle that
// succeeded, which counts in completedPollCycles. A failed cycle ends this
// acquisition: its timer stays off and its start button shows "Старт" again,
// so one click starts it afresh.
template <typename Cycle>
void RunPollCycle(AcquisitionState& state, QWidget* parent, QTimer* timer,
                  QAbstractButton* startButton, Cycle&& cycle) {
    timer->stop();
    if (Guard(state.errorSink, parent, cycle)) {
        ++state.completedPollCycles;
        RearmPollTimer(state, timer);
    } else {
        startButton->setText(StartCaption());
    }
}

}  // namespace talmir
