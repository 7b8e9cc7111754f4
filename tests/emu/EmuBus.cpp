// The emulator behind the library's USB seam: FtdiBus enumerates and opens
// the emulated devices, each FtdiPort drives one channel's MPSSE engine.
#include <algorithm>

#include "EmuWorld.h"

namespace talmiremu {

namespace {

constexpr int kNoDevice = -4;  // libusb's "no such device", as after an unplug
constexpr int kUsbError = -1;

struct Part {
    uint16_t productId, bcdDevice;
    int mpsseChannels;
    bool highByte;
    const char* product;
    std::size_t answerBuffer;  // bytes the engine holds for the host per channel
};

Part partOf(uint32_t kind) {
    switch (kind) {
        case TALMIR_EMU_2232H:
            return {0x6010, 0x700, 2, true, "Dual RS232-HS", 4096};
        case TALMIR_EMU_4232H:
            return {0x6011, 0x800, 2, false, "Quad RS232-HS", 2048};
        default:
            return {0x6014, 0x900, 1, true, "Single RS232-HS", 1024};
    }
}

// True when an armed fault takes this call.
bool takeFault(UsbFault& f) {
    if (f.times == 0) return false;
    if (f.after > 0) {
        --f.after;
        return false;
    }
    --f.times;
    return true;
}

class EmuPort : public talmirmpsse::FtdiPort {
public:
    EmuPort(uint32_t device, uint32_t channel, unsigned generation)
        : device_(device), channel_(channel), generation_(generation) {}

    ~EmuPort() override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        if (EmuChannel* c = live(w)) c->open = false;
    }

    int usbReset() override {
        return withEngine([](MpsseEngine& e) {
            e.purge();
            return 0;
        });
    }
    int purge() override { return usbReset(); }
    int setChunkSizes(unsigned, unsigned) override { return withEngine(ok); }
    int setSpecialCharsOff() override { return withEngine(ok); }
    void setTimeouts(int, int) override {}
    int setLatencyTimer(unsigned char ms) override {
        return withEngine([ms](MpsseEngine&) { return ms == 0 ? -1 : 0; });
    }
    int setBitMode(unsigned char, unsigned char mode) override {
        return withEngine([mode](MpsseEngine& e) {
            e.setBitMode(mode);
            return 0;
        });
    }

    int write(const uint8_t* data, int size) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        EmuChannel* c = live(w);
        if (c == nullptr) return kNoDevice;
        if (size < 0 || (size > 0 && data == nullptr)) return kUsbError;
        if (takeFault(w.writeFault)) return kUsbError;
        ++w.counters.usbWrites;
        w.counters.bytesWritten += static_cast<uint64_t>(size);
        w.writes.emplace_back(data, data + size);
        c->engine->write(data, static_cast<std::size_t>(size));
        deliverPending(w, *c);
        if (c->engine->waiting() > partOf(w.devices[device_].setup.kind).answerBuffer)
            ++w.counters.stalls;
        return size;
    }

    // The answers go into the pending read as the engine makes them; the
    // emulated engine runs a whole write at once, so they are all there after
    // it. A read failed at submission, as a transfer the bus refused.
    talmirmpsse::PendingRead* submitRead(uint8_t* data, int size) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        EmuChannel* c = live(w);
        if (c == nullptr || pending_.active || size <= 0 || data == nullptr) return nullptr;
        if (takeFault(w.readFault)) return nullptr;
        ++w.counters.usbReads;
        pending_ = Pending{true, data, static_cast<std::size_t>(size), 0};
        deliverPending(w, *c);
        return reinterpret_cast<talmirmpsse::PendingRead*>(&pending_);
    }

    int arrivedBytes(talmirmpsse::PendingRead*) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        return static_cast<int>(pending_.offset);
    }

    // All answers the commands written will ever make are in: a read still
    // short of its size fails, where a real bus would wait on.
    int finishRead(talmirmpsse::PendingRead*) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        EmuChannel* c = live(w);
        if (c != nullptr) deliverPending(w, *c);
        const bool complete = c != nullptr && pending_.offset == pending_.size;
        const int got = static_cast<int>(pending_.offset);
        pending_ = {};
        return c == nullptr ? kNoDevice : complete ? got : kUsbError;
    }

    void cancelRead(talmirmpsse::PendingRead*) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        pending_ = {};
    }

    int read(uint8_t* data, int size) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        EmuChannel* c = live(w);
        if (c == nullptr) return kNoDevice;
        if (size < 0 || (size > 0 && data == nullptr)) return kUsbError;
        if (takeFault(w.readFault)) return kUsbError;
        ++w.counters.usbReads;
        std::size_t max = static_cast<std::size_t>(size);
        if (w.splitReads > 0) max = std::min<std::size_t>(max, w.splitReads);
        const bool lose = w.shortRead.has_value() && c->engine->waiting() > 0;
        if (lose) max = std::min<std::size_t>(max, *w.shortRead);
        const std::size_t n = c->engine->read(data, max);
        if (lose && n > 0) {
            c->engine->dropOutput();
            w.shortRead.reset();
        }
        if (n == 0) ++w.counters.emptyReads;
        w.counters.bytesRead += n;
        return static_cast<int>(n);
    }

    std::string errorString() override { return "emulated USB error"; }

    void pauseMs(int ms) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        if (ms > 0) w.counters.pausedMs += static_cast<uint64_t>(ms);
    }

