// The control functions tests call: devices, chip, logs and faults.
#include <algorithm>
#include <cstring>

#include "EmuWorld.h"

using namespace talmiremu;

namespace {

template <typename Action>
auto locked(Action&& action) {
    EmuWorld& w = emuWorld();
    std::lock_guard lock(w.mutex);
    return action(w);
}

void resetTo(EmuWorld& w, const std::vector<TalmirEmuDeviceSpec>& specs) {
    w.configure(specs);
    w.chip.reset();
    w.chip.magnet().reset();
    w.chip.noise().configure(0, 1);
    w.clearLog();
    w.shortRead.reset();
    w.splitReads = 0;
    w.writeFault = {};
    w.readFault = {};
}

void copyBits(const std::vector<uint8_t>& bits, uint8_t* out, uint32_t& count) {
    constexpr std::size_t kMaxBits = sizeof(TalmirEmuFrame::mosi) * 8;
    const std::vector<uint8_t> kept(
        bits.begin(), bits.begin() + static_cast<std::ptrdiff_t>(std::min(bits.size(), kMaxBits)));
    const std::vector<uint8_t> bytes = packBits(kept);
    std::copy(bytes.begin(), bytes.end(), out);
    count = static_cast<uint32_t>(bits.size());
}

}  // namespace

extern "C" {

void TalmirEmu_Reset(void) {
    locked([](EmuWorld& w) {
        TalmirEmuDeviceSpec setup{};
        setup.kind = TALMIR_EMU_232H;
        setup.slave[0].kind = TALMIR_EMU_SLAVE_CHIP;
        resetTo(w, {setup});
    });
}

int TalmirEmu_SetDevices(const TalmirEmuDeviceSpec* devices, uint32_t count) {
    if (devices == nullptr && count != 0) return -1;
    const std::vector<TalmirEmuDeviceSpec> specs(devices, devices + count);
    if (!EmuWorld::valid(specs)) return -1;
    return locked([&](EmuWorld& w) {
        resetTo(w, specs);
        return 0;
    });
}

void TalmirEmu_SetAngle(uint16_t angle) {
    locked([&](EmuWorld& w) { w.chip.magnet().freezeAt(angle); });
}

void TalmirEmu_SetSpeed(double turnsPerSecond) {
    locked([&](EmuWorld& w) { w.chip.magnet().run(turnsPerSecond); });
}

void TalmirEmu_SetNoise(int amplitude, uint32_t seed) {
    locked([&](EmuWorld& w) { w.chip.noise().configure(amplitude, seed); });
}

void TalmirEmu_SetRegister(uint8_t addr, uint16_t value) {
    locked([&](EmuWorld& w) { w.chip.pin(addr, value); });
}

uint16_t TalmirEmu_GetRegister(uint8_t addr) {
    return locked([&](EmuWorld& w) { return w.chip.stored(addr); });
}

uint32_t TalmirEmu_FrameCount(void) {
    return locked([](EmuWorld& w) { return static_cast<uint32_t>(w.frames.size()); });
}

int TalmirEmu_FrameGet(uint32_t i, TalmirEmuFrame* out) {
    if (out == nullptr) return 0;
    return locked([&](EmuWorld& w) {
        if (i >= w.frames.size()) return 0;
        const LoggedFrame& f = w.frames[i];
        std::memset(out, 0, sizeof *out);
        out->device = f.device;
        out->channel = f.channel;
        out->clocks = static_cast<uint32_t>(f.frame.clocks);
        out->startClock = f.frame.startClock;
        out->hostWrote = f.frame.hostWrote ? 1 : 0;
        out->hostRead = f.frame.hostRead ? 1 : 0;
        copyBits(f.frame.mosi, out->mosi, out->mosiBits);
        copyBits(f.frame.miso, out->miso, out->misoBits);
        return 1;
    });
}

uint32_t TalmirEmu_WriteCount(void) {
    return locked([](EmuWorld& w) { return static_cast<uint32_t>(w.writes.size()); });
}

uint32_t TalmirEmu_WriteGet(uint32_t i, uint8_t* out, uint32_t capacity) {
    return locked([&](EmuWorld& w) -> uint32_t {
        if (i >= w.writes.size()) return 0;
        const std::vector<uint8_t>& bytes = w.writes[i];
        if (out != nullptr)
            std::copy_n(bytes.begin(), std::min<std::size_t>(capacity, bytes.size()), out);
        return static_cast<uint32_t>(bytes.size());
    });
}

void TalmirEmu_GetCounters(TalmirEmuCounters* out) {
    if (out == nullptr) return;
    locked([&](EmuWorld& w) { *out = w.counters; });
}

void TalmirEmu_ClearLog(void) {
    locked([](EmuWorld& w) { w.clearLog(); });
}

void TalmirEmu_ShortRead(uint32_t deliver) {
    locked([&](EmuWorld& w) { w.shortRead = deliver; });
}

void TalmirEmu_SplitReads(uint32_t maxBytes) {
    locked([&](EmuWorld& w) { w.splitReads = maxBytes; });
}

void TalmirEmu_FailUsb(uint32_t op, uint32_t after, uint32_t times) {
    locked([&](EmuWorld& w) { (op == 0 ? w.writeFault : w.readFault) = UsbFault{after, times}; });
}

void TalmirEmu_FailOpen(uint32_t device, int32_t error) {
    locked([&](EmuWorld& w) {
        if (device < w.devices.size()) w.devices[device].openError = error;
    });
}

int TalmirEmu_Unplug(uint32_t device) {
    return locked([&](EmuWorld& w) {
        if (device >= w.devices.size()) return -1;
        w.devices[device].present = false;
        w.devices[device].generation = w.nextGeneration++;
        return 0;
    });
}

int TalmirEmu_Replug(uint32_t device) {
    return locked([&](EmuWorld& w) {
        if (device >= w.devices.size()) return -1;
        EmuDevice& d = w.devices[device];
        if (!d.present) {
            d.present = true;
            d.generation = w.nextGeneration++;
            // The bus gives a device plugged back in a new address.
            d.info.address = static_cast<uint8_t>(d.info.address + 16);
            w.rebuild(device);
        }
        return 0;
    });
}

double TalmirEmu_ClockHz(uint32_t device, uint32_t channel) {
    return locked([&](EmuWorld& w) {
        const EmuChannel* c = w.channel(device, channel);
        return c != nullptr ? c->engine->skHz() : 0.0;
    });
}

int TalmirEmu_GetPins(uint32_t device, uint32_t channel, TalmirEmuPins* out) {
    if (out == nullptr) return 0;
    return locked([&](EmuWorld& w) {
        const EmuChannel* c = w.channel(device, channel);
        if (c == nullptr) return 0;
        const MpsseEngine& e = *c->engine;
        *out = TalmirEmuPins{e.lowValue(), e.lowDir(), e.highValue(), e.highDir()};
        return 1;
    });
}

void TalmirEmu_SetGpioInputs(uint32_t device, uint32_t channel, uint8_t levels) {
    locked([&](EmuWorld& w) {
        if (EmuChannel* c = w.channel(device, channel)) c->engine->setHighInputs(levels);
    });
}

}  // extern "C"
