#include "core/SeriesStore.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace talmir {

namespace {

// Lowest, highest, sum and sum of squares of some samples.
struct Totals {
    int64_t count = 0;
    int32_t min = 0, max = 0;
    int64_t sum = 0;
    UInt128 squares;

    // n below 2^32 (a stretch never spans more than a chunk).
    void AddValues(const int32_t* v, int64_t n) {
        if (n <= 0) return;
        int32_t lo = count ? min : v[0], hi = count ? max : v[0];
        int64_t s = 0;
        // A square is below 2^62; its upper and lower 32 bits are summed
        // apart, which cannot overflow for n < 2^32 and needs no carries.
        uint64_t upper = 0, lower = 0;
        for (int64_t i = 0; i < n; ++i) {
            const int64_t value = v[i];
            const auto square = static_cast<uint64_t>(value * value);
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
            s += value;
            upper += square >> 32;
            lower += square & 0xFFFFFFFFu;
        }
        min = lo;
        max = hi;
        sum += s;
        squares.Add(UInt128{upper << 32, upper >> 32});
        squares.Add(lower);
        count += n;
    }

    template <class Node>
    void AddNode(const Node& node, int64_t n) {
        min = count ? std::min(min, node.min) : node.min;
        max = count ? std::max(max, node.max) : node.max;
        sum += node.sum;
        squares.Add(node.squares);
        count += n;
    }
};

// The candidate for a column's lowest or highest sample: either one sample
// (level -1, `start` its index) or a whole block whose summary holds the
// value, to be searched only if it wins. On equal values the earlier piece
// wins; pieces never overlap, so comparing their starts orders them.
struct Extreme {
    bool set = false;
    int32_t value = 0;
    int64_t start = 0;
    int level = -1;
    int64_t k = 0;

    void Offer(bool lowest, int32_t v, int64_t pieceStart, int pieceLevel, int64_t pieceK) {
        const bool better =
            !set || (lowest ? v < value : v > value) || (v == value && pieceStart < start);
        if (!better) return;
        set = true;
        value = v;
        start = pieceStart;
        level = pieceLevel;
        k = pieceK;
    }
};

}  // namespace

UInt128 UInt128::Multiply(uint64_t a, uint64_t b) {
    const uint64_t mask = 0xFFFFFFFFu;
    const uint64_t ll = (a & mask) * (b & mask), lh = (a & mask) * (b >> 32);
    const uint64_t hl = (a >> 32) * (b & mask), hh = (a >> 32) * (b >> 32);
    const uint64_t middle = (ll >> 32) + (lh & mask) + (hl & mask);  // below 3 * 2^32
    UInt128 product;
    product.lo = (middle << 32) | (ll & mask);
    product.hi = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
    return product;
}

double UInt128::ToDouble() const {
    return static_cast<double>(hi) * 18446744073709551616.0 + static_cast<double>(lo);
}

int64_t ColumnStartX(int64_t xFrom, int64_t xTo, int w, int c) {
    if (w < 1) return xFrom;
    // With span = xTo - xFrom + 1 = q * w + r + 1, floor(c * span / w) is
    // c * q + floor(c * (r + 1) / w): no term overflows, even for the whole
    // int64 range.
    const uint64_t diff = static_cast<uint64_t>(xTo) - static_cast<uint64_t>(xFrom);
    const uint64_t width = static_cast<uint64_t>(w), col = static_cast<uint64_t>(c);
    const uint64_t q = diff / width, r = diff % width;
    return static_cast<int64_t>(static_cast<uint64_t>(xFrom) + col * q + col * (r + 1) / width);
}

SeriesStore::SeriesStore(SeriesLayout layout) : layout_(layout) {
    if (layout.blockBits < 0 || layout.chunkBits < layout.blockBits || layout.chunkBits > 30 ||
        layout.fanBits < 1 || layout.fanBits > 16)
        throw std::invalid_argument("SeriesStore: unusable chunk or block sizes");
    chunkMask_ = (int64_t{1} << layout.chunkBits) - 1;
    blockMask_ = (int64_t{1} << layout.blockBits) - 1;
}

