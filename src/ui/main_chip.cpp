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

void TF_Face::DriveGPIOBit(int bit, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    GPIOState = static_cast<std::uint8_t>(on ? (GPIOState | mask) : (GPIOState & ~mask));
    options_.link->GPIOWrite(TASensDig::kChannel, kGPIODirection, GPIOState);
}

void TF_Face::ShowHardID(std::uint16_t value, bool identified, const QString& reason) {
    const QString text =
        identified ? QStringLiteral("Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x")
                   : QStringLiteral("Микросхема НЕ опознана. CHIP_HARD_ID = 0x");
    ui->LabelHardID->setText(text + QString::fromStdString(Hex4(value)));
    ui->LabelHardID->setToolTip(reason);
}

// Re-opens the channel at the clock of EditFreq with the programming-mode
// line high, then reads register 0 up to six times, sending a NOP word after
// each miss. A failed transfer ends the attempts without an error box: the
// label says the chip was not identified and its tool tip gives the reason.
void TF_Face::btnIniChipClick() {
    Guard(this, [&] { IdentifyChip(); });
}

void TF_Face::IdentifyChip() {
    MpsseLink& link = *options_.link;
    link.ChannelConfig().ClockRate = ClockRateFromEditFreq();
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
        ShowHardID(value, false, QString::fromUtf8(e.what()));
        return;
    }
    ShowHardID(value, chipIdentified_, QString());
}

void TF_Face::chCFGClick() {
    Guard(this, [&] { DriveGPIOBit(kProgrammingModeBit, ui->chCFG->isChecked()); });
}

void TF_Face::ch7VClick() {
    Guard(this, [&] { DriveGPIOBit(kOtpSupplyBit, ui->ch7V->isChecked()); });
}

}  // namespace talmir
