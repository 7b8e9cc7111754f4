#include "ui/ChartPointSeries.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace talmir {

namespace {

constexpr int kMarkerHalf = 2;  // square markers of 2 * 2 + 1 = 5 pixels

// What the cached raster was drawn for; any change means placing every
// point again.
struct RasterView {
    QRect area;
    QCPRange x, y;                              // axis ranges
    double xLo = 0, xHi = 0, yLo = 0, yHi = 0;  // pixels of the range ends
    int xScale = 0, yScale = 0;
    QRgb color = 0;
    bool operator==(const RasterView&) const = default;
};

// Points drawn as filled squares from a raster cache. Each pixel of the
// plotting area is stamped at most once, so a dense cloud of 10^6 points
// costs no more to show than the pixels it covers.
class PointCloud final : public QCPAbstractPlottable {
public:
    PointCloud(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPAbstractPlottable(keyAxis, valueAxis) {
        setSelectable(QCP::stNone);
    }

    // X and Y are 16-bit sensor values, kept in 4 bytes a point; values
    // beyond that range are clamped to its ends.
    void Add(double x, double y) { points_.push_back({Narrow(x), Narrow(y)}); }
    void Clear() {
        points_.clear();
        points_.shrink_to_fit();
        stamped_ = 0;
        view_.reset();
    }
    int Size() const { return static_cast<int>(points_.size()); }
    double X(int i) const { return points_.at(static_cast<std::size_t>(i)).x; }
    double Y(int i) const { return points_.at(static_cast<std::size_t>(i)).y; }

    double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }
    QCPRange getKeyRange(bool& foundRange, QCP::SignDomain domain) const override {
        return RangeOf(&Point::x, foundRange, domain);
    }
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain domain,
                           const QCPRange&) const override {
        return RangeOf(&Point::y, foundRange, domain);
    }

protected:
    void draw(QCPPainter* painter) override {
        const QRect area = clipRect();
        if (points_.empty() || area.isEmpty()) return;
        const RasterView now = CurrentView(area);
        if (!view_ || !(*view_ == now)) Reset(now);
        Stamp(stamped_, points_.size());
        stamped_ = points_.size();
        painter->drawImage(area.topLeft(), raster_);
    }
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override {
        const QRectF square(rect.center() - QPointF(kMarkerHalf, kMarkerHalf),
                            QSizeF(2 * kMarkerHalf + 1, 2 * kMarkerHalf + 1));
        painter->fillRect(square, mPen.color());
    }

private:
    struct Point {
        std::int16_t x, y;
    };
    static std::int16_t Narrow(double v) {
        if (std::isnan(v)) return 0;
        return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
    }
    QCPRange RangeOf(std::int16_t Point::*axis, bool& found, QCP::SignDomain domain) const {
        QCPRange range(std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity());
        found = false;
        for (const Point& p : points_) {
            const double d = p.*axis;
            if ((domain == QCP::sdPositive && d <= 0) || (domain == QCP::sdNegative && d >= 0))
                continue;
            range.lower = std::min(range.lower, d);
            range.upper = std::max(range.upper, d);
            found = true;
        }
        return found ? range : QCPRange();
    }

    RasterView CurrentView(const QRect& area) const {
        RasterView v;
        v.area = area;
        v.x = keyAxis()->range();
        v.y = valueAxis()->range();
        v.xLo = keyAxis()->coordToPixel(keyAxis()->range().lower);
        v.xHi = keyAxis()->coordToPixel(keyAxis()->range().upper);
        v.yLo = valueAxis()->coordToPixel(valueAxis()->range().lower);
        v.yHi = valueAxis()->coordToPixel(valueAxis()->range().upper);
        v.xScale = keyAxis()->scaleType();
        v.yScale = valueAxis()->scaleType();
        v.color = qPremultiply(mPen.color().rgba());
        return v;
    }

    void Reset(const RasterView& view) {
        view_ = view;
        raster_ = QImage(view.area.size(), QImage::Format_ARGB32_Premultiplied);
        raster_.fill(Qt::transparent);
        occupied_.assign(static_cast<std::size_t>(view.area.width()) * view.area.height(), 0);
        stamped_ = 0;
    }

    void Stamp(std::size_t from, std::size_t to) {
        const int w = raster_.width(), h = raster_.height();
        const QPoint origin = view_->area.topLeft();
        const QRgb color = view_->color;
        for (std::size_t i = from; i < to; ++i) {
            double px = 0, py = 0;
            coordsToPixels(points_[i].x, points_[i].y, px, py);
            px -= origin.x();
            py -= origin.y();
            // Also rejects NaN; a marker centred just outside may still show.
            if (!(px > -kMarkerHalf - 1 && px < w + kMarkerHalf && py > -kMarkerHalf - 1 &&
                  py < h + kMarkerHalf))
                continue;
            const int cx = static_cast<int>(std::floor(px + 0.5));
            const int cy = static_cast<int>(std::floor(py + 0.5));
            if (cx >= 0 && cx < w && cy >= 0 && cy < h) {
                std::uint8_t& seen = occupied_[static_cast<std::size_t>(cy) * w + cx];
                if (seen) continue;
                seen = 1;
            }
            FillSquare(cx, cy, color);
        }
    }

    void FillSquare(int cx, int cy, QRgb color) {
        const int x0 = std::max(0, cx - kMarkerHalf),
                  x1 = std::min(raster_.width() - 1, cx + kMarkerHalf);
        const int y0 = std::max(0, cy - kMarkerHalf),
                  y1 = std::min(raster_.height() - 1, cy + kMarkerHalf);
        for (int y = y0; y <= y1; ++y) {
            auto* line = reinterpret_cast<QRgb*>(raster_.scanLine(y));
            for (int x = x0; x <= x1; ++x) line[x] = color;
        }
    }

    std::vector<Point> points_;
    QImage raster_;
    std::vector<std::uint8_t> occupied_;  // pixel centres already stamped
    std::optional<RasterView> view_;
    std::size_t stamped_ = 0;  // points already in the raster
};

// Points in arrival order: appending is O(1) whatever the x order.
class PointSeries final : public TChartSeries {
public:
    PointSeries(TChart* chart, const QString& title, const QColor& color)
        : cloud_(new PointCloud(chart->xAxis, chart->yAxis)) {
        cloud_->setName(title);
        cloud_->setPen(QPen(color));
        cloud_->setBrush(QBrush(color));
    }
    void AddXY(double x, double y) override {
        cloud_->Add(x, y);
        range_.Add(x, y);
    }
    void Clear() override {
        cloud_->Clear();
        range_ = SeriesRange{};
    }
    int Count() const override { return cloud_->Size(); }
    double XValue(int i) const override { return cloud_->X(i); }
    double YValue(int i) const override { return cloud_->Y(i); }
    void SetActive(bool active) override {
        cloud_->setVisible(active);
        if (auto* chart = qobject_cast<TChart*>(cloud_->parentPlot())) chart->RequestRedraw();
    }
    bool Active() const override { return cloud_->visible(); }
    QString Title() const override { return cloud_->name(); }
    QCPAbstractPlottable* Plottable() const override { return cloud_; }
    const SeriesRange& ValueRange() const override { return range_; }

private:
    PointCloud* cloud_;
    SeriesRange range_;
};

}  // namespace

std::unique_ptr<TChartSeries> MakePointSeries(TChart* chart, const QString& title,
                                              const QColor& color) {
    return std::make_unique<PointSeries>(chart, title, color);
}

}  // namespace talmir
