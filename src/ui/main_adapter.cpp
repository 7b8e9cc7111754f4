// The adapter channel from the main window: the button "Адаптер" at the
// right of the status bar lists the channels SPI_GetChannelInfo reports; the
// one chosen is remembered in section ADAPTER of config.ini and chosen again
// at the next start. Without a choice the chip is reached on channel 0.
#include <QActionGroup>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <stdexcept>

#include "core/IniFile.h"
#include "device/AdapterChoice.h"
#include "device/DeviceError.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

namespace {

constexpr const char* kAdapterSection = "ADAPTER";
constexpr const char* kAdapterKey = "Adapter";

}  // namespace

QString ReadAdapterChoice(const QString& configFile) {
    IniFile ini;
    ini.Load(FilePath(configFile));
    return QString::fromStdString(ini.ReadString(kAdapterSection, kAdapterKey, "")).trimmed();
}

void WriteAdapterChoice(const QString& configFile, const QString& choice) {
    IniFile ini;
    const std::filesystem::path path = FilePath(configFile);
    ini.Load(path);
    ini.Write(kAdapterSection, kAdapterKey, choice.toStdString());
    ini.Save(path);
}

QString AdapterChoiceOf(const MpsseChannelInfo& channel) {
    return channel.serial.empty() ? QString::number(channel.index)
                                  : QString::fromStdString(channel.serial);
}

QString AdapterText(const MpsseChannelInfo& channel) {
    return QStringLiteral("%1 · %2 · %3 · %4")
        .arg(channel.index)
        .arg(QString::fromStdString(AdapterTypeName(channel.type)),
             QString::fromStdString(channel.description), QString::fromStdString(channel.serial));
}

std::optional<MpsseChannelInfo> FindAdapterChannel(const MpsseLink& link, const QString& choice,
                                                   QString& reason) {
    if (!link.IsBound()) {
        reason = TF_Face::tr(
                     "адаптер «%1» не найден: библиотека MPSSE не загружена или в ней нет нужных "
                     "функций")
                     .arg(choice);
        return std::nullopt;
    }
    std::vector<MpsseChannelInfo> channels;
    try {
        channels = link.ListChannels();
    } catch (const DeviceError& e) {
        reason = TF_Face::tr("адаптер «%1» не найден: список каналов недоступен: %2")
                     .arg(choice, QString::fromUtf8(e.what()));
        return std::nullopt;
    }
    if (const auto index = FindAdapter(channels, choice.toStdString())) {
        for (const MpsseChannelInfo& c : channels)
            if (c.index == *index) return c;
    }
    QStringList listed;
    for (const MpsseChannelInfo& c : channels) listed << AdapterText(c);
    reason = listed.isEmpty()
                 ? TF_Face::tr("адаптер «%1» не найден: каналов адаптеров нет").arg(choice)
                 : TF_Face::tr("адаптер «%1» не найден; есть каналы: %2")
                       .arg(choice, listed.join(QStringLiteral("; ")));
    return std::nullopt;
}

void TF_Face::SetUpAdapterChoice() {
    ui->StatusBar->addPermanentWidget(ui->btnAdapter);
    auto* menu = new QMenu(ui->btnAdapter);
    menu->setObjectName("AdapterMenu");
    ui->btnAdapter->setMenu(menu);
    ui->btnAdapter->setPopupMode(QToolButton::InstantPopup);
    connect(menu, &QMenu::aboutToShow, this, &TF_Face::btnAdapterMenuShow);
    connect(menu, &QMenu::triggered, this, &TF_Face::btnAdapterMenuTriggered);
}

void TF_Face::ShowAdapter(const QString& description) {
    ui->btnAdapter->setText(tr("Адаптер: канал %1").arg(link_.Channel()));
    if (!description.isEmpty()) ui->btnAdapter->setToolTip(description);
}

void TF_Face::RestoreAdapter() {
    const QString remembered = ReadAdapterChoice(ConfigPath());
    const QString choice = options_.adapter.isEmpty() ? remembered : options_.adapter;
    if (choice.isEmpty()) return ShowAdapter(QString());
    QString reason;
    if (const auto channel = FindAdapterChannel(link_, choice, reason)) {
        link_.SelectChannel(channel->index);
        return ShowAdapter(AdapterText(*channel));
    }
    // "--adapter" is checked before the window opens; only a remembered
    // choice can be missing here.
    link_.SelectChannel(0);
    ShowAdapter(QString());
    ui->StatusBar->showMessage(
        tr("Адаптер «%1» не подключён, используется канал 0 (%2)").arg(choice, reason));
}

void TF_Face::btnAdapterMenuShow() {
    QMenu* menu = ui->btnAdapter->menu();
    menu->clear();
    qDeleteAll(menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    listedAdapters_.clear();
    // A list that cannot be had is said in the menu itself, not in a box.
    QString failure;
    if (!link_.IsBound()) {
        failure = tr("Список адаптеров недоступен: библиотека MPSSE не загружена");
    } else {
        try {
            listedAdapters_ = link_.ListChannels();
        } catch (const DeviceError& e) {
            failure = tr("Список адаптеров недоступен: %1").arg(QString::fromUtf8(e.what()));
        }
    }
    if (failure.isEmpty() && listedAdapters_.empty()) failure = tr("Адаптеры не найдены");
    if (!failure.isEmpty()) menu->addAction(failure)->setEnabled(false);
    auto* group = new QActionGroup(menu);
    for (std::size_t i = 0; i < listedAdapters_.size(); ++i) {
        QAction* item = menu->addAction(AdapterText(listedAdapters_[i]));
        item->setCheckable(true);
        item->setChecked(listedAdapters_[i].index == link_.Channel());
        item->setData(static_cast<int>(i));
        group->addAction(item);
    }
}

void TF_Face::btnAdapterMenuTriggered(QAction* action) {
    bool ok = false;
    const int i = action->data().toInt(&ok);
    if (!ok || i < 0 || static_cast<std::size_t>(i) >= listedAdapters_.size()) return;
    SelectAdapter(listedAdapters_[static_cast<std::size_t>(i)]);
}

bool TF_Face::SelectAdapter(const MpsseChannelInfo& channel) {
    return Guard(state_.errorSink, this, [&] {
        if (!StopPollingForCapture())
            throw std::runtime_error(tr("Опрос не остановился: адаптер не сменён").toStdString());
        if (channel.index != link_.Channel()) {
            link_.SelectChannel(channel.index);
            // The lines and the chip of the adapter left say nothing of this one.
            chipIdentified_ = false;
            ui->LabelHardID->clear();
            ui->LabelHardID->setToolTip(QString());
            state_.GPIOState = 0;
            ui->chCFG->setChecked(false);
            ui->ch7V->setChecked(false);
        }
        ShowAdapter(AdapterText(channel));
        ui->StatusBar->showMessage(tr("Адаптер: ") + AdapterText(channel));
        WriteAdapterChoice(ConfigPath(), AdapterChoiceOf(channel));
    });
}

}  // namespace talmir
