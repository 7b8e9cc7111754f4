// An installed copy: where its settings, data file and pictures live, the
// options before a job's arguments, "--help", "--version" and the demo.
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>

#include "UiTestSupport.h"
#include "ui/SettingsPaths.h"
#include "ui/StartOptions.h"
#include "ui_PageChart.h"
#include "ui_PageConfig.h"
#include "ui_PageWork.h"

namespace talmir::test {
namespace {

const QString kNoLibrary = QStringLiteral("/nonexistent/libMPSSE.so");

TEST(SettingsPathsTest, BesideAWritableExecutableElseInTheUsersFolders) {
    struct Case {
        bool writable;
        QString configFile, configDir, dataFile;
        QStringList pictureDirs;
    };
    const Case cases[] = {
        {true, "/opt/t/bin/config.ini", "", "/opt/t/bin/data.csv", {"/opt/t/bin/pics/"}},
        {false,
         "/home/u/.config/talmir/config.ini",
         "/home/u/.config/talmir/",
         "/home/u/Documents/data.csv",
         {"/opt/t/bin/pics/", "/opt/t/share/talmir/pics/"}},
    };
    for (const Case& c : cases) {
        QString asked;
        const SettingsPaths paths = ChooseSettingsPaths(
            "/opt/t/bin/",
            [&](const QString& dir) {
                asked = dir;
                return c.writable;
            },
            "/home/u/.config/talmir", "/home/u/Documents");
        SCOPED_TRACE(c.writable ? "writable" : "read-only");
        EXPECT_EQ(asked, "/opt/t/bin/");
        EXPECT_EQ(paths.configFile, c.configFile);
        EXPECT_EQ(paths.configDir, c.configDir);
        EXPECT_EQ(paths.defaultDataFile, c.dataFile);
        EXPECT_EQ(paths.pictureDirs, c.pictureDirs);
    }
}

TEST(StartOptionsTest, LeadingOptionsAreTakenAndTheRestKeepsTheJobRules) {
    struct Case {
        QStringList args;
        bool demo, help, version;
        QString language, adapter;
        QStringList rest;
        bool error;
    };
    const Case cases[] = {
        {{}, false, false, false, "", "", {}, false},
        {{"--demo", "-getdata", "2", "F"},
         true,
         false,
         false,
         "",
         "",
         {"-getdata", "2", "F"},
         false},
        {{"--lang", "en", "--demo", "-config", "r.ini"},
         true,
         false,
         false,
         "en",
         "",
         {"-config", "r.ini"},
         false},
        {{"-getdata", "2", "F", "--demo"},
         false,
         false,
         false,
         "",
         "",
         {"-getdata", "2", "F", "--demo"},
         false},
        {{"--demo", "--version"}, true, false, true, "", "", {}, false},
        {{"--help", "-3v"}, false, true, false, "", "", {"-3v"}, false},
        {{"--demo", "--lang"}, true, false, false, "", "", {}, true},
        {{"--adapter", "TLM00002", "--demo", "-getdata", "1"},
         true,
         false,
         false,
         "",
         "TLM00002",
         {"-getdata", "1"},
         false},
        {{"--adapter"}, false, false, false, "", "", {}, true},
        {{"--adapter", "", "-getdata", "1"}, false, false, false, "", "", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const StartOptions o = ParseStartOptions(c.args);
        EXPECT_EQ(o.demo, c.demo);
        EXPECT_EQ(o.help, c.help);
        EXPECT_EQ(o.version, c.version);
        EXPECT_EQ(o.language, c.language);
        EXPECT_EQ(o.adapter, c.adapter);
        EXPECT_EQ(o.error.isEmpty(), !c.error);
        if (!c.error) {
            EXPECT_EQ(o.args, c.rest);
        }
    }
}

TEST(StartOptionsTest, HelpAndVersionAnswerWithoutADisplayAndExitZero) {
    const auto help = RunTool(TALMIR_BIN_DIR "/talmir", {"--help"}, kNoLibrary);
    ASSERT_TRUE(help);
    EXPECT_EQ(help->exitCode, 0) << help->err.toStdString();
    EXPECT_EQ(help->err, "");
    for (const char* item : {"-getdata", "-config", "-adapters", "-xyfit", "-angleerror", "--demo",
                             "--adapter", "--lang", "--help", "--version"}) {
        const QRegularExpression line(QStringLiteral("^  %1 .+$").arg(item),
                                      QRegularExpression::MultilineOption);
        EXPECT_TRUE(line.match(help->out).hasMatch()) << item;
    }

    struct Case {
        QStringList args;
        QString library;
        QString libraryLine;
    };
    const Case cases[] = {
        {{"--version"}, TALMIR_SIM_LIBRARY, "Библиотека MPSSE: " TALMIR_SIM_LIBRARY},
        {{"--version"}, kNoLibrary, "Библиотека MPSSE не загружается; испробованы: " + kNoLibrary},
    };
    for (const Case& c : cases) {
        const auto run = RunTool(TALMIR_BIN_DIR "/talmir", c.args, c.library);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->exitCode, 0) << run->err.toStdString();
        const QStringList lines = run->out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run->out.toStdString();
        EXPECT_TRUE(QRegularExpression("^talmir \\d+\\.\\d+").match(lines[0]).hasMatch())
            << lines[0].toStdString();
        EXPECT_EQ(lines[1], c.libraryLine);
    }
}

using InstallModeTest = UiTest;

// The tool in bin/ of a folder whose lib/ holds the simulator, as an unpacked
// build tree has it; the library the environment names does not exist, so
// only the demo binding finds one.
TEST_F(InstallModeTest, DemoJobBindsTheSimulatorBesideTheExecutable) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("bin") && QDir(dir_.path()).mkpath("lib"));
    ASSERT_TRUE(QFile::copy(TALMIR_BIN_DIR "/talmir", Path("bin/talmir")));
    ASSERT_TRUE(QFile::copy(TALMIR_SIM_LIBRARY, Path("lib/libtalmirsim.so")));
    const auto run =
        RunTool(Path("bin/talmir"), {"--demo", "-getdata", "1", Path("angle.csv")}, kNoLibrary);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 0) << run->err.toStdString();
    EXPECT_TRUE(run->err.contains("Библиотека MPSSE: " + Path("lib/libtalmirsim.so")))
        << run->err.toStdString();
    EXPECT_EQ(ReadFile(Path("angle.csv")).count("\r\n"), 2) << "header and one record";
    EXPECT_TRUE(QFile::exists(Path("bin/config.ini"))) << "a portable copy keeps its settings";
}

