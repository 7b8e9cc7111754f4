#include "MpsseChannel.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "TalmirFramePacing.h"

namespace talmirmpsse {

namespace {

// How long a read may go without a byte arriving, counted both on the wall
// clock and in 1 ms pauses (a port whose pauses take no time, like the
// emulator's, then still gives up after that many polls).
constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
constexpr unsigned kChunkSize = 65536;
constexpr int kSyncPolls = 4096;
// Read-write transfers longer than this go as several write/read pairs, so
// the adapter's small FIFOs never hold back the write while we do not read.
constexpr std::size_t kReadWriteBatchBytes = 1024;
// A burst's writes: at most one bulk transfer (the chunk size set up, with
// room for the closing 87), and at most this much of the engine's time, so
// the adapter takes each write in well under the write timeout even when its
// frames are slow.
constexpr std::size_t kBurstWriteBytes = kChunkSize - 1;
constexpr double kBurstWriteSeconds = 0.5;
// A stream's reads: about this much of the run each, so its frames reach the
// caller a few times a second, and at most this many bytes.
constexpr double kStreamReadSeconds = 0.05;
constexpr uint64_t kStreamReadBytes = uint64_t{1} << 24;

std::size_t bytesFor(DWORD size, DWORD options) {
    return (options & kSizeInBits) ? (static_cast<std::size_t>(size) + 7) / 8 : size;
}

// The count reported back for `bytes` whole bytes moved of a `size` transfer.
DWORD unitsFor(std::size_t bytes, DWORD size, DWORD options) {
    if (options & kSizeInBits) return static_cast<DWORD>(std::min<std::size_t>(bytes * 8, size));
    return static_cast<DWORD>(std::min<std::size_t>(bytes, size));
}

// Moves the bits of the last, partial byte of a bit read to its low-order end.
void alignLastByte(uint8_t* data, DWORD size, DWORD options) {
    if (!(options & kSizeInBits) || size % 8 == 0) return;
    uint8_t& last = data[(size - 1) / 8];
    last = alignReadBits(last, size % 8, options);
}

}  // namespace

MpsseChannel::MpsseChannel(std::unique_ptr<FtdiPort> port, ChipType chip)
    : port_(std::move(port)), chip_(chip) {}

FT_STATUS MpsseChannel::send(const Bytes& commands) {
    if (commands.empty()) return kOk;
    if (commands.size() > INT_MAX) return kInvalidParameter;
    const int size = static_cast<int>(commands.size());
    return port_->write(commands.data(), size) == size ? kOk : kIoError;
}

FT_STATUS MpsseChannel::receive(uint8_t* in, std::size_t count, std::size_t& received) {
    received = 0;
    using Clock = std::chrono::steady_clock;
    auto lastProgress = Clock::now();
    int idlePolls = 0;
    while (received < count) {
        const int want = static_cast<int>(std::min<std::size_t>(count - received, INT_MAX));
        const int got = port_->read(in + received, want);
        if (got < 0) return kIoError;
        if (got > 0) {
            received += static_cast<std::size_t>(got);
            lastProgress = Clock::now();
            idlePolls = 0;
            continue;
        }
        if (idlePolls >= std::min(kReadTimeoutMs, port_->idlePollLimit()) ||
            Clock::now() - lastProgress >= std::chrono::milliseconds(kReadTimeoutMs)) {
            return kIoError;
        }
        port_->pauseMs(1);
        ++idlePolls;
    }
    return kOk;
}

FT_STATUS MpsseChannel::exchange(const Bytes& commands, uint8_t* in, std::size_t count,
                                 std::size_t& received) {
    received = 0;
    if (const FT_STATUS s = send(commands); s != kOk) return s;
    return receive(in, count, received);
}

void MpsseChannel::drain() {
    uint8_t scratch[4096];
    for (int i = 0; i < 256 && port_->read(scratch, sizeof scratch) > 0; ++i) {
    }
}

// Sends an invalid opcode and waits for the engine's "bad command" answer
// `FA opcode`, which shows the command and answer streams are in step.
FT_STATUS MpsseChannel::sync(uint8_t badOpcode) {
    if (send({badOpcode, op::kSendImmediate}) != kOk) return kIoError;
    // Only the last byte of the previous reads can start an echo that the
    // new bytes complete, so each read is scanned once.
    bool lastWasFA = false;
    uint8_t buffer[64];
    int idlePolls = 0;
    for (int poll = 0; poll < kSyncPolls; ++poll) {
        const int got = port_->read(buffer, sizeof buffer);
        if (got < 0) return kIoError;
        if (got == 0 && ++idlePolls >= port_->idlePollLimit()) break;
        for (int i = 0; i < got; ++i) {
            if (lastWasFA && buffer[i] == badOpcode) return kOk;
            lastWasFA = buffer[i] == 0xFA;
        }
        port_->pauseMs(1);
    }
    return kOtherError;
}

FT_STATUS MpsseChannel::setUp(const ChannelConfig& config) {
    FtdiPort& p = *port_;
    const auto latency = static_cast<unsigned char>(std::max<UCHAR>(1, config.LatencyTimer));
    if (p.usbReset() < 0 || p.purge() < 0 || p.setChunkSizes(kChunkSize, kChunkSize) < 0 ||
        p.setSpecialCharsOff() < 0) {
        return kIoError;
    }
    p.setTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
    if (p.setLatencyTimer(latency) < 0 || p.setBitMode(0, kBitModeReset) < 0 ||
        p.setBitMode(0, kBitModeMpsse) < 0) {
        return kIoError;
    }

    if (send({op::kLoopbackOn}) != kOk) return kIoError;
    drain();
    for (const uint8_t badOpcode : {uint8_t{0xAA}, uint8_t{0xAB}}) {
        if (const FT_STATUS s = sync(badOpcode); s != kOk) return s;
    }

    p.pauseMs(50);
    Bytes clock;
    appendClockDivisor(clock, chip_, config.ClockRate);
    if (send(clock) != kOk) return kIoError;

    p.pauseMs(20);
    if (send({op::kLoopbackOff}) != kOk) return kIoError;
    drain();
    return kOk;
}

FT_STATUS MpsseChannel::init(ChannelConfig& config) {
    if (config.ClockRate == 0 || config.ClockRate > maxClockRate(chip_)) return kInvalidParameter;
    ready_ = false;
    if (const FT_STATUS s = setUp(config); s != kOk) return s;

    Bytes pins;
    const PinSetup setup = appendInitialPins(pins, config.Pin, config.configOptions);
    if (send(pins) != kOk) return kIoError;
    configOptions_ = config.configOptions;
    clockRate_ = config.ClockRate;
    pin_ = setup.pin;
    state_ = setup.state;
    config.Pin = setup.pin;
    config.currentPinState = setup.state;
    ready_ = true;
    return kOk;
}

template <typename Body>
Bytes MpsseChannel::framed(DWORD options, Body&& body) {
    Bytes commands;
    if (options & kChipSelectAssert)
        state_ = appendChipSelect(commands, state_, configOptions_, true);
    body(commands);
    if (options & kChipSelectRelease)
        state_ = appendChipSelect(commands, state_, configOptions_, false);
    return commands;
}

FT_STATUS MpsseChannel::write(const UCHAR* data, DWORD size, DWORD& transferred, DWORD options) {
    transferred = 0;
    if (!ready_) return kDeviceNotOpened;
    if (size == 0) return kOk;
    const Bytes commands = framed(options, [&](Bytes& c) {
        if (options & kSizeInBits) {
            appendBitWrite(c, configOptions_, options, data, size);
        } else {
            appendByteWrite(c, configOptions_, options, data, size);
        }
    });
    if (const FT_STATUS s = send(commands); s != kOk) return s;
    transferred = size;
    return kOk;
}

FT_STATUS MpsseChannel::read(UCHAR* data, DWORD size, DWORD& transferred, DWORD options) {
    transferred = 0;
    if (!ready_) return kDeviceNotOpened;
    if (size == 0) return kOk;
    Bytes commands = framed(options, [&](Bytes& c) {
        if (options & kSizeInBits) {
            appendBitRead(c, configOptions_, options, size);
        } else {
            appendByteRead(c, configOptions_, options, size);
        }
    });
    commands.push_back(op::kSendImmediate);

    const std::size_t count = bytesFor(size, options);
    std::size_t received = 0;
    const FT_STATUS s = exchange(commands, data, count, received);
    transferred = unitsFor(received, size, options);
    if (s != kOk) return s;
    alignLastByte(data, size, options);
    return kOk;
}

FT_STATUS MpsseChannel::readWrite(UCHAR* in, const UCHAR* out, DWORD size, DWORD& transferred,
                                  DWORD options) {
    transferred = 0;
    if (!ready_) return kDeviceNotOpened;
    if (size == 0) return kOk;
    const bool bits = (options & kSizeInBits) != 0;
    const std::size_t total = bytesFor(size, options);
    std::size_t done = 0;  // bytes sent and answered
    while (done < total) {
        const std::size_t n = std::min(total - done, kReadWriteBatchBytes);
        const bool first = done == 0;
        const bool last = done + n == total;
        Bytes commands;
        if (first && (options & kChipSelectAssert)) {
            state_ = appendChipSelect(commands, state_, configOptions_, true);
        }
        if (bits) {
            const std::size_t pieceBits = last ? size - done * 8 : n * 8;
            appendBitReadWrite(commands, configOptions_, options, out + done, pieceBits);
        } else {
            appendByteReadWrite(commands, configOptions_, options, out + done, n);
        }
        if (last && (options & kChipSelectRelease)) {
            state_ = appendChipSelect(commands, state_, configOptions_, false);
        }
        commands.push_back(op::kSendImmediate);
        std::size_t received = 0;
        const FT_STATUS s = exchange(commands, in + done, n, received);
        done += received;
        if (s != kOk) {
            transferred = unitsFor(done, size, options);
            return s;
        }
    }
    transferred = size;
    alignLastByte(in, size, options);
    return kOk;
}

FT_STATUS MpsseChannel::isBusy(BOOL& busy) {
    busy = 0;
    if (!ready_) return kDeviceNotOpened;
    Bytes commands;
    state_ = appendChipSelect(commands, state_, configOptions_, true);
    commands.push_back(op::kGetLowByte);
    state_ = appendChipSelect(commands, state_, configOptions_, false);
    commands.push_back(op::kSendImmediate);
    uint8_t pins = 0;
    std::size_t received = 0;
    if (const FT_STATUS s = exchange(commands, &pins, 1, received); s != kOk) return s;
    busy = (pins & 0x04) != 0;  // DI, the chip's MISO line
    return kOk;
}

FT_STATUS MpsseChannel::toggleChipSelect(bool active) {
    if (!ready_) return kDeviceNotOpened;
    Bytes commands;
    state_ = appendChipSelect(commands, state_, configOptions_, active);
    return send(commands);
}

FT_STATUS MpsseChannel::changeChipSelect(DWORD configOptions) {
    if (!ready_) return kDeviceNotOpened;
    Bytes commands;
    const uint16_t state = spiPinState(state_, configOptions);
    appendSetLowByte(commands, state);
    if (const FT_STATUS s = send(commands); s != kOk) return s;
    configOptions_ = configOptions;
    state_ = state;
    return kOk;
}

FT_STATUS MpsseChannel::writeGpio(UCHAR dir, UCHAR value) {
    if (!hasHighByteGpio(chip_)) return kNotSupported;
    if (!ready_) return kDeviceNotOpened;
    Bytes commands;
    appendSetHighByte(commands, dir, value);
    return send(commands);
}

FT_STATUS MpsseChannel::readGpio(UCHAR& value) {
    if (!hasHighByteGpio(chip_)) return kNotSupported;
    if (!ready_) return kDeviceNotOpened;
    std::size_t received = 0;
    return exchange({op::kGetHighByte, op::kSendImmediate}, &value, 1, received);
}

FT_STATUS MpsseChannel::planFrames(DWORD frameBits, DWORD periodClocks, FramePlan& plan) {
    if (!ready_) return kDeviceNotOpened;
    if (frameBits < 1 || frameBits > talmirframes::kMaxFrameBits) return kInvalidParameter;
    // The clock-only commands that pace the frames exist on the high-speed parts only.
    if (!isHighSpeed(chip_)) return kNotSupported;
    if (!talmirframes::framesAccepted(frameBits, periodClocks, clockRate_))
        return kInvalidParameter;

    // Every frame's commands are the same: MOSI low, chip select released
    // between frames for the rest of the period (or the least idle time when
    // unpaced). The last frame needs no idle clocks after it.
    const uint64_t idle = talmirframes::spacingClocks(frameBits, periodClocks) - frameBits;
    const uint16_t released = static_cast<uint16_t>(state_ & ~(kPinDo << 8));
    plan.last.clear();
    appendFrameRead(plan.last, released, configOptions_, frameBits);
    plan.paced = plan.last;
    appendIdleClocks(plan.paced, idle);
    state_ = released;
    plan.frameBytes = (frameBits + 7) / 8;
    plan.seconds = static_cast<double>(frameBits + idle) / talmirframes::skHz(clockRate_);
    return kOk;
}

void MpsseChannel::FramePlan::append(Bytes& out, uint64_t first, uint64_t count,
                                     uint64_t total) const {
    for (uint64_t k = first; k < first + count; ++k) {
        const Bytes& frame = k + 1 == total ? last : paced;
        out.insert(out.end(), frame.begin(), frame.end());
    }
}

FT_STATUS MpsseChannel::readFrames(UCHAR* buffer, DWORD frameBits, DWORD frameCount,
                                   DWORD periodClocks, DWORD& framesDone) {
    framesDone = 0;
    FramePlan plan;
    if (const FT_STATUS s = planFrames(frameBits, periodClocks, plan); s != kOk) return s;
    const std::size_t frameBytes = plan.frameBytes;
    const uint64_t total = static_cast<uint64_t>(frameCount) * frameBytes;
    if (total > INT_MAX) return kInvalidParameter;
    if (frameCount == 0) return kOk;

    const std::size_t perWrite = std::max<std::size_t>(
        1, std::min<std::size_t>(kBurstWriteBytes / plan.paced.size(),
                                 static_cast<std::size_t>(kBurstWriteSeconds / plan.seconds)));

    PendingRead* answers = port_->submitRead(buffer, static_cast<int>(total));
    if (answers == nullptr) return kIoError;
    int arrived = 0;
    Bytes commands;
    for (DWORD sent = 0; sent < frameCount;) {
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(frameCount - sent, perWrite));
        commands.clear();
        plan.append(commands, sent, n, frameCount);
        if (sent + n == frameCount) commands.push_back(op::kSendImmediate);
        if (send(commands) != kOk) {
            arrived = port_->arrivedBytes(answers);
            port_->cancelRead(answers);
            framesDone = static_cast<DWORD>(static_cast<std::size_t>(arrived) / frameBytes);
            return kIoError;
        }
        arrived = port_->arrivedBytes(answers);
        sent += n;
    }
    const int got = port_->finishRead(answers);
    if (got != static_cast<int>(total)) {
        framesDone =
            static_cast<DWORD>(static_cast<std::size_t>(std::max(got, arrived)) / frameBytes);
        return kIoError;
    }
    framesDone = frameCount;
    return kOk;
}

