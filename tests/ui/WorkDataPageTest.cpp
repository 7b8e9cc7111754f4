// Work-data page: registers 40, 41, 37, 38 over time, the work-data file, the
// start/stop pattern of its timer and the window "Ошибка угла" on its run.
#include <QFile>
#include <QSplitter>
#include <QSplitterHandle>
#include <climits>
#include <numbers>

#include "UiTestSupport.h"
#include "ui/AngleErrorWindow.h"
#include "ui/ChartView.h"
#include "ui_AngleErrorWindow.h"
#include "ui_PageWork.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class WorkDataPageTest : public UiTest {
protected:
    // Pins the four registers one cycle reads.
    static void Pin(uint16_t x, uint16_t y, uint16_t angle, uint16_t ampl) {
        TalmirSim_SetRegister(40, x);
        TalmirSim_SetRegister(41, y);
        TalmirSim_SetRegister(37, angle);
        TalmirSim_SetRegister(38, ampl);
    }
    // Start with interval 0: exactly the immediate cycle, no timer ticks.
    TF_Face& StartOnce(const QString& logFile = {}) {
        TF_Face& face = Face();
        face.work->EditAngleWorkDataInt->setText("0");
        face.work->cbSaveToFile->setChecked(!logFile.isNull());
        face.work->EditAngleDataFile->setText(logFile);
        face.work->BtnStartAngleWrkData->click();
        return face;
    }
    static void ExpectLastPoint(TChartSeries* s, double x, double y) {
        ASSERT_GT(s->Count(), 0);
        EXPECT_EQ(s->XValue(s->Count() - 1), x);
        EXPECT_EQ(s->YValue(s->Count() - 1), y);
    }
};

TEST_F(WorkDataPageTest, SignedXYAndUnsignedAngleAmplitudeArePlottedAndLogged) {
    Pin(0x8000, 0x7FFF, 0x00AB, 0xFFFF);
    const double n = state_.WorkDataSampleCounter;
    TF_Face& face = StartOnce(Path("work.csv"));
    Pin(0xFFFF, 0x8000, 0xFFFF, 0);
    face.TimerWorkDataTimer();

    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
    ExpectLastPoint(face.LineSeriesX, n + 1, -1);
    ExpectLastPoint(face.LineSeriesY, n + 1, -32768);
    ExpectLastPoint(face.LineSeriesAngle, n + 1, 65535);
    EXPECT_EQ(face.LineSeriesX->YValue(0), -32768);
    EXPECT_EQ(face.LineSeriesY->YValue(0), 32767);
    EXPECT_EQ(face.LineSeriesAngle->YValue(0), 171);
    EXPECT_EQ(face.LineSeriesAmpl->YValue(0), 65535);
    EXPECT_EQ(ReadFile(Path("work.csv")),
              "Angle;Anplitude;X;Y;\r\n00AB;65535;-32768;32767;\r\nFFFF;0;-1;-32768;\r\n");
    EXPECT_EQ(state_.WorkDataSampleCounter, n + 2);
}

