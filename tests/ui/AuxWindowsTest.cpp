// The two auxiliary chart windows, their shortcuts, and the run flag that
// every acquisition timer shares.
#include <QShortcut>

#include "UiTestSupport.h"
#include "ui/ChartView.h"
#include "ui/UnitChart.h"
#include "ui_PageCircle.h"
#include "ui_PageWork.h"
#include "ui_UnitASensChart.h"
#include "ui_UnitChart.h"

namespace talmir::test {
namespace {

class AuxWindowsTest : public UiTest {
protected:
    // Registers 34 (cos), 35 (sin), 36 (CORDIC), 37 (angle) for the next cycle.
    static void Pin(uint16_t r34, uint16_t r35, uint16_t r36, uint16_t r37) {
        TalmirSim_SetRegister(34, r34);
        TalmirSim_SetRegister(35, r35);
        TalmirSim_SetRegister(36, r36);
        TalmirSim_SetRegister(37, r37);
    }
    static double LastY(TChartSeries* s) { return s->YValue(s->Count() - 1); }
};

TEST_F(AuxWindowsTest, SensorWindowMasksCordicAndKeepsRegistersUnsigned) {
    TF_ASens_Chart sensor{state_};
    sensor.SetChip(&Face().Chip());
    sensor.ui->EditInterval->setText("0");
    Pin(0x8000, 0xFFFF, 0xFFFF, 0x1234);
    const double n = state_.ASensSampleCounter;
    sensor.ui->btnStart->click();
    EXPECT_EQ(LastY(sensor.SeriesCordic), 8191);
    EXPECT_EQ(LastY(sensor.SeriesCos), 32768);
    EXPECT_EQ(LastY(sensor.SeriesSin), 65535);
    EXPECT_EQ(LastY(sensor.SeriesAng), 0x1234);
    Pin(0, 0, 0x2000, 0);
    sensor.ui->Button1->click();
    sensor.TimerTimer();
    ASSERT_EQ(sensor.SeriesCordic->Count(), 1);
    EXPECT_EQ(LastY(sensor.SeriesCordic), 0);
    EXPECT_EQ(sensor.SeriesCordic->XValue(0), n + 1) << "numbering continues after clearing";
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(AuxWindowsTest, SensorWindowReadFailureOrMissingChipPlotsNothing) {
    TF_ASens_Chart sensor{state_};
    sensor.TimerTimer();
    EXPECT_EQ(Errors().size(), 1) << "no chip attached";
    sensor.SetChip(&Face().Chip());
    TalmirSim_FailCall("SPI_Read", 4, 0);
    state_.AcquisitionActive = true;
    sensor.TimerTimer();
    EXPECT_EQ(Errors().size(), 2);
    EXPECT_EQ(sensor.SeriesSin->Count(), 0);
    EXPECT_FALSE(sensor.Timer->isActive());
}

TEST_F(AuxWindowsTest, ChartWindowBoxesShowAndHideAndClearEmptiesAll) {
    TF_Chart window{state_};
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window.size(), QSize(1088, 333));
    window.ADC_Sin->AddXY(0, 1);
    window.Angle->AddXY(0, 2);
    window.ui->cbAngle48->click();
    EXPECT_FALSE(window.AngleRaw48->Active());
    EXPECT_TRUE(window.Angle->Active());
    window.ui->BtnClear->click();
    EXPECT_EQ(window.ADC_Sin->Count() + window.Angle->Count(), 0);
}

TEST_F(AuxWindowsTest, ShortcutsOpenTheHiddenWindows) {
    TF_Chart chartWindow{state_};
    TF_ASens_Chart sensorWindow{state_};
    TF_Face& face = Face();
    face.AttachAuxiliaryWindows(&chartWindow, &sensorWindow);
    EXPECT_FALSE(chartWindow.isVisible());
    for (QShortcut* s : face.findChildren<QShortcut*>()) {
        if (s->key() == QKeySequence("Ctrl+Shift+2")) emit s->activated();
    }
    EXPECT_TRUE(sensorWindow.isVisible());
    EXPECT_FALSE(chartWindow.isVisible());
    Pin(1, 2, 3, 4);
    sensorWindow.TimerTimer();
    EXPECT_EQ(LastY(sensorWindow.SeriesAng), 4) << "the sensor window reads the main window's chip";
}

TEST_F(AuxWindowsTest, OneStopEndsEveryArmedTimerAfterOneMoreCycle) {
    TF_ASens_Chart sensor{state_};
    TF_Face& face = Face();
    sensor.SetChip(&face.Chip());
    face.work->EditAngleWorkDataInt->setText("60000");
    face.circle->EditXYDataInt->setText("60000");
    sensor.ui->EditInterval->setText("60000");
    face.work->BtnStartAngleWrkData->click();
    face.circle->btnStartXYChart->click();
    sensor.ui->btnStart->click();
    ASSERT_TRUE(face.TimerWorkData->isActive() && face.TimerXYData->isActive() &&
                sensor.Timer->isActive());

    face.circle->btnStartXYChart->click();  // stop on one page only
    face.TimerWorkDataTimer();
    face.TimerXYDataTimer();
    sensor.TimerTimer();
    EXPECT_FALSE(face.TimerWorkData->isActive());
    EXPECT_FALSE(face.TimerXYData->isActive());
    EXPECT_FALSE(sensor.Timer->isActive());
    EXPECT_EQ(face.LineSeriesX->Count(), 2);
    EXPECT_EQ(face.SeriesXY->Count(), 2);
    EXPECT_EQ(sensor.SeriesAng->Count(), 2);
    EXPECT_EQ(face.work->BtnStartAngleWrkData->text(), QStringLiteral("Стоп"));
}

}  // namespace
}  // namespace talmir::test
