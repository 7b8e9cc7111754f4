// Cost of the XY circle page's point series: adding one point, and redrawing
// ChartXY (550 x 550, fixed axes) holding 10^5 and 10^6 points.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "BenchMain.h"
#include "ui/ChartView.h"

namespace {

using talmir::TChart;
using talmir::TChartSeries;

// A chart set up like ChartXY, shown offscreen so replots paint for real.
struct XYChart {
    XYChart() {
        chart.resize(550, 550);
        chart.SetFixedAxes(-35000, 35000, -35000, 35000);
        chart.xAxis->setTickLabelRotation(90);
        series = chart.AddPointSeries(QStringLiteral("SeriesXY"), Qt::blue);
        chart.show();
        QApplication::processEvents();
    }
    TChart chart;
    TChartSeries* series;
};

// Points of a noisy circle, as the chip's sine/cosine channels trace it.
void FillCircle(TChartSeries* series, int count) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (int i = 0; i < count; ++i) {
        const double a = i * 0.001;
        series->AddXY(std::round(20000 * std::sin(a) + noise(rng)),
                      std::round(20000 * std::cos(a) + noise(rng)));
    }
}

void BM_AddXYPoint(benchmark::State& state) {
    XYChart xy;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> value(-32768, 32767);
    for (auto _ : state) {
        xy.series->AddXY(value(rng), value(rng));
        if (xy.series->Count() >= 2000000) {
            state.PauseTiming();
            xy.series->Clear();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_AddXYPoint);

// One redraw after one more point arrived: what every poll tick costs.
void BM_RedrawXYAfterNewPoint(benchmark::State& state) {
    XYChart xy;
    FillCircle(xy.series, static_cast<int>(state.range(0)));
    xy.chart.RedrawNow();
    double a = 0;
    for (auto _ : state) {
        a += 0.01;
        xy.series->AddXY(20000 * std::sin(a), 20000 * std::cos(a));
        xy.chart.RedrawNow();
    }
    state.counters["points"] = xy.series->Count();
}
BENCHMARK(BM_RedrawXYAfterNewPoint)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond);

// One redraw after the view changed (resize or new axis range), when every
// point has to be placed again.
void BM_RedrawXYAfterViewChange(benchmark::State& state) {
    XYChart xy;
    FillCircle(xy.series, static_cast<int>(state.range(0)));
    xy.chart.RedrawNow();
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        const double limit = wide ? 35001 : 35000;
        xy.chart.SetFixedAxes(-limit, limit, -limit, limit);
        xy.chart.RedrawNow();
    }
}
BENCHMARK(BM_RedrawXYAfterViewChange)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
