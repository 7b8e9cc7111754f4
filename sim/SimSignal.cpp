#include "SimSignal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace talmirsim {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr uint64_t kNoiseSeed = 0x5EED20240601ull;

struct Key {
    std::string_view name;
    double SimSignal::Params::*field;
};

constexpr Key kKeys[] = {
    {"offset_x", &SimSignal::Params::offsetX},   {"offset_y", &SimSignal::Params::offsetY},
    {"amp_x", &SimSignal::Params::amplitudeX},   {"amp_y", &SimSignal::Params::amplitudeY},
    {"phase_deg", &SimSignal::Params::phaseDeg}, {"h3", &SimSignal::Params::h3Percent},
    {"noise", &SimSignal::Params::noiseLsb},
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A whole decimal number (an optional leading '+' allowed), finite.
bool parseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

uint64_t splitmix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

SimSignal::Parsed SimSignal::parse(std::string_view text) {
    Parsed parsed;
    std::size_t at = 0;
    while (at < text.size()) {
        if (isSpace(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !isSpace(text[end])) ++end;
        const std::string_view item = text.substr(at, end - at);
        at = end;

        const std::size_t eq = item.find('=');
        const std::string_view name = item.substr(0, eq);
        if (name == "rpm" && eq != std::string_view::npos) {
            double rpm = 0;
            if (!parseNumber(item.substr(eq + 1), rpm))
                parsed.ignored.push_back("not a number in \"" + std::string(item) + "\"");
            else if (!(std::abs(rpm) <= kMaxRpm))
                parsed.ignored.push_back("\"" + std::string(item) +
                                         "\": rpm must lie in [-1000000, 1000000]");
            else
                parsed.rpm = rpm;
            continue;
        }
        const Key* key = nullptr;
        for (const Key& k : kKeys) {
            if (k.name == name) key = &k;
        }
        if (eq == std::string_view::npos || key == nullptr) {
            parsed.ignored.push_back("unknown item \"" + std::string(item) + "\"");
            continue;
        }
        Params next = parsed.params;
        if (!parseNumber(item.substr(eq + 1), next.*(key->field))) {
            parsed.ignored.push_back("not a number in \"" + std::string(item) + "\"");
            continue;
        }
        if (const std::string why = problem(next); !why.empty()) {
            parsed.ignored.push_back("\"" + std::string(item) + "\": " + why);
            continue;
        }
        parsed.params = next;
    }
    return parsed;
}

std::string SimSignal::problem(const Params& p) {
    for (const Key& k : kKeys) {
        if (!std::isfinite(p.*(k.field))) return std::string(k.name) + " is not finite";
    }
    if (!(p.amplitudeX > 0 && p.amplitudeX <= 32767 && p.amplitudeY > 0 && p.amplitudeY <= 32767))
        return "amplitudes must lie in (0, 32767]";
    if (!(std::abs(p.phaseDeg) < 90)) return "phase_deg must lie in (-90, 90)";
    if (!(std::abs(p.h3Percent) <= 50)) return "h3 must lie in [-50, 50]";
    if (!(p.noiseLsb >= 0 && p.noiseLsb <= 1000)) return "noise must lie in [0, 1000]";
    return {};
}

void SimSignal::report(const Parsed& parsed, const char* source) {
    for (const std::string& message : parsed.ignored) {
        std::fprintf(stderr, "%s: %s ignored\n", source, message.c_str());
    }
}

SimSignal::Parsed SimSignal::environment() {
    const char* text = std::getenv("TALMIR_SIM_SIGNAL");
    if (text == nullptr) return {};
    const Parsed parsed = parse(text);
    report(parsed, "TALMIR_SIM_SIGNAL");
    return parsed;
}

bool SimSignal::set(const Params& p) {
    if (!problem(p).empty()) return false;
    params_ = p;
    state_ = kNoiseSeed;
    return true;
}

SimSignal::Channels SimSignal::channels(double theta) {
    const Params& p = params_;
    const double h = p.h3Percent / 100.0;
    const double psi = theta + p.phaseDeg * (kPi / 180.0);
    Channels c;
    c.x = p.offsetX + p.amplitudeX * (std::sin(theta) + h * std::sin(3.0 * theta));
    c.y = p.offsetY + p.amplitudeY * (std::cos(psi) - h * std::cos(3.0 * psi));
    if (p.noiseLsb > 0) {
        c.x += p.noiseLsb * gaussian();
        c.y += p.noiseLsb * gaussian();
    }
    return c;
}

uint16_t SimSignal::converterAngle(int sine, int cosine) {
    const double turns = std::atan2(static_cast<double>(sine), static_cast<double>(cosine)) /
                         (2.0 * kPi);  // in (−1/2, 1/2]
    return static_cast<uint16_t>(std::lround(turns * 65536.0) & 0xFFFF);
}

// Box–Muller on two uniform values in (0, 1].
double SimSignal::gaussian() {
    const double u1 = (static_cast<double>(splitmix(state_) >> 11) + 1.0) * 0x1.0p-53;
    const double u2 = static_cast<double>(splitmix(state_) >> 11) * 0x1.0p-53;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

}  // namespace talmirsim
