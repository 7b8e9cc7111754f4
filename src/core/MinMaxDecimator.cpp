#include "core/MinMaxDecimator.h"

#include <algorithm>

namespace talmir {

MinMaxDecimator::MinMaxDecimator(std::size_t maxBuckets)
    : maxBuckets_(std::max<std::size_t>(maxBuckets, 2)) {
    buckets_.reserve(maxBuckets_ + 1);
}

void MinMaxDecimator::Add(double x, double y) {
    const XYPoint p{x, y};
    const std::size_t index = added_++;
    if (buckets_.empty() || buckets_.back().count >= bucketSize_) {
        buckets_.push_back(Bucket{p, p, index, index, 1});
        if (buckets_.size() > maxBuckets_) Halve();
        return;
    }
    Bucket& b = buckets_.back();
    if (y < b.low.y) {
        b.low = p;
        b.lowIndex = index;
    }
    if (y > b.high.y) {
        b.high = p;
        b.highIndex = index;
    }
    ++b.count;
}

void MinMaxDecimator::Clear() {
    buckets_.clear();
    bucketSize_ = 1;
    added_ = 0;
}

MinMaxDecimator::Bucket MinMaxDecimator::Merge(const Bucket& a, const Bucket& b) {
    Bucket m = a;
    if (b.low.y < m.low.y) {
        m.low = b.low;
        m.lowIndex = b.lowIndex;
    }
    if (b.high.y > m.high.y) {
        m.high = b.high;
        m.highIndex = b.highIndex;
    }
    m.count = a.count + b.count;
    return m;
}

// Merges neighbouring buckets pairwise; an odd last bucket stays as it is.
void MinMaxDecimator::Halve() {
    std::size_t out = 0;
    for (std::size_t i = 0; i < buckets_.size(); i += 2) {
        buckets_[out++] =
            i + 1 < buckets_.size() ? Merge(buckets_[i], buckets_[i + 1]) : buckets_[i];
    }
    buckets_.resize(out);
    bucketSize_ *= 2;
}

std::vector<XYPoint> MinMaxDecimator::Points() const {
    std::vector<XYPoint> points;
    points.reserve(buckets_.size() * 2);
    for (const Bucket& b : buckets_) {
        if (b.lowIndex == b.highIndex) {
            points.push_back(b.low);
        } else if (b.lowIndex < b.highIndex) {
            points.push_back(b.low);
            points.push_back(b.high);
        } else {
            points.push_back(b.high);
            points.push_back(b.low);
        }
    }
    return points;
}

}  // namespace talmir
