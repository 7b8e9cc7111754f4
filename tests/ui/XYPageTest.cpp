// XY circle page: running extremes, offset and amplitude, the point series
// and the XY data file.
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
