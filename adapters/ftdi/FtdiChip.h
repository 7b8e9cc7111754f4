// The MPSSE chip generations the library drives, told apart by the USB
// device descriptor's bcdDevice, and what each one can do.
#pragma once

#include <cstdint>
#include <optional>

namespace talmirmpsse {

enum class ChipType { Ft2232D, Ft2232H, Ft4232H, Ft232H };

constexpr uint16_t kFtdiVendorId = 0x0403;

// The chip behind a vendor/product/bcdDevice triple, or none when the device
// has no MPSSE engine.
constexpr std::optional<ChipType> chipFromDescriptor(uint16_t vendorId, uint16_t productId,
                                                     uint16_t bcdDevice) {
    if (vendorId != kFtdiVendorId) return std::nullopt;
    if (productId != 0x6010 && productId != 0x6011 && productId != 0x6014) return std::nullopt;
    switch (bcdDevice) {
        case 0x500:
            return ChipType::Ft2232D;
        case 0x700:
            return ChipType::Ft2232H;
        case 0x800:
            return ChipType::Ft4232H;
        case 0x900:
            return ChipType::Ft232H;
        default:
            return std::nullopt;
    }
}

// Interfaces with an MPSSE engine (A, then B).
constexpr int mpsseChannelCount(ChipType chip) {
    return chip == ChipType::Ft2232H || chip == ChipType::Ft4232H ? 2 : 1;
}

constexpr bool isHighSpeed(ChipType chip) {
    return chip != ChipType::Ft2232D;
}

// The type number the vendor's device list reports.
constexpr uint32_t deviceListType(ChipType chip) {
    switch (chip) {
        case ChipType::Ft2232D:
            return 4;
        case ChipType::Ft2232H:
            return 6;
        case ChipType::Ft4232H:
            return 7;
        case ChipType::Ft232H:
            return 8;
    }
    return 0;
}

// The MPSSE engine's base clock: 60 MHz divided by 2 on the high-speed parts,
// 12 MHz divided by 2 on the full-speed one.
constexpr uint32_t maxClockRate(ChipType chip) {
    return isHighSpeed(chip) ? 30000000u : 6000000u;
}

// Bytes the chip's buffer toward the host holds per channel: answers the
// engine makes while no read is pending wait there, and once it is full the
// engine stops.
constexpr uint32_t answerBufferBytes(ChipType chip) {
    switch (chip) {
        case ChipType::Ft2232H:
            return 4096;
        case ChipType::Ft4232H:
            return 2048;
        case ChipType::Ft232H:
            return 1024;
        case ChipType::Ft2232D:
            return 384;
    }
    return 0;
}

// The 4232H's MPSSE channels have no high-byte GPIO lines.
constexpr bool hasHighByteGpio(ChipType chip) {
    return chip != ChipType::Ft4232H;
}

}  // namespace talmirmpsse
