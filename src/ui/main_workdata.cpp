// Work-data page: X, Y, angle and amplitude registers over time.
#include <QFile>
#include <QSplitter>

#include "core/AngleRecord.h"
#include "core/DataFile.h"
#include "core/SampleLines.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageWork.h"
#include "ui_main.h"

namespace talmir {

std::uint32_t WorkDataSampleCounter = 0;

namespace {

void SetUpChart(TChart* chart, const QString& title) {
    chart->SetTitle(title);
    chart->SetLegendWithCheckBoxes(false);
}

}  // namespace

void TF_Face::SetUpWorkDataPage() {
    SetUpChart(work->ChartTop, QStringLiteral("X/Y "));
    SetUpChart(work->ChartMid, QStringLiteral("Angle"));
    SetUpChart(work->ChartBot, QStringLiteral("Amplitude"));
    LineSeriesX = work->ChartTop->AddLineSeries(QStringLiteral("X"), QColor(Qt::blue));
    LineSeriesY = work->ChartTop->AddLineSeries(QStringLiteral("Y"), QColor(255, 128, 0));
    LineSeriesAngle = work->ChartMid->AddLineSeries(QStringLiteral("Angle"), QColor(64, 0, 0));
    LineSeriesAmpl = work->ChartBot->AddLineSeries(QStringLiteral("Amplitude"), QColor(Qt::red));

    // The two handles between the stacked charts; the middle chart takes
    // whatever height the outer two leave.
    QSplitter* splitter = work->SplitterCharts;
    splitter->handle(1)->setObjectName(QStringLiteral("SplitterCh1"));
    splitter->handle(2)->setObjectName(QStringLiteral("SplitterCh2"));
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    splitter->setSizes({170, 250, 170});

    connect(work->BtnStartAngleWrkData, &QPushButton::clicked, this,
            &TF_Face::BtnStartAngleWrkDataClick);
    connect(TimerWorkData, &QTimer::timeout, this, &TF_Face::TimerWorkDataTimer);
    connect(work->Button1, &QPushButton::clicked, this, &TF_Face::Button1Click);
    connect(work->cbSerX, &QCheckBox::clicked, this, &TF_Face::cbSerXClick);
    connect(work->cbSerY, &QCheckBox::clicked, this, &TF_Face::cbSerYClick);
    connect(work->cbSerAngle, &QCheckBox::clicked, this, &TF_Face::cbSerAngleClick);
    connect(work->cbSerAmpl, &QCheckBox::clicked, this, &TF_Face::cbSerAmplClick);
}

void TF_Face::BtnStartAngleWrkDataClick() {
    if (!ToggleAcquisition(work->BtnStartAngleWrkData)) return;
    // Ticking an unticked box counts as one click of it; the start then
    // raises the programming-mode line even when the box was ticked already.
    // Without that line no cycle can run: the start ends after its one error
    // box, as a failed cycle does.
    if (!SetProgrammingModeForReadout(true, true)) {
        work->BtnStartAngleWrkData->setText(QStringLiteral("Старт"));
        return;
    }
    TimerWorkData->setInterval(PollIntervalMs(work->EditAngleWorkDataInt->text()));
    TimerWorkDataTimer();
}

void TF_Face::TimerWorkDataTimer() {
    RunPollCycle(this, TimerWorkData, work->BtnStartAngleWrkData, [&] {
        TASensDig& chip = Chip();
        const std::int32_t x = Signed16(chip.GetReg(40, true));
        const std::int32_t y = Signed16(chip.GetReg(41, true));
        const std::uint16_t angle = chip.GetReg(37, true);
        const std::uint16_t ampl = chip.GetReg(38, true);

        const double n = WorkDataSampleCounter;
        LineSeriesAngle->AddXY(n, angle);
        LineSeriesX->AddXY(n, x);
        LineSeriesY->AddXY(n, y);
        LineSeriesAmpl->AddXY(n, ampl);
        for (TChart* c : {work->ChartTop, work->ChartMid, work->ChartBot}) c->RequestRedraw();

        if (work->cbSaveToFile->isChecked()) {
            AppendRecord(FilePath(work->EditAngleDataFile->text()), WorkDataHeader(),
                         WorkDataLine(angle, ampl, x, y));
        }
        ++WorkDataSampleCounter;
    });
}

void TF_Face::Button1Click() {
    for (TChartSeries* s : {LineSeriesAmpl, LineSeriesAngle, LineSeriesX, LineSeriesY}) s->Clear();
    for (TChart* c : {work->ChartTop, work->ChartMid, work->ChartBot}) c->RequestRedraw();
}

namespace {

void ShowSeries(TChartSeries* series, const QCheckBox* box) {
    series->SetActive(box->isChecked());
}

}  // namespace

void TF_Face::cbSerXClick() {
    ShowSeries(LineSeriesX, work->cbSerX);
}
void TF_Face::cbSerYClick() {
    ShowSeries(LineSeriesY, work->cbSerY);
}
void TF_Face::cbSerAngleClick() {
    ShowSeries(LineSeriesAngle, work->cbSerAngle);
}
void TF_Face::cbSerAmplClick() {
    ShowSeries(LineSeriesAmpl, work->cbSerAmpl);
}

}  // namespace talmir
