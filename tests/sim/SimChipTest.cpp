// The simulated chip behind the adapter: register commands, live registers,
// angle frames per interface mode, queued reads and noise.
#include <bit>

#include "SimTestSupport.h"

using namespace simtest;

namespace {

constexpr uint16_t kAngle = 0xABCD;

}  // namespace

TEST_F(SimFixture, RegisterWriteThenReadGivesTheValueMsbFirst) {
    writeRegister(5, 0x1234);
    EXPECT_EQ(TalmirSim_GetRegister(5), 0x1234);
    write({0x00, 0x05});
    const auto bytes = read(2);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(bytes[1], 0x34);
}

TEST_F(SimFixture, RegisterZeroIsTheChipIdAndReadOnly) {
    EXPECT_EQ(readRegister(0), 0x10F1);
    writeRegister(0, 0x0000);
    EXPECT_EQ(readRegister(0), 0x10F1);
}

TEST_F(SimFixture, IgnoredWritesLeaveRegistersUnchanged) {
    writeRegister(9, 0x0042);
    TalmirSim_IgnoreWrites(1);
    writeRegister(9, 0x0043);
    EXPECT_EQ(readRegister(9), 0x0042);
    TalmirSim_IgnoreWrites(0);
    writeRegister(9, 0x0043);
    EXPECT_EQ(readRegister(9), 0x0043);
}

TEST_F(SimFixture, NopArmedReadIsDroppedByAFrameRead) {
    TalmirSim_SetAngle(kAngle);
    write({0x00, 0x00});
    const auto frame = read(20, kBits);
    EXPECT_EQ(frame[0] & 0x0F, 0x0A) << "an angle frame, not register 0";
    EXPECT_EQ(frame[1], 0xBC);
}

TEST_F(SimFixture, OtherFrameCancelsPendingCommands) {
    writeRegister(17, 0xBEEF);
    write({0x00, 17});
    write({0x01, 0x02, 0x03});
    EXPECT_NE(word(read(2), 0), 0xBEEF);

    // A write command followed by a read stores nothing.
    write({0x00, 0x80 | 17});
    read(2);
    write({0x12, 0x34});
    EXPECT_EQ(TalmirSim_GetRegister(17), 0xBEEF);
}

TEST_F(SimFixture, LiveRegistersFollowTheFrozenMagnet) {
    TalmirSim_SetAngle(16384);  // a quarter turn: sine at its peak
    EXPECT_EQ(readRegister(37), 16384);
    EXPECT_EQ(readRegister(36), 16384 >> 3);
    EXPECT_EQ(readRegister(40), 20000);
    EXPECT_EQ(readRegister(41), 0);
    EXPECT_EQ(readRegister(35), 32768 + 20000);
    EXPECT_EQ(readRegister(34), 32768);
    EXPECT_EQ(readRegister(38), 20000);
    EXPECT_EQ(readRegister(39), 0) << "no velocity while frozen";

    TalmirSim_SetAngle(49152);  // three quarters: sine negative
    EXPECT_EQ(static_cast<int16_t>(readRegister(40)), -20000);
}

TEST_F(SimFixture, WriteToAmplitudeRegisterKeepsConfigAndReadsAmplitude) {
    writeRegister(38, 0x1000);
    EXPECT_EQ(TalmirSim_GetRegister(38), 0x1000);
    EXPECT_EQ(readRegister(38), 20000);
}

TEST_F(SimFixture, PinnedRegisterOverridesLiveValue) {
    TalmirSim_SetRegister(37, 0x0777);
    EXPECT_EQ(readRegister(37), 0x0777);
    EXPECT_EQ(TalmirSim_GetRegister(37), 0x0777);
    TalmirSim_SetRegister(0, 0xFFFF);
    EXPECT_EQ(readRegister(0), 0xFFFF);
}

