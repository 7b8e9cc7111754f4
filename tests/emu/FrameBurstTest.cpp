// Frame bursts (Talmir_SPI_ReadFrames) and streamed runs
// (Talmir_SPI_StreamFrames) through the library over the emulated engine,
// seen on the wire: each frame's bits and chip select, the SK clocks between
// frame starts across USB writes and reads, what is refused, a stop asked by
// the sink and a USB failure part-way.
#include <vector>

#include "EmuTestSupport.h"
#include "SimChip.h"

using namespace emutest;

namespace {

using Bytes = std::vector<uint8_t>;

struct Burst {
    uint32_t status = 0;
    uint32_t done = 0;
    Bytes data;
};

class FrameBurst : public EmuFixture {
protected:
    Burst readFrames(uint32_t bits, uint32_t count, uint32_t period) {
        Burst b;
        b.data.assign(static_cast<std::size_t>(count) * ((bits + 7) / 8) + 1, 0);
        b.status = e->ReadFrames(handle, b.data.data(), bits, count, period, &b.done);
        b.data.pop_back();
        return b;
    }

    void writeRegister(uint8_t addr, uint16_t value) {
        ASSERT_EQ(write({0x00, static_cast<uint8_t>(0x80 | addr)}), 0u);
        ASSERT_EQ(write({static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}), 0u);
    }

