// Chart page: readout modes, points, status cells, log file and the
// start/stop pattern against the simulated chip.
#include <QFile>
#include <QImage>
#include <QTabWidget>
#include <climits>

#include "UiTestSupport.h"
#include "ui/ChartView.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class ChartPageTest : public UiTest {
protected:
    Ui::PageChart& Page() { return *Face().chart; }
    void SelectMode(int mode) { Page().ListBoxMode->setCurrentRow(mode); }
    void LogTo(const QString& path) {
        Page().EditChartsFile->setText(path);
        Page().cbSaveChartsToFile->setChecked(true);
    }
    void QueueFrame(std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> v(bytes);
        TalmirSim_QueueRead(v.data(), static_cast<std::uint32_t>(v.size()));
    }
    QStringList Leds() {
        QStringList out;
        for (int col = 0; col < 3; ++col) out << Page().sgLeds->item(1, col)->text();
        return out;
    }
    static std::vector<std::pair<double, double>> Points(const TChartSeries* s) {
        std::vector<std::pair<double, double>> out;
        for (int i = 0; i < s->Count(); ++i) out.emplace_back(s->XValue(i), s->YValue(i));
        return out;
    }
    using Pts = std::vector<std::pair<double, double>>;
};

TEST_F(ChartPageTest, StartsWithModeListStatusHeaderAndFourSeries) {
    Ui::PageChart& page = Page();
    const QStringList items = {"Из регистров",
                               "Однооборотный SPI       -  20 бит",
                               "Однооборотный режим  -  32 бит",
                               "Многооборотный режим - 32 бит",
                               "Многооборотный режим - 48 бит",
                               "Режим тестирования       - 80 бит"};
    ASSERT_EQ(page.ListBoxMode->count(), items.size());
    for (int i = 0; i < items.size(); ++i) EXPECT_EQ(page.ListBoxMode->item(i)->text(), items[i]);
    EXPECT_EQ(page.ListBoxMode->currentRow(), 0);

    ASSERT_EQ(page.sgLeds->columnCount(), 3);
    ASSERT_EQ(page.sgLeds->rowCount(), 2);
    EXPECT_EQ(page.sgLeds->item(0, 0)->text(), "EAH");
    EXPECT_EQ(page.sgLeds->item(0, 1)->text(), "EAL");
    EXPECT_EQ(page.sgLeds->item(0, 2)->text(), "LOCK_IN");
    EXPECT_EQ(Leds(), QStringList({"", "", ""}));

    const auto& series = page.Chart2->Series();
    ASSERT_EQ(series.size(), 4u);
    EXPECT_EQ(series[0].get(), Face().SeriesAng);
    EXPECT_EQ(series[1].get(), Face().SeriesTemp);
    EXPECT_EQ(series[2].get(), Face().SeriesAngRAW);
    EXPECT_EQ(series[3].get(), Face().SeriesVelocity);
    const QStringList titles = {"Anlge", "Temp", "AnlgeRAW", "Velocity"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(series[i]->Title(), titles[i]);
        EXPECT_EQ(series[i]->Active(), i != 1) << titles[i].toStdString();
    }
    EXPECT_EQ(page.Chart2->legend->itemCount(), 4);

    EXPECT_EQ(page.btnStart->text(), "Старт");
    EXPECT_EQ(page.BtnClearChart->text(), "Сбросить");
    EXPECT_EQ(page.EditInterval->text(), "100");
    EXPECT_FALSE(Face().Timer->isActive());
}

