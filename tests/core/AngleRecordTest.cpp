#include "core/AngleRecord.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

std::string Line(uint8_t mode, const RawReading& raw) {
    return RecordLine(mode, raw, DecodeSample(mode, raw));
}

TEST(AngleRecord, WorkedLinesOfEveryMode) {
    EXPECT_EQ(Line(0, {.R = 0xA000}), "-1;1;1;0;A000;1010000000000000;");
    EXPECT_EQ(Line(1, {.AData = 0x5ABCD}), "43981;1;0;1;0;05ABCD;01011010101111001101;");
    EXPECT_EQ(Line(2, {.AData1 = 0x05FF, .AData2 = 0x6ABC}), "2748;1;1;1;511;6ABC;05FF;");
    EXPECT_EQ(Line(3, {.AData1 = 0x0A05, .AData2 = 0x8123}), "164131;1;1;0;8123;0A05;");
    EXPECT_EQ(Line(4, {.AData1 = 0x3F8A, .AData2 = 0xD805, .AData3 = 0x7FFF}),
              "196607;1;1;43;127;7FFF;D805;3F8A;");
}

TEST(AngleRecord, ZeroWordsAreZeroFilled) {
    EXPECT_EQ(Line(1, {}), "0;0;0;0;0;000000;00000000000000000000;");
    EXPECT_EQ(Line(2, {.AData1 = 10}), "0;0;0;0;10;0000;000A;");
}

TEST(AngleRecord, Mode1CrcIsBit19) {
    const DecodedSample s = DecodeSample(1, {.AData = 0x80000});
    EXPECT_EQ(s.CRC, 1);
    EXPECT_EQ(s.ADC + s.AALM + s.AAHM + s.Angle, 0);
}

TEST(AngleRecord, HeadersAndModesAboveFour) {
    EXPECT_EQ(RecordHeader(0), "Angle;ADC;AALM;AAHM;Data(hex);Data(bin);");
    EXPECT_EQ(RecordHeader(1), "Angle;ADC;AALM;AAHM;CRC;Data(hex);Data(bin);");
    EXPECT_EQ(RecordHeader(2), "Angle;ADC;AALM;AAHM;CRC;Data1(hex);Data0(hex);");
    EXPECT_EQ(RecordHeader(3), "Angle;ADC;AALM;AAHM;Data2(hex);Data1(hex);");
    EXPECT_EQ(RecordHeader(4), "Angle;AALM;AAHM;Temp;ACode;Data2(hex);Data1(hex);Data0(hex);");
    const RawReading raw{
        .R = 0xFFFF, .AData = 0xFFFFF, .AData1 = 0xFFFF, .AData2 = 0xFFFF, .AData3 = 0xFFFF};
    for (int mode : {5, 6, 255}) {
        const auto m = static_cast<uint8_t>(mode);
        EXPECT_EQ(RecordHeader(m), "");
        EXPECT_EQ(Line(m, raw), "");
        const DecodedSample s = DecodeSample(m, raw);
        EXPECT_EQ(s.Angle, -1);
        EXPECT_EQ(s.ADC + s.AALM + s.AAHM + s.CRC + s.Temp + s.ACode, 0);
    }
}

TEST(AngleRecord, ChartMode2UsesItsOwnBits) {
    const RawReading raw{.AData1 = 0x05FF, .AData2 = 0x6ABC};
    const DecodedSample s = DecodeChartMode2(raw);
    EXPECT_EQ(s.Angle, 27324);
    EXPECT_EQ(s.CRC, 511);
    EXPECT_EQ(RecordLine(2, raw, s), "27324;0;0;1;511;6ABC;05FF;");
    EXPECT_EQ(DecodeChartMode2({.AData1 = 0x0800, .AData2 = 0x0400}).ADC, 1);
    EXPECT_EQ(DecodeChartMode2({.AData2 = 0x0400}).AALM, 1);
}

TEST(AngleRecord, ChartMode0LineHasSignedVelocityAndNoTrailingSemicolon) {
    EXPECT_EQ(ChartMode0Header(), "Angle;AngleRaw;Velocity");
    EXPECT_EQ(ChartMode0Line(0xFFFF, 0x8000, 0xFFFF), "65535;32768;-1");
    EXPECT_EQ(ChartMode0Line(1, 2, 0x7FFF), "1;2;32767");
}

TEST(AngleRecord, Signed16) {
    EXPECT_EQ(Signed16(0x8000), -32768);
    EXPECT_EQ(Signed16(0x7FFF), 32767);
    EXPECT_EQ(Signed16(0xFFFF), -1);
}

TEST(IntToBin, LowBitsMostSignificantFirst) {
    EXPECT_EQ(IntToBin(5, 4), "0101");
    EXPECT_EQ(IntToBin(0xFF, 4), "1111");
    EXPECT_EQ(IntToBin(5, 0), "");
    EXPECT_EQ(IntToBin(5, -3), "");
    // Bit 31 alone is negative as a signed value, so it always reads "0".
    EXPECT_EQ(IntToBin(-1, 32), "0" + std::string(31, '1'));
    EXPECT_EQ(IntToBin(-1, 34), "000" + std::string(31, '1'));
}

}  // namespace
}  // namespace talmir
