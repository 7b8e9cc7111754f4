// A bounded summary of a line series for drawing: consecutive points are
// grouped into buckets, and each bucket keeps its lowest and highest point.
// Drawing the summary instead of every point looks the same on screen (a
// bucket spans less than a pixel) and costs O(buckets), whatever the length
// of the series. Adding a point is amortised O(1): when the buckets run out,
// neighbouring buckets merge pairwise and the bucket size doubles.
#pragma once

#include <cstddef>
#include <vector>

namespace talmir {

struct XYPoint {
    double x = 0;
    double y = 0;
};

class MinMaxDecimator {
public:
    explicit MinMaxDecimator(std::size_t maxBuckets = 4096);

    void Add(double x, double y);
    void Clear();

    // Points per full bucket: 1 while the series fits, so short series are
    // drawn exactly.
    std::size_t BucketSize() const { return bucketSize_; }
    std::size_t BucketCount() const { return buckets_.size(); }

    // The summary in arrival order: per bucket its lowest and highest point,
    // in the order they arrived (one point when they are the same).
    std::vector<XYPoint> Points() const;

private:
    struct Bucket {
        XYPoint low, high;
        std::size_t lowIndex = 0, highIndex = 0;  // arrival order inside the series
        std::size_t count = 0;
    };
    static Bucket Merge(const Bucket& a, const Bucket& b);
    void Halve();

    std::size_t maxBuckets_;
    std::size_t bucketSize_ = 1;
    std::size_t added_ = 0;
    std::vector<Bucket> buckets_;
};

}  // namespace talmir
