// Timer wake-ups of the GUI thread on time: the acquisitions pause a set
// number of milliseconds after each reading, and every wake-up late adds to
// that pause.
#pragma once

class QTimer;

namespace talmir {

// Lets the calling thread's timers fire on time. On Linux the kernel may
// otherwise delay each wake-up by its default timer slack of 50 us, which at a
// 1 ms poll interval costs about 5 % of the readings. Elsewhere it does nothing.
void WakeTimersOnTime();

// Starts `timer` with its interval and, for short intervals on Linux, makes it
// fire when the interval is over rather than when the thread happens to wake:
// the event loop sleeps in whole milliseconds and the kernel wakes it tens of
// microseconds late, which at a 1 ms interval stretches every pause by about
// 5 %. A timer file descriptor wakes the thread a little before the end, and
// the rest of the pause is waited out by reading the clock, so the pause is
// the interval to within a few microseconds. How early it wakes follows how
// late the last wake-ups were. Elsewhere, and for intervals above 20 ms where
// the lateness is under a quarter of a per cent, this is timer->start().
// Either way the timer is made precise: a coarse one may end a pause of more
// than 20 ms up to 5 % early.
void StartOnTime(QTimer* timer);

}  // namespace talmir