TEST_F(SimFixture, QueuedBytesAreDeliveredBeforeChipLogic) {
    const uint8_t queued[] = {0x12, 0x34, 0x56};
    TalmirSim_QueueRead(queued, 3);
    writeRegister(17, 0xBEEF);
    write({0x00, 17});
    EXPECT_EQ(word(read(2), 0), 0x1234) << "queue first, and the armed read is used up";
    const auto tail = read(2);
    EXPECT_EQ(tail[0], 0x56);
    EXPECT_EQ(tail[1], 0x00) << "zeros once the queue runs dry";
    EXPECT_EQ(readRegister(17), 0xBEEF);
}

TEST_F(SimFixture, TwentyBitFrameCarriesAngleAndTrailingBitsLow) {
    TalmirSim_SetAngle(kAngle);
    const auto b = read(20, kBits);
    const uint32_t frame = (uint32_t(b[0]) << 12) + (uint32_t(b[1]) << 4) + b[2];
    EXPECT_LE(b[2], 0x0F);
    EXPECT_EQ(frame & 0xFFFF, kAngle);
    EXPECT_EQ((frame >> 16) & 7, 0u) << "flags clear";
    EXPECT_EQ(frame >> 19, static_cast<uint32_t>(std::popcount(kAngle) & 1)) << "parity bit";
}

TEST_F(SimFixture, SingleTurn32FrameCarriesTwelveBitAngle) {
    writeRegister(38, 0x1000);
    TalmirSim_SetAngle(kAngle);
    const auto b = read(4);
    EXPECT_EQ(word(b, 1) & 0x0FFF, kAngle >> 4);
    EXPECT_EQ(word(b, 0) >> 9, 0) << "flags clear";
    TalmirSim_SetAngle(kAngle + 0x10);
    EXPECT_NE(word(read(4), 0) & 0x1FF, word(b, 0) & 0x1FF) << "check bits follow the angle";
}

TEST_F(SimFixture, MultiTurn32FrameCarriesTwentyTwoBitAngle) {
    writeRegister(11, 0x0800);
    TalmirSim_SetAngle(kAngle);
    const auto b = read(4);
    const uint32_t angle = (word(b, 0) & 0x7Fu) * 32768u + (word(b, 1) & 0x7FFFu);
    EXPECT_EQ(angle, kAngle >> 1u) << "turn count 0 after reset";
}

TEST_F(SimFixture, MultiTurn48FrameCarriesAngleTemperatureAndCode) {
    writeRegister(38, 0x1000);
    writeRegister(11, 0x0800);
    TalmirSim_SetAngle(kAngle);
    const auto b = read(6);
    const uint16_t d1 = word(b, 0), d2 = word(b, 1), d3 = word(b, 2);
    EXPECT_EQ((d2 & 0x7Fu) * 32768u + (d3 & 0x7FFFu), kAngle >> 1u);
    const int temp = (d1 & 0x7F) * 4 + (d2 >> 14);
    EXPECT_EQ(temp, 301);
    EXPECT_EQ((d1 >> 7) & 0xFF, 20000 >> 8);
}

TEST_F(SimFixture, TestModeFrameStartsWithAngleAndShortReadsTakeTheFrameStart) {
    writeRegister(38, 0x2000);
    TalmirSim_SetAngle(kAngle);
    const auto b = read(10);
    EXPECT_EQ(word(b, 0), kAngle);
    EXPECT_EQ(word(read(4), 0), kAngle);
}

TEST_F(SimFixture, LongReadIsPaddedWithZeros) {
    TalmirSim_SetAngle(kAngle);  // 20-bit interface mode after reset
    const auto b = read(6);
    EXPECT_EQ(b[1], 0xBC);
    EXPECT_EQ(b[2] & 0x0F, 0x00);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[5], 0);
}

TEST_F(SimFixture, NoiseIsRepeatableForASeedAndBounded) {
    TalmirSim_SetAngle(16384);
    TalmirSim_SetNoise(50, 7);
    std::vector<uint16_t> first;
    for (int i = 0; i < 8; ++i) first.push_back(readRegister(40));
    TalmirSim_SetNoise(50, 7);
    bool varies = false;
    for (int i = 0; i < 8; ++i) {
        const uint16_t v = readRegister(40);
        EXPECT_EQ(v, first[i]);
        EXPECT_NEAR(v, 20000, 50);
        varies = varies || v != first[0];
    }
    EXPECT_TRUE(varies);
}
