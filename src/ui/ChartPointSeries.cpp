#include "ui/ChartPointSeries.h"

namespace talmir {

namespace {

// Points in arrival order: appending is O(1) whatever the x order.
class PointSeries final : public TChartSeries {
public:
    PointSeries(TChart* chart, const QString& title, const QColor& color)
        : curve_(new QCPCurve(chart->xAxis, chart->yAxis)) {
        curve_->setName(title);
        curve_->setPen(QPen(color));
        curve_->setLineStyle(QCPCurve::lsNone);
        curve_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 4));
    }
    void AddXY(double x, double y) override {
        curve_->addData(static_cast<double>(curve_->data()->size()), x, y);
        range_.Add(x, y);
    }
    void Clear() override {
        curve_->data()->clear();
        range_ = SeriesRange{};
    }
    int Count() const override { return curve_->data()->size(); }
    double XValue(int i) const override { return curve_->data()->at(i)->key; }
    double YValue(int i) const override { return curve_->data()->at(i)->value; }
    void SetActive(bool active) override { curve_->setVisible(active); }
    bool Active() const override { return curve_->visible(); }
    QString Title() const override { return curve_->name(); }
    QCPAbstractPlottable* Plottable() const override { return curve_; }
    const SeriesRange& ValueRange() const override { return range_; }

private:
    QCPCurve* curve_;
    SeriesRange range_;
};

}  // namespace

std::unique_ptr<TChartSeries> MakePointSeries(TChart* chart, const QString& title,
                                              const QColor& color) {
    return std::make_unique<PointSeries>(chart, title, color);
}

}  // namespace talmir
