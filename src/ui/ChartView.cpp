#include "ui/ChartView.h"

#include "ui/AcquisitionState.h"
#include "ui/ChartPointSeries.h"
#include "ui/PollPause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

namespace talmir {

namespace {

// Redraws are coalesced to about 30 a second, as smooth to the eye as a
// chart needs and half the window's time of one per screen refresh: polling
// at 1 ms shares the window's thread with them. A redraw that took long
// spaces the next one out to twice its duration, so the window keeps at
// least two thirds of its time for input.
constexpr int kRedrawDelayMs = 33;
constexpr int kMaxRedrawDelayMs = 1000;

// A graph that refreshes its drawn data from its series just before drawing,
// or leaves the drawing to the renderer's image when `prepare` says so.
class SummaryGraph final : public QCPGraph {
public:
    SummaryGraph(QCPAxis* key, QCPAxis* value, std::function<bool()> prepare)
        : QCPGraph(key, value), prepare_(std::move(prepare)) {}

protected:
    void draw(QCPPainter* painter) override {
        if (prepare_()) QCPGraph::draw(painter);
    }

private:
    std::function<bool()> prepare_;
};

// Every sample is kept in a SeriesStore (2 bytes each for 16-bit values, else 4). Before each draw
// the graph gets only what the visible range needs: the samples themselves when there are few per
// pixel column, else per column its first, lowest, highest and last sample, which draws the same
// picture. A redraw thus costs the chart's width, whatever the length of the record.
class LineSeries final : public TChartSeries {
public:
    // With `shown`, the series shows that store, which nobody changes any
    // more, instead of a store of its own, and takes no points.
    LineSeries(TChart* chart, const QString& title, const QColor& color,
               std::shared_ptr<const SeriesStore> shown = nullptr)
        : chart_(chart),
          graph_(new SummaryGraph(chart->xAxis, chart->yAxis,
                                  [this] {
                                      if (chart_->DrawingFromRenderer()) return false;
                                      Sync();
                                      return true;
                                  })),
          shown_(std::move(shown)) {
        if (shown_) {
            view_ = shown_.get();
            if (!view_->Empty()) {
                range_.Add(double(view_->FirstX()), view_->MinValue());
                range_.Add(double(view_->LastX()), view_->MaxValue());
            }
        }
        graph_->setName(title);
        graph_->setPen(QPen(color));
        graph_->setLineStyle(QCPGraph::lsLine);
        graph_->setScatterStyle(QCPScatterStyle::ssNone);
        graph_->setAdaptiveSampling(false);
    }
    void AddXY(double x, double y) override {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        const std::int64_t sample = SampleNumber(x, SampleRounding::Nearest);
        const auto value =
            static_cast<std::int32_t>(std::lround(std::clamp(y, kMinValue, kMaxValue)));
        std::lock_guard<std::mutex> guard(lock_);
        if (view_ == &store_ && store_.Append(sample, value))
            range_.Add(double(sample), double(value));
    }
    void Clear() override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            store_.Clear();
            // A shown store stays alive: the renderer may still hold it.
            view_ = &store_;
        }
        range_ = SeriesRange{};
        graph_->data()->clear();
    }
    int Count() const override {
        return static_cast<int>(std::min<std::int64_t>(view_->Count(), INT_MAX));
    }
    double XValue(int i) const override { return double(view_->XAt(Checked(i))); }
    double YValue(int i) const override { return view_->ValueAt(Checked(i)); }
    void SetActive(bool active) override {
        graph_->setVisible(active);
        chart_->RequestRedraw();
    }
    bool Active() const override { return graph_->visible(); }
    QString Title() const override { return graph_->name(); }
    QCPAbstractPlottable* Plottable() const override { return graph_; }
    const SeriesRange& ValueRange() const override { return range_; }
    const SeriesStore* Store() const override { return view_; }
    std::mutex* StoreLock() const override { return &lock_; }

private:
    static constexpr double kMinValue = std::numeric_limits<std::int32_t>::min();
    static constexpr double kMaxValue = std::numeric_limits<std::int32_t>::max();

    std::int64_t Checked(int i) const {
        if (i < 0 || i >= view_->Count()) throw std::out_of_range("series index");
        return i;
    }

