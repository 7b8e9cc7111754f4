// Access to the two auxiliary chart windows, which start hidden: each opens
// through a keyboard shortcut of the main window, named in the tab bar's tool
// tip, so the main window's layout stays as it is.
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>

#include "ui/UnitASensChart.h"
#include "ui/UnitChart.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

namespace {

const QKeySequence kChartWindowKey(QStringLiteral("Ctrl+Shift+1"));
const QKeySequence kSensorWindowKey(QStringLiteral("Ctrl+Shift+2"));

void OfferWindow(QWidget* owner, const QKeySequence& key, QWidget* window) {
    auto* shortcut = new QShortcut(key, owner);
    // Works from every window of the tool, the chart windows included.
    shortcut->setContext(Qt::ApplicationShortcut);
    shortcut->setObjectName(QStringLiteral("Shortcut") + window->metaObject()->className());
    QPointer<QWidget> target(window);
    QObject::connect(shortcut, &QShortcut::activated, owner, [target] {
        if (target.isNull()) return;
        target->show();
        target->raise();
        target->activateWindow();
    });
}

}  // namespace

void TF_Face::AttachAuxiliaryWindows(TF_Chart* chartWindow, TF_ASens_Chart* sensorWindow) {
    if (chartWindow != nullptr) OfferWindow(this, kChartWindowKey, chartWindow);
    if (sensorWindow != nullptr) {
        sensorWindow->SetChip(chip_.get());
        sensorWindow_ = sensorWindow;
        // The register model goes with the main window; the sensor window
        // must not reach it afterwards.
        connect(this, &QObject::destroyed, sensorWindow,
                [sensorWindow] { sensorWindow->SetChip(nullptr); });
        OfferWindow(this, kSensorWindowKey, sensorWindow);
    }
    const QString windows = tr("Окна графиков: %1 — график четырёх кривых, %2 — KESTON Chart")
                                .arg(kChartWindowKey.toString(QKeySequence::NativeText),
                                     kSensorWindowKey.toString(QKeySequence::NativeText));
    ui->PageControl->tabBar()->setToolTip(windows);
    // A tab's own tool tip (the work-data tab names its window's shortcut)
    // hides the bar's; it names these two as well.
    const int work = ui->PageControl->indexOf(ui->tsWork);
    ui->PageControl->setTabToolTip(
        work, windows + QStringLiteral("\n") + ui->PageControl->tabToolTip(work));
}

void TF_Face::StopAcquisitionTimers() {
    state_.AcquisitionActive = false;
    for (QTimer* t : {Timer, TimerWorkData, TimerXYData}) t->stop();
    if (!sensorWindow_.isNull()) {
        sensorWindow_->Timer->stop();
        sensorWindow_->SetChip(nullptr);
    }
}

}  // namespace talmir
