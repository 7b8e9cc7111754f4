// The command-line dispatch: with two or more arguments the chip is
// identified first; "-getdata" and "-config" then run their job, report to
// standard error and end the process with an exit code that tells whether
// the job succeeded.
#include <cstdio>
#include <stdexcept>

#include "core/IntText.h"
#include "ui/ErrorBox.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

namespace {

void Report(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

bool IsCommandLineJob(const QStringList& args) {
    return args.size() >= 2 && (args[0] == "-getdata" || args[0] == "-config");
}

void TF_Face::RunCommandLine() {
    const QStringList& args = options_.args;
    if (args.size() < 2) return;
    btnIniChipClick();
    if (IsCommandLineJob(args)) RunJob(args[0]);
}

void TF_Face::RunJob(const QString& job) {
    const QStringList& args = options_.args;
    Report(ui->LabelHardID->text());
    if (!ui->LabelHardID->toolTip().isEmpty()) Report(ui->LabelHardID->toolTip());
    jobExitCode_ = 1;
    const bool done = Guard(this, [&] {
        if (job == "-getdata") {
            const auto mode = ParseInt(args[1].toStdString());
            if (!mode)
                throw std::runtime_error("'" + args[1].toStdString() + "' is not an integer");
            const QString file = args.value(2);
            ReadAngleDataToFile(static_cast<std::uint8_t>(*mode & 0xFF), file);
            Report(QStringLiteral("-getdata: one record in readout mode %1 written to %2")
                       .arg(*mode & 0xFF)
                       .arg(file));
        } else {
            if (!chipIdentified_) Report(QStringLiteral("-config: the chip was not identified"));
            if (!LoadRegsFromIni(args[1]))
                throw std::runtime_error("register file " + args[1].toStdString() +
                                         " does not exist");
            Report(QStringLiteral("-config: registers written from %1").arg(args[1]));
        }
    });
    if (done) jobExitCode_ = 0;
}

}  // namespace talmir
