// The point series of the charting component: square markers, points in
// arrival order whatever their x. Appending is O(1), and a redraw costs only
// the points that arrived since the last one: markers are stamped into a
// cached raster of the plotting area, which is rebuilt only when the view
// (area, axis ranges, colour) changes.
#pragma once

#include <memory>

#include "ui/ChartView.h"

namespace talmir {

std::unique_ptr<TChartSeries> MakePointSeries(TChart* chart, const QString& title,
                                              const QColor& color);

}  // namespace talmir