SeriesStore::~SeriesStore() = default;
SeriesStore::SeriesStore(SeriesStore&&) noexcept = default;
SeriesStore& SeriesStore::operator=(SeriesStore&&) noexcept = default;

void SeriesStore::AddChunk() {
    const std::size_t values = std::size_t{1} << layout_.chunkBits;
    Chunk chunk;
    chunk.narrow = std::make_unique_for_overwrite<uint16_t[]>(values);
    chunk.nodes = std::make_unique_for_overwrite<Node[]>(values >> layout_.blockBits);
    // Room for the summaries of every block the new chunk will complete, so
    // that closing a block never allocates (and never fails).
    const int64_t capacity = static_cast<int64_t>(chunks_.size() + 1) << layout_.chunkBits;
    for (int level = 1;; ++level) {
        const int shift = layout_.blockBits + level * layout_.fanBits;
        if (shift >= 63 || (capacity >> shift) == 0) break;
        const auto needed = static_cast<std::size_t>(capacity >> shift);
        if (upper_.size() < static_cast<std::size_t>(level)) upper_.emplace_back();
        std::vector<Node>& nodes = upper_[static_cast<std::size_t>(level - 1)];
        if (nodes.capacity() < needed)
            nodes.reserve(std::max(needed, nodes.capacity() + nodes.capacity() / 2));
    }
    chunks_.push_back(std::move(chunk));
}

void SeriesStore::StoreSlow(Chunk& c, std::size_t o, int32_t v) {
    if (c.wide) {
        c.wide[o] = v;
    } else if (o == 0) {
        // A new chunk: its window centred on its first value.
        c.base = int64_t{v} - 0x8000;
        c.low = c.high = v;
        c.narrow[0] = 0x8000;
        return;
    } else if (int64_t{std::max(c.high, v)} - std::min(c.low, v) <= 0xFFFF) {
        // The values still fit one window: centre it on their range again and
        // re-encode the ones stored. Each move grows the range, so a chunk
        // moves only a few times.
        const int64_t low = std::min(c.low, v), high = std::max(c.high, v);
        const int64_t base = low - (0xFFFF - (high - low)) / 2;
        for (std::size_t i = 0; i < o; ++i)
            c.narrow[i] = static_cast<uint16_t>(c.base + c.narrow[i] - base);
        c.base = base;
        c.narrow[o] = static_cast<uint16_t>(int64_t{v} - base);
    } else {
        auto wide = std::make_unique_for_overwrite<int32_t[]>(std::size_t{1} << layout_.chunkBits);
        for (std::size_t i = 0; i < o; ++i) wide[i] = static_cast<int32_t>(c.base + c.narrow[i]);
        wide[o] = v;
        c.wide = std::move(wide);
        c.narrow.reset();
    }
    c.low = std::min(c.low, v);
    c.high = std::max(c.high, v);
}

void SeriesStore::CloseBlock() {
    int64_t k = (count_ >> layout_.blockBits) - 1;  // the block just completed
    Totals block;
    ForValues(k << layout_.blockBits, count_,
              [&](const int32_t* v, int64_t n, int64_t) { block.AddValues(v, n); });
    const int perChunkBits = layout_.chunkBits - layout_.blockBits;
    chunks_[static_cast<std::size_t>(k >> perChunkBits)]
        .nodes[static_cast<std::size_t>(k & ((int64_t{1} << perChunkBits) - 1))] =
        Node{block.min, block.max, block.sum, block.squares};
    // The last of a group of sibling blocks completes their parent, which may
    // in turn complete its own.
    const int64_t fanMask = (int64_t{1} << layout_.fanBits) - 1;
    for (int level = 0; (k & fanMask) == fanMask; ++level) {
        const int64_t first = k - fanMask;
        Node parent = NodeAt(level, first);
        for (int64_t i = 1; i <= fanMask; ++i) {
            const Node& child = NodeAt(level, first + i);
            parent.min = std::min(parent.min, child.min);
            parent.max = std::max(parent.max, child.max);
            parent.sum += child.sum;
            parent.squares.Add(child.squares);
        }
        upper_[static_cast<std::size_t>(level)].push_back(parent);  // index k >> fanBits
        k >>= layout_.fanBits;
    }
}

