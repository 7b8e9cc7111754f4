#include "SimTrace.h"

#include <algorithm>
#include <cstring>

namespace talmirsim {

TalmirSimCall SimTrace::makeCall(const char* name) {
    TalmirSimCall call;
    std::memset(&call, 0, sizeof call);
    std::strncpy(call.name, name, sizeof call.name - 1);
    return call;
}

void SimTrace::setData(TalmirSimCall& call, const uint8_t* bytes, std::size_t byteCount) {
    call.dataLen = static_cast<uint32_t>(byteCount);
    const std::size_t kept = std::min(byteCount, sizeof call.data);
    if (kept != 0) std::memcpy(call.data, bytes, kept);
}

void SimTrace::record(const TalmirSimCall& call) {
    if (calls_.size() == kCapacity) calls_.pop_front();
    calls_.push_back(call);
}

bool SimTrace::get(std::size_t i, TalmirSimCall& out) const {
    if (i >= calls_.size()) return false;
    out = calls_[i];
    return true;
}

}  // namespace talmirsim
