#include "core/ChartViewport.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

// Values 0..99 at x 0..99 on demand: the span of [from, to] clipped to them.
std::optional<AxisRange> Ramp(double from, double to) {
    const double lo = std::max(from, 0.0), hi = std::min(to, 99.0);
    if (lo > hi) return std::nullopt;
    return AxisRange{lo, hi};
}

TEST(ChartViewport, FollowsTheWholeRecordOrItsLastSamples) {
    struct Case {
        std::int64_t width;
        double xLo, xHi;
    };
    for (const Case c : {Case{0, 0, 99}, Case{10, 90, 99}, Case{1000, 0, 99}}) {
        ChartViewport v;
        v.SetFollowWidth(c.width);
        v.Update(AxisRange{0, 99}, Ramp);
        EXPECT_EQ(v.X().lo, c.xLo) << c.width;
        EXPECT_EQ(v.X().hi, c.xHi) << c.width;
        // y fits the values in view with a margin of 5 % (at least 1).
        EXPECT_LT(v.Y().lo, c.xLo);
        EXPECT_GT(v.Y().hi, c.xHi);
        EXPECT_NEAR(v.Y().hi - c.xHi, std::max(1.0, (c.xHi - c.xLo) * 0.05), 1e-9);
    }
}

TEST(ChartViewport, ZoomKeepsTheAnchorAndStopsFollowingUntilFollowAgain) {
    ChartViewport v;
    v.Update(AxisRange{0, 99}, Ramp);
    v.ZoomX(0.5, 20);
    EXPECT_DOUBLE_EQ(v.X().lo, 10);
    EXPECT_DOUBLE_EQ(v.X().hi, 59.5);
    EXPECT_FALSE(v.FollowingX());
    EXPECT_TRUE(v.FollowingY());
    // New data: x stays where the user put it, y still fits what is in view.
    v.Update(AxisRange{0, 99}, Ramp);
    EXPECT_DOUBLE_EQ(v.X().lo, 10);
    EXPECT_LT(v.Y().hi, 70);
    v.Pan(0, 5);
    EXPECT_FALSE(v.FollowingY());
    v.Follow();
    v.Update(AxisRange{0, 199}, Ramp);
    EXPECT_EQ(v.X().hi, 199);
    EXPECT_TRUE(v.FollowingY());
}

TEST(ChartViewport, RefusesRangesThatCollapse) {
    ChartViewport v;
    v.Update(AxisRange{0, 99}, Ramp);
    const AxisRange before = v.X();
    v.ZoomTo({5, 5}, {0, 1});
    EXPECT_EQ(v.X().lo, before.lo);
    EXPECT_TRUE(v.FollowingX());
    v.ZoomX(0, 50);
    EXPECT_EQ(v.X().hi, before.hi);
}

}  // namespace
}  // namespace talmir
