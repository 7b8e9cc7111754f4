// Start-up, settings file and page changes of the main window.
#include <QEventLoop>
#include <QFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <utility>

#include "UiTestSupport.h"
#include "ui_PageChart.h"
#include "ui_PageCircle.h"
#include "ui_PageWork.h"
#include "ui_UnitASensChart.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

using MainWindowTest = UiTest;

TEST_F(MainWindowTest, OpensOnChartPageWithCaptionAndDefaultChannelConfig) {
    TF_Face& face = Face();
    EXPECT_EQ(face.windowTitle(), QStringLiteral("TALMIR - БИС процессора положения"));
    EXPECT_EQ(face.ui->PageControl->currentWidget(), face.ui->TabSheet2);
    EXPECT_EQ(face.ui->PageControl->tabText(0), QStringLiteral("Конфигурация"));
    EXPECT_EQ(face.ui->PageControl->tabText(3), QStringLiteral("Круговой график"));
    const auto& config = link_.ChannelConfig();
    EXPECT_EQ(config.ClockRate, 1000000u);
    EXPECT_EQ(config.LatencyTimer, 1);
    EXPECT_EQ(config.configOptions, 0x20u);
    EXPECT_EQ(config.Pin, 0u);
    EXPECT_FALSE(link_.IsChannelOpen()) << "start-up must not open the channel";
    EXPECT_EQ(face.ui->StatusBar->currentMessage(), LibraryText(TALMIR_SIM_LIBRARY));
}

TEST_F(MainWindowTest, NewInstallationUsesDefaultsAndCreatesSettingsInKeyOrderAtExit) {
    TF_Face& face = Face();
    const QString dataCsv = dir_.path() + "/data.csv";
    EXPECT_EQ(face.chart->EditChartsFile->text(), dataCsv);
    EXPECT_EQ(face.work->EditAngleDataFile->text(), dataCsv);
    EXPECT_FALSE(face.chart->cbSaveChartsToFile->isChecked());
    EXPECT_FALSE(QFile::exists(Path("config.ini")));
    DestroyFace();
    const QByteArray expected = "[CONFIG]\r\nSaveAngleDataFile=" + dataCsv.toUtf8() +
                                "\r\nSaveRegsDataFile=" + dataCsv.toUtf8() +
                                "\r\nSaveAngleDataToFile=0\r\nSaveChartDataToFile=0\r\n"
                                "SaveXYChartDataToFile=0\r\n";
    EXPECT_EQ(ReadFile(Path("config.ini")), expected);
}

TEST_F(MainWindowTest, RestoresStoredValuesWithoutRewritingTheFile) {
    const QByteArray stored =
        "[CONFIG]\r\nSaveAngleDataToFile=1\r\nSaveChartDataToFile=1\r\n"
        "SaveRegsDataFile=/tmp/chart.csv\r\nSaveAngleDataFile=/tmp/work.csv\r\n"
        "SaveXYChartDataToFile=1\r\n";
    WriteFile(Path("config.ini"), stored);
    TF_Face& face = Face();
    EXPECT_TRUE(face.work->cbSaveToFile->isChecked());
    EXPECT_TRUE(face.chart->cbSaveChartsToFile->isChecked());
    EXPECT_EQ(face.chart->EditChartsFile->text(), "/tmp/chart.csv");
    EXPECT_EQ(face.work->EditAngleDataFile->text(), "/tmp/work.csv");
    EXPECT_FALSE(face.circle->cbSaveXYChartsToFile->isChecked()) << "XY logging is never restored";
    EXPECT_EQ(ReadFile(Path("config.ini")), stored);
}

TEST_F(MainWindowTest, NonIntegerBooleanReadsAsFalse) {
    WriteFile(Path("config.ini"), "[CONFIG]\nSaveChartDataToFile=yes\nSaveAngleDataToFile=2\n");
    TF_Face& face = Face();
    EXPECT_FALSE(face.chart->cbSaveChartsToFile->isChecked());
    EXPECT_TRUE(face.work->cbSaveToFile->isChecked());
}

TEST_F(MainWindowTest, SavingReplacesKeysInPlaceAndKeepsOtherLines) {
    WriteFile(Path("config.ini"),
              "; settings\r\n[OTHER]\r\nA=1\r\n[CONFIG]\r\nSaveChartDataToFile=1\r\nMine=x\r\n");
    TF_Face& face = Face();
    face.chart->cbSaveChartsToFile->click();  // unchecks and saves at once
    const QByteArray saved = ReadFile(Path("config.ini"));
    EXPECT_TRUE(
        saved.startsWith("; settings\r\n[OTHER]\r\nA=1\r\n[CONFIG]\r\n"
                         "SaveChartDataToFile=0\r\nMine=x\r\n"))
        << saved.constData();
    EXPECT_TRUE(saved.contains("SaveXYChartDataToFile=0\r\n"));
}

