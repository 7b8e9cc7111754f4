#include "core/ReviewRecord.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace talmir {

ReviewRecord::ReviewRecord(ReviewFormat format) : format_(format) {
    for (const ReviewColumn& c : ReviewColumns(format.layout))
        series_.push_back({c.title, c.shown, SeriesStore()});
}

bool ReviewRecord::Append(const ReviewLine& line) {
    if (format_.capture) {
        if (count_ > 0 && (line.timeUs <= lastTime_ || line.timeUs - lastTime_ > INT32_MAX))
            return false;
        steps_.Append(count_, count_ == 0 ? 0 : static_cast<int32_t>(line.timeUs - lastTime_));
        if (count_ == 0) firstTime_ = line.timeUs;
        lastTime_ = line.timeUs;
    }
    for (std::size_t k = 0; k < series_.size(); ++k)
        series_[k].store.Append(count_, line.values[k]);
    ++count_;
    return true;
}

int64_t ReviewRecord::TimeUs(int64_t i) const {
    if (!format_.capture || i <= 0) return firstTime_;
    // The sum of the steps, exact in the store; mean times count gives it back
    // to well under a microsecond for any record a day long.
    const SeriesStats st = steps_.Stats(1, std::min(i, count_ - 1));
    return firstTime_ + std::llround(st.mean * static_cast<double>(st.count));
}

int64_t ReviewRecord::IndexAtTime(int64_t us) const {
    int64_t lo = 0, hi = count_;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (TimeUs(mid) < us) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int64_t ReviewRecord::NominalStepUs(int64_t from, int64_t to) const {
    from = std::max<int64_t>(from, 0) + 1;
    to = std::min(to, count_ - 1);
    if (!format_.capture || from > to) return 0;
    constexpr int64_t kMostSteps = 65536;
    const int64_t n = std::min(to - from + 1, kMostSteps);
    std::vector<int32_t> steps(static_cast<std::size_t>(n));
    for (int64_t k = 0; k < n; ++k) {
        const int64_t i = n == 1 ? from : from + (to - from) * k / (n - 1);
        steps[static_cast<std::size_t>(k)] = steps_.ValueAt(i);
    }
    auto middle = steps.begin() + n / 2;
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

void ReviewRecord::AddBadLine(int64_t number, std::string reason) {
    ++badLineCount_;
    if (badLines_.size() < kKeptBadLines) badLines_.push_back({number, std::move(reason)});
}

std::size_t ReviewRecord::BytesUsed() const {
    std::size_t bytes = steps_.BytesUsed();
    for (const ReviewSeries& s : series_) bytes += s.store.BytesUsed();
    return bytes;
}

}  // namespace talmir
