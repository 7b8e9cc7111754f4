// XY circle page: running extremes, offset and amplitude, the point series,
// the XY data file and the ellipse fitted to the points.
#include <QFile>

#include "UiTestSupport.h"
#include "ui/ChartView.h"
#include "ui_PageCircle.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class XYPageTest : public UiTest {
protected:
    // One cycle with channel X (register 40) and Y (register 41) pinned.
    void Sample(int16_t x, int16_t y) {
        TalmirSim_SetRegister(40, static_cast<uint16_t>(x));
        TalmirSim_SetRegister(41, static_cast<uint16_t>(y));
        Face().TimerXYDataTimer();
    }
    // Start with interval 0 (no timer ticks) on the first sample.
    void Start(int16_t x, int16_t y, const QString& logFile = {}) {
        TF_Face& face = Face();
        face.circle->EditXYDataInt->setText("0");
        face.circle->cbSaveXYChartsToFile->setChecked(!logFile.isNull());
        face.circle->EditXYDataFile->setText(logFile);
        if (face.circle->btnStartXYChart->text() != QStringLiteral("Старт"))
            face.circle->btnStartXYChart->click();
        TalmirSim_SetRegister(40, static_cast<uint16_t>(x));
        TalmirSim_SetRegister(41, static_cast<uint16_t>(y));
        face.circle->btnStartXYChart->click();
    }
    // Maximum, minimum, offset, amplitude of channel X then channel Y.
    QStringList Values() {
        const auto& c = *Face().circle;
        return {c.LabelXYSinMAXV->text(),    c.LabelXYSinMINV->text(), c.LabelXYSinOFFSETV->text(),
                c.LabelXYSinAMPLV->text(),   c.LabelXYCosMAXV->text(), c.LabelXYCosMINV->text(),
                c.LabelXYCosOFFSETV->text(), c.LabelXYCosAMPLV->text()};
    }
};

TEST_F(XYPageTest, FirstSampleSetsAllFourExtremes) {
    EXPECT_EQ(Values(), QStringList(8, "0"));
    Start(1000, -2000);
    EXPECT_EQ(Values(), QStringList({"1000", "1000", "1000", "0", "-2000", "-2000", "-2000", "0"}));
}

TEST_F(XYPageTest, ExtremesAreRealSamplesBeyondTheOldStartValues) {
    Start(-6000, 6000);
    Sample(-5000, 5000);
    EXPECT_EQ(Values()[0], "-5000") << "maximum of samples all below -4500";
    EXPECT_EQ(Values()[5], "5000") << "minimum of samples all above 4500";
}

TEST_F(XYPageTest, OffsetAndAmplitudeRoundHalfToEven) {
    struct Case {
        int16_t max, min;
        const char* offset;
        const char* amplitude;
    };
    for (const Case c : {Case{3, 0, "2", "2"}, Case{5, 0, "2", "2"}, Case{1, 0, "0", "0"},
                         Case{0, -1, "0", "0"}, Case{-1, -2, "-2", "0"}}) {
        Start(c.max, c.min);  // channel Y takes the minimum first
        Sample(c.min, c.max);
        const QStringList v = Values();
        EXPECT_EQ(v[2], c.offset) << c.max << "/" << c.min;
        EXPECT_EQ(v[3], c.amplitude) << c.max << "/" << c.min;
        EXPECT_EQ(v.mid(4), v.mid(0, 4)) << "both channels saw the same values";
    }
}

TEST_F(XYPageTest, SignedSamplesArePlottedInsideTheFixedAxes) {
    Start(static_cast<int16_t>(0x8000), -1);
    Sample(32767, static_cast<int16_t>(0x8000));
    TF_Face& face = Face();
    ASSERT_EQ(face.SeriesXY->Count(), 2);
    EXPECT_EQ(face.SeriesXY->XValue(0), -32768);
    EXPECT_EQ(face.SeriesXY->YValue(0), -1);
    EXPECT_EQ(face.SeriesXY->YValue(1), -32768);
    TChart* chart = face.circle->ChartXY;
    EXPECT_FALSE(chart->AutoScale());
    EXPECT_TRUE(chart->xAxis->range().contains(-32768));
    EXPECT_TRUE(chart->yAxis->range().contains(-32768));
}

TEST_F(XYPageTest, SeriesDrawsSquareMarkersAndForgetsThemWhenCleared) {
    Face().show();  // the chart lays itself out for its real size
    Face().ui->PageControl->setCurrentWidget(Face().ui->tsCirkle);
    Start(20000, -10000);
    TChart* chart = Face().circle->ChartXY;
    const auto pixelAt = [chart](double x, double y) {
        chart->replot();
        const QImage image = chart->toPixmap(chart->width(), chart->height()).toImage();
        return image.pixelColor(qRound(chart->xAxis->coordToPixel(x)),
                                qRound(chart->yAxis->coordToPixel(y)));
    };
    EXPECT_EQ(pixelAt(20000, -10000), QColor(Qt::blue));
    Face().circle->Button2->click();
    EXPECT_NE(pixelAt(20000, -10000), QColor(Qt::blue));
    Sample(-20000, 10000);
    EXPECT_EQ(pixelAt(-20000, 10000), QColor(Qt::blue));
    EXPECT_NE(pixelAt(20000, -10000), QColor(Qt::blue)) << "cleared point came back";
    chart->SetFixedAxes(-70000, 70000, -70000, 70000);
    EXPECT_EQ(pixelAt(-20000, 10000), QColor(Qt::blue)) << "placed anew after a range change";
}

