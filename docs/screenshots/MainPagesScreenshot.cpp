// Renders the README's pictures of the register page and the XY page, the main
// window opened as "talmir --demo" opens it: the register page after the
// simulated chip is identified, register 5 is written and all registers are
// read, register 5 selected; the XY page after it has polled the turning
// magnet every 5 ms for a few seconds, its ellipse fitted. The status bar names the library's file
// alone. Run offscreen by `make screenshots`.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "ScreenshotSupport.h"
#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "ui/AcquisitionState.h"
#include "ui/main.h"
#include "ui_PageCircle.h"
#include "ui_PageConfig.h"
#include "ui_main.h"

using talmir::screenshots::PumpFor;
using talmir::screenshots::Save;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s REGISTER-PAGE.png XY-PAGE.png\n", argv[0]);
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
    talmir::screenshots::ShowLibraryFileName(face.ui->StatusBar, link);

    face.ui->PageControl->setCurrentWidget(face.ui->tsASensDig);
    face.ui->btnIniChip->click();
    face.cfg->lbRegList->setCurrentRow(4);
    face.cfg->EditRegInHex->setText(QStringLiteral("$CA5C"));
    face.cfg->btnWriteReg->click();
    face.cfg->btnReadAll->click();
    PumpFor(100);
    if (!Save(face, argv[1])) return 1;

    face.ui->PageControl->setCurrentWidget(face.ui->tsCirkle);
    face.circle->EditXYDataInt->setText(QStringLiteral("5"));
    face.circle->btnStartXYChart->click();
    PumpFor(3000);
    face.circle->btnStartXYChart->click();
    PumpFor(400);  // the last cycle and the last fit
    face.circle->EditXYDataFile->setText(QStringLiteral("xy.csv"));
    return Save(face, argv[2]) ? 0 : 1;
}
