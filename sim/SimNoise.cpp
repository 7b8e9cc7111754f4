#include "SimNoise.h"

namespace talmirsim {

void SimNoise::configure(int amplitude, uint32_t seed) {
    amplitude_ = amplitude < 0 ? -amplitude : amplitude;
    // xorshift must never hold 0; mix the seed so small seeds differ well.
    state_ = seed * 2654435761u ^ 0x9E3779B9u;
    if (state_ == 0) state_ = 1;
}

uint32_t SimNoise::nextRaw() {
    uint32_t x = state_;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state_ = x;
    return x;
}

int SimNoise::next() {
    if (amplitude_ == 0) return 0;
    const uint32_t span = static_cast<uint32_t>(amplitude_) * 2u + 1u;
    return static_cast<int>(nextRaw() % span) - amplitude_;
}

}  // namespace talmirsim
