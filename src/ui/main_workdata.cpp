// Work-data page: X, Y, angle and amplitude registers over time, and the
// window "Ошибка угла" on the run since the last start.
#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <vector>

#include "core/AngleRecord.h"
#include "core/DataFile.h"
#include "core/SampleLines.h"
#include "ui/AcquisitionControl.h"
#include "ui/AngleErrorWindow.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/main.h"
#include "ui_PageWork.h"
#include "ui_main.h"

namespace talmir {

namespace {

const QKeySequence kAngleErrorWindowKey(QStringLiteral("Ctrl+Shift+3"));

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

    workAcquisition_ = std::make_unique<Acquisition>(
        state_, this,
        Acquisition::Controls{work->BtnStartAngleWrkData,
                              work->EditAngleWorkDataInt,
                              TimerWorkData,
                              {LineSeriesAmpl, LineSeriesAngle, LineSeriesX, LineSeriesY},
                              {work->ChartTop, work->ChartMid, work->ChartBot}},
        [this] { TimerWorkDataTimer(); });
    connect(work->BtnStartAngleWrkData, &QPushButton::clicked, this,
            &TF_Face::BtnStartAngleWrkDataClick);
    connect(work->Button1, &QPushButton::clicked, this, &TF_Face::Button1Click);
    connect(work->cbSerX, &QCheckBox::clicked, this, &TF_Face::cbSerXClick);
    connect(work->cbSerY, &QCheckBox::clicked, this, &TF_Face::cbSerYClick);
    connect(work->cbSerAngle, &QCheckBox::clicked, this, &TF_Face::cbSerAngleClick);
    connect(work->cbSerAmpl, &QCheckBox::clicked, this, &TF_Face::cbSerAmplClick);
    connect(work->BtnAngleError, &QPushButton::clicked, this, &TF_Face::BtnAngleErrorClick);

    // Works from every window of the tool, as the other windows' shortcuts do.
    auto* shortcut = new QShortcut(kAngleErrorWindowKey, this);
    shortcut->setContext(Qt::ApplicationShortcut);
    shortcut->setObjectName(QStringLiteral("ShortcutAngleErrorWindow"));
    connect(shortcut, &QShortcut::activated, this, &TF_Face::BtnAngleErrorClick);
    ui->PageControl->setTabToolTip(
        ui->PageControl->indexOf(ui->tsWork),
        tr("Окно «Ошибка угла»: %1").arg(kAngleErrorWindowKey.toString(QKeySequence::NativeText)));
}

// A start forgets the samples of the last run. Ticking an unticked box counts
// as one click of it; the start then raises the programming-mode line even
// when the box was ticked already. Without that line no cycle can run: the
// start ends after its one error box, as a failed cycle does.
void TF_Face::BtnStartAngleWrkDataClick() {
    workAcquisition_->StartClick([&] {
        workAngles_.clear();
        workX_.clear();
        workY_.clear();
        return SetProgrammingModeForReadout(true, true);
    });
}

void TF_Face::TimerWorkDataTimer() {
    workAcquisition_->Cycle([&] {
        TASensDig& chip = Chip();
        const std::int32_t x = Signed16(chip.GetReg(40, true));
        const std::int32_t y = Signed16(chip.GetReg(41, true));
        const std::uint16_t angle = chip.GetReg(37, true);
        const std::uint16_t ampl = chip.GetReg(38, true);

        const double n = state_.WorkDataSampleCounter;
        LineSeriesAngle->AddXY(n, angle);
        LineSeriesX->AddXY(n, x);
        LineSeriesY->AddXY(n, y);
        LineSeriesAmpl->AddXY(n, ampl);
        // X and Y are signed 16-bit register values.
        workAngles_.push_back(angle);
        workX_.push_back(static_cast<std::int16_t>(x));
        workY_.push_back(static_cast<std::int16_t>(y));
        workAcquisition_->RedrawCharts();

        if (work->cbSaveToFile->isChecked()) {
            AppendRecord(FilePath(work->EditAngleDataFile->text()), WorkDataHeader(),
                         WorkDataLine(angle, ampl, x, y));
        }
        ++state_.WorkDataSampleCounter;
    });
}

void TF_Face::Button1Click() {
    workAcquisition_->Clear();
}

AngleErrorWindow* TF_Face::AngleErrorWin() const {
    return angleErrorWindow_;
}

void TF_Face::BtnAngleErrorClick() {
    if (angleErrorWindow_.isNull()) {
        angleErrorWindow_ = new AngleErrorWindow(this);
        connect(angleErrorWindow_, &AngleErrorWindow::RefreshRequested, this,
                &TF_Face::BtnAngleErrorClick);
    }
    Guard(state_.errorSink, this, [&] {
        std::vector<AngleSample> samples(workAngles_.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = AngleSample{workAngles_[i], workX_[i], workY_[i]};
        angleErrorWindow_->ShowSamples(samples);
    });
    angleErrorWindow_->show();
    angleErrorWindow_->raise();
    angleErrorWindow_->activateWindow();
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
