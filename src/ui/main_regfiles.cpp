// Register files: .rdt save and load, and the REG_CFG INI loader.
#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
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

// Why a register file could not be read.
QString ReadFailure(int err) {
    if (err == EFBIG)
        return TF_Face::tr("файл длиннее %1 МБ, это не файл регистров")
            .arg(kMaxTextFileBytes >> 20);
    return QString::fromLocal8Bit(std::strerror(err));
}

QString ReadFileError(const QString& path, int err) {
    return TF_Face::tr("Не удалось прочитать файл регистров «%1»: %2").arg(path, ReadFailure(err));
}

std::string ReadWholeFile(const QString& path) {
    int err = 0;
    std::optional<std::string> bytes = ReadFileBytes(FilePath(path), &err, kMaxTextFileBytes);
    if (!bytes) throw std::runtime_error(ReadFileError(path, err).toStdString());
    return std::move(*bytes);
}

// A line of the file as a message quotes it: its first 40 characters, bytes
// that are not UTF-8 as U+FFFD and control characters (NUL included, which
// would end the message) as \xNN, so the box stays short and readable.
std::string LineForMessage(const std::string& line) {
    constexpr qsizetype kShown = 40;
    // No character takes more than 4 bytes, so these hold the first kShown.
    const std::size_t head = std::min<std::size_t>(line.size(), 4 * kShown);
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(head));
    QString shown;
    for (const QChar c : text.left(kShown)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (text.size() > kShown || head < line.size()) shown += QStringLiteral("…");
    return shown.toStdString();
}

}  // namespace

// Registers 1..72 as held (not read from the chip), one decimal line each.
void TF_Face::BtnRegsToFileClick() {
    Guard(state_.errorSink, this, [&] {
        const QString path = ChooseRegisterFile(RegisterFileDialogKind::Save, RegisterFileDir());
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
    Guard(state_.errorSink, this, [&] {
        const QString path = ChooseRegisterFile(RegisterFileDialogKind::Open, RegisterFileDir());
        if (path.isEmpty() || !QFile::exists(path)) return;
        const std::string text = ReadWholeFile(path);
        // A file that held no line would otherwise load nothing without a word.
        if (text.empty())
            throw std::runtime_error(
                tr("Файл регистров «%1» пуст: регистры не изменены").arg(path).toStdString());
        const RegisterFileLoad load = ParseRegisterFile(text, TASensDig::kLastAddress);
        for (const auto& [address, value] : load.values) chip_->PutReg(address, value, false);
        if (load.badLine)
            throw std::runtime_error(
                tr("Файл регистров «%1», строка %2: «%3» не является целым числом")
                    .arg(path, QString::number(load.values.size() + 1),
                         QString::fromStdString(LineForMessage(*load.badLine)))
                    .toStdString());
        if (load.ignored > 0)
            throw std::runtime_error(
                tr("Файл регистров «%1»: строки после регистра %2 не загружены (%3 шт.)")
                    .arg(path, QString::number(TASensDig::kLastAddress),
                         QString::number(load.ignored))
                    .toStdString());
    });
}

std::optional<std::size_t> LoadRegsFromIni(TASensDig& chip, const QString& fileName) {
    if (!QFile::exists(fileName)) return std::nullopt;
    IniFile ini;
    int err = 0;
    if (!ini.Load(FilePath(fileName), &err))
        throw std::runtime_error(ReadFileError(fileName, err).toStdString());
    // Without the section the file is not a register file: writing nothing
    // and reporting success would hide that.
    if (!ini.HasSection("REG_CFG"))
        throw std::runtime_error(
            TF_Face::tr("В файле «%1» нет секции [REG_CFG]: регистры не записаны")
                .arg(fileName)
                .toStdString());
    std::size_t written = 0;
    for (const auto& [address, value] : ReadRegisterIni(ini)) {
        chip.PutReg(address, value, true);
        ++written;
    }
    return written;
}

std::optional<std::size_t> TF_Face::LoadRegsFromIni(const QString& fileName) {
    return talmir::LoadRegsFromIni(*chip_, fileName);
}

}  // namespace talmir
