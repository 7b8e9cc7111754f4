// The command-line jobs, each run without a window: "-getdata" and "-config"
// identify the chip first and then take one reading or write a register set;
// "-capture" takes a capture into a file; "-adapters" lists the adapter
// channels without touching the chip; "-xyfit" and "-angleerror" analyse a
// data file without either.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "device/MpsseLink.h"
#include "ui/AcquisitionState.h"
#include "ui/SettingsPaths.h"

namespace talmir {

// True when the arguments (after the program name) ask for a command-line job
// that runs without a window.
bool IsCommandLineJob(const QStringList& args);
// True for "-adapters", the job that lists the adapter channels; it needs no
// further argument and runs before any window is created.
bool IsAdaptersJob(const QStringList& args);
// True for "-getdata MODE [FILE]", "-config FILE" and
// "-capture MODE RATE_HZ COUNT FILE", the jobs on the chip.
bool IsChipJob(const QStringList& args);

// What the "-adapters" job reports: one line per channel for standard output,
// or the reason there is none for standard error, and the exit code.
struct AdapterListing {
    int exitCode = 1;
    QStringList lines;
    QString error;
};
AdapterListing ListAdapters(const MpsseLink& link);

// True for "-xyfit FILE" and "-angleerror FILE", the jobs that analyse a
// data file written earlier; they need neither the adapter nor a window.
// "-angleerror" takes the work-data file or a capture file (its angle on the
// capture's equal time steps).
bool IsAnalysisJob(const QStringList& args);

// What an analysis job reports: the result's "key=value" lines for standard
// output, or the reason there is none for standard error, and the exit code.
struct AnalysisJobOutput {
    int exitCode = 1;
    QString report;
    QString error;
};
AnalysisJobOutput RunAnalysisJob(const QStringList& args);

// Where a chip job's messages go: what it did, a line at a time, and the
// message of each failure.
struct JobOutput {
    std::function<void(const QString& line)> note;
    ErrorSink error;
};

// Runs a chip job (IsChipJob) as the main window would at start, without
// one: reads the settings, fills the channel configuration at the default
// clock, identifies the chip through `link` (the result is the first note),
// then takes the reading or writes the registers, and at the end writes the
// settings back to config.ini. Returns the exit code: 0 when the job did its
// work, 1 when it failed, whatever the identification found.
int RunChipJob(MpsseLink& link, AcquisitionState& state, const SettingsPaths& settings,
               const QStringList& args, const JobOutput& output);

}  // namespace talmir
