#pragma once
// Threads of the window's own (the chart's drawing, a review's reading) run
// below the window's thread: a timer tick or a paint that falls due while
// they work on the same core is then served at once instead of waiting for
// the scheduler's next turn. A lowered thread still gets its share of a busy
// machine.

namespace talmir {

// Lowers the calling thread's priority (nice 10 on Linux, below normal on
// Windows).
void LowerThisThreadsPriority();

}  // namespace talmir
