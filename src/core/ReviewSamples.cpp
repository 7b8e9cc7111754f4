#include "core/ReviewSamples.h"

#include <algorithm>
#include <cmath>

namespace talmir {

namespace {

// The columns of X and Y, -1 when the layout has none.
std::pair<int, int> ChannelSeries(ReviewLayout layout) {
    switch (layout) {
        case ReviewLayout::WorkData:
            return {2, 3};
        case ReviewLayout::XY:
            return {0, 1};
        default:
            return {-1, -1};
    }
}

uint16_t Code(int32_t value, int bitsPerTurn) {
    const uint32_t turn = static_cast<uint32_t>(value) & ((1u << bitsPerTurn) - 1u);
    return static_cast<uint16_t>(turn << (16 - bitsPerTurn));
}

// A capture's angle on equal time steps.
ReviewAngleSamples OnTimeGrid(const ReviewRecord& record, const ReviewAngleColumn& column,
                              int64_t from, int64_t to) {
    ReviewAngleSamples out;
    const int64_t step = record.NominalStepUs(from, to);
    const int64_t count = to - from + 1;
    if (step <= 0) {
        out.refusal = "нет шага времени: в диапазоне одна точка";
        return out;
    }
    // Each sample's step on the grid: as many after the one before as its
    // own time step holds usual steps, rounded, and at least one. Counting
    // step by step keeps a clock a little off the usual step from drifting
    // off the grid over a long capture.
    std::vector<int64_t> slot(static_cast<std::size_t>(count));
    for (int64_t i = from + 1; i <= to; ++i) {
        const int64_t steps = std::max<int64_t>(1, (record.StepUs(i) + step / 2) / step);
        slot[static_cast<std::size_t>(i - from)] =
            slot[static_cast<std::size_t>(i - from - 1)] + steps;
    }
    const int64_t slots = slot.back() + 1;
    if (slots > 2 * count || slots > kMostAngleSamples) {
        out.refusal =
            "шаги времени слишком неравномерны для равного шага " + std::to_string(step) + " мкс";
        return out;
    }
    // The unwrapped angle on each step; NaN where no sample landed. Between
    // neighbouring steps the angle moves less than half a turn; across a gap
    // (a capture's bursts are apart by the computer's turnaround) it may turn
    // further, so there the turns are those nearest to the speed so far.
    std::vector<double> angle(static_cast<std::size_t>(slots), std::nan(""));
    const SeriesStore& store = record.Series()[static_cast<std::size_t>(column.series)].store;
    double unwrapped = 0, perStep = 0;
    int64_t singleSteps = 0;
    uint16_t previous = Code(store.ValueAt(from), column.bitsPerTurn);
    for (int64_t i = from; i <= to; ++i) {
        const uint16_t code = Code(store.ValueAt(i), column.bitsPerTurn);
        double delta = static_cast<int16_t>(static_cast<uint16_t>(code - previous));
        const int64_t steps = i == from ? 1
                                        : slot[static_cast<std::size_t>(i - from)] -
                                              slot[static_cast<std::size_t>(i - from - 1)];
        if (steps > 1 && singleSteps > 0) {
            delta += 65536.0 * std::round((perStep * static_cast<double>(steps) - delta) / 65536.0);
        } else if (i > from && steps == 1) {
            // The mean step of the last few dozen, steady against the noise.
            ++singleSteps;
            perStep += (delta - perStep) / static_cast<double>(std::min<int64_t>(singleSteps, 32));
        }
        unwrapped += delta;
        previous = code;
        angle[static_cast<std::size_t>(slot[static_cast<std::size_t>(i - from)])] = unwrapped;
    }
    // Both ends hold a sample, so every empty step has a neighbour on each side.
    std::size_t last = 0;
    for (std::size_t k = 1; k < angle.size(); ++k) {
        if (std::isnan(angle[k])) continue;
        for (std::size_t g = last + 1; g < k; ++g) {
            const double f = static_cast<double>(g - last) / static_cast<double>(k - last);
            angle[g] = angle[last] + f * (angle[k] - angle[last]);
            ++out.interpolated;
        }
        last = k;
    }
    out.samples.reserve(angle.size());
    const double start = Code(store.ValueAt(from), column.bitsPerTurn);
    for (const double a : angle) {
        const auto code = static_cast<int64_t>(std::llround(start + a));
        out.samples.push_back({static_cast<uint16_t>(code & 0xFFFF), 0, 0});
    }
    return out;
}

}  // namespace

std::optional<ReviewAngleColumn> AngleColumnOf(const ReviewRecord& record) {
    const ReviewFormat format = record.Format();
    const auto [x, y] = ChannelSeries(format.layout);
    switch (format.layout) {
        case ReviewLayout::Mode0:
        case ReviewLayout::Mode5:
        case ReviewLayout::XY:
            return std::nullopt;
        case ReviewLayout::Mode2:
            return ReviewAngleColumn{0, record.Mode2Decodings() == kChartMode2 ? 16 : 12};
        case ReviewLayout::Mode3:
        case ReviewLayout::Mode4:
            return ReviewAngleColumn{0, 15};
        default:
            return ReviewAngleColumn{0, 16, x, y};
    }
}

ReviewAngleSamples AngleSamplesOf(const ReviewRecord& record, int64_t from, int64_t to) {
    ReviewAngleSamples out;
    const auto column = AngleColumnOf(record);
    from = std::max<int64_t>(from, 0);
    to = std::min(to, record.Count() - 1);
    if (!column) {
        out.refusal = "в файле нет угла";
        return out;
    }
    if (from > to) {
        out.refusal = "в видимом диапазоне нет точек";
        return out;
    }
    if (to - from + 1 > kMostAngleSamples) {
        out.refusal = "в видимом диапазоне больше " + std::to_string(kMostAngleSamples) +
                      " точек: сузьте его";
        return out;
    }
    if (record.HasTimes()) return OnTimeGrid(record, *column, from, to);
    const auto& series = record.Series();
    const SeriesStore& angle = series[static_cast<std::size_t>(column->series)].store;
    out.channels = column->xSeries >= 0;
    out.samples.reserve(static_cast<std::size_t>(to - from + 1));
    for (int64_t i = from; i <= to; ++i) {
        AngleSample s{Code(angle.ValueAt(i), column->bitsPerTurn), 0, 0};
        if (out.channels) {
            s.x = series[static_cast<std::size_t>(column->xSeries)].store.ValueAt(i);
            s.y = series[static_cast<std::size_t>(column->ySeries)].store.ValueAt(i);
        }
        out.samples.push_back(s);
    }
    return out;
}

std::optional<ReviewXYPairs> XYPairsOf(const ReviewRecord& record, int64_t from, int64_t to) {
    const auto [x, y] = ChannelSeries(record.Format().layout);
    if (x < 0) return std::nullopt;
    ReviewXYPairs out;
    from = std::max<int64_t>(from, 0);
    to = std::min(to, record.Count() - 1);
    if (from > to) return out;
    const int64_t n = to - from + 1;
    out.stride = (n + kMostXYPairs - 1) / kMostXYPairs;
    const SeriesStore& xs = record.Series()[static_cast<std::size_t>(x)].store;
    const SeriesStore& ys = record.Series()[static_cast<std::size_t>(y)].store;
    out.pairs.reserve(static_cast<std::size_t>(n / out.stride + 1));
    for (int64_t i = from; i <= to; i += out.stride)
        out.pairs.emplace_back(xs.ValueAt(i), ys.ValueAt(i));
    return out;
}

}  // namespace talmir
