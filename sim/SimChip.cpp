#include "SimChip.h"

#include "SimLiveValues.h"

namespace talmirsim {

namespace {

constexpr uint8_t kWriteFlag = 0x80;
constexpr std::size_t kWordBits = 16;

}  // namespace

SimChip::SimChip() {
    reset();
    const SimSignal::Parsed setting = SimSignal::environment();
    signal_.set(setting.params);
    if (setting.rpm) loadSpeed_ = *setting.rpm / 60.0;
}

void SimChip::reset() {
    registers_.fill(0);
    registers_[0] = kChipId;
    pinned_.fill(false);
    pending_ = Pending::None;
    pendingAddr_ = 0;
    ignoreWrites_ = false;
}

void SimChip::write(const uint8_t* data, std::size_t byteCount) {
    const bool isWord = byteCount == 2;
    if (pending_ == Pending::Write && isWord) {
        storeWrite(pendingAddr_, static_cast<uint16_t>(data[0] << 8 | data[1]));
        pending_ = Pending::None;
        return;
    }
    pending_ = Pending::None;
    if (isWord && data[0] == 0x00) {
        pendingAddr_ = data[1] & 0x7F;
        pending_ = (data[1] & kWriteFlag) ? Pending::Write : Pending::Read;
    }
}

void SimChip::read(uint8_t* out, std::size_t bitCount, bool sizeInBits,
                   SimMagnet::Clock::time_point at) {
    // Only a 16-bit read of whole bytes answers a register read command.
    if (sizeInBits || bitCount != kWordBits) endCommand();
    frameOutput(at).deliver(out, bitCount);
}

SimBitStream SimChip::frameOutput(SimMagnet::Clock::time_point at) {
    const bool registerRead = pending_ == Pending::Read;
    pending_ = Pending::None;
    SimBitStream stream;
    if (registerRead) {
        stream.append(readRegister(pendingAddr_), 16);
    } else {
        const LiveSample s = SimLiveValues::sample(magnet_, noise_, signal_, at);
        stream = SimAngleFrames::build(interfaceMode(), s);
    }
    return stream;
}

void SimChip::pin(uint8_t addr, uint16_t value) {
    if (addr >= kRegisterCount) return;
    registers_[addr] = value;
    pinned_[addr] = true;
}

uint16_t SimChip::stored(uint8_t addr) const {
    return addr < kRegisterCount ? registers_[addr] : 0;
}

InterfaceMode SimChip::interfaceMode() const {
    return SimAngleFrames::modeFrom(registers_[kModeRegister], registers_[kTurnsRegister]);
}

uint16_t SimChip::readRegister(uint8_t addr) {
    if (pinned_[addr] || !SimLiveValues::isLiveRegister(addr)) return registers_[addr];
    const LiveSample s = SimLiveValues::sample(magnet_, noise_, signal_);
    return *SimLiveValues::registerValue(addr, s);
}

// Register 0 holds the chip identifier and is read-only. Live registers keep
// the written value as configuration (register 38 selects the frame format).
void SimChip::storeWrite(uint8_t addr, uint16_t value) {
    if (ignoreWrites_ || addr == 0) return;
    registers_[addr] = value;
}

}  // namespace talmirsim
