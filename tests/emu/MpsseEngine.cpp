#include "MpsseEngine.h"

#include <algorithm>

namespace talmiremu {

namespace {

constexpr uint8_t kBadCommand = 0xFA;

// Data command bits.
constexpr uint8_t kWriteFalling = 0x01;
constexpr uint8_t kBitMode = 0x02;
constexpr uint8_t kReadFalling = 0x04;
constexpr uint8_t kLsbFirst = 0x08;
constexpr uint8_t kWriteDo = 0x10;
constexpr uint8_t kReadDi = 0x20;

bool isDataCommand(uint8_t op) {
    return op >= 0x10 && op <= 0x3F;
}

}  // namespace

MpsseEngine::MpsseEngine(Options options) : options_(options) {}

void MpsseEngine::attach(PinListener* listener) {
    listener_ = listener;
    lastLevels_ = static_cast<uint8_t>(lowLevels() & ~kPinDi);
    if (listener_ != nullptr) listener_->pins(lastLevels_);
}

void MpsseEngine::setBitMode(uint8_t mode) {
    const bool mpsse = mode == 0x02;
    if (mpsse != mpsse_) in_.clear();
    mpsse_ = mpsse;
}

void MpsseEngine::purge() {
    in_.clear();
    dropOutput();
}

void MpsseEngine::dropOutput() {
    out_.clear();
    readable_ = 0;
}

double MpsseEngine::skHz() const {
    const double base = divideBy5_ ? 12e6 : 60e6;
    return base / ((1.0 + divisor_) * 2.0);
}

void MpsseEngine::write(const uint8_t* data, std::size_t size) {
    if (!mpsse_) return;
    in_.insert(in_.end(), data, data + size);
    std::size_t pos = 0;
    while (pos < in_.size()) {
        const std::size_t len = commandLength(in_.data() + pos, in_.size() - pos);
        if (len == 0) break;
        execute(in_.data() + pos);
        pos += len;
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(pos));
}

std::size_t MpsseEngine::read(uint8_t* out, std::size_t max) {
    if (readable_ == 0) {
        readable_ = out_.size();  // this empty poll lets the latency timer expire
        return 0;
    }
    const std::size_t n = std::min(max, readable_);
    std::copy_n(out_.begin(), n, out);
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(n));
    readable_ -= n;
    return n;
}

std::size_t MpsseEngine::take(uint8_t* out, std::size_t max) {
    const std::size_t n = std::min(max, out_.size());
    std::copy_n(out_.begin(), n, out);
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(n));
    readable_ -= std::min(readable_, n);
    return n;
}

std::size_t MpsseEngine::commandLength(const uint8_t* p, std::size_t avail) const {
    const uint8_t op = p[0];
    std::size_t len = 1;
    if (isDataCommand(op)) {
        if (op & kBitMode) {
            len = (op & kWriteDo) ? 3 : 2;
        } else {
            if (avail < 3) return 0;
            const std::size_t bytes = static_cast<std::size_t>(p[1] | p[2] << 8) + 1;
            len = 3 + ((op & kWriteDo) ? bytes : 0);
        }
    } else if (op == 0x80 || op == 0x82 || op == 0x86 || op == 0x8F || op == 0x9E) {
        len = 3;
    } else if (op == 0x8E) {
        len = 2;
    }
    return avail >= len ? len : 0;
}

void MpsseEngine::execute(const uint8_t* p) {
    const uint8_t op = p[0];
    if (isDataCommand(op)) {
        clockData(p);
        return;
    }
    switch (op) {
        case 0x80:
            lowValue_ = p[1];
            lowDir_ = p[2];
            notify();
            return;
        case 0x81:
            out_.push_back(lowLevels());
            return;
        case 0x82:
        case 0x83:
            // Without a high byte the command is unknown (its arguments are skipped).
            if (!options_.highByte) {
                out_.insert(out_.end(), {kBadCommand, op});
            } else if (op == 0x82) {
                highValue_ = p[1];
                highDir_ = p[2];
            } else {
                out_.push_back(
                    static_cast<uint8_t>((highValue_ & highDir_) | (highInputs_ & ~highDir_)));
            }
            return;
        case 0x84:
        case 0x85:
            loopback_ = op == 0x84;
            return;
        case 0x86:
            divisor_ = static_cast<uint16_t>(p[1] | p[2] << 8);
            return;
        case 0x87:
            readable_ = out_.size();
            return;
        case 0x8A:
        case 0x8B:
            divideBy5_ = op == 0x8B;
            return;
        case 0x8E:
            clockOnly((p[1] & 7u) + 1u);
            return;
        case 0x8F:
            clockOnly((static_cast<std::size_t>(p[1] | p[2] << 8) + 1u) * 8u);
            return;
        case 0x8C:  // three-phase clocking on/off, adaptive clocking on/off,
        case 0x8D:  // drive-zero mask: accepted, not modelled
        case 0x96:
        case 0x97:
        case 0x9E:
            return;
        default:
            out_.insert(out_.end(), {kBadCommand, op});
    }
}

