// XY circle page: sine against cosine with running extremes, and an ellipse
// fitted to the points refitted a few times a second while they arrive.

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <utility>
#include <vector>

#include "core/AnalysisText.h"
#include "core/AngleRecord.h"
#include "core/DataFile.h"
#include "core/EllipseFit.h"
#include "core/SampleLines.h"
#include "core/XYStats.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/main.h"
#include "ui_PageCircle.h"

namespace talmir {

namespace {

constexpr double kAxisLimit = 35000;  // every signed 16-bit value lies inside
constexpr int kFitIntervalMs = 250;   // at most four fits a second
constexpr int kEllipsePoints = 360;   // segments of the drawn ellipse

void ShowStatistics(Ui::PageCircle& page, const XYExtremes& e) {
    const auto show = [](QLabel* label, std::int32_t v) { label->setText(QString::number(v)); };
    show(page.LabelXYSinMAXV, e.SinMax);
    show(page.LabelXYSinMINV, e.SinMin);
    show(page.LabelXYSinOFFSETV, Offset(e.SinMax, e.SinMin));
    show(page.LabelXYSinAMPLV, Amplitude(e.SinMax, e.SinMin));
    show(page.LabelXYCosMAXV, e.CosMax);
    show(page.LabelXYCosMINV, e.CosMin);
    show(page.LabelXYCosOFFSETV, Offset(e.CosMax, e.CosMin));
    show(page.LabelXYCosAMPLV, Amplitude(e.CosMax, e.CosMin));
}

QString Decimal(double value, int digits) {
    return QString::fromStdString(DecimalText(value, digits));
}

// The block "Аппроксимация эллипсом": the fit's values, or none and the reason.
void ShowFit(Ui::PageCircle& page, const std::optional<EllipseFit>& fit, const QString& refusal) {
    QLabel* const values[] = {page.LabelXYFitOffsetXV,  page.LabelXYFitOffsetYV,
                              page.LabelXYFitAmplXV,    page.LabelXYFitAmplYV,
                              page.LabelXYFitMismatchV, page.LabelXYFitPhaseV,
                              page.LabelXYFitPeakErrorV};
    if (!fit) {
        for (QLabel* label : values) label->clear();
        page.LabelXYFitStatus->setText(TF_Face::tr("Эллипс не подобран: ") + refusal);
        return;
    }
    const double shown[] = {fit->OffsetX,         fit->OffsetY,         fit->AmplitudeX,
                            fit->AmplitudeY,      fit->MismatchPercent, fit->PhaseDeg,
                            fit->AtanPeakErrorDeg};
    const int digits[] = {1, 1, 1, 1, 3, 3, 3};
    for (int i = 0; i < 7; ++i) values[i]->setText(Decimal(shown[i], digits[i]));
    page.LabelXYFitStatus->setText(TF_Face::tr("Точек: %1, шум: %2 LSB, дуга: %3°")
                                       .arg(fit->Samples)
                                       .arg(Decimal(fit->NoiseLsb, 1), Decimal(fit->ArcDeg, 0)));
}

// The fitted ellipse over the points; hidden without a fit.
void DrawFit(QCPCurve* curve, const std::optional<EllipseFit>& fit) {
    curve->setVisible(fit.has_value());
    if (!fit) {
        curve->data()->clear();
        return;
    }
    const double phase = fit->PhaseDeg * std::numbers::pi / 180.0;
    QVector<QCPCurveData> points;
    points.reserve(kEllipsePoints + 1);
    for (int i = 0; i <= kEllipsePoints; ++i) {
        const double t = 2.0 * std::numbers::pi * i / kEllipsePoints;
        points.append(QCPCurveData(i, fit->OffsetX + fit->AmplitudeX * std::sin(t),
                                   fit->OffsetY + fit->AmplitudeY * std::cos(t + phase)));
    }
    curve->data()->set(points, true);
}

// A square plotting area: fixed margins leave room for the tick labels (the
// horizontal ones turned upright) and keep the axis rectangle square.
void SetUpXYChart(TChart* chart) {
    chart->SetFixedAxes(-kAxisLimit, kAxisLimit, -kAxisLimit, kAxisLimit);
    chart->xAxis->setTickLabelRotation(90);
    chart->setInteractions(QCP::Interactions());
    chart->axisRect()->setAutoMargins(QCP::msNone);
    constexpr int kLabelRoom = 62, kEdge = 12;
    chart->axisRect()->setMargins(QMargins(kLabelRoom, kEdge, kEdge, kLabelRoom));
}

}  // namespace

void TF_Face::SetUpCirclePage() {
    SetUpXYChart(circle->ChartXY);
    SeriesXY = circle->ChartXY->AddPointSeries(QStringLiteral("SeriesXY"), QColor(Qt::blue));
    // Added after the points, so drawn over them.
    CurveXYFit = new QCPCurve(circle->ChartXY->xAxis, circle->ChartXY->yAxis);
    CurveXYFit->setName(tr("Эллипс"));
    CurveXYFit->setPen(QPen(QColor(220, 0, 0), 2));
    CurveXYFit->setVisible(false);
    TimerXYFit = new QTimer(this);
    TimerXYFit->setObjectName(QStringLiteral("TimerXYFit"));
    TimerXYFit->setSingleShot(true);
    connect(TimerXYFit, &QTimer::timeout, this, &TF_Face::RefitXYEllipse);

    xyAcquisition_ = std::make_unique<Acquisition>(state_, this,
                                                   Acquisition::Controls{circle->btnStartXYChart,
                                                                         circle->EditXYDataInt,
                                                                         TimerXYData,
                                                                         {SeriesXY},
                                                                         {circle->ChartXY}},
                                                   [this] { TimerXYDataTimer(); });
    connect(circle->btnStartXYChart, &QPushButton::clicked, this, &TF_Face::btnStartXYChartClick);
    connect(circle->Button2, &QPushButton::clicked, this, &TF_Face::Button2Click);
}

// A start forgets the extremes of the last run.
void TF_Face::btnStartXYChartClick() {
    xyAcquisition_->StartClick([&] {
        state_.XYSinCosExtremes.Start();
        return true;
    });
}

void TF_Face::TimerXYDataTimer() {
    xyAcquisition_->Cycle([&] {
        TASensDig& chip = Chip();
        const std::int32_t y = Signed16(chip.GetReg(41, true));
        const std::int32_t x = Signed16(chip.GetReg(40, true));

        state_.XYSinCosExtremes.Add(x, y);
        ShowStatistics(*circle, state_.XYSinCosExtremes);
        SeriesXY->AddXY(x, y);
        xyAcquisition_->RedrawCharts();
        // The next fit runs kFitIntervalMs after the last one, or at once
        // when that has passed: never more often, never long after a point.
        if (!TimerXYFit->isActive()) {
            const qint64 since = xyFitClock_.isValid() ? xyFitClock_.elapsed() : kFitIntervalMs;
            TimerXYFit->start(
                static_cast<int>(std::clamp<qint64>(kFitIntervalMs - since, 0, kFitIntervalMs)));
        }

        if (circle->cbSaveXYChartsToFile->isChecked()) {
            AppendRecord(FilePath(circle->EditXYDataFile->text()), XYHeader(), XYLine(x, y));
        }
    });
}

// The extremes and their labels stay: only a new start forgets them.
void TF_Face::Button2Click() {
    xyAcquisition_->Clear();
    RefitXYEllipse();
}

// A failure (only memory can run short) shows in the block like a refusal.
void TF_Face::RefitXYEllipse() {
    TimerXYFit->stop();
    xyFitClock_.start();
    std::optional<EllipseFit> fit;
    QString refusal;
    try {
        std::vector<std::pair<double, double>> points(static_cast<std::size_t>(SeriesXY->Count()));
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int index = static_cast<int>(i);
            points[i] = {SeriesXY->XValue(index), SeriesXY->YValue(index)};
        }
        EllipseFitResult result = FitEllipse(points);
        fit = result.fit;
        refusal = QString::fromStdString(result.refusal);
    } catch (const std::exception& e) {
        refusal = QString::fromUtf8(e.what());
    }
    ShowFit(*circle, fit, refusal);
    DrawFit(CurveXYFit, fit);
    circle->ChartXY->RequestRedraw();
}

}  // namespace talmir
