// The "-xyfit" and "-angleerror" jobs end to end: the tool runs as its own
// process on data files of known content, and on files the pages wrote from
// a simulated chip of known imperfections, with no MPSSE library to load.
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "UiTestSupport.h"
#include "core/SampleLines.h"
#include "ui_PageCircle.h"
#include "ui_PageWork.h"

namespace talmir::test {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;
// A library that does not exist: a job that tried to bind it would say so.
const QString kNoLibrary = QStringLiteral("/nonexistent/libMPSSE.so");

// The keys of a "key=value" report in order, and its values.
struct Report {
    QStringList keys;
    QMap<QString, double> values;
};

Report Parse(const QString& out) {
    Report r;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf('=');
        r.keys << line.left(eq);
        bool ok = false;
        r.values[line.left(eq)] = line.mid(eq + 1).toDouble(&ok);
        EXPECT_TRUE(ok) << line.toStdString();
    }
    return r;
}

class AnalysisJobsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    ToolRun Run(const QStringList& args) {
        const auto run = RunTool(TALMIR_BIN_DIR "/talmir", args, kNoLibrary);
        EXPECT_TRUE(run) << "did not finish";
        return run.value_or(ToolRun{});
    }
    QTemporaryDir dir_;
};

TEST_F(AnalysisJobsTest, ReportFitOfAnEllipseAndHarmonicOfARun) {
    // Ox 1500, Oy −800, Ax 21000, Ay 19000, φ 3.5°, rounded to whole LSB.
    std::string xy = XYHeader() + "\r\n";
    for (int i = 0; i < 400; ++i) {
        const double t = i * 360.0 / 400 * kRad;
        xy += XYLine(static_cast<int32_t>(std::lround(1500 + 21000 * std::sin(t))),
                     static_cast<int32_t>(std::lround(-800 + 19000 * std::cos(t + 3.5 * kRad)))) +
              "\r\n";
    }
    WriteFile(Path("xy.csv"), QByteArray::fromStdString(xy));
    const ToolRun fit = Run({"-xyfit", Path("xy.csv")});
    EXPECT_EQ(fit.exitCode, 0) << fit.err.toStdString();
    EXPECT_EQ(fit.err, "");
    const Report f = Parse(fit.out);
    EXPECT_EQ(f.keys, QStringList({"points", "offset_x", "offset_y", "amplitude_x", "amplitude_y",
                                   "mismatch_percent", "phase_deg", "noise_lsb",
                                   "peak_angle_error_deg", "rms_angle_error_deg"}));
    EXPECT_EQ(f.values["points"], 400);
    EXPECT_NEAR(f.values["offset_x"], 1500, 0.5);
    EXPECT_NEAR(f.values["offset_y"], -800, 0.5);
    EXPECT_NEAR(f.values["amplitude_x"], 21000, 0.5);
    EXPECT_NEAR(f.values["amplitude_y"], 19000, 0.5);
    EXPECT_NEAR(f.values["mismatch_percent"], (21000.0 / 19000 - 1) * 100, 0.01);
    EXPECT_NEAR(std::abs(f.values["phase_deg"]), 3.5, 0.01);
    EXPECT_LT(f.values["noise_lsb"], 0.5);

    // Five turns over 5000 samples, the chip's angle off by 0.2° at twice the
    // angle; the channels are exact.
    std::string work = WorkDataHeader() + "\r\n";
    for (int i = 0; i < 5000; ++i) {
        const double theta = 5.0 * 360 * i / 4999;
        const double chip = theta + 0.2 * std::sin(2 * theta * kRad);
        const auto code = static_cast<uint16_t>(std::lround(chip / 360 * 65536) & 0xFFFF);
        work += WorkDataLine(code, 20000,
                             static_cast<int32_t>(std::lround(20000 * std::sin(theta * kRad))),
                             static_cast<int32_t>(std::lround(20000 * std::cos(theta * kRad)))) +
                "\r\n";
    }
    WriteFile(Path("work.csv"), QByteArray::fromStdString(work));
    const ToolRun angle = Run({"-angleerror", Path("work.csv")});
    EXPECT_EQ(angle.exitCode, 0) << angle.err.toStdString();
    EXPECT_EQ(angle.err, "");
    const Report a = Parse(angle.out);
    EXPECT_EQ(a.keys, QStringList({"points", "revolutions", "rms_error_deg", "peak_error_deg",
                                   "h1_deg", "h2_deg", "h3_deg", "h4_deg", "h5_deg", "h6_deg",
                                   "h7_deg", "h8_deg", "cordic_rms_error_deg"}));
    EXPECT_EQ(a.values["points"], 5000);
    EXPECT_NEAR(a.values["revolutions"], 5, 0.001);
    EXPECT_NEAR(a.values["h2_deg"], 0.2, 0.005);
    EXPECT_LT(a.values["h1_deg"], 0.005);
    EXPECT_NEAR(a.values["rms_error_deg"], 0.2 / std::sqrt(2.0), 0.005);
    EXPECT_NEAR(a.values["cordic_rms_error_deg"], 0.2 / std::sqrt(2.0), 0.005);
}

