// How a paced frame burst (Talmir_SPI_ReadFrames) fits a high-speed MPSSE
// adapter: the SK clocks one frame and its chip-select overhead take, the
// command and answer bytes it moves over USB, and from them the shortest
// period the libraries accept. libtalmirmpsse.so and the simulator share it,
// so both refuse the same periods.
//
// A frame on the wire: `80` chip select asserted, the read (`20` for whole
// bytes, `22` for the rest), `80` chip select released, then idle clocks with
// chip select released (`8F` whole bytes of clocks, `8E` the rest). Frame
// start to frame start is frameBits + idle SK clocks; the pin commands clock
// nothing and take a few cycles of the engine's 60 MHz clock, the same in
// every frame. At least kIdleClocksMin idle clocks keep chip select released
// between frames, so the chip sees each frame end.
//
// USB: the host is counted on to move one 512-byte high-speed packet each
// way per 125 us microframe while a transfer is pending. The adapter's
// buffers (1 KB each way on the FT232H, the smallest) hold two packets, so
// the next packet arrives while the engine works through one. A period is
// accepted when the engine uses at most one packet of commands, and fills at
// most one packet of answers (510 bytes after the packet's 2 status bytes),
// per microframe; faster, it would wait for the host and the frames would
// slip.
#pragma once

#include <algorithm>
#include <cstdint>

#include "mpsse_abi.h"

namespace talmirframes {

inline constexpr uint32_t kMaxFrameBits = TALMIR_FRAME_BITS_MAX;
inline constexpr uint32_t kIdleClocksMin = 8;

// The high-speed engine's clock: SK = 30 MHz / (1 + divisor), with divisor =
// 30 MHz / clockRate - 1, so a rate between two steps gets the faster one.
inline constexpr uint32_t kBaseClockHz = 30000000;

inline constexpr uint32_t kPacketBytes = 512;
inline constexpr uint32_t kPacketStatusBytes = 2;
inline constexpr uint32_t kMicroframesPerSecond = 8000;

constexpr uint32_t divisorFor(uint32_t clockRate) {
    return std::min<uint32_t>(kBaseClockHz / clockRate - 1, 0xFFFF);
}

// SK frequency in Hz for a clock rate in 1..kBaseClockHz.
constexpr double skHz(uint32_t clockRate) {
    return static_cast<double>(kBaseClockHz) / (divisorFor(clockRate) + 1);
}

// Command bytes of one frame at most: two pin commands of 3, the whole-byte
// read (3) and the bit read (2) when the frame has them, idle clocks (3 + 2).
constexpr uint32_t commandBytes(uint32_t frameBits) {
    return 3 + (frameBits >= 8 ? 3 : 0) + (frameBits % 8 != 0 ? 2 : 0) + 3 + 3 + 2;
}

constexpr uint32_t answerBytes(uint32_t frameBits) {
    return (frameBits + 7) / 8;
}

// SK clocks in which `bytes` go over USB at `perPacket` bytes per microframe.
constexpr uint32_t usbClocks(uint32_t bytes, uint32_t perPacket, uint32_t clockRate) {
    const uint64_t num = static_cast<uint64_t>(bytes) * kBaseClockHz;
    const uint64_t den =
        static_cast<uint64_t>(perPacket) * kMicroframesPerSecond * (divisorFor(clockRate) + 1);
    return static_cast<uint32_t>((num + den - 1) / den);
}

// The shortest period in SK clocks for frames of frameBits bits at clockRate
// Hz; 0 when either is out of range.
constexpr uint32_t minPeriodClocks(uint32_t frameBits, uint32_t clockRate) {
    if (frameBits < 1 || frameBits > kMaxFrameBits || clockRate < 1 || clockRate > kBaseClockHz)
        return 0;
    return std::max(
        {frameBits + kIdleClocksMin, usbClocks(commandBytes(frameBits), kPacketBytes, clockRate),
         usbClocks(answerBytes(frameBits), kPacketBytes - kPacketStatusBytes, clockRate)});
}

// SK clocks from one frame start to the next: the period, or unpaced
// (periodClocks 0) the frame and the least idle time.
constexpr uint64_t spacingClocks(uint32_t frameBits, uint32_t periodClocks) {
    return periodClocks != 0 ? periodClocks : uint64_t{frameBits} + kIdleClocksMin;
}

// Whether a frame read accepts frames of frameBits bits periodClocks apart
// at clockRate Hz.
constexpr bool framesAccepted(uint32_t frameBits, uint32_t periodClocks, uint32_t clockRate) {
    return frameBits >= 1 && frameBits <= kMaxFrameBits &&
           (periodClocks == 0 || periodClocks >= minPeriodClocks(frameBits, clockRate));
}

}  // namespace talmirframes
