// Record of the adapter entry points called, for tests and diagnosis.
// Keeps the most recent kCapacity calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "talmir_sim_control.h"

namespace talmirsim {

class SimTrace {
public:
    static constexpr std::size_t kCapacity = 65536;

    // A zeroed record carrying the entry point's name.
    static TalmirSimCall makeCall(const char* name);
    // Copies up to sizeof(call.data) bytes and sets dataLen to byteCount.
    static void setData(TalmirSimCall& call, const uint8_t* bytes, std::size_t byteCount);

    void record(const TalmirSimCall& call);
    std::size_t count() const { return calls_.size(); }
    bool get(std::size_t i, TalmirSimCall& out) const;
    void clear() { calls_.clear(); }

private:
    std::deque<TalmirSimCall> calls_;
};

}  // namespace talmirsim