TEST_F(ChartPageTest, ModeZeroPlotsRegistersWithSignedVelocityAndLogsWithoutTrailingSemicolon) {
    TalmirSim_SetRegister(37, 40000);
    TalmirSim_SetRegister(36, 123);
    TalmirSim_SetRegister(39, 0xFFFF);
    LogTo(Path("chart.csv"));
    const double x = state_.ChartSampleCounter;
    Face().TimerTimer();
    EXPECT_EQ(Points(Face().SeriesAng), Pts({{x, 40000}}));
    EXPECT_EQ(Points(Face().SeriesVelocity), Pts({{x, -1}}));
    EXPECT_EQ(Points(Face().SeriesAngRAW), Pts({{x, 123}}));
    EXPECT_EQ(Face().SeriesTemp->Count(), 0);
    EXPECT_EQ(Leds(), QStringList({"", "", ""})) << "mode 0 leaves the status row";
    EXPECT_EQ(ReadFile(Path("chart.csv")), "Angle;AngleRaw;Velocity\r\n40000;123;-1\r\n");
    EXPECT_EQ(state_.ChartSampleCounter, x + 1);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(ChartPageTest, ModeTwoUsesThePagesOwnDecoding) {
    SelectMode(2);
    LogTo(Path("chart.csv"));
    QueueFrame({0x05, 0xFF, 0x6A, 0xBC});
    const double x = state_.ChartSampleCounter;
    Face().TimerTimer();
    EXPECT_EQ(Points(Face().SeriesAng), Pts({{x, 27324}}));
    EXPECT_EQ(Points(Face().SeriesTemp), Pts({{x, 511}})) << "hidden series still receive points";
    EXPECT_FALSE(Face().SeriesTemp->Active());
    EXPECT_EQ(Face().SeriesVelocity->Count(), 0);
    EXPECT_EQ(Face().SeriesAngRAW->Count(), 0);
    EXPECT_EQ(Leds(), QStringList({"1", "0", "0"}));
    EXPECT_EQ(ReadFile(Path("chart.csv")),
              "Angle;ADC;AALM;AAHM;CRC;Data1(hex);Data0(hex);\r\n27324;0;0;1;511;6ABC;05FF;\r\n");
}

TEST_F(ChartPageTest, ModesOneThreeAndFourFollowTheExportDecoding) {
    LogTo(Path("chart.csv"));
    SelectMode(1);
    QueueFrame({0x5A, 0xBC, 0x0D});
    Face().TimerTimer();
    EXPECT_EQ(Face().SeriesAng->YValue(0), 43981);
    EXPECT_EQ(Leds(), QStringList({"1", "0", "1"}));

    SelectMode(3);
    QueueFrame({0x0A, 0x05, 0x81, 0x23});
    Face().TimerTimer();
    EXPECT_EQ(Face().SeriesAng->YValue(1), 164131);
    EXPECT_EQ(Leds(), QStringList({"0", "1", "1"}));

    SelectMode(4);
    QueueFrame({0x3F, 0x8A, 0xD8, 0x05, 0x7F, 0xFF});
    const double x = state_.ChartSampleCounter;
    Face().TimerTimer();
    EXPECT_EQ(Face().SeriesAng->YValue(2), 196607);
    EXPECT_EQ(Points(Face().SeriesTemp), Pts({{x, 43}}));
    EXPECT_EQ(Points(Face().SeriesVelocity), Pts({{x, 127}}));
    EXPECT_EQ(Leds(), QStringList({"1", "1", "0"})) << "LOCK_IN is always 0 in mode 4";

    // The file keeps the header of the mode it was created in.
    EXPECT_EQ(ReadFile(Path("chart.csv")),
              "Angle;ADC;AALM;AAHM;CRC;Data(hex);Data(bin);\r\n"
              "43981;1;0;1;0;05ABCD;01011010101111001101;\r\n"
              "164131;1;1;0;8123;0A05;\r\n"
              "196607;1;1;43;127;7FFF;D805;3F8A;\r\n");
}

TEST_F(ChartPageTest, ModeFiveReadsNothingWritesOneEmptyLineAndStillCounts) {
    SelectMode(5);
    LogTo(Path("chart.csv"));
    const int start = state_.ChartSampleCounter;
    Face().TimerTimer();
    Face().TimerTimer();
    EXPECT_EQ(ReadFile(Path("chart.csv")), "\r\n");
    EXPECT_EQ(state_.ChartSampleCounter, start + 2);
    EXPECT_TRUE(CallsOf("SPI_Read").empty());
    for (const auto& s : Page().Chart2->Series()) EXPECT_EQ(s->Count(), 0);
}

TEST_F(ChartPageTest, ClearingKeepsTheCounterSoPointsContinueAcrossClearAndRestart) {
    SelectMode(2);
    const int start = state_.ChartSampleCounter;
    Face().TimerTimer();
    Face().TimerTimer();
    Page().BtnClearChart->click();
    for (const auto& s : Page().Chart2->Series()) {
        EXPECT_EQ(s->Count(), 0);
        EXPECT_EQ(s->Store()->BytesUsed(), 0u) << "Сбросить frees the samples' memory";
    }
    EXPECT_EQ(state_.ChartSampleCounter, start + 2);

    Page().btnStart->click();  // start: first tick at once
    Page().btnStart->click();  // stop
    Face().TimerTimer();       // the one more tick
    EXPECT_EQ(Points(Face().SeriesTemp).size(), 2u);
    EXPECT_EQ(Face().SeriesAng->XValue(0), start + 2);
    EXPECT_EQ(Face().SeriesAng->XValue(1), start + 3);
}

TEST_F(ChartPageTest, StartStopAndOneMoreTick) {
    const int start = state_.ChartSampleCounter;
    Page().btnStart->click();
    EXPECT_EQ(Page().btnStart->text(), "Стоп");
    EXPECT_TRUE(state_.AcquisitionActive);
    EXPECT_TRUE(Face().ui->chCFG->isChecked()) << "mode 0 checks the programming line";
    EXPECT_EQ(state_.ChartSampleCounter, start + 1) << "the first tick runs at once";
    EXPECT_TRUE(Face().Timer->isActive());
    EXPECT_EQ(Face().Timer->interval(), 100);

    Page().btnStart->click();
    EXPECT_EQ(Page().btnStart->text(), "Старт");
    EXPECT_FALSE(state_.AcquisitionActive);
    EXPECT_TRUE(Face().Timer->isActive()) << "stopping leaves the armed timer alone";
    Face().TimerTimer();
    EXPECT_EQ(state_.ChartSampleCounter, start + 2) << "the last tick runs in full";
    EXPECT_FALSE(Face().Timer->isActive());

    SelectMode(2);
    Page().btnStart->click();
    EXPECT_FALSE(Face().ui->chCFG->isChecked()) << "other modes uncheck it";
}

TEST_F(ChartPageTest, ModeChangeWhilePollingTakesEffectNextTickWithoutTouchingChCfg) {
    Page().btnStart->click();
    ASSERT_TRUE(Face().ui->chCFG->isChecked());
    SelectMode(2);
    Face().TimerTimer();
    EXPECT_TRUE(Face().ui->chCFG->isChecked());
    EXPECT_EQ(Face().SeriesTemp->Count(), 1) << "the second tick read in mode 2";
}

TEST_F(ChartPageTest, PageChangeStopsAfterOneMoreTickWithCaptionLeftAtStop) {
    Face().ui->PageControl->setCurrentIndex(1);
    Page().btnStart->click();
    Face().ui->PageControl->setCurrentIndex(2);
    EXPECT_FALSE(state_.AcquisitionActive);
    const int before = state_.ChartSampleCounter;
    Face().TimerTimer();
    EXPECT_EQ(state_.ChartSampleCounter, before + 1);
    EXPECT_FALSE(Face().Timer->isActive());
    EXPECT_EQ(Page().btnStart->text(), "Стоп");

    Page().btnStart->click();  // only clears the flag and resets the caption
    EXPECT_EQ(Page().btnStart->text(), "Старт");
    EXPECT_EQ(state_.ChartSampleCounter, before + 1);
    Page().btnStart->click();
    EXPECT_TRUE(state_.AcquisitionActive);
    EXPECT_EQ(state_.ChartSampleCounter, before + 2);
}

TEST_F(ChartPageTest, IntervalIsReadOnlyAtStart) {
    Page().EditInterval->setText("abc");
    Page().btnStart->click();
    EXPECT_EQ(Face().Timer->interval(), 100);
    Page().EditInterval->setText("7");
    Face().TimerTimer();
    EXPECT_EQ(Face().Timer->interval(), 100);
    Page().btnStart->click();
    Page().btnStart->click();
    EXPECT_EQ(Face().Timer->interval(), 7);

    Page().btnStart->click();
    Page().EditInterval->setText("-1");
    Page().btnStart->click();
    EXPECT_EQ(Face().Timer->interval(), INT_MAX) << "a negative period never ticks";
}

TEST_F(ChartPageTest, ZeroIntervalTakesOnlyTheFirstReading) {
    Page().EditInterval->setText("0");
    const int start = state_.ChartSampleCounter;
    Page().btnStart->click();
    EXPECT_EQ(state_.ChartSampleCounter, start + 1);
    EXPECT_FALSE(Face().Timer->isActive());
    EXPECT_EQ(Page().btnStart->text(), "Стоп");
}

TEST_F(ChartPageTest, UnopenableLogFileStopsPollingWithCounterUnchanged) {
    LogTo(Path("missing-folder/chart.csv"));
    const int start = state_.ChartSampleCounter;
    Page().btnStart->click();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("missing-folder/chart.csv")) << Errors()[0].toStdString();
    EXPECT_EQ(state_.ChartSampleCounter, start);
    EXPECT_FALSE(Face().Timer->isActive());
    EXPECT_EQ(Page().btnStart->text(), "Старт") << "a failed tick ends the acquisition";
    EXPECT_TRUE(state_.AcquisitionActive);

    LogTo("");
    Face().TimerTimer();
    ASSERT_EQ(Errors().size(), 2);
    EXPECT_EQ(Errors()[1], QStringLiteral("Не задано имя файла данных"));
}

