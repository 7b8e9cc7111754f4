// Chip identification and the programming lines against the simulator's
// trace.
#include "UiTestSupport.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class ChipIdentificationTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Face();
        TalmirSim_TraceClear();
    }
    QString Label() { return Face().ui->LabelHardID->text(); }
    // Every register read is one command word and one SPI_Read; a NOP word is
    // a further SPI_Write.
    size_t Reads() { return CallsOf("SPI_Read").size(); }
    size_t NopWords() { return CallsOf("SPI_Write").size() - Reads(); }
};

const QString kFound = QStringLiteral("Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x");
const QString kNotFound = QStringLiteral("Микросхема НЕ опознана. CHIP_HARD_ID = 0x");

TEST_F(ChipIdentificationTest, ChipAnsweringAtFirstReadIsIdentifiedWithoutNopWords) {
    Face().btnIniChipClick();
    EXPECT_EQ(Label(), kFound + "10F1");
    EXPECT_TRUE(Face().ChipIdentified());
    EXPECT_EQ(Reads(), 1u);
    EXPECT_EQ(NopWords(), 0u);
    EXPECT_TRUE(Face().ui->chCFG->isChecked());
    EXPECT_EQ(Face().Chip().GetRegAct(0), 0x10F1);
}

TEST_F(ChipIdentificationTest, ChipAnsweringAtThirdReadTakesThreeReadsAndTwoNopWords) {
    const std::uint8_t misses[] = {0x12, 0x34, 0x00, 0x00};
    TalmirSim_QueueRead(misses, sizeof misses);
    Face().btnIniChipClick();
    EXPECT_EQ(Label(), kFound + "10F1");
    EXPECT_EQ(Reads(), 3u);
    EXPECT_EQ(NopWords(), 2u);
}

TEST_F(ChipIdentificationTest, ChipNeverAnsweringGivesSixReadsSixNopWordsAndTheLastValue) {
    TalmirSim_SetRegister(0, 0x0ABC);
    Face().btnIniChipClick();
    EXPECT_EQ(Label(), kNotFound + "0ABC");
    EXPECT_FALSE(Face().ChipIdentified());
    EXPECT_EQ(Reads(), 6u);
    EXPECT_EQ(NopWords(), 6u);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(ChipIdentificationTest, FailedTransfersShowNotIdentifiedWithTheReasonAndNoErrorBox) {
    TalmirSim_FailCall("SPI_Read", 4, 0);
    Face().btnIniChipClick();
    EXPECT_EQ(Label(), kNotFound + "0000");
    EXPECT_TRUE(Face().ui->LabelHardID->toolTip().contains("SPI_Read"));
    EXPECT_FALSE(Face().ChipIdentified());
    EXPECT_TRUE(Errors().isEmpty());

    TalmirSim_Reset();
    Face().btnIniChipClick();
    EXPECT_EQ(Label(), kFound + "10F1");
    EXPECT_TRUE(Face().ui->LabelHardID->toolTip().isEmpty()) << "a later success clears the reason";
}

TEST_F(ChipIdentificationTest, ProgrammingLinesDriveBitsZeroAndSevenWithDirection0x81) {
    Face().ui->ch7V->click();
    Face().ui->chCFG->click();
    Face().ui->chCFG->click();
    const auto gpio = CallsOf("FT_WriteGPIO");
    ASSERT_EQ(gpio.size(), 3u);
    EXPECT_EQ(gpio[0].value, 0x80);
    EXPECT_EQ(gpio[1].value, 0x81);
    EXPECT_EQ(gpio[2].value, 0x80);
    for (const auto& c : gpio) EXPECT_EQ(c.dir, 0x81);
    EXPECT_EQ(state_.GPIOState, 0x80);
}

TEST_F(ChipIdentificationTest, FailedLineWriteLeavesTheStateAndTheBoxAsTheyWere) {
    TalmirSim_FailCall("FT_WriteGPIO", 4, 1);
    Face().ui->chCFG->click();
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_FALSE(Face().ui->chCFG->isChecked());
    EXPECT_EQ(state_.GPIOState, 0);
    Face().ui->ch7V->click();
    EXPECT_EQ(CallsOf("FT_WriteGPIO").back().value, 0x80) << "bit 0 was never driven";
}

TEST_F(ChipIdentificationTest, IdentificationReopensTheChannelAtTheEditedClock) {
    Face().ui->ch7V->click();  // opens the channel at the start-up clock
    Face().ui->EditFreq->setText("500");
    TalmirSim_TraceClear();
    Face().btnIniChipClick();
    const auto trace = Trace();
    ASSERT_GE(trace.size(), 4u);
    // The unchecked chCFG runs its click action on the old channel first.
    EXPECT_STREQ(trace[0].name, "FT_WriteGPIO");
    EXPECT_EQ(trace[0].value, 0x81);
    EXPECT_STREQ(trace[1].name, "SPI_CloseChannel");
    const auto init = CallsOf("SPI_InitChannel");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].clockRate, 500000u);
    EXPECT_EQ(CallsOf("FT_WriteGPIO").back().value, 0x81) << "ch7V's line kept high";

    Face().ui->EditFreq->setText("fast");
    TalmirSim_TraceClear();
    Face().btnIniChipClick();
    ASSERT_EQ(CallsOf("SPI_InitChannel").size(), 1u);
    EXPECT_EQ(CallsOf("SPI_InitChannel")[0].clockRate, 1000000u);
    EXPECT_EQ(CallsOf("FT_WriteGPIO").size(), 1u) << "chCFG already checked: one GPIO write";
}

TEST_F(ChipIdentificationTest, ClockOutsideTheFieldIsRefusedNotWrappedToAnotherRate) {
    for (const char* text : {"4295000", "-1", "0"}) {
        TalmirSim_TraceClear();
        Face().ui->EditFreq->setText(text);
        Face().btnIniChipClick();
        const auto init = CallsOf("SPI_InitChannel");
        ASSERT_EQ(init.size(), 1u) << text;
        EXPECT_EQ(init[0].clockRate, UINT32_MAX) << text;
        EXPECT_TRUE(Label().startsWith(kNotFound)) << text;
        EXPECT_TRUE(Face().ui->LabelHardID->toolTip().contains("SPI_InitChannel")) << text;
        EXPECT_TRUE(Face().ui->LabelHardID->toolTip().contains(QString(text) + " кГц")) << text;
    }
}

}  // namespace
}  // namespace talmir::test
