// The charting component: line series storage, legend check boxes, coalesced
// redraws and automatic axes from running ranges.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QWindow>

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
    void ShowAndWaitForExposure() {
        chart.show();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 &&
               (chart.windowHandle() == nullptr || !chart.windowHandle()->isExposed()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // Redraws the shown chart, waits for its series image and compares the
    // screen with the series drawn directly: nearly the same coloured pixels,
    // and the grid left as it is.
    void ExpectScreenMatchesDirectDrawing(const char* label) {
        chart.RedrawNow();
        chart.FinishRendering();
        const QSize size = chart.size();
        const QImage onScreen = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage direct = chart.toPixmap(size.width(), size.height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(onScreen.size(), direct.size());
        const auto coloured = [](QRgb p) { return qRed(p) != qGreen(p) || qGreen(p) != qBlue(p); };
        // Grey pixels in the plotting area are the grid, which the image
        // must leave be.
        const auto grey = [&](QRgb p) { return !coloured(p) && p != qRgb(255, 255, 255); };
        const QRect inner = chart.axisRect()->rect().adjusted(1, 1, -1, -1);
        int series = 0, differ = 0, greyLost = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < direct.width(); ++x) {
                const QRgb a = onScreen.pixel(x, y), b = direct.pixel(x, y);
                series += coloured(b) ? 1 : 0;
                differ += coloured(a) != coloured(b) ? 1 : 0;
                if (inner.contains(x, y) && grey(b) && !grey(a) && !coloured(a)) ++greyLost;
            }
        EXPECT_GT(series, 2000) << label;
        EXPECT_LT(differ, series / 50) << label;
        EXPECT_EQ(greyLost, 0) << label;
    }

    TChart chart;
};

TEST_F(ChartViewTest, LineSeriesKeepsEveryPointInOrderUntilCleared) {
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    for (int i = 0; i < 1000; ++i) s->AddXY(i, i % 7);
    s->AddXY(1000, -3);
    ASSERT_EQ(s->Count(), 1001);
    for (int i = 1; i < s->Count(); ++i) ASSERT_LT(s->XValue(i - 1), s->XValue(i));
    EXPECT_EQ(s->YValue(1000), -3);
    EXPECT_EQ(s->ValueRange().yMin, -3);
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

// Keys and values the line series hands its graph for the current view.
std::vector<std::pair<double, double>> Drawn(TChartSeries* s) {
    auto* graph = static_cast<QCPGraph*>(s->Plottable());
    std::vector<std::pair<double, double>> points;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        points.emplace_back(it->key, it->value);
    return points;
}

TEST_F(ChartViewTest, FullViewDrawsAtMostFourPointsAColumnAndZoomDrawsEverySample) {
    chart.resize(600, 300);
    chart.replot();
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    for (int i = 0; i < 300000; ++i) s->AddXY(i, i == 123457 ? 50000 : i % 1000);
    chart.RedrawNow();
    const auto full = Drawn(s);
    EXPECT_LE(full.size(), 4u * chart.axisRect()->width() + 2);
    EXPECT_EQ(std::max_element(full.begin(), full.end(),
                               [](auto& a, auto& b) { return a.second < b.second; })
                  ->first,
              123457);

    chart.Viewport().ZoomTo({123000, 123999}, {0, 60000});
    chart.RedrawNow();
    const auto zoomed = Drawn(s);
    // Every sample in view plus one beyond each edge.
    ASSERT_EQ(zoomed.size(), 1002u);
    for (std::size_t k = 0; k < zoomed.size(); ++k) {
        const int x = 122999 + static_cast<int>(k);
        ASSERT_EQ(zoomed[k].first, x);
        ASSERT_EQ(zoomed[k].second, x == 123457 ? 50000 : x % 1000);
    }
    // The double click follows the whole record again.
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(300, 150), QPointF(300, 150),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&chart, &dbl);
    chart.RedrawNow();
    EXPECT_EQ(chart.xAxis->range().upper, 299999);
}

TEST_F(ChartViewTest, WheelZoomsXAroundTheMouseAndCtrlWheelZoomsY) {
    chart.resize(600, 300);
    TChartSeries* s = chart.AddLineSeries("a", Qt::blue);
    for (int i = 0; i < 1000; ++i) s->AddXY(i, i);
    chart.RedrawNow();
    const QPointF at(chart.axisRect()->center());
    const double xAt = chart.xAxis->pixelToCoord(at.x()), yBefore = chart.yAxis->range().size();
    QWheelEvent wheel(at, chart.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&chart, &wheel);
    EXPECT_NEAR(chart.xAxis->range().size(), 999 * 0.8, 1e-6);
    EXPECT_NEAR(chart.xAxis->pixelToCoord(at.x()), xAt, 1e-6);
    QWheelEvent ctrl(at, chart.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&chart, &ctrl);
    EXPECT_NEAR(chart.yAxis->range().size(), yBefore * 0.8, 1e-6);
    // Polling goes on: new samples keep the zoomed x range.
    const QCPRange kept = chart.xAxis->range();
    for (int i = 1000; i < 2000; ++i) s->AddXY(i, i);
    chart.RedrawNow();
    EXPECT_EQ(chart.xAxis->range(), kept);
}

TEST_F(ChartViewTest, CursorsStatisticsReadoutAndExportCoverTheShownSeriesInView) {
    chart.resize(600, 300);
    TChartSeries* a = chart.AddLineSeries("A", Qt::blue);
    TChartSeries* b = chart.AddLineSeries("B", Qt::red);
    TChartSeries* hidden = chart.AddLineSeries("H", Qt::green);
    for (int i = 0; i < 100; ++i) {
        a->AddXY(i, i % 2 ? 10 : 20);
        b->AddXY(i, 3 * i);
        hidden->AddXY(i, 1);
    }
    hidden->SetActive(false);
    chart.Viewport().ZoomTo({10, 13}, {0, 100});
    chart.RedrawNow();
    EXPECT_EQ(chart.StatisticsText(),
              "A: n = 4; min = 10; max = 20; среднее = 15.000; σ = 5.000; размах = 10\n"
              "B: n = 4; min = 30; max = 39; среднее = 34.500; σ = 3.354; размах = 9");
    chart.SetCursors(11.2, 40);
    EXPECT_EQ(chart.CursorText(), "ΔN = 29; Δ A = 10; Δ B = 87");
    EXPECT_EQ(chart.ReadoutAt(chart.xAxis->coordToPixel(12)), "N = 12; A = 20; B = 36");

    QTemporaryDir dir;
    const QString file = dir.filePath("visible.csv");
    chart.ExportVisibleRange(file);
    EXPECT_EQ(ReadFile(file), "Sample;A;B\r\n10;20;30\r\n11;10;33\r\n12;20;36\r\n13;10;39\r\n");
}

// A shown chart's series come from the renderer's thread; the picture on
// screen must be the one drawn directly (as a saved image is).
TEST_F(ChartViewTest, ShownChartDrawsTheSeriesImageWhereDirectDrawingPutsThem) {
    chart.resize(500, 300);
    TChartSeries* dense = chart.AddLineSeries("dense", QColor(0, 0, 255));
    TChartSeries* sparse = chart.AddLineSeries("sparse", QColor(200, 0, 0));
    for (int i = 0; i < 200000; ++i) dense->AddXY(i, (i * 37) % 1000);
    for (int i = 0; i < 200000; i += 5000) sparse->AddXY(i, 1500 + (i / 5000) % 3 * 100);
    ShowAndWaitForExposure();
    ExpectScreenMatchesDirectDrawing("full view");
    chart.Viewport().ZoomTo({100000, 100400}, {0, 2000});
    ExpectScreenMatchesDirectDrawing("zoomed");
}

// The window's thread appends while the renderer's thread draws the same
// series, as in polling (make tsan-test checks how they share the store); the
// image shown in the end is still the whole series.
TEST_F(ChartViewTest, SeriesGrowingWhileTheirImageIsDrawnEndUpDrawnWhole) {
    chart.resize(500, 300);
    TChartSeries* s = chart.AddLineSeries("growing", QColor(0, 0, 255));
    ShowAndWaitForExposure();
    for (int i = 0; i < 200000; ++i) {
        s->AddXY(i, (i * 37) % 1000);
        if (i % 10000 == 0) chart.RedrawNow();  // asks for an image, does not wait for it
    }
    ExpectScreenMatchesDirectDrawing("grown");
}

// After the view changes, points are placed from the occupied cells: each
// lone point's marker is still within a pixel of where it belongs.
TEST_F(ChartViewTest, PointsPlacedAfterAViewChangeStayWithinAPixel) {
    chart.resize(400, 400);
    chart.SetFixedAxes(-35000, 35000, -35000, 35000);
    TChartSeries* s = chart.AddPointSeries("xy", QColor(0, 0, 255));
    const std::vector<std::pair<int, int>> points = {
        {-30000, -30000}, {0, 0}, {12345, -20000}, {31000, 29000}};
    for (auto [x, y] : points) s->AddXY(x, y);
    chart.RedrawNow();
    chart.SetFixedAxes(-35001, 35001, -35001, 35001);  // every point placed again
    const QImage image = chart.toPixmap(400, 400).toImage();
    const auto blue = [&](int x, int y) {
        return image.valid(x, y) && image.pixel(x, y) == QColor(0, 0, 255).rgb();
    };
    for (auto [x, y] : points) {
        const int px = static_cast<int>(std::lround(chart.xAxis->coordToPixel(x)));
        const int py = static_cast<int>(std::lround(chart.yAxis->coordToPixel(y)));
        int found = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) found += blue(px + dx, py + dy) ? 1 : 0;
        EXPECT_EQ(found, 9) << x << ", " << y;  // a 5-pixel marker covers the 3 x 3 around it
    }
}

}  // namespace
}  // namespace talmir::test
