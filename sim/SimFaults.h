// Failures injected into named entry points: the next calls return a chosen
// status and do nothing else.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace talmirsim {

class SimFaults {
public:
    // times 0 means every call until clear().
    void inject(const std::string& name, uint32_t status, uint32_t times);
    // The status to fail this call with, if a failure is armed; uses it up.
    std::optional<uint32_t> take(const std::string& name);
    void clear() { faults_.clear(); }

private:
    struct Fault {
        uint32_t status = 0;
        uint32_t remaining = 0;  // 0 = unlimited
    };
    std::map<std::string, Fault> faults_;
};

}  // namespace talmirsim
