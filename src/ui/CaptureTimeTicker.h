// The x axis of a capture under review in seconds. The chart's x stays the
// sample number (every chart counts in samples); the ticker places its ticks
// at round seconds of the capture's own times, on the sample numbers those
// times fall on, so a capture with a lost sample or an uneven clock still
// shows each second where it was.
#pragma once

#include <memory>

#include "core/ReviewRecord.h"
#include "qcustomplot.h"

namespace talmir {

class CaptureTimeTicker : public QCPAxisTicker {
public:
    // `record` has times (ReviewRecord::HasTimes) and does not change.
    explicit CaptureTimeTicker(std::shared_ptr<const ReviewRecord> record);

    // The time in seconds at chart x (a sample number; between two samples
    // the time in proportion, beyond the ends the usual step on), and back.
    double SecondsAt(double x) const;
    double XAtSeconds(double seconds) const;

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks,
                  QVector<QString>* tickLabels) override;

private:
    double Us(std::int64_t i) const { return static_cast<double>(record_->TimeUs(i)); }

    std::shared_ptr<const ReviewRecord> record_;
    double stepUs_ = 1;  // the usual step, beyond the ends
};

}  // namespace talmir
