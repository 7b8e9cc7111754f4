#include "app/Jobs.h"

#include <cstdint>
#include <stdexcept>

#include "core/AnalysisFiles.h"
#include "core/CaptureFile.h"
#include "core/Files.h"
#include "core/IntText.h"
#include "device/CaptureEngine.h"
#include "device/ChipIdentification.h"
#include "device/DeviceError.h"
#include "device/TASensDig.h"
#include "ui/ErrorBox.h"
#include "ui/FaceOperations.h"
#include "ui/FilePath.h"

namespace talmir {

bool IsAdaptersJob(const QStringList& args) {
    return !args.isEmpty() && args[0] == "-adapters";
}

bool IsAnalysisJob(const QStringList& args) {
    return args.size() >= 2 && (args[0] == "-xyfit" || args[0] == "-angleerror");
}

bool IsChipJob(const QStringList& args) {
    return args.size() >= 2 &&
           (args[0] == "-getdata" || args[0] == "-config" || args[0] == "-capture");
}

bool IsCommandLineJob(const QStringList& args) {
    return IsAdaptersJob(args) || IsAnalysisJob(args) || IsChipJob(args);
}

namespace {

AnalysisJobOutput AnalyseFile(const QStringList& args) {
    AnalysisJobOutput output;
    const QString& job = args[0];
    const QString& file = args[1];
    const auto fail = [&](const QString& reason) {
        output.error = job + QStringLiteral(": ") + reason;
        return output;
    };
    std::string readError;
    const auto text = ReadAnalysisFile(FilePath(file), readError);
    if (!text) return fail(QString::fromStdString(readError));
    const auto badLine = [&](const std::string& where) {
        return fail(QStringLiteral("файл «%1», %2").arg(file, QString::fromStdString(where)));
    };

    if (job == "-xyfit") {
        const auto parsed = ParseXYText(*text);
        if (!parsed.error.empty()) return badLine(parsed.error);
        const EllipseFitResult result = FitEllipse(parsed.samples);
        if (!result.fit)
            return fail(QStringLiteral("эллипс по файлу «%1» не подобран: %2")
                            .arg(file, QString::fromStdString(result.refusal)));
        output.report = QString::fromStdString(EllipseFitReport(*result.fit));
    } else if (IsCaptureText(*text)) {
        const CaptureAngle capture = ParseCaptureAngleText(*text);
        if (!capture.error.empty()) return badLine(capture.error);
        const AngleErrorResult result = AnalyseAngleError(capture.samples);
        if (!result.analysis)
            return fail(QStringLiteral("погрешность угла по файлу «%1» не рассчитана: %2")
                            .arg(file, QString::fromStdString(result.refusal)));
        output.report = QString::fromStdString(CaptureAngleErrorReport(*result.analysis, capture));
    } else {
        const auto parsed = ParseWorkDataText(*text);
        if (!parsed.error.empty()) return badLine(parsed.error);
        const AngleErrorResult result = AnalyseAngleError(parsed.samples);
        if (!result.analysis)
            return fail(QStringLiteral("погрешность угла по файлу «%1» не рассчитана: %2")
                            .arg(file, QString::fromStdString(result.refusal)));
        output.report = QString::fromStdString(AngleErrorReport(*result.analysis));
    }
    output.exitCode = 0;
    return output;
}

}  // namespace

AnalysisJobOutput RunAnalysisJob(const QStringList& args) {
    // The job runs before any event loop; a file too large for the memory
    // left ends it with a message rather than an uncaught exception.
    try {
        return AnalyseFile(args);
    } catch (const std::exception& e) {
        AnalysisJobOutput output;
        output.error = QStringLiteral("%1: не удалось обработать файл «%2»: %3")
                           .arg(args[0], args[1], QString::fromLocal8Bit(e.what()));
        return output;
    }
}

AdapterListing ListAdapters(const MpsseLink& link) {
    AdapterListing listing;
    if (!link.IsBound()) {
        listing.error = QStringLiteral(
            "Список адаптеров недоступен: библиотека MPSSE не загружена или в ней нет нужных "
            "функций");
        return listing;
    }
    try {
        for (const MpsseChannelInfo& c : link.ListChannels()) {
            listing.lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                                 .arg(c.index)
                                 .arg(QString::fromStdString(AdapterTypeName(c.type)),
                                      QString::fromStdString(c.description),
                                      QString::fromStdString(c.serial),
                                      c.opened ? QStringLiteral("открыт")
                                               : QStringLiteral("не открыт"));
        }
    } catch (const DeviceError& e) {
        listing.error =
            QStringLiteral("Не удалось получить список адаптеров: ") + QString::fromUtf8(e.what());
        return listing;
    }
    if (listing.lines.isEmpty()) {
        listing.error = QStringLiteral(
            "Адаптеры MPSSE не найдены: библиотека не видит ни одного "
            "канала (адаптер не подключён или нет прав доступа)");
        return listing;
    }
    listing.exitCode = 0;
    return listing;
}

namespace {

// "-capture MODE RATE_HZ COUNT FILE": the samples go to FILE as they arrive
// (header "t_us;" and the mode's fields, CR LF lines), so a failure leaves
// those before it written; only all COUNT samples make the job succeed.
void RunCaptureJob(TASensDig& chip, MpsseLink& link, const QStringList& args,
                   const JobOutput& output) {
    if (args.size() != 5) throw std::runtime_error("-capture: нужно РЕЖИМ ЧАСТОТА_ГЦ ЧИСЛО ФАЙЛ");
    const auto mode = ParseInt(args[1].toStdString());
    bool rateOk = false, countOk = false;
    const double rate = args[2].toDouble(&rateOk);
    const qulonglong count = args[3].toULongLong(&countOk);
    if (!mode || *mode < 0 || *mode > 5)
        throw std::runtime_error("-capture: режим считывания «" + args[1].toStdString() +
                                 "» не от 0 до 5");
    if (!rateOk || !(rate > 0))
        throw std::runtime_error("-capture: частота «" + args[2].toStdString() +
                                 "» не положительное число");
    if (!countOk || count == 0)
        throw std::runtime_error("-capture: число отсчётов «" + args[3].toStdString() +
                                 "» не положительное целое");
    const std::filesystem::path path = FilePath(args[4]);
    CaptureFileWriter file(path, *mode);
    if (!file.Created())
        throw std::runtime_error("-capture: не удалось создать файл «" + PathText(path) + "»");
    CaptureEngine engine(chip, link);
    const CaptureResult result = engine.Run(
        {*mode, rate, count}, [&](std::vector<CapturedSample>&& block) { file.Append(block); });
    if (!file.Close())
        throw std::runtime_error("-capture: не удалось записать файл «" + PathText(path) + "»");
    if (!result.error.empty())
        throw std::runtime_error("-capture: " + result.error +
                                 "; записано отсчётов: " + std::to_string(result.taken));
    output.note(QStringLiteral("-capture: %1 отсчётов в режиме %2 записано в %3 (%4)")
                    .arg(result.taken)
                    .arg(*mode)
                    .arg(args[4])
                    .arg(result.paced ? QStringLiteral("такты адаптера")
                                      : QStringLiteral("часы компьютера")));
}

// The job proper, once the chip was identified or not: raises when it did not
// do its work.
void RunIdentifiedChipJob(TASensDig& chip, MpsseLink& link, bool identified,
                          const QStringList& args, const JobOutput& output) {
    if (args[0] == "-capture") {
        RunCaptureJob(chip, link, args, output);
    } else if (args[0] == "-getdata") {
        const auto mode = ParseInt(args[1].toStdString());
        if (!mode)
            throw std::runtime_error("-getdata: режим считывания «" + args[1].toStdString() +
                                     "» не является целым числом");
        const QString file = args.value(2);
        const int readoutMode = *mode & 0xFF;
        ReadAngleDataToFile(chip, static_cast<std::uint8_t>(readoutMode), file);
        // Modes 5 and above take no reading: the job did not do its work.
        if (readoutMode > 4)
            throw std::runtime_error(
                QStringLiteral("-getdata: в режиме считывания %1 отсчёт не снимается, "
                               "в %2 нет новой записи")
                    .arg(readoutMode)
                    .arg(file)
                    .toStdString());
        output.note(QStringLiteral("-getdata: запись в режиме считывания %1 добавлена в %2")
                        .arg(readoutMode)
                        .arg(file));
    } else {
        if (!identified) output.note(QStringLiteral("-config: микросхема не опознана"));
        const auto written = LoadRegsFromIni(chip, args[1]);
        if (!written)
            throw std::runtime_error("-config: файл регистров «" + args[1].toStdString() +
                                     "» не найден");
        output.note(
            QStringLiteral("-config: записано регистров из %2: %1").arg(*written).arg(args[1]));
    }
}

}  // namespace

int RunChipJob(MpsseLink& link, AcquisitionState& state, const SettingsPaths& settings,
               const QStringList& args, const JobOutput& output) {
    MakeSettingsFolders(settings);
    const ConfigValues config = ReadConfigValues(settings);
    TASensDig chip(link);
    FillChannelConfig(link.ChannelConfig(), kDefaultSpiClockKHz * 1000);
    const bool done = Guard(output.error, nullptr, [&] {
        // With no box to tick, the programming-mode line is raised first, as
        // for the window's unticked box.
        const ChipIdentification id = IdentifyChip(link, chip, state.GPIOState, true);
        output.note(HardIDText(id.value, id.identified));
        if (!id.failure.empty()) output.note(QString::fromUtf8(id.failure));
        RunIdentifiedChipJob(chip, link, id.identified, args, output);
    });
    // The settings file is rewritten as read, as the window does when it closes.
    Guard(output.error, nullptr, [&] { WriteConfigValuesAtExit(settings.configFile, config); });
    return done ? 0 : 1;
}

}  // namespace talmir
