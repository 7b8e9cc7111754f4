// SPI slaves on an emulated MPSSE channel's pins. Each records every
// chip-select frame (chip select low) as a chip would see it: the clock
// pulses, the MOSI bits it sampled and the MISO bits it drove.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "MpsseEngine.h"
#include "SimBitStream.h"
#include "SimChip.h"

namespace talmiremu {

struct SpiFrame {
    uint64_t startClock = 0;  // SK pulses on the bus, selected or not, before this frame
    std::size_t clocks = 0;
    std::vector<uint8_t> mosi;  // one entry per bit, in clock order
    std::vector<uint8_t> miso;
    bool hostWrote = false;  // a data command drove MOSI during the frame
    bool hostRead = false;   // a data command sampled MISO during the frame
};

// Packs bits into bytes, most significant first; a last partial byte holds
// its bits in the low-order end, as the vendor's bit transfers deliver them.
std::vector<uint8_t> packBits(const std::vector<uint8_t>& bits);

// A slave in SPI mode 0-3 (CPOL = bit 1, CPHA = bit 0) whose active-low chip
// select is low-byte line 3 + csLine (DBUS3..DBUS7).
class SpiSlave : public PinListener {
public:
    using FrameSink = std::function<void(const SpiFrame&)>;

    SpiSlave(int mode, int csLine);

    void setSink(FrameSink sink) { sink_ = std::move(sink); }
    int mode() const { return mode_; }

    void beginPulse(const ClockCycle& cycle) override;
    void pins(uint8_t levels) override;
    int miso() const override { return selected_ ? level_ : -1; }

protected:
    // Bit `index` of what the slave shifts out in the current frame.
    virtual int outputBit(std::size_t index) = 0;
    virtual void frameEnded(const SpiFrame& frame) = 0;
    // Called before each pulse while selected.
    virtual void pulseStarting(const ClockCycle&) {}
    // Drives the bit due now again, after outputBit changed its mind.
    void redrive() { level_ = outputBit(current_); }

private:
    bool cpol() const { return (mode_ & 2) != 0; }
    bool cpha() const { return (mode_ & 1) != 0; }
    void sampleMosi(uint8_t levels);

    int mode_;
    uint8_t csMask_;
    FrameSink sink_;
    bool selected_ = false;
    int sk_ = 1;
    uint64_t busPulses_ = 0;
    int level_ = 0;
    std::size_t current_ = 0;  // index of the bit on MISO
    SpiFrame frame_;
};

// Shifts out the MOSI bits of its previous frame, so a write followed by a
// read of the same length returns the written bits.
class LoopSlave : public SpiSlave {
public:
    using SpiSlave::SpiSlave;

protected:
    int outputBit(std::size_t index) override;
    void frameEnded(const SpiFrame& frame) override { previous_ = frame.mosi; }

private:
    std::vector<uint8_t> previous_;
};

// The simulator's chip model on the wire in SPI mode 0. The first pulse in a
// frame in which the host samples MISO makes the chip choose what to shift
// out (SimChip::frameOutput), bit 0 being the frame's first clock. Pins alone
// cannot show whether the host meant to write MOSI, since DO always has some
// level; the chip model uses the data command's kind instead: at chip-select
// release a frame in which the host drove MOSI with a data command goes to
// SimChip::write as bytes, any other frame ends the pending command. The chip
// cannot know a frame's length in advance: after a register read command it
// shifts out the register word whatever the length (the simulator library,
// seeing whole calls, answers other lengths with an angle frame).
class ChipSlave : public SpiSlave {
public:
    explicit ChipSlave(talmirsim::SimChip& chip, int csLine = 0)
        : SpiSlave(0, csLine), chip_(chip) {}

protected:
    int outputBit(std::size_t index) override;
    void frameEnded(const SpiFrame& frame) override;
    void pulseStarting(const ClockCycle& cycle) override;

private:
    talmirsim::SimChip& chip_;
    bool chosen_ = false;
    talmirsim::SimBitStream stream_;
};

}  // namespace talmiremu
