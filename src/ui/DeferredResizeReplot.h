// Replots plots on later turns of the event loop after they are resized,
// instead of within the resize, and one plot per turn. A window shown for the
// first time then lays out and paints in one turn, and each of its plots
// makes its paint buffers and draws in a turn of its own, with the window's
// timers served between them, so none of them holds the window's thread for
// long; a plot shows its old picture (or its background) until its turn, and
// a hidden plot is replotted once it is shown. Resizes of a plot before its
// replot cost one replot.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "qcustomplot.h"

namespace talmir {

class DeferredResizeReplot : public QObject {
public:
    // Long enough that the window's own timers of up to this interval (a
    // poll tick, a redraw) are served between two pieces.
    static constexpr int kDelayMs = 5;

    explicit DeferredResizeReplot(QObject* parent) : QObject(parent) {
        // A timer rather than a posted call: posted calls run in the same
        // turn as the paint that the resize asks for.
        timer_.setSingleShot(true);
        timer_.setInterval(kDelayMs);
        connect(&timer_, &QTimer::timeout, this, [this] { ReplotNext(); });
    }

    void Watch(QCustomPlot* plot) { plot->installEventFilter(this); }

    // A resize only notes the plot; the wait for its replot starts when the
    // plot is next painted (with its old picture), so the window's paint and
    // the replot are pieces of their own even when the paint is long.
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* plot = qobject_cast<QCustomPlot*>(watched);
        if (plot != nullptr && event->type() == QEvent::Resize) {
            plot->setViewport(plot->rect());
            if (std::find(pending_.begin(), pending_.end(), plot) == pending_.end())
                pending_.emplace_back(plot);
            return true;
        }
        if (plot != nullptr && event->type() == QEvent::Paint && !timer_.isActive() &&
            std::find(pending_.begin(), pending_.end(), plot) != pending_.end())
            timer_.start();
        return QObject::eventFilter(watched, event);
    }

private:
    void ReplotNext() {
        if (pending_.empty()) return;
        const QPointer<QCustomPlot> plot = pending_.front();
        pending_.erase(pending_.begin());
        if (plot) plot->replot();
        if (!pending_.empty()) timer_.start();
    }

    std::vector<QPointer<QCustomPlot>> pending_;
    QTimer timer_;
};

}  // namespace talmir
