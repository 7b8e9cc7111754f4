#include "device/ChipIdentification.h"

#include "device/DeviceError.h"

namespace talmir {

namespace {

constexpr int kIdentificationAttempts = 6;

}  // namespace

void DriveGPIOBit(MpsseLink& link, std::uint8_t& GPIOState, int bit, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    const auto state = static_cast<std::uint8_t>(on ? (GPIOState | mask) : (GPIOState & ~mask));
    link.GPIOWrite(link.Channel(), kGPIODirection, state);
    GPIOState = state;
}

ChipIdentification IdentifyChip(MpsseLink& link, TASensDig& chip, std::uint8_t& GPIOState,
                                bool raiseLineFirst) {
    ChipIdentification result;
    try {
        if (raiseLineFirst) DriveGPIOBit(link, GPIOState, kProgrammingModeBit, true);
        link.ResetChannel();
        DriveGPIOBit(link, GPIOState, kProgrammingModeBit, true);
        for (int attempt = 0; attempt < kIdentificationAttempts; ++attempt) {
            result.value = chip.GetReg(0, true);
            if (result.value == kChipHardID) {
                result.identified = true;
                break;
            }
            chip.PutWord();
        }
    } catch (const DeviceError& e) {
        result.failure = e.what();
        result.failedCall = e.Call();
        result.failedStatus = e.Status();
    }
    return result;
}

}  // namespace talmir
