// Reply parsing of libtalmirmpsse through its FtdiPort seam: a port whose
// answers come from the fuzz input. Input: a transfer selector (byte 0), a
// size (bytes 1-2), then the port's answers as chunks, each a length byte
// (0xFF: the read fails) and that many bytes; after the last chunk every read
// answers nothing. Properties: the channel set-up accepts the engine's
// "bad command" echo FA AA, then FA AB, exactly when it arrived and stops
// reading at the read that completed it; a read returns exactly the bytes
// that arrived, the last partial byte of a bit read moved to its low end;
// a failed or timed-out read says so and never reports more than arrived.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "MpsseChannel.h"

namespace {

using namespace talmirmpsse;

// Bytes delivered between two writes, and how many reads it took.
struct Phase {
    Bytes written;
    Bytes delivered;
    size_t lastChunk = 0;  // bytes the last read delivered
    int reads = 0;
    bool failed = false;  // the last read failed
};

class FuzzPort : public FtdiPort {
public:
    FuzzPort(const uint8_t* data, size_t size, std::vector<Phase>& phases)
        : data_(data), size_(size), phases_(phases) {}

    int usbReset() override { return 0; }
    int purge() override { return 0; }
    int setChunkSizes(unsigned, unsigned) override { return 0; }
    int setSpecialCharsOff() override { return 0; }
    void setTimeouts(int, int) override {}
    int setLatencyTimer(unsigned char) override { return 0; }
    int setBitMode(unsigned char, unsigned char) override { return 0; }
    int write(const uint8_t* data, int size) override {
        phases_.push_back({Bytes(data, data + size), {}, 0, 0, false});
        return size;
    }
    int read(uint8_t* data, int size) override {
        FUZZ_CHECK(size > 0 && !phases_.empty());
        Phase& phase = phases_.back();
        ++phase.reads;
        phase.lastChunk = 0;
        phase.failed = false;
        if (pending_ == 0 && at_ < size_) {
            const uint8_t length = data_[at_++];
            if (length == 0xFF) {
                phase.failed = true;
                return -1;
            }
            pending_ = std::min<size_t>(length, size_ - at_);
        }
        const size_t n = std::min<size_t>(pending_, static_cast<size_t>(size));
        // Exactly n bytes into the caller's buffer of `size` bytes.
        std::memcpy(data, data_ + at_, n);
        phase.delivered.insert(phase.delivered.end(), data_ + at_, data_ + at_ + n);
        phase.lastChunk = n;
        at_ += n;
        pending_ -= n;
        return static_cast<int>(n);
    }
    std::string errorString() override { return "fuzz"; }
    void pauseMs(int) override {}
    // Once the input is used up no byte will come: a few idle polls stand
    // for the 5 s a real read waits, and keep each run short.
    int idlePollLimit() const override { return 4; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    size_t pending_ = 0;
    std::vector<Phase>& phases_;
};

// Index of the first "FA op" in the bytes, or none.
std::ptrdiff_t FindEcho(const Bytes& bytes, uint8_t op) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFA && bytes[i + 1] == op) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// A sync phase that was left for the next step found its echo in its last read.
void CheckSyncFound(const Phase& phase, uint8_t op) {
    const std::ptrdiff_t at = FindEcho(phase.delivered, op);
    FUZZ_CHECK(at >= 0);
    FUZZ_CHECK(static_cast<size_t>(at) + 2 > phase.delivered.size() - phase.lastChunk);
}

size_t SyncPhase(const std::vector<Phase>& phases, uint8_t op) {
    for (size_t i = 0; i < phases.size(); ++i)
        if (phases[i].written == Bytes{op, 0x87}) return i;
    return phases.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 8192) return 0;
    const uint8_t selector = data[0];
    std::vector<Phase> phases;
    MpsseChannel channel(std::make_unique<FuzzPort>(data + 3, size - 3, phases), ChipType::Ft232H);

    ChannelConfig config{};
    config.ClockRate = 1000000;
    config.LatencyTimer = 1;
    config.configOptions = (selector >> 4) & 0x3;  // SPI mode
    const FT_STATUS init = channel.init(config);

    // The two sync phases: each ends with its echo found, or the set-up fails there.
    const size_t first = SyncPhase(phases, 0xAA);
    const size_t second = SyncPhase(phases, 0xAB);
    FUZZ_CHECK(first < phases.size());
    if (second < phases.size()) CheckSyncFound(phases[first], 0xAA);
    if (init == kOk) {
        FUZZ_CHECK(second < phases.size() && second + 1 < phases.size());
        CheckSyncFound(phases[second], 0xAB);
    } else {
        const Phase& last = phases.back();
        const uint8_t op = second < phases.size() ? 0xAB : 0xAA;
        FUZZ_CHECK(&last == &phases[second < phases.size() ? second : first]);
        if (init == kIoError) {
            FUZZ_CHECK(last.failed);
        } else {
            FUZZ_CHECK(init == kOtherError && FindEcho(last.delivered, op) < 0);
            // It gave up after 4096 reads, or when the port stopped answering.
            FUZZ_CHECK(last.reads == 4096 || (last.reads < 4096 && last.lastChunk == 0));
        }
        return 0;
    }

    // One transfer: read (bytes or bits), or read-write of bytes.
    DWORD options = kChipSelectAssert | kChipSelectRelease;
    if (selector & 1) options |= kSizeInBits;
    if (selector & 2) options |= kLsbFirst;
    const bool readWrite = (selector & 4) != 0;
    const DWORD units = 1 + ((data[1] | data[2] << 8) % ((options & kSizeInBits) ? 512 : 2100));
    const size_t bytes = (options & kSizeInBits) ? (units + 7) / 8 : units;
    // Exactly the transfer's bytes on the heap, so writing past them is caught.
    std::unique_ptr<uint8_t[]> in(new uint8_t[bytes]);
    std::unique_ptr<uint8_t[]> out(new uint8_t[bytes]);
    std::memset(out.get(), 0x5A, bytes);
    const size_t before = phases.size();
    DWORD transferred = 0;
    const FT_STATUS status =
        readWrite ? channel.readWrite(in.get(), out.get(), units, transferred, options)
                  : channel.read(in.get(), units, transferred, options);
    Bytes delivered;
    for (size_t i = before; i < phases.size(); ++i)
        delivered.insert(delivered.end(), phases[i].delivered.begin(), phases[i].delivered.end());
    FUZZ_CHECK(delivered.size() <= bytes);
    FUZZ_CHECK(transferred <= units);
    if (status == kOk) {
        FUZZ_CHECK(transferred == units && delivered.size() == bytes);
        const size_t whole = (options & kSizeInBits) && units % 8 ? bytes - 1 : bytes;
        FUZZ_CHECK(std::equal(delivered.begin(), delivered.begin() + whole, in.get()));
        if (whole < bytes) {
            const unsigned bits = units % 8;
            const uint8_t raw = delivered.back();
            const uint8_t expected = (options & kLsbFirst) ? raw >> (8 - bits) : raw;
            FUZZ_CHECK(in[bytes - 1] == expected);
            FUZZ_CHECK(alignReadBits(raw, bits, options) == expected);
        }
    } else {
        FUZZ_CHECK(status == kIoError);
        FUZZ_CHECK(std::equal(delivered.begin(), delivered.end(), in.get()));
        const size_t reported = (options & kSizeInBits) ? (transferred + 7) / 8 : transferred;
        FUZZ_CHECK(reported <= delivered.size());
    }
    channel.close();
    return 0;
}
