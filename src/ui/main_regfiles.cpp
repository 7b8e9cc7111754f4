// Register files: .rdt save and load, and the REG_CFG INI loader.
#include <QFile>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/Files.h"
#include "core/IniFile.h"
#include "core/RegisterFile.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/main.h"

namespace talmir {

namespace {

std::string ReadWholeFile(const QString& path) {
    int err = 0;
    std::optional<std::string> bytes = ReadFileBytes(FilePath(path), &err);
    if (!bytes)
        throw std::runtime_error("Не удалось прочитать файл регистров «" + path.toStdString() +
                                 "»: " + std::strerror(err));
    return std::move(*bytes);
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
        SaveFileReplacing(FilePath(path), FormatRegisterFile(values));
    });
}

// Line i goes to register i of the table only; the chip is not written.
// Loading stops at a line that is not an integer. Lines past the table's last
// address are dropped and reported after the others are loaded.
void TF_Face::BtnRegsFromFileClick() {
    Guard(this, [&] {
        const QString path = ChooseRegisterFile(RegisterFileDialogKind::Open, ExeDir());
        if (path.isEmpty() || !QFile::exists(path)) return;
        const RegisterFileLoad load =
            ParseRegisterFile(ReadWholeFile(path), TASensDig::kLastAddress);
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

std::optional<std::size_t> TF_Face::LoadRegsFromIni(const QString& fileName) {
    if (!QFile::exists(fileName)) return std::nullopt;
    IniFile ini;
    if (!ini.Load(FilePath(fileName)))
        throw std::runtime_error("Cannot read register file " + fileName.toStdString());
    std::size_t written = 0;
    for (const auto& [address, value] : ReadRegisterIni(ini)) {
        chip_->PutReg(address, value, true);
        ++written;
    }
    return written;
}

}  // namespace talmir
