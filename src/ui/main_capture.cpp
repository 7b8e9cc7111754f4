// The capture from the main window: the button "Захват…" beside "Просмотр…".
// Polling stops first (the shared run flag cleared, as a page change does, and
// every poll timer's last tick waited for); the modal dialog then owns the
// link until the capture ends, and the samples open in a review window, which
// can save them as the capture job's file.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "device/CaptureEngine.h"
#include "ui/CaptureDialog.h"
#include "ui/ErrorBox.h"
#include "ui/ReviewWindow.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace talmir {

bool TF_Face::StopPollingForCapture() {
    state_.AcquisitionActive = false;
    std::vector<QTimer*> timers = {Timer, TimerWorkData, TimerXYData};
    if (sensorWindow_) timers.push_back(sensorWindow_->Timer);
    QElapsedTimer waited;
    waited.start();
    const auto anyActive = [&] {
        for (QTimer* t : timers)
            if (t != nullptr && t->isActive()) return true;
        return false;
    };
    while (anyActive()) {
        if (waited.elapsed() > 5000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void TF_Face::btnCaptureClick() {
    Guard(state_.errorSink, this, [&] {
        if (!StopPollingForCapture()) {
            ShowErrorBox(state_.errorSink, this, tr("Опрос не остановился: захват не начат"));
            return;
        }
        QStringList modes;
        for (int i = 0; i < chart->ListBoxMode->count(); ++i)
            modes << chart->ListBoxMode->item(i)->text();
        CaptureEngine engine(*chip_, link_);
        CaptureDialog dialog(engine, modes, this);
        dialog.errorSink = state_.errorSink;
        connect(&dialog, &CaptureDialog::Captured, this,
                [this](int mode, std::shared_ptr<const std::vector<CapturedSample>> samples,
                       const CaptureResult&) {
                    if (!samples->empty()) OpenCaptureReview(mode, std::move(samples));
                });
        dialog.exec();
    });
}

ReviewWindow* TF_Face::OpenCaptureReview(
    int mode, std::shared_ptr<const std::vector<CapturedSample>> samples) {
    auto* window = new ReviewWindow(this);
    window->errorSink = state_.errorSink;
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QString title = tr("Захват, режим %1: %2 отсчётов").arg(mode).arg(samples->size());
    if (!window->ShowCapture(mode, std::move(samples), title)) {
        delete window;
        return nullptr;
    }
    // Shown on a later turn of the event loop, so making the window and
    // showing it do not hold the window's thread in one piece.
    QTimer::singleShot(0, window, &QWidget::show);
    return window;
}

}  // namespace talmir
