// The bits a chip-select frame shifts out of the chip, most significant first.
// A read of any length takes bits from the start and zeros past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace talmirsim {

class SimBitStream {
public:
    // Appends the low `width` bits of value, most significant first.
    void append(uint32_t value, int width);
    std::size_t size() const { return bits_.size(); }
    // Bit i of the stream; 0 past its end.
    int bit(std::size_t i) const;
    // Fills ceil(bitCount / 8) bytes. Whole bytes come first; trailing bits of
    // a count not a multiple of 8 land in the low-order bits of the last byte.
    void deliver(uint8_t* out, std::size_t bitCount) const;

private:
    uint32_t take(std::size_t first, int width) const;

    std::vector<uint8_t> bits_;
};

}  // namespace talmirsim
