// The magnet above the chip: turns at a steady speed from wall-clock time, or
// stands frozen at a chosen angle. Position is kept in turns.
#pragma once

#include <chrono>
#include <cstdint>

namespace talmirsim {

class SimMagnet {
public:
    using Clock = std::chrono::steady_clock;

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
    // Whole and fractional turns since reset (may be negative), now or at a
    // given instant (past or future) at the present speed.
    double position() const { return positionAt(Clock::now()); }
    double positionAt(Clock::time_point at) const;
    uint16_t angle() const { return angleAt(Clock::now()); }
    uint16_t angleAt(Clock::time_point at) const;
    int64_t turns() const { return turnsAt(Clock::now()); }
    int64_t turnsAt(Clock::time_point at) const;

private:
    bool frozen_ = false;
    double speed_ = kDefaultSpeed;
    double basePosition_ = 0.0;
    Clock::time_point baseTime_;
};

}  // namespace talmirsim
