// Faults injected while the tool works: an adapter that starts failing in the
// middle of polling, data files on a full disk or in a missing folder, and
// register and settings files that are empty, huge, binary or all NUL bytes.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "UiTestSupport.h"
#include "core/AngleRecord.h"
#include "core/SampleLines.h"
#include "ui/ChartView.h"
#include "ui_PageChart.h"
#include "ui_PageCircle.h"
#include "ui_PageWork.h"
#include "ui_UnitASensChart.h"

namespace talmir::test {
namespace {

// The acquisitions that poll: the chart page (register and frame readout),
// the work-data page, the XY page and the sensor window.
enum class Poller { ChartRegisters, ChartFrames, WorkData, XY, Sensor };

// The widgets of one acquisition.
struct Acquisition {
    QLineEdit* interval;
    QAbstractButton* start;
    QTimer* timer;
    TChartSeries* series;       // one point per reading
    QLineEdit* file = nullptr;  // data file name; null where nothing is logged
    QCheckBox* log = nullptr;
    std::string header;
};

bool HasCyrillic(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

bool IsPrintable(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

class FaultInjectionTest : public UiTest {
protected:
    Acquisition Of(Poller p) {
        TF_Face& face = Face();
        switch (p) {
            case Poller::ChartRegisters:
            case Poller::ChartFrames: {
                const bool frames = p == Poller::ChartFrames;
                face.chart->ListBoxMode->setCurrentRow(frames ? 2 : 0);
                return {face.chart->EditInterval,
                        face.chart->btnStart,
                        face.Timer,
                        face.SeriesAng,
                        face.chart->EditChartsFile,
                        face.chart->cbSaveChartsToFile,
                        frames ? RecordHeader(2) : ChartMode0Header()};
            }
            case Poller::WorkData:
                return {face.work->EditAngleWorkDataInt,
                        face.work->BtnStartAngleWrkData,
                        face.TimerWorkData,
                        face.LineSeriesAngle,
                        face.work->EditAngleDataFile,
                        face.work->cbSaveToFile,
                        WorkDataHeader()};
            case Poller::XY:
                return {face.circle->EditXYDataInt,
                        face.circle->btnStartXYChart,
                        face.TimerXYData,
                        face.SeriesXY,
                        face.circle->EditXYDataFile,
                        face.circle->cbSaveXYChartsToFile,
                        XYHeader()};
            case Poller::Sensor:
                sensor_.SetChip(&face.Chip());
                return {sensor_.ui->EditInterval,
                        sensor_.ui->btnStart,
                        sensor_.Timer,
                        sensor_.SeriesAng,
                        nullptr,
                        nullptr,
                        {}};
        }
        return {};
    }

    // Error boxes are modal: each runs an event loop, in which an armed timer
    // would fire and could show a second box.
    void ModalErrorBoxes() {
        state_.errorSink = [this](const QString& m) {
            errors_ << m;
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        };
    }

    TF_ASens_Chart sensor_{state_};
};

// --- the adapter fails after a number of reads while an acquisition polls ---

struct AdapterFault {
    Poller poller;
    const char* name;
    std::uint32_t readsPerCycle;  // SPI_Read calls of one reading
    std::uint32_t failingRead;    // which read of the fourth cycle fails, from 1
};

void PrintTo(const AdapterFault& f, std::ostream* os) {
    *os << f.name << ", read " << f.failingRead << " of cycle 4";
}

class AdapterFaultTest : public FaultInjectionTest,
                         public ::testing::WithParamInterface<AdapterFault> {};

TEST_P(AdapterFaultTest, OneBoxStopsTheAcquisitionAndTheFileKeepsTheEarlierReadings) {
    const AdapterFault& f = GetParam();
    constexpr std::uint32_t kReadings = 3;
    const std::uint32_t goodReads = kReadings * f.readsPerCycle + f.failingRead - 1;
    const Acquisition a = Of(f.poller);
    const QString file = Path("data.csv");
    if (a.file != nullptr) {
        a.file->setText(file);
        a.log->setChecked(true);
    }
    a.interval->setText("1");
    // The adapter stays broken: every read from then on fails.
    TalmirSim_FailCallAfter("SPI_Read", 4, goodReads, 0);
    ModalErrorBoxes();
    a.start->click();
    ASSERT_TRUE(Pump(10000, [&] { return !Errors().isEmpty(); }));
    Pump(60);  // time for ticks that should not come

    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(Errors()[0].contains("SPI_Read")) << Errors()[0].toStdString();
    EXPECT_FALSE(a.timer->isActive());
    EXPECT_EQ(a.start->text(), QStringLiteral("Старт"));
    EXPECT_EQ(CallsOf("SPI_Read").size(), goodReads + 1) << "no read after the failure";
    EXPECT_EQ(a.series->Count(), static_cast<int>(kReadings));
    if (a.file != nullptr) {
        const QByteArray logged = ReadFile(file);
        EXPECT_TRUE(logged.startsWith(QByteArray::fromStdString(a.header) + "\r\n"));
        EXPECT_EQ(logged.count("\r\n"), static_cast<int>(kReadings) + 1) << logged.constData();
        EXPECT_TRUE(logged.endsWith("\r\n")) << "no partial line";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Acquisitions, AdapterFaultTest,
    ::testing::Values(AdapterFault{Poller::ChartRegisters, "ChartRegisters", 3, 1},
                      AdapterFault{Poller::ChartRegisters, "ChartRegisters", 3, 3},
                      AdapterFault{Poller::ChartFrames, "ChartFrames", 1, 1},
                      AdapterFault{Poller::WorkData, "WorkData", 4, 1},
                      AdapterFault{Poller::WorkData, "WorkData", 4, 4},
                      AdapterFault{Poller::XY, "XY", 2, 1}, AdapterFault{Poller::XY, "XY", 2, 2},
                      AdapterFault{Poller::Sensor, "Sensor", 4, 1},
                      AdapterFault{Poller::Sensor, "Sensor", 4, 4}),
    [](const ::testing::TestParamInfo<AdapterFault>& info) {
        return std::string(info.param.name) + "_Read" + std::to_string(info.param.failingRead);
    });

// --- data files that cannot be written ---

struct DataFileFault {
    Poller poller;
    const char* name;
    const char* file;  // absolute, or inside the test's folder
};

void PrintTo(const DataFileFault& f, std::ostream* os) {
    *os << f.name << " to " << f.file;
}

class DataFileFaultTest : public FaultInjectionTest,
                          public ::testing::WithParamInterface<DataFileFault> {
protected:
    QString FileName() const {
        const QString file = QString::fromUtf8(GetParam().file);
        return file.startsWith('/') ? file : Path(file);
    }
};

TEST_P(DataFileFaultTest, OneRussianBoxNamingTheFileStopsTheAcquisition) {
    const Acquisition a = Of(GetParam().poller);
    a.file->setText(FileName());
    a.log->setChecked(true);
    a.interval->setText("1");
    ModalErrorBoxes();
    a.start->click();
    Pump(60);
    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(Errors()[0].contains(FileName())) << Errors()[0].toStdString();
    EXPECT_TRUE(HasCyrillic(Errors()[0])) << Errors()[0].toStdString();
    EXPECT_FALSE(a.timer->isActive());
    EXPECT_EQ(a.start->text(), QStringLiteral("Старт"));
    EXPECT_FALSE(QFileInfo::exists(Path("no-folder")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataFileFaultTest,
    ::testing::Values(DataFileFault{Poller::ChartRegisters, "Chart", "/dev/full"},
                      DataFileFault{Poller::ChartRegisters, "Chart", "no-folder/data.csv"},
                      DataFileFault{Poller::WorkData, "WorkData", "/dev/full"},
                      DataFileFault{Poller::WorkData, "WorkData", "no-folder/data.csv"},
                      DataFileFault{Poller::XY, "XY", "/dev/full"},
                      DataFileFault{Poller::XY, "XY", "no-folder/data.csv"}),
    [](const ::testing::TestParamInfo<DataFileFault>& info) {
        return std::string(info.param.name) +
               (info.param.file[0] == '/' ? "_FullDisk" : "_MissingFolder");
    });

TEST_F(FaultInjectionTest, OneShotExportFailsItsJobWithOneMessageNamingTheFile) {
    for (const QString& file : {QStringLiteral("/dev/full"), Path("no-folder/angle.csv")}) {
        errors_.clear();
        EXPECT_EQ(RunJob({"-getdata", "1", file}), 1) << file.toStdString();
        ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
        EXPECT_TRUE(Errors()[0].contains(file)) << Errors()[0].toStdString();
        EXPECT_TRUE(HasCyrillic(Errors()[0])) << Errors()[0].toStdString();
    }
}

// --- register and settings files with contents no tool would write ---

enum class Content { Empty, Huge, Binary, Nul };

struct OddFile {
    Content content;
    const char* name;
    // A part of the message that says what is wrong; none where the file
    // name and a clean message are all there is to check.
    const char* rdtReason;
    const char* iniReason;
};

void PrintTo(const OddFile& f, std::ostream* os) {
    *os << f.name;
}

class OddFileTest : public FaultInjectionTest, public ::testing::WithParamInterface<OddFile> {
protected:
    // The file in the test's folder, which goes with the test. The huge one
    // is sparse: 100 MB long, no disk space used.
    QString Make(const QString& name) {
        const QString path = Path(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        switch (GetParam().content) {
            case Content::Empty:
                break;
            case Content::Huge:
                EXPECT_TRUE(f.resize(qint64{100} << 20));
                break;
            case Content::Binary: {
                std::mt19937 random(20240601);
                QByteArray bytes(64 << 10, '\0');
                for (char& b : bytes) b = static_cast<char>(random());
                f.write(bytes);
                break;
            }
            case Content::Nul:
                f.write(QByteArray(64 << 10, '\0'));
                break;
        }
        return path;
    }
    static void ExpectCleanMessageNaming(const QString& message, const QString& path,
                                         const char* reason) {
        EXPECT_TRUE(message.contains(path)) << message.toStdString();
        EXPECT_TRUE(IsPrintable(message)) << message.toStdString();
        EXPECT_LT(message.size(), path.size() + 300) << "the box shows no file contents";
        if (reason != nullptr) {
            EXPECT_TRUE(message.contains(reason)) << message.toStdString();
        }
    }
};

TEST_P(OddFileTest, RegisterFileLoadSaysWhyAndLeavesTheTable) {
    const QString path = Make("odd.rdt");
    TF_Face& face = Face();
    for (std::uint16_t a = 1; a <= 81; ++a) face.Chip().PutReg(a, 0x5A5A, false);
    face.ChooseRegisterFile = [&](RegisterFileDialogKind, const QString&) { return path; };
    face.BtnRegsFromFileClick();
    ASSERT_EQ(Errors().size(), 1) << "a load that took nothing is not a success";
    ExpectCleanMessageNaming(Errors()[0], path, GetParam().rdtReason);
    for (std::uint16_t a = 1; a <= 81; ++a) EXPECT_EQ(face.Chip().GetReg(a, false), 0x5A5A) << a;
}

TEST_P(OddFileTest, ConfigJobFailsWithoutWritingARegister) {
    const QString path = Make("odd.ini");
    EXPECT_EQ(RunJob({"-config", path}), 1) << "a file without registers is not a configuration";
    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    ExpectCleanMessageNaming(Errors()[0], path, GetParam().iniReason);
    for (const auto& w : CallsOf("SPI_Write"))
        EXPECT_FALSE(w.data[1] & 0x80) << "register write to " << (w.data[1] & 0x7F);
}

TEST_P(OddFileTest, SettingsFileAtStartGivesDefaultsAndTakesTheNewSettings) {
    const QString path = Make("config.ini");
    const QByteArray original = GetParam().content == Content::Huge ? "" : ReadFile(path);
    TF_Face& face = Face();
    EXPECT_EQ(face.chart->EditChartsFile->text(), Path("data.csv"));
    EXPECT_FALSE(face.chart->cbSaveChartsToFile->isChecked());
    face.chart->cbSaveChartsToFile->click();
    DestroyFace();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    const QByteArray saved = ReadFile(path);
    if (GetParam().content == Content::Huge)
        EXPECT_LT(saved.size(), 1024) << "a settings file of 100 MB is not kept";
    else
        EXPECT_TRUE(saved.startsWith(original)) << "the other lines stay";
    EXPECT_TRUE(Face().chart->cbSaveChartsToFile->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Contents, OddFileTest,
                         ::testing::Values(OddFile{Content::Empty, "Empty", "пуст", "[REG_CFG]"},
                                           OddFile{Content::Huge, "Huge", "МБ", "МБ"},
                                           OddFile{Content::Binary, "Binary", nullptr, "[REG_CFG]"},
                                           OddFile{Content::Nul, "Nul", "\\x00", "[REG_CFG]"}),
                         [](const ::testing::TestParamInfo<OddFile>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace talmir::test
