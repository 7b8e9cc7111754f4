#include "SimState.h"

#include <cstdlib>

namespace talmirsim {

// At load the magnet turns at its default speed with a little noise, so a
// program using the library sees live data.
SimState::SimState() {
    channel.reset();
    chip.noise().configure(kLoadNoise, kLoadSeed);
    chip.magnet().run(chip.loadSpeed());
    wireTime.setLatencyUs(SimWireTime::latencyFromEnvironment());
    channelCount = channelsFromEnvironment();
}

uint32_t SimState::channelsFromEnvironment() {
    const char* text = std::getenv("TALMIR_SIM_CHANNELS");
    if (text == nullptr || *text == '\0') return kDefaultChannels;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kMaxChannels) return kDefaultChannels;
    return static_cast<uint32_t>(value);
}

void SimState::reset() {
    channel.reset();
    chip.reset();
    chip.magnet().reset();
    chip.noise().configure(0, 1);
    trace.clear();
    faults.clear();
    readQueue.clear();
    wireTime.setLatencyUs(0);
    unplugged = false;
    openFailsWithHandle = 0;
    channelCount = channelsFromEnvironment();
    openIndex = 0;
}

SimState& simState() {
    static SimState state;
    return state;
}

namespace {

// Construct at load time so wall-clock motion starts when the library loads.
[[maybe_unused]] const SimState& loadTimeState = simState();

}  // namespace

}  // namespace talmirsim