void SeriesStore::Clear() {
    // Assigning fresh vectors frees the old storage, not just empties it.
    chunks_ = std::vector<Chunk>();
    upper_ = std::vector<std::vector<Node>>();
    runs_ = std::vector<Run>();
    count_ = 0;
    lastX_ = 0;
    min_ = max_ = 0;
}

std::size_t SeriesStore::BytesUsed() const {
    const std::size_t values = std::size_t{1} << layout_.chunkBits;
    std::size_t bytes = chunks_.capacity() * sizeof(Chunk) +
                        chunks_.size() * (values >> layout_.blockBits) * sizeof(Node) +
                        upper_.capacity() * sizeof(std::vector<Node>) +
                        runs_.capacity() * sizeof(Run);
    for (const std::vector<Node>& level : upper_) bytes += level.capacity() * sizeof(Node);
    for (const Chunk& c : chunks_) bytes += values * (c.wide ? sizeof(int32_t) : sizeof(uint16_t));
    return bytes;
}

std::size_t SeriesStore::RunOf(int64_t i) const {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), i,
                                        [](int64_t v, const Run& r) { return v < r.index; });
    return static_cast<std::size_t>(after - runs_.begin()) - 1;
}

int64_t SeriesStore::XAt(int64_t i) const {
    const Run& run = runs_[RunOf(i)];
    return run.x + (i - run.index);
}

int64_t SeriesStore::LowerIndex(int64_t x) const {
    if (count_ == 0 || x <= runs_.front().x) return 0;
    if (x > lastX_) return count_;
    // The last run starting at or before x: x is inside it or in the gap after it.
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), x,
                                        [](int64_t v, const Run& r) { return v < r.x; });
    const std::size_t run = static_cast<std::size_t>(after - runs_.begin()) - 1;
    const uint64_t offset = static_cast<uint64_t>(x) - static_cast<uint64_t>(runs_[run].x);
    const int64_t end = RunEnd(run);
    return offset < static_cast<uint64_t>(end - runs_[run].index)
               ? runs_[run].index + static_cast<int64_t>(offset)
               : end;
}

int64_t SeriesStore::UpperIndex(int64_t x) const {
    if (count_ == 0 || x >= lastX_) return count_;
    return LowerIndex(x + 1);
}

SeriesStore::Cursor SeriesStore::Read(int64_t xFrom, int64_t xTo) const {
    Cursor c;
    c.store_ = this;
    if (xFrom > xTo) return c;
    c.i_ = LowerIndex(xFrom);
    c.end_ = UpperIndex(xTo);
    if (c.i_ < c.end_) {
        c.run_ = RunOf(c.i_);
        c.x_ = runs_[c.run_].x + (c.i_ - runs_[c.run_].index);
        c.runEnd_ = RunEnd(c.run_);
    }
    return c;
}

void SeriesStore::Cursor::Next() {
    if (++i_ == runEnd_ && i_ < end_) {
        ++run_;
        x_ = store_->runs_[run_].x;
        runEnd_ = store_->RunEnd(run_);
    } else {
        ++x_;
    }
}

const SeriesStore::Node& SeriesStore::NodeAt(int level, int64_t k) const {
    if (level == 0) {
        const int perChunkBits = layout_.chunkBits - layout_.blockBits;
        return chunks_[static_cast<std::size_t>(k >> perChunkBits)]
            .nodes[static_cast<std::size_t>(k & ((int64_t{1} << perChunkBits) - 1))];
    }
    return upper_[static_cast<std::size_t>(level - 1)][static_cast<std::size_t>(k)];
}

