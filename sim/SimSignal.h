// The chip's sine/cosine channels as its sensor produces them, with the
// imperfections of a real one, and the angle its converter takes from them.
//
//   X = Ox + Ax·(sin θ + h·sin 3θ) + n,   Y = Oy + Ay·(cos ψ − h·cos 3ψ) + n,   ψ = θ + φ
//
// X is the sine channel, Y the cosine channel, θ the magnet's angle and φ the
// phase error. h = h3 / 100 is the third-harmonic distortion, h3 given in
// percent of each channel's amplitude; h > 0 compresses each channel at its
// peaks as a saturating sensor does (s − k·s³ has a third harmonic of this
// sign), which makes an angle error mainly at four times the angle, of about
// h radians. n is Gaussian noise of standard deviation `noise` LSB, drawn
// anew for each channel of each sample from a seeded generator, so a setting
// always gives the same sequence.
//
// The ideal setting (no offset, amplitudes kIdealAmplitude, no phase error,
// distortion or noise) leaves the chip as it always was: exact channels and
// the magnet's own angle. Any other setting makes the converter's angle
// atan2(X, Y) of the channels it delivers, so the imperfections show in it.
//
// Text form, as in TALMIR_SIM_SIGNAL: items "key=value" separated by spaces,
// keys offset_x, offset_y, amp_x, amp_y (LSB), phase_deg (degrees), h3
// (percent), noise (LSB), and rpm, the magnet's speed (turns per minute,
// negative backwards; not a property of the channels, carried beside them),
// e.g.
//   offset_x=300 offset_y=-200 amp_x=20000 amp_y=19000 phase_deg=2 h3=0.5 noise=3 rpm=6000
// Keys not given keep the ideal value. An unknown key, a value that is not a
// number or a value out of range (amplitudes in (0, 32767], |phase_deg| < 90,
// |h3| ≤ 50, noise in [0, 1000], |rpm| ≤ 10^6) is ignored with a message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talmirsim {

class SimSignal {
public:
    static constexpr double kIdealAmplitude = 20000;

    struct Params {
        double offsetX = 0, offsetY = 0;  // LSB
        double amplitudeX = kIdealAmplitude, amplitudeY = kIdealAmplitude;
        double phaseDeg = 0;
        double h3Percent = 0;
        double noiseLsb = 0;  // standard deviation
        bool operator==(const Params&) const = default;
    };

    static constexpr double kMaxRpm = 1e6;

    struct Parsed {
        Params params;
        std::optional<double> rpm;         // when the text sets the speed
        std::vector<std::string> ignored;  // one message per ignored item
    };

    // Items of `text` applied to the ideal setting.
    static Parsed parse(std::string_view text);
    // Why the setting cannot be used; empty when it can.
    static std::string problem(const Params& p);
    // Each ignored item of `parsed` on standard error, after `source`.
    static void report(const Parsed& parsed, const char* source);
    // The setting of TALMIR_SIM_SIGNAL, ideal when unset; ignored items are
    // reported.
    static Parsed environment();

    // Takes the setting when it has no problem (and restarts the noise
    // sequence); returns whether it did.
    bool set(const Params& p);
    const Params& params() const { return params_; }
    bool ideal() const { return params_ == Params{}; }

    struct Channels {
        double x = 0, y = 0;
    };
    // The channels at the magnet's angle `theta` (radians), noise included.
    Channels channels(double theta);
    // The converter's 16-bit angle of the channels it delivers: atan2(X, Y).
    static uint16_t converterAngle(int sine, int cosine);

private:
    double gaussian();

    Params params_;
    uint64_t state_ = 0;
};

}  // namespace talmirsim
