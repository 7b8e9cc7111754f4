#pragma once
// The samples of a review record that the calibration analyses take, over a
// range of sample numbers: the angle as codes of one turn (with the X/Y
// channels where the record has them) for the angle error, and the X/Y pairs
// for the ellipse fit.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/AngleError.h"
#include "core/ReviewRecord.h"

namespace talmir {

// Where a record's angle is: its series, the low bits of it that make one
// turn, and the series of the sine and cosine channels (-1 when none).
struct ReviewAngleColumn {
    int series = 0;
    int bitsPerTurn = 16;
    int xSeries = -1, ySeries = -1;
};

// None for records without an angle (the one-shot export's mode 0, mode 5's
// raw frame words, XY data).
// Mode 2 counts 16 bits a turn under the chart page's decoding and 12 under
// the one-shot export's (also when every line agrees with both); modes 3 and
// 4 the 15 single-turn bits of their multi-turn angle.
std::optional<ReviewAngleColumn> AngleColumnOf(const ReviewRecord& record);

struct ReviewAngleSamples {
    std::vector<AngleSample> samples;  // code: 0..65535 = one turn
    bool channels = false;             // x and y hold the record's X/Y channels
    int64_t interpolated = 0;          // capture time steps that had no sample
    std::string refusal;               // why none, in Russian
};

// Most samples the angle error takes at once (its working memory grows with them).
inline constexpr int64_t kMostAngleSamples = 4000000;

// The angle of the samples with index from to to. The angle error fits a
// line over the sample number, which stands for time only on equal steps: a
// capture's samples are placed on the grid of its usual step (the median of
// its steps), each as many steps after the one before as its time step holds
// (rounded, at least one), and a step no sample landed on (a lost sample)
// takes the angle interpolated between its neighbours; across such a gap the
// angle has turned the whole turns nearest to what the speed before it gives.
// Refuses ranges over kMostAngleSamples and captures with more empty steps
// than samples.
ReviewAngleSamples AngleSamplesOf(const ReviewRecord& record, int64_t from, int64_t to);

// Most X/Y pairs the ellipse fit takes; a longer range gives every k-th.
inline constexpr int64_t kMostXYPairs = int64_t{1} << 20;

struct ReviewXYPairs {
    std::vector<std::pair<int32_t, int32_t>> pairs;
    int64_t stride = 1;
};

// The X/Y pairs of the samples with index from to to; none when the record
// has no X/Y channels.
std::optional<ReviewXYPairs> XYPairsOf(const ReviewRecord& record, int64_t from, int64_t to);

}  // namespace talmir
