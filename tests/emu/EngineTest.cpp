// The engine and slaves driven with command bytes directly.
#include <gtest/gtest.h>

#include <vector>

#include "MpsseEngine.h"
#include "SpiSlave.h"

using namespace talmiremu;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(MpsseEngine& engine) {
    Bytes out(256);
    std::size_t n = 0;
    for (int poll = 0; poll < 4; ++poll) n += engine.read(out.data() + n, out.size() - n);
    out.resize(n);
    return out;
}

Bytes run(MpsseEngine& engine, const Bytes& commands) {
    engine.write(commands.data(), commands.size());
    return readAll(engine);
}

MpsseEngine mpsseEngine(bool highByte = true) {
    MpsseEngine engine(MpsseEngine::Options{highByte});
    engine.setBitMode(0x02);
    return engine;
}

}  // namespace

TEST(MpsseEngine, AnswersCommands) {
    struct Case {
        const char* what;
        Bytes commands;
        Bytes answer;
        bool highByte = true;
    };
    const Case cases[] = {
        {"bad opcode", {0xAA, 0x87}, {0xFA, 0xAA}},
        {"TMS command is unknown", {0x4B, 0x87}, {0xFA, 0x4B}},
        {"low pins: outputs as set, inputs pulled up", {0x80, 0x0A, 0x0B, 0x81, 0x87}, {0xFE}},
        {"high pins", {0x82, 0x01, 0x81, 0x83, 0x87}, {0x7F}},
        {"no high byte on a 4232H",
         {0x82, 0x01, 0x81, 0x83, 0x87},
         {0xFA, 0x82, 0xFA, 0x83},
         false},
        // Loopback: the byte read on the rising edge is the byte written on the falling one.
        {"loopback byte, MSB first",
         {0x84, 0x80, 0x00, 0x0B, 0x31, 0x00, 0x00, 0xA5, 0x87},
         {0xA5}},
        {"loopback byte, LSB first",
         {0x84, 0x80, 0x00, 0x0B, 0x39, 0x00, 0x00, 0xA5, 0x87},
         {0xA5}},
        {"loopback two bytes",
         {0x84, 0x80, 0x00, 0x0B, 0x31, 0x01, 0x00, 0x12, 0x34, 0x87},
         {0x12, 0x34}},
        // Four bits: MSB first sends the top bits and collects in the low end,
        // LSB first sends the bottom bits and collects in the high end.
        {"loopback 4 bits, MSB first", {0x84, 0x80, 0x00, 0x0B, 0x33, 0x03, 0xA0, 0x87}, {0x0A}},
        {"loopback 4 bits, LSB first", {0x84, 0x80, 0x00, 0x0B, 0x3B, 0x03, 0x05, 0x87}, {0x50}},
        {"no loopback: DI pulled up", {0x80, 0x00, 0x0B, 0x20, 0x00, 0x00, 0x87}, {0xFF}},
        {"accepted set-up commands", {0x8C, 0x8D, 0x96, 0x97, 0x9E, 0x00, 0x00, 0x87}, {}},
    };
    for (const Case& c : cases) {
        MpsseEngine engine = mpsseEngine(c.highByte);
        EXPECT_EQ(run(engine, c.commands), c.answer) << c.what;
    }
}

TEST(MpsseEngine, CommandsSplitAcrossWritesWaitForTheirRest) {
    MpsseEngine engine = mpsseEngine();
    EXPECT_EQ(run(engine, {0x84, 0x80, 0x00, 0x0B, 0x31, 0x00}), Bytes{});
    EXPECT_EQ(run(engine, {0x00, 0x5A, 0x87}), Bytes{0x5A});
}

TEST(MpsseEngine, IgnoresCommandsOutsideMpsseMode) {
    MpsseEngine engine;
    EXPECT_EQ(run(engine, {0xAA, 0x87}), Bytes{});
    engine.setBitMode(0x02);
    engine.setBitMode(0x00);
    EXPECT_EQ(run(engine, {0x80, 0x08, 0x0B, 0xAA, 0x87}), Bytes{});
    EXPECT_EQ(engine.lowDir(), 0x00);
}

