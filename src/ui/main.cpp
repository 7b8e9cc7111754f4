// Start-up, shutdown, settings file and page changes of the main window.
#include "ui/main.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <cstdint>
#include <stdexcept>

#include "core/IniFile.h"
#include "core/IntText.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui_PageChart.h"
#include "ui_PageCircle.h"
#include "ui_PageConfig.h"
#include "ui_PageWork.h"
#include "ui_main.h"

namespace talmir {

namespace {

constexpr const char* kSection = "CONFIG";

}  // namespace

TF_Face::TF_Face(MpsseLink& link, AcquisitionState& state, TF_FaceOptions options, QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TF_Face>()),
      cfg(std::make_unique<Ui::PageConfig>()),
      chart(std::make_unique<Ui::PageChart>()),
      work(std::make_unique<Ui::PageWork>()),
      circle(std::make_unique<Ui::PageCircle>()),
      link_(link),
      state_(state),
      options_(std::move(options)) {
    if (!options_.settings) options_.settings = SettingsPathsForExecutable(options_.exeDir);
    MakeSettingsFolders(*options_.settings);
    ui->setupUi(this);
    // Simulated readings must not be taken for a chip's.
    if (options_.demo) setWindowTitle(windowTitle() + tr(" (демо: симулятор)"));
    cfg->setupUi(ui->tsASensDig);
    chart->setupUi(ui->TabSheet2);
    work->setupUi(ui->tsWork);
    circle->setupUi(ui->tsCirkle);
    for (TChart* c : findChildren<TChart*>()) c->SetAcquisitionState(&state_);
    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    TimerWorkData = new QTimer(this);
    TimerWorkData->setObjectName("TimerWorkData");
    TimerXYData = new QTimer(this);
    TimerXYData->setObjectName("TimerXYData");
    for (QTimer* t : {Timer, TimerWorkData, TimerXYData}) t->setInterval(100);
    SetUpPages();
    ShowLibraryPath();
    FormCreate();
}

TF_Face::~TF_Face() {
    FormDestroy();
}

QString LibraryPathText(const MpsseLink& link) {
    if (link.LibraryPath().empty()) return QString();
    return TF_Face::tr("Библиотека MPSSE: ") + QString::fromStdString(link.LibraryPath());
}

void MakeSettingsFolders(const SettingsPaths& settings) {
    for (const QString& dir : {settings.configDir, settings.documentsDir})
        if (!dir.isEmpty()) QDir().mkpath(dir);
}

void TF_Face::ShowLibraryPath() {
    ui->StatusBar->showMessage(LibraryPathText(link_));
}

QString TF_Face::ConfigPath() const {
    return options_.settings->configFile;
}

void TF_Face::SetUpPages() {
    ConnectTopPanel();
    SetUpReview();
    connect(ui->PageControl, &QTabWidget::currentChanged, this, &TF_Face::PageControlChange);
    SetUpRegisterPage();
    SetUpChartPage();
    SetUpWorkDataPage();
    SetUpCirclePage();
}

void TF_Face::ConnectTopPanel() {
    connect(ui->btnIniChip, &QPushButton::clicked, this, &TF_Face::btnIniChipClick);
    connect(ui->chCFG, &QCheckBox::clicked, this, &TF_Face::chCFGClick);
    connect(ui->ch7V, &QCheckBox::clicked, this, &TF_Face::ch7VClick);
    connect(ui->BtnRegsToFile, &QPushButton::clicked, this, &TF_Face::BtnRegsToFileClick);
    connect(ui->BtnRegsFromFile, &QPushButton::clicked, this, &TF_Face::BtnRegsFromFileClick);
    connect(work->cbSaveToFile, &QCheckBox::clicked, this, &TF_Face::cbSaveToFileClick);
    connect(circle->cbSaveXYChartsToFile, &QCheckBox::clicked, this, &TF_Face::cbSaveToFileClick);
    connect(chart->cbSaveChartsToFile, &QCheckBox::clicked, this,
            &TF_Face::cbSaveChartsToFileClick);
}

// Kilohertz typed in EditFreq, in Hz; 1000 kHz when the text is not an
// integer. A rate of 0 or one that does not fit the 32-bit field (or is
// negative) is not wrapped into some other clock: it becomes the largest
// value, which no whole number of kHz gives and the library refuses when the
// channel opens.
std::uint32_t TF_Face::ClockRateFromEditFreq() const {
    const std::int64_t hz =
        std::int64_t{ParseInt(ui->EditFreq->text().toStdString()).value_or(kDefaultSpiClockKHz)} *
        1000;
    return hz <= 0 || hz > UINT32_MAX ? kRefusedClockRate : static_cast<std::uint32_t>(hz);
}

void FillChannelConfig(mpsse::ChannelConfig& config, std::uint32_t clockRate) {
    config.ClockRate = clockRate;
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    config.Pin = 0;
    config.currentPinState = 0;
}

void TF_Face::FormCreate() {
    chip_ = std::make_unique<TASensDig>(link_);
    Guard(state_.errorSink, this, [&] {
        chart->ListBoxMode->setCurrentRow(0);
        FillChannelConfig(link_.ChannelConfig(), ClockRateFromEditFreq());
        InitLedsHeader();
        LoadConfig();
        FillRegisterList();
        RunCommandLine();
    });
}

// Two or more arguments are a command line the program ran no job for: the
// chip is identified at start and the window opens.
void TF_Face::RunCommandLine() {
    if (options_.args.size() >= 2) btnIniChipClick();
}

// The timers stop before the register model goes: the save's error box runs
// an event loop, in which an armed timer would otherwise reach the model.
void TF_Face::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    StopAcquisitionTimers();
    chip_.reset();
    Guard(state_.errorSink, this,
          [&] { WriteConfigValuesAtExit(ConfigPath(), ShownConfigValues()); });
}

