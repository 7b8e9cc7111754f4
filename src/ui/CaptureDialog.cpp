#include "ui/CaptureDialog.h"

#include <QMetaObject>
#include <QPushButton>
#include <cmath>

#include "ui/ErrorBox.h"
#include "ui_CaptureDialog.h"

namespace talmir {

CaptureDialog::CaptureDialog(CaptureEngine& engine, const QStringList& modeItems, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CaptureDialog>()), engine_(engine) {
    ui->setupUi(this);
    ui->ComboMode->addItems(modeItems);
    ui->ComboMode->setCurrentIndex(2);
    connect(ui->BtnCapture, &QPushButton::clicked, this, &CaptureDialog::BtnCaptureClick);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &CaptureDialog::BtnCancelClick);
    for (QObject* control :
         {static_cast<QObject*>(ui->ComboMode), static_cast<QObject*>(ui->SpinRate),
          static_cast<QObject*>(ui->SpinCount), static_cast<QObject*>(ui->SpinDuration),
          static_cast<QObject*>(ui->RadioCount)}) {
        if (auto* combo = qobject_cast<QComboBox*>(control))
            connect(combo, &QComboBox::currentIndexChanged, this, &CaptureDialog::SettingsChange);
        else if (auto* spin = qobject_cast<QDoubleSpinBox*>(control))
            connect(spin, &QDoubleSpinBox::valueChanged, this, &CaptureDialog::SettingsChange);
        else if (auto* count = qobject_cast<QSpinBox*>(control))
            connect(count, &QSpinBox::valueChanged, this, &CaptureDialog::SettingsChange);
        else if (auto* radio = qobject_cast<QRadioButton*>(control))
            connect(radio, &QRadioButton::toggled, this, &CaptureDialog::SettingsChange);
    }
    SettingsChange();
}

CaptureDialog::~CaptureDialog() {
    engine_.Cancel();
    engine_.Wait();
}

CaptureSettings CaptureDialog::Settings() const {
    CaptureSettings s;
    s.mode = ui->ComboMode->currentIndex();
    s.rateHz = ui->SpinRate->value();
    s.count = ui->RadioCount->isChecked()
                  ? static_cast<std::uint64_t>(ui->SpinCount->value())
                  : static_cast<std::uint64_t>(
                        std::max(1.0, std::round(ui->SpinDuration->value() * s.rateHz)));
    return s;
}

// The frame's SPI time, the highest rate and the capture's length follow the
// settings.
void CaptureDialog::SettingsChange() {
    ui->SpinCount->setEnabled(ui->RadioCount->isChecked());
    ui->SpinDuration->setEnabled(!ui->RadioCount->isChecked());
    const CaptureSettings s = Settings();
    QString text = tr("Время кадра SPI: %1 мкс").arg(engine_.FrameTimeUs(s.mode), 0, 'f', 1);
    const double max = engine_.MaxPacedRateHz(s.mode);
    text += max > 0 ? tr("; наибольшая частота: %1 Гц (отсчёты задаёт тактовая частота адаптера)")
                          .arg(std::floor(max), 0, 'f', 0)
                    : tr("; отсчёты задают часы компьютера");
    text += tr(". Отсчётов: %1, длительность %2 с").arg(s.count).arg(s.count / s.rateHz, 0, 'g', 4);
    const QString refusal = QString::fromStdString(engine_.Refusal(s));
    if (!refusal.isEmpty()) text += "\n" + refusal;
    ui->LabelTiming->setText(text);
    ui->BtnCapture->setEnabled(!running_ && refusal.isEmpty());
}

void CaptureDialog::BtnCaptureClick() {
    if (running_) return;
    running_settings_ = Settings();
    samples_ = std::make_shared<std::vector<CapturedSample>>();
    samples_->reserve(
        static_cast<std::size_t>(std::min<std::uint64_t>(running_settings_.count, 1u << 24)));
    running_ = true;
    ui->BtnCapture->setEnabled(false);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->ComboMode), static_cast<QWidget*>(ui->SpinRate),
          static_cast<QWidget*>(ui->SpinCount), static_cast<QWidget*>(ui->SpinDuration),
          static_cast<QWidget*>(ui->RadioCount), static_cast<QWidget*>(ui->RadioDuration)})
        w->setEnabled(false);
    ui->ProgressCapture->setRange(0, 1000);
    ui->ProgressCapture->setValue(0);
    clock_.start();
    // The engine's thread keeps the samples; the window's thread hears of
    // each block's size and of the end as queued calls.
    taken_ = 0;
    engine_.Start(
        running_settings_,
        [this, samples = samples_](std::vector<CapturedSample>&& block) {
            samples->insert(samples->end(), block.begin(), block.end());
            const std::uint64_t count = block.size();
            QMetaObject::invokeMethod(
                this, [this, count] { BlockArrived(count); }, Qt::QueuedConnection);
        },
        [this](const CaptureResult& result) {
            QMetaObject::invokeMethod(
                this, [this, result] { Finished(result); }, Qt::QueuedConnection);
        });
}

void CaptureDialog::BtnCancelClick() {
    if (running_)
        engine_.Cancel();
    else
        QDialog::reject();
}

void CaptureDialog::reject() {
    // Escape or the close button while capturing cancels; the dialog stays
    // until the capture has ended.
    BtnCancelClick();
}

void CaptureDialog::BlockArrived(std::uint64_t count) {
    taken_ += count;
    ShowProgress();
}

void CaptureDialog::ShowProgress() {
    const double done = static_cast<double>(taken_);
    const double total = static_cast<double>(running_settings_.count);
    ui->ProgressCapture->setValue(static_cast<int>(1000 * done / total));
    const double elapsed = clock_.elapsed() / 1000.0;
    const double left =
        done > 0 ? elapsed * (total - done) / done : (total / running_settings_.rateHz);
    ui->LabelProgress->setText(tr("Отсчётов: %1 из %2, осталось %3 с")
                                   .arg(taken_)
                                   .arg(running_settings_.count)
                                   .arg(left, 0, 'f', 1));
}

void CaptureDialog::Finished(const CaptureResult& result) {
    engine_.Wait();
    running_ = false;
    taken_ = samples_->size();
    ShowProgress();
    for (QWidget* w :
         {static_cast<QWidget*>(ui->ComboMode), static_cast<QWidget*>(ui->SpinRate),
          static_cast<QWidget*>(ui->RadioCount), static_cast<QWidget*>(ui->RadioDuration)})
        w->setEnabled(true);
    SettingsChange();
    if (!result.error.empty()) ShowErrorBox(errorSink, this, QString::fromStdString(result.error));
    emit Captured(running_settings_.mode, samples_, result);
    if (result.error.empty()) accept();
}

}  // namespace talmir
