// The one simulated adapter with its chip, and the lock every exported
// function holds while it touches them.
#pragma once

#include <mutex>

#include "SimChannel.h"
#include "SimChip.h"
#include "SimFaults.h"
#include "SimReadQueue.h"
#include "SimTrace.h"
#include "SimWireTime.h"

namespace talmirsim {

struct SimState {
    // Noise of the free-running magnet at load, in counts.
    static constexpr int kLoadNoise = 6;
    static constexpr uint32_t kLoadSeed = 20240601;

    SimState();
    // Power-on state for tests: channel closed, registers, trace, queue,
    // failures and GPIO cleared; plugged in; no wire latency; magnet frozen at
    // angle 0; no noise.
    void reset();

    std::mutex mutex;
    SimChannel channel;
    SimChip chip;
    SimTrace trace;
    SimFaults faults;
    SimReadQueue readQueue;
    SimWireTime wireTime;
    // The adapter was pulled out: it is not enumerated, cannot be opened, and
    // every call on a channel fails with an I/O error.
    bool unplugged = false;
    // Non-zero: the status the next SPI_OpenChannel returns after opening.
    uint32_t openFailsWithHandle = 0;
};

SimState& simState();

}  // namespace talmirsim
