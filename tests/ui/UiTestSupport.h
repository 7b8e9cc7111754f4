// Fixtures of the widget and job tests: the simulator at power-on state, a
// link of the test's own bound to it and the windows' shared state of its
// own, a fresh executable folder for config.ini and data files, error boxes
// captured instead of shown; jobs run in process and the main window created
// on demand.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/Jobs.h"
#include "talmir_sim_control.h"
#include "ui/AcquisitionState.h"
#include "ui/ErrorBox.h"
#include "ui/UnitASensChart.h"
#include "ui/main.h"

namespace talmir::test {

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// What a run of the tool as its own process gave.
struct ToolRun {
    int exitCode = -1;  // -1 when it crashed
    QString out, err;
};

// The status-bar and job text naming the loaded library file `path`: as the
// loader names it, which under wine is the Unix path on drive Z:.
inline QString LibraryText(const QString& path) {
#ifdef _WIN32
    return QStringLiteral("Библиотека MPSSE: ") + QDir::toNativeSeparators("Z:" + path);
#else
    return QStringLiteral("Библиотека MPSSE: ") + path;
#endif
}

// Runs the tool at `exe` with no display, bound to the MPSSE library `library`;
// none when it did not finish within a minute.
inline std::optional<ToolRun> RunTool(const QString& exe, const QStringList& args,
                                      const QString& library = TALMIR_SIM_LIBRARY) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TALMIR_MPSSE_LIBRARY", library);
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    process.setProcessEnvironment(env);
    process.start(exe, args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    ToolRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    // The tool writes UTF-8 on every platform.
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Binds `link` to the simulated adapter; false, with a failure naming the
// reason, when it cannot.
inline bool BindSimulator(MpsseLink& link) {
    std::string message;
    link.LoadMPSSELibrary({TALMIR_SIM_LIBRARY}, [&](const std::string& m) { message = m; });
    if (message.empty()) return true;
    ADD_FAILURE() << "simulator not bound: " << message;
    return false;
}

// Every recorded adapter call since the last TraceClear.
inline std::vector<TalmirSimCall> Trace() {
    std::vector<TalmirSimCall> calls(TalmirSim_TraceCount());
    for (uint32_t i = 0; i < calls.size(); ++i) TalmirSim_TraceGet(i, &calls[i]);
    return calls;
}

// The calls of one entry point, in order.
inline std::vector<TalmirSimCall> CallsOf(const char* name) {
    std::vector<TalmirSimCall> out;
    for (const auto& c : Trace())
        if (std::string(c.name) == name) out.push_back(c);
    return out;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        TalmirSim_Reset();
        ASSERT_TRUE(BindSimulator(link_));
        TalmirSim_TraceClear();
        errors_.clear();
        state_.errorSink = [this](const QString& m) { errors_ << m; };
    }

    // Runs a job on the chip ("-getdata", "-config") as the program does, the
    // test's folder standing for the executable's, on `link` (the test's own
    // when null); its exit code. Its notes go to Notes(), its failures to
    // Errors().
    int RunJob(const QStringList& args, MpsseLink* link = nullptr) {
        JobOutput output;
        output.note = [this](const QString& line) { notes_ << line; };
        output.error = [this](const QString& m) { errors_ << m; };
        return RunChipJob(link != nullptr ? *link : link_, state_,
                          SettingsPathsForExecutable(dir_.path() + "/"), args, output);
    }

    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    const QStringList& Errors() const { return errors_; }
    const QStringList& Notes() const { return notes_; }

    // Runs the event loop until `done` holds or `ms` have passed; returns `done`.
    static bool Pump(
        int ms, const std::function<bool()>& done = [] { return false; }) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }

    QTemporaryDir dir_;
    QStringList errors_, notes_;
    MpsseLink link_;          // the test's own, bound to the simulator
    AcquisitionState state_;  // the test's own, shared by its windows
};

class UiTest : public ToolTest {
protected:
    void TearDown() override { face_.reset(); }

    // The main window with the given command-line arguments, its folder the
    // test's own temporary folder.
    TF_Face& Face(const QStringList& args = {}) {
        if (!face_) {
            TF_FaceOptions options;
            options.exeDir = dir_.path() + "/";
            options.args = args;
            face_ = std::make_unique<TF_Face>(link_, state_, options);
        }
        return *face_;
    }
    void DestroyFace() { face_.reset(); }

    std::unique_ptr<TF_Face> face_;
};

}  // namespace talmir::test