private:
    struct Pending {
        bool active = false;
        uint8_t* data = nullptr;
        std::size_t size = 0, offset = 0;
    };

    static int ok(MpsseEngine&) { return 0; }

    void deliverPending(EmuWorld& w, EmuChannel& c) {
        if (!pending_.active) return;
        const std::size_t n =
            c.engine->take(pending_.data + pending_.offset, pending_.size - pending_.offset);
        pending_.offset += n;
        w.counters.bytesRead += n;
    }

    EmuChannel* live(EmuWorld& w) {
        if (device_ >= w.devices.size()) return nullptr;
        EmuDevice& d = w.devices[device_];
        if (!d.present || d.generation != generation_) return nullptr;
        return w.channel(device_, channel_);
    }

    template <typename Action>
    int withEngine(Action&& action) {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        EmuChannel* c = live(w);
        return c == nullptr ? kNoDevice : action(*c->engine);
    }

    uint32_t device_, channel_;
    unsigned generation_;
    Pending pending_;
};

class EmuBus : public talmirmpsse::FtdiBus {
public:
    std::vector<talmirmpsse::FtdiDevice> enumerate() override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        std::vector<talmirmpsse::FtdiDevice> list;
        for (const EmuDevice& d : w.devices)
            if (d.present) list.push_back(d.info);
        return list;
    }

    std::unique_ptr<talmirmpsse::FtdiPort> open(const talmirmpsse::FtdiDevice& device, int channel,
                                                int& error) override {
        EmuWorld& w = emuWorld();
        std::lock_guard lock(w.mutex);
        for (uint32_t i = 0; i < w.devices.size(); ++i) {
            EmuDevice& d = w.devices[i];
            if (!d.present || d.info.bus != device.bus || d.info.address != device.address)
                continue;
            if (d.openError != 0) {
                error = d.openError;
                return nullptr;
            }
            EmuChannel* c = channel >= 0 ? w.channel(i, static_cast<uint32_t>(channel)) : nullptr;
            if (c == nullptr) {
                error = -3;  // no such interface
                return nullptr;
            }
            if (c->open) {
                error = talmirmpsse::kFtdiClaimFailed;
                return nullptr;
            }
            c->open = true;
            error = 0;
            return std::make_unique<EmuPort>(i, static_cast<uint32_t>(channel), d.generation);
        }
        error = kNoDevice;
        return nullptr;
    }
};

}  // namespace

EmuWorld::EmuWorld() {
    TalmirEmuDeviceSpec setup{};
    setup.kind = TALMIR_EMU_232H;
    setup.slave[0].kind = TALMIR_EMU_SLAVE_CHIP;
    configure({setup});
    chip.noise().configure(kLoadNoise, kLoadSeed);
    chip.magnet().run(chip.loadSpeed());
}

bool EmuWorld::valid(const std::vector<TalmirEmuDeviceSpec>& specs) {
    for (const TalmirEmuDeviceSpec& s : specs) {
        if (s.kind > TALMIR_EMU_4232H) return false;
        for (const TalmirEmuSlaveSpec& slave : s.slave)
            if (slave.kind > TALMIR_EMU_SLAVE_LOOP || slave.spiMode > 3 || slave.csLine > 4)
                return false;
    }
    return true;
}

bool EmuWorld::configure(const std::vector<TalmirEmuDeviceSpec>& specs) {
    if (!valid(specs)) return false;
    devices.clear();
    for (std::size_t i = 0; i < specs.size(); ++i) {
        EmuDevice d;
        d.setup = specs[i];
        d.generation = nextGeneration++;
        const Part part = partOf(d.setup.kind);
        d.info.bus = 1;
        d.info.address = static_cast<uint8_t>(2 + i);
        d.info.vendorId = 0x0403;
        d.info.productId = part.productId;
        d.info.bcdDevice = part.bcdDevice;
        d.info.product = d.setup.product != nullptr ? d.setup.product : part.product;
        d.info.serial = d.setup.serial != nullptr ? d.setup.serial : "EMU" + std::to_string(i + 1);
        // The strings belong to the caller: keep only copies.
        d.setup.product = nullptr;
        d.setup.serial = nullptr;
        devices.push_back(std::move(d));
        rebuild(static_cast<uint32_t>(i));
    }
    return true;
}

void EmuWorld::rebuild(uint32_t index) {
    EmuDevice& d = devices[index];
    const Part part = partOf(d.setup.kind);
    d.channels.clear();
    d.channels.resize(static_cast<std::size_t>(part.mpsseChannels));
    for (uint32_t ch = 0; ch < d.channels.size(); ++ch) {
        EmuChannel& c = d.channels[ch];
        c.engine = std::make_unique<MpsseEngine>(MpsseEngine::Options{part.highByte});
        const TalmirEmuSlaveSpec& s = d.setup.slave[ch];
        const int cs = static_cast<int>(s.csLine);
        if (s.kind == TALMIR_EMU_SLAVE_CHIP)
            c.slave = std::make_unique<ChipSlave>(chip, cs);
        else if (s.kind == TALMIR_EMU_SLAVE_LOOP)
            c.slave = std::make_unique<LoopSlave>(static_cast<int>(s.spiMode), cs);
        if (c.slave) {
            c.slave->setSink([this, index, ch](const SpiFrame& f) {
                frames.push_back({index, ch, f});
            });
            c.engine->attach(c.slave.get());
        }
    }
}

void EmuWorld::clearLog() {
    frames.clear();
    writes.clear();
    counters = {};
}

EmuChannel* EmuWorld::channel(uint32_t device, uint32_t ch) {
    if (device >= devices.size() || ch >= devices[device].channels.size()) return nullptr;
    return &devices[device].channels[ch];
}

// Never destroyed: ports held in the library's statics may outlive any order
// of static destruction.
EmuWorld& emuWorld() {
    static EmuWorld* world = new EmuWorld;
    return *world;
}

}  // namespace talmiremu

namespace talmirmpsse {

FtdiBus& DefaultBus() {
    static talmiremu::EmuBus* bus = new talmiremu::EmuBus;
    return *bus;
}

}  // namespace talmirmpsse
