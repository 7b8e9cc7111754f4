#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace talmir {

void ShowErrorBox(const ErrorSink& sink, QWidget* parent, const QString& message) {
    if (sink) {
        sink(message);
        return;
    }
    QMessageBox::critical(parent, QCoreApplication::translate("talmir::ErrorBox", "Ошибка"),
                          message);
}

}  // namespace talmir
