// The open and save dialogs of register files (".rdt").
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace talmir {

enum class RegisterFileDialogKind { Save, Open };

// Asks for the name of a register file, starting in `folder`; empty when the
// user cancels.
using RegisterFileChooser =
    std::function<QString(RegisterFileDialogKind kind, const QString& folder)>;

// Shows the dialog starting in `folder`. Returns the chosen file name, or an
// empty text when the user cancels. Saving adds the ".rdt" extension to a
// name typed without one and replaces an existing file without asking.
QString ShowRegisterFileDialog(QWidget* parent, RegisterFileDialogKind kind, const QString& folder);

}  // namespace talmir
