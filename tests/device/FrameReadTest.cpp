// Angle frame reads (bytes to words in wire order, failures reported, outputs
// kept) and the interface-mode switch on the wire.
#include "DeviceTestSupport.h"
#include "device/DeviceError.h"
#include "device/TASensDig.h"

using namespace talmir;
using namespace talmir::test;

namespace {

class FrameReads : public OpenLinkTest {
protected:
    static void Queue(const Frame& bytes) {
        TalmirSim_QueueRead(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }

    // The one transfer a frame read made.
    static TalmirSimCall OnlyRead() {
        const auto calls = Trace();
        EXPECT_EQ(CallNames(calls), Names{"SPI_Read"});
        return calls.empty() ? TalmirSimCall{} : calls.front();
    }

    TASensDig chip{link};
};

}  // namespace

TEST_F(FrameReads, TwentyBitFrameIsOneBitReadInWireOrder) {
    Queue({0xAB, 0xCD, 0x0E});
    std::uint32_t a = 0;
    EXPECT_TRUE(chip.GetAngleData1(a));
    EXPECT_EQ(a, 0xABCDEu);
    const auto read = OnlyRead();
    EXPECT_EQ(read.size, 20u);
    EXPECT_EQ(read.options, 7u);
}

TEST_F(FrameReads, TwentyBitFrameAddsTheLastByteUnmasked) {
    Queue({0x00, 0x01, 0xFF});
    std::uint32_t a = 0;
    EXPECT_TRUE(chip.GetAngleData1(a));
    EXPECT_EQ(a, 0x10u + 0xFFu);
}

TEST_F(FrameReads, ThirtyTwoBitFrameGivesTwoWordsEarlierByteHigh) {
    Queue({0x12, 0x34, 0x56, 0x78});
    std::uint16_t w1 = 0, w2 = 0;
    EXPECT_TRUE(chip.GetAngleData2(w1, w2));
    EXPECT_EQ(w1, 0x1234);
    EXPECT_EQ(w2, 0x5678);
    const auto read = OnlyRead();
    EXPECT_EQ(read.size, 4u);
    EXPECT_EQ(read.options, 6u);
}

TEST_F(FrameReads, FortyEightBitFrameGivesThreeWordsInWireOrder) {
    Queue({0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    std::uint16_t w1 = 0, w2 = 0, w3 = 0;
    EXPECT_TRUE(chip.GetAngleData3(w1, w2, w3));
    EXPECT_EQ(w1, 0x0102);
    EXPECT_EQ(w2, 0x0304);
    EXPECT_EQ(w3, 0x0506);
    EXPECT_EQ(OnlyRead().size, 6u);
}

TEST_F(FrameReads, EightyBitFrameGivesFiveWordsInWireOrder) {
    Queue({0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09});
    std::uint16_t d[5] = {};
    EXPECT_TRUE(chip.GetAngleData5(d[0], d[1], d[2], d[3], d[4]));
    EXPECT_EQ(std::vector<std::uint16_t>(d, d + 5),
              (std::vector<std::uint16_t>{0x0001, 0x0203, 0x0405, 0x0607, 0x0809}));
    const auto read = OnlyRead();
    EXPECT_EQ(read.size, 10u);
    EXPECT_EQ(read.options, 6u);
}

TEST_F(FrameReads, FailedReadReturnsFalseKeepsOutputsAndSaysWhy) {
    std::uint32_t a = 0x11111;
    std::uint16_t w[5] = {1, 2, 3, 4, 5};
    TalmirSim_FailCall("SPI_Read", 4, 4);
    EXPECT_FALSE(chip.GetAngleData1(a));
    EXPECT_NE(chip.LastFrameError().find("SPI_Read"), std::string::npos);
    EXPECT_FALSE(chip.GetAngleData2(w[0], w[1]));
    EXPECT_FALSE(chip.GetAngleData3(w[0], w[1], w[2]));
    EXPECT_FALSE(chip.GetAngleData5(w[0], w[1], w[2], w[3], w[4]));
    EXPECT_EQ(a, 0x11111u);
    EXPECT_EQ(std::vector<std::uint16_t>(w, w + 5), (std::vector<std::uint16_t>{1, 2, 3, 4, 5}));
    EXPECT_NE(chip.LastFrameError().find("FT_IO_ERROR"), std::string::npos);
}

TEST_F(FrameReads, SuccessfulReadClearsTheLastFrameError) {
    TalmirSim_FailCall("SPI_Read", 4, 1);
    std::uint16_t w1 = 0, w2 = 0;
    ASSERT_FALSE(chip.GetAngleData2(w1, w2));
    ASSERT_FALSE(chip.LastFrameError().empty());
    EXPECT_TRUE(chip.GetAngleData2(w1, w2));
    EXPECT_TRUE(chip.LastFrameError().empty());
}

TEST(FrameReadsUnbound, ReturnFalseWithTheReason) {
    MpsseLink unbound;
    TASensDig chip(unbound);
    std::uint32_t a = 7;
    EXPECT_FALSE(chip.GetAngleData1(a));
    EXPECT_EQ(a, 7u);
    EXPECT_FALSE(chip.LastFrameError().empty());
}

using InterfaceMode = FrameReads;

TEST_F(InterfaceMode, MultiTurn48WritesRegister38ThenRegister11) {
    chip.PutReg(38, 0xFFFF, false);  // actual: equals the initial last-exchanged value
    chip.Registers[11].Data = 0x0000;
    chip.SetSSISPIMode(4, false);
    EXPECT_EQ(WrittenFrames(), (Frames{{0x00, 0xA6}, {0xDF, 0xFF}, {0x00, 0x8B}, {0x08, 0x00}}));
    EXPECT_EQ(chip.Registers[38].Data, 0xDFFF);
    EXPECT_EQ(chip.Registers[11].Data, 0x0800);
    EXPECT_EQ(chip.Registers[38].ActData, 0xFFFF);
    EXPECT_TRUE(chip.Registers[38].IsActual) << "left as it was, though Data changed";
    EXPECT_EQ(chip.Registers[11].ActData, 0xFFFF);
    EXPECT_FALSE(chip.Registers[11].IsActual);
    EXPECT_EQ(TalmirSim_GetRegister(38), 0xDFFF);
    EXPECT_EQ(TalmirSim_GetRegister(11), 0x0800);
}

TEST_F(InterfaceMode, TestModeSetsFormatTwoAndClearsMultiTurn) {
    chip.Registers[38].Data = 0x3000;
    chip.Registers[11].Data = 0xFFFF;
    chip.SetSSISPIMode(5, true);
    EXPECT_EQ(chip.Registers[38].Data, 0x2000);
    EXPECT_EQ(chip.Registers[11].Data, 0xF7FF);
    EXPECT_EQ(WrittenFrames(), (Frames{{0x00, 0xA6}, {0x20, 0x00}, {0x00, 0x8B}, {0xF7, 0xFF}}));
}

TEST_F(InterfaceMode, EachModeSetsItsFieldsAndKeepsOtherBits) {
    struct Case {
        std::uint8_t mode;
        std::uint16_t reg38, reg11;
    };
    for (const Case c : {Case{1, 0x0A5A, 0x0155}, Case{2, 0x1A5A, 0x0155}, Case{3, 0x0A5A, 0x0955},
                         Case{4, 0x1A5A, 0x0955}}) {
        chip.Registers[38].Data = 0x2A5A;
        chip.Registers[11].Data = 0x0155;
        chip.SetSSISPIMode(c.mode, false);
        EXPECT_EQ(chip.Registers[38].Data, c.reg38) << "mode " << int(c.mode);
        EXPECT_EQ(chip.Registers[11].Data, c.reg11) << "mode " << int(c.mode);
    }
}

TEST_F(InterfaceMode, ModesZeroAndAboveFiveSendAndChangeNothing) {
    chip.Registers[38].Data = 0x3000;
    chip.Registers[11].Data = 0x0800;
    for (std::uint8_t mode : {0, 6, 255}) chip.SetSSISPIMode(mode, false);
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(chip.Registers[38].Data, 0x3000);
    EXPECT_EQ(chip.Registers[11].Data, 0x0800);
}

TEST_F(InterfaceMode, FailedWriteReachesTheCaller) {
    TalmirSim_FailCall("SPI_Write", 4, 1);
    EXPECT_THROW(chip.SetSSISPIMode(2, false), DeviceError);
}