    // Hands the graph the drawing data of the visible range. Runs on the
    // thread that appends, so it reads the store without its lock.
    void Sync() {
        QVector<QCPGraphData> data;
        const QCPRange range = graph_->keyAxis()->range();
        const int width = std::max(1, graph_->keyAxis()->axisRect()->width());
        const DrawnPointsResult drawn = DrawnPoints(
            *view_, range.lower, range.upper, width, nullptr,
            [&](std::int64_t x, std::int32_t v) { data.append(QCPGraphData(double(x), v)); });
        graph_->data()->set(data, true);
        // Dense summaries fill whole columns, where smoothing shows nothing.
        graph_->setAntialiased(!drawn.dense);
    }

    TChart* chart_;
    QCPGraph* graph_;
    SeriesStore store_;
    std::shared_ptr<const SeriesStore> shown_;
    const SeriesStore* view_ = &store_;  // the store drawn: store_ or *shown_
    mutable std::mutex lock_;            // guards store_ against the renderer's reads
    SeriesRange range_;
};

constexpr const char* kLegendColorProperty = "legendColor";

// A legend entry drawn with a check box that mirrors its series' visibility.
class CheckLegendItem final : public QCPPlottableLegendItem {
public:
    using QCPPlottableLegendItem::QCPPlottableLegendItem;

protected:
    static constexpr int kBox = 10;
    static constexpr int kGap = 4;
    void draw(QCPPainter* painter) override {
        const QRect box(mRect.left(), mRect.center().y() - kBox / 2, kBox, kBox);
        painter->setPen(QPen(Qt::black));
        painter->setBrush(Qt::white);
        painter->drawRect(box);
        if (mPlottable->visible()) {
            const QPointF a(box.left() + 2, box.center().y());
            const QPointF b(box.center().x(), box.bottom() - 2);
            const QPointF c(box.right() - 2, box.top() + 2);
            painter->drawLine(QLineF(a, b));
            painter->drawLine(QLineF(b, c));
        }
        const QRect saved = mRect;
        mRect.adjust(kBox + kGap, 0, 0, 0);
        const QVariant legendColor = mPlottable->property(kLegendColorProperty);
        const QPen linePen = mPlottable->pen();
        if (legendColor.isValid()) mPlottable->setPen(QPen(legendColor.value<QColor>()));
        QCPPlottableLegendItem::draw(painter);
        mPlottable->setPen(linePen);
        mRect = saved;
    }
    QSize minimumOuterSizeHint() const override {
        QSize size = QCPPlottableLegendItem::minimumOuterSizeHint();
        size.rwidth() += kBox + kGap;
        return size;
    }
};

}  // namespace

// Shows the renderer's image of the line series in the plotting area.
class SeriesImageLayerable final : public QCPLayerable {
public:
    explicit SeriesImageLayerable(TChart* chart) : QCPLayerable(chart, "series"), chart_(chart) {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        painter->setAntialiasing(false);
    }
    QRect clipRect() const override { return chart_->axisRect()->rect(); }
    void draw(QCPPainter* painter) override { chart_->DrawSeriesImage(painter); }

private:
    TChart* chart_;
};

TChart::TChart(QWidget* parent) : QCustomPlot(parent) {
    legend->setVisible(false);
    setAutoAddPlottableToLegend(false);
    connect(this, &QCustomPlot::legendClick, this, &TChart::OnLegendClick);
    // The series image lies below the graphs and items (cursors, texts).
    addLayer(QStringLiteral("series"), layer(QStringLiteral("main")), QCustomPlot::limBelow);
    new SeriesImageLayerable(this);
    renderer_ = std::make_unique<ChartRenderer>(
        this, [this](ChartFrame frame) { ShowSeriesImage(std::move(frame)); });
    // An opaque image carries the grid: the chart's own grid would be
    // covered by it, so it is not drawn under it.
    connect(this, &QCustomPlot::beforeReplot, this, [this] {
        drawingFromRenderer_ = isVisible();
        layer(QStringLiteral("grid"))
            ->setVisible(!(drawingFromRenderer_ && frame_ && frame_->opaque));
    });
    connect(this, &QCustomPlot::afterReplot, this, [this] {
        drawingFromRenderer_ = false;
        layer(QStringLiteral("grid"))->setVisible(true);
        if (!showingFrame_) AskForSeriesImage();
    });
    SetUpNavigation();
}

