// The start/stop pattern every acquisition follows: a start button toggles
// the shared run flag, the pause between cycles comes from an interval edit,
// and a poll timer re-arms itself at the end of a cycle only while the flag
// is set.
#pragma once

#include <QString>

class QAbstractButton;
class QTimer;

namespace talmir {

// Milliseconds for the interval text: an integer in the tool's integer syntax,
// 100 when the text is not one. A negative number is taken as an unsigned
// 32-bit count (-1 is 4294967295 ms); QTimer takes at most INT_MAX ms, so such
// counts are clamped to INT_MAX, which is just as unreachable in practice.
int PollIntervalMs(const QString& text);

// Handles a click of a start button: on "Старт" it shows "Стоп", sets the run
// flag and returns true (the caller then starts its timer and runs the first
// cycle); on any other caption it clears the flag, shows "Старт" and returns
// false, leaving every timer alone.
bool ToggleAcquisition(QAbstractButton* startButton);

// Ends a cycle: the timer runs again only while the shared run flag is set. An
// interval of 0 means no ticks at all (QTimer would fire continuously).
void RearmPollTimer(QTimer* timer);

}  // namespace talmir
