#include "SimAngleFrames.h"

namespace talmirsim {

namespace {

uint16_t word(uint32_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}

uint32_t turnsLow(const LiveSample& s, uint32_t mask) {
    return static_cast<uint32_t>(static_cast<uint64_t>(s.turns)) & mask;
}

// Angle bits 15..0, flags bits 18..16 clear, even parity of them in bit 19.
SimBitStream frame20(const LiveSample& s) {
    const uint32_t body = s.angle;
    SimBitStream out;
    out.append((SimAngleFrames::parity(body) << 19) | body, 20);
    return out;
}

// Second word: 12-bit angle; first word: flags clear, CRC of the angle in bits 8..0.
SimBitStream frame32SingleTurn(const LiveSample& s) {
    const uint16_t second = word(s.angle >> 4);
    const uint16_t first = SimAngleFrames::crc9(second, 16);
    SimBitStream out;
    out.append(first, 16);
    out.append(second, 16);
    return out;
}

// First word: turn count bits 6..0; second word: angle >> 1 in bits 14..0.
SimBitStream frame32MultiTurn(const LiveSample& s) {
    SimBitStream out;
    out.append(turnsLow(s, 0x7F), 16);
    out.append(static_cast<uint32_t>(s.angle >> 1), 16);
    return out;
}

// Word 1: ACode in bits 14..7, temperature high bits in 6..0; word 2: temperature
// low bits in 15..14, turns in 6..0; word 3: angle >> 1 in bits 14..0.
SimBitStream frame48(const LiveSample& s) {
    const uint32_t temp = SimAngleFrames::kTemperatureCode & 0x1FF;
    const uint32_t acode = (s.amplitude >> 8) & 0xFF;
    SimBitStream out;
    out.append((acode << 7) | (temp >> 2), 16);
    out.append(((temp & 3u) << 14) | turnsLow(s, 0x7F), 16);
    out.append(static_cast<uint32_t>(s.angle >> 1), 16);
    return out;
}

// Angle, sine and cosine channels, amplitude, turn count.
SimBitStream frame80(const LiveSample& s) {
    SimBitStream out;
    out.append(s.angle, 16);
    out.append(*SimLiveValues::registerValue(35, s), 16);
    out.append(*SimLiveValues::registerValue(34, s), 16);
    out.append(s.amplitude, 16);
    out.append(turnsLow(s, 0xFFFF), 16);
    return out;
}

}  // namespace

InterfaceMode SimAngleFrames::modeFrom(uint16_t reg38, uint16_t reg11) {
    const int format = (reg38 >> 12) & 3;
    const bool multiTurn = (reg11 >> 11) & 1;
    if (format >= 2) return InterfaceMode::Test80;
    if (format == 1) return multiTurn ? InterfaceMode::MultiTurn48 : InterfaceMode::SingleTurn32;
    return multiTurn ? InterfaceMode::MultiTurn32 : InterfaceMode::Spi20;
}

SimBitStream SimAngleFrames::build(InterfaceMode mode, const LiveSample& s) {
    switch (mode) {
        case InterfaceMode::Spi20:
            return frame20(s);
        case InterfaceMode::SingleTurn32:
            return frame32SingleTurn(s);
        case InterfaceMode::MultiTurn32:
            return frame32MultiTurn(s);
        case InterfaceMode::MultiTurn48:
            return frame48(s);
        case InterfaceMode::Test80:
            return frame80(s);
    }
    return {};
}

uint32_t SimAngleFrames::parity(uint32_t value) {
    uint32_t p = 0;
    for (; value != 0; value &= value - 1) p ^= 1u;
    return p;
}

// CRC with the 9-bit generator x^9 + x^8 + x^4 + x^3 + x + 1 over the bits
// most significant first, starting from 0.
uint16_t SimAngleFrames::crc9(uint32_t bits, int width) {
    constexpr uint32_t kGenerator = 0x11B;  // low 9 coefficients of the generator
    uint32_t crc = 0;
    for (int i = width - 1; i >= 0; --i) {
        const uint32_t feedback = ((crc >> 8) & 1u) ^ ((bits >> i) & 1u);
        crc = (crc << 1) & 0x1FF;
        if (feedback) crc ^= kGenerator;
    }
    return static_cast<uint16_t>(crc);
}

}  // namespace talmirsim