// The run is cut into reads of about kStreamReadSeconds of frames; one read
// is pending at a time, in one of two buffers, and the next is submitted the
// moment the last completes. Writes are small (their answers at most half the
// adapter's buffer toward the host), so the read is looked at often: answers
// of the next read's frames made before it is submitted wait in that buffer,
// and the engine never stops for lack of room. The writer keeps at most one
// read's frames ahead of the pending read. Each read's last frame is followed
// by 87, so its answers come at once.
FT_STATUS MpsseChannel::streamFrames(DWORD frameBits, DWORD frameCount, DWORD periodClocks,
                                     Talmir_FrameSink_fn* sink, void* context, DWORD& framesDone) {
    framesDone = 0;
    FramePlan plan;
    if (const FT_STATUS s = planFrames(frameBits, periodClocks, plan); s != kOk) return s;
    if (frameCount == 0) return kOk;
    const std::size_t frameBytes = plan.frameBytes;

    const uint64_t perRead =
        std::clamp<uint64_t>(static_cast<uint64_t>(kStreamReadSeconds / plan.seconds), 1,
                             std::min<uint64_t>(frameCount, kStreamReadBytes / frameBytes));
    const std::size_t perWrite = std::max<std::size_t>(
        1,
        std::min({kBurstWriteBytes / plan.paced.size(), answerBufferBytes(chip_) / 2 / frameBytes,
                  static_cast<std::size_t>(kBurstWriteSeconds / plan.seconds)}));
    std::vector<uint8_t> buffers[2];
    for (auto& b : buffers) b.resize(perRead * frameBytes);

    int current = 0;
    uint64_t readStart = 0;  // first frame of the pending read
    uint64_t readCount = perRead;
    uint64_t sent = 0;            // frames whose commands are written
    uint64_t limit = frameCount;  // frames to write; less once the sink stops the run
    bool stopped = false;
    DWORD delivered = 0;
    const auto handOver = [&](const uint8_t* frames, uint64_t count) {
        if (stopped || count == 0) return;
        const DWORD n = static_cast<DWORD>(count);
        delivered += n;
        if (sink(context, frames, n) != 0) {
            stopped = true;
            // The frames written past the pending read's start are read out
            // to the end of that read, so the next call finds the answers in
            // step.
            limit = sent > readStart ? readStart + readCount : readStart;
        }
    };

    PendingRead* pending =
        port_->submitRead(buffers[current].data(), static_cast<int>(readCount * frameBytes));
    if (pending == nullptr) return kIoError;
    const auto fail = [&](int arrived) {
        if (arrived > 0)
            handOver(buffers[current].data(), static_cast<uint64_t>(arrived) / frameBytes);
        framesDone = delivered;
        return kIoError;
    };
    Bytes commands;
    for (;;) {
        const uint64_t readEnd = readStart + readCount;
        const bool canWrite = sent < limit && sent < readEnd + perRead;
        if (canWrite) {
            const uint64_t boundary =
                std::min<uint64_t>(frameCount, (sent / perRead + 1) * perRead);
            const uint64_t n = std::min<uint64_t>({perWrite, limit - sent, boundary - sent});
            commands.clear();
            plan.append(commands, sent, n, frameCount);
            if (sent + n == boundary) commands.push_back(op::kSendImmediate);
            if (send(commands) != kOk) {
                const int arrived = port_->arrivedBytes(pending);
                port_->cancelRead(pending);
                return fail(arrived);
            }
            sent += n;
            if (static_cast<uint64_t>(port_->arrivedBytes(pending)) < readCount * frameBytes)
                continue;
        }
        const int arrived = port_->arrivedBytes(pending);
        const int got = port_->finishRead(pending);
        if (got != static_cast<int>(readCount * frameBytes)) return fail(std::max(got, arrived));
        const uint8_t* done = buffers[current].data();
        const uint64_t doneCount = readCount;
        readStart = readEnd;
        const bool more = readStart < limit;
        if (more) {
            readCount = std::min<uint64_t>(perRead, frameCount - readStart);
            current ^= 1;
            pending = port_->submitRead(buffers[current].data(),
                                        static_cast<int>(readCount * frameBytes));
            if (pending == nullptr) {
                handOver(done, doneCount);
                framesDone = delivered;
                return kIoError;
            }
        }
        handOver(done, doneCount);
        if (readStart >= limit) {
            // The sink stopped the run before any frame of the read just
            // submitted was written: nothing will arrive for it.
            if (more) port_->cancelRead(pending);
            break;
        }
    }
    framesDone = delivered;
    return kOk;
}

void MpsseChannel::close() {
    if (ready_) {
        Bytes commands;
        appendClosingPins(commands, pin_);
        send(commands);
    }
    ready_ = false;
    port_.reset();
}

}  // namespace talmirmpsse
