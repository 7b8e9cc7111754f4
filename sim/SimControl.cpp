// Control functions for tests and demos: state, injected data and failures,
// magnet motion, and a view of the trace and the adapter's state.
#include <string>

#include "SimState.h"
#include "talmir_sim_control.h"

using namespace talmirsim;

namespace {

template <typename Action>
auto locked(Action&& action) {
    SimState& s = simState();
    std::lock_guard lock(s.mutex);
    return action(s);
}

}  // namespace

extern "C" {

void TalmirSim_Reset(void) {
    locked([](SimState& s) {
        s.reset();
        s.chip.signal().set(SimSignal::Params{});
    });
}

int TalmirSim_SetChannelCount(uint32_t count) {
    if (count < 1 || count > SimState::kMaxChannels) return 0;
    locked([&](SimState& s) { s.channelCount = count; });
    return 1;
}

void TalmirSim_SetRegister(uint8_t addr, uint16_t value) {
    locked([&](SimState& s) { s.chip.pin(addr, value); });
}

uint16_t TalmirSim_GetRegister(uint8_t addr) {
    return locked([&](SimState& s) { return s.chip.stored(addr); });
}

void TalmirSim_QueueRead(const uint8_t* bytes, uint32_t n) {
    if (bytes == nullptr) return;
    locked([&](SimState& s) { s.readQueue.push(bytes, n); });
}

void TalmirSim_FailCall(const char* name, uint32_t status, uint32_t times) {
    if (name == nullptr) return;
    locked([&](SimState& s) { s.faults.inject(name, status, times); });
}

void TalmirSim_FailCallAfter(const char* name, uint32_t status, uint32_t after, uint32_t times) {
    if (name == nullptr) return;
    locked([&](SimState& s) { s.faults.inject(name, status, times, after); });
}

void TalmirSim_FailOpenWithHandle(uint32_t status) {
    locked([&](SimState& s) { s.openFailsWithHandle = status; });
}

void TalmirSim_IgnoreWrites(int ignore) {
    locked([&](SimState& s) { s.chip.setIgnoreWrites(ignore != 0); });
}

void TalmirSim_SetSpeed(double turnsPerSecond) {
    locked([&](SimState& s) { s.chip.magnet().run(turnsPerSecond); });
}

void TalmirSim_SetRpm(double rpm) {
    locked([&](SimState& s) { s.chip.magnet().run(rpm / 60.0); });
}

void TalmirSim_SetAngle(uint16_t angle) {
    locked([&](SimState& s) { s.chip.magnet().freezeAt(angle); });
}

void TalmirSim_SetNoise(int amplitude, uint32_t seed) {
    locked([&](SimState& s) { s.chip.noise().configure(amplitude, seed); });
}

int TalmirSim_SetSignal(const TalmirSimSignal* signal) {
    if (signal == nullptr) return 0;
    SimSignal::Params p;
    p.offsetX = signal->offsetX;
    p.offsetY = signal->offsetY;
    p.amplitudeX = signal->amplitudeX;
    p.amplitudeY = signal->amplitudeY;
    p.phaseDeg = signal->phaseDeg;
    p.h3Percent = signal->h3Percent;
    p.noiseLsb = signal->noiseLsb;
    return locked([&](SimState& s) { return s.chip.signal().set(p) ? 1 : 0; });
}

void TalmirSim_GetSignal(TalmirSimSignal* out) {
    if (out == nullptr) return;
    const SimSignal::Params p = locked([](SimState& s) { return s.chip.signal().params(); });
    *out = TalmirSimSignal{p.offsetX,  p.offsetY,   p.amplitudeX, p.amplitudeY,
                           p.phaseDeg, p.h3Percent, p.noiseLsb};
}

int TalmirSim_SetSignalText(const char* text) {
    if (text == nullptr) return 0;
    const SimSignal::Parsed parsed = SimSignal::parse(text);
    SimSignal::report(parsed, "TalmirSim_SetSignalText");
    locked([&](SimState& s) {
        s.chip.signal().set(parsed.params);
        if (parsed.rpm) s.chip.magnet().run(*parsed.rpm / 60.0);
    });
    return static_cast<int>(parsed.ignored.size());
}

uint32_t TalmirSim_TraceCount(void) {
    return locked([](SimState& s) { return static_cast<uint32_t>(s.trace.count()); });
}

int TalmirSim_TraceGet(uint32_t i, TalmirSimCall* out) {
    if (out == nullptr) return 0;
    return locked([&](SimState& s) { return s.trace.get(i, *out) ? 1 : 0; });
}

void TalmirSim_TraceClear(void) {
    locked([](SimState& s) { s.trace.clear(); });
}

uint8_t TalmirSim_GpioValue(void) {
    return locked([](SimState& s) { return s.channel.gpioValue(); });
}

uint8_t TalmirSim_GpioDir(void) {
    return locked([](SimState& s) { return s.channel.gpioDir(); });
}

int TalmirSim_ChannelOpen(void) {
    return locked([](SimState& s) { return s.channel.ready() ? 1 : 0; });
}

uint32_t TalmirSim_ClockRate(void) {
    return locked([](SimState& s) { return s.channel.clockRate(); });
}

void TalmirSim_Unplug(int unplugged) {
    locked([&](SimState& s) {
        s.unplugged = unplugged != 0;
        if (s.unplugged) s.channel.close();
    });
}

void TalmirSim_SetLatency(uint32_t microseconds) {
    locked([&](SimState& s) { s.wireTime.setLatencyUs(microseconds); });
}

}  // extern "C"
