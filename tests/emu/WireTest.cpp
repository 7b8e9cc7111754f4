// The library over the emulated engine, seen on the wire: the set-up bytes,
// the chip's register protocol and angle frames as clocked bits, SPI modes
// and bit orders, and the GPIO byte.
#include <vector>

#include "EmuTestSupport.h"
#include "SimChip.h"

using namespace emutest;

namespace {

using Bytes = std::vector<uint8_t>;

TalmirEmuSlaveSpec chipSlave() {
    return {TALMIR_EMU_SLAVE_CHIP, 0, 0};
}

uint8_t reversed(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r << 1 | ((b >> i) & 1));
    return r;
}

}  // namespace

TEST_F(EmuFixture, InitSendsTheSetUpSequenceAndSetsTheClock) {
    struct Case {
        uint32_t clock;
        uint8_t divisor;
        double skHz;
    };
    for (const Case c :
         {Case{1000000, 0x1D, 1e6}, Case{10000000, 0x02, 10e6}, Case{30000000, 0x00, 30e6}}) {
        e->Reset();
        ASSERT_NO_FATAL_FAILURE(openOnly());
        e->ClearLog();
        ChannelConfig config = toolConfig(c.clock);
        ASSERT_EQ(e->InitChannel(handle, &config), 0u) << c.clock;
        const std::vector<Bytes> expected = {{0x84},       {0xAA, 0x87},
                                             {0xAB, 0x87}, {0x8A, 0x86, c.divisor, 0x00},
                                             {0x85},       {0x80, 0x08, 0x0B}};
        EXPECT_EQ(usbWrites(), expected) << c.clock;
        EXPECT_DOUBLE_EQ(e->ClockHz(0, 0), c.skHz);
        TalmirEmuPins pins{};
        ASSERT_EQ(e->GetPins(0, 0, &pins), 1);
        EXPECT_EQ(pins.lowValue, 0x08);
        EXPECT_EQ(pins.lowDir, 0x0B);
        EXPECT_EQ(e->CloseChannel(handle), 0u);
        handle = nullptr;
    }
}

TEST_F(EmuFixture, InitRefusesClockRatesOutOfRangeWithoutUsbTraffic) {
    ASSERT_NO_FATAL_FAILURE(openOnly());
    for (const uint32_t clock : {0u, 30000001u}) {
        e->ClearLog();
        ChannelConfig config = toolConfig(clock);
        EXPECT_EQ(e->InitChannel(handle, &config), 6u) << clock;
        EXPECT_EQ(e->WriteCount(), 0u) << clock;
    }
}

TEST_F(EmuFixture, RegisterWriteAndReadAreTwoFramesEach) {
    openChannel();
    e->SetRegister(17, 0xBEEF);
    ASSERT_EQ(write({0x00, 0x85}), 0u);
    ASSERT_EQ(write({0x12, 0x34}), 0u);
    ASSERT_EQ(write({0x00, 0x11}), 0u);
    const Bytes value = read(2);
    EXPECT_EQ(value, (Bytes{0xBE, 0xEF}));
    EXPECT_EQ(e->GetRegister(5), 0x1234);

    const auto f = frames();
    ASSERT_EQ(f.size(), 4u);
    const Bytes mosi[] = {{0x00, 0x85}, {0x12, 0x34}, {0x00, 0x11}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f[i].clocks, 16u) << i;
        EXPECT_EQ(bytesOf(f[i].mosi, f[i].mosiBits), mosi[i]) << i;
        EXPECT_TRUE(f[i].hostWrote) << i;
    }
    EXPECT_EQ(f[3].clocks, 16u);
    EXPECT_FALSE(f[3].hostWrote);
    EXPECT_EQ(bytesOf(f[3].miso, f[3].misoBits), value);
}

// A framed read asks for its answer at once (87): one USB write, one read.
TEST_F(EmuFixture, FramedReadIsOneRoundTrip) {
    openChannel();
    read(2);
    read(20, kBits);
    TalmirEmuCounters c{};
    e->GetCounters(&c);
    EXPECT_EQ(c.usbWrites, 2u);
    EXPECT_EQ(c.usbReads, 2u);
    EXPECT_EQ(c.emptyReads, 0u);
    EXPECT_EQ(c.bytesRead, 5u);
}

TEST_F(EmuFixture, ChipSelectHeldAcrossCallsIsOneFrame) {
    openChannel();
    uint8_t first[] = {0x01, 0x02}, second[] = {0x03, 0x04}, in[2] = {};
    uint32_t done = 0;
    ASSERT_EQ(e->Write(handle, first, 2, &done, 0x02), 0u);
    ASSERT_EQ(e->Write(handle, second, 2, &done, 0x00), 0u);
    EXPECT_EQ(e->FrameCount(), 0u) << "chip select released early";
    ASSERT_EQ(e->Read(handle, in, 2, &done, 0x04), 0u);
    const auto f = frames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].clocks, 48u);
    EXPECT_EQ(Bytes(f[0].mosi, f[0].mosi + 4), (Bytes{0x01, 0x02, 0x03, 0x04}));
}