TEST_F(WorkDataPageTest, ExistingFileOnlyGainsDataLines) {
    QFile existing(Path("old.csv"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    Pin(0xFB50, 0x0D48, 0x1A2F, 5120);
    StartOnce(Path("old.csv"));
    EXPECT_EQ(ReadFile(Path("old.csv")), "1A2F;5120;-1200;3400;\r\n");
}

TEST_F(WorkDataPageTest, NumberingContinuesAfterClearingAndRestart) {
    Pin(1, 2, 3, 777);
    const double n = state_.WorkDataSampleCounter;
    TF_Face& face = StartOnce();
    face.work->BtnStartAngleWrkData->click();  // stop
    EXPECT_EQ(face.work->BtnStartAngleWrkData->text(), QStringLiteral("Старт"));
    face.work->Button1->click();
    for (TChartSeries* s :
         {face.LineSeriesX, face.LineSeriesY, face.LineSeriesAngle, face.LineSeriesAmpl})
        EXPECT_EQ(s->Count(), 0);
    face.work->BtnStartAngleWrkData->click();
    ExpectLastPoint(face.LineSeriesAmpl, n + 1, 777);
    EXPECT_EQ(face.LineSeriesAmpl->Count(), 1);
}

TEST_F(WorkDataPageTest, StopLeavesArmedTimerForExactlyOneMoreCycle) {
    TF_Face& face = Face();
    face.work->EditAngleWorkDataInt->setText("60000");
    face.work->BtnStartAngleWrkData->click();
    EXPECT_TRUE(face.TimerWorkData->isActive());
    EXPECT_EQ(face.TimerWorkData->interval(), 60000);
    face.work->BtnStartAngleWrkData->click();
    EXPECT_FALSE(state_.AcquisitionActive);
    EXPECT_TRUE(face.TimerWorkData->isActive()) << "a stop does not touch the timer";
    face.TimerWorkDataTimer();  // the armed timer fires once more
    EXPECT_EQ(face.LineSeriesX->Count(), 2);
    EXPECT_FALSE(face.TimerWorkData->isActive());
}

TEST_F(WorkDataPageTest, StartRaisesProgrammingLine) {
    TF_Face& face = StartOnce();
    EXPECT_TRUE(face.ui->chCFG->isChecked());
    EXPECT_TRUE(state_.GPIOState & 1);
    EXPECT_FALSE(CallsOf("FT_WriteGPIO").empty());
}

TEST_F(WorkDataPageTest, StartWithoutAdapterShowsOneErrorAndEnds) {
    MpsseLink noLibrary;
    for (MpsseLink* link : {&link_, &noLibrary}) {
        DestroyFace();
        errors_.clear();
        TalmirSim_Reset();
        TalmirSim_FailCall("SPI_OpenChannel", 2, 0);
        TF_FaceOptions options;
        options.exeDir = dir_.path() + "/";
        face_ = std::make_unique<TF_Face>(*link, state_, options);
        face_->work->EditAngleWorkDataInt->setText("60000");
        face_->work->BtnStartAngleWrkData->click();
        const bool bound = link->IsBound();
        EXPECT_EQ(Errors().size(), 1) << bound << ": " << Errors().join('\n').toStdString();
        EXPECT_EQ(face_->work->BtnStartAngleWrkData->text(), QStringLiteral("Старт")) << bound;
        EXPECT_FALSE(face_->TimerWorkData->isActive()) << bound;
        EXPECT_FALSE(face_->ui->chCFG->isChecked()) << bound;
    }
}

TEST_F(WorkDataPageTest, IntervalTextFallsBackTo100AndNegativeIsClamped) {
    TF_Face& face = Face();
    face.work->EditAngleWorkDataInt->setText("fast");
    face.work->BtnStartAngleWrkData->click();
    EXPECT_EQ(face.TimerWorkData->interval(), 100);
    face.work->BtnStartAngleWrkData->click();
    face.work->EditAngleWorkDataInt->setText("-1");
    face.work->BtnStartAngleWrkData->click();
    EXPECT_EQ(face.TimerWorkData->interval(), INT_MAX);
}

TEST_F(WorkDataPageTest, FailedRegisterReadEndsCycleBeforePlotting) {
    TF_Face& face = Face();
    face.work->EditAngleWorkDataInt->setText("60000");
    const auto n = state_.WorkDataSampleCounter;
    TalmirSim_FailCall("SPI_Read", 4, 0);
    face.work->BtnStartAngleWrkData->click();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("SPI_Read")) << Errors()[0].toStdString();
    EXPECT_EQ(face.LineSeriesX->Count(), 0);
    EXPECT_EQ(state_.WorkDataSampleCounter, n);
    EXPECT_FALSE(face.TimerWorkData->isActive());
}

TEST_F(WorkDataPageTest, EmptyFileNameFailsAfterPlottingAndLeavesTimerOff) {
    const auto n = state_.WorkDataSampleCounter;
    TF_Face& face = Face();
    face.work->EditAngleWorkDataInt->setText("60000");
    face.work->EditAngleDataFile->setText("");
    face.work->cbSaveToFile->setChecked(true);
    face.work->BtnStartAngleWrkData->click();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_EQ(Errors()[0], QStringLiteral("Не задано имя файла данных"));
    EXPECT_EQ(face.LineSeriesAngle->Count(), 1) << "points of the cycle stay";
    EXPECT_EQ(state_.WorkDataSampleCounter, n);
    EXPECT_FALSE(face.TimerWorkData->isActive());
    EXPECT_TRUE(state_.AcquisitionActive);
    EXPECT_EQ(face.work->BtnStartAngleWrkData->text(), QStringLiteral("Старт"));
}

TEST_F(WorkDataPageTest, HiddenSeriesKeepsReceivingPoints) {
    TF_Face& face = Face();
    face.work->cbSerAngle->click();
    EXPECT_FALSE(face.LineSeriesAngle->Active());
    face.TimerWorkDataTimer();
    face.work->cbSerAngle->click();
    EXPECT_TRUE(face.LineSeriesAngle->Active());
    EXPECT_EQ(face.LineSeriesAngle->Count(), 1);
}

TEST_F(WorkDataPageTest, AngleErrorWindowShowsHarmonicsOfTheRunSinceTheLastStart) {
    // An offset of 2 % of the amplitude: a first harmonic of 0.02 rad in the
    // angle the chip takes from its channels.
    ASSERT_EQ(TalmirSim_SetSignalText("offset_x=400"), 0);
    TF_Face& face = Face();
    const int workTab = face.ui->PageControl->indexOf(face.ui->tsWork);
    EXPECT_TRUE(face.ui->PageControl->tabToolTip(workTab).contains("Ctrl+Shift+3"));
    TalmirSim_SetAngle(0);
    StartOnce();
    for (int i = 1; i < 600; ++i) {  // three turns
        TalmirSim_SetAngle(static_cast<uint16_t>(i * 65536 / 200));
        face.TimerWorkDataTimer();
    }
    face.work->BtnAngleError->click();
    AngleErrorWindow* window = face.AngleErrorWin();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(window->HarmonicBars->data()->size(), 8);
    EXPECT_NEAR(window->HarmonicBars->data()->at(0)->value, 0.02 * 180 / std::numbers::pi, 0.02);
    EXPECT_LT(window->HarmonicBars->data()->at(2)->value, 0.01);
    EXPECT_GT(window->ErrorGraph->data()->size(), 100);
    EXPECT_TRUE(window->ui->LabelSummary->text().startsWith(QStringLiteral("Точек: 600")))
        << window->ui->LabelSummary->text().toStdString();

    face.work->BtnStartAngleWrkData->click();  // stop, then a new start of one cycle
    face.work->BtnStartAngleWrkData->click();
    window->ui->BtnRefresh->click();
    EXPECT_TRUE(window->ui->LabelSummary->text().contains(QStringLiteral("слишком мало точек: 1")))
        << window->ui->LabelSummary->text().toStdString();
    EXPECT_EQ(window->HarmonicBars->data()->size(), 0);
}

TEST_F(WorkDataPageTest, ChartsAreStackedBetweenTwoNamedSplitterHandles) {
    TF_Face& face = Face();
    QSplitter* splitter = face.work->SplitterCharts;
    ASSERT_EQ(splitter->count(), 3);
    EXPECT_EQ(splitter->widget(0), face.work->ChartTop);
    EXPECT_EQ(splitter->widget(2), face.work->ChartBot);
    EXPECT_NE(splitter->findChild<QSplitterHandle*>("SplitterCh1"), nullptr);
    EXPECT_NE(splitter->findChild<QSplitterHandle*>("SplitterCh2"), nullptr);
}

}  // namespace
}  // namespace talmir::test
