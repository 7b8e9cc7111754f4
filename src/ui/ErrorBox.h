// The standard error report of the tool. Handlers and timer ticks catch every
// exception at their edge and pass its message here; no exception crosses the
// Qt event loop. In a command-line job the message goes to standard error
// instead of a modal box; tests install their own sink.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>

namespace talmir {

using ErrorSink = std::function<void(const QString& message)>;

// Replaces where error messages go; an empty sink restores the modal box.
void SetErrorSink(ErrorSink sink);
// Sends error messages to standard error (command-line jobs).
void SendErrorsToStderr();

void ShowErrorBox(QWidget* parent, const QString& message);

// Runs `body`; an exception ends it and its message is shown. Returns false
// when the body raised.
template <typename Body>
bool Guard(QWidget* parent, Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        ShowErrorBox(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(parent, QCoreApplication::translate("talmir::ErrorBox", "Неизвестная ошибка"));
    }
    return false;
}

}  // namespace talmir
