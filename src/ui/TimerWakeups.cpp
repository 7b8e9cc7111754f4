#include "ui/TimerWakeups.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace talmir {

void WakeTimersOnTime() {
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 1UL);  // 1 ns: as precise as the timer itself
#endif
}

}  // namespace talmir