int MpsseEngine::di() const {
    return (lowLevels() & kPinDi) ? 1 : 0;
}

uint8_t MpsseEngine::lowLevels() const {
    uint8_t levels = static_cast<uint8_t>((lowValue_ & lowDir_) | ~lowDir_);  // inputs pulled up
    if (lowDir_ & kPinDi) return levels;
    int level = (levels & kPinDo) ? 1 : 0;
    if (!loopback_) {
        const int driven = listener_ != nullptr ? listener_->miso() : -1;
        level = driven < 0 ? 1 : driven;
    }
    return static_cast<uint8_t>(level ? (levels | kPinDi) : (levels & ~kPinDi));
}

void MpsseEngine::setLow(uint8_t bit, int level) {
    lowValue_ = static_cast<uint8_t>(level ? (lowValue_ | bit) : (lowValue_ & ~bit));
    notify();
}

void MpsseEngine::notify() {
    // DI is the listener's own line: only the engine's outputs are news to it.
    const uint8_t levels = static_cast<uint8_t>(lowLevels() & ~kPinDi);
    if (levels == lastLevels_) return;
    lastLevels_ = levels;
    if (listener_ != nullptr) listener_->pins(levels);
}

// Each bit is one clock pulse: two SK edges away from and back to the idle
// level. DO changes at the write edge (a first bit whose write edge is the
// pulse's second edge is set up before the pulse); DI is sampled at the read
// edge before the slave reacts to that edge.
void MpsseEngine::clockData(const uint8_t* p) {
    const uint8_t op = p[0];
    const bool writes = op & kWriteDo;
    const bool reads = op & kReadDi;
    const bool lsbFirst = op & kLsbFirst;
    const bool bitMode = op & kBitMode;
    const std::size_t count =
        bitMode ? (p[1] & 7u) + 1u : static_cast<std::size_t>(p[1] | p[2] << 8) + 1u;
    const uint8_t* data = p + (bitMode ? 2 : 3);
    const std::size_t bitsPerByte = bitMode ? count : 8;
    const std::size_t totalBits = bitMode ? count : count * 8;

    auto outBit = [&](std::size_t i) {
        const std::size_t b = i / 8;
        const std::size_t k = bitMode ? i : i % 8;
        const int shift = lsbFirst ? static_cast<int>(k) : 7 - static_cast<int>(k);
        return (data[b] >> shift) & 1;
    };

    const ClockCycle cycle{writes, reads};
    const int idle = lowValue_ & kPinSk;
    // The first edge rises from an idle-low clock and falls from an idle-high one.
    const bool firstEdgeFalling = idle != 0;
    const bool writeOnFirst = ((op & kWriteFalling) != 0) == firstEdgeFalling;
    const bool readOnFirst = ((op & kReadFalling) != 0) == firstEdgeFalling;

    uint8_t acc = 0;
    std::size_t inByte = 0;
    for (std::size_t i = 0; i < totalBits; ++i) {
        if (listener_ != nullptr) listener_->beginPulse(cycle);
        if (writes && !writeOnFirst && i == 0) setLow(kPinDo, outBit(0));
        for (int edge = 0; edge < 2; ++edge) {
            const bool first = edge == 0;
            int sampled = 0;
            if (reads && first == readOnFirst) sampled = di();
            setLow(kPinSk, first ? !idle : idle);
            if (writes && first == writeOnFirst) {
                if (first)
                    setLow(kPinDo, outBit(i));
                else if (i + 1 < totalBits)
                    setLow(kPinDo, outBit(i + 1));
            }
            if (reads && first == readOnFirst) {
                acc = lsbFirst ? static_cast<uint8_t>(acc >> 1 | sampled << 7)
                               : static_cast<uint8_t>(acc << 1 | sampled);
            }
        }
        if (reads && ++inByte == bitsPerByte) {
            out_.push_back(acc);
            acc = 0;
            inByte = 0;
        }
    }
}

void MpsseEngine::clockOnly(std::size_t pulses) {
    const int idle = lowValue_ & kPinSk;
    for (std::size_t i = 0; i < pulses; ++i) {
        if (listener_ != nullptr) listener_->beginPulse(ClockCycle{});
        setLow(kPinSk, !idle);
        setLow(kPinSk, idle);
    }
}

}  // namespace talmiremu
