// What the README's picture programs share: the simulator bound as the
// adapter, the event loop run for a while, and a widget saved as it shows
// once every chart in it has its series image.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStatusBar>
#include <QString>
#include <QWidget>
#include <cstdio>
#include <string>

#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "ui/ChartView.h"
#include "ui/FaceOperations.h"

namespace talmir::screenshots {

// Binds `link` to the simulator as "--demo" finds it beside the executable;
// false, with the reason on standard error, when it cannot.
inline bool BindSimulator(MpsseLink& link) {
    std::string message;
    link.LoadMPSSELibrary(DemoLibraryNames(ExecutableDir()),
                          [&](const std::string& m) { message = m; });
    if (message.empty()) return true;
    std::fprintf(stderr, "simulator not bound: %s\n", message.c_str());
    return false;
}

inline void PumpFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Saves `widget` as a PNG after its charts' pending redraws and series
// images are done, so the picture shows what a person would see.
inline bool Save(QWidget& widget, const char* file) {
    for (TChart* chart : widget.findChildren<TChart*>()) {
        if (!chart->isVisible()) continue;
        chart->RedrawNow();
        chart->FinishRendering();
    }
    QCoreApplication::processEvents();
    if (widget.grab().save(QString::fromLocal8Bit(file))) return true;
    std::fprintf(stderr, "cannot save %s\n", file);
    return false;
}

// Shows the status bar's text about the bound library, as the main window
// shows it, with the library's file name alone instead of the checkout's path.
inline void ShowLibraryFileName(QStatusBar* bar, const MpsseLink& link) {
    const QString path = QString::fromStdString(link.LibraryPath());
    bar->showMessage(LibraryPathText(link).replace(path, QFileInfo(path).fileName()));
}

}  // namespace talmir::screenshots
