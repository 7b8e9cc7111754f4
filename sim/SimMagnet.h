// The magnet above the chip: turns at a steady speed from wall-clock time, or
// stands frozen at a chosen angle. Position is kept in turns.
#pragma once

#include <chrono>
#include <cstdint>

namespace talmirsim {

class SimMagnet {
public:
    static constexpr double kDefaultSpeed = 0.5;  // one turn per two seconds

    SimMagnet();

    // Frozen at angle 0, turn count 0, default speed for the next start.
    void reset();
    // Starts turning at this speed from the present position.
    void run(double turnsPerSecond);
    // Stops at this 16-bit angle within the present turn.
    void freezeAt(uint16_t angle);

    bool frozen() const { return frozen_; }
    // Turns per second; 0 while frozen.
    double speed() const { return frozen_ ? 0.0 : speed_; }
    // Whole and fractional turns since reset (may be negative).
    double position() const;
    uint16_t angle() const;
    int64_t turns() const;

private:
    using Clock = std::chrono::steady_clock;

    bool frozen_ = false;
    double speed_ = kDefaultSpeed;
    double basePosition_ = 0.0;
    Clock::time_point baseTime_;
};

}  // namespace talmirsim
