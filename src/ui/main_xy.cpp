// XY circle page: sine against cosine with running extremes.

#include "core/AngleRecord.h"
#include "core/DataFile.h"
#include "core/SampleLines.h"
#include "core/XYStats.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageCircle.h"

namespace talmir {

namespace {

constexpr double kAxisLimit = 35000;  // every signed 16-bit value lies inside

// Extremes of both channels since the last start of the page.
XYExtremes XYSinCosExtremes;

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

    connect(circle->btnStartXYChart, &QPushButton::clicked, this, &TF_Face::btnStartXYChartClick);
    connect(TimerXYData, &QTimer::timeout, this, &TF_Face::TimerXYDataTimer);
    connect(circle->Button2, &QPushButton::clicked, this, &TF_Face::Button2Click);
}

void TF_Face::btnStartXYChartClick() {
    if (!ToggleAcquisition(circle->btnStartXYChart)) return;
    XYSinCosExtremes.Start();
    TimerXYData->setInterval(PollIntervalMs(circle->EditXYDataInt->text()));
    TimerXYDataTimer();
}

void TF_Face::TimerXYDataTimer() {
    RunPollCycle(this, TimerXYData, circle->btnStartXYChart, [&] {
        TASensDig& chip = Chip();
        const std::int32_t y = Signed16(chip.GetReg(41, true));
        const std::int32_t x = Signed16(chip.GetReg(40, true));

        XYSinCosExtremes.Add(x, y);
        ShowStatistics(*circle, XYSinCosExtremes);
        SeriesXY->AddXY(x, y);
        circle->ChartXY->RequestRedraw();

        if (circle->cbSaveXYChartsToFile->isChecked()) {
            AppendRecord(FilePath(circle->EditXYDataFile->text()), XYHeader(), XYLine(x, y));
        }
    });
}

// The extremes and their labels stay: only a new start forgets them.
void TF_Face::Button2Click() {
    SeriesXY->Clear();
    circle->ChartXY->RequestRedraw();
}

}  // namespace talmir
