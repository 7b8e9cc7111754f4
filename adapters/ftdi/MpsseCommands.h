// MPSSE command bytes for SPI: pure functions from a channel's configuration
// and pin state to the bytes the engine must receive. Each append* function
// adds its commands to the end of `out`, so a whole transfer can be built in
// one buffer and sent in one USB write.
//
// A pin state is the low byte of the data bus as the engine drives it:
// direction in bits 0-7 (1 = output), level in bits 8-15.
#pragma once

#include <cstdint>
#include <vector>

#include "FtdiChip.h"
#include "mpsse_abi.h"

namespace talmirmpsse {

// The vendor's types, status codes and option bits, as the entry points use them.
using namespace talmir::mpsse;

using Bytes = std::vector<uint8_t>;

namespace op {
constexpr uint8_t kSetLowByte = 0x80;
constexpr uint8_t kGetLowByte = 0x81;
constexpr uint8_t kSetHighByte = 0x82;
constexpr uint8_t kGetHighByte = 0x83;
constexpr uint8_t kLoopbackOn = 0x84;
constexpr uint8_t kLoopbackOff = 0x85;
constexpr uint8_t kSetDivisor = 0x86;
constexpr uint8_t kSendImmediate = 0x87;
constexpr uint8_t kDivideBy5Off = 0x8A;
constexpr uint8_t kClockBits = 0x8E;   // n: n + 1 clocks, no data
constexpr uint8_t kClockBytes = 0x8F;  // lo hi: (n + 1) * 8 clocks, no data
}  // namespace op

// Low-byte pins the SPI transfers use.
constexpr uint8_t kPinSk = 0x01;
constexpr uint8_t kPinDo = 0x02;  // MOSI
constexpr uint8_t kPinDi = 0x04;  // MISO

// Largest byte count one clocking command carries (its length field is n - 1
// in 16 bits).
constexpr std::size_t kMaxBytesPerCommand = 65536;

// SPI mode 0-3 from the configuration options.
constexpr unsigned spiMode(DWORD configOptions) {
    return configOptions & kModeMask;
}

// The chip-select line's bit on the low byte: DBUS3 to DBUS7.
constexpr uint8_t chipSelectMask(DWORD configOptions) {
    return static_cast<uint8_t>(
        1u << (3 + ((configOptions >> kChipSelectLineShift) & kChipSelectLineMask)));
}

// The clock divisor for `clockHz` (already checked to be 1..maxClockRate):
// high-speed parts turn the divide-by-5 prescaler off first.
void appendClockDivisor(Bytes& out, ChipType chip, uint32_t clockHz);

// The SPI pins forced onto a pin state: SK and DO outputs, DI input, chip
// select an output at its inactive level, SK at its idle level for the mode.
uint16_t spiPinState(uint16_t state, DWORD configOptions);

// The initial pin set-up from the caller's record: the updated Pin word (only
// its low 16 bits change) and the `80 value dir` command.
struct PinSetup {
    DWORD pin;
    uint16_t state;
};
PinSetup appendInitialPins(Bytes& out, DWORD pin, DWORD configOptions);

// Drives a pin state onto the low byte.
void appendSetLowByte(Bytes& out, uint16_t state);

// Asserts (active) or releases chip select; returns the new pin state.
uint16_t appendChipSelect(Bytes& out, uint16_t state, DWORD configOptions, bool active);

// Clocking commands. `options` are the transfer options (only kLsbFirst
// matters here); counts are bytes or bits as the names say.
void appendByteWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                     std::size_t count);
void appendBitWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                    std::size_t bits);
void appendByteRead(Bytes& out, DWORD configOptions, DWORD options, std::size_t count);
void appendBitRead(Bytes& out, DWORD configOptions, DWORD options, std::size_t bits);
void appendByteReadWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                         std::size_t count);
void appendBitReadWrite(Bytes& out, DWORD configOptions, DWORD options, const uint8_t* data,
                        std::size_t bits);

// The byte one bit-read command of `bits` (1..8) bits delivers, with the bits
// moved to the low-order end: MSB-first reads shift in at bit 0 already,
// LSB-first reads shift in at bit 7.
uint8_t alignReadBits(uint8_t raw, unsigned bits, DWORD options);

// One frame of a burst read, starting and ending with chip select released
// in pin state `released`: chip select asserted, `frameBits` bits read most
// significant first (whole bytes in one command, the rest in one bit read),
// chip select released.
void appendFrameRead(Bytes& out, uint16_t released, DWORD configOptions, unsigned frameBits);

// `clocks` SK periods with no data in or out: 8F for whole bytes of clocks,
// 8E for the rest.
void appendIdleClocks(Bytes& out, uint64_t clocks);

// High-byte GPIO.
void appendSetHighByte(Bytes& out, uint8_t dir, uint8_t value);

// The closing pin state from the Pin word: `80 (Pin>>24) (Pin>>16)`.
void appendClosingPins(Bytes& out, DWORD pin);

}  // namespace talmirmpsse
