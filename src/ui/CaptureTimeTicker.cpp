#include "ui/CaptureTimeTicker.h"

#include <algorithm>
#include <cmath>

namespace talmir {

CaptureTimeTicker::CaptureTimeTicker(std::shared_ptr<const ReviewRecord> record)
    : record_(std::move(record)) {
    const auto step = record_->NominalStepUs(0, record_->Count() - 1);
    if (step > 0) stepUs_ = static_cast<double>(step);
}

double CaptureTimeTicker::SecondsAt(double x) const {
    const std::int64_t last = record_->Count() - 1;
    double us = 0;
    if (last < 0) {
        us = x * stepUs_;
    } else if (x <= 0) {
        us = Us(0) + x * stepUs_;
    } else if (x >= static_cast<double>(last)) {
        us = Us(last) + (x - static_cast<double>(last)) * stepUs_;
    } else {
        const auto i = static_cast<std::int64_t>(std::floor(x));
        us = Us(i) + (x - static_cast<double>(i)) * (Us(i + 1) - Us(i));
    }
    return us / 1e6;
}

double CaptureTimeTicker::XAtSeconds(double seconds) const {
    const double us = seconds * 1e6;
    const std::int64_t last = record_->Count() - 1;
    if (last < 0) return us / stepUs_;
    if (us <= Us(0)) return (us - Us(0)) / stepUs_;
    if (us >= Us(last)) return static_cast<double>(last) + (us - Us(last)) / stepUs_;
    // The first sample at or after the time; the one before is earlier.
    const std::int64_t i = std::clamp<std::int64_t>(
        record_->IndexAtTime(static_cast<std::int64_t>(std::ceil(us))), 1, last);
    return static_cast<double>(i - 1) + (us - Us(i - 1)) / (Us(i) - Us(i - 1));
}

void CaptureTimeTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar,
                                 int precision, QVector<double>& ticks, QVector<double>* subTicks,
                                 QVector<QString>* tickLabels) {
    // Round seconds over the range as seconds, then each put on its x.
    const QCPRange seconds(SecondsAt(range.lower), SecondsAt(range.upper));
    QCPAxisTicker::generate(seconds, locale, formatChar, precision, ticks, subTicks, tickLabels);
    for (double& t : ticks) t = XAtSeconds(t);
    if (subTicks != nullptr)
        for (double& t : *subTicks) t = XAtSeconds(t);
}

}  // namespace talmir
