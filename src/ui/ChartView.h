// The charting component every chart of the tool goes through: a QCustomPlot
// with series that take points one at a time. Pages only see TChart and
// TChartSeries, so the store behind a series can change without touching
// them. Adding a point never redraws at once: redraws are coalesced into at
// most one every 33 ms, so fast polling leaves the window
// time for input.
//
// Line charts can be navigated: they follow the newest data (the whole record
// or a window of the last samples), the wheel zooms x (Ctrl+wheel y), a drag
// pans, Shift+drag zooms to a rubber band and a double click follows again.
// The mouse shows the sample under it, two cursors measure differences, a
// statistics line describes the visible range, and the context menu saves an
// image or the visible samples.
//
// On screen, a shown chart's line series are drawn by a ChartRenderer on its
// own thread: a redraw sets the axes, asks for the series image and replots
// when it arrives; other replots show the newest image placed by its ranges. Hidden
// charts, images saved to files and pixmaps taken from a chart draw the
// series directly, so they are exact for the moment they are taken.
#pragma once

#include <QColor>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/ChartViewport.h"
#include "core/SeriesStore.h"
#include "qcustomplot.h"
#include "ui/ChartRenderer.h"

namespace talmir {

class TChart;
struct AcquisitionState;

// A chart x as a sample number, rounded down, up or to the nearest. Axis
// ranges may be zoomed out far beyond any record, so x is first clamped to
// ±4e18, which every int64 conversion can take.
enum class SampleRounding { Down, Up, Nearest };
std::int64_t SampleNumber(double x, SampleRounding rounding);

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
    // The samples of a line series; none for point series.
    virtual const SeriesStore* Store() const { return nullptr; }
    // Held by the series while it changes its store, and by a reader on
    // another thread while it reads it.
    virtual std::mutex* StoreLock() const { return nullptr; }
};

class TChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit TChart(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    // Shows a legend listing the series, each entry with a check box that
    // shows or hides its series.
    void SetLegendWithCheckBoxes(bool on);
    // Line series: points arrive in ascending integer x (sample numbers) with
    // integer values and are kept until cleared; a point whose x is not above
    // the last one is dropped.
    TChartSeries* AddLineSeries(const QString& title, const QColor& color);
    // A line series showing a store filled elsewhere that nobody changes any
    // more (a record opened for review); it takes no points until Clear()
    // turns it into an ordinary, empty series.
    TChartSeries* AddLineSeries(const QString& title, const QColor& color,
                                std::shared_ptr<const SeriesStore> shown);
    // Point series with square markers: points arrive in any x order.
    TChartSeries* AddPointSeries(const QString& title, const QColor& color);
    // Draws the series' legend entry in another colour than its line.
    void SetLegendColor(TChartSeries* series, const QColor& color);
    // Fixed axis ranges; automatic scaling is off afterwards.
    void SetFixedAxes(double xMin, double xMax, double yMin, double yMax);
    bool AutoScale() const { return autoScale_; }

    // The state of the windows this chart belongs to: its redraws wait for
    // their poll pauses and its errors go to their sink. Without one a redraw
    // runs as soon as the event loop gets to it and an error shows the modal box.
    void SetAcquisitionState(AcquisitionState* state) { state_ = state; }

    // Schedules one redraw; many requests before it runs cost one redraw.
    // While an acquisition polls fast it runs at the start of a poll pause.
    void RequestRedraw();
    // Redraws now (rescaling first when automatic).
    void RedrawNow();
    bool RedrawPending() const { return redrawPending_; }
    // Waits for the series image asked for by the last redraw and shows it.
    void FinishRendering();
    // True while a redraw on screen runs: line series then leave their
    // drawing to the renderer's image.
    bool DrawingFromRenderer() const { return drawingFromRenderer_; }

    const std::vector<std::unique_ptr<TChartSeries>>& Series() const { return series_; }

    // Navigation of charts with automatic axes.
    ChartViewport& Viewport() { return viewport_; }
    // Samples in the follow window; 0 follows the whole record.
    void SetFollowWidth(std::int64_t samples);
    void FollowNewest();
    // Zooms x by `factor` (< 1 zooms in) around the sample at pixel `px`, or
    // y around pixel `py` for the Ctrl+wheel.
    void ZoomAtPixel(double factor, QPointF pixel, bool yAxisOnly);

    // Measurement cursors at these sample numbers; none hides them.
    void SetCursors(std::optional<double> first, std::optional<double> second);
    // "ΔN = 1200; Δ Angle = -35 ..." for the two cursors; empty unless both are set.
    QString CursorText() const;
    // The sample under pixel column `px` and each shown line series' value
    // there: "N = 1234; Angle = 16000; ...".
    QString ReadoutAt(double px) const;
    // One line per shown line series for the visible x range: count, min,
    // max, mean, standard deviation and peak-to-peak.
    QString StatisticsText() const;

    // The integer sample numbers in view: [ceil(lower), floor(upper)].
    std::pair<std::int64_t, std::int64_t> VisibleSamples() const;
    // Writes the visible samples of the shown line series; throws naming the
    // file when it cannot be written.
    void ExportVisibleRange(const QString& fileName) const;
    // Saves the chart as PNG or, for a name ending ".pdf", PDF; throws when
    // it cannot.
    void SaveImage(const QString& fileName);
    // Asks for the file name of a save: a file dialog by default.
    std::function<QString(const QString& caption, const QString& filter)> ChooseSaveFile;
    // Asks for a follow window typed freely, in samples; none when cancelled.
    std::function<std::optional<std::int64_t>(std::int64_t current)> ChooseFollowWidth;

protected:
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RescaleToShownSeries();
    void OnLegendClick(QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent* event);
    bool Navigable() const { return autoScale_; }
    void SetUpNavigation();
    // A hidden text in the plotting area's left side, its `edge` at `top`
    // (0 the top, 1 the bottom of the area).
    QCPItemText* OverlayText(double top, Qt::Alignment edge);
    void ApplyViewport();
    void UpdateOverlays();
    void OnRubberBand(const QRect& rect);
    // Asks the renderer for the series image the chart needs now; false when
    // none is needed or the one asked for last is still right.
    bool AskForSeriesImage();
    // The background colour and grid lines of the plotting area as the chart
    // draws them with its current ticks, or no fill when a background picture,
    // a sub-grid or smoothed grid lines make that copy inexact.
    ChartFrameBackdrop SeriesBackdrop() const;
    void ShowSeriesImage(ChartFrame frame);
    // Replots with the newest image when a show of it is still waiting.
    void ShowQueuedImage();
    void DrawSeriesImage(QCPPainter* painter) const;
    friend class SeriesImageLayerable;

    AcquisitionState* state_ = nullptr;
    std::vector<std::unique_ptr<TChartSeries>> series_;
    QCPTextElement* title_ = nullptr;
    bool autoScale_ = true;
    bool redrawPending_ = false;
    int redrawDelayMs_ = 33;  // delay of the next coalesced redraw

    ChartViewport viewport_;
    std::optional<QPoint> dragFrom_;  // press position of a pan in progress
    bool dragging_ = false;
    AxisRange dragX_, dragY_;  // ranges when the pan began
    std::optional<double> cursor1_, cursor2_;
    QCPItemStraightLine* cursorLine1_ = nullptr;
    QCPItemStraightLine* cursorLine2_ = nullptr;
    QCPItemText* readout_ = nullptr;
    QCPItemText* statistics_ = nullptr;
    bool showStatistics_ = true;

    // Drawing on another thread; declared after the series, so it stops
    // before they are destroyed.
    bool drawingFromRenderer_ = false;
    bool showingFrame_ = false;        // replotting with an image just arrived
    bool showQueued_ = false;          // a replot showing frame_ waits for a poll pause
    std::optional<ChartFrame> frame_;  // the newest image shown
    std::vector<std::int64_t> askedSignature_;
    ChartFrameBackdrop askedBackdrop_;
    std::unique_ptr<ChartRenderer> renderer_;
};

}  // namespace talmir
