#pragma once
// A chart series kept in full: every sample's integer value in arrival order,
// with block summaries that answer drawing and statistics queries over any x
// range at a cost that does not grow with the length of the series.
//
// Each sample has an x, its sample number. Samples arrive with strictly
// increasing x, usually each one more than the last; where x jumps (a series
// that gets no value in some readout mode) a new run begins. The store keeps
// one (start x, start index) pair per run, so x is never stored per sample and
// a gap costs 16 bytes.
//
// Values live in chunks of 2^chunkBits values, allocated as samples arrive.
// A chunk whose values all lie within a window of 65536 (every value the
// charts plot usually does: angles, 16-bit channels, temperatures) keeps them
// as 16-bit offsets from a base of its own; the first value beyond that makes
// it move its window, or, when no window holds them all, widen to 32 bits.
// Over them lies a pyramid of summaries (lowest, highest, sum, sum of squares):
// level 0 summarises each block of 2^blockBits samples, each further level
// 2^fanBits blocks of the level below. A summary is made once its block is
// complete; a range query takes the whole blocks from the pyramid and reads
// at most a block's samples at each end.
//
// With the default layout (65536-value chunks, 64-sample blocks, factor 8)
// a sample costs 2 bytes for its value (4 in a widened chunk), 0.5 bytes for
// its level-0 share and about 0.07 bytes for the levels above.
//
// Sums: a block's sum is an int64 (exact while a range holds fewer than 2^32
// samples), its sum of squares an unsigned 128-bit integer (a square is at most
// 2^62, so exact for any count a store can hold); statistics of a range thus
// come from exact integers and are rounded only in the last step.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace talmir {

// An unsigned 128-bit integer with the few operations the sums need, written
// out in two 64-bit halves so that it builds with any compiler. Arithmetic
// wraps modulo 2^128.
struct UInt128 {
    uint64_t lo = 0;
    uint64_t hi = 0;

    void Add(uint64_t v) {
        lo += v;
        hi += lo < v ? 1 : 0;
    }
    void Add(UInt128 v) {
        Add(v.lo);
        hi += v.hi;
    }
    void Subtract(UInt128 v) {
        hi -= v.hi + (lo < v.lo ? 1 : 0);
        lo -= v.lo;
    }
    // The full 128-bit product of two 64-bit numbers.
    static UInt128 Multiply(uint64_t a, uint64_t b);
    double ToDouble() const;
    friend bool operator==(UInt128, UInt128) = default;
};

// Sizes of a store's chunks and blocks, as powers of two. The defaults are the
// ones for charts; tests use small ones to cross many boundaries with few
// samples. Needs 0 <= blockBits <= chunkBits <= 30 and 1 <= fanBits <= 16.
struct SeriesLayout {
    int chunkBits = 16;  // values per chunk: 65536
    int blockBits = 6;   // samples per level-0 block: 64
    int fanBits = 3;     // blocks of one level per block of the next: 8
};

// One pixel column of a drawing query: how many samples fall into it and its
// first, lowest, highest and last sample (value and x). Lowest and highest are
// the earliest sample with that value. Drawing first, lowest, highest and last
// in x order for every column gives the same pixels as drawing every sample.
struct SeriesColumn {
    int64_t count = 0;
    int64_t firstX = 0, lowX = 0, highX = 0, lastX = 0;
    int32_t first = 0, low = 0, high = 0, last = 0;

    bool Empty() const { return count == 0; }
    friend bool operator==(const SeriesColumn&, const SeriesColumn&) = default;
};

// Statistics of the samples in an x range; all zero when there is none.
// Count, min, max and peak-to-peak are exact; mean and standard deviation come
// from the exact integer sums, rounded once at the end. The standard deviation
// is the population one: square root of the mean squared deviation from the
// mean (divided by count, not count - 1).
struct SeriesStats {
    int64_t count = 0;
    int32_t min = 0, max = 0;
    int64_t peakToPeak = 0;  // max - min
    double mean = 0;
    double stdDev = 0;
};

// The first x of pixel column `c` (0 <= c <= w) when [xFrom, xTo] is split into
// `w` columns: xFrom + floor(c * (xTo - xFrom + 1) / w), computed exactly for
// any int64 range. Column c holds the x in [ColumnStartX(c), ColumnStartX(c+1)),
// the last column ends at xTo; when w exceeds the width some columns are empty.
// ColumnStartX(xFrom, xTo, w, w) is xTo + 1, wrapping for xTo = INT64_MAX.
// Needs xFrom <= xTo and w >= 1.
int64_t ColumnStartX(int64_t xFrom, int64_t xTo, int w, int c);

class SeriesStore {
public:
    explicit SeriesStore(SeriesLayout layout = {});  // throws std::invalid_argument
    ~SeriesStore();
    SeriesStore(SeriesStore&&) noexcept;
    SeriesStore& operator=(SeriesStore&&) noexcept;

    // Appends a sample. A sample whose x is not above the last one's is
    // refused: false, and the store is left as it was. When memory runs out
    // std::bad_alloc is thrown and the store is left as it was, too.
    bool Append(int64_t x, int32_t value);

    // Forgets every sample and frees all memory the store holds.
    void Clear();

    int64_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // x of the first and last sample; 0 when empty.
    int64_t FirstX() const { return count_ ? runs_.front().x : 0; }
    int64_t LastX() const { return lastX_; }
    // Lowest and highest value of all samples; 0 when empty.
    int32_t MinValue() const { return min_; }
    int32_t MaxValue() const { return max_; }
    // Runs of consecutive x: 1 for a series without gaps, 0 when empty.
    std::size_t RunCount() const { return runs_.size(); }

