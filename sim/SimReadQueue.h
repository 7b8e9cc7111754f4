// Bytes queued by a test for the next reads, served before the chip answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace talmirsim {

class SimReadQueue {
public:
    void push(const uint8_t* bytes, std::size_t n) {
        bytes_.insert(bytes_.end(), bytes, bytes + n);
    }
    bool empty() const { return bytes_.empty(); }
    // Fills n bytes: queued ones first, zeros once the queue runs dry.
    void take(uint8_t* out, std::size_t n);
    void clear() { bytes_.clear(); }

private:
    std::deque<uint8_t> bytes_;
};

}  // namespace talmirsim
