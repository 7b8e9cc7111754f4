#include "SimMagnet.h"

#include <cmath>

namespace talmirsim {

SimMagnet::SimMagnet() : baseTime_(Clock::now()) {}

void SimMagnet::reset() {
    frozen_ = true;
    speed_ = kDefaultSpeed;
    basePosition_ = 0.0;
    baseTime_ = Clock::now();
}

void SimMagnet::run(double turnsPerSecond) {
    basePosition_ = position();
    baseTime_ = Clock::now();
    speed_ = std::isfinite(turnsPerSecond) ? turnsPerSecond : 0.0;
    frozen_ = false;
}

void SimMagnet::freezeAt(uint16_t angle) {
    const double whole = std::floor(position());
    basePosition_ = whole + angle / 65536.0;
    frozen_ = true;
}

double SimMagnet::positionAt(Clock::time_point at) const {
    if (frozen_) return basePosition_;
    const std::chrono::duration<double> elapsed = at - baseTime_;
    return basePosition_ + speed_ * elapsed.count();
}

uint16_t SimMagnet::angleAt(Clock::time_point at) const {
    const double p = positionAt(at);
    const double fraction = p - std::floor(p);
    return static_cast<uint16_t>(static_cast<int64_t>(fraction * 65536.0) & 0xFFFF);
}

int64_t SimMagnet::turnsAt(Clock::time_point at) const {
    return static_cast<int64_t>(std::floor(positionAt(at)));
}

}  // namespace talmirsim