TEST_F(AnalysisJobsTest, BadLineOrTooFewPointsFailWithTheReason) {
    WriteFile(Path("xy.csv"), "X;Y\r\n1;2;\r\n3;четыре;\r\n");
    const ToolRun bad = Run({"-xyfit", Path("xy.csv")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_TRUE(bad.err.contains(QStringLiteral("строка 3: «3;четыре;»"))) << bad.err.toStdString();

    WriteFile(Path("work.csv"), "Angle;Anplitude;X;Y;\r\n1A2F;5120;-1200;3400;\r\n");
    const ToolRun few = Run({"-angleerror", Path("work.csv")});
    EXPECT_EQ(few.exitCode, 1);
    EXPECT_TRUE(few.err.contains(QStringLiteral("слишком мало точек: 1"))) << few.err.toStdString();
}

// The pages' own runs on a simulated chip of known imperfections: the XY
// page and the work-data page log through the window, then the jobs analyse
// what they wrote.
class PageRunAnalysisTest : public UiTest {
protected:
    ToolRun Run(const QStringList& args) {
        const auto run = RunTool(TALMIR_BIN_DIR "/talmir", args, kNoLibrary);
        EXPECT_TRUE(run) << "did not finish";
        return run.value_or(ToolRun{});
    }
};

TEST_F(PageRunAnalysisTest, JobsRecoverTheSimulatedImperfectionsFromPageFiles) {
    TF_Face& face = Face();
    const TalmirSimSignal circle{300, -200, 20000, 19000, 2, 0, 3};
    ASSERT_EQ(TalmirSim_SetSignal(&circle), 1);
    face.circle->EditXYDataInt->setText("0");
    face.circle->cbSaveXYChartsToFile->setChecked(true);
    face.circle->EditXYDataFile->setText(Path("xy.csv"));
    for (int i = 0; i < 400; ++i) {
        TalmirSim_SetAngle(static_cast<uint16_t>(i * 65536 / 400));
        if (i == 0) {
            face.circle->btnStartXYChart->click();
        } else {
            face.TimerXYDataTimer();
        }
    }
    const ToolRun fit = Run({"-xyfit", Path("xy.csv")});
    ASSERT_EQ(fit.exitCode, 0) << fit.err.toStdString();
    const Report f = Parse(fit.out);
    EXPECT_EQ(f.values["points"], 400);
    EXPECT_NEAR(f.values["offset_x"], 300, 2);
    EXPECT_NEAR(f.values["offset_y"], -200, 2);
    EXPECT_NEAR(f.values["amplitude_x"], 20000, 3);
    EXPECT_NEAR(f.values["amplitude_y"], 19000, 3);
    EXPECT_NEAR(f.values["mismatch_percent"], (20000.0 / 19000 - 1) * 100, 0.03);
    EXPECT_NEAR(f.values["phase_deg"], 2, 0.05);
    EXPECT_NEAR(f.values["noise_lsb"], 3, 0.4);

    // Five turns in 2000 cycles of the work-data page, the channels also
    // distorted at their third harmonic.
    const TalmirSimSignal run{300, -200, 20000, 19000, 2, 0.5, 3};
    ASSERT_EQ(TalmirSim_SetSignal(&run), 1);
    face.work->EditAngleWorkDataInt->setText("0");
    face.work->cbSaveToFile->setChecked(true);
    face.work->EditAngleDataFile->setText(Path("work.csv"));
    constexpr int kCycles = 2000;
    for (int i = 0; i < kCycles; ++i) {
        TalmirSim_SetAngle(static_cast<uint16_t>(std::lround(i * 5.0 * 65536 / kCycles) & 0xFFFF));
        if (i == 0) {
            face.work->BtnStartAngleWrkData->click();
        } else {
            face.TimerWorkDataTimer();
        }
    }
    const ToolRun angle = Run({"-angleerror", Path("work.csv")});
    ASSERT_EQ(angle.exitCode, 0) << angle.err.toStdString();
    const Report a = Parse(angle.out);
    EXPECT_EQ(a.values["points"], kCycles);
    EXPECT_NEAR(a.values["revolutions"], 5.0 * (kCycles - 1) / kCycles, 0.001);

    // The error atan2 makes on the model's noise-free channels, and its
    // harmonics by a plain DFT over one turn.
    constexpr int kGrid = 4096;
    std::vector<double> error(kGrid);
    double mean = 0;
    for (int j = 0; j < kGrid; ++j) {
        const double t = 2 * std::numbers::pi * j / kGrid, psi = t + run.phaseDeg * kRad;
        const double h = run.h3Percent / 100;
        const double x = run.offsetX + run.amplitudeX * (std::sin(t) + h * std::sin(3 * t));
        const double y = run.offsetY + run.amplitudeY * (std::cos(psi) - h * std::cos(3 * psi));
        error[j] = std::remainder(std::atan2(x, y) - t, 2 * std::numbers::pi) / kRad;
        mean += error[j] / kGrid;
    }
    double squares = 0;
    for (double e : error) squares += (e - mean) * (e - mean) / kGrid;
    EXPECT_NEAR(a.values["rms_error_deg"], std::sqrt(squares), 0.02 * std::sqrt(squares));
    for (int k = 1; k <= 8; ++k) {
        std::complex<double> bin;
        for (int j = 0; j < kGrid; ++j)
            bin += error[j] * std::polar(1.0, -2 * std::numbers::pi * k * j / kGrid);
        const double expected = 2 * std::abs(bin) / kGrid;
        const QString key = QStringLiteral("h%1_deg").arg(k);
        EXPECT_NEAR(a.values[key], expected, 0.02 * expected + 0.003) << key.toStdString();
    }
    EXPECT_LT(a.values["cordic_rms_error_deg"], 0.05) << "the chip's angle is atan2 of X and Y";
}

}  // namespace
}  // namespace talmir::test
