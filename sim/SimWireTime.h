// What one call costs on a real USB adapter: a fixed latency for the USB
// round trip plus the time its bits take at the configured SPI clock. The
// calling thread is held for that long after the call's work is done.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace talmirsim {

class SimWireTime {
public:
    // The latency at load: TALMIR_SIM_LATENCY_US when set, else 0.
    static uint32_t latencyFromEnvironment();

    void setLatencyUs(uint32_t us) { latencyUs_ = us; }
    uint32_t latencyUs() const { return latencyUs_; }

    // How long a call that clocks `bits` at `clockRate` Hz takes (its bits
    // alone when the latency is 0).
    std::chrono::nanoseconds cost(std::size_t bits, uint32_t clockRate) const;

    // Holds the caller until `until`: sleeps most of the way, then spins, so
    // short waits end close to their deadline.
    static void waitUntil(std::chrono::steady_clock::time_point until);

private:
    uint32_t latencyUs_ = 0;
};

}  // namespace talmirsim
