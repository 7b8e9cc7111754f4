// The chip's identification and the adapter's two programming lines, as the
// main window's "CHIP HardID" and check boxes and the command-line jobs use
// them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/MpsseLink.h"
#include "device/TASensDig.h"

namespace talmir {

// GPIO lines 0 (programming mode) and 7 (OTP programming supply) are outputs.
inline constexpr std::uint8_t kGPIODirection = 0x81;
inline constexpr int kProgrammingModeBit = 0;
inline constexpr int kOtpSupplyBit = 7;
// What register 0 of the chip reads.
inline constexpr std::uint16_t kChipHardID = 0x10F1;

// Drives the GPIO lines with one bit of `GPIOState` set or cleared, then
// stores that value there. GPIOState changes only once the lines carry the
// new value: a failed transfer raises DeviceError and leaves it as it was.
void DriveGPIOBit(MpsseLink& link, std::uint8_t& GPIOState, int bit, bool on);

struct ChipIdentification {
    std::uint16_t value = 0;                    // what register 0 read last
    bool identified = false;                    // it read kChipHardID
    std::string failure;                        // why a transfer failed; empty when none did
    std::string failedCall;                     // the library call that failed; empty when none did
    std::optional<std::uint32_t> failedStatus;  // the status it answered, when it did
};

// Raises the programming-mode line first when `raiseLineFirst` (the window's
// box was unticked), re-opens the channel with its configuration as it
// stands, drives the line high again, then reads register 0 up to six times,
// sending a NOP word after each miss. A failed transfer ends the attempts and
// is reported in `failure`, not raised.
ChipIdentification IdentifyChip(MpsseLink& link, TASensDig& chip, std::uint8_t& GPIOState,
                                bool raiseLineFirst);

}  // namespace talmir
