// The review window: opened from the main window or by a dropped file, read
// on a worker with Cancel, and its series and analyses.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <cmath>

#include "UiTestSupport.h"
#include "core/AngleRecord.h"
#include "core/SampleLines.h"
#include "ui/AngleErrorWindow.h"
#include "ui/CaptureTimeTicker.h"
#include "ui/ChartView.h"
#include "ui/ReviewWindow.h"
#include "ui_ReviewWindow.h"

namespace talmir::test {
namespace {

class ReviewWindowTest : public UiTest {
protected:
    // Writes the lines, CR LF each, and opens the file from the main window.
    ReviewWindow* Open(const QString& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        WriteFile(Path(name), QByteArray::fromStdString(text));
        ReviewWindow* window = Face().OpenReview(Path(name));
        EXPECT_TRUE(Pump(10000, [&] { return !window->Reading(); }));
        return window;
    }
};

std::string ChartMode2Line(uint16_t a1, uint16_t a2) {
    RawReading raw;
    raw.AData1 = a1;
    raw.AData2 = a2;
    return RecordLine(2, raw, DecodeChartMode2(raw));
}

TEST_F(ReviewWindowTest, ShowsAChartFileWithItsBadLinesAndSpectrum) {
    std::vector<std::string> lines = {RecordHeader(2)};
    for (int i = 0; i < 300; ++i) {
        const auto angle = static_cast<uint16_t>(i * 997);
        lines.push_back(i == 1 ? "27324;0;0;1;511;6abc;05FF;" : ChartMode2Line(0x0005, angle));
    }
    ReviewWindow* window = Open("chart.csv", lines);
    ASSERT_NE(window->Record(), nullptr);
    const auto& series = window->ui->ChartReview->Series();
    ASSERT_EQ(series.size(), 7u);
    EXPECT_EQ(series[0]->Title(), "Angle");
    EXPECT_EQ(series[0]->Count(), 299);
    EXPECT_EQ(series[0]->YValue(1), 2 * 997);  // line 3 follows the left-out line 2
    EXPECT_TRUE(series[0]->Active());
    EXPECT_FALSE(series[1]->Active());  // flags start hidden
    EXPECT_TRUE(window->ui->LabelBadLines->text().contains("строка 3: поле 6"))
        << window->ui->LabelBadLines->text().toStdString();
    EXPECT_TRUE(window->ui->LabelFile->text().contains("расшифровка страницы «График»"));
    EXPECT_FALSE(window->ui->btnEllipse->isEnabled());
    EXPECT_TRUE(window->ui->btnAngleError->isEnabled());

    window->ui->ComboSeries->setCurrentIndex(0);
    window->ui->btnSpectrum->click();
    EXPECT_EQ(window->SpectrumGraph->data()->size(), 128);  // 256 samples a segment
    EXPECT_TRUE(window->ui->LabelAnalysis->text().contains("Шумовая полка"));

    window->ui->btnAngleError->click();
    ASSERT_NE(window->AngleErrorWin(), nullptr);
    EXPECT_TRUE(window->AngleErrorWin()->isVisible());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("; ").toStdString();
}

// A resize replots the plots on a later turn, at their new size, once
// however many resizes came before.
TEST_F(ReviewWindowTest, PlotsReplotAtTheirNewSizeAfterAResize) {
    ReviewWindow window;
    window.resize(800, 600);
    window.show();
    ASSERT_TRUE(Pump(2000, [&] { return window.ui->ChartSpectrum->width() > 0; }));
    Pump(50);
    QCustomPlot* plot = window.ui->ChartSpectrum;
    int replots = 0;
    QObject::connect(plot, &QCustomPlot::afterReplot, [&] { ++replots; });
    window.resize(700, 500);
    window.resize(900, 650);
    EXPECT_EQ(replots, 0) << "replotted within the resize";
    ASSERT_TRUE(Pump(2000, [&] { return replots > 0; }));
    Pump(50);
    EXPECT_EQ(replots, 1);
    EXPECT_EQ(plot->viewport(), plot->rect());
}

TEST_F(ReviewWindowTest, FitsAnEllipseToXYData) {
    std::vector<std::string> lines = {XYHeader()};
    for (int i = 0; i < 360; ++i) {
        const double a = i * 3.141592653589793 / 180;
        lines.push_back(XYLine(static_cast<int32_t>(std::lround(300 + 20000 * std::sin(a))),
                               static_cast<int32_t>(std::lround(-200 + 19000 * std::cos(a)))));
    }
    ReviewWindow* window = Open("xy.csv", lines);
    ASSERT_TRUE(window->ui->btnEllipse->isEnabled());
    EXPECT_FALSE(window->ui->btnAngleError->isEnabled());
    window->ui->btnEllipse->click();
    const QString text = window->ui->LabelAnalysis->text();
    EXPECT_TRUE(text.contains("смещение X 300,0, Y -200,0")) << text.toStdString();
}

TEST_F(ReviewWindowTest, ShowsACaptureInSecondsOfItsOwnTimes) {
    // A sample every 10 ms; the sample at 1.00 s is lost.
    std::vector<std::string> lines = {"t_us;" + ChartMode0Header()};
    for (int k = 0; k < 300; ++k)
        if (k != 100) lines.push_back(std::to_string(k * 10000) + ";" + ChartMode0Line(k, 0, 1));
    ReviewWindow* window = Open("capture.csv", lines);
    ASSERT_NE(window->Record(), nullptr);
    auto ticker = window->ui->ChartReview->xAxis->ticker().dynamicCast<CaptureTimeTicker>();
    ASSERT_TRUE(ticker);
    EXPECT_DOUBLE_EQ(ticker->XAtSeconds(0.5), 50);
    EXPECT_DOUBLE_EQ(ticker->XAtSeconds(1.0), 99.5);  // halfway between 0.99 s and 1.01 s
    EXPECT_DOUBLE_EQ(ticker->XAtSeconds(2.0), 199);
    EXPECT_DOUBLE_EQ(ticker->SecondsAt(199), 2.0);
    EXPECT_DOUBLE_EQ(ticker->SecondsAt(-1), -0.01);
}

TEST_F(ReviewWindowTest, CancelStopsALongReadingAndADroppedFileOpens) {
    // Some 10 MB: the reading is cancelled long before its end.
    std::string text = XYHeader() + "\r\n";
    while (text.size() < (10 << 20)) text += XYLine(-12345, 23456) + "\r\n";
    WriteFile(Path("long.csv"), QByteArray::fromStdString(text));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("long.csv"))});
    // The drop goes where the drag entered and was accepted.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Face(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Face(), &drop);
    ReviewWindow* window = Face().findChild<ReviewWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Reading());
    window->ui->btnCancel->click();
    ASSERT_TRUE(Pump(10000, [&] { return !window->Reading(); }));
    EXPECT_EQ(window->Record(), nullptr);
    EXPECT_TRUE(window->ui->LabelFile->text().contains("отменено"));
}

TEST_F(ReviewWindowTest, OnePlainFileArgumentIsAFileToReview) {
    EXPECT_EQ(ReviewFileArgument({"data.csv"}), "data.csv");
    for (const QStringList& args : {QStringList{}, QStringList{"-adapters"},
                                    QStringList{"a.csv", "b.csv"}, QStringList{"-xyfit", "a"}})
        EXPECT_FALSE(ReviewFileArgument(args)) << args.join(' ').toStdString();
}

}  // namespace
}  // namespace talmir::test
