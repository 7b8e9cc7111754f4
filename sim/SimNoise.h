// Deterministic noise source for the live chip values: a seeded xorshift
// generator, so a given seed and call sequence always gives the same values.
#pragma once

#include <cstdint>

namespace talmirsim {

class SimNoise {
public:
    void configure(int amplitude, uint32_t seed);
    int amplitude() const { return amplitude_; }
    // A uniform value in [-amplitude, +amplitude]; 0 without drawing when quiet.
    int next();

private:
    uint32_t nextRaw();

    int amplitude_ = 0;
    uint32_t state_ = 1;
};

}  // namespace talmirsim
