// The charting component: line series storage, legend check boxes, coalesced
// redraws and automatic axes from running ranges.
#include <QCoreApplication>
#include <QDeadlineTimer>

#include "UiTestSupport.h"
#include "ui/ChartView.h"

namespace talmir::test {
namespace {

class ChartViewTest : public ::testing::Test {
protected:
    // Runs the event loop until no redraw is pending (or a generous deadline
    // passes, which the caller's assertions then report).
    void FlushRedraws() {
        QDeadlineTimer deadline(5000);
        while (chart.RedrawPending() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    void ClickLegend(int index) {
        emit chart.legendClick(chart.legend, chart.legend->item(index), nullptr);
    }

    TChart chart;
};

TEST_F(ChartViewTest, LineSeriesKeepsEveryPointInOrderUntilCleared) {
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    for (int i = 0; i < 1000; ++i) s->AddXY(i, i % 7);
    s->AddXY(1000, -3.5);
    ASSERT_EQ(s->Count(), 1001);
    for (int i = 1; i < s->Count(); ++i) ASSERT_LT(s->XValue(i - 1), s->XValue(i));
    EXPECT_EQ(s->YValue(1000), -3.5);
    EXPECT_EQ(s->ValueRange().yMin, -3.5);
    EXPECT_EQ(s->ValueRange().xMax, 1000);
    s->Clear();
    EXPECT_EQ(s->Count(), 0);
    EXPECT_TRUE(s->ValueRange().Empty());
    s->AddXY(5, 1);
    EXPECT_EQ(s->XValue(0), 5);
}

TEST_F(ChartViewTest, HiddenSeriesKeepsReceivingPoints) {
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    s->SetActive(false);
    s->AddXY(1, 2);
    s->AddXY(2, 3);
    EXPECT_FALSE(s->Active());
    EXPECT_EQ(s->Count(), 2);
    s->SetActive(true);
    EXPECT_TRUE(s->Plottable()->visible());
}

TEST_F(ChartViewTest, LegendCheckBoxTogglesItsOwnSeries) {
    chart.SetLegendWithCheckBoxes(true);
    TChartSeries* a = chart.AddLineSeries("a", Qt::blue);
    TChartSeries* b = chart.AddLineSeries("b", Qt::red);
    EXPECT_TRUE(chart.legend->visible());
    ASSERT_EQ(chart.legend->itemCount(), 2);
    ClickLegend(1);
    EXPECT_TRUE(a->Active());
    EXPECT_FALSE(b->Active());
    EXPECT_TRUE(chart.RedrawPending());
    ClickLegend(1);
    EXPECT_TRUE(b->Active());
}

TEST_F(ChartViewTest, AddingPointsNeverRedrawsAtOnceAndManyRequestsCostOneRedraw) {
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    QCoreApplication::processEvents();  // replots the plot queued for itself
    int replots = 0;
    QObject::connect(&chart, &QCustomPlot::afterReplot, [&replots] { ++replots; });
    for (int i = 0; i < 100; ++i) {
        s->AddXY(i, i);
        chart.RequestRedraw();
    }
    EXPECT_EQ(replots, 0);
    EXPECT_TRUE(chart.RedrawPending());
    FlushRedraws();
    EXPECT_FALSE(chart.RedrawPending());
    EXPECT_EQ(replots, 1);
}

TEST_F(ChartViewTest, AutomaticAxesFollowTheShownSeriesOnly) {
    TChartSeries* a = chart.AddLineSeries("a", Qt::blue);
    TChartSeries* b = chart.AddLineSeries("b", Qt::red);
    a->AddXY(10, 100);
    a->AddXY(20, 200);
    b->AddXY(30, 5000);
    b->SetActive(false);
    chart.RedrawNow();
    EXPECT_EQ(chart.xAxis->range().lower, 10);
    EXPECT_EQ(chart.xAxis->range().upper, 20);
    EXPECT_LE(chart.yAxis->range().lower, 100);
    EXPECT_GE(chart.yAxis->range().upper, 200);
    EXPECT_LT(chart.yAxis->range().upper, 5000);

    b->SetActive(true);
    chart.RedrawNow();
    EXPECT_EQ(chart.xAxis->range().upper, 30);
    EXPECT_GE(chart.yAxis->range().upper, 5000);
}

TEST_F(ChartViewTest, FixedAxesStayPut) {
    TChartSeries* a = chart.AddLineSeries("a", Qt::blue);
    chart.SetFixedAxes(-1, 1, -2, 2);
    a->AddXY(100, 100);
    chart.RedrawNow();
    EXPECT_FALSE(chart.AutoScale());
    EXPECT_EQ(chart.xAxis->range(), QCPRange(-1, 1));
    EXPECT_EQ(chart.yAxis->range(), QCPRange(-2, 2));
}

template <typename Match>
int CountPixels(const QImage& image, Match match) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += match(QColor(image.pixel(x, y)));
    return n;
}

TEST_F(ChartViewTest, LegendColourCanDifferFromTheLine) {
    chart.resize(400, 300);
    chart.SetLegendWithCheckBoxes(true);
    TChartSeries* s = chart.AddLineSeries("a", QColor(43, 64, 107));
    chart.SetLegendColor(s, QColor(0, 128, 0));
    for (int i = 0; i < 100; ++i) s->AddXY(i, i);
    chart.RedrawNow();
    const QImage image = chart.toPixmap(400, 300).toImage();
    // The line is antialiased, so it is found by hue, the legend icon exactly.
    const auto green = [](const QColor& c) { return c == QColor(0, 128, 0); };
    const auto blue = [](const QColor& c) {
        return c.blue() > c.red() + 30 && c.blue() > c.green() + 20;
    };
    EXPECT_GT(CountPixels(image, green), 5) << "legend icon in its own colour";
    EXPECT_GT(CountPixels(image, blue), 50) << "the line keeps its colour";
    EXPECT_EQ(s->Plottable()->pen().color(), QColor(43, 64, 107));
}

}  // namespace
}  // namespace talmir::test
