// Renders the README's pictures of the calibration analysis on a simulated
// chip with imperfect channels: the XY page polling it with the fitted
// ellipse over the points, and the window "Ошибка угла" on a work-data run of
// five turns at steady speed. Run offscreen by `make screenshots`.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "ScreenshotSupport.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/AngleErrorWindow.h"
#include "ui/ChartView.h"
#include "ui/main.h"
#include "ui_PageCircle.h"
#include "ui_PageWork.h"
#include "ui_main.h"

using talmir::screenshots::PumpFor;
using talmir::screenshots::Save;

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s XY-FIT.png ANGLE-ERROR.png\n", argv[0]);
        return 2;
    }
    talmir::MpsseLink link;
    if (!talmir::screenshots::BindSimulator(link)) return 1;
    TalmirSim_Reset();
    // Imperfections large enough to see at the page's scale.
    const TalmirSimSignal signal{1500, -1000, 21000, 18500, 4, 0.3, 40};
    TalmirSim_SetSignal(&signal);

    QTemporaryDir dir;
    talmir::TF_FaceOptions options;
    options.exeDir = dir.path() + "/";
    talmir::AcquisitionState state;
    talmir::TF_Face face(link, state, options);
    face.resize(939, 743);
    face.show();

    // The XY page polls the turning magnet for a few turns.
    face.ui->PageControl->setCurrentWidget(face.ui->tsCirkle);
    TalmirSim_SetSpeed(1.0);
    face.circle->EditXYDataInt->setText("2");
    face.circle->btnStartXYChart->click();
    PumpFor(2500);
    face.circle->btnStartXYChart->click();
    PumpFor(400);  // the last cycle and the last fit
    face.circle->ChartXY->RedrawNow();
    QCoreApplication::processEvents();
    talmir::screenshots::ShowLibraryFileName(face.ui->StatusBar, link);
    if (!Save(face, argv[1])) return 1;

    // The work-data page, one cycle per step of the magnet: five turns at
    // steady speed in 2000 samples.
    face.ui->PageControl->setCurrentWidget(face.ui->tsWork);
    face.work->EditAngleWorkDataInt->setText("0");
    constexpr int kCycles = 2000;
    for (int i = 0; i < kCycles; ++i) {
        TalmirSim_SetAngle(static_cast<uint16_t>(static_cast<long>(i * 5.0 * 65536 / kCycles)));
        if (i == 0) {
            face.work->BtnStartAngleWrkData->click();
        } else {
            face.TimerWorkDataTimer();
        }
    }
    face.work->BtnStartAngleWrkData->click();
    face.work->BtnAngleError->click();
    talmir::AngleErrorWindow* window = face.AngleErrorWin();
    if (window == nullptr) {
        std::fprintf(stderr, "the window \"Ошибка угла\" did not open\n");
        return 1;
    }
    window->resize(820, 640);
    PumpFor(200);
    return Save(*window, argv[2]) ? 0 : 1;
}
