#pragma once
// A record opened for review: one chart series store per column of its
// layout, every sample at x = its sample number (0, 1, 2, ...), a capture's
// times beside them, and the lines that were not taken. A data file's reader
// fills it line by line; a capture in memory can fill it the same way, sample
// by sample, so the review window shows either.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ReviewFormat.h"
#include "core/SeriesStore.h"

namespace talmir {

struct ReviewSeries {
    std::string title;
    bool shown = true;  // shown when the record opens
    SeriesStore store;
};

struct ReviewBadLine {
    int64_t number = 0;  // 1-based line number in the file
    std::string reason;
};

class ReviewRecord {
public:
    explicit ReviewRecord(ReviewFormat format);

    ReviewFormat Format() const { return format_; }
    std::vector<ReviewSeries>& Series() { return series_; }
    const std::vector<ReviewSeries>& Series() const { return series_; }
    // Samples so far; each series holds one per sample.
    int64_t Count() const { return count_; }

    // Appends a sample at x = Count(): its value for every series and, in a
    // capture, its time, which must be after the last sample's by at most
    // 2^31 - 1 us. False, with nothing changed, when the time is not.
    bool Append(const ReviewLine& line);

    // Mode 2: the decodings (Mode2Decoding bits) every sample agrees with.
    uint8_t Mode2Decodings() const { return decodings_; }
    void SetMode2Decodings(uint8_t decodings) { decodings_ = decodings; }

    // A capture's times: sample i's in microseconds (O(log n)), and the first
    // sample whose time is at least `us` (Count() when none).
    bool HasTimes() const { return format_.capture; }
    int64_t TimeUs(int64_t i) const;
    // Sample i's time less sample i - 1's (0 for the first), O(1).
    int64_t StepUs(int64_t i) const { return steps_.ValueAt(i); }
    int64_t IndexAtTime(int64_t us) const;
    // The usual step between the samples with index from to to: the median of
    // up to 65536 steps spread evenly over them; 0 when there is none.
    int64_t NominalStepUs(int64_t from, int64_t to) const;

    // Lines that were not taken: how many, and the first kKeptBadLines.
    static constexpr std::size_t kKeptBadLines = 10;
    void AddBadLine(int64_t number, std::string reason);
    int64_t BadLineCount() const { return badLineCount_; }
    const std::vector<ReviewBadLine>& FirstBadLines() const { return badLines_; }

    // Heap bytes the series and times hold.
    std::size_t BytesUsed() const;

private:
    ReviewFormat format_;
    std::vector<ReviewSeries> series_;
    int64_t count_ = 0;
    uint8_t decodings_ = kChartMode2 | kExportMode2;
    int64_t firstTime_ = 0, lastTime_ = 0;
    // Each sample's time less the one before (0 for the first): a step of a
    // capture is small and regular, so it mostly takes 2 bytes.
    SeriesStore steps_;
    int64_t badLineCount_ = 0;
    std::vector<ReviewBadLine> badLines_;
};

}  // namespace talmir