// The box at exit names the settings file, whatever the cause.
void WriteConfigValuesAtExit(const QString& configFile, const ConfigValues& values) {
    try {
        WriteConfigValues(configFile, values);
    } catch (const std::exception& e) {
        const QString reason = QString::fromUtf8(e.what());
        if (reason.contains(configFile)) throw;
        throw std::runtime_error(TF_Face::tr("Не удалось сохранить настройки в %1: %2")
                                     .arg(configFile, reason)
                                     .toStdString());
    }
}

// Closing the main window ends the program, even while an auxiliary window
// is on screen.
void TF_Face::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}

void TF_Face::PageControlChange(int) {
    state_.AcquisitionActive = false;
}

void TF_Face::cbSaveToFileClick() {
    Guard(state_.errorSink, this, [&] { SaveConfig(); });
}

void TF_Face::cbSaveChartsToFileClick() {
    Guard(state_.errorSink, this, [&] { SaveConfig(); });
}

void WriteConfigValues(const QString& configFile, const ConfigValues& values) {
    IniFile ini;
    const std::filesystem::path path = FilePath(configFile);
    ini.Load(path);
    ini.Write(kSection, "SaveAngleDataFile", values.SaveAngleDataFile.toStdString());
    ini.Write(kSection, "SaveRegsDataFile", values.SaveRegsDataFile.toStdString());
    ini.WriteBool(kSection, "SaveAngleDataToFile", values.SaveAngleDataToFile);
    ini.WriteBool(kSection, "SaveChartDataToFile", values.SaveChartDataToFile);
    ini.WriteBool(kSection, "SaveXYChartDataToFile", values.SaveXYChartDataToFile);
    ini.Save(path);
}

ConfigValues ReadConfigValues(const SettingsPaths& settings) {
    IniFile ini;
    ini.Load(FilePath(settings.configFile));
    const std::string defaultFile = settings.defaultDataFile.toStdString();
    ConfigValues values;
    values.SaveRegsDataFile =
        QString::fromStdString(ini.ReadString(kSection, "SaveRegsDataFile", defaultFile));
    values.SaveAngleDataFile =
        QString::fromStdString(ini.ReadString(kSection, "SaveAngleDataFile", defaultFile));
    values.SaveAngleDataToFile = ini.ReadBool(kSection, "SaveAngleDataToFile", false);
    values.SaveChartDataToFile = ini.ReadBool(kSection, "SaveChartDataToFile", false);
    return values;
}

ConfigValues TF_Face::ShownConfigValues() const {
    ConfigValues values;
    values.SaveAngleDataFile = work->EditAngleDataFile->text();
    values.SaveRegsDataFile = chart->EditChartsFile->text();
    values.SaveAngleDataToFile = work->cbSaveToFile->isChecked();
    values.SaveChartDataToFile = chart->cbSaveChartsToFile->isChecked();
    values.SaveXYChartDataToFile = circle->cbSaveXYChartsToFile->isChecked();
    return values;
}

void TF_Face::SaveConfig() {
    WriteConfigValues(ConfigPath(), ShownConfigValues());
}

void TF_Face::LoadConfig() {
    const ConfigValues values = ReadConfigValues(*options_.settings);
    chart->EditChartsFile->setText(values.SaveRegsDataFile);
    work->EditAngleDataFile->setText(values.SaveAngleDataFile);
    // setChecked does not emit clicked, so restoring writes nothing.
    work->cbSaveToFile->setChecked(values.SaveAngleDataToFile);
    chart->cbSaveChartsToFile->setChecked(values.SaveChartDataToFile);
}

}  // namespace talmir
