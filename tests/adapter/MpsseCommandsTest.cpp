#include "MpsseCommands.h"

#include <gtest/gtest.h>

#include "TalmirFramePacing.h"

namespace talmirmpsse {
namespace {

using B = Bytes;

TEST(MpsseCommands, ClockDivisor) {
    struct Case {
        ChipType chip;
        uint32_t hz;
        Bytes expected;
    };
    const Case cases[] = {
        {ChipType::Ft232H, 1000000, {0x8A, 0x86, 0x1D, 0x00}},
        {ChipType::Ft2232H, 10000000, {0x8A, 0x86, 0x02, 0x00}},
        {ChipType::Ft4232H, 30000000, {0x8A, 0x86, 0x00, 0x00}},
        {ChipType::Ft232H, 25000000, {0x8A, 0x86, 0x00, 0x00}},  // truncates to 30 MHz
        {ChipType::Ft232H, 300, {0x8A, 0x86, 0xFF, 0xFF}},       // slowest the divisor allows
        {ChipType::Ft2232D, 1000000, {0x86, 0x05, 0x00}},
        {ChipType::Ft2232D, 6000000, {0x86, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes out;
        appendClockDivisor(out, c.chip, c.hz);
        EXPECT_EQ(out, c.expected) << c.hz << " Hz";
    }
}

TEST(MpsseCommands, InitialPins) {
    struct Case {
        DWORD configOptions;
        DWORD pin;
        Bytes expected;
        DWORD pinAfter;
    };
    const Case cases[] = {
        {0x20, 0x00000000, {0x80, 0x08, 0x0B}, 0x0000080B},  // mode 0, CS DBUS3 active low
        {0x21, 0x00000000, {0x80, 0x08, 0x0B}, 0x0000080B},  // mode 1: SK idles low
        {0x22, 0x00000000, {0x80, 0x09, 0x0B}, 0x0000090B},  // mode 2: SK idles high
        {0x23, 0x00000100, {0x80, 0x09, 0x0B}, 0x0000090B},
        {0x20, 0x00000100, {0x80, 0x08, 0x0B}, 0x0000080B},  // a high SK is pulled to idle
        {0x00, 0x00000800, {0x80, 0x00, 0x0B}, 0x0000000B},  // active-high CS rests low
        {0x30, 0x00000000, {0x80, 0x80, 0x83}, 0x00008083},  // CS on DBUS7
        // DI forced to input, other lines and the closing bytes kept.
        {0x24, 0xAABB40F4, {0x80, 0x50, 0xF3}, 0xAABB50F3},
    };
    for (const Case& c : cases) {
        Bytes out;
        const PinSetup setup = appendInitialPins(out, c.pin, c.configOptions);
        EXPECT_EQ(out, c.expected) << std::hex << c.configOptions << " " << c.pin;
        EXPECT_EQ(setup.pin, c.pinAfter) << std::hex << c.configOptions << " " << c.pin;
        EXPECT_EQ(setup.state, c.pinAfter & 0xFFFF);
    }
}

TEST(MpsseCommands, ChipSelect) {
    struct Case {
        DWORD configOptions;
        uint16_t state;
        bool active;
        Bytes expected;
    };
    const Case cases[] = {
        {0x20, 0x080B, true, {0x80, 0x00, 0x0B}}, {0x20, 0x000B, false, {0x80, 0x08, 0x0B}},
        {0x00, 0x000B, true, {0x80, 0x08, 0x0B}}, {0x00, 0x080B, false, {0x80, 0x00, 0x0B}},
        {0x22, 0x0903, true, {0x80, 0x01, 0x0B}},  // keeps SK high, makes CS an output
        {0x2C, 0x4043, true, {0x80, 0x00, 0x43}},  // CS on DBUS6
    };
    for (const Case& c : cases) {
        Bytes out;
        const uint16_t next = appendChipSelect(out, c.state, c.configOptions, c.active);
        EXPECT_EQ(out, c.expected) << std::hex << c.configOptions << " " << c.state;
        EXPECT_EQ(next, out[2] | out[1] << 8);
    }
}

// Opcodes of every clocking command in each SPI mode and bit order.
TEST(MpsseCommands, OpcodesPerModeAndOrder) {
    struct Case {
        DWORD configOptions;
        DWORD options;
        uint8_t write, bitWrite, read, bitRead, readWrite, bitReadWrite;
    };
    const Case cases[] = {
        {0x20, 0x00, 0x11, 0x13, 0x20, 0x22, 0x31, 0x33},
        {0x21, 0x00, 0x10, 0x12, 0x24, 0x26, 0x34, 0x36},
        {0x22, 0x00, 0x10, 0x12, 0x24, 0x26, 0x34, 0x36},
        {0x23, 0x00, 0x11, 0x13, 0x20, 0x22, 0x31, 0x33},
        {0x20, 0x08, 0x19, 0x1B, 0x28, 0x2A, 0x39, 0x3B},
        {0x21, 0x08, 0x18, 0x1A, 0x2C, 0x2E, 0x3C, 0x3E},
        {0x22, 0x08, 0x18, 0x1A, 0x2C, 0x2E, 0x3C, 0x3E},
        {0x23, 0x08, 0x19, 0x1B, 0x28, 0x2A, 0x39, 0x3B},
    };
    const uint8_t data[2] = {0xA5, 0x3C};
    for (const Case& c : cases) {
        const DWORD cfg = c.configOptions;
        const DWORD opt = c.options;
        Bytes out;
        appendByteWrite(out, cfg, opt, data, 2);
        EXPECT_EQ(out, (B{c.write, 0x01, 0x00, 0xA5, 0x3C}));
        out.clear();
        appendBitWrite(out, cfg, opt, data, 5);
        EXPECT_EQ(out, (B{c.bitWrite, 0x04, 0xA5}));
        out.clear();
        appendByteRead(out, cfg, opt, 2);
        EXPECT_EQ(out, (B{c.read, 0x01, 0x00}));
        out.clear();
        appendBitRead(out, cfg, opt, 5);
        EXPECT_EQ(out, (B{c.bitRead, 0x04}));
        out.clear();
        appendByteReadWrite(out, cfg, opt, data, 2);
        EXPECT_EQ(out, (B{c.readWrite, 0x01, 0x00, 0xA5, 0x3C}));
        out.clear();
        appendBitReadWrite(out, cfg, opt, data, 5);
        EXPECT_EQ(out, (B{c.bitReadWrite, 0x04, 0xA5}));
    }
}

TEST(MpsseCommands, BitTransfersGoEightBitsPerCommand) {
    const uint8_t data[3] = {0x12, 0x34, 0xC0};
    Bytes out;
    appendBitWrite(out, 0x20, 0x00, data, 18);
    EXPECT_EQ(out, (B{0x13, 0x07, 0x12, 0x13, 0x07, 0x34, 0x13, 0x01, 0xC0}));
    out.clear();
    appendBitRead(out, 0x20, 0x00, 12);
    EXPECT_EQ(out, (B{0x22, 0x07, 0x22, 0x03}));
}

// Each chunk carries its own part of the buffer, not the buffer's start again.
TEST(MpsseCommands, LongWritesSplitAt64KiB) {
    Bytes data(65536 + 2);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
    Bytes out;
    appendByteWrite(out, 0x20, 0x00, data.data(), data.size());
    ASSERT_EQ(out.size(), data.size() + 6);
    EXPECT_EQ((B{out[0], out[1], out[2]}), (B{0x11, 0xFF, 0xFF}));
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 65536, out.begin() + 3));
    const std::size_t second = 3 + 65536;
    EXPECT_EQ((B(out.begin() + second, out.end())),
              (B{0x11, 0x01, 0x00, data[65536], data[65537]}));

    out.clear();
    appendByteRead(out, 0x20, 0x00, 65536 * 2 + 1);
    EXPECT_EQ(out, (B{0x20, 0xFF, 0xFF, 0x20, 0xFF, 0xFF, 0x20, 0x00, 0x00}));
}

TEST(MpsseCommands, PartialReadBitsEndUpLowOrder) {
    EXPECT_EQ(alignReadBits(0x05, 3, 0x00), 0x05);  // MSB first shifts in at bit 0
    EXPECT_EQ(alignReadBits(0xA0, 3, kLsbFirst), 0x05);
    EXPECT_EQ(alignReadBits(0xA5, 8, kLsbFirst), 0xA5);
}

TEST(MpsseCommands, GpioAndClosingPins) {
    Bytes out;
    appendSetHighByte(out, 0x0F, 0x05);
    appendClosingPins(out, 0x12340000);
    EXPECT_EQ(out, (B{0x82, 0x05, 0x0F, 0x80, 0x12, 0x34}));
}

// A burst frame from the released pin state of mode 0, chip select on DBUS3:
// assert, whole bytes, the rest as bits, release.
TEST(MpsseCommands, FrameReadOfEachLength) {
    struct Case {
        DWORD configOptions;
        unsigned bits;
        Bytes expected;
    };
    const Case cases[] = {
        {0x20, 20, {0x80, 0x00, 0x0B, 0x20, 0x01, 0x00, 0x22, 0x03, 0x80, 0x08, 0x0B}},
        {0x20, 32, {0x80, 0x00, 0x0B, 0x20, 0x03, 0x00, 0x80, 0x08, 0x0B}},
        {0x20, 5, {0x80, 0x00, 0x0B, 0x22, 0x04, 0x80, 0x08, 0x0B}},
        {0x21,
         80,
         {0x80, 0x00, 0x0B, 0x24, 0x09, 0x00, 0x80, 0x08, 0x0B}},  // mode 1 samples on falling
    };
    for (const Case& c : cases) {
        Bytes out;
        appendFrameRead(out, 0x080B, c.configOptions, c.bits);
        EXPECT_EQ(out, c.expected) << c.bits << " bits";
    }
}

TEST(MpsseCommands, IdleClocks) {
    struct Case {
        uint64_t clocks;
        Bytes expected;
    };
    const Case cases[] = {
        {0, {}},
        {1, {0x8E, 0x00}},
        {8, {0x8F, 0x00, 0x00}},
        {71, {0x8F, 0x07, 0x00, 0x8E, 0x06}},
        {524288, {0x8F, 0xFF, 0xFF}},
        {524297, {0x8F, 0xFF, 0xFF, 0x8F, 0x00, 0x00, 0x8E, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes out;
        appendIdleClocks(out, c.clocks);
        EXPECT_EQ(out, c.expected) << c.clocks << " clocks";
    }
}

// The shortest accepted period counts each frame's command bytes against
// USB: the commands really sent must not exceed what it counted.
TEST(MpsseCommands, FrameCommandsFitWhatThePeriodCounts) {
    for (unsigned bits = 1; bits <= talmirframes::kMaxFrameBits; ++bits) {
        for (const uint64_t idle : {8ull, 15ull, 64ull, 524295ull}) {
            Bytes out;
            appendFrameRead(out, 0x080B, 0x20, bits);
            appendIdleClocks(out, idle);
            EXPECT_LE(out.size(), talmirframes::commandBytes(bits)) << bits << " bits, " << idle;
        }
    }
}

}  // namespace
}  // namespace talmirmpsse
