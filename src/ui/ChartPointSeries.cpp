#include "ui/ChartPointSeries.h"

#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace talmir {

namespace {

constexpr int kMarkerHalf = 2;  // square markers of 2 * 2 + 1 = 5 pixels

// Which cells of the plane of 16-bit X and Y values hold a point, for cells of
// 2^4 = 16 to 2^15 values a side: one bit plane per size (2.8 MB in all,
// allocated with the first point). A redraw after the view changed reads the
// cells in view at about the size of a pixel instead of placing every point,
// so its cost follows the area shown, not the number of points.
class Occupancy {
public:
    static constexpr int kFinest = 4, kCoarsest = 15;

    void Add(std::int16_t x, std::int16_t y) {
        if (planes_.empty()) planes_.resize(kCoarsest - kFinest + 1);
        const unsigned ux = static_cast<unsigned>(x + 32768), uy = static_cast<unsigned>(y + 32768);
        for (int k = kFinest; k <= kCoarsest; ++k) {
            std::vector<std::uint64_t>& plane = planes_[static_cast<std::size_t>(k - kFinest)];
            const unsigned side = 65536u >> k, words = std::max(1u, side / 64);
            if (plane.empty()) plane.assign(static_cast<std::size_t>(side) * words, 0);
            const unsigned cx = ux >> k, cy = uy >> k;
            plane[static_cast<std::size_t>(cy) * words + cx / 64] |= std::uint64_t{1} << (cx % 64);
        }
    }
    void Clear() { planes_ = {}; }

    // Calls visit(x, y) with the centre value of every occupied cell of size
    // 2^k whose cell overlaps [xLo, xHi] x [yLo, yHi].
    template <class Visit>
    void ForCells(int k, double xLo, double xHi, double yLo, double yHi, Visit&& visit) const {
        if (planes_.empty() || k < kFinest || k > kCoarsest) return;
        const std::vector<std::uint64_t>& plane = planes_[static_cast<std::size_t>(k - kFinest)];
        const int side = 65536 >> k, words = std::max(1, side / 64);
        const auto cell = [&](double v) {
            return std::clamp(
                static_cast<int>(std::floor((std::clamp(v, -4e4, 4e4) + 32768) / double(1 << k))),
                0, side - 1);
        };
        const int x0 = cell(xLo), x1 = cell(xHi), y0 = cell(yLo), y1 = cell(yHi);
        const double half = (1 << k) / 2.0;
        for (int cy = y0; cy <= y1; ++cy) {
            const std::uint64_t* row = plane.data() + static_cast<std::size_t>(cy) * words;
            for (int w = x0 / 64; w <= x1 / 64; ++w) {
                std::uint64_t bits = row[w];
                if (w == x0 / 64) bits &= ~std::uint64_t{0} << (x0 % 64);
                if (w == x1 / 64 && x1 % 64 != 63) bits &= (std::uint64_t{1} << (x1 % 64 + 1)) - 1;
                while (bits != 0) {
                    const int cx = w * 64 + std::countr_zero(bits);
                    bits &= bits - 1;
                    visit(cx * double(1 << k) + half - 32768, cy * double(1 << k) + half - 32768);
                }
            }
        }
    }

private:
    std::vector<std::vector<std::uint64_t>> planes_;
};

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
    void Add(double x, double y) {
        const Point p{Narrow(x), Narrow(y)};
        points_.push_back(p);
        cells_.Add(p.x, p.y);
    }
    void Clear() {
        points_.clear();
        points_.shrink_to_fit();
        cells_.Clear();
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
        if (!view_ || !(*view_ == now)) {
            Reset(now);
            StampCells();
        }
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

    // After a view change: when a pixel spans at least the finest cell, the
    // occupied cells in view are stamped at their centres (at most half a
    // pixel from their points), else every point is placed.
    void StampCells() {
        const QCPRange x = keyAxis()->range(), y = valueAxis()->range();
        const double perPixel = std::min(x.size() / std::max(1, view_->area.width()),
                                         y.size() / std::max(1, view_->area.height()));
        if (keyAxis()->scaleType() != QCPAxis::stLinear ||
            valueAxis()->scaleType() != QCPAxis::stLinear || !(perPixel >= 1 << Occupancy::kFinest))
            return;
        const int k =
            std::min(Occupancy::kCoarsest, static_cast<int>(std::floor(std::log2(perPixel))));
        const double margin = (kMarkerHalf + 1) * perPixel;
        cells_.ForCells(k, x.lower - margin, x.upper + margin, y.lower - margin, y.upper + margin,
                        [&](double vx, double vy) { StampValue(vx, vy); });
        stamped_ = points_.size();
    }

    void Stamp(std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) StampValue(points_[i].x, points_[i].y);
    }

    void StampValue(double x, double y) {
        const int w = raster_.width(), h = raster_.height();
        const QPoint origin = view_->area.topLeft();
        const QRgb color = view_->color;
        {
            double px = 0, py = 0;
            coordsToPixels(x, y, px, py);
            px -= origin.x();
            py -= origin.y();
            // Also rejects NaN; a marker centred just outside may still show.
            if (!(px > -kMarkerHalf - 1 && px < w + kMarkerHalf && py > -kMarkerHalf - 1 &&
                  py < h + kMarkerHalf))
                return;
            const int cx = static_cast<int>(std::floor(px + 0.5));
            const int cy = static_cast<int>(std::floor(py + 0.5));
            if (cx >= 0 && cx < w && cy >= 0 && cy < h) {
                std::uint8_t& seen = occupied_[static_cast<std::size_t>(cy) * w + cx];
                if (seen) return;
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
    Occupancy cells_;
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
