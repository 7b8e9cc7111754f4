// Chip identification and the two programming lines.
#include "core/IntText.h"
#include "device/ChipIdentification.h"
#include "ui/ErrorBox.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

QString HardIDText(std::uint16_t value, bool identified) {
    const QString text = identified
                             ? TF_Face::tr("Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x")
                             : TF_Face::tr("Микросхема НЕ опознана. CHIP_HARD_ID = 0x");
    return text + QString::fromStdString(Hex4(value));
}

void TF_Face::ShowHardID(std::uint16_t value, bool identified, const QString& reason) {
    ui->LabelHardID->setText(HardIDText(value, identified));
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
    const std::uint32_t clockRate = ClockRateFromEditFreq();
    link_.ChannelConfig().ClockRate = clockRate;
    chipIdentified_ = false;
    // Ticking the unticked box counts as its click: the line is raised first.
    const bool raiseLineFirst = !ui->chCFG->isChecked();
    ui->chCFG->setChecked(true);
    const ChipIdentification id =
        talmir::IdentifyChip(link_, *chip_, state_.GPIOState, raiseLineFirst);
    chipIdentified_ = id.identified;
    QString reason = QString::fromUtf8(id.failure);
    if (!reason.isEmpty() && clockRate == kRefusedClockRate)
        reason =
            tr("Частота SPI %1 кГц недопустима для адаптера: %2").arg(ui->EditFreq->text(), reason);
    ShowHardID(id.value, id.identified, reason);
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
    DriveFromClickedBox(state_.errorSink, this, ui->chCFG, [&](bool on) {
        DriveGPIOBit(link_, state_.GPIOState, kProgrammingModeBit, on);
    });
}

void TF_Face::ch7VClick() {
    DriveFromClickedBox(state_.errorSink, this, ui->ch7V,
                        [&](bool on) { DriveGPIOBit(link_, state_.GPIOState, kOtpSupplyBit, on); });
}

bool TF_Face::SetProgrammingModeForReadout(bool on, bool clickOnChange) {
    const bool before = ui->chCFG->isChecked();
    ui->chCFG->setChecked(on);
    const int writes = clickOnChange && before != on ? 2 : 1;
    const bool driven = Guard(state_.errorSink, this, [&] {
        for (int i = 0; i < writes; ++i)
            DriveGPIOBit(link_, state_.GPIOState, kProgrammingModeBit, on);
    });
    if (!driven) ui->chCFG->setChecked(before);
    return driven;
}

}  // namespace talmir