// Bit reads of each frame format against what the simulator library's chip
// model delivers for the same frozen angle and mode registers.
TEST_F(EmuFixture, AngleFramesMatchTheSimulator) {
    struct Case {
        const char* mode;
        uint16_t reg38, reg11;
        uint32_t bits;
    };
    const Case cases[] = {
        {"20-bit", 0x0000, 0x0000, 20},
        {"32-bit single-turn", 0x1000, 0x0000, 32},
        {"32-bit multi-turn", 0x0000, 0x0800, 32},
        {"48-bit", 0x1000, 0x0800, 48},
        {"80-bit test", 0x2000, 0x0000, 80},
    };
    constexpr uint16_t kAngle = 0xABCD;
    openChannel();
    e->SetAngle(kAngle);
    for (const Case& c : cases) {
        talmirsim::SimChip reference;
        reference.magnet().reset();
        reference.magnet().freezeAt(kAngle);
        for (const auto& [addr, value] :
             {std::pair{uint8_t{38}, c.reg38}, {uint8_t{11}, c.reg11}}) {
            const Bytes command = {0x00, static_cast<uint8_t>(0x80 | addr)};
            const Bytes word = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
            reference.write(command.data(), 2);
            reference.write(word.data(), 2);
            write(command);
            write(word);
        }
        Bytes expected((c.bits + 7) / 8);
        reference.read(expected.data(), c.bits, true);
        e->ClearLog();
        const Bytes got = read(c.bits, kBits);
        EXPECT_EQ(got, expected) << c.mode;
        const auto f = frames();
        ASSERT_EQ(f.size(), 1u);
        EXPECT_EQ(f[0].clocks, c.bits) << c.mode;
        EXPECT_EQ(bytesOf(f[0].miso, f[0].misoBits), expected) << c.mode;
    }
}

// The 20-bit frame's last 4 bits arrive in the low-order end of byte 2.
TEST_F(EmuFixture, TwentyBitReadPutsTheTrailingBitsLow) {
    openChannel();
    e->SetAngle(0xFFFF);  // parity 0: the frame is 0x0FFFF
    EXPECT_EQ(read(20, kBits), (Bytes{0x0F, 0xFF, 0x0F}));
}

// A slave echoing its previous frame, in every SPI mode and both bit orders:
// it must sample each written bit, and the host each bit it drives.
TEST_F(EmuFixture, SpiModesAndBitOrdersLoopBack) {
    struct Variant {
        const char* what;
        uint32_t options, size;
        Bytes data, onWire, back;  // on the wire: in clock order, LSB first bytes reversed
    };
    const Variant variants[] = {
        {"bytes, MSB first", kBytes, 2, {0xA5, 0x3C}, {0xA5, 0x3C}, {0xA5, 0x3C}},
        {"bytes, LSB first", kBytes | kLsbFirst, 2, {0xA5, 0x3C}, {0xA5, 0x3C}, {0xA5, 0x3C}},
        // A partial byte is written from its top bits and read into its low end.
        {"12 bits, MSB first", kBits, 12, {0xA5, 0x30}, {0xA5, 0x03}, {0xA5, 0x03}},
    };
    for (uint32_t mode = 0; mode < 4; ++mode) {
        for (const Variant& v : variants) {
            e->Reset();
            const TalmirEmuDeviceSpec d = device(TALMIR_EMU_232H, {TALMIR_EMU_SLAVE_LOOP, mode, 1});
            ASSERT_EQ(e->SetDevices(&d, 1), 0);
            openChannel(1000000, 0x20 | 0x04 | mode);  // chip select on DBUS4
            const std::string what = std::string(v.what) + ", mode " + std::to_string(mode);
            ASSERT_EQ(write(v.data, v.options, v.size), 0u) << what;
            EXPECT_EQ(read(v.size, v.options), v.back) << what;
            const auto f = frames();
            ASSERT_EQ(f.size(), 2u) << what;
            EXPECT_EQ(f[0].clocks, v.size * ((v.options & 1) ? 1 : 8)) << what;
            Bytes wire = bytesOf(f[0].mosi, f[0].mosiBits);
            if (v.options & kLsbFirst)
                for (uint8_t& b : wire) b = reversed(b);
            EXPECT_EQ(wire, v.onWire) << what;
            EXPECT_EQ(e->CloseChannel(handle), 0u);
            handle = nullptr;
        }
    }
}

TEST_F(EmuFixture, GpioDrivesAndReadsTheHighByte) {
    openChannel();
    e->SetGpioInputs(0, 0, 0x00);
    for (const uint8_t v : {0x00, 0x01, 0x80, 0x81, 0xFF}) {
        ASSERT_EQ(e->WriteGPIO(handle, 0x81, v), 0u);
        TalmirEmuPins pins{};
        ASSERT_EQ(e->GetPins(0, 0, &pins), 1);
        EXPECT_EQ(pins.highValue, v);
        EXPECT_EQ(pins.highDir, 0x81);
        uint8_t got = 0;
        ASSERT_EQ(e->ReadGPIO(handle, &got), 0u);
        EXPECT_EQ(got, v & 0x81) << int(v);
    }
    // Inputs read what drives them from outside.
    ASSERT_EQ(e->WriteGPIO(handle, 0x81, 0x00), 0u);
    e->SetGpioInputs(0, 0, 0x7E);
    uint8_t got = 0;
    ASSERT_EQ(e->ReadGPIO(handle, &got), 0u);
    EXPECT_EQ(got, 0x7E);
}

TEST_F(EmuFixture, GpioIsRefusedOnA4232H) {
    const TalmirEmuDeviceSpec d = device(TALMIR_EMU_4232H, chipSlave());
    ASSERT_EQ(e->SetDevices(&d, 1), 0);
    openChannel();
    uint8_t value = 0;
    EXPECT_NE(e->WriteGPIO(handle, 0x81, 0x01), 0u);
    EXPECT_NE(e->ReadGPIO(handle, &value), 0u);
}
