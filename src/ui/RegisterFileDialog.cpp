#include "ui/RegisterFileDialog.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace talmir {

QString ShowRegisterFileDialog(QWidget* parent, RegisterFileDialogKind kind,
                               const QString& folder) {
    QFileDialog dialog(
        parent, QString(), folder,
        QCoreApplication::translate("talmir::RegisterFileDialog", "Данные регистров (*.rdt)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (kind == RegisterFileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("rdt"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace talmir
