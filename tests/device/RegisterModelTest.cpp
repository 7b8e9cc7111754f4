// The chip register model: command frames on the wire, the slot states after
// reads, writes and edits, addresses outside the table, and failed transfers.
#include "DeviceTestSupport.h"
#include "device/DeviceError.h"
#include "device/TASensDig.h"

using namespace talmir;
using namespace talmir::test;

namespace {

// A register model over a link whose channel is already open, trace empty.
class RegisterModel : public OpenLinkTest {
protected:
    void ExpectSlot(std::uint16_t addr, std::uint16_t data, std::uint16_t act, bool actual) {
        const TRegSlot& slot = chip.Registers[addr];
        EXPECT_EQ(slot.Data, data) << "register " << addr;
        EXPECT_EQ(slot.ActData, act) << "register " << addr;
        EXPECT_EQ(slot.IsActual, actual) << "register " << addr;
    }

    TASensDig chip{link};
};

void QueueWord(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value & 0xFF)};
    TalmirSim_QueueRead(bytes, 2);
}

}  // namespace

TEST_F(RegisterModel, WriteSendsCommandFrameThenValueAndMakesSlotActual) {
    chip.PutReg(5, 0x1234, true);
    EXPECT_EQ(TraceNames(), (Names{"SPI_Write", "SPI_Write"}));
    EXPECT_EQ(WrittenFrames(), (Frames{{0x00, 0x85}, {0x12, 0x34}}));
    for (const auto& c : Trace()) EXPECT_EQ(c.options, 6u);
    EXPECT_EQ(chip.GetRegAct(5), 0x1234);
    EXPECT_TRUE(chip.IsActualReg(5));
    EXPECT_EQ(TalmirSim_GetRegister(5), 0x1234) << "the chip took the write";
}

TEST_F(RegisterModel, ReadSendsCommandFrameThenReadsTwoBytesHighFirst) {
    QueueWord(0xABCD);
    EXPECT_EQ(chip.GetReg(17, true), 0xABCD);
    const auto calls = Trace();
    ASSERT_EQ(CallNames(calls), (Names{"SPI_Write", "SPI_Read"}));
    EXPECT_EQ(Bytes(calls[0]), (Frame{0x00, 0x11}));
    EXPECT_EQ(calls[1].size, 2u);
    EXPECT_EQ(calls[1].options, 6u);
    ExpectSlot(17, 0xABCD, 0xABCD, true);
}

TEST_F(RegisterModel, ReadAnswersTheChipsRegister) {
    TalmirSim_SetRegister(17, 0xABCD);
    EXPECT_EQ(chip.GetReg(17, true), 0xABCD);
    EXPECT_EQ(chip.GetReg(0, true), 0x10F1) << "the chip's identification";
}

TEST_F(RegisterModel, WrittenValueReadsBackFromTheChip) {
    chip.PutReg(20, 0x5A5A, true);
    chip.Registers[20] = TRegSlot{};
    EXPECT_EQ(chip.GetReg(20, true), 0x5A5A);
}

TEST_F(RegisterModel, EveryReadFromDeviceReadsTheChipAgain) {
    TalmirSim_SetRegister(3, 0x0001);
    chip.GetReg(3, true);
    TalmirSim_SetRegister(3, 0x0002);
    EXPECT_EQ(chip.GetReg(3, true), 0x0002);
    EXPECT_EQ(TraceNames(), (Names{"SPI_Write", "SPI_Read", "SPI_Write", "SPI_Read"}));
}

TEST_F(RegisterModel, NoOperationWordIsOneZeroFrameWithNothingRead) {
    chip.PutWord();
    EXPECT_EQ(TraceNames(), Names{"SPI_Write"});
    EXPECT_EQ(WrittenFrames(), (Frames{{0x00, 0x00}}));
}

