#include "ui/ChartRenderer.h"

#include "ui/ChartView.h"

#include <QMetaObject>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace talmir {

namespace {

// Pixel columns read from a store under one hold of its lock: some
// microseconds, so that a tick appending to the series hardly waits.
constexpr int kColumnsPerLock = 8;
// The drawing thread's nice value (0 is the default, 19 the lowest priority).
constexpr int kDrawingNice = 10;

// Far-off points (zoomed deep, or a sample far beyond the edge) are pulled in
// to where the raster engine's fixed-point coordinates still hold.
constexpr double kMaxPixel = 4.0e6;

// Clips the segment a-b to `r` (Liang-Barsky); false when none of it is inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const QPointF from = a;
    a = from + QPointF(dx, dy) * t0;
    b = from + QPointF(dx, dy) * t1;
    return true;
}

// A one-pixel polyline in an opaque colour written straight into the image:
// the dense summaries are thousands of column-high strokes, which the
// painter blends pixel by pixel at several times the cost.
void DrawThinPolyline(QImage& image, const QPolygonF& line, QRgb color) {
    const int w = image.width(), h = image.height();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const QRectF area(-1, -1, w + 1, h + 1);
    const auto put = [&](int x, int y) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(w) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(h))
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = color;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        QPointF a = line[i > 0 ? i - 1 : 0], b = line[i];
        if (!ClipSegment(a, b, area)) continue;
        // Bresenham between the pixels holding the two ends.
        int x0 = static_cast<int>(std::floor(a.x())), y0 = static_cast<int>(std::floor(a.y()));
        const int x1 = static_cast<int>(std::floor(b.x())),
                  y1 = static_cast<int>(std::floor(b.y()));
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            put(x0, y0);
            if (x0 == x1 && y0 == y1) break;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x0 += sx;
            }
            if (twice <= dx) {
                error += dx;
                y0 += sy;
            }
        }
    }
}

}  // namespace

DrawnPointsResult DrawnPoints(const SeriesStore& store, double lower, double upper, int width,
                              std::mutex* lock,
                              const std::function<void(std::int64_t, std::int32_t)>& visit,
                              const std::function<bool()>& cancelled) {
    DrawnPointsResult result;
    width = std::max(1, width);
    std::unique_lock<std::mutex> held;
    if (lock != nullptr) held = std::unique_lock<std::mutex>(*lock);
    if (store.Empty()) return result;
    const std::int64_t lo = SampleNumber(lower, SampleRounding::Down);
    const std::int64_t hi = SampleNumber(upper, SampleRounding::Up);
    const std::int64_t first = std::max<std::int64_t>(0, store.LowerIndex(lo) - 1);
    const std::int64_t end = std::min(store.Count(), store.UpperIndex(hi) + 1);
    if (first >= end) return result;
    const std::int64_t xFrom = store.XAt(first), xTo = store.XAt(end - 1);
    result.dense = end - first > 4 * std::int64_t{width};
    if (!result.dense) {
        store.Samples(xFrom, xTo, visit);
        return result;
    }
    for (int c0 = 0; c0 < width; c0 += kColumnsPerLock) {
        if (lock != nullptr && !held.owns_lock()) held.lock();
        const std::vector<SeriesColumn> columns =
            store.Columns(xFrom, xTo, width, c0, std::min(width, c0 + kColumnsPerLock));
        if (held.owns_lock()) held.unlock();
        for (const SeriesColumn& c : columns) {
            if (c.Empty()) continue;
            const bool lowFirst = c.lowX <= c.highX;
            const std::int64_t xs[4] = {c.firstX, lowFirst ? c.lowX : c.highX,
                                        lowFirst ? c.highX : c.lowX, c.lastX};
            const std::int32_t vs[4] = {c.first, lowFirst ? c.low : c.high,
                                        lowFirst ? c.high : c.low, c.last};
            for (int k = 0; k < 4; ++k)
                if (k == 0 || xs[k] != xs[k - 1]) visit(xs[k], vs[k]);
        }
        if (cancelled && cancelled()) {
            result.complete = false;
            return result;
        }
    }
    return result;
}

ChartRenderer::ChartRenderer(QObject* receiver, std::function<void(ChartFrame)> deliver)
    : receiver_(receiver), deliver_(std::move(deliver)), thread_([this] { Run(); }) {}

ChartRenderer::~ChartRenderer() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
        next_.reset();
    }
    wake_.notify_all();
    thread_.join();
}

