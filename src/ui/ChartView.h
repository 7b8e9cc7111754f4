// The charting component every chart of the tool goes through: a QCustomPlot
// with series that take points one at a time. Pages only see TChart and
// TChartSeries, so the store behind a series can change without touching
// them. Adding a point never redraws at once: redraws are coalesced into at
// most one per screen refresh (about 16 ms), so fast polling leaves the window
// time for input.
#pragma once

#include <QColor>
#include <QString>
#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "qcustomplot.h"

namespace talmir {

class TChart;

// Running value range of a series, so rescaling never scans the points.
struct SeriesRange {
    double xMin = std::numeric_limits<double>::infinity();
    double xMax = -std::numeric_limits<double>::infinity();
    double yMin = std::numeric_limits<double>::infinity();
    double yMax = -std::numeric_limits<double>::infinity();
    void Add(double x, double y) {
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
    bool Empty() const { return xMin > xMax; }
};

// One series of a chart. Hidden (inactive) series keep receiving points.
class TChartSeries {
public:
    virtual ~TChartSeries() = default;
    virtual void AddXY(double x, double y) = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    virtual double XValue(int i) const = 0;
    virtual double YValue(int i) const = 0;
    // Shows or hides the series and asks its chart for a redraw.
    virtual void SetActive(bool active) = 0;
    virtual bool Active() const = 0;
    virtual QString Title() const = 0;
    virtual QCPAbstractPlottable* Plottable() const = 0;
    virtual const SeriesRange& ValueRange() const = 0;
};

class TChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit TChart(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    // Shows a legend listing the series, each entry with a check box that
    // shows or hides its series.
    void SetLegendWithCheckBoxes(bool on);
    // Line series: points arrive in ascending x and are kept until cleared.
    TChartSeries* AddLineSeries(const QString& title, const QColor& color);
    // Point series with square markers: points arrive in any x order.
    TChartSeries* AddPointSeries(const QString& title, const QColor& color);
    // Draws the series' legend entry in another colour than its line.
    void SetLegendColor(TChartSeries* series, const QColor& color);
    // Fixed axis ranges; automatic scaling is off afterwards.
    void SetFixedAxes(double xMin, double xMax, double yMin, double yMax);
    bool AutoScale() const { return autoScale_; }

    // Schedules one redraw; many requests before it runs cost one redraw.
    void RequestRedraw();
    // Redraws now (rescaling first when automatic).
    void RedrawNow();
    bool RedrawPending() const { return redrawPending_; }

    const std::vector<std::unique_ptr<TChartSeries>>& Series() const { return series_; }

private:
    void RescaleToShownSeries();
    void OnLegendClick(QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent* event);

    std::vector<std::unique_ptr<TChartSeries>> series_;
    QCPTextElement* title_ = nullptr;
    bool autoScale_ = true;
    bool redrawPending_ = false;
    int redrawDelayMs_ = 16;  // delay of the next coalesced redraw
};

}  // namespace talmir
