#include "MpsseCommands.h"

#include <algorithm>

namespace talmirmpsse {

namespace {

constexpr uint8_t kLsbFirstFlag = 0x08;
constexpr uint8_t kBitsFlag = 0x02;

// Modes 0 and 3 put data out on the falling edge and sample on the rising
// one; modes 1 and 2 the other way round.
bool outOnFallingEdge(DWORD configOptions) {
    const unsigned mode = spiMode(configOptions);
    return mode == 0 || mode == 3;
}

uint8_t orderFlag(DWORD options) {
    return (options & kLsbFirst) ? kLsbFirstFlag : 0;
}

uint8_t writeOpcode(DWORD configOptions, DWORD options) {
    return (outOnFallingEdge(configOptions) ? 0x11 : 0x10) | orderFlag(options);
}

uint8_t readOpcode(DWORD configOptions, DWORD options) {
    return (outOnFallingEdge(configOptions) ? 0x20 : 0x24) | orderFlag(options);
}

uint8_t readWriteOpcode(DWORD configOptions, DWORD options) {
    return (outOnFallingEdge(configOptions) ? 0x31 : 0x34) | orderFlag(options);
}

void appendLength(Bytes& out, std::size_t count) {
    const std::size_t n = count - 1;
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>((n >> 8) & 0xFF));
}

// Byte commands in chunks of at most kMaxBytesPerCommand; `data` may be null
// for reads.
void appendByteCommands(Bytes& out, uint8_t opcode, const uint8_t* data, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kMaxBytesPerCommand);
        out.push_back(opcode);
        appendLength(out, n);
        if (data != nullptr) out.insert(out.end(), data + done, data + done + n);
        done += n;
    }
}

// Bit commands of at most 8 bits, one data byte each when writing.
void appendBitCommands(Bytes& out, uint8_t opcode, const uint8_t* data, std::size_t bits) {
    for (std::size_t i = 0; i * 8 < bits; ++i) {
        const std::size_t n = std::min<std::size_t>(bits - i * 8, 8);
        out.push_back(opcode);
        out.push_back(static_cast<uint8_t>(n - 1));
        if (data != nullptr) out.push_back(data[i]);
    }
}

}  // namespace

void appendClockDivisor(Bytes& out, ChipType chip, uint32_t clockHz) {
    const uint32_t divisor = std::min<uint32_t>(maxClockRate(chip) / clockHz - 1, 0xFFFF);
    if (isHighSpeed(chip)) out.push_back(op::kDivideBy5Off);
    out.push_back(op::kSetDivisor);
    out.push_back(static_cast<uint8_t>(divisor & 0xFF));
    out.push_back(static_cast<uint8_t>(divisor >> 8));
}

uint16_t spiPinState(uint16_t state, DWORD configOptions) {
    const uint8_t cs = chipSelectMask(configOptions);
    uint8_t dir = static_cast<uint8_t>(state & 0xFF);
    uint8_t value = static_cast<uint8_t>(state >> 8);
    dir = static_cast<uint8_t>((dir | kPinSk | kPinDo | cs) & ~kPinDi);
    const bool skIdleHigh = spiMode(configOptions) >= 2;
    value = skIdleHigh ? (value | kPinSk) : (value & ~kPinSk);
    const bool csInactiveHigh = (configOptions & kChipSelectActiveLow) != 0;
    value = csInactiveHigh ? (value | cs) : (value & ~cs);
    return static_cast<uint16_t>(dir | value << 8);
}

PinSetup appendInitialPins(Bytes& out, DWORD pin, DWORD configOptions) {
    const uint16_t state = spiPinState(static_cast<uint16_t>(pin & 0xFFFF), configOptions);
    appendSetLowByte(out, state);
    return {(pin & 0xFFFF0000u) | state, state};
}

void appendSetLowByte(Bytes& out, uint16_t state) {
    out.push_back(op::kSetLowByte);
    out.push_back(static_cast<uint8_t>(state >> 8));
    out.push_back(static_cast<uint8_t>(state & 0xFF));
}

uint16_t appendChipSelect(Bytes& out, uint16_t state, DWORD configOptions, bool active) {
    const uint8_t cs = chipSelectMask(configOptions);
    const uint8_t dir = static_cast<uint8_t>((state & 0xFF) | cs);
    uint8_t value = static_cast<uint8_t>(state >> 8);
    const bool high = (configOptions & kChipSelectActiveLow) ? !active : active;
    value = high ? (value | cs) : (value & ~cs);
    const auto next = static_cast<uint16_t>(dir | value << 8);
    appendSetLowByte(out, next);
    return next;
}

void appendByteWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                     std::size_t count) {
    appendByteCommands(out, writeOpcode(configOptions, options), data, count);
}

void appendBitWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                    std::size_t bits) {
    appendBitCommands(out, writeOpcode(configOptions, options) | kBitsFlag, data, bits);
}

void appendByteRead(Bytes& out, DWORD configOptions, DWORD options, std::size_t count) {
    appendByteCommands(out, readOpcode(configOptions, options), nullptr, count);
}

void appendBitRead(Bytes& out, DWORD configOptions, DWORD options, std::size_t bits) {
    appendBitCommands(out, readOpcode(configOptions, options) | kBitsFlag, nullptr, bits);
}

void appendByteReadWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                         std::size_t count) {
    appendByteCommands(out, readWriteOpcode(configOptions, options), data, count);
}

void appendBitReadWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                        std::size_t bits) {
    appendBitCommands(out, readWriteOpcode(configOptions, options) | kBitsFlag, data, bits);
}

uint8_t alignReadBits(uint8_t raw, unsigned bits, DWORD options) {
    if (!(options & kLsbFirst) || bits >= 8) return raw;
    return static_cast<uint8_t>(raw >> (8 - bits));
}

void appendFrameRead(Bytes& out, uint16_t released, DWORD configOptions, unsigned frameBits) {
    const uint16_t selected = appendChipSelect(out, released, configOptions, true);
    if (frameBits >= 8) appendByteRead(out, configOptions, 0, frameBits / 8);
    if (frameBits % 8 != 0) appendBitRead(out, configOptions, 0, frameBits % 8);
    appendChipSelect(out, selected, configOptions, false);
}

void appendIdleClocks(Bytes& out, uint64_t clocks) {
    for (uint64_t bytes = clocks / 8; bytes > 0;) {
        const uint64_t n = std::min<uint64_t>(bytes, kMaxBytesPerCommand);
        out.push_back(op::kClockBytes);
        appendLength(out, static_cast<std::size_t>(n));
        bytes -= n;
    }
    if (clocks % 8 != 0)
        out.insert(out.end(), {op::kClockBits, static_cast<uint8_t>(clocks % 8 - 1)});
}

void appendSetHighByte(Bytes& out, uint8_t dir, uint8_t value) {
    out.insert(out.end(), {op::kSetHighByte, value, dir});
}

void appendClosingPins(Bytes& out, DWORD pin) {
    out.insert(out.end(), {op::kSetLowByte, static_cast<uint8_t>((pin >> 24) & 0xFF),
                           static_cast<uint8_t>((pin >> 16) & 0xFF)});
}

}  // namespace talmirmpsse
