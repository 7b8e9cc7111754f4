// "-capture MODE RATE_HZ COUNT FILE" end to end on the simulator: the file's
// header and one CR LF line per sample in every mode, times in order, and
// arguments refused with exit code 1.
#include <QTemporaryDir>

#include "core/CaptureRecord.h"
#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

TEST(CaptureJob, WritesEverySampleWithItsTimeInEachMode) {
    QTemporaryDir dir;
    for (int mode = 0; mode <= 5; ++mode) {
        const QString file = dir.path() + QStringLiteral("/захват%1.csv").arg(mode);
        const auto run = RunTool(TALMIR_BIN_DIR "/talmir",
                                 {"-capture", QString::number(mode), "2000", "40", file});
        ASSERT_TRUE(run);
        EXPECT_EQ(run->exitCode, 0) << mode << ": " << run->err.toStdString();
        const QList<QByteArray> lines = ReadFile(file).split('\n');
        ASSERT_EQ(lines.size(), 42) << mode;  // header, 40 samples, nothing after the last CR LF
        EXPECT_EQ(lines[0], QByteArray::fromStdString(CaptureHeader(mode) + "\r")) << mode;
        qlonglong last = -1;
        for (int i = 1; i <= 40; ++i) {
            ASSERT_TRUE(lines[i].endsWith('\r')) << mode << " line " << i;
            EXPECT_EQ(lines[i].count(';'), lines[0].count(';')) << lines[i].toStdString();
            const qlonglong t = lines[i].left(lines[i].indexOf(';')).toLongLong();
            EXPECT_GE(t, last) << mode << " line " << i;
            last = t;
        }
        EXPECT_TRUE(lines[41].isEmpty());
    }
}

TEST(CaptureJob, AngleErrorOfACaptureGivesTheMagnetsSpeed) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/rpm.csv";
    // 6,000 rpm at 20 kHz in readout mode 1 (the simulated chip's 20-bit
    // frame): 3.6° a sample, five turns in one burst, whose frames the
    // adapter's clock spaces exactly. (Across bursts each burst's start is
    // measured by the computer, to a precision the machine's load sets.)
    qputenv("TALMIR_SIM_SIGNAL", "rpm=6000");
    const auto capture =
        RunTool(TALMIR_BIN_DIR "/talmir", {"-capture", "1", "20000", "1000", file});
    qunsetenv("TALMIR_SIM_SIGNAL");
    ASSERT_TRUE(capture);
    ASSERT_EQ(capture->exitCode, 0) << capture->err.toStdString();
    const auto analysis = RunTool(TALMIR_BIN_DIR "/talmir", {"-angleerror", file});
    ASSERT_TRUE(analysis);
    ASSERT_EQ(analysis->exitCode, 0) << analysis->err.toStdString();
    QMap<QString, double> values;
    for (const QString& line : analysis->out.split('\n', Qt::SkipEmptyParts))
        values[line.section('=', 0, 0)] = line.section('=', 1).toDouble();
    EXPECT_EQ(values["points"], 1000);
    EXPECT_EQ(values["filled_steps"], 0);
    EXPECT_EQ(values["step_us"], 50);
    EXPECT_NEAR(values["rpm"], 6000, 6);
    EXPECT_NEAR(values["revolutions"], (values["points"] - 1) * 50e-6 * 100, 0.02);
    EXPECT_LT(values["rms_error_deg"], 1);
    EXPECT_FALSE(values.contains("cordic_rms_error_deg")) << "a capture has no channels";
}

TEST(CaptureJob, RefusesArgumentsItCannotUse) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/c.csv";
    for (const QStringList& args :
         {QStringList{"-capture", "6", "1000", "10", file},
          QStringList{"-capture", "2", "0", "10", file},
          QStringList{"-capture", "2", "1000", "0", file}, QStringList{"-capture", "2", "1000"}}) {
        const auto run = RunTool(TALMIR_BIN_DIR "/talmir", args);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run->err.contains("-capture")) << run->err.toStdString();
    }
}

}  // namespace
}  // namespace talmir::test