TEST_F(ChartPageTest, FailedFrameReadIsNotAReading) {
    SelectMode(2);
    LogTo(Path("chart.csv"));
    Face().TimerTimer();
    const QByteArray logged = ReadFile(Path("chart.csv"));
    const QStringList leds = Leds();
    const int start = state_.ChartSampleCounter;
    state_.AcquisitionActive = true;
    TalmirSim_FailCall("SPI_Read", 4, 1);
    Face().TimerTimer();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("SPI_Read")) << Errors()[0].toStdString();
    EXPECT_EQ(Face().SeriesAng->Count(), 1);
    EXPECT_EQ(Face().SeriesTemp->Count(), 1);
    EXPECT_EQ(Leds(), leds);
    EXPECT_EQ(ReadFile(Path("chart.csv")), logged);
    EXPECT_EQ(state_.ChartSampleCounter, start);
    EXPECT_FALSE(Face().Timer->isActive());
}

TEST_F(ChartPageTest, FailedRegisterReadInModeZeroEndsTheTickBeforeAnyPoint) {
    LogTo(Path("chart.csv"));
    TalmirSim_FailCall("SPI_Read", 4, 1);
    const int start = state_.ChartSampleCounter;
    state_.AcquisitionActive = true;
    Face().TimerTimer();
    EXPECT_EQ(Errors().size(), 1);
    for (const auto& s : Page().Chart2->Series()) EXPECT_EQ(s->Count(), 0);
    EXPECT_FALSE(QFile::exists(Path("chart.csv")));
    EXPECT_EQ(state_.ChartSampleCounter, start);
    EXPECT_FALSE(Face().Timer->isActive());
}

TEST_F(ChartPageTest, StatusCellsAreGreenOrRedByTheirFlag) {
    QTableWidget* grid = Page().sgLeds;
    auto colourAt = [&](int col) {
        QImage image(100, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        EXPECT_TRUE(Face().sgLedsDrawCell(col, 1, QRect(0, 0, 100, 30), &painter));
        painter.end();
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)) << "the border pixel stays";
        return image.pixelColor(5, 15);
    };
    const QColor green(0, 128, 0), red(255, 0, 0);
    EXPECT_EQ(colourAt(0), green);
    EXPECT_EQ(colourAt(1), green);
    EXPECT_EQ(colourAt(2), red);
    grid->item(1, 0)->setText("1");
    grid->item(1, 1)->setText("x");
    grid->item(1, 2)->setText("1");
    EXPECT_EQ(colourAt(0), red);
    EXPECT_EQ(colourAt(1), green) << "text that is not an integer reads as 0";
    EXPECT_EQ(colourAt(2), green);

    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    EXPECT_FALSE(Face().sgLedsDrawCell(0, 0, QRect(0, 0, 10, 10), &painter))
        << "the header row is drawn the ordinary way";
}

}  // namespace
}  // namespace talmir::test
