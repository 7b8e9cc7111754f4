#include "core/CaptureReview.h"

namespace talmir {

std::optional<ReviewRecord> ReviewRecordOfCapture(int mode,
                                                  std::span<const CapturedSample> samples) {
    const std::optional<ReviewFormat> format = RecognizeHeader(CaptureHeader(mode));
    if (!format || !format->capture) return std::nullopt;
    ReviewRecord record(*format);
    std::int64_t number = 1;
    for (const CapturedSample& sample : samples) {
        ++number;
        ReviewLine line;
        if (!ParseReviewLine(*format, CaptureLine(mode, sample), line, kChartMode2) ||
            !record.Append(line))
            record.AddBadLine(number, LineFaultText(*format, line));
    }
    return record;
}

}  // namespace talmir
