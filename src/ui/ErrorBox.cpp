#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

namespace talmir {

namespace {
ErrorSink& Sink() {
    static ErrorSink sink;
    return sink;
}
}  // namespace

void SetErrorSink(ErrorSink sink) {
    Sink() = std::move(sink);
}

void SendErrorsToStderr() {
    SetErrorSink([](const QString& message) {
        std::fprintf(stderr, "Ошибка: %s\n", message.toUtf8().constData());
    });
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    if (Sink()) {
        Sink()(message);
        return;
    }
    QMessageBox::critical(parent, QCoreApplication::translate("talmir::ErrorBox", "Ошибка"),
                          message);
}

}  // namespace talmir
