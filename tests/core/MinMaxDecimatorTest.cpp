#include "core/MinMaxDecimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace talmir {
namespace {

TEST(MinMaxDecimatorTest, ShortSeriesIsKeptExactly) {
    MinMaxDecimator d(8);
    for (int i = 0; i < 8; ++i) d.Add(i, i * i);
    EXPECT_EQ(d.BucketSize(), 1u);
    const auto points = d.Points();
    ASSERT_EQ(points.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(points[i].x, i);
        EXPECT_EQ(points[i].y, i * i);
    }
}

TEST(MinMaxDecimatorTest, LongSeriesStaysBoundedAndKeepsEveryExtreme) {
    MinMaxDecimator d(64);
    const int n = 100000;
    for (int i = 0; i < n; ++i) d.Add(i, std::sin(i * 0.001) * 1000 + (i == 54321 ? 5000 : 0));
    EXPECT_LE(d.BucketCount(), 64u);
    const auto points = d.Points();
    EXPECT_LE(points.size(), 128u);
    const auto peak = std::max_element(
        points.begin(), points.end(), [](const XYPoint& a, const XYPoint& b) { return a.y < b.y; });
    EXPECT_EQ(peak->x, 54321) << "a one-sample spike must survive the summary";
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const XYPoint& a, const XYPoint& b) { return a.x < b.x; }));
    EXPECT_EQ(points.front().x, 0) << "the first bucket starts at its lowest point, x 0";
}

TEST(MinMaxDecimatorTest, BucketKeepsLowAndHighInArrivalOrder) {
    MinMaxDecimator d(2);
    const double ys[] = {5, 9, 1, 4, 7, 7, 7, 7};
    for (int i = 0; i < 8; ++i) d.Add(i, ys[i]);
    ASSERT_EQ(d.BucketSize(), 4u);
    const auto points = d.Points();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].y, 9);  // high came before low in the first bucket
    EXPECT_EQ(points[1].y, 1);
    EXPECT_EQ(points[2].y, 7);  // a flat bucket gives one point
}

TEST(MinMaxDecimatorTest, ClearStartsOverAtFullResolution) {
    MinMaxDecimator d(4);
    for (int i = 0; i < 100; ++i) d.Add(i, i);
    d.Clear();
    EXPECT_TRUE(d.Points().empty());
    d.Add(1, 2);
    EXPECT_EQ(d.BucketSize(), 1u);
    ASSERT_EQ(d.Points().size(), 1u);
}

}  // namespace
}  // namespace talmir
