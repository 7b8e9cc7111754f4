// What the windows of one instance of the tool share: the run flag of every
// acquisition, the value driven onto the GPIO lines, the sample counters, the
// XY page's extremes, the count of poll cycles, the window work waiting for
// poll pauses and where error messages go. The program creates one and hands
// it to its windows; a test makes its own, so windows of different instances
// never see each other's state.
#pragma once

#include <cstdint>

#include "core/XYStats.h"
#include "ui/ErrorBox.h"
#include "ui/PollPause.h"

namespace talmir {

struct AcquisitionState {
    // Run flag of all acquisition timers: a start sets it, a stop or a page
    // change clears it, and each armed timer re-arms itself only while it is set.
    bool AcquisitionActive = false;
    // The 8-bit value last driven onto the adapter's GPIO lines.
    std::uint8_t GPIOState = 0;
    // The x of each reading's points on the chart page, the work-data page and
    // the sensor window: one step a reading, never reset.
    std::int32_t ChartSampleCounter = 0;
    std::uint32_t WorkDataSampleCounter = 0;
    std::int32_t ASensSampleCounter = 0;
    // Extremes of both channels since the XY page's last start.
    XYExtremes XYSinCosExtremes;
    // Poll cycles of every acquisition that ran to the end: the readings taken.
    std::uint64_t completedPollCycles = 0;
    // Window work, such as the charts' redraws, waiting for the pauses of
    // fast polling.
    PollPauseQueue pollPause;
    // Where error messages go; empty: the modal box.
    ErrorSink errorSink;
};

}  // namespace talmir
