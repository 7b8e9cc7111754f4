#include "SimLiveValues.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace talmirsim {

namespace {

int16_t clampToInt16(double v) {
    return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

uint16_t twosComplement(int v) {
    return static_cast<uint16_t>(std::clamp(v, -32768, 32767) & 0xFFFF);
}

uint16_t aroundMidpoint(int v) {
    return static_cast<uint16_t>(std::clamp(v + SimLiveValues::kChannelMidpoint, 0, 65535));
}

}  // namespace

LiveSample SimLiveValues::sample(const SimMagnet& magnet, SimNoise& noise, SimSignal& signal,
                                 SimMagnet::Clock::time_point at) {
    LiveSample s;
    const uint16_t trueAngle = magnet.angleAt(at);
    const double phase = 2.0 * std::numbers::pi * trueAngle / 65536.0;
    s.turns = magnet.turnsAt(at);
    if (signal.ideal()) {
        s.angle = static_cast<uint16_t>(trueAngle + noise.next());
        s.sine = static_cast<int>(std::lround(kAmplitude * std::sin(phase))) + noise.next();
        s.cosine = static_cast<int>(std::lround(kAmplitude * std::cos(phase))) + noise.next();
        s.amplitude = static_cast<uint16_t>(kAmplitude + noise.next());
    } else {
        const SimSignal::Channels c = signal.channels(phase);
        s.sine = static_cast<int>(std::lround(c.x)) + noise.next();
        s.cosine = static_cast<int>(std::lround(c.y)) + noise.next();
        s.angle = SimSignal::converterAngle(s.sine, s.cosine);
        // The turn count follows the converter's angle across zero.
        const int16_t lead = static_cast<int16_t>(static_cast<uint16_t>(s.angle - trueAngle));
        const int64_t unwrapped = s.turns * 65536 + trueAngle + lead;
        s.turns = unwrapped >= 0 ? unwrapped / 65536 : -((-unwrapped + 65535) / 65536);
        s.amplitude = static_cast<uint16_t>(
            std::clamp(std::lround(std::hypot(s.sine, s.cosine)) + noise.next(), 0L, 65535L));
    }
    const double countsPer10ms = magnet.speed() * 65536.0 / 100.0;
    s.velocity = clampToInt16(countsPer10ms + (magnet.frozen() ? 0 : noise.next()));
    return s;
}

std::optional<uint16_t> SimLiveValues::registerValue(uint8_t addr, const LiveSample& s) {
    switch (addr) {
        case 34:
            return aroundMidpoint(s.cosine);
        case 35:
            return aroundMidpoint(s.sine);
        case 36:
            return static_cast<uint16_t>((s.angle >> 3) & 0x1FFF);  // 13-bit CORDIC angle
        case 37:
            return s.angle;
        case 38:
            return s.amplitude;
        case 39:
            return static_cast<uint16_t>(s.velocity);
        case 40:
            return twosComplement(s.sine);
        case 41:
            return twosComplement(s.cosine);
        default:
            return std::nullopt;
    }
}

}  // namespace talmirsim
