// Timer wake-ups of the GUI thread on time: the acquisitions pause a set
// number of milliseconds after each reading, and every wake-up late adds to
// that pause.
#pragma once

namespace talmir {

// Lets the calling thread's timers fire on time. On Linux the kernel may
// otherwise delay each wake-up by its default timer slack of 50 us, which at a
// 1 ms poll interval costs about 5 % of the readings. Elsewhere it does nothing.
void WakeTimersOnTime();

}  // namespace talmir
