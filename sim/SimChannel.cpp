#include "SimChannel.h"

#include <array>

namespace talmirsim {

namespace {

// Handles point into this block so that they are real, distinct addresses.
constexpr std::size_t kHandleSlots = 64;
std::array<unsigned char, kHandleSlots> handleSlots;

}  // namespace

void SimChannel::reset() {
    close();
    ++session_;
    config_ = ChannelConfig{};
    gpioDir_ = 0;
    gpioValue_ = 0;
}

FT_HANDLE SimChannel::open() {
    ++session_;
    open_ = true;
    initialised_ = false;
    return handle();
}

void SimChannel::initialise(const ChannelConfig& config) {
    config_ = config;
    initialised_ = true;
}

FT_HANDLE SimChannel::handle() const {
    return &handleSlots[session_ % kHandleSlots];
}

}  // namespace talmirsim