    TalmirEmuCounters counters() const {
        TalmirEmuCounters c{};
        e->GetCounters(&c);
        return c;
    }
};

// The frame lengths of readout modes 1 to 5, each frame whole in its own
// chip-select frame with MOSI low (the byte written before leaves it high),
// one period of SK clocks from the start of the one before.
TEST_F(FrameBurst, EachReadoutModesFramesComeWholeOnePeriodApart) {
    struct Case {
        const char* mode;
        uint16_t reg38, reg11;
        uint32_t bits;
    };
    const Case cases[] = {
        {"20-bit", 0x0000, 0x0000, 20},
        {"32-bit single-turn", 0x1000, 0x0000, 32},
        {"32-bit multi-turn", 0x0000, 0x0800, 32},
        {"48-bit", 0x1000, 0x0800, 48},
        {"80-bit test", 0x2000, 0x0000, 80},
    };
    constexpr uint32_t kClock = 30000000;
    constexpr uint16_t kAngle = 0xABCD;
    openChannel(kClock);
    e->SetAngle(kAngle);
    for (const Case& c : cases) {
        ASSERT_NO_FATAL_FAILURE(writeRegister(38, c.reg38));
        ASSERT_NO_FATAL_FAILURE(writeRegister(11, c.reg11));
        talmirsim::SimChip reference;
        reference.magnet().reset();
        reference.magnet().freezeAt(kAngle);
        reference.pin(38, c.reg38);
        reference.pin(11, c.reg11);
        Bytes frame((c.bits + 7) / 8);
        reference.read(frame.data(), c.bits, true);
        ASSERT_EQ(write({0xFF}), 0u);

        const uint32_t period = e->MinFramePeriod(c.bits, kClock);
        e->ClearLog();
        const Burst b = readFrames(c.bits, 3, period);
        ASSERT_EQ(b.status, 0u) << c.mode;
        EXPECT_EQ(b.done, 3u) << c.mode;
        Bytes expected;
        for (int i = 0; i < 3; ++i) expected.insert(expected.end(), frame.begin(), frame.end());
        EXPECT_EQ(b.data, expected) << c.mode;

        const auto f = frames();
        ASSERT_EQ(f.size(), 3u) << c.mode << ": chip select not released between frames";
        for (std::size_t i = 0; i < f.size(); ++i) {
            EXPECT_EQ(f[i].clocks, c.bits) << c.mode << ", frame " << i;
            EXPECT_FALSE(f[i].hostWrote) << c.mode;
            EXPECT_EQ(bytesOf(f[i].mosi, f[i].mosiBits), Bytes(frame.size(), 0)) << c.mode;
            if (i > 0) {
                EXPECT_EQ(f[i].startClock - f[i - 1].startClock, period) << c.mode;
            }
        }
    }
}

// Paced frames start exactly one period apart however the burst is split
// into USB writes, with one read pending for all of them and no stall;
// unpaced ones follow each other after the least idle time.
TEST_F(FrameBurst, FrameStartsKeepTheirSpacingAcrossUsbWrites) {
    struct Case {
        uint32_t period, spacing;
        uint64_t minWrites;
    };
    const Case cases[] = {{25000, 25000, 2}, {0, 32 + 8, 1}};
    openChannel(1000000);
    for (const Case& c : cases) {
        e->ClearLog();
        const Burst b = readFrames(32, 50, c.period);
        ASSERT_EQ(b.status, 0u) << c.period;
        EXPECT_EQ(b.done, 50u);
        const auto f = frames();
        ASSERT_EQ(f.size(), 50u) << c.period;
        for (std::size_t i = 1; i < f.size(); ++i)
            ASSERT_EQ(f[i].startClock - f[i - 1].startClock, c.spacing) << c.period << ", " << i;
        const TalmirEmuCounters n = counters();
        EXPECT_GE(n.usbWrites, c.minWrites) << c.period;
        EXPECT_EQ(n.usbReads, 1u) << c.period;
        EXPECT_EQ(n.stalls, 0u) << c.period;
    }
}

TEST_F(FrameBurst, RefusedBurstsSendNothing) {
    constexpr uint32_t kClock = 30000000;
    openChannel(kClock);
    const uint32_t shortest = e->MinFramePeriod(32, kClock);
    ASSERT_GT(shortest, 32u + 8u) << "the USB budget no longer sets the shortest period";
    struct Case {
        uint32_t bits, period;
    };
    for (const Case c : {Case{32, shortest - 1}, Case{32, 32}, Case{0, 0}, Case{129, 0}}) {
        e->ClearLog();
        const Burst b = readFrames(c.bits, 4, c.period);
        EXPECT_EQ(b.status, 6u) << c.bits << " bits, period " << c.period;
        EXPECT_EQ(b.done, 0u);
        EXPECT_EQ(e->WriteCount(), 0u);
    }
    EXPECT_EQ(readFrames(32, 4, shortest).status, 0u);
}

// The second of three writes fails: the frames of the first are read and
// their bytes are the chip's, and the channel carries on afterwards.
TEST_F(FrameBurst, UsbFailurePartWayKeepsTheFramesBeforeIt) {
    openChannel(1000000);
    ASSERT_NO_FATAL_FAILURE(writeRegister(38, 0x1000));  // 32-bit frames
    e->SetSpeed(7.0);
    e->ClearLog();
    e->FailUsb(0, 1, 1);
    const Burst b = readFrames(32, 50, 25000);
    EXPECT_EQ(b.status, 4u);
    const auto f = frames();
    ASSERT_GT(f.size(), 1u);
    ASSERT_LT(f.size(), 50u);
    ASSERT_EQ(b.done, f.size());
    for (std::size_t i = 0; i < f.size(); ++i)
        EXPECT_EQ(Bytes(b.data.begin() + 4 * i, b.data.begin() + 4 * (i + 1)),
                  bytesOf(f[i].miso, 32))
            << i;
    EXPECT_EQ(read(4).size(), 4u);
}

// What a streamed run handed over: the frames' bytes, call by call.
struct Stream {
    uint32_t status = 0;
    uint32_t done = 0;
    std::vector<uint32_t> calls;  // frames per sink call
    Bytes data;
    uint32_t stopAfterCalls = UINT32_MAX;

