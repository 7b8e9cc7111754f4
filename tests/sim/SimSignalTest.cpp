// The imperfect sine/cosine channels: their text setting, the converter's
// angle taken from them, and a fit of the channels finding what was set.
#include <cmath>
#include <utility>
#include <vector>

#include "SimTestSupport.h"
#include "core/EllipseFit.h"

namespace simtest {
namespace {

std::vector<double> Fields(const TalmirSimSignal& s) {
    return {s.offsetX, s.offsetY, s.amplitudeX, s.amplitudeY, s.phaseDeg, s.h3Percent, s.noiseLsb};
}

TEST_F(SimFixture, SignalTextSetsKnownKeysAndIgnoresTheRest) {
    struct Case {
        const char* text;
        int ignored;
        std::vector<double> fields;  // offsets, amplitudes, phase, h3, noise
    };
    const Case cases[] = {
        {"offset_x=300 offset_y=-200 amp_x=20000 amp_y=19000 phase_deg=2 h3=0.5 noise=3",
         0,
         {300, -200, 20000, 19000, 2, 0.5, 3}},
        {"  offset_x=+12\tgain=3 offset_y ", 2, {12, 0, 20000, 20000, 0, 0, 0}},
        {"amp_x=abc amp_y=1e3 noise=3,5 phase_deg=2x", 3, {0, 0, 20000, 1000, 0, 0, 0}},
        {"amp_x=0 phase_deg=90 noise=-1 h3=nan h3=-1", 4, {0, 0, 20000, 20000, 0, -1, 0}},
        {"", 0, {0, 0, 20000, 20000, 0, 0, 0}},
        {"rpm=2e6 rpm=x h3=1", 2, {0, 0, 20000, 20000, 0, 1, 0}},  // the speed is the magnet's
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TalmirSim_SetSignalText(c.text), c.ignored) << c.text;
        TalmirSimSignal s{};
        TalmirSim_GetSignal(&s);
        EXPECT_EQ(Fields(s), c.fields) << c.text;
    }
    TalmirSimSignal bad{0, 0, 20000, -5, 0, 0, 0};
    EXPECT_EQ(TalmirSim_SetSignal(&bad), 0);
    TalmirSim_Reset();
    TalmirSimSignal after{};
    TalmirSim_GetSignal(&after);
    EXPECT_EQ(Fields(after), (std::vector<double>{0, 0, 20000, 20000, 0, 0, 0}));
}

TEST_F(SimFixture, ChipAngleIsAtan2OfTheImperfectChannels) {
    ASSERT_EQ(TalmirSim_SetSignalText("offset_x=3000 amp_y=15000 phase_deg=10"), 0);
    bool differs = false;
    for (uint16_t angle : {0, 5000, 16384, 30000, 45000, 60000}) {
        TalmirSim_SetAngle(angle);
        const auto x = static_cast<int16_t>(readRegister(40));
        const auto y = static_cast<int16_t>(readRegister(41));
        const double expected = std::atan2(x, y) / (2 * std::acos(-1.0)) * 65536;
        const auto code = static_cast<int16_t>(readRegister(37));
        EXPECT_LE(std::abs(static_cast<int16_t>(code - std::lround(expected))), 1) << angle;
        differs = differs || std::abs(static_cast<int16_t>(code - angle)) > 100;
        EXPECT_NEAR(readRegister(38), std::hypot(x, y), 1) << angle;
    }
    EXPECT_TRUE(differs) << "the imperfections do not show in the angle";
}

TEST_F(SimFixture, EllipseFitOfSampledChannelsFindsTheSetting) {
    const TalmirSimSignal set{300, -200, 20000, 19000, 2, 0, 3};
    ASSERT_EQ(TalmirSim_SetSignal(&set), 1);
    std::vector<std::pair<int32_t, int32_t>> xy;
    for (int i = 0; i < 2000; ++i) {
        TalmirSim_SetAngle(static_cast<uint16_t>(i * 65536 / 2000));
        const auto x = static_cast<int16_t>(readRegister(40));
        xy.emplace_back(x, static_cast<int16_t>(readRegister(41)));
    }
    const auto result = talmir::FitEllipse(xy);
    ASSERT_TRUE(result.fit) << result.refusal;
    const talmir::EllipseFit& f = *result.fit;
    EXPECT_NEAR(f.OffsetX, 300, 1);
    EXPECT_NEAR(f.OffsetY, -200, 1);
    EXPECT_NEAR(f.AmplitudeX, 20000, 2);
    EXPECT_NEAR(f.AmplitudeY, 19000, 2);
    EXPECT_NEAR(f.PhaseDeg, 2, 0.02);
    EXPECT_NEAR(f.NoiseLsb, 3, 0.3);
}

}  // namespace
}  // namespace simtest
