// A bit-level emulator of one FTDI MPSSE channel: it interprets the command
// bytes the host writes, drives the low and high pin bytes, clocks data bit by
// bit with real SK edges, and queues the answer bytes the host reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace talmiremu {

// Low-byte pins.
constexpr uint8_t kPinSk = 0x01;
constexpr uint8_t kPinDo = 0x02;  // MOSI
constexpr uint8_t kPinDi = 0x04;  // MISO

// What the data command behind a clock pulse does with the data lines.
struct ClockCycle {
    bool hostWrites = false;  // the host drives DO with data
    bool hostReads = false;   // the host samples DI
};

// Something attached to the low-byte pins, typically an SPI slave.
class PinListener {
public:
    virtual ~PinListener() = default;
    // A clock pulse of a data command is about to start.
    virtual void beginPulse(const ClockCycle& cycle) = 0;
    // The low-byte levels changed: an SK edge, DO or a chip select.
    virtual void pins(uint8_t levels) = 0;
    // The level the listener drives on DI, or -1 when it leaves DI alone.
    virtual int miso() const = 0;
};

class MpsseEngine {
public:
    struct Options {
        bool highByte = true;  // the 4232H's channels have none
    };

    MpsseEngine() : MpsseEngine(Options{}) {}
    explicit MpsseEngine(Options options);

    void attach(PinListener* listener);

    // The seam's bit mode: MPSSE commands are obeyed only in MPSSE mode.
    void setBitMode(uint8_t mode);
    bool mpsse() const { return mpsse_; }
    // Drops unprocessed command bytes and unread answers.
    void purge();

    // Bytes from the host. Outside MPSSE mode they are plain data and produce
    // nothing; an incomplete command waits for the rest.
    void write(const uint8_t* data, std::size_t size);
    // One poll by the host. Answers become readable after 87 (send
    // immediately) or once a poll found nothing readable while answers waited
    // (the latency timer ran out), so a read without 87 costs another poll.
    std::size_t read(uint8_t* out, std::size_t max);
    // Hands over up to `max` answer bytes whether or not they were made
    // readable, as to a read left pending on the bus, which takes each packet
    // the adapter sends.
    std::size_t take(uint8_t* out, std::size_t max);
    // Loses every answer byte not yet read.
    void dropOutput();
    std::size_t waiting() const { return out_.size(); }

    // SK frequency set by 86 and 8A/8B, in Hz.
    double skHz() const;
    uint8_t lowValue() const { return lowValue_; }
    uint8_t lowDir() const { return lowDir_; }
    uint8_t highValue() const { return highValue_; }
    uint8_t highDir() const { return highDir_; }
    // Levels outside circuitry puts on high-byte inputs (pull-ups: 1).
    void setHighInputs(uint8_t levels) { highInputs_ = levels; }
    // Levels on the low byte: outputs as driven, DI from the listener or the
    // loopback, other inputs pulled up.
    uint8_t lowLevels() const;

private:
    // Bytes a command occupies, including the opcode, or 0 when more must arrive.
    std::size_t commandLength(const uint8_t* p, std::size_t avail) const;
    void execute(const uint8_t* p);
    void clockData(const uint8_t* p);
    // SK pulses with no data in or out (8E, 8F).
    void clockOnly(std::size_t pulses);
    int di() const;
    void setLow(uint8_t bit, int level);
    void notify();

    Options options_;
    PinListener* listener_ = nullptr;
    bool mpsse_ = false;
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
    std::size_t readable_ = 0;
    uint8_t lowValue_ = 0, lowDir_ = 0, highValue_ = 0, highDir_ = 0, highInputs_ = 0xFF;
    uint8_t lastLevels_ = 0xFF;
    bool loopback_ = false;
    bool divideBy5_ = true;  // the power-on state, for the full-speed parts' sake
    uint16_t divisor_ = 0;
};

}  // namespace talmiremu
