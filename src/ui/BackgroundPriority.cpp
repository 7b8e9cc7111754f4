#include "ui/BackgroundPriority.h"

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace talmir {

namespace {

// The nice value of a lowered thread (0 is the default, 19 the lowest).
constexpr int kBackgroundNice = 10;

}  // namespace

void LowerThisThreadsPriority() {
#ifdef __linux__
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);
#elif defined(_WIN32)
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
}

}  // namespace talmir
