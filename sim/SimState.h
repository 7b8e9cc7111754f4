// The one simulated adapter with its chip, and the lock every exported
// function holds while it touches them.
#pragma once

#include <mutex>

#include "SimChannel.h"
#include "SimChip.h"
#include "SimFaults.h"
#include "SimReadQueue.h"
#include "SimTrace.h"

namespace talmirsim {

struct SimState {
    // Noise of the free-running magnet at load, in counts.
    static constexpr int kLoadNoise = 6;
    static constexpr uint32_t kLoadSeed = 20240601;

    SimState();
    // Power-on state for tests: channel closed, registers, trace, queue,
    // failures and GPIO cleared; magnet frozen at angle 0; no noise.
    void reset();

    std::mutex mutex;
    SimChannel channel;
    SimChip chip;
    SimTrace trace;
    SimFaults faults;
    SimReadQueue readQueue;
};

SimState& simState();

}  // namespace talmirsim
