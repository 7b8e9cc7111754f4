// Register files: .rdt save and load, and the REG_CFG INI loader.
#include <QFile>
#include <array>
#include <stdexcept>
#include <string>

#include "core/IniFile.h"
#include "core/RegisterFile.h"
#include "ui/ErrorBox.h"
#include "ui/main.h"

namespace talmir {

namespace {

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read register file " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
    return file.readAll();
}

void WriteWholeFile(const QString& path, const std::string& text) {
    QFile file(path);
    const auto size = static_cast<qint64>(text.size());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), size) != size || !file.flush())
        throw std::runtime_error("Cannot write register file " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
}

}  // namespace

// Registers 1..72 as held (not read from the chip), one decimal line each.
void TF_Face::BtnRegsToFileClick() {
    Guard(this, [&] {
        const QString path = ChooseRegisterFile(RegisterFileDialogKind::Save, ExeDir());
        if (path.isEmpty()) return;
        std::array<std::uint16_t, 73> values{};
        for (std::uint16_t address = 1; address < values.size(); ++address)
            values[address] = chip_->GetReg(address, false);
        WriteWholeFile(path, FormatRegisterFile(values));
    });
}

// Line i goes to register i of the table only; the chip is not written.
// Loading stops at a line that is not an integer. Lines past the table's last
// address are dropped and reported after the others are loaded.
void TF_Face::BtnRegsFromFileClick() {
    Guard(this, [&] {
        const QString path = ChooseRegisterFile(RegisterFileDialogKind::Open, ExeDir());
        if (path.isEmpty() || !QFile::exists(path)) return;
        const QByteArray text = ReadWholeFile(path);
        const RegisterFileLoad load =
            ParseRegisterFile(std::string_view(text.constData(), static_cast<size_t>(text.size())),
                              TASensDig::kLastAddress);
        for (const auto& [address, value] : load.values) chip_->PutReg(address, value, false);
        if (load.badLine)
            throw std::runtime_error("Register file " + path.toStdString() + ", line " +
                                     std::to_string(load.values.size() + 1) + ": '" +
                                     *load.badLine + "' is not an integer");
        if (load.ignored > 0)
            throw std::runtime_error("Register file " + path.toStdString() + ": " +
                                     std::to_string(load.ignored) + " line(s) past register " +
                                     std::to_string(TASensDig::kLastAddress) + " were ignored");
    });
}

bool TF_Face::LoadRegsFromIni(const QString& fileName) {
    if (!QFile::exists(fileName)) return false;
    IniFile ini;
    if (!ini.Load(fileName.toStdString()))
        throw std::runtime_error("Cannot read register file " + fileName.toStdString());
    for (const auto& [address, value] : ReadRegisterIni(ini)) chip_->PutReg(address, value, true);
    return true;
}

}  // namespace talmir
