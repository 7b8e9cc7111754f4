// The visible part of a line chart: the x and y ranges and how they follow
// the data. In follow mode the newest sample sits at the right edge and the
// window is either the whole record or the last `FollowWidth()` samples;
// the y range fits the samples in view. Zooming or panning by the user leaves
// follow mode for that axis; Follow() returns to it. Widget-free, so the
// interaction's arithmetic is tested without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace talmir {

struct AxisRange {
    double lo = 0;
    double hi = 1;
    double Size() const { return hi - lo; }
};

class ChartViewport {
public:
    // Lowest and highest sample value with x in [from, to], none when no
    // sample lies there.
    using ValueSpan = std::function<std::optional<AxisRange>(double from, double to)>;

    // Follows the data on both axes again (the double click).
    void Follow();
    bool FollowingX() const { return followX_; }
    bool FollowingY() const { return followY_; }
    // Samples in the follow window; 0 is the whole record.
    void SetFollowWidth(std::int64_t samples) { followWidth_ = samples < 0 ? 0 : samples; }
    std::int64_t FollowWidth() const { return followWidth_; }

    // Scales the x (or y) range by `factor` (< 1 zooms in) keeping `anchor`
    // where it is on screen.
    void ZoomX(double factor, double anchor);
    void ZoomY(double factor, double anchor);
    // Moves the view by these amounts in axis units.
    void Pan(double dx, double dy);
    // Shows this x range; y keeps following when it did.
    void ShowX(AxisRange x);
    // Shows exactly these ranges (the rubber band).
    void ZoomTo(AxisRange x, AxisRange y);

    // Recomputes the following axes from the data: x spans [firstX, lastX]
    // or its last samples, y the values in view with a margin. Axes the user
    // moved stay as they are.
    void Update(std::optional<AxisRange> dataX, const ValueSpan& valuesIn);

    AxisRange X() const { return x_; }
    AxisRange Y() const { return y_; }

private:
    AxisRange x_, y_;
    bool followX_ = true;
    bool followY_ = true;
    std::int64_t followWidth_ = 0;
};

}  // namespace talmir
