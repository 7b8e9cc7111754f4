#include "SimFaults.h"

namespace talmirsim {

void SimFaults::inject(const std::string& name, uint32_t status, uint32_t times, uint32_t after) {
    faults_[name] = Fault{status, times, after};
}

std::optional<uint32_t> SimFaults::take(const std::string& name) {
    const auto it = faults_.find(name);
    if (it == faults_.end()) return std::nullopt;
    if (it->second.pass > 0) {
        --it->second.pass;
        return std::nullopt;
    }
    const uint32_t status = it->second.status;
    if (it->second.remaining == 1)
        faults_.erase(it);
    else if (it->second.remaining > 1)
        --it->second.remaining;
    return status;
}

}  // namespace talmirsim