// Root may write anywhere: an installed copy is told by the desktop entry
// beside it, so it never keeps its settings in the program's folder.
TEST_F(InstallModeTest, AnInstalledLayoutKeepsNoSettingsBesideTheExecutable) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("bin"));
    EXPECT_EQ(SettingsPathsForExecutable(Path("bin/")).configFile, Path("bin/config.ini"));
    ASSERT_TRUE(QDir(dir_.path()).mkpath("share/applications"));
    WriteFile(Path("share/applications/talmir.desktop"), "[Desktop Entry]\n");
    const SettingsPaths installed = SettingsPathsForExecutable(Path("bin/"));
    EXPECT_FALSE(installed.configFile.startsWith(Path("bin/")))
        << installed.configFile.toStdString();
    EXPECT_EQ(installed.pictureDirs.value(1), Path("share/talmir/pics/"));
}

TEST_F(InstallModeTest, DemoCaptionSaysSo) {
    TF_FaceOptions options;
    options.exeDir = dir_.path() + "/";
    options.demo = true;
    face_ = std::make_unique<TF_Face>(link_, state_, options);
    EXPECT_TRUE(
        face_->windowTitle().startsWith(QStringLiteral("TALMIR - БИС процессора положения")));
    EXPECT_TRUE(face_->windowTitle().contains(QStringLiteral("демо")));
}

TEST_F(InstallModeTest, ReadOnlyExecutableFolderUsesTheUsersFoldersAndSharedPictures) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("share/talmir/pics"));
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(Path("share/talmir/pics/1.png")));
    TF_FaceOptions options;
    options.exeDir = Path("bin/");
    options.settings = ChooseSettingsPaths(
        options.exeDir, [](const QString&) { return false; }, Path("home/.config/talmir"),
        Path("home/Documents"));
    face_ = std::make_unique<TF_Face>(link_, state_, options);

    EXPECT_EQ(face_->chart->EditChartsFile->text(), Path("home/Documents/data.csv"));
    EXPECT_EQ(face_->work->EditAngleDataFile->text(), Path("home/Documents/data.csv"));
    EXPECT_TRUE(QFileInfo(Path("home/Documents")).isDir());
    EXPECT_EQ(face_->cfg->ImageReg->pixmap().size(), QSize(20, 10)) << "register 1's picture";
    DestroyFace();
    EXPECT_TRUE(ReadFile(Path("home/.config/talmir/config.ini")).startsWith("[CONFIG]"));
    EXPECT_FALSE(QFile::exists(Path("bin/config.ini")));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

}  // namespace
}  // namespace talmir::test