TEST_F(XYPageTest, ClearingEmptiesThePlotButKeepsTheStatistics) {
    Start(100, 200);
    Sample(-100, -200);
    const QStringList before = Values();
    Face().circle->Button2->click();
    EXPECT_EQ(Face().SeriesXY->Count(), 0);
    EXPECT_EQ(Values(), before);
    Sample(0, 0);
    EXPECT_EQ(Values(), before) << "extremes still cover the samples before clearing";
}

TEST_F(XYPageTest, LogFileHasHeaderWithoutSemicolonAndLinesWithOne) {
    Start(-1200, 3400, Path("xy.csv"));
    Sample(5, -6);
    QFile f(Path("xy.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "X;Y\r\n-1200;3400;\r\n5;-6;\r\n");
}

TEST_F(XYPageTest, StartLeavesProgrammingLineAlone) {
    Start(1, 1);
    EXPECT_FALSE(Face().ui->chCFG->isChecked());
    EXPECT_TRUE(CallsOf("FT_WriteGPIO").empty());
}

TEST_F(XYPageTest, FailedRegisterReadChangesNothing) {
    Start(10, 20);
    TalmirSim_FailCall("SPI_Read", 4, 0);
    Sample(30, 40);
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_EQ(Values()[0], "10");
    EXPECT_EQ(Face().SeriesXY->Count(), 1);
}

TEST_F(XYPageTest, EllipseBlockShowsTheFitOfTheSimulatedChannels) {
    const TalmirSimSignal set{300, -200, 20000, 19000, 2, 0, 3};
    ASSERT_EQ(TalmirSim_SetSignal(&set), 1);
    TF_Face& face = Face();
    face.circle->EditXYDataInt->setText("0");
    for (int i = 0; i < 400; ++i) {
        TalmirSim_SetAngle(static_cast<uint16_t>(i * 65536 / 400));
        if (i == 0) {
            face.circle->btnStartXYChart->click();
        } else {
            face.TimerXYDataTimer();
        }
    }
    ASSERT_TRUE(Pump(2000, [&] { return !face.TimerXYFit->isActive(); }));
    const auto& c = *face.circle;
    const auto value = [](const QLabel* label) {
        return label->text().replace(',', '.').toDouble();
    };
    EXPECT_NEAR(value(c.LabelXYFitOffsetXV), 300, 2);
    EXPECT_NEAR(value(c.LabelXYFitOffsetYV), -200, 2);
    EXPECT_NEAR(value(c.LabelXYFitAmplXV), 20000, 3);
    EXPECT_NEAR(value(c.LabelXYFitAmplYV), 19000, 3);
    EXPECT_NEAR(value(c.LabelXYFitMismatchV), (20000.0 / 19000 - 1) * 100, 0.03);
    EXPECT_NEAR(value(c.LabelXYFitPhaseV), 2, 0.05);
    EXPECT_GT(value(c.LabelXYFitPeakErrorV), 1) << "offsets of 1.5 % tilt atan2 by about 1°";
    EXPECT_TRUE(c.LabelXYFitStatus->text().startsWith(QStringLiteral("Точек: 400")))
        << c.LabelXYFitStatus->text().toStdString();
    ASSERT_TRUE(face.CurveXYFit->visible());
    EXPECT_EQ(face.CurveXYFit->data()->size(), 361);

    c.Button2->click();  // no points left: the block says why
    EXPECT_EQ(c.LabelXYFitOffsetXV->text(), "");
    EXPECT_TRUE(c.LabelXYFitStatus->text().contains(QStringLiteral("слишком мало точек: 0")))
        << c.LabelXYFitStatus->text().toStdString();
    EXPECT_FALSE(face.CurveXYFit->visible());
}

TEST_F(XYPageTest, EmptyFileNameFailsAfterThePointAndLeavesTimerOff) {
    TF_Face& face = Face();
    face.circle->EditXYDataInt->setText("60000");
    face.circle->cbSaveXYChartsToFile->setChecked(true);
    TalmirSim_SetRegister(40, 7);
    face.circle->btnStartXYChart->click();
    ASSERT_EQ(Errors(), QStringList{QStringLiteral("Не задано имя файла данных")});
    EXPECT_EQ(face.SeriesXY->Count(), 1);
    EXPECT_EQ(Values()[0], "7");
    EXPECT_FALSE(face.TimerXYData->isActive());
    EXPECT_EQ(face.circle->btnStartXYChart->text(), QStringLiteral("Старт"));
}

}  // namespace
}  // namespace talmir::test
