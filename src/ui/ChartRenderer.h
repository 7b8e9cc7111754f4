// Draws a chart's line series into an image on a thread of its own, so that a
// redraw of millions of samples never holds up the window's event loop (and
// with it the polling timers). The window asks for a frame (the axis ranges,
// the plotting area's size and the series to draw); the renderer reads the
// series' stores, a few pixel columns at a time under each series' lock, draws
// them and hands the image back through the event loop. A newer request
// replaces one not yet started; the one in progress is finished.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QObject>
#include <QPen>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/SeriesStore.h"

namespace talmir {

// The points that draw the samples of a series in the x range [lower, upper]
// at `width` pixel columns, one sample beyond each edge included so lines run
// to the border: the samples themselves when there are at most four a column,
// else each column's first, lowest, highest and last sample in x order, which
// gives the same pixels. `lock`, when given, is held only while a few columns
// are read. Returns whether the points are the dense summary, or nothing when
// `cancelled` said so before the end.
struct DrawnPointsResult {
    bool dense = false;
    bool complete = true;
};
DrawnPointsResult DrawnPoints(const SeriesStore& store, double lower, double upper, int width,
                              std::mutex* lock,
                              const std::function<void(std::int64_t, std::int32_t)>& visit,
                              const std::function<bool()>& cancelled = {});

// What lies under the series in the plotting area, when it can be drawn into
// the image: the chart's background colour and its grid lines (in the area's
// pixels, each list with its pen). With it the image is opaque and is copied
// onto the chart instead of blended over the chart's own grid, which saves the
// window's thread about half of a redraw. Without it (no valid fill) the
// image is transparent where nothing is drawn.
struct ChartFrameBackdrop {
    QColor fill;
    std::vector<std::pair<QPen, std::vector<QLine>>> lines;
    friend bool operator==(const ChartFrameBackdrop&, const ChartFrameBackdrop&) = default;
};

// A frame to draw: the data ranges of the plotting area and its size.
struct ChartFrameGeometry {
    double xLower = 0, xUpper = 1, yLower = 0, yUpper = 1;
    int width = 0, height = 0;  // the plotting area, in device-independent pixels
    qreal pixelRatio = 1;
    ChartFrameBackdrop backdrop;
    friend bool operator==(const ChartFrameGeometry&, const ChartFrameGeometry&) = default;
};

// One line series of a request. The store and its lock must outlive the
// renderer, or at least its last frame: the chart stops the renderer before
// it destroys its series.
struct ChartFrameSeries {
    const SeriesStore* store = nullptr;
    std::mutex* lock = nullptr;
    QPen pen;
};

struct ChartFrame {
    ChartFrameGeometry geometry;
    QImage image;         // the plotting area
    bool opaque = false;  // drawn on the backdrop; else transparent where nothing is drawn
    std::uint64_t request = 0;
};

class ChartRenderer {
public:
    // `deliver` runs on `receiver`'s thread, through its event loop, with each
    // finished frame. The receiver owns the renderer, whose destruction stops
    // the thread first; frames posted but not yet run when the receiver is
    // destroyed are dropped with its pending events.
    ChartRenderer(QObject* receiver, std::function<void(ChartFrame)> deliver);
    ~ChartRenderer();  // stops the thread; no frame is delivered afterwards
    ChartRenderer(const ChartRenderer&) = delete;
    ChartRenderer& operator=(const ChartRenderer&) = delete;

    // Asks for a frame; returns its request number.
    std::uint64_t Request(const ChartFrameGeometry& geometry, std::vector<ChartFrameSeries> series);
    // Waits until every request made so far is drawn (or replaced) and its
    // frame posted to the receiver.
    void WaitIdle();
    bool Busy() const;

    // Draws a frame on the calling thread.
    static ChartFrame Draw(const ChartFrameGeometry& geometry,
                           const std::vector<ChartFrameSeries>& series,
                           const std::function<bool()>& cancelled = {});

private:
    struct Job {
        ChartFrameGeometry geometry;
        std::vector<ChartFrameSeries> series;
        std::uint64_t request = 0;
    };
    void Run();

    QObject* receiver_;
    std::function<void(ChartFrame)> deliver_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::optional<Job> next_;
    std::uint64_t requested_ = 0;
    bool working_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace talmir
