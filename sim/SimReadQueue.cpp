#include "SimReadQueue.h"

namespace talmirsim {

void SimReadQueue::take(uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes_.empty()) {
            out[i] = 0;
            continue;
        }
        out[i] = bytes_.front();
        bytes_.pop_front();
    }
}

}  // namespace talmirsim
