// The pause between two acquisition cycles, as typed into an interval edit,
// and the re-arming of a poll timer at the end of a cycle.
#pragma once

#include <QString>

class QTimer;

namespace talmir {

// Milliseconds for the interval text: an integer in the tool's integer syntax,
// 100 when the text is not one. A negative number is taken as an unsigned
// 32-bit count (-1 is 4294967295 ms); QTimer takes at most INT_MAX ms, so such
// counts are clamped to INT_MAX, which is just as unreachable in practice.
int PollIntervalMs(const QString& text);

// Ends a cycle: the timer runs again only while the shared run flag is set. An
// interval of 0 means no ticks at all (QTimer would fire continuously).
void RearmPollTimer(QTimer* timer);

}  // namespace talmir
