#include "core/CaptureReview.h"

namespace talmir {

std::optional<ReviewRecord> ReviewRecordOfCapture(int mode, std::span<const CapturedSample> samples,
                                                  std::atomic<int64_t>* done,
                                                  const std::atomic<bool>* cancel) {
    const std::optional<ReviewFormat> format = RecognizeHeader(CaptureHeader(mode));
    if (!format || !format->capture) return std::nullopt;
    ReviewRecord record(*format);
    // A capture's mode 2 lines are the chart page's, as its file reads back.
    if (format->layout == ReviewLayout::Mode2) record.SetMode2Decodings(kChartMode2);
    std::int64_t number = 1;
    for (const CapturedSample& sample : samples) {
        if ((number & 0xFFFF) == 0) {
            if (done != nullptr) *done = number - 1;
            if (cancel != nullptr && *cancel) return std::nullopt;
        }
        ++number;
        ReviewLine line;
        if (!ParseReviewLine(*format, CaptureLine(mode, sample), line, kChartMode2) ||
            !record.Append(line))
            record.AddBadLine(number, LineFaultText(*format, line));
    }
    return record;
}

}  // namespace talmir