    // Sample i, 0 <= i < Count(): x in O(log runs), value in O(1).
    int64_t XAt(int64_t i) const;
    int32_t ValueAt(int64_t i) const {
        const Chunk& c = chunks_[static_cast<std::size_t>(i >> layout_.chunkBits)];
        const auto o = static_cast<std::size_t>(i & chunkMask_);
        return c.wide ? c.wide[o] : static_cast<int32_t>(c.base + c.narrow[o]);
    }

    // Index of the first sample with x >= `x` (x > `x` for UpperIndex);
    // Count() when there is none. O(log runs).
    int64_t LowerIndex(int64_t x) const;
    int64_t UpperIndex(int64_t x) const;

    // Reads the samples with xFrom <= x <= xTo forward, one at a time.
    class Cursor {
    public:
        bool Done() const { return i_ >= end_; }
        int64_t Index() const { return i_; }
        int64_t X() const { return x_; }
        int32_t Value() const { return store_->ValueAt(i_); }
        void Next();

    private:
        friend class SeriesStore;
        const SeriesStore* store_ = nullptr;
        int64_t i_ = 0, end_ = 0, x_ = 0, runEnd_ = 0;
        std::size_t run_ = 0;
    };
    Cursor Read(int64_t xFrom, int64_t xTo) const;

    // Calls visit(x, value) for every sample with xFrom <= x <= xTo, in order.
    template <class Visit>
    void Samples(int64_t xFrom, int64_t xTo, Visit&& visit) const {
        for (Cursor c = Read(xFrom, xTo); !c.Done(); c.Next()) visit(c.X(), c.Value());
    }

    // The drawing summary of [xFrom, xTo] in `w` pixel columns split as
    // ColumnStartX says; empty when w < 1 or xFrom > xTo. Costs
    // O(w * (log runs + levels * 2^fanBits + 2^blockBits)), whatever the
    // length of the series or of the range.
    std::vector<SeriesColumn> Columns(int64_t xFrom, int64_t xTo, int w) const;
    // Columns c0 to c1 - 1 of the same split (0 <= c0 <= c1 <= w), so that a
    // reader on another thread can take the summary a few columns at a time.
    std::vector<SeriesColumn> Columns(int64_t xFrom, int64_t xTo, int w, int c0, int c1) const;

    // Statistics of the samples with xFrom <= x <= xTo, at the cost of one
    // column of Columns.
    SeriesStats Stats(int64_t xFrom, int64_t xTo) const;

    // Heap bytes the store holds: chunks, summaries, runs and the vectors
    // indexing them (0 for a new or cleared store).
    std::size_t BytesUsed() const;

private:
    struct Node {
        int32_t min, max;
        int64_t sum;
        UInt128 squares;
    };
    struct Chunk {
        std::unique_ptr<uint16_t[]> narrow;  // value - base, while the chunk is narrow
        std::unique_ptr<int32_t[]> wide;     // the values, once the chunk is widened
        int64_t base = 0;
        int32_t low = 0, high = 0;      // range of the values stored so far
        std::unique_ptr<Node[]> nodes;  // level-0 summaries of the chunk's blocks
    };
    // Stores value v at offset o of chunk c, moving its window or widening it
    // when v does not fit; may throw std::bad_alloc before changing anything.
    void StoreSlow(Chunk& c, std::size_t o, int32_t v);
    struct Run {
        int64_t x;
        int64_t index;
    };
    void AddChunk();
    void CloseBlock();
    std::size_t RunOf(int64_t i) const;
    int64_t RunEnd(std::size_t run) const {
        return run + 1 < runs_.size() ? runs_[run + 1].index : count_;
    }
    const Node& NodeAt(int level, int64_t k) const;
    int LevelCount() const { return 1 + static_cast<int>(upper_.size()); }
    template <class OnRaw, class OnNode>
    void Decompose(int64_t lo, int64_t hi, OnRaw&& raw, OnNode&& node) const;
    template <class F>
    void ForValues(int64_t lo, int64_t hi, F&& f) const;
    int64_t Descend(int level, int64_t k, int32_t target, bool lowest) const;

    SeriesLayout layout_;
    int64_t chunkMask_, blockMask_;
    int64_t count_ = 0;
    int64_t lastX_ = 0;
    int32_t min_ = 0, max_ = 0;
    std::vector<Chunk> chunks_;
    std::vector<std::vector<Node>> upper_;  // upper_[L - 1] holds level L
    std::vector<Run> runs_;
};

inline bool SeriesStore::Append(int64_t x, int32_t value) {
    if (count_ > 0 && x <= lastX_) return false;
    // Everything that may allocate comes first, so a failure changes nothing
    // visible (an extra empty chunk is simply used by the next sample).
    if (static_cast<std::size_t>(count_ >> layout_.chunkBits) == chunks_.size()) AddChunk();
    Chunk& chunk = chunks_[static_cast<std::size_t>(count_ >> layout_.chunkBits)];
    const auto o = static_cast<std::size_t>(count_ & chunkMask_);
    const int64_t offset = int64_t{value} - chunk.base;
    if (o != 0 && chunk.narrow && offset >= 0 && offset <= 0xFFFF) {
        chunk.narrow[o] = static_cast<uint16_t>(offset);
        chunk.low = std::min(chunk.low, value);
        chunk.high = std::max(chunk.high, value);
    } else {
        StoreSlow(chunk, o, value);
    }
    if (count_ == 0 || x != lastX_ + 1) runs_.push_back({x, count_});
    if (count_ == 0 || value < min_) min_ = value;
    if (count_ == 0 || value > max_) max_ = value;
    lastX_ = x;
    if ((++count_ & blockMask_) == 0) CloseBlock();
    return true;
}

}  // namespace talmir
