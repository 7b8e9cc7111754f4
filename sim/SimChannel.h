// The adapter's one SPI channel: open/initialised state, the configuration it
// was initialised with, its handle and the GPIO lines.
#pragma once

#include <cstdint>

#include "mpsse_abi.h"

namespace talmirsim {

// The vendor's types, status codes and option bits, as the entry points use them.
using namespace talmir::mpsse;

class SimChannel {
public:
    // Closed, unconfigured, GPIO all inputs at low level.
    void reset();

    // Each open starts a new session with a new handle; older handles go stale.
    FT_HANDLE open();
    void close() {
        open_ = false;
        initialised_ = false;
    }
    void initialise(const ChannelConfig& config);

    // The handle of the open session (initialised or not).
    bool isOpenHandle(FT_HANDLE h) const { return open_ && h == handle(); }
    // The handle of the open and initialised session.
    bool isReadyHandle(FT_HANDLE h) const { return isOpenHandle(h) && initialised_; }
    bool ready() const { return open_ && initialised_; }
    FT_HANDLE handle() const;

    uint32_t clockRate() const { return config_.ClockRate; }

    void setGpio(uint8_t dir, uint8_t value) {
        gpioDir_ = dir;
        gpioValue_ = value;
    }
    uint8_t gpioDir() const { return gpioDir_; }
    uint8_t gpioValue() const { return gpioValue_; }

private:
    bool open_ = false;
    bool initialised_ = false;
    uint32_t session_ = 0;
    ChannelConfig config_{};
    uint8_t gpioDir_ = 0;
    uint8_t gpioValue_ = 0;
};

}  // namespace talmirsim
