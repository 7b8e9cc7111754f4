// Renders the picture of the chart page polling the simulated chip in demo
// mode: the main window opens as "talmir --demo" opens it, the chart page
// polls every millisecond for a few seconds, and the window is saved as a PNG
// with neutral paths (a data-file name without folders, the library's file
// name alone). On Linux it runs offscreen; the Windows build runs on the
// Windows platform, under wine on a virtual X display for the README.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "ScreenshotSupport.h"
#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "ui/AcquisitionState.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_main.h"

int main(int argc, char** argv) {
#ifndef _WIN32
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    talmir::MpsseLink link;
    if (!talmir::screenshots::BindSimulator(link)) return 1;

    QTemporaryDir dir;
    talmir::TF_FaceOptions options;
    options.exeDir = QDir::toNativeSeparators(dir.path() + "/");
    options.demo = true;
    talmir::AcquisitionState state;
    talmir::TF_Face face(link, state, options);
    face.resize(939, 743);
    face.show();
    face.ui->PageControl->setCurrentWidget(face.ui->TabSheet2);
    face.chart->ListBoxMode->setCurrentRow(1);
    face.chart->EditInterval->setText("1");
    face.chart->btnStart->click();
    talmir::screenshots::PumpFor(3000);
    face.chart->btnStart->click();
    talmir::screenshots::PumpFor(100);

    face.chart->EditChartsFile->setText(QStringLiteral("data.csv"));
    talmir::screenshots::ShowLibraryFileName(face.ui->StatusBar, link);
    return talmir::screenshots::Save(face, argv[1]) ? 0 : 1;
}
