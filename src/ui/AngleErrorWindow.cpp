#include "ui/AngleErrorWindow.h"

#include <QSharedPointer>
#include <algorithm>
#include <exception>

#include "core/AnalysisText.h"
#include "core/AngleErrorCurve.h"
#include "qcustomplot.h"
#include "ui_AngleErrorWindow.h"

namespace talmir {

namespace {

constexpr int kHarmonics = 8;

QString Decimal(double value, int digits) {
    return QString::fromStdString(DecimalText(value, digits));
}

void SetUpErrorChart(QCustomPlot* chart) {
    chart->xAxis->setLabel(AngleErrorWindow::tr("Угол, °"));
    chart->yAxis->setLabel(AngleErrorWindow::tr("Ошибка, °"));
    chart->xAxis->setRange(0, 360);
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(45);
    chart->xAxis->setTicker(ticker);
}

void SetUpHarmonicsChart(QCustomPlot* chart) {
    chart->xAxis->setLabel(AngleErrorWindow::tr("Гармоника"));
    chart->yAxis->setLabel(AngleErrorWindow::tr("Амплитуда, °"));
    chart->xAxis->setRange(0.4, kHarmonics + 0.6);
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(1);
    chart->xAxis->setTicker(ticker);
    chart->xAxis->grid()->setVisible(false);
}

}  // namespace

AngleErrorWindow::AngleErrorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::AngleErrorWindow>()) {
    ui->setupUi(this);
    SetUpErrorChart(ui->ChartError);
    SetUpHarmonicsChart(ui->ChartHarmonics);
    ErrorGraph = ui->ChartError->addGraph();
    ErrorGraph->setPen(QPen(QColor(64, 0, 0), 1.5));
    HarmonicBars = new QCPBars(ui->ChartHarmonics->xAxis, ui->ChartHarmonics->yAxis);
    HarmonicBars->setWidth(0.6);
    HarmonicBars->setPen(QPen(QColor(0, 0, 160)));
    HarmonicBars->setBrush(QColor(70, 110, 220));
    connect(ui->BtnRefresh, &QPushButton::clicked, this, &AngleErrorWindow::RefreshRequested);
    Clear(tr("нет данных"));
}

AngleErrorWindow::~AngleErrorWindow() = default;

void AngleErrorWindow::Clear(const QString& reason) {
    ErrorGraph->data()->clear();
    HarmonicBars->data()->clear();
    ui->LabelSummary->setText(tr("Ошибка угла не рассчитана: ") + reason);
    ui->ChartError->replot();
    ui->ChartHarmonics->replot();
}

// Only memory can run short here; that shows like a refusal.
void AngleErrorWindow::ShowSamples(std::span<const AngleSample> samples, bool channels) {
    try {
        const AngleErrorResult result = AnalyseAngleError(samples);
        if (!result.analysis) {
            Clear(QString::fromStdString(result.refusal));
            return;
        }
        const AngleErrorAnalysis& a = *result.analysis;
        const AngleErrorCurve curve = AngleErrorOverAngle(samples, a.DegPerSample);
        ErrorGraph->setData(QVector<double>(curve.AngleDeg.begin(), curve.AngleDeg.end()),
                            QVector<double>(curve.ErrorDeg.begin(), curve.ErrorDeg.end()), true);
        ui->ChartError->yAxis->rescale();
        ui->ChartError->yAxis->scaleRange(1.1);

        QVector<double> keys, values;
        for (int k = 1; k <= kHarmonics; ++k) {
            keys << k;
            values << a.HarmonicDeg[k - 1];
        }
        HarmonicBars->setData(keys, values, true);
        double top = 0;
        for (double v : values) top = std::max(top, v);
        ui->ChartHarmonics->yAxis->setRange(0, top > 0 ? top * 1.15 : 1);

        QString summary = tr("Точек: %1, оборотов: %2. СКЗ ошибки: %3°, пик: %4°.")
                              .arg(a.Samples)
                              .arg(Decimal(a.Revolutions, 2), Decimal(a.RmsErrorDeg, 4),
                                   Decimal(a.PeakErrorDeg, 4));
        if (channels) {
            summary += tr(" Преобразователь против atan2(X, Y): СКЗ %1°, смещение %2°")
                           .arg(Decimal(a.ConverterRmsDeg, 4), Decimal(a.ConverterOffsetDeg, 4));
        }
        ui->LabelSummary->setText(summary);
        ui->ChartError->replot();
        ui->ChartHarmonics->replot();
    } catch (const std::exception& e) {
        Clear(QString::fromUtf8(e.what()));
    }
}

}  // namespace talmir
