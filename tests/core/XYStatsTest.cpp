#include "core/XYStats.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

TEST(XYStats, OffsetAndAmplitudeRoundHalfToEven) {
    struct Case {
        int32_t max, min, offset, amplitude;
    };
    const Case cases[] = {
        {3, 0, 2, 2},
        {5, 0, 2, 2},
        {1, 0, 0, 0},
        {0, -1, 0, 0},
        {-1, -2, -2, 0},
        {32767, -32768, 0, 32768},
        {-1200, -1200, -1200, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Offset(c.max, c.min), c.offset) << c.max << "/" << c.min;
        EXPECT_EQ(Amplitude(c.max, c.min), c.amplitude) << c.max << "/" << c.min;
    }
    EXPECT_EQ(HalfRoundEven(-3), -2);
    EXPECT_EQ(HalfRoundEven(-5), -2);
    EXPECT_EQ(HalfRoundEven(7), 4);
}

TEST(XYStats, FirstSampleAfterStartSetsAllExtremes) {
    XYExtremes e;
    e.Start();
    EXPECT_FALSE(e.HasSample);
    e.Add(1000, -2000);
    EXPECT_TRUE(e.HasSample);
    EXPECT_EQ(e.SinMax, 1000);
    EXPECT_EQ(e.SinMin, 1000);
    EXPECT_EQ(e.CosMax, -2000);
    EXPECT_EQ(e.CosMin, -2000);

    e.Add(-5, 7);
    EXPECT_EQ(e.SinMax, 1000);
    EXPECT_EQ(e.SinMin, -5);
    EXPECT_EQ(e.CosMax, 7);
    EXPECT_EQ(e.CosMin, -2000);

    e.Start();
    e.Add(3, 3);
    EXPECT_EQ(e.SinMin, 3);
    EXPECT_EQ(e.CosMax, 3);
}

TEST(XYStats, SamplesFarFromZeroGiveTheirOwnExtremes) {
    XYExtremes e;
    e.Start();
    e.Add(-6000, 6000);
    e.Add(-5000, 9000);
    EXPECT_EQ(e.SinMax, -5000);
    EXPECT_EQ(e.SinMin, -6000);
    EXPECT_EQ(e.CosMax, 9000);
    EXPECT_EQ(e.CosMin, 6000);
}

}  // namespace
}  // namespace talmir
