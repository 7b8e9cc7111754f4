// The point series of the charting component: square markers, points in
// arrival order whatever their x.
#pragma once

#include <memory>

#include "ui/ChartView.h"

namespace talmir {

std::unique_ptr<TChartSeries> MakePointSeries(TChart* chart, const QString& title,
                                              const QColor& color);

}  // namespace talmir
