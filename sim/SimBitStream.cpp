#include "SimBitStream.h"

namespace talmirsim {

void SimBitStream::append(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) bits_.push_back(static_cast<uint8_t>((value >> i) & 1u));
}

int SimBitStream::bit(std::size_t i) const {
    return i < bits_.size() ? bits_[i] : 0;
}

uint32_t SimBitStream::take(std::size_t first, int width) const {
    uint32_t value = 0;
    for (int k = 0; k < width; ++k)
        value = (value << 1) | static_cast<uint32_t>(bit(first + static_cast<std::size_t>(k)));
    return value;
}

void SimBitStream::deliver(uint8_t* out, std::size_t bitCount) const {
    const std::size_t whole = bitCount / 8;
    const int rest = static_cast<int>(bitCount % 8);
    for (std::size_t b = 0; b < whole; ++b) out[b] = static_cast<uint8_t>(take(b * 8, 8));
    if (rest != 0) out[whole] = static_cast<uint8_t>(take(whole * 8, rest));
}

}  // namespace talmirsim
