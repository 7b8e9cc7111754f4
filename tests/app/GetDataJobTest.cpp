// The "-getdata" job end to end: the tool runs as its own process against the
// simulated adapter, without a display; and in process.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

class GetDataJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QFile::copy(TALMIR_BIN_DIR "/talmir", Path("talmir")));
    }
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }

    // Runs the copied tool with these arguments; false when it did not finish.
    bool Run(const QStringList& args) {
        const auto run = RunTool(Path("talmir"), args);
        if (!run) return false;
        exitCode_ = run->exitCode;
        stderr_ = run->err;
        return true;
    }

    QTemporaryDir dir_;
    int exitCode_ = -1;
    QString stderr_;
};

TEST_F(GetDataJobTest, ModeOneAppendsOneRecordExitsZeroAndRewritesTheSettings) {
    WriteFile(Path("config.ini"), "[CONFIG]\r\nSaveChartDataToFile=1\r\n");
    ASSERT_TRUE(Run({"-getdata", "1", Path("angle.csv")}));
    EXPECT_EQ(exitCode_, 0) << stderr_.toStdString();

    const QString text = QString::fromLatin1(ReadFile(Path("angle.csv")));
    const QRegularExpression record(
        "^Angle;ADC;AALM;AAHM;CRC;Data\\(hex\\);Data\\(bin\\);\r\n"
        "\\d+;[01];[01];[01];[01];[0-9A-F]{6};[01]{20};\r\n$");
    EXPECT_TRUE(record.match(text).hasMatch()) << text.toStdString();
    EXPECT_TRUE(stderr_.contains("-getdata")) << stderr_.toStdString();

    const QByteArray settings = ReadFile(Path("config.ini"));
    EXPECT_TRUE(settings.contains("SaveChartDataToFile=1\r\n")) << settings.constData();
    EXPECT_TRUE(settings.contains("SaveXYChartDataToFile=0\r\n")) << "all five keys written";

    ASSERT_TRUE(Run({"-getdata", "1", Path("angle.csv")}));
    EXPECT_EQ(ReadFile(Path("angle.csv")).count("\r\n"), 3) << "a second run adds one line";
}

TEST_F(GetDataJobTest, ModeTwoHundredFiftySixActsAsModeZero) {
    ASSERT_TRUE(Run({"-getdata", "256", Path("angle.csv")}));
    EXPECT_EQ(exitCode_, 0) << stderr_.toStdString();
    EXPECT_TRUE(
        ReadFile(Path("angle.csv")).startsWith("Angle;ADC;AALM;AAHM;Data(hex);Data(bin);\r\n-1;"));
}

TEST_F(GetDataJobTest, ModeThatTakesNoReadingWritesWhatItDidBeforeButFails) {
    for (const char* mode : {"5", "255"}) {
        const QString file = Path(QStringLiteral("angle%1.csv").arg(mode));
        ASSERT_TRUE(Run({"-getdata", mode, file}));
        EXPECT_EQ(exitCode_, 1) << mode;
        EXPECT_TRUE(stderr_.contains(QStringLiteral("отсчёт не снимается")))
            << stderr_.toStdString();
        EXPECT_FALSE(stderr_.contains(QStringLiteral("добавлена"))) << stderr_.toStdString();
        EXPECT_EQ(ReadFile(file), QByteArray("\r\n")) << mode << ": the empty header line";
    }
}

TEST_F(GetDataJobTest, ModeThatIsNotAnIntegerFailsWithTheReasonAndNoRecord) {
    ASSERT_TRUE(Run({"-getdata", "one", Path("angle.csv")}));
    EXPECT_NE(exitCode_, 0);
    EXPECT_TRUE(stderr_.contains(QStringLiteral("«one» не является целым числом")))
        << stderr_.toStdString();
    EXPECT_TRUE(stderr_.endsWith(QStringLiteral(
        "CHIP_HARD_ID = 0x10F1\nОшибка: -getdata: режим считывания «one» не является целым "
        "числом\n")))
        << stderr_.toStdString();
    EXPECT_FALSE(QFile::exists(Path("angle.csv")));
}

using GetDataInProcessTest = ToolTest;

TEST_F(GetDataInProcessTest, JobWithNonIntegerModeFailsWithoutRecord) {
    EXPECT_NE(RunJob({"-getdata", "abc", Path("x.csv")}), 0);
    EXPECT_FALSE(QFile::exists(Path("x.csv")));
    ASSERT_FALSE(Errors().isEmpty());
    EXPECT_TRUE(Errors().last().contains("abc"));
}

TEST_F(GetDataJobTest, UnwritableFileFailsWithTheReason) {
    ASSERT_TRUE(Run({"-getdata", "1", Path("no-folder/angle.csv")}));
    EXPECT_NE(exitCode_, 0);
    EXPECT_TRUE(stderr_.contains("no-folder/angle.csv")) << stderr_.toStdString();
}

}  // namespace
}  // namespace talmir::test