bool TChart::AskForSeriesImage() {
    if (!isVisible()) {
        frame_.reset();
        askedSignature_.clear();
        return false;
    }
    // The ticks and the plotting area as the replot showing the image will
    // lay them out.
    updateLayout();
    ChartFrameGeometry g;
    g.xLower = xAxis->range().lower;
    g.xUpper = xAxis->range().upper;
    g.yLower = yAxis->range().lower;
    g.yUpper = yAxis->range().upper;
    g.width = axisRect()->width();
    g.height = axisRect()->height();
    g.pixelRatio = devicePixelRatioF();
    // What the image depends on: when none of it changed since the last
    // request, the image asked for then is still right.
    std::vector<std::int64_t> signature = {std::bit_cast<std::int64_t>(g.xLower),
                                           std::bit_cast<std::int64_t>(g.xUpper),
                                           std::bit_cast<std::int64_t>(g.yLower),
                                           std::bit_cast<std::int64_t>(g.yUpper),
                                           g.width,
                                           g.height,
                                           std::bit_cast<std::int64_t>(double(g.pixelRatio))};
    std::vector<ChartFrameSeries> shown;
    for (const auto& s : series_) {
        const SeriesStore* store = s->Store();
        if (store == nullptr || !s->Active() || store->Empty()) continue;
        const QPen pen = s->Plottable()->pen();
        shown.push_back({store, s->StoreLock(), pen});
        signature.insert(signature.end(),
                         {reinterpret_cast<std::intptr_t>(store), store->Count(), store->LastX(),
                          pen.color().rgba(), std::bit_cast<std::int64_t>(pen.widthF())});
    }
    if (shown.empty()) {
        // Nothing to draw: no request, and an image still shown goes.
        askedSignature_.clear();
        askedBackdrop_ = {};
        if (frame_) {
            frame_.reset();
            RequestRedraw();
        }
        return false;
    }
    g.backdrop = SeriesBackdrop();
    if (signature == askedSignature_ && g.backdrop == askedBackdrop_) return false;
    askedSignature_ = std::move(signature);
    askedBackdrop_ = g.backdrop;
    renderer_->Request(g, std::move(shown));
    return true;
}

ChartFrameBackdrop TChart::SeriesBackdrop() const {
    const QCPAxisRect* rect = axisRect();
    const auto opaqueSolid = [](const QBrush& brush) {
        return brush.style() == Qt::SolidPattern && brush.color().alpha() == 255;
    };
    if (!opaqueSolid(mBackgroundBrush) || !mBackgroundPixmap.isNull() ||
        !rect->background().isNull())
        return {};
    const QBrush rectBrush = rect->backgroundBrush();
    if (rectBrush.style() != Qt::NoBrush && !opaqueSolid(rectBrush)) return {};
    ChartFrameBackdrop backdrop;
    // The lines as the chart's grids draw them: a zero line where a tick is
    // at zero inside the range, the other ticks in the grid's pen, rounded to
    // whole pixels as an unsmoothed line is.
    // The image's top left corner where DrawSeriesImage puts it: the chart's
    // y pixels run from one above the area's top to its bottom.
    const QPoint origin(static_cast<int>(std::lround(xAxis->coordToPixel(xAxis->range().lower))),
                        static_cast<int>(std::lround(yAxis->coordToPixel(yAxis->range().upper))));
    for (QCPAxis* axis : rect->axes()) {
        const QCPGrid* grid = axis->grid();
        if (!grid->realVisibility()) continue;
        if (grid->subGridVisible() || grid->antialiased() || grid->antialiasedZeroLine()) return {};
        const bool horizontal = axis->orientation() == Qt::Horizontal;
        const auto line = [&](double tick) {
            const double t = axis->coordToPixel(tick);
            const QLineF l = horizontal ? QLineF(t, rect->bottom(), t, rect->top())
                                        : QLineF(rect->left(), t, rect->right(), t);
            return l.toLine().translated(-origin);
        };
        const QVector<double> ticks = axis->tickVector();
        int zeroIndex = -1;
        if (grid->zeroLinePen().style() != Qt::NoPen && axis->range().lower < 0 &&
            axis->range().upper > 0) {
            const double epsilon = axis->range().size() * 1e-6;
            for (int i = 0; i < ticks.size(); ++i) {
                if (std::abs(ticks[i]) < epsilon) {
                    zeroIndex = i;
                    backdrop.lines.push_back({grid->zeroLinePen(), {line(ticks[i])}});
                    break;
                }
            }
        }
        std::vector<QLine> lines;
        for (int i = 0; i < ticks.size(); ++i)
            if (i != zeroIndex) lines.push_back(line(ticks[i]));
        backdrop.lines.push_back({grid->pen(), std::move(lines)});
    }
    backdrop.fill = rectBrush.style() == Qt::NoBrush ? mBackgroundBrush.color() : rectBrush.color();
    return backdrop;
}

