// Hands every mouse-button release on a widget to a callback with the
// pointer position in that widget's coordinates.
#pragma once

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <functional>

namespace talmir {

class MouseReleaseFilter : public QObject {
public:
    using Released = std::function<void(const QPoint& pos)>;

    MouseReleaseFilter(Released released, QObject* parent)
        : QObject(parent), released_(std::move(released)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease)
            released_(static_cast<QMouseEvent*>(event)->position().toPoint());
        return QObject::eventFilter(watched, event);
    }

private:
    Released released_;
};

}  // namespace talmir