// Calls f(values, n, index of values[0]) for the stretch of samples [lo, hi),
// one call per chunk it touches.
template <class F>
void SeriesStore::ForValues(int64_t lo, int64_t hi, F&& f) const {
    while (lo < hi) {
        const int64_t chunk = lo >> layout_.chunkBits;
        const int64_t end = std::min(hi, (chunk + 1) << layout_.chunkBits);
        const Chunk& c = chunks_[static_cast<std::size_t>(chunk)];
        if (c.wide) {
            f(c.wide.get() + (lo & chunkMask_), end - lo, lo);
            lo = end;
            continue;
        }
        // Narrow values go out decoded, a stretch at a time.
        int32_t decoded[256];
        while (lo < end) {
            const int64_t n = std::min<int64_t>(end - lo, 256);
            const uint16_t* from = c.narrow.get() + (lo & chunkMask_);
            for (int64_t i = 0; i < n; ++i) decoded[i] = static_cast<int32_t>(c.base + from[i]);
            f(static_cast<const int32_t*>(decoded), n, lo);
            lo += n;
        }
    }
}

// Splits the samples [lo, hi) into as few pieces as the pyramid allows:
// raw(a, b) for samples outside whole level-0 blocks (fewer than a block at
// each end), node(level, k) for whole blocks, taking the highest level whose
// blocks fit. Only complete blocks are ever used, as hi <= count_.
template <class OnRaw, class OnNode>
void SeriesStore::Decompose(int64_t lo, int64_t hi, OnRaw&& raw, OnNode&& node) const {
    if (lo >= hi) return;
    int64_t a = (lo + blockMask_) >> layout_.blockBits;  // first whole block
    int64_t b = hi >> layout_.blockBits;                 // end of the whole blocks
    if (a >= b) {
        raw(lo, hi);
        return;
    }
    if (lo < (a << layout_.blockBits)) raw(lo, a << layout_.blockBits);
    if ((b << layout_.blockBits) < hi) raw(b << layout_.blockBits, hi);
    const int64_t fanMask = (int64_t{1} << layout_.fanBits) - 1;
    for (int level = 0;; ++level) {
        const int64_t pa = (a + fanMask) >> layout_.fanBits, pb = b >> layout_.fanBits;
        if (pa >= pb || level + 1 >= LevelCount()) {
            for (int64_t k = a; k < b; ++k) node(level, k);
            return;
        }
        for (int64_t k = a; k < (pa << layout_.fanBits); ++k) node(level, k);
        for (int64_t k = pb << layout_.fanBits; k < b; ++k) node(level, k);
        a = pa;
        b = pb;
    }
}

// Index of the earliest sample equal to `target` inside block k of `level`,
// whose summary has `target` as its lowest (or highest) value.
int64_t SeriesStore::Descend(int level, int64_t k, int32_t target, bool lowest) const {
    for (; level > 0; --level) {
        int64_t child = k << layout_.fanBits;
        while ((lowest ? NodeAt(level - 1, child).min : NodeAt(level - 1, child).max) != target)
            ++child;
        k = child;
    }
    const int64_t start = k << layout_.blockBits;
    int64_t i = start;
    while (ValueAt(i) != target) ++i;
    return i;
}

std::vector<SeriesColumn> SeriesStore::Columns(int64_t xFrom, int64_t xTo, int w) const {
    return Columns(xFrom, xTo, w, 0, std::max(w, 0));
}

