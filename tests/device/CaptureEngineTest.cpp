// The capture engine against the simulator: paced runs and bursts with sample
// times from the clock count, the timed fallback through a library without bursts,
// cancel, and an adapter pulled out mid-capture keeping the samples before.
#include <algorithm>
#include <mutex>
#include <optional>

#include "DeviceTestSupport.h"
#include "core/CaptureRecord.h"
#include "device/CaptureEngine.h"

using namespace talmir;
using namespace talmir::test;

namespace {

struct Collected {
    std::vector<CapturedSample> samples;
    int blocks = 0;
};

CaptureEngine::BlockSink Into(Collected& c) {
    return [&c](std::vector<CapturedSample>&& block) {
        ++c.blocks;
        c.samples.insert(c.samples.end(), block.begin(), block.end());
    };
}

// Binds `link` to a freshly reset simulator variant with the tool's settings.
void BindVariant(const SimVariant& sim, MpsseLink& link) {
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    ASSERT_TRUE(link.LoadMPSSELibrary({sim.Path()}, nullptr));
    SetToolConfig(link);
}

}  // namespace

// At 5 kHz and a 1 MHz clock, frames start 200 clocks (200 µs) apart, the
// whole capture one run; each mode's lines have the chart page's layout after
// the time.
TEST_F(LinkTest, PacedCaptureTimesFollowTheClockInEveryFrameMode) {
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    for (int mode = 1; mode <= 5; ++mode) {
        Collected got;
        const CaptureResult r = engine.Run({mode, 5000, 1200}, Into(got));
        ASSERT_TRUE(r.error.empty()) << mode << ": " << r.error;
        EXPECT_TRUE(r.paced);
        EXPECT_FALSE(r.cancelled);
        ASSERT_EQ(r.taken, 1200u);
        ASSERT_EQ(got.samples.size(), 1200u);
        EXPECT_GT(got.blocks, 1) << "handed over in blocks";
        for (std::size_t k = 0; k < got.samples.size(); ++k)
            ASSERT_EQ(got.samples[k].tUs, static_cast<std::int64_t>(k) * 200)
                << mode << " at " << k;
        const std::string line = CaptureLine(mode, got.samples[3]);
        EXPECT_EQ(line.rfind("600;", 0), 0u) << line;
        const std::string header = CaptureHeader(mode);
        EXPECT_EQ(std::count(line.begin(), line.end(), ';'),
                  std::count(header.begin(), header.end(), ';'))
            << header << " / " << line;
    }
}

TEST_F(LinkTest, RateAboveWhatTheClockAllowsIsRefusedBeforeAnySample) {
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    const double max = engine.MaxPacedRateHz(2);
    ASSERT_GT(max, 0);
    Collected got;
    const CaptureResult r = engine.Run({2, max * 1.5, 10}, Into(got));
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(r.taken, 0u);
    EXPECT_TRUE(got.samples.empty());
    for (const std::string& name : CallNames(Trace())) {
        EXPECT_NE(name, "Talmir_SPI_ReadFrames");
        EXPECT_NE(name, "Talmir_SPI_StreamFrames");
    }
}

// A library that reads bursts but no unbroken runs: the adapter paces each
// burst, and each starts at its measured time, after the one before.
TEST(CaptureBursts, LibraryWithoutRunsReadsPacedBursts) {
    SimVariant sim("no_streamframes");
    MpsseLink link;
    ASSERT_NO_FATAL_FAILURE(BindVariant(sim, link));
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    Collected got;
    const CaptureResult r = engine.Run({2, 5000, 1200}, Into(got));
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.paced);
    ASSERT_EQ(got.samples.size(), 1200u);
    EXPECT_EQ(got.samples[1].tUs - got.samples[0].tUs, 200);
    for (std::size_t k = 1; k < got.samples.size(); ++k)
        ASSERT_GE(got.samples[k].tUs - got.samples[k - 1].tUs, 200) << k;
    const auto names = sim.TraceNames();
    EXPECT_GT(std::count(names.begin(), names.end(), "Talmir_SPI_ReadFrames"), 1);
}

// Without bursts (and in mode 0, which reads registers) each sample is one
// read at the thread clock's instants, its time measured.
TEST(CaptureFallback, LibraryWithoutBurstsTakesOneReadPerSample) {
    SimVariant sim("no_readframes");
    MpsseLink link;
    ASSERT_NO_FATAL_FAILURE(BindVariant(sim, link));
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    for (int mode : {0, 2}) {
        Collected got;
        const CaptureResult r = engine.Run({mode, 2000, 50}, Into(got));
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_FALSE(r.paced);
        ASSERT_EQ(got.samples.size(), 50u);
        // Never before its instant (k / 2000 s), and in order.
        for (std::size_t k = 1; k < got.samples.size(); ++k) {
            EXPECT_GE(got.samples[k].tUs, static_cast<std::int64_t>(k) * 500) << k;
            EXPECT_GE(got.samples[k].tUs, got.samples[k - 1].tUs) << k;
        }
    }
}

TEST_F(LinkTest, CancelOnItsThreadKeepsWhatItTook) {
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    Collected got;
    std::optional<CaptureResult> done;
    std::mutex m;
    engine.Start(
        {2, 1000, 1000000},
        [&](std::vector<CapturedSample>&& block) {
            std::lock_guard<std::mutex> lock(m);
            got.samples.insert(got.samples.end(), block.begin(), block.end());
            if (got.samples.size() >= 100) engine.Cancel();
        },
        [&](const CaptureResult& r) {
            std::lock_guard<std::mutex> lock(m);
            done = r;
        });
    engine.Wait();
    ASSERT_TRUE(done.has_value());
    EXPECT_TRUE(done->cancelled);
    EXPECT_TRUE(done->error.empty());
    EXPECT_EQ(done->taken, got.samples.size());
    EXPECT_LT(got.samples.size(), 1000000u);
}

// The adapter pulled out once the first samples came: the capture ends with
// the call's error, the samples before it kept.
TEST_F(LinkTest, UnplugMidCaptureEndsWithTheErrorAndKeepsTheSamplesBefore) {
    TASensDig chip(link);
    CaptureEngine engine(chip, link);
    Collected got;
    const CaptureResult r =
        engine.Run({2, 10000, 5000}, [&got](std::vector<CapturedSample>&& block) {
            Into(got)(std::move(block));
            TalmirSim_Unplug(1);
        });
    TalmirSim_Unplug(0);
    EXPECT_NE(r.error.find("Talmir_SPI_StreamFrames"), std::string::npos) << r.error;
    EXPECT_EQ(r.taken, got.samples.size());
    EXPECT_GT(got.samples.size(), 0u);
    EXPECT_LT(got.samples.size(), 5000u);
}
