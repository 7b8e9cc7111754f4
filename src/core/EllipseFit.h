#pragma once
// Ellipse fit of the sine/cosine channels. The channels are modelled as
//   X = Ox + Ax·sin θ,   Y = Oy + Ay·cos(θ + φ)
// (X the sine channel, Y the cosine channel, Ax, Ay > 0, |φ| < 90°), which
// traces the conic
//   u² + 2·sin φ·u·v + v² = cos² φ,   u = (X − Ox)/Ax,  v = (Y − Oy)/Ay.
// A conic cannot tell φ from 180° − φ (the same ellipse run the other way
// round), so the phase error is always the one of smaller magnitude.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace talmir {

struct EllipseFit {
    double OffsetX = 0, OffsetY = 0;        // Ox, Oy, LSB
    double AmplitudeX = 0, AmplitudeY = 0;  // Ax, Ay, LSB
    double MismatchPercent = 0;             // (Ax/Ay − 1)·100
    double PhaseDeg = 0;                    // φ
    // RMS distance of the samples from the fitted ellipse, LSB: the Sampson
    // distance |F|/|∇F| of the conic F, the geometric distance to first order
    // in the noise (for noise of a few LSB on amplitudes of thousands the
    // two agree to well under 0.1 %).
    double NoiseLsb = 0;
    // Error of atan2(X, Y) on the uncorrected channels against θ of the fitted
    // model, over θ on a uniform grid of one revolution (16384 points), so it
    // describes the whole ellipse whatever arc the samples cover. It includes
    // the constant part (φ/2 for a small phase error alone).
    double AtanPeakErrorDeg = 0;  // largest magnitude
    double AtanRmsErrorDeg = 0;
    // Arc of the ellipse the samples cover, seen from the fitted centre with
    // the ellipse mapped onto a circle (θ of each sample): 360° less the
    // largest gap between neighbouring samples.
    double ArcDeg = 0;
    size_t Samples = 0;
};

struct EllipseFitResult {
    std::optional<EllipseFit> fit;  // empty when refused
    std::string refusal;            // why not, in Russian, when refused
};

// Direct least-squares ellipse fit (Fitzgibbon, in Halir and Flusser's
// numerically stable form) over all samples, the samples first centred on
// their mean and scaled to unit RMS radius. Refuses fewer than 50 samples,
// samples that do not determine an ellipse, and an arc under 90°.
EllipseFitResult FitEllipse(std::span<const std::pair<int32_t, int32_t>> xy);
EllipseFitResult FitEllipse(std::span<const std::pair<double, double>> xy);

}  // namespace talmir
