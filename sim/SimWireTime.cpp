#include "SimWireTime.h"

#include <cstdlib>
#include <thread>

namespace talmirsim {

uint32_t SimWireTime::latencyFromEnvironment() {
    const char* text = std::getenv("TALMIR_SIM_LATENCY_US");
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value > 10000000UL) return 0;
    return static_cast<uint32_t>(value);
}

std::chrono::nanoseconds SimWireTime::cost(std::size_t bits, uint32_t clockRate) const {
    std::chrono::nanoseconds total = std::chrono::microseconds(latencyUs_);
    if (clockRate != 0)
        total += std::chrono::nanoseconds(static_cast<int64_t>(bits) * 1000000000LL / clockRate);
    return total;
}

void SimWireTime::waitUntil(std::chrono::steady_clock::time_point until) {
    using namespace std::chrono;
    constexpr auto kSpin = microseconds(80);  // the scheduler's usual overshoot
    const auto now = steady_clock::now();
    if (until <= now) return;
    if (until - now > kSpin) std::this_thread::sleep_for(until - now - kSpin);
    while (steady_clock::now() < until) {
    }
}

}  // namespace talmirsim
