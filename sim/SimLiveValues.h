// The chip's live measurement, sampled from the magnet through its sensor's
// channels with noise, and the result registers that show it.
#pragma once

#include <cstdint>
#include <optional>

#include "SimMagnet.h"
#include "SimNoise.h"
#include "SimSignal.h"

namespace talmirsim {

struct LiveSample {
    uint16_t angle = 0;  // 16-bit angle
    int64_t turns = 0;   // whole turns since reset
    int sine = 0;        // signed, amplitude about kAmplitude
    int cosine = 0;
    uint16_t amplitude = 0;
    int16_t velocity = 0;  // 16-bit angle counts per 10 ms
};

class SimLiveValues {
public:
    static constexpr int kAmplitude = 20000;
    static constexpr uint16_t kChannelMidpoint = 32768;

    // With an ideal signal the channels are exact and the angle is the
    // magnet's; otherwise the channels carry the signal's imperfections and
    // the angle, turn count and amplitude are the converter's, from the
    // channels it delivers. `noise` is added to every value either way.
    static LiveSample sample(const SimMagnet& magnet, SimNoise& noise, SimSignal& signal) {
        return sample(magnet, noise, signal, SimMagnet::Clock::now());
    }
    // The same with the magnet where it is at `at`.
    static LiveSample sample(const SimMagnet& magnet, SimNoise& noise, SimSignal& signal,
                             SimMagnet::Clock::time_point at);
    // Value of a live result register (34..41), nothing for other addresses.
    static std::optional<uint16_t> registerValue(uint8_t addr, const LiveSample& s);
    static bool isLiveRegister(uint8_t addr) { return addr >= 34 && addr <= 41; }
};

}  // namespace talmirsim
