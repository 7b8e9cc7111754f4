// Renders the README's picture of a capture: a simulated chip with imperfect
// channels, its magnet at 6,000 rpm, captured in readout mode 1 (the chip's
// 20-bit frame) at 20 kHz as "Захват…" does, in the review window with the
// amplitude spectrum of the angle, beside the window "Ошибка угла" of the
// same visible range. Run offscreen by `make screenshots`.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ScreenshotSupport.h"
#include "device/CaptureEngine.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"
#include "ui/AngleErrorWindow.h"
#include "ui/ChartView.h"
#include "ui/ReviewWindow.h"
#include "ui/main.h"
#include "ui_ReviewWindow.h"

using talmir::screenshots::PumpFor;

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CAPTURE.png\n", argv[0]);
        return 2;
    }
    talmir::MpsseLink link;
    if (!talmir::screenshots::BindSimulator(link)) return 1;
    TalmirSim_Reset();
    // Imperfections large enough to see in the angle error.
    const TalmirSimSignal signal{1500, -1000, 21000, 18500, 4, 0.3, 5};
    TalmirSim_SetSignal(&signal);

    QTemporaryDir dir;
    talmir::TF_FaceOptions options;
    options.exeDir = dir.path() + "/";
    talmir::AcquisitionState state;
    talmir::TF_Face face(link, state, options);

    // 20,000 samples at 20 kHz: one second, 100 turns of the magnet.
    TalmirSim_SetRpm(6000);
    auto samples = std::make_shared<std::vector<talmir::CapturedSample>>();
    talmir::CaptureEngine engine(face.Chip(), link);
    const talmir::CaptureResult result =
        engine.Run({1, 20000, 20000}, [&](std::vector<talmir::CapturedSample>&& block) {
            samples->insert(samples->end(), block.begin(), block.end());
        });
    TalmirSim_SetRpm(0);
    if (!result.error.empty() || !result.paced) {
        std::fprintf(stderr, "capture failed or not paced: %s\n", result.error.c_str());
        return 1;
    }
    talmir::ReviewWindow* review = face.OpenCaptureReview(1, samples);
    if (review == nullptr) return 1;
    review->resize(1000, 760);
    while (review->Reading()) PumpFor(20);
    if (review->Record() == nullptr) {
        std::fprintf(stderr, "the capture did not open in the review window\n");
        return 1;
    }
    // The first 0.1 s in view: ten turns.
    talmir::TChart* chart = review->ui->ChartReview;
    chart->SetFixedAxes(0, 1999, 0, 65535);
    chart->RedrawNow();
    PumpFor(100);
    review->btnSpectrumClick();
    review->btnAngleErrorClick();
    talmir::AngleErrorWindow* angleError = review->AngleErrorWin();
    if (angleError == nullptr) {
        std::fprintf(stderr, "the window \"Ошибка угла\" did not open\n");
        return 1;
    }
    angleError->resize(760, 760);
    PumpFor(300);
    for (QWidget* w : {static_cast<QWidget*>(review), static_cast<QWidget*>(angleError)})
        for (talmir::TChart* c : w->findChildren<talmir::TChart*>()) {
            c->RedrawNow();
            c->FinishRendering();
        }
    QCoreApplication::processEvents();

    // Both windows side by side in one picture.
    const QPixmap left = review->grab(), right = angleError->grab();
    QImage picture(left.width() + 8 + right.width(), std::max(left.height(), right.height()),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + 8, 0, right);
    painter.end();
    if (picture.save(QString::fromLocal8Bit(argv[1]))) return 0;
    std::fprintf(stderr, "cannot save %s\n", argv[1]);
    return 1;
}
