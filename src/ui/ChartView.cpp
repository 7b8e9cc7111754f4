#include "ui/ChartView.h"

#include "core/MinMaxDecimator.h"
#include "ui/ChartPointSeries.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <limits>

namespace talmir {

namespace {

// Redraws are coalesced to about one per screen refresh. A redraw that took
// long (series of millions of points) spaces the next one out to twice its
// duration, so the window keeps at least two thirds of its time for input.
constexpr int kRedrawDelayMs = 16;
constexpr int kMaxRedrawDelayMs = 1000;

// A graph that refreshes its drawn data from its series just before drawing.
class SummaryGraph final : public QCPGraph {
public:
    SummaryGraph(QCPAxis* key, QCPAxis* value, std::function<void()> beforeDraw)
        : QCPGraph(key, value), beforeDraw_(std::move(beforeDraw)) {}

protected:
    void draw(QCPPainter* painter) override {
        beforeDraw_();
        QCPGraph::draw(painter);
    }

private:
    std::function<void()> beforeDraw_;
};

// Every point is kept exactly; the graph draws a min/max summary of them, so
// a redraw costs the same for a thousand points and for ten million.
class LineSeries final : public TChartSeries {
public:
    LineSeries(TChart* chart, const QString& title, const QColor& color)
        : chart_(chart), graph_(new SummaryGraph(chart->xAxis, chart->yAxis, [this] { Sync(); })) {
        graph_->setName(title);
        graph_->setPen(QPen(color));
        graph_->setLineStyle(QCPGraph::lsLine);
        graph_->setScatterStyle(QCPScatterStyle::ssNone);
        graph_->setAdaptiveSampling(true);
    }
    void AddXY(double x, double y) override {
        xs_.push_back(x);
        ys_.push_back(y);
        summary_.Add(x, y);
        range_.Add(x, y);
        dirty_ = true;
    }
    void Clear() override {
        xs_.clear();
        ys_.clear();
        summary_.Clear();
        range_ = SeriesRange{};
        dirty_ = true;
    }
    int Count() const override { return static_cast<int>(xs_.size()); }
    double XValue(int i) const override { return xs_.at(i); }
    double YValue(int i) const override { return ys_.at(i); }
    void SetActive(bool active) override {
        graph_->setVisible(active);
        chart_->RequestRedraw();
    }
    bool Active() const override { return graph_->visible(); }
    QString Title() const override { return graph_->name(); }
    QCPAbstractPlottable* Plottable() const override { return graph_; }
    const SeriesRange& ValueRange() const override { return range_; }

private:
    // Hands the current summary to the graph when points came or went.
    void Sync() {
        if (!dirty_) return;
        dirty_ = false;
        QVector<QCPGraphData> data;
        for (const XYPoint& p : summary_.Points()) data.append(QCPGraphData(p.x, p.y));
        graph_->data()->set(data, false);
    }

    TChart* chart_;
    QCPGraph* graph_;
    std::vector<double> xs_, ys_;
    MinMaxDecimator summary_;
    SeriesRange range_;
    bool dirty_ = false;
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

TChart::TChart(QWidget* parent) : QCustomPlot(parent) {
    legend->setVisible(false);
    setAutoAddPlottableToLegend(false);
    connect(this, &QCustomPlot::legendClick, this, &TChart::OnLegendClick);
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
    QTimer::singleShot(redrawDelayMs_, this, [this] { RedrawNow(); });
}

// The axes follow the running ranges of the shown series, so rescaling costs
// nothing however many points the series hold.
void TChart::RescaleToShownSeries() {
    SeriesRange all;
    for (const auto& s : series_) {
        const SeriesRange& r = s->ValueRange();
        if (!s->Active() || r.Empty()) continue;
        all.Add(r.xMin, r.yMin);
        all.Add(r.xMax, r.yMax);
    }
    if (all.Empty()) return;
    const double padY = std::max(1.0, (all.yMax - all.yMin) * 0.05);
    xAxis->setRange(all.xMin, std::max(all.xMax, all.xMin + 1));
    yAxis->setRange(all.yMin - padY, all.yMax + padY);
}

void TChart::RedrawNow() {
    QElapsedTimer clock;
    clock.start();
    redrawPending_ = false;
    if (autoScale_) RescaleToShownSeries();
    replot(QCustomPlot::rpImmediateRefresh);
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
