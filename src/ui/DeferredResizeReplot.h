// Replots a plot on a later turn of the event loop after it is resized,
// instead of within the resize. A window shown for the first time then lays
// out and paints in one turn, and its plots make their paint buffers and draw
// in another, with the window's timers served between them, so neither holds
// the window's thread for long; the plot shows its old picture (or its
// background) meanwhile. Resizes before the replot cost one replot.
#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include "qcustomplot.h"

namespace talmir {

class DeferredResizeReplot : public QObject {
public:
    // Long enough that the window's own timers of up to this interval (a
    // poll tick, a redraw) are served between the paint and the replot.
    static constexpr int kDelayMs = 5;

    explicit DeferredResizeReplot(QCustomPlot* plot) : QObject(plot), plot_(plot) {
        // A timer rather than a posted call: posted calls run in the same
        // turn as the paint that the resize asks for.
        timer_.setSingleShot(true);
        timer_.setInterval(kDelayMs);
        connect(&timer_, &QTimer::timeout, plot, [plot] { plot->replot(); });
        plot->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != plot_ || event->type() != QEvent::Resize)
            return QObject::eventFilter(watched, event);
        plot_->setViewport(plot_->rect());
        timer_.start();
        return true;
    }

private:
    QCustomPlot* plot_;
    QTimer timer_;
};

}  // namespace talmir