TEST_F(RegisterModel, FreshTableIsNotActualWithLastExchangedAllOnesExceptAt80) {
    for (std::uint16_t a = 0; a <= 79; ++a) {
        EXPECT_EQ(chip.GetRegAct(a), 0xFFFF) << a;
        EXPECT_FALSE(chip.IsActualReg(a)) << a;
        EXPECT_EQ(chip.GetReg(a, false), 0) << a;
    }
    EXPECT_EQ(chip.GetRegAct(80), 0);
    for (std::uint16_t a : {81, 82, 200, 0xFFFF}) EXPECT_EQ(chip.GetRegAct(a), 0xFFFF) << a;
    ExpectSlot(81, 0, 0, false);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(RegisterModel, EditIsActualExactlyWhenItEqualsTheLastExchangedValue) {
    chip.PutReg(3, 0x00FF, false);
    ExpectSlot(3, 0x00FF, 0xFFFF, false);
    chip.PutReg(3, 0xFFFF, false);
    ExpectSlot(3, 0xFFFF, 0xFFFF, true);
    chip.PutReg(80, 0, false);
    EXPECT_TRUE(chip.IsActualReg(80)) << "slot 80 starts with last exchanged 0";
    EXPECT_TRUE(Trace().empty());
}

TEST_F(RegisterModel, EditsAfterAReadFollowTheValueRead) {
    QueueWord(0x0042);
    chip.GetReg(9, true);
    TalmirSim_TraceClear();
    chip.PutReg(9, 0x0043, false);
    ExpectSlot(9, 0x0043, 0x0042, false);
    chip.PutReg(9, 0x0042, false);
    ExpectSlot(9, 0x0042, 0x0042, true);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(RegisterModel, HeldValueIsReturnedWithoutTrafficUntilReadFromDevice) {
    chip.PutReg(4, 0x0777, false);
    EXPECT_EQ(chip.GetReg(4, false), 0x0777);
    EXPECT_TRUE(Trace().empty());
    TalmirSim_SetRegister(4, 0x1111);
    EXPECT_EQ(chip.GetReg(4, true), 0x1111);
    ExpectSlot(4, 0x1111, 0x1111, true);
}

TEST_F(RegisterModel, AddressesAboveTheTableAreIgnoredWithoutTraffic) {
    for (std::uint16_t a : {82, 128, 0x0105, 0xFFFF}) {
        EXPECT_EQ(chip.GetReg(a, true), 0) << a;
        chip.PutReg(a, 0x1234, true);
        chip.PutReg(a, 0x1234, false);
        EXPECT_FALSE(chip.IsActualReg(a)) << a;
    }
    EXPECT_TRUE(Trace().empty());
}

TEST_F(RegisterModel, LastTableAddressIsReachable) {
    TalmirSim_SetRegister(81, 0x0081);
    EXPECT_EQ(chip.GetReg(81, true), 0x0081);
    chip.PutReg(81, 0x0100, true);
    EXPECT_EQ(WrittenFrames().back(), (Frame{0x01, 0x00}));
    EXPECT_EQ(WrittenFrames()[1], (Frame{0x00, 0xD1}));
}

TEST_F(RegisterModel, FailedReadRaisesAndLeavesTheSlotUnchanged) {
    chip.PutReg(4, 0x0777, false);
    TalmirSim_FailCall("SPI_Read", 4, 1);
    EXPECT_THROW(chip.GetReg(4, true), DeviceError);
    ExpectSlot(4, 0x0777, 0xFFFF, false);
}

TEST_F(RegisterModel, FailedReadCommandRaisesBeforeReading) {
    QueueWord(0x0042);
    chip.GetReg(6, true);
    TalmirSim_TraceClear();
    TalmirSim_FailCall("SPI_Write", 4, 1);
    EXPECT_THROW(chip.GetReg(6, true), DeviceError);
    EXPECT_EQ(TraceNames(), (Names{"SPI_Write", "SPI_CloseChannel"})) << "no read";
    ExpectSlot(6, 0x0042, 0x0042, true);
}

TEST_F(RegisterModel, FailedWriteRaisesAndLeavesTheSlotAsAfterAnEdit) {
    QueueWord(0x0042);
    chip.GetReg(6, true);
    TalmirSim_FailCall("SPI_Write", 4, 1);
    EXPECT_THROW(chip.PutReg(6, 0x0043, true), DeviceError);
    ExpectSlot(6, 0x0043, 0x0042, false);

    TalmirSim_FailCall("SPI_Write", 4, 1);
    EXPECT_THROW(chip.PutReg(6, 0x0042, true), DeviceError);
    ExpectSlot(6, 0x0042, 0x0042, true);
}

TEST(RegisterModelUnbound, ReadAndWriteRaiseAndReadLeavesTheSlotUnchanged) {
    MpsseLink unbound;
    TASensDig chip(unbound);
    EXPECT_THROW(chip.GetReg(1, true), DeviceError);
    EXPECT_EQ(chip.Registers[1].ActData, 0xFFFF);
    EXPECT_FALSE(chip.IsActualReg(1));
    EXPECT_THROW(chip.PutReg(1, 0x0001, true), DeviceError);
    EXPECT_EQ(chip.GetReg(1, false), 0x0001);
    EXPECT_EQ(chip.GetRegAct(1), 0xFFFF);
    EXPECT_THROW(chip.PutWord(), DeviceError);
}
