#include "core/ChartViewport.h"

#include <algorithm>

namespace talmir {

namespace {

// The smallest span an axis may be zoomed to, so zooming never collapses a
// range into a point.
constexpr double kMinSpan = 1e-6;

AxisRange Scaled(AxisRange r, double factor, double anchor) {
    const double lo = anchor - (anchor - r.lo) * factor;
    const double hi = anchor + (r.hi - anchor) * factor;
    if (hi - lo < kMinSpan) return r;
    return {lo, hi};
}

}  // namespace

void ChartViewport::Follow() {
    followX_ = true;
    followY_ = true;
}

void ChartViewport::ZoomX(double factor, double anchor) {
    followX_ = false;
    x_ = Scaled(x_, factor, anchor);
}

void ChartViewport::ZoomY(double factor, double anchor) {
    followY_ = false;
    y_ = Scaled(y_, factor, anchor);
}

void ChartViewport::Pan(double dx, double dy) {
    if (dx != 0) {
        followX_ = false;
        x_ = {x_.lo + dx, x_.hi + dx};
    }
    if (dy != 0) {
        followY_ = false;
        y_ = {y_.lo + dy, y_.hi + dy};
    }
}

void ChartViewport::ShowX(AxisRange x) {
    if (x.Size() < kMinSpan) return;
    followX_ = false;
    x_ = x;
}

void ChartViewport::ZoomTo(AxisRange x, AxisRange y) {
    if (x.Size() < kMinSpan || y.Size() < kMinSpan) return;
    followX_ = false;
    followY_ = false;
    x_ = x;
    y_ = y;
}

void ChartViewport::Update(std::optional<AxisRange> dataX, const ValueSpan& valuesIn) {
    if (!dataX) return;
    if (followX_) {
        const double first = followWidth_ > 0
                                 ? std::max(dataX->lo, dataX->hi - double(followWidth_ - 1))
                                 : dataX->lo;
        x_ = {first, std::max(dataX->hi, first + 1)};
    }
    if (followY_) {
        if (const auto span = valuesIn(x_.lo, x_.hi)) {
            const double pad = std::max(1.0, span->Size() * 0.05);
            y_ = {span->lo - pad, span->hi + pad};
        }
    }
}

}  // namespace talmir