void TChart::ShowSeriesImage(ChartFrame frame) {
    if (frame_ && frame.request < frame_->request) return;
    frame_ = std::move(frame);
    if (!isVisible() || showQueued_) return;
    // Replotting costs the window about as much as a fast poll's pause, so
    // it waits for the start of one; a newer image arriving meanwhile is
    // shown by the same replot.
    showQueued_ = true;
    RunInPollPause(state_ != nullptr ? &state_->pollPause : nullptr, this,
                   [this] { ShowQueuedImage(); });
}

void TChart::ShowQueuedImage() {
    if (!showQueued_) return;
    showQueued_ = false;
    if (!isVisible()) return;
    // Samples that arrived meanwhile wait for the next coalesced redraw:
    // asking again from this replot would redraw at the renderer's pace.
    showingFrame_ = true;
    replot(QCustomPlot::rpQueuedRefresh);
    showingFrame_ = false;
}

void TChart::DrawSeriesImage(QCPPainter* painter) const {
    if (!drawingFromRenderer_ || !frame_ || frame_->image.isNull()) return;
    // The image is placed where its ranges lie now: exactly over the
    // plotting area when they did not change since it was asked for.
    const ChartFrameGeometry& g = frame_->geometry;
    QRectF target(QPointF(xAxis->coordToPixel(g.xLower), yAxis->coordToPixel(g.yUpper)),
                  QPointF(xAxis->coordToPixel(g.xUpper), yAxis->coordToPixel(g.yLower)));
    // While following, the ranges move by a few samples between the image
    // asked for and the redraw that shows it: an image within a pixel of its
    // place is shown unscaled at the nearest pixel (scaling an image costs as
    // much as the rest of the redraw) until the next one replaces it.
    const bool inPlace =
        std::abs(target.width() - g.width) < 1.0 && std::abs(target.height() - g.height) < 1.0;
    if (inPlace)
        target = QRectF(QPointF(std::round(target.left()), std::round(target.top())),
                        QSizeF(g.width, g.height));
    // An opaque image in place is copied: blending it would cost as much as
    // the rest of the redraw.
    if (inPlace && frame_->opaque) painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->drawImage(target, frame_->image);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TChart::FinishRendering() {
    renderer_->WaitIdle();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    ShowQueuedImage();
}

void TChart::showEvent(QShowEvent* event) {
    QCustomPlot::showEvent(event);
    RequestRedraw();  // a hidden chart drew no series image
}

void TChart::SetTitle(const QString& title) {
    if (title_ == nullptr) {
        plotLayout()->insertRow(0);
        title_ = new QCPTextElement(this, title);
        plotLayout()->addElement(0, 0, title_);
    } else {
        title_->setText(title);
    }
}

void TChart::SetLegendWithCheckBoxes(bool on) {
    legend->setVisible(on);
    legend->setSelectableParts(QCPLegend::spItems);
}

TChartSeries* TChart::AddLineSeries(const QString& title, const QColor& color) {
    series_.push_back(std::make_unique<LineSeries>(this, title, color));
    legend->addItem(new CheckLegendItem(legend, series_.back()->Plottable()));
    return series_.back().get();
}

TChartSeries* TChart::AddLineSeries(const QString& title, const QColor& color,
                                    std::shared_ptr<const SeriesStore> shown) {
    series_.push_back(std::make_unique<LineSeries>(this, title, color, std::move(shown)));
    legend->addItem(new CheckLegendItem(legend, series_.back()->Plottable()));
    return series_.back().get();
}

TChartSeries* TChart::AddPointSeries(const QString& title, const QColor& color) {
    series_.push_back(MakePointSeries(this, title, color));
    legend->addItem(new CheckLegendItem(legend, series_.back()->Plottable()));
    return series_.back().get();
}

void TChart::SetLegendColor(TChartSeries* series, const QColor& color) {
    series->Plottable()->setProperty(kLegendColorProperty, color);
}

void TChart::SetFixedAxes(double xMin, double xMax, double yMin, double yMax) {
    autoScale_ = false;
    xAxis->setRange(xMin, xMax);
    yAxis->setRange(yMin, yMax);
}

void TChart::RequestRedraw() {
    if (redrawPending_) return;
    redrawPending_ = true;
    // A redraw runs at the start of a poll pause when one comes soon.
    QTimer::singleShot(redrawDelayMs_, this, [this] {
        RunInPollPause(state_ != nullptr ? &state_->pollPause : nullptr, this, [this] {
            if (redrawPending_) RedrawNow();
        });
    });
}

std::int64_t SampleNumber(double x, SampleRounding rounding) {
    const double v = std::clamp(x, -4.0e18, 4.0e18);
    switch (rounding) {
        case SampleRounding::Down:
            return static_cast<std::int64_t>(std::floor(v));
        case SampleRounding::Up:
            return static_cast<std::int64_t>(std::ceil(v));
        case SampleRounding::Nearest:
            break;
    }
    return std::llround(v);
}

// Following axes come from the running ranges and the store's summaries of
// the visible range, so rescaling never scans the samples.
void TChart::RescaleToShownSeries() {
    std::optional<AxisRange> dataX;
    for (const auto& s : series_) {
        const SeriesRange& r = s->ValueRange();
        if (!s->Active() || r.Empty()) continue;
        if (!dataX) dataX = AxisRange{r.xMin, r.xMax};
        dataX->lo = std::min(dataX->lo, r.xMin);
        dataX->hi = std::max(dataX->hi, r.xMax);
    }
    viewport_.Update(dataX, [this](double from, double to) {
        std::optional<AxisRange> span;
        auto add = [&](double lo, double hi) {
            if (!span) span = AxisRange{lo, hi};
            span->lo = std::min(span->lo, lo);
            span->hi = std::max(span->hi, hi);
        };
        for (const auto& s : series_) {
            if (!s->Active() || s->ValueRange().Empty()) continue;
            if (const SeriesStore* store = s->Store()) {
                const SeriesStats st = store->Stats(SampleNumber(from, SampleRounding::Up),
                                                    SampleNumber(to, SampleRounding::Down));
                if (st.count > 0) add(st.min, st.max);
            } else {
                add(s->ValueRange().yMin, s->ValueRange().yMax);
            }
        }
        return span;
    });
    ApplyViewport();
}

void TChart::RedrawNow() {
    QElapsedTimer clock;
    clock.start();
    redrawPending_ = false;
    if (autoScale_) RescaleToShownSeries();
    UpdateOverlays();
    // A shown chart whose series need a new image is replotted once the image
    // arrives, so axes and series always match; else it is replotted now.
    if (!AskForSeriesImage()) replot(QCustomPlot::rpQueuedRefresh);
    const auto twice = static_cast<int>(std::min<qint64>(2 * clock.elapsed(), kMaxRedrawDelayMs));
    redrawDelayMs_ = std::max(kRedrawDelayMs, twice);
}

void TChart::OnLegendClick(QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
    auto* entry = dynamic_cast<QCPPlottableLegendItem*>(item);
    if (entry == nullptr) return;
    QCPAbstractPlottable* plottable = entry->plottable();
    plottable->setVisible(!plottable->visible());
    RequestRedraw();
}

}  // namespace talmir
