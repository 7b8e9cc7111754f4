// Failures injected into named entry points: the next calls (or those after
// a number of calls that still succeed) return a chosen status and do nothing
// else.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace talmirsim {

class SimFaults {
public:
    // The first `after` calls run as usual, the `times` calls after them fail;
    // times 0 means every call from then on until clear().
    void inject(const std::string& name, uint32_t status, uint32_t times, uint32_t after = 0);
    // The status to fail this call with, if a failure is armed; uses it up.
    std::optional<uint32_t> take(const std::string& name);
    void clear() { faults_.clear(); }

private:
    struct Fault {
        uint32_t status = 0;
        uint32_t remaining = 0;  // 0 = unlimited
        uint32_t pass = 0;       // calls still to let through before failing
    };
    std::map<std::string, Fault> faults_;
};

}  // namespace talmirsim