std::vector<SeriesColumn> SeriesStore::Columns(int64_t xFrom, int64_t xTo, int w, int c0,
                                               int c1) const {
    std::vector<SeriesColumn> columns;
    if (w < 1 || xFrom > xTo) return columns;
    c0 = std::clamp(c0, 0, w);
    c1 = std::clamp(c1, c0, w);
    columns.resize(static_cast<std::size_t>(c1 - c0));
    if (count_ == 0 || xTo < FirstX() || xFrom > lastX_) return columns;
    const int shift0 = layout_.blockBits;
    int64_t lo = LowerIndex(ColumnStartX(xFrom, xTo, w, c0));
    for (int c = c0; c < c1; ++c) {
        const int64_t hi =
            c + 1 < w ? LowerIndex(ColumnStartX(xFrom, xTo, w, c + 1)) : UpperIndex(xTo);
        if (hi > lo) {
            SeriesColumn& col = columns[static_cast<std::size_t>(c - c0)];
            col.count = hi - lo;
            col.first = ValueAt(lo);
            col.firstX = XAt(lo);
            col.last = ValueAt(hi - 1);
            col.lastX = XAt(hi - 1);
            Extreme low, high;
            Decompose(
                lo, hi,
                [&](int64_t a, int64_t b) {
                    ForValues(a, b, [&](const int32_t* v, int64_t n, int64_t start) {
                        int64_t iLow = 0, iHigh = 0;
                        for (int64_t i = 1; i < n; ++i) {
                            if (v[i] < v[iLow]) iLow = i;
                            if (v[i] > v[iHigh]) iHigh = i;
                        }
                        low.Offer(true, v[iLow], start + iLow, -1, 0);
                        high.Offer(false, v[iHigh], start + iHigh, -1, 0);
                    });
                },
                [&](int level, int64_t k) {
                    const Node& node = NodeAt(level, k);
                    const int64_t start = k << (shift0 + level * layout_.fanBits);
                    low.Offer(true, node.min, start, level, k);
                    high.Offer(false, node.max, start, level, k);
                });
            const int64_t iLow =
                low.level < 0 ? low.start : Descend(low.level, low.k, low.value, true);
            const int64_t iHigh =
                high.level < 0 ? high.start : Descend(high.level, high.k, high.value, false);
            col.low = low.value;
            col.lowX = XAt(iLow);
            col.high = high.value;
            col.highX = XAt(iHigh);
        }
        lo = hi;
    }
    return columns;
}

SeriesStats SeriesStore::Stats(int64_t xFrom, int64_t xTo) const {
    SeriesStats stats;
    if (xFrom > xTo) return stats;
    Totals t;
    Decompose(
        LowerIndex(xFrom), UpperIndex(xTo),
        [&](int64_t a, int64_t b) {
            ForValues(a, b, [&](const int32_t* v, int64_t n, int64_t) { t.AddValues(v, n); });
        },
        [&](int level, int64_t k) {
            t.AddNode(NodeAt(level, k),
                      int64_t{1} << (layout_.blockBits + level * layout_.fanBits));
        });
    if (t.count == 0) return stats;
    const int64_t n = t.count;
    stats.count = n;
    stats.min = t.min;
    stats.max = t.max;
    stats.peakToPeak = int64_t{t.max} - t.min;
    // sum = q * n + r with 0 <= r < n, so the mean is q + r / n. The squared
    // deviations from the integer q, S = squares - n q^2 - 2 q r, are an exact
    // integer below n * 2^64, and the variance is S / n - (r / n)^2: no
    // cancellation of large sums, whatever the values' offset.
    int64_t q = t.sum / n;
    if (t.sum % n != 0 && t.sum < 0) --q;
    const int64_t r = t.sum - q * n;
    const double fraction = static_cast<double>(r) / static_cast<double>(n);
    stats.mean = static_cast<double>(q) + fraction;
    UInt128 s = t.squares;
    s.Subtract(UInt128::Multiply(static_cast<uint64_t>(n), static_cast<uint64_t>(q * q)));
    const UInt128 cross =
        UInt128::Multiply(static_cast<uint64_t>(q < 0 ? -2 * q : 2 * q), static_cast<uint64_t>(r));
    if (q < 0)
        s.Add(cross);
    else
        s.Subtract(cross);
    const double variance = s.ToDouble() / static_cast<double>(n) - fraction * fraction;
    stats.stdDev = variance > 0 ? std::sqrt(variance) : 0;
    return stats;
}

}  // namespace talmir
