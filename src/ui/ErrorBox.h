// The standard error report of the tool. Handlers and timer ticks catch every
// exception at their edge and pass its message here; no exception crosses the
// Qt event loop. The message goes to a sink when one is given (a test or a
// soak run collects them), otherwise to a modal box.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>

namespace talmir {

using ErrorSink = std::function<void(const QString& message)>;

// Passes `message` to `sink`, or shows it in a modal box over `parent` when
// the sink is empty.
void ShowErrorBox(const ErrorSink& sink, QWidget* parent, const QString& message);

// Runs `body`; an exception ends it and its message is shown. Returns false
// when the body raised.
template <typename Body>
bool Guard(const ErrorSink& sink, QWidget* parent, Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        ShowErrorBox(sink, parent, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(sink, parent,
                     QCoreApplication::translate("talmir::ErrorBox", "Неизвестная ошибка"));
    }
    return false;
}

}  // namespace talmir
