// The chip's register model: the register table with held and last-exchanged
// values, the register commands on the wire, the angle-frame reads and the
// interface-mode switch.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/DeviceError.h"
#include "device/MpsseLink.h"

namespace talmir {

struct TRegSlot {
    std::uint16_t Data = 0;          // value held by the tool
    std::uint16_t ActData = 0xFFFF;  // value last read from or written to the chip
    bool IsActual = false;           // held value known to match the chip
};

class TASensDig {
public:
    static constexpr std::uint16_t kLastAddress = 81;

    explicit TASensDig(MpsseLink& link);

    bool IsActualReg(std::uint16_t RegAddr) const;
    // With ReadFromDev the chip is read and the value becomes held and
    // actual; a failed read raises DeviceError and leaves the slot unchanged.
    std::uint16_t GetReg(std::uint16_t RegAddr, bool ReadFromDev);
    std::uint16_t GetRegAct(std::uint16_t RegAddr) const;

    // Frame reads: false when the transfer failed (LastFrameError says why);
    // the outputs are written only after a successful transfer.
    bool GetAngleData1(std::uint32_t& AData);
    bool GetAngleData2(std::uint16_t& AData1, std::uint16_t& AData2);
    bool GetAngleData3(std::uint16_t& AData1, std::uint16_t& AData2, std::uint16_t& AData3);
    bool GetAngleData5(std::uint16_t& Data1, std::uint16_t& Data2, std::uint16_t& Data3,
                       std::uint16_t& Data4, std::uint16_t& Data5);
    const std::string& LastFrameError() const { return lastFrameError_; }
    // The failure of the last frame read; none after a successful one.
    const std::optional<DeviceError>& LastFrameFailure() const { return lastFrameFailure_; }

    // Sets the held value; with WriteToDev also writes the chip. A failed
    // write raises DeviceError and leaves the slot as after an edit.
    void PutReg(std::uint16_t RegAddr, std::uint16_t RegData, bool WriteToDev);
    void PutWord();
    void SetSSISPIMode(std::uint8_t Mode, bool ReadFromDev);

    std::array<TRegSlot, kLastAddress + 1> Registers;

private:
    void WriteRegWord(std::uint8_t address, std::uint16_t value);
    std::uint16_t ReadRegWord(std::uint8_t address);
    void SendNopWord();
    void SetModeBits(std::uint16_t format, std::uint16_t multiTurn);
    template <typename Read>
    bool GuardFrame(Read read);

    MpsseLink& link_;
    std::string lastFrameError_;
    std::optional<DeviceError> lastFrameFailure_;
};

// Writes each register from `first` to `last` to the chip with the value held
// for it, in ascending order, as "Записать всё" does. A failed write raises
// DeviceError; the registers before it stay written.
void WriteHeldRegisters(TASensDig& chip, std::uint16_t first, std::uint16_t last);

}  // namespace talmir
