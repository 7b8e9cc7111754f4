#include "SpiSlave.h"

namespace talmiremu {

std::vector<uint8_t> packBits(const std::vector<uint8_t>& bits) {
    std::vector<uint8_t> bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        uint8_t& b = bytes[i / 8];
        b = static_cast<uint8_t>(b << 1 | bits[i]);
    }
    return bytes;
}

SpiSlave::SpiSlave(int mode, int csLine)
    : mode_(mode & 3), csMask_(static_cast<uint8_t>(1u << (3 + (csLine & 7)))) {}

void SpiSlave::beginPulse(const ClockCycle& cycle) {
    if (!selected_) return;
    frame_.hostWrote = frame_.hostWrote || cycle.hostWrites;
    frame_.hostRead = frame_.hostRead || cycle.hostReads;
    pulseStarting(cycle);
}

void SpiSlave::sampleMosi(uint8_t levels) {
    frame_.mosi.push_back((levels & kPinDo) ? 1 : 0);
}

// A mode-0/2 slave (CPHA 0) samples on the leading edge and shifts on the
// trailing one, its first bit already out when chip select falls; a mode-1/3
// slave (CPHA 1) shifts on the leading edge and samples on the trailing one.
void SpiSlave::pins(uint8_t levels) {
    const bool select = (levels & csMask_) == 0;
    const int sk = (levels & kPinSk) ? 1 : 0;
    if (sk != sk_ && sk != (cpol() ? 1 : 0)) ++busPulses_;
    if (select && !selected_) {
        selected_ = true;
        frame_ = SpiFrame{};
        frame_.startClock = busPulses_;
        current_ = 0;
        level_ = cpha() ? 0 : outputBit(0);
    } else if (!select && selected_) {
        selected_ = false;
        frameEnded(frame_);
        if (sink_) sink_(frame_);
    } else if (selected_ && sk != sk_) {
        const bool leading = sk != (cpol() ? 1 : 0);
        if (leading) {
            if (cpha()) {
                current_ = frame_.clocks;
                level_ = outputBit(current_);
            } else {
                sampleMosi(levels);
            }
            frame_.miso.push_back(static_cast<uint8_t>(level_));
            ++frame_.clocks;
        } else if (cpha()) {
            sampleMosi(levels);
        } else {
            current_ = frame_.clocks;
            level_ = outputBit(current_);
        }
    }
    sk_ = sk;
}

int LoopSlave::outputBit(std::size_t index) {
    return index < previous_.size() ? previous_[index] : 0;
}

int ChipSlave::outputBit(std::size_t index) {
    return chosen_ ? stream_.bit(index) : 0;
}

void ChipSlave::pulseStarting(const ClockCycle& cycle) {
    if (!cycle.hostReads || chosen_) return;
    stream_ = chip_.frameOutput();
    chosen_ = true;
    redrive();
}

void ChipSlave::frameEnded(const SpiFrame& frame) {
    chosen_ = false;
    if (!frame.hostWrote) {
        chip_.endCommand();
        return;
    }
    // Bytes as the chip's shift register holds them: a partial last byte keeps
    // its bits in the high-order end.
    std::vector<uint8_t> bytes((frame.mosi.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < frame.mosi.size(); ++i)
        if (frame.mosi[i]) bytes[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
    chip_.write(bytes.data(), bytes.size());
}

}  // namespace talmiremu
