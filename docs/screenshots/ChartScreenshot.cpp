// Renders the README's picture of a navigated chart: the chart page polls the
// simulated chip (a turning magnet with noise) for a while, then Chart2 is
// zoomed into a short stretch with both measurement cursors set, and the
// window is saved as a PNG. Run offscreen by `make screenshots`.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ScreenshotSupport.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/ChartView.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_main.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    talmir::MpsseLink link;
    if (!talmir::screenshots::BindSimulator(link)) return 1;
    TalmirSim_Reset();
    TalmirSim_SetSpeed(0.5);
    TalmirSim_SetNoise(40, 7);

    QTemporaryDir dir;
    talmir::TF_FaceOptions options;
    options.exeDir = dir.path() + "/";
    talmir::AcquisitionState state;
    talmir::TF_Face face(link, state, options);
    face.resize(939, 743);
    face.show();
    face.chart->ListBoxMode->setCurrentRow(1);
    face.chart->EditInterval->setText("1");
    face.chart->btnStart->click();
    talmir::screenshots::PumpFor(4000);
    face.chart->btnStart->click();
    QCoreApplication::processEvents();

    talmir::TChart* chart = face.chart->Chart2;
    const double last = chart->xAxis->range().upper;
    const double from = last * 0.40, to = last * 0.46;
    chart->Viewport().ShowX({from, to});
    chart->SetCursors(from + (to - from) * 0.25, from + (to - from) * 0.7);
    face.chart->EditChartsFile->setText(QStringLiteral("data.csv"));
    talmir::screenshots::ShowLibraryFileName(face.ui->StatusBar, link);
    return talmir::screenshots::Save(face, argv[1]) ? 0 : 1;
}
