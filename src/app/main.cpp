// Program entry: read the leading options ("--help" and "--version" answer
// and exit; "--demo" binds the simulated adapter beside the executable instead
// of the MPSSE library; "--adapter" names the adapter channel to use), then
// run an analysis job ("-xyfit", "-angleerror") when asked, before anything
// else; else bind the MPSSE library, select the channel "--adapter" names and
// run the "-adapters", "-getdata", "-config" or "-capture" job when asked,
// without a window. Otherwise create the main window, then the two hidden
// auxiliary chart windows, all sharing one link and one acquisition state,
// open a plain file argument for review ("talmir FILE"), and run the event
// loop. The windows' language ("--lang", else Language in section [UI] of
// config.ini) is installed before the first window; a job keeps its texts as
// written in every language.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "app/Console.h"
#include "app/Jobs.h"
#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "ui/AcquisitionState.h"
#include "ui/FaceOperations.h"
#include "ui/ReviewWindow.h"
#include "ui/SettingsPaths.h"
#include "ui/StartOptions.h"
#include "ui/TimerWakeups.h"
#include "ui/UnitASensChart.h"
#include "ui/UnitChart.h"
#include "ui/WindowLanguage.h"
#include "ui/main.h"

namespace {

void Print(std::FILE* stream, const QString& line) {
    std::fprintf(stream, "%s\n", line.toUtf8().constData());
}

// "--version": the version, then the file the binding would load, found the
// way the binding finds it (the first of `names` that loads).
QString VersionText(const std::vector<std::string>& names) {
    QString text = QStringLiteral("talmir " TALMIR_VERSION "\n");
    for (const std::string& name : names) {
        if (void* library = talmir::OpenLibrary(name)) {
            return text + QStringLiteral("Библиотека MPSSE: ") +
                   QString::fromStdString(talmir::LoadedFilePath(library, name));
        }
    }
    QStringList tried;
    for (const std::string& name : names) tried << QString::fromStdString(name);
    return text + QStringLiteral("Библиотека MPSSE не загружается; испробованы: ") +
           tried.join(QStringLiteral(", "));
}

// The executable's folder with a trailing separator, once the application
// object exists.
QString ExeDirText() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talmir;
    UseUtf8Console();
    const StartOptions start = ParseStartOptions(CommandLineArguments(argc, argv));
    if (!start.error.isEmpty()) {
        Print(stderr, start.error);
        return 1;
    }
    if (start.help) {
        std::fputs(HelpText().toUtf8().constData(), stdout);
        return 0;
    }
    const std::vector<std::string> libraries =
        start.demo ? DemoLibraryNames(ExecutableDir()) : MpsseLibraryNames();
    if (start.version) {
        Print(stdout, VersionText(libraries));
        return 0;
    }
    const QStringList& args = start.args;
    const bool job = IsCommandLineJob(args);

    // Analysing a data file needs neither the MPSSE library nor any window.
    if (IsAnalysisJob(args)) {
        const AnalysisJobOutput output = RunAnalysisJob(args);
        std::fputs(output.report.toUtf8().constData(), stdout);
        if (!output.error.isEmpty()) Print(stderr, output.error);
        return output.exitCode;
    }

    // The demo answers with a real adapter's USB latency, as "make run" does.
    if (start.demo && !qEnvironmentVariableIsSet("TALMIR_SIM_LATENCY_US"))
        qputenv("TALMIR_SIM_LATENCY_US", "250");
    // The one link of the process: every window and job reaches the adapter through it.
    MpsseLink link;
    QString bindingMessage;
    link.LoadMPSSELibrary(
        libraries, [&](const std::string& m) { bindingMessage = QString::fromStdString(m); });
    if (job) {
        if (!bindingMessage.isEmpty()) Print(stderr, bindingMessage);
        if (link.IsLoaded()) Print(stderr, LibraryPathText(link));
    }

    // Listing the channels needs neither the chip nor any window.
    if (IsAdaptersJob(args)) {
        const AdapterListing listing = ListAdapters(link);
        for (const QString& line : listing.lines) Print(stdout, line);
        if (!listing.error.isEmpty()) Print(stderr, listing.error);
        return listing.exitCode;
    }

    // "--adapter": the chip is reached on the channel it names; one that is
    // not listed ends the program before any job or window.
    if (!start.adapter.isEmpty()) {
        QString reason;
        const auto channel = FindAdapterChannel(link, start.adapter, reason);
        if (!channel) {
            Print(stderr, QStringLiteral("--adapter: ") + reason);
            return 1;
        }
        link.SelectChannel(channel->index);
        if (job) Print(stderr, QStringLiteral("Адаптер: ") + AdapterText(*channel));
    }

    // Names the user's configuration folder of an installed copy (~/.config/talmir).
    QCoreApplication::setApplicationName(QStringLiteral("talmir"));

    // A job on the chip needs Qt's core for its files and texts, no window.
    if (IsChipJob(args)) {
        QCoreApplication app(argc, argv);
        AcquisitionState state;
        JobOutput output;
        output.note = [](const QString& line) { Print(stderr, line); };
        output.error = [](const QString& message) {
            Print(stderr, QStringLiteral("Ошибка: ") + message);
        };
        return RunChipJob(link, state, SettingsPathsForExecutable(ExeDirText()), args, output);
    }

    QApplication app(argc, argv);
    WakeTimersOnTime();
    const QString exeDir = ExeDirText();
    // Shared by the windows; it lives within the application object's lifetime.
    AcquisitionState state;
    QTranslator translator;
    const QString language =
        ChooseWindowLanguage(start.language, SettingsPathsForExecutable(exeDir).configFile);
    const QString refusal = InstallWindowLanguage(translator, language, exeDir);
    if (!refusal.isEmpty()) Print(stderr, refusal);
    if (!bindingMessage.isEmpty())
        QMessageBox::information(nullptr, QStringLiteral("TALMIR"), bindingMessage);

    TF_FaceOptions options;
    options.exeDir = exeDir;
    options.args = args;
    options.demo = start.demo;
    options.language = start.language;
    options.adapter = start.adapter;
    auto face = std::make_unique<TF_Face>(link, state, options);
    TF_Chart chartWindow(state);
    TF_ASens_Chart sensorWindow(state);
    face->AttachAuxiliaryWindows(&chartWindow, &sensorWindow);
    face->show();
    if (const auto file = ReviewFileArgument(args)) face->OpenReview(*file);
    const int code = app.exec();
    face.reset();
    return code;
}
