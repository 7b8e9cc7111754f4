// The simulated adapter with its channels and chip, and the lock every exported
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

    // Channels listed when TALMIR_SIM_CHANNELS is unset or not a count.
    static constexpr uint32_t kDefaultChannels = 1;
    static constexpr uint32_t kMaxChannels = 16;

    SimState();
    // Power-on state for tests: channel closed, registers, trace, queue,
    // failures and GPIO cleared; plugged in; no wire latency; magnet frozen at
    // angle 0; no noise; TALMIR_SIM_CHANNELS channels.
    void reset();
    // The count of TALMIR_SIM_CHANNELS (1 to kMaxChannels), else kDefaultChannels.
    static uint32_t channelsFromEnvironment();

    std::mutex mutex;
    SimChannel channel;
    SimChip chip;
    SimTrace trace;
    SimFaults faults;
    SimReadQueue readQueue;
    SimWireTime wireTime;
    // Channels the adapter lists, TLM00001, TLM00002, ... by index. They all
    // reach the one chip through `channel`; opening one re-opens it.
    uint32_t channelCount = kDefaultChannels;
    // The index the open channel was opened with.
    uint32_t openIndex = 0;
    // The adapter was pulled out: it is not enumerated, cannot be opened, and
    // every call on a channel fails with an I/O error.
    bool unplugged = false;
    // Non-zero: the status the next SPI_OpenChannel returns after opening.
    uint32_t openFailsWithHandle = 0;
};

SimState& simState();

}  // namespace talmirsim