TEST_F(MainWindowTest, EachSaveCheckBoxWritesTheSettingsAtOnce) {
    TF_Face& face = Face();
    face.circle->cbSaveXYChartsToFile->click();
    EXPECT_TRUE(ReadFile(Path("config.ini")).contains("SaveXYChartDataToFile=1"));
    face.work->cbSaveToFile->click();
    EXPECT_TRUE(ReadFile(Path("config.ini")).contains("SaveAngleDataToFile=1"));
}

TEST_F(MainWindowTest, UnwritableSettingsFileShowsAnErrorNamingIt) {
    TF_FaceOptions options;
    options.exeDir = dir_.path() + "/missing-folder/";
    options.args = {};
    face_ = std::make_unique<TF_Face>(link_, state_, options);
    DestroyFace();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("config.ini")) << Errors()[0].toStdString();
}

TEST_F(MainWindowTest, ClosingWhileEveryAcquisitionPollsStopsTheTimersBeforeTheSaveError) {
    TF_Face& face = Face();
    ASSERT_TRUE(QDir(dir_.path()).mkdir("config.ini"));
    TF_ASens_Chart sensor{state_};
    face.AttachAuxiliaryWindows(nullptr, &sensor);
    const std::pair<QLineEdit*, QAbstractButton*> acquisitions[] = {
        {face.chart->EditInterval, face.chart->btnStart},
        {face.work->EditAngleWorkDataInt, face.work->BtnStartAngleWrkData},
        {face.circle->EditXYDataInt, face.circle->btnStartXYChart},
        {sensor.ui->EditInterval, sensor.ui->btnStart}};
    for (const auto& [interval, start] : acquisitions) {
        interval->setText("1");
        start->click();
    }
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    // A modal box runs an event loop, in which armed timers would fire.
    state_.errorSink = [this](const QString& m) {
        errors_ << m;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    };
    DestroyFace();
    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(Errors()[0].contains("config.ini")) << Errors()[0].toStdString();
    EXPECT_FALSE(sensor.Timer->isActive());
}

TEST_F(MainWindowTest, SettingsRegisterAndIniFilesWorkInACyrillicFolder) {
    const QString folder = dir_.path() + QStringLiteral("/Данные/");
    ASSERT_TRUE(QDir().mkpath(folder));
    TF_FaceOptions options;
    options.exeDir = folder;
    face_ = std::make_unique<TF_Face>(link_, state_, options);
    face_->chart->cbSaveChartsToFile->click();
    ASSERT_TRUE(QFile::exists(folder + "config.ini"));

    face_->ChooseRegisterFile = [&](RegisterFileDialogKind, const QString&) {
        return folder + QStringLiteral("регистры.rdt");
    };
    face_->Chip().PutReg(1, 4321, false);
    face_->BtnRegsToFileClick();
    face_->Chip().PutReg(1, 0, false);
    face_->BtnRegsFromFileClick();
    EXPECT_EQ(face_->Chip().GetReg(1, false), 4321);

    WriteFile(folder + QStringLiteral("настройка.ini"), "[REG_CFG]\r\n5=0x1234\r\n");
    EXPECT_TRUE(face_->LoadRegsFromIni(folder + QStringLiteral("настройка.ini")));
    EXPECT_EQ(TalmirSim_GetRegister(5), 0x1234);

    DestroyFace();
    face_ = std::make_unique<TF_Face>(link_, state_, options);
    EXPECT_TRUE(face_->chart->cbSaveChartsToFile->isChecked());
    EXPECT_EQ(face_->chart->EditChartsFile->text(), folder + "data.csv");
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(MainWindowTest, PageChangeClearsTheAcquisitionFlagOnly) {
    TF_Face& face = Face();
    state_.AcquisitionActive = true;
    face.ui->PageControl->setCurrentIndex(0);
    EXPECT_FALSE(state_.AcquisitionActive);
}

TEST_F(MainWindowTest, FewerThanTwoArgumentsRunNoIdentification) {
    Face({"-getdata"});
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
}

TEST_F(MainWindowTest, UnknownOrWrongCaseFirstArgumentIdentifiesAndOpensTheWindow) {
    Face({"-GETDATA", "1", Path("x.csv")});
    EXPECT_FALSE(CallsOf("SPI_Read").empty()) << "identification reads register 0";
    EXPECT_FALSE(QFile::exists(Path("x.csv")));
}

}  // namespace
}  // namespace talmir::test
