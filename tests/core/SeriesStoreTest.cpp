#include "core/SeriesStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "core/VisibleRangeExport.h"

namespace talmir {
namespace {

using Sample = std::pair<int64_t, int32_t>;  // x, value

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Drifting: values spanning most of a 16-bit window, rising and falling, so a
// narrow chunk must move its window without widening.
enum class Shape { Random, Constant, Spike, Alternating, Drifting };

// `n` samples of the given shape from x = 100 on; with gaps, about one x in 16
// jumps ahead by 2 to 6.
std::vector<Sample> MakeSamples(Shape shape, int n, bool gaps, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> any(kMin, kMax);
    std::vector<Sample> samples;
    int64_t x = 100;
    for (int i = 0; i < n; ++i) {
        if (gaps && rng() % 16 == 0) x += 1 + rng() % 5;
        int32_t v = 0;
        switch (shape) {
            case Shape::Random:
                v = i % 3 ? any(rng) : static_cast<int32_t>(rng() % 7);
                break;
            case Shape::Constant:
                v = -7;
                break;
            case Shape::Spike:
                v = i == n / 2 + 1 ? kMax : 5;
                break;
            case Shape::Alternating:
                v = i % 2 ? kMin : kMax;
                break;
            case Shape::Drifting:
                v = (i * 977) % 60000 - 20000 + static_cast<int32_t>(rng() % 100);
                break;
        }
        samples.push_back({x++, v});
    }
    return samples;
}

SeriesStore Fill(const std::vector<Sample>& samples, SeriesLayout layout) {
    SeriesStore store(layout);
    for (const auto& [x, v] : samples) EXPECT_TRUE(store.Append(x, v));
    return store;
}

// Every column by a plain pass over the samples; the earliest sample wins
// ties for lowest and highest.
std::vector<SeriesColumn> BruteColumns(const std::vector<Sample>& samples, int64_t xFrom,
                                       int64_t xTo, int w) {
    std::vector<SeriesColumn> columns(static_cast<std::size_t>(w));
    const int64_t span = xTo - xFrom + 1;
    auto it = std::lower_bound(samples.begin(), samples.end(), Sample{xFrom, kMin});
    for (int c = 0; c < w; ++c) {
        const int64_t end = xFrom + (c + 1) * span / w;
        SeriesColumn& col = columns[static_cast<std::size_t>(c)];
        for (; it != samples.end() && it->first < end; ++it) {
            const auto [x, v] = *it;
            if (col.count == 0 || v < col.low) col.low = v, col.lowX = x;
            if (col.count == 0 || v > col.high) col.high = v, col.highX = x;
            if (col.count++ == 0) col.first = v, col.firstX = x;
            col.last = v;
            col.lastX = x;
        }
    }
    return columns;
}

void ExpectColumns(const SeriesStore& store, const std::vector<Sample>& samples, int64_t xFrom,
                   int64_t xTo, int w) {
    // Taken in three pieces, as a reader on another thread takes them.
    auto got = store.Columns(xFrom, xTo, w, 0, w / 3);
    for (const auto& piece : {store.Columns(xFrom, xTo, w, w / 3, 2 * w / 3),
                              store.Columns(xFrom, xTo, w, 2 * w / 3, w)})
        got.insert(got.end(), piece.begin(), piece.end());
    const auto want = BruteColumns(samples, xFrom, xTo, w);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t c = 0; c < got.size(); ++c)
        ASSERT_EQ(got[c], want[c])
            << "[" << xFrom << ", " << xTo << "] w " << w << " column " << c << ": count "
            << got[c].count << " low " << got[c].low << "@" << got[c].lowX << " high "
            << got[c].high << "@" << got[c].highX << ", want count " << want[c].count << " low "
            << want[c].low << "@" << want[c].lowX << " high " << want[c].high << "@"
            << want[c].highX;
}

// x ranges: the whole series and beyond, its ends, and random stretches.
std::vector<std::pair<int64_t, int64_t>> Ranges(const std::vector<Sample>& samples, int count,
                                                unsigned seed) {
    const int64_t first = samples.front().first, last = samples.back().first;
    std::vector<std::pair<int64_t, int64_t>> ranges = {
        {first - 3, last + 3}, {first, first + 20}, {last - 20, last}, {last + 1, last + 9}};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int64_t> pick(first - 2, last + 2);
    while (static_cast<int>(ranges.size()) < count) {
        int64_t a = pick(rng), b = pick(rng);
        ranges.push_back({std::min(a, b), std::max(a, b)});
    }
    return ranges;
}

struct DataCase {
    const char* name;
    Shape shape;
    bool gaps;
};
const DataCase kDataCases[] = {
    {"random", Shape::Random, false},
    {"random with gaps", Shape::Random, true},
    {"constant", Shape::Constant, false},
    {"constant with gaps", Shape::Constant, true},
    {"spike", Shape::Spike, false},
    {"spike with gaps", Shape::Spike, true},
    {"alternating", Shape::Alternating, false},
    {"alternating with gaps", Shape::Alternating, true},
    {"drifting", Shape::Drifting, false},
};

// Small chunks (16 values), blocks (4 or 1 samples) and fan-outs, so that 200
// samples cross every kind of boundary and use several pyramid levels.
const SeriesLayout kSmallLayouts[] = {{4, 2, 1}, {4, 0, 2}};

TEST(SeriesStoreTest, ColumnsAndSamplesMatchAPassOverEverySample) {
    for (const SeriesLayout layout : kSmallLayouts) {
        for (const DataCase& d : kDataCases) {
            SCOPED_TRACE(std::string(d.name) + " block bits " + std::to_string(layout.blockBits));
            const auto samples = MakeSamples(d.shape, 200, d.gaps, 11);
            const SeriesStore store = Fill(samples, layout);
            for (const auto& [xFrom, xTo] : Ranges(samples, 8, 3)) {
                for (int w = 1; w <= xTo - xFrom + 3; ++w)
                    ExpectColumns(store, samples, xFrom, xTo, w);
                std::vector<Sample> seen, want;
                store.Samples(xFrom, xTo, [&](int64_t x, int32_t v) { seen.push_back({x, v}); });
                for (const Sample& s : samples)
                    if (s.first >= xFrom && s.first <= xTo) want.push_back(s);
                EXPECT_EQ(seen, want) << "[" << xFrom << ", " << xTo << "]";
            }
        }
    }
}

TEST(SeriesStoreTest, ColumnsMatchWithTheDefaultLayoutAcrossAChunk) {
    const auto samples = MakeSamples(Shape::Random, 200000, true, 5);
    const SeriesStore store = Fill(samples, {});
    const int64_t seam = store.XAt(65536);  // first sample of the second chunk
    for (const auto& [xFrom, xTo] : std::vector<std::pair<int64_t, int64_t>>{
             {samples.front().first, samples.back().first}, {seam - 5000, seam + 70000}})
        for (int w : {1, 3, 1000, 4096}) ExpectColumns(store, samples, xFrom, xTo, w);
    for (int w = 1; w <= 60; ++w) ExpectColumns(store, samples, seam - 20, seam + 29, w);
}

void ExpectStats(const SeriesStore& store, const std::vector<Sample>& samples, int64_t xFrom,
                 int64_t xTo) {
    std::vector<int64_t> in;
    for (const auto& [x, v] : samples)
        if (x >= xFrom && x <= xTo) in.push_back(v);
    const SeriesStats s = store.Stats(xFrom, xTo);
    ASSERT_EQ(s.count, static_cast<int64_t>(in.size())) << "[" << xFrom << ", " << xTo << "]";
    if (in.empty()) return;
    long double sum = 0, squares = 0;
    for (int64_t v : in) sum += v;
    const long double mean = sum / in.size();
    for (int64_t v : in) squares += (v - mean) * (v - mean);
    const double stdDev = std::sqrt(static_cast<double>(squares / in.size()));
    EXPECT_EQ(s.min, *std::min_element(in.begin(), in.end()));
    EXPECT_EQ(s.max, *std::max_element(in.begin(), in.end()));
    EXPECT_EQ(s.peakToPeak, int64_t{s.max} - s.min);
    EXPECT_NEAR(s.mean, static_cast<double>(mean), 1e-9 * std::max(1.0, std::fabs(s.mean)));
    EXPECT_NEAR(s.stdDev, stdDev, 1e-9 * std::max(1.0, stdDev));
}

TEST(SeriesStoreTest, StatsMatchAPassOverEverySample) {
    for (const SeriesLayout layout : kSmallLayouts) {
        for (const DataCase& d : kDataCases) {
            SCOPED_TRACE(d.name);
            const auto samples = MakeSamples(d.shape, 200, d.gaps, 17);
            const SeriesStore store = Fill(samples, layout);
            for (const auto& [xFrom, xTo] : Ranges(samples, 60, 9))
                ExpectStats(store, samples, xFrom, xTo);
        }
    }
    const auto samples = MakeSamples(Shape::Random, 100000, true, 23);
    const SeriesStore store = Fill(samples, {});
    for (const auto& [xFrom, xTo] : Ranges(samples, 12, 4)) ExpectStats(store, samples, xFrom, xTo);
}

// Values at the ends of the int32 range, where squares overflow 64 bits
// within one block and a sum-of-squares formula in double loses everything.
TEST(SeriesStoreTest, StatsStayExactAtTheEndsOfTheValueRange) {
    struct Case {
        const char* name;
        int32_t (*value)(int i);
        double mean, stdDev;
    };
    const Case cases[] = {
        {"all lowest", [](int) { return kMin; }, -2147483648.0, 0.0},
        {"lowest and highest", [](int i) { return i % 2 ? kMax : kMin; }, -0.5, 2147483647.5},
        {"highest, off by one", [](int i) { return kMax - i % 2; }, 2147483646.5, 0.5},
    };
    for (const Case& c : cases) {
        SeriesStore store;
        for (int i = 0; i < 10000; ++i) store.Append(i, c.value(i));
        const SeriesStats s = store.Stats(0, 9999);
        EXPECT_EQ(s.mean, c.mean) << c.name;
        EXPECT_NEAR(s.stdDev, c.stdDev, 1e-9) << c.name;
    }
}

TEST(SeriesStoreTest, WideProductsCarryBetweenTheirHalves) {
    struct Case {
        uint64_t a, b, hi, lo;
    };
    const Case cases[] = {
        {~uint64_t{0}, ~uint64_t{0}, 0xFFFFFFFFFFFFFFFEu, 1},
        {uint64_t{1} << 32, uint64_t{1} << 32, 1, 0},
        {0xFFFFFFFFu, 0xFFFFFFFF00000001u, 0xFFFFFFFEu, 0x1FFFFFFFFu},
        {123456789012345u, 987654321098u, 0x64DC3Du, 0x2DC44B8BDC9A307Au},
    };
    for (const Case& c : cases) {
        const UInt128 p = UInt128::Multiply(c.a, c.b);
        EXPECT_EQ(p.hi, c.hi) << c.a << " * " << c.b;
        EXPECT_EQ(p.lo, c.lo) << c.a << " * " << c.b;
    }
}

TEST(SeriesStoreTest, RefusesXNotAboveTheLastAndFindsXAcrossGaps) {
    struct Append {
        int64_t x;
        int32_t value;
        bool accepted;
    };
    const Append appends[] = {{-3, 4, true}, {-2, -9, true}, {-2, 1, false}, {-8, 1, false},
                              {5, 30, true}, {6, 2, true},   {9, 7, true}};
    SeriesStore store;
    for (const Append& a : appends) EXPECT_EQ(store.Append(a.x, a.value), a.accepted) << a.x;
    EXPECT_EQ(store.Count(), 5);
    EXPECT_EQ(store.RunCount(), 3u);
    EXPECT_EQ(store.FirstX(), -3);
    EXPECT_EQ(store.LastX(), 9);
    EXPECT_EQ(store.MinValue(), -9);
    EXPECT_EQ(store.MaxValue(), 30);
    const int64_t xs[] = {-3, -2, 5, 6, 9};
    const int32_t values[] = {4, -9, 30, 2, 7};
    for (int64_t i = 0; i < 5; ++i) {
        EXPECT_EQ(store.XAt(i), xs[i]);
        EXPECT_EQ(store.ValueAt(i), values[i]);
    }
    struct Lookup {
        int64_t x, lower, upper;
    };
    const Lookup lookups[] = {{-100, 0, 0}, {-3, 0, 1}, {-2, 1, 2}, {0, 2, 2}, {5, 2, 3},
                              {6, 3, 4},    {7, 4, 4},  {9, 4, 5},  {10, 5, 5}};
    for (const Lookup& l : lookups) {
        EXPECT_EQ(store.LowerIndex(l.x), l.lower) << l.x;
        EXPECT_EQ(store.UpperIndex(l.x), l.upper) << l.x;
    }
}

TEST(SeriesStoreTest, ClearFreesEveryByte) {
    SeriesStore store;
    EXPECT_EQ(store.BytesUsed(), 0u);
    const int64_t n = (1 << 20) - 5;  // 16 chunks, the last one not quite full
    // Values spread over 32 bits take 4 bytes; a 16-bit angle code takes 2.
    for (int64_t i = 0; i < n; ++i) store.Append(i + i / 1000, static_cast<int32_t>(i * 7919));
    EXPECT_GE(store.BytesUsed(), 4u * n);
    EXPECT_LE(store.BytesUsed(), 4.75 * n) << "values, summaries and runs should stay compact";
    store.Clear();
    EXPECT_EQ(store.BytesUsed(), 0u);
    for (int64_t i = 0; i < n; ++i) store.Append(i, static_cast<int32_t>((i * 37) % 65536));
    EXPECT_LE(store.BytesUsed(), 2.75 * n);
    EXPECT_EQ(store.ValueAt(n - 1), ((n - 1) * 37) % 65536);
    store.Clear();
    EXPECT_EQ(store.BytesUsed(), 0u);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.RunCount(), 0u);
    EXPECT_TRUE(store.Append(-1, 3));
    EXPECT_EQ(store.Stats(-1, -1).max, 3);
}

TEST(SeriesStoreTest, ExportsTheVisibleRangeRowByRow) {
    SeriesStore angle, temp;
    for (const auto& [x, v] : std::vector<Sample>{{0, 10}, {1, -11}, {3, 12}, {4, 13}})
        angle.Append(x, v);
    for (const auto& [x, v] : std::vector<Sample>{{1, 25}, {2, 26}, {5, 27}}) temp.Append(x, v);
    const NamedSeries series[] = {{"Angle", &angle}, {"Temp", &temp}};
    const std::string want = "Sample;Angle;Temp\r\n1;-11;25\r\n2;;26\r\n3;12;\r\n4;13;\r\n";
    EXPECT_EQ(VisibleRangeText(series, 1, 4), want);
    EXPECT_EQ(VisibleRangeText(series, 6, 9), "Sample;Angle;Temp\r\n");

    test::TempDir dir;
    SaveVisibleRange(dir.File("range.csv"), series, 1, 4);
    EXPECT_EQ(test::ReadAll(dir.File("range.csv")), want);
}

}  // namespace
}  // namespace talmir