std::uint64_t ChartRenderer::Request(const ChartFrameGeometry& geometry,
                                     std::vector<ChartFrameSeries> series) {
    std::uint64_t request;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        request = ++requested_;
        next_ = Job{geometry, std::move(series), request};
    }
    wake_.notify_all();
    return request;
}

void ChartRenderer::WaitIdle() {
    std::unique_lock<std::mutex> guard(mutex_);
    idle_.wait(guard, [this] { return stopping_ || (!next_ && !working_); });
}

bool ChartRenderer::Busy() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return next_.has_value() || working_;
}

void ChartRenderer::Run() {
#ifdef __linux__
    // Drawing yields to the window's thread: a poll tick that falls due while
    // a long frame is drawn on the same core would otherwise wait for the
    // frame, milliseconds late. A niced thread is preempted at once, and
    // still gets its share of a busy machine.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kDrawingNice);
#elif defined(_WIN32)
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> guard(mutex_);
            working_ = false;
            idle_.notify_all();
            wake_.wait(guard, [this] { return stopping_ || next_.has_value(); });
            if (stopping_) return;
            job = std::move(*next_);
            next_.reset();
            working_ = true;
        }
        // A frame in progress is finished even when a newer request came:
        // cutting it short would show nothing at all on a machine where
        // drawing takes longer than the redraws are apart. Only stopping
        // cuts it short.
        const auto stopping = [this] {
            std::lock_guard<std::mutex> guard(mutex_);
            return stopping_;
        };
        ChartFrame frame = Draw(job.geometry, job.series, stopping);
        if (stopping()) return;
        frame.request = job.request;
        QMetaObject::invokeMethod(
            receiver_, [deliver = deliver_, frame = std::move(frame)] { deliver(frame); },
            Qt::QueuedConnection);
    }
}

ChartFrame ChartRenderer::Draw(const ChartFrameGeometry& g,
                               const std::vector<ChartFrameSeries>& series,
                               const std::function<bool()>& cancelled) {
    ChartFrame frame;
    frame.geometry = g;
    if (g.width <= 0 || g.height <= 0 || !(g.xUpper > g.xLower) || !(g.yUpper > g.yLower))
        return frame;
    QImage image(std::max(1, static_cast<int>(std::lround(g.width * g.pixelRatio))),
                 std::max(1, static_cast<int>(std::lround(g.height * g.pixelRatio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g.pixelRatio);
    const bool opaque = g.backdrop.fill.isValid() && g.backdrop.fill.alpha() == 255;
    image.fill(opaque ? g.backdrop.fill : QColor(Qt::transparent));
    if (opaque && !g.backdrop.lines.empty()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (const auto& [pen, lines] : g.backdrop.lines) {
            painter.setPen(pen);
            // One at a time: a dashed pen's pattern starts afresh at each
            // line, as the chart draws its grid, where a batch carries it on.
            for (const QLine& line : lines) painter.drawLine(line);
        }
    }
    frame.opaque = opaque;
    const double xScale = g.width / (g.xUpper - g.xLower);
    const double yScale = g.height / (g.yUpper - g.yLower);
    const auto pixel = [](double v) { return std::clamp(v, -kMaxPixel, kMaxPixel); };
    QPolygonF line;
    for (const ChartFrameSeries& s : series) {
        line.clear();
        const DrawnPointsResult drawn = DrawnPoints(
            *s.store, g.xLower, g.xUpper, g.width, s.lock,
            [&](std::int64_t x, std::int32_t v) {
                line.append(QPointF(pixel((double(x) - g.xLower) * xScale),
                                    pixel(g.height - (double(v) - g.yLower) * yScale)));
            },
            cancelled);
        if (!drawn.complete) return ChartFrame{};
        // Dense summaries fill whole columns, where smoothing shows nothing
        // and costs most of the drawing; a few samples are drawn smooth.
        const bool thin = s.pen.style() == Qt::SolidLine && s.pen.widthF() <= 1 &&
                          s.pen.color().alpha() == 255 && g.pixelRatio == 1;
        if (drawn.dense && thin) {
            DrawThinPolyline(image, line, s.pen.color().rgba());
            continue;
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, !drawn.dense);
        // Smooth lines are drawn half a pixel off, as the chart's own painter
        // does, so both drawings put them on the same pixels.
        if (!drawn.dense) painter.translate(0.5, 0.5);
        painter.setPen(s.pen);
        if (line.size() == 1) {
            painter.drawPoint(line.front());
        } else if (line.size() > 1) {
            painter.drawPolyline(line);
        }
    }
    frame.image = std::move(image);
    return frame;
}

}  // namespace talmir