// Without 87 the answer waits for the latency timer: the first poll finds nothing.
TEST(MpsseEngine, AnswerWithoutSendImmediateCostsAPoll) {
    MpsseEngine engine = mpsseEngine();
    const uint8_t bad = 0xAA;
    engine.write(&bad, 1);
    uint8_t out[4] = {};
    EXPECT_EQ(engine.read(out, sizeof out), 0u);
    ASSERT_EQ(engine.read(out, sizeof out), 2u);
    EXPECT_EQ(out[0], 0xFA);
    EXPECT_EQ(out[1], 0xAA);
}

TEST(MpsseEngine, ClockFrequencyFollowsDivisorAndDivideBy5) {
    struct Case {
        Bytes commands;
        double hz;
    };
    const Case cases[] = {
        {{0x8A, 0x86, 0x1D, 0x00}, 1e6},  {{0x8A, 0x86, 0x02, 0x00}, 10e6},
        {{0x8A, 0x86, 0x00, 0x00}, 30e6}, {{0x8B, 0x86, 0x00, 0x00}, 6e6},
        {{0x86, 0x05, 0x00, 0x8B}, 1e6},
    };
    for (const Case& c : cases) {
        MpsseEngine engine = mpsseEngine();
        run(engine, c.commands);
        EXPECT_DOUBLE_EQ(engine.skHz(), c.hz) << int(c.commands[0]) << " " << int(c.commands[2]);
    }
}

// What a slave samples depends on the edge the host writes on: DO changing on
// the slave's own sampling edge arrives one bit late.
TEST(SpiSlave, SamplesMosiOnItsModesEdge) {
    struct Case {
        int mode;
        uint8_t idle;  // SK idle level set with 80
        uint8_t opcode;
        uint8_t seen;
    };
    const Case cases[] = {
        {0, 0, 0x11, 0xA5},
        {0, 0, 0x10, 0x52},  // written on the rising edge: the old DO, then
                             // each bit late
        {1, 0, 0x10, 0xA5},
        {2, 1, 0x10, 0xA5},
        {3, 1, 0x11, 0xA5},
    };
    for (const Case& c : cases) {
        std::vector<SpiFrame> frames;
        LoopSlave slave(c.mode, 1);
        slave.setSink([&](const SpiFrame& f) { frames.push_back(f); });
        MpsseEngine engine = mpsseEngine();
        engine.attach(&slave);
        const uint8_t idle = c.idle;
        run(engine, {0x80, static_cast<uint8_t>(0x10 | idle), 0x1B, 0x80, idle, 0x1B, c.opcode,
                     0x00, 0x00, 0xA5, 0x80, static_cast<uint8_t>(0x10 | idle), 0x1B});
        ASSERT_EQ(frames.size(), 1u) << "mode " << c.mode;
        EXPECT_EQ(frames[0].clocks, 8u);
        EXPECT_EQ(packBits(frames[0].mosi), Bytes{c.seen}) << "mode " << c.mode;
        EXPECT_TRUE(frames[0].hostWrote);
        EXPECT_FALSE(frames[0].hostRead);
    }
}

// The chip model answers a register read command in the next frame's MISO
// bits. A frame the host only reads writes nothing, although the slave
// samples DO high in it.
TEST(ChipSlave, RegisterCommandsOnTheWire) {
    talmirsim::SimChip chip;
    chip.pin(17, 0xBEEF);
    ChipSlave slave(chip);
    std::vector<SpiFrame> frames;
    slave.setSink([&](const SpiFrame& f) { frames.push_back(f); });
    MpsseEngine engine = mpsseEngine();
    engine.attach(&slave);
    const Bytes select = {0x80, 0x02, 0x0B}, release = {0x80, 0x0A, 0x0B};  // DO high
    Bytes commands = release;
    for (const uint8_t command : {0x11, 0x91}) {
        for (const Bytes& part : {select, Bytes{0x11, 0x01, 0x00, 0x00, command}, release, select,
                                  Bytes{0x20, 0x01, 0x00}, release})
            commands.insert(commands.end(), part.begin(), part.end());
    }
    commands.push_back(0x87);
    const Bytes answer = run(engine, commands);
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_EQ(answer[0] << 8 | answer[1], 0xBEEF);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(packBits(frames[0].mosi), (Bytes{0x00, 0x11}));
    EXPECT_EQ(packBits(frames[1].miso), (Bytes{0xBE, 0xEF}));
    EXPECT_EQ(packBits(frames[3].mosi), (Bytes{0xFF, 0xFF}));
    EXPECT_FALSE(frames[3].hostWrote);
    EXPECT_EQ(chip.stored(17), 0xBEEF);
}
