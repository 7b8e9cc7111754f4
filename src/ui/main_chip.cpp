// Chip identification and the two programming lines.
#include "core/IntText.h"
#include "device/DeviceError.h"
#include "ui/ErrorBox.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

namespace {

constexpr std::uint8_t kGPIODirection = 0x81;  // lines 0 and 7 are outputs
constexpr int kProgrammingModeBit = 0;
constexpr int kOtpSupplyBit = 7;
constexpr std::uint16_t kChipHardID = 0x10F1;
constexpr int kIdentificationAttempts = 6;

}  // namespace

// GPIOState changes only once the lines carry the new value, so a failed
// write leaves it as the lines were last driven.
void TF_Face::DriveGPIOBit(int bit, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    const auto state =
        static_cast<std::uint8_t>(on ? (state_.GPIOState | mask) : (state_.GPIOState & ~mask));
    link_.GPIOWrite(TASensDig::kChannel, kGPIODirection, state);
    state_.GPIOState = state;
}

void TF_Face::ShowHardID(std::uint16_t value, bool identified, const QString& reason) {
    const QString text = identified ? tr("Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x")
                                    : tr("Микросхема НЕ опознана. CHIP_HARD_ID = 0x");
    ui->LabelHardID->setText(text + QString::fromStdString(Hex4(value)));
    ui->LabelHardID->setToolTip(reason);
}

// Re-opens the channel at the clock of EditFreq with the programming-mode
// line high, then reads register 0 up to six times, sending a NOP word after
// each miss. A failed transfer ends the attempts without an error box: the
// label says the chip was not identified and its tool tip gives the reason.
void TF_Face::btnIniChipClick() {
    Guard(state_.errorSink, this, [&] { IdentifyChip(); });
}

void TF_Face::IdentifyChip() {
    MpsseLink& link = link_;
    const std::uint32_t clockRate = ClockRateFromEditFreq();
    link.ChannelConfig().ClockRate = clockRate;
    std::uint16_t value = 0;
    chipIdentified_ = false;
    try {
        if (!ui->chCFG->isChecked()) {
            ui->chCFG->setChecked(true);
            DriveGPIOBit(kProgrammingModeBit, true);
        }
        link.ResetChannel();
        DriveGPIOBit(kProgrammingModeBit, true);
        for (int attempt = 0; attempt < kIdentificationAttempts; ++attempt) {
            value = chip_->GetReg(0, true);
            if (value == kChipHardID) {
                chipIdentified_ = true;
                break;
            }
            chip_->PutWord();
        }
    } catch (const DeviceError& e) {
        QString reason = QString::fromUtf8(e.what());
        if (clockRate == kRefusedClockRate)
            reason = tr("Частота SPI %1 кГц недопустима для адаптера: %2")
                         .arg(ui->EditFreq->text(), reason);
        ShowHardID(value, false, reason);
        return;
    }
    ShowHardID(value, chipIdentified_, QString());
}

namespace {

// Drives one line from the box that was just clicked; a failed write
// un-toggles the box, so it keeps showing the line as it is.
template <typename Drive>
void DriveFromClickedBox(const ErrorSink& errors, QWidget* parent, QCheckBox* box, Drive&& drive) {
    if (!Guard(errors, parent, [&] { drive(box->isChecked()); }))
        box->setChecked(!box->isChecked());
}

}  // namespace

void TF_Face::chCFGClick() {
    DriveFromClickedBox(state_.errorSink, this, ui->chCFG,
                        [&](bool on) { DriveGPIOBit(kProgrammingModeBit, on); });
}

void TF_Face::ch7VClick() {
    DriveFromClickedBox(state_.errorSink, this, ui->ch7V,
                        [&](bool on) { DriveGPIOBit(kOtpSupplyBit, on); });
}

bool TF_Face::SetProgrammingModeForReadout(bool on, bool clickOnChange) {
    const bool before = ui->chCFG->isChecked();
    ui->chCFG->setChecked(on);
    const int writes = clickOnChange && before != on ? 2 : 1;
    const bool driven = Guard(state_.errorSink, this, [&] {
        for (int i = 0; i < writes; ++i) DriveGPIOBit(kProgrammingModeBit, on);
    });
    if (!driven) ui->chCFG->setChecked(before);
    return driven;
}

}  // namespace talmir
