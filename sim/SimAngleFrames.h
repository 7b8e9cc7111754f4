// Angle frames the chip shifts out when read without a register command,
// one layout per interface mode.
#pragma once

#include <cstdint>

#include "SimBitStream.h"
#include "SimLiveValues.h"

namespace talmirsim {

enum class InterfaceMode {
    Spi20,         // single-turn, 20 bits
    SingleTurn32,  // single-turn, 32 bits
    MultiTurn32,   // multi-turn, 32 bits
    MultiTurn48,   // multi-turn, 48 bits
    Test80,        // test mode, five words
};

class SimAngleFrames {
public:
    static constexpr uint16_t kTemperatureCode = 301;  // 9-bit raw code

    // Mode from the frame-format field (register 38 bits 12-13) and the
    // multi-turn bit (register 11 bit 11).
    static InterfaceMode modeFrom(uint16_t reg38, uint16_t reg11);
    static SimBitStream build(InterfaceMode mode, const LiveSample& s);

    // Check values carried by the frames.
    static uint32_t parity(uint32_t value);
    static uint16_t crc9(uint32_t bits, int width);
};

}  // namespace talmirsim
