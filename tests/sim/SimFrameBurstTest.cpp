// Frame bursts of the simulated adapter: each frame samples the turning
// magnet at its own instant on the adapter's clock, so a capture at speed
// shows the angle error the channels' imperfections make.
#include <cmath>
#include <vector>

#include "SimTestSupport.h"
#include "core/AngleError.h"
#include "mpsse_abi.h"

// The simulator's export, called without the binding in between.
extern "C" talmir::mpsse::Talmir_SPI_ReadFrames_fn Talmir_SPI_ReadFrames;
extern "C" talmir::mpsse::Talmir_SPI_StreamFrames_fn Talmir_SPI_StreamFrames;

namespace simtest {
namespace {

std::vector<uint8_t> ReadFrames(void* handle, uint32_t bits, uint32_t count, uint32_t period) {
    std::vector<uint8_t> buffer(count * ((bits + 7) / 8));
    uint32_t done = 0;
    EXPECT_EQ(Talmir_SPI_ReadFrames(handle, buffer.data(), bits, count, period, &done), 0u);
    EXPECT_EQ(done, count);
    return buffer;
}

// At 6000 rpm (100 turns/s) and 1 MHz, a frame every 1000 clocks is 0.1 turn
// on; unpaced, a 20-bit frame and its idle clocks are 28 us, 0.0028 turn.
TEST_F(SimFixture, PacedFramesSeeTheMagnetTurnByOnePeriodEach) {
    struct Case {
        uint32_t period;
        double counts;  // 16-bit angle counts from frame to frame
    };
    ASSERT_EQ(TalmirSim_SetSignalText("rpm=6000"), 0);
    for (const Case c : {Case{1000, 6553.6}, Case{0, 183.5}}) {
        const auto b = ReadFrames(handle, 20, 10, c.period);
        for (int k = 1; k < 10; ++k) {
            const auto angle = [&](int i) {
                return static_cast<uint16_t>(b[3 * i] << 12 | b[3 * i + 1] << 4 | b[3 * i + 2]);
            };
            EXPECT_NEAR(static_cast<uint16_t>(angle(k) - angle(k - 1)), c.counts, 1.0)
                << c.period << ", frame " << k;
        }
    }
    uint32_t done = 1;
    uint8_t buffer[3];
    EXPECT_EQ(Talmir_SPI_ReadFrames(handle, buffer, 20, 1, 27, &done), 6u);
    EXPECT_EQ(done, 0u);
}

// A streamed run is read in pieces of about 50 ms (here 50 frames of 1 ms),
// each frame still sampled one period after the one before, across pieces;
// a sink answering non-zero ends the run after that piece.
TEST_F(SimFixture, StreamedRunKeepsTheClockAcrossItsPieces) {
    struct Collected {
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> calls;
        uint32_t stopAfter;
    };
    const auto sink = [](void* context, const uint8_t* frames, uint32_t count) -> uint32_t {
        auto* c = static_cast<Collected*>(context);
        c->calls.push_back(count);
        c->bytes.insert(c->bytes.end(), frames, frames + 3 * count);
        return c->calls.size() >= c->stopAfter ? 1 : 0;
    };
    ASSERT_EQ(TalmirSim_SetSignalText("rpm=6000"), 0);
    Collected run{{}, {}, 99};
    uint32_t done = 0;
    ASSERT_EQ(Talmir_SPI_StreamFrames(handle, 20, 120, 1000, +sink, &run, &done), 0u);
    EXPECT_EQ(done, 120u);
    EXPECT_EQ(run.calls, (std::vector<uint32_t>{50, 50, 20}));
    const auto angle = [&](int i) {
        const auto& b = run.bytes;
        return static_cast<uint16_t>(b[3 * i] << 12 | b[3 * i + 1] << 4 | b[3 * i + 2]);
    };
    for (int k = 1; k < 120; ++k)
        EXPECT_NEAR(static_cast<uint16_t>(angle(k) - angle(k - 1)), 6553.6, 1.0) << k;

    Collected stopped{{}, {}, 1};
    EXPECT_EQ(Talmir_SPI_StreamFrames(handle, 20, 120, 1000, +sink, &stopped, &done), 0u);
    EXPECT_EQ(done, 50u);
    EXPECT_EQ(stopped.calls.size(), 1u);
}

// Test-mode frames (angle, sine, cosine) over twenty turns at 6000 rpm: an
// offset of the sine channel makes the first harmonic of the error, a third
// harmonic of the channels the fourth, each 1/100 radian here.
TEST_F(SimFixture, CaptureAtSpeedShowsTheHarmonicsOfTheImperfections) {
    struct Case {
        const char* setting;
        int harmonic;
    };
    writeRegister(38, 0x2000);
    for (const Case c : {Case{"offset_x=200 rpm=6000", 1}, Case{"h3=1 rpm=6000", 4}}) {
        ASSERT_EQ(TalmirSim_SetSignalText(c.setting), 0);
        const auto b = ReadFrames(handle, 80, 2000, 101);
        std::vector<talmir::AngleSample> samples;
        for (std::size_t i = 0; i < 2000; ++i) {
            const auto w = [&](int k) { return b[10 * i + 2 * k] << 8 | b[10 * i + 2 * k + 1]; };
            samples.push_back({static_cast<uint16_t>(w(0)), w(1) - 32768, w(2) - 32768});
        }
        const auto result = talmir::AnalyseAngleError(samples);
        ASSERT_TRUE(result.analysis) << result.refusal;
        const auto& h = result.analysis->HarmonicDeg;
        const double expected = 0.01 * 180 / std::acos(-1.0);
        for (int k = 1; k <= 4; ++k)
            EXPECT_NEAR(h[k - 1], k == c.harmonic ? expected : 0.0, 0.05)
                << c.setting << ", harmonic " << k;
    }
}

}  // namespace
}  // namespace simtest
