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
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/UnitASensChart.h"
#include "ui_PageChart.h"
#include "ui_PageCircle.h"
#include "ui_PageConfig.h"
#include "ui_PageWork.h"
#include "ui_main.h"

namespace talmir {

std::uint8_t GPIOState = 0;

namespace {

constexpr const char* kSection = "CONFIG";

}  // namespace

TF_Face::TF_Face(TF_FaceOptions options, QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TF_Face>()),
      cfg(std::make_unique<Ui::PageConfig>()),
      chart(std::make_unique<Ui::PageChart>()),
      work(std::make_unique<Ui::PageWork>()),
      circle(std::make_unique<Ui::PageCircle>()),
      options_(std::move(options)) {
    if (options_.link == nullptr) options_.link = &Mpsse();
    if (!options_.settings) options_.settings = SettingsPathsForExecutable(options_.exeDir);
    // An installed copy keeps its files in the user's folders, which may not
    // exist yet; a folder that cannot be made shows up when a file is written.
    for (const QString& dir : {options_.settings->configDir, options_.settings->documentsDir})
        if (!dir.isEmpty()) QDir().mkpath(dir);
    ui->setupUi(this);
    // Simulated readings must not be taken for a chip's.
    if (options_.demo) setWindowTitle(windowTitle() + tr(" (демо: симулятор)"));
    cfg->setupUi(ui->tsASensDig);
    chart->setupUi(ui->TabSheet2);
    work->setupUi(ui->tsWork);
    circle->setupUi(ui->tsCirkle);
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

void TF_Face::ShowLibraryPath() {
    ui->StatusBar->showMessage(LibraryPathText(*options_.link));
}

QString TF_Face::ConfigPath() const {
    return options_.settings->configFile;
}

void TF_Face::SetUpPages() {
    ConnectTopPanel();
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
        std::int64_t{ParseInt(ui->EditFreq->text().toStdString()).value_or(1000)} * 1000;
    return hz <= 0 || hz > UINT32_MAX ? kRefusedClockRate : static_cast<std::uint32_t>(hz);
}

void TF_Face::FillChannelConfig() {
    mpsse::ChannelConfig& config = options_.link->ChannelConfig();
    config.ClockRate = ClockRateFromEditFreq();
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    config.Pin = 0;
    config.currentPinState = 0;
}

void TF_Face::FormCreate() {
    chip_ = std::make_unique<TASensDig>(*options_.link);
    Guard(this, [&] {
        chart->ListBoxMode->setCurrentRow(0);
        FillChannelConfig();
        InitLedsHeader();
        LoadConfig();
        FillRegisterList();
        RunCommandLine();
    });
}

// The timers stop before the register model goes: the save's error box runs
// an event loop, in which an armed timer would otherwise reach the model.
void TF_Face::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    StopAcquisitionTimers();
    chip_.reset();
    Guard(this, [&] {
        try {
            SaveConfig();
        } catch (const std::exception& e) {
            // The box at exit names the settings file, whatever the cause.
            const QString reason = QString::fromUtf8(e.what());
            if (reason.contains(ConfigPath())) throw;
            throw std::runtime_error(tr("Не удалось сохранить настройки в %1: %2")
                                         .arg(ConfigPath(), reason)
                                         .toStdString());
        }
    });
}

// Closing the main window ends the program, even while an auxiliary window
// is on screen.
void TF_Face::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}

void TF_Face::PageControlChange(int) {
    AcquisitionActive = false;
}

void TF_Face::cbSaveToFileClick() {
    Guard(this, [&] { SaveConfig(); });
}

void TF_Face::cbSaveChartsToFileClick() {
    Guard(this, [&] { SaveConfig(); });
}

// A settings file that cannot be read (one over kMaxTextFileBytes included)
// is replaced by one holding just these settings.
void TF_Face::SaveConfig() {
    IniFile ini;
    const std::filesystem::path path = FilePath(ConfigPath());
    ini.Load(path);
    ini.Write(kSection, "SaveAngleDataFile", work->EditAngleDataFile->text().toStdString());
    ini.Write(kSection, "SaveRegsDataFile", chart->EditChartsFile->text().toStdString());
    ini.WriteBool(kSection, "SaveAngleDataToFile", work->cbSaveToFile->isChecked());
    ini.WriteBool(kSection, "SaveChartDataToFile", chart->cbSaveChartsToFile->isChecked());
    ini.WriteBool(kSection, "SaveXYChartDataToFile", circle->cbSaveXYChartsToFile->isChecked());
    ini.Save(path);
}

void TF_Face::LoadConfig() {
    IniFile ini;
    ini.Load(FilePath(ConfigPath()));
    const std::string defaultFile = options_.settings->defaultDataFile.toStdString();
    chart->EditChartsFile->setText(
        QString::fromStdString(ini.ReadString(kSection, "SaveRegsDataFile", defaultFile)));
    work->EditAngleDataFile->setText(
        QString::fromStdString(ini.ReadString(kSection, "SaveAngleDataFile", defaultFile)));
    // setChecked does not emit clicked, so restoring writes nothing.
    work->cbSaveToFile->setChecked(ini.ReadBool(kSection, "SaveAngleDataToFile", false));
    chart->cbSaveChartsToFile->setChecked(ini.ReadBool(kSection, "SaveChartDataToFile", false));
}

}  // namespace talmir
