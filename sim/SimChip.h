// The TALMIR chip behind the adapter: its register file, the SPI command
// protocol (one call = one chip-select frame), live result registers and
// angle frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "SimAngleFrames.h"
#include "SimMagnet.h"
#include "SimNoise.h"
#include "SimSignal.h"

namespace talmirsim {

class SimChip {
public:
    static constexpr std::size_t kRegisterCount = 128;
    static constexpr uint16_t kChipId = 0x10F1;
    static constexpr uint8_t kModeRegister = 38;   // frame-format field, bits 12-13
    static constexpr uint8_t kTurnsRegister = 11;  // multi-turn bit, bit 11

    SimChip();

    // Power-on registers and protocol state; the magnet, noise and signal are
    // left alone.
    void reset();

    // One frame written by the host.
    void write(const uint8_t* data, std::size_t byteCount);
    // One frame read by the host: fills ceil(bitCount / 8) bytes. A frame
    // read at a given instant samples the magnet where it is then.
    void read(uint8_t* out, std::size_t bitCount, bool sizeInBits) {
        read(out, bitCount, sizeInBits, SimMagnet::Clock::now());
    }
    void read(uint8_t* out, std::size_t bitCount, bool sizeInBits, SimMagnet::Clock::time_point at);
    // The bits the chip shifts out in a frame the host reads: the addressed
    // register after a register read command, else the angle frame of its
    // interface mode. Takes the pending command.
    SimBitStream frameOutput() { return frameOutput(SimMagnet::Clock::now()); }
    SimBitStream frameOutput(SimMagnet::Clock::time_point at);
    // A frame whose content the chip did not produce still ends any command.
    void endCommand() { pending_ = Pending::None; }

    void pin(uint8_t addr, uint16_t value);
    uint16_t stored(uint8_t addr) const;
    void setIgnoreWrites(bool ignore) { ignoreWrites_ = ignore; }
    InterfaceMode interfaceMode() const;

    SimMagnet& magnet() { return magnet_; }
    SimNoise& noise() { return noise_; }
    // The sensor's channels; at construction as TALMIR_SIM_SIGNAL sets them.
    SimSignal& signal() { return signal_; }
    // The magnet's speed at load in turns per second: TALMIR_SIM_SIGNAL's
    // rpm, or SimMagnet::kDefaultSpeed.
    double loadSpeed() const { return loadSpeed_; }

private:
    enum class Pending { None, Read, Write };

    uint16_t readRegister(uint8_t addr);
    void storeWrite(uint8_t addr, uint16_t value);

    std::array<uint16_t, kRegisterCount> registers_{};
    std::array<bool, kRegisterCount> pinned_{};
    Pending pending_ = Pending::None;
    uint8_t pendingAddr_ = 0;
    bool ignoreWrites_ = false;
    SimMagnet magnet_;
    SimNoise noise_;
    SimSignal signal_;
    double loadSpeed_ = SimMagnet::kDefaultSpeed;
};

}  // namespace talmirsim