    static uint32_t sink(void* context, const uint8_t* frames, uint32_t count) {
        auto* self = static_cast<Stream*>(context);
        self->calls.push_back(count);
        self->data.insert(self->data.end(), frames, frames + count * 4);
        return self->calls.size() >= self->stopAfterCalls ? 1 : 0;
    }
};

class FrameStream : public FrameBurst {
protected:
    // A run of 32-bit frames at 1 MHz, 250 clocks apart (4 kHz): the library
    // reads about 50 ms, 200 frames, at a time.
    Stream stream(uint32_t count, uint32_t stopAfterCalls = UINT32_MAX) {
        Stream s;
        s.stopAfterCalls = stopAfterCalls;
        s.status = e->StreamFrames(handle, 32, count, 250, &Stream::sink, &s, &s.done);
        return s;
    }

    void SetUp() override {
        FrameBurst::SetUp();
        ASSERT_NO_FATAL_FAILURE(openChannel(1000000));
        ASSERT_NO_FATAL_FAILURE(writeRegister(38, 0x1000));  // 32-bit frames
        e->SetSpeed(7.0);
        e->ClearLog();
    }

    // The bytes handed over are the chip's frames on the wire, in order.
    void expectWireFrames(const Stream& s, const std::vector<TalmirEmuFrame>& f) {
        ASSERT_GE(f.size(), s.done);
        ASSERT_EQ(s.data.size(), 4u * s.done);
        for (std::size_t i = 0; i < s.done; ++i)
            ASSERT_EQ(Bytes(s.data.begin() + 4 * i, s.data.begin() + 4 * (i + 1)),
                      bytesOf(f[i].miso, 32))
                << i;
    }
};

// One run over several reads and many writes keeps every frame start one
// period after the last, with a read pending whenever the engine answers
// (no stall), and hands the frames over read by read.
TEST_F(FrameStream, RunKeepsItsPeriodAcrossReadsAndWrites) {
    const Stream s = stream(1000);
    ASSERT_EQ(s.status, 0u);
    EXPECT_EQ(s.done, 1000u);
    EXPECT_EQ(s.calls, (std::vector<uint32_t>{200, 200, 200, 200, 200}));
    const auto f = frames();
    ASSERT_EQ(f.size(), 1000u);
    for (std::size_t i = 1; i < f.size(); ++i)
        ASSERT_EQ(f[i].startClock - f[i - 1].startClock, 250u) << i;
    expectWireFrames(s, f);
    const TalmirEmuCounters n = counters();
    EXPECT_EQ(n.usbReads, 5u);
    EXPECT_GT(n.usbWrites, 5u);
    EXPECT_EQ(n.stalls, 0u);
}

// A sink that stops the run after its first call: the frames already queued
// are read out and dropped, and the channel answers in step afterwards.
TEST_F(FrameStream, SinkStopsTheRun) {
    const Stream s = stream(1000, 1);
    EXPECT_EQ(s.status, 0u);
    EXPECT_EQ(s.done, 200u);
    EXPECT_EQ(s.calls.size(), 1u);
    const auto f = frames();
    EXPECT_LE(f.size(), 400u);
    expectWireFrames(s, f);
    EXPECT_EQ(read(4).size(), 4u);
    EXPECT_EQ(stream(10).done, 10u);
}

// A write or a read failing part-way: the frames read before it are handed
// over, the status says why, and the channel carries on. Writes carry 128
// frames (half the 232H's 1 KiB answer buffer) and reads 200.
TEST_F(FrameStream, UsbFailurePartWayHandsOverTheFramesBeforeIt) {
    struct Case {
        uint32_t op, after, done;
    };
    for (const Case c : {Case{0, 3, 328}, Case{1, 1, 200}}) {
        e->ClearLog();
        e->FailUsb(c.op, c.after, 1);
        const Stream s = stream(1000);
        EXPECT_EQ(s.status, 4u) << c.op;
        EXPECT_EQ(s.done, c.done) << c.op;
        expectWireFrames(s, frames());
        EXPECT_EQ(read(4).size(), 4u) << c.op;
    }
}

}  // namespace
