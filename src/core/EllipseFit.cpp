#include "core/EllipseFit.h"

#include <Eigen/Dense>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "core/AnalysisText.h"

namespace talmir {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = 180.0 / kPi;
constexpr double kMinArcDeg = 90.0;
// An arc short of 90° by less than this is exactly 90° up to rounding.
constexpr double kArcToleranceDeg = 1e-6;
// θ points of the atan2 error over one revolution.
constexpr int kAtanGrid = 16384;
// Buckets of the largest-gap search; see CoveredArc.
constexpr int kGapBuckets = 4096;

const char* const kNoEllipse = "точки не ложатся на эллипс";

// The samples in normalised coordinates u = (x − mx)·k, v = (y − my)·k, where
// (mx, my) is their mean and 1/k their RMS distance from it over √2. The fit
// works on these so that its sums of fourth powers stay near 1 whatever the
// offsets and amplitudes.
struct Normalisation {
    double mx = 0, my = 0, k = 0;
};

template <typename P>
Normalisation Normalise(std::span<const P> xy) {
    Normalisation n;
    for (const P& p : xy) {
        n.mx += static_cast<double>(p.first);
        n.my += static_cast<double>(p.second);
    }
    n.mx /= static_cast<double>(xy.size());
    n.my /= static_cast<double>(xy.size());
    double squares = 0;
    for (const P& p : xy) {
        const double dx = static_cast<double>(p.first) - n.mx;
        const double dy = static_cast<double>(p.second) - n.my;
        squares += dx * dx + dy * dy;
    }
    const double radius = std::sqrt(squares / (2.0 * static_cast<double>(xy.size())));
    n.k = radius > 0 ? 1.0 / radius : 0.0;
    return n;
}

// A u² + B uv + C v² + D u + E v + F = 0.
struct Conic {
    double A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
};

// Halir and Flusser's split of Fitzgibbon's constrained least squares: with
// the design rows D1 = (u², uv, v²) and D2 = (u, v, 1), the linear part
// (D, E, F) = T·(A, B, C) with T = −S3⁻¹·S2ᵀ, and (A, B, C) is the
// eigenvector of C1⁻¹·(S1 + S2·T) with 4AC − B² > 0 (C1 the 3×3 part of the
// constraint matrix). Exact data make S1 + S2·T singular, which this form
// handles, unlike the 6×6 generalised eigenproblem.
template <typename P>
std::optional<Conic> FitConic(std::span<const P> xy, const Normalisation& n) {
    double u4 = 0, u3v = 0, u2v2 = 0, uv3 = 0, v4 = 0;
    double u3 = 0, u2v = 0, uv2 = 0, v3 = 0;
    double u2 = 0, uv = 0, v2 = 0, u1 = 0, v1 = 0;
    for (const P& p : xy) {
        const double u = (static_cast<double>(p.first) - n.mx) * n.k;
        const double v = (static_cast<double>(p.second) - n.my) * n.k;
        const double uu = u * u, uvp = u * v, vv = v * v;
        u4 += uu * uu;
        u3v += uu * uvp;
        u2v2 += uu * vv;
        uv3 += uvp * vv;
        v4 += vv * vv;
        u3 += uu * u;
        u2v += uu * v;
        uv2 += u * vv;
        v3 += vv * v;
        u2 += uu;
        uv += uvp;
        v2 += vv;
        u1 += u;
        v1 += v;
    }
    const double count = static_cast<double>(xy.size());
    Eigen::Matrix3d s1, s2, s3;
    s1 << u4, u3v, u2v2, u3v, u2v2, uv3, u2v2, uv3, v4;
    s2 << u3, u2v, u2, u2v, uv2, uv, uv2, v3, v2;
    s3 << u2, uv, u1, uv, v2, v1, u1, v1, count;

    const Eigen::FullPivLU<Eigen::Matrix3d> lu(s3);
    if (!lu.isInvertible()) return std::nullopt;  // the samples lie on a line
    const Eigen::Matrix3d t = -lu.solve(s2.transpose());
    const Eigen::Matrix3d m = s1 + s2 * t;
    Eigen::Matrix3d reduced;
    reduced.row(0) = m.row(2) / 2.0;
    reduced.row(1) = -m.row(1);
    reduced.row(2) = m.row(0) / 2.0;

    const Eigen::EigenSolver<Eigen::Matrix3d> solver(reduced);
    if (solver.info() != Eigen::Success) return std::nullopt;
    // Exactly one eigenvector is an ellipse in exact arithmetic; should
    // rounding admit more, the one of least residual (eigenvalue) wins.
    int best = -1;
    double bestResidual = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i) {
        const Eigen::Vector3d a = solver.eigenvectors().col(i).real();
        const double residual = std::abs(solver.eigenvalues()[i]);
        if (4.0 * a[0] * a[2] - a[1] * a[1] > 0 && residual < bestResidual) {
            best = i;
            bestResidual = residual;
        }
    }
    if (best < 0) return std::nullopt;
    const Eigen::Vector3d a = solver.eigenvectors().col(best).real();
    const Eigen::Vector3d b = t * a;
    return Conic{a[0], a[1], a[2], b[0], b[1], b[2]};
}

// The model's parameters of a conic, in the conic's coordinates.
struct Model {
    double ox = 0, oy = 0, ax = 0, ay = 0, phi = 0;
};

// Centred on its centre (ox, oy), the conic reads
//   A·dx² + B·dx·dy + C·dy² = G,   G = −(F + (D·ox + E·oy)/2),
// and matching it with the model's dx²/(Ax² cos²φ) + 2 sin φ·dx·dy/(Ax Ay cos²φ)
// + dy²/(Ay² cos²φ) = 1 gives
//   sin φ = B/(2√(AC)),  cos φ = √(4AC − B²)/(2√(AC)),
//   Ax² = 4CG/(4AC − B²),  Ay² = 4AG/(4AC − B²).
std::optional<Model> ModelOf(Conic q) {
    if (q.A + q.C < 0) {
        q = Conic{-q.A, -q.B, -q.C, -q.D, -q.E, -q.F};
    }
    const double det = 4.0 * q.A * q.C - q.B * q.B;
    if (!(det > 0)) return std::nullopt;
    Model m;
    m.ox = (q.B * q.E - 2.0 * q.C * q.D) / det;
    m.oy = (q.B * q.D - 2.0 * q.A * q.E) / det;
    const double g = -(q.F + (q.D * m.ox + q.E * m.oy) / 2.0);
    if (!(g > 0)) return std::nullopt;  // no real points
    m.ax = std::sqrt(4.0 * q.C * g / det);
    m.ay = std::sqrt(4.0 * q.A * g / det);
    m.phi = std::atan2(q.B, std::sqrt(det));
    if (!std::isfinite(m.ox) || !std::isfinite(m.oy) || !std::isfinite(m.ax) ||
        !std::isfinite(m.ay) || !(m.ax > 0) || !(m.ay > 0)) {
        return std::nullopt;
    }
    return m;
}

// A number that grows with the angle atan2(s, c) over [0, 2π), in [0, 4):
// the quadrant plus a fraction of it, with no trigonometry.
double PseudoAngle(double s, double c) {
    if (s >= 0) return c >= 0 ? s / (c + s) : 1.0 - c / (s - c);
    return c < 0 ? 2.0 - s / (-c - s) : 3.0 + c / (c - s);
}

// The angle, radians, of a pseudo-angle.
double AngleOfPseudo(double p) {
    const double quadrant = std::floor(p);
    const double r = p - quadrant;
    return quadrant * (kPi / 2.0) + std::atan2(r, 1.0 - r);
}

// Largest gap between the θ of neighbouring samples by bucketing: buckets
// keep the least and greatest pseudo-angle that falls in them, and the gaps
// between neighbouring non-empty buckets (round the circle) contain the
// largest gap whenever it is wider than one bucket (at most 8/kGapBuckets
// radians, 0.11°), which holds for any arc short of 359.8°.
class GapFinder {
public:
    GapFinder() {
        lo_.fill(kEmpty);
        hi_.fill(-1.0);
    }
    void Add(double pseudo) {
        const int i = std::min(kGapBuckets - 1, static_cast<int>(pseudo * (kGapBuckets / 4.0)));
        lo_[i] = std::min(lo_[i], pseudo);
        hi_[i] = std::max(hi_[i], pseudo);
    }
    // The arc covered, degrees: 360 less the largest gap.
    double ArcDeg() const {
        double first = -1, previous = -1, largest = 0;
        for (int i = 0; i < kGapBuckets; ++i) {
            if (lo_[i] == kEmpty) continue;
            const double lo = AngleOfPseudo(lo_[i]);
            if (first < 0) {
                first = lo;
            } else {
                largest = std::max(largest, lo - previous);
            }
            previous = AngleOfPseudo(hi_[i]);
        }
        if (first < 0) return 0;
        largest = std::max(largest, first + 2.0 * kPi - previous);
        return 360.0 - largest * kDeg;
    }

private:
    static constexpr double kEmpty = 5.0;
    std::array<double, kGapBuckets> lo_, hi_;
};

template <typename P>
EllipseFitResult Fit(std::span<const P> xy) {
    EllipseFitResult result;
    if (xy.size() < kMinAnalysisSamples) {
        result.refusal = TooFewSamplesText(xy.size());
        return result;
    }
    const Normalisation n = Normalise(xy);
    if (!(n.k > 0) || !std::isfinite(n.k) || !std::isfinite(n.mx) || !std::isfinite(n.my)) {
        result.refusal = kNoEllipse;
        return result;
    }
    const std::optional<Conic> conic = FitConic(xy, n);
    const std::optional<Model> model = conic ? ModelOf(*conic) : std::nullopt;
    if (!model) {
        result.refusal = kNoEllipse;
        return result;
    }
    const Conic& q = *conic;
    const Model& m = *model;

    // Sampson distances and each sample's θ: with p = sin θ and
    // r = cos(θ + φ) read off the normalised model, cos θ = (r + p sin φ)/cos φ.
    const double sinPhi = std::sin(m.phi), cosPhi = std::cos(m.phi);
    GapFinder gaps;
    double squares = 0;
    for (const P& point : xy) {
        const double u = (static_cast<double>(point.first) - n.mx) * n.k;
        const double v = (static_cast<double>(point.second) - n.my) * n.k;
        const double value = q.A * u * u + q.B * u * v + q.C * v * v + q.D * u + q.E * v + q.F;
        const double gu = 2.0 * q.A * u + q.B * v + q.D;
        const double gv = q.B * u + 2.0 * q.C * v + q.E;
        const double gradient = gu * gu + gv * gv;
        if (gradient > 0) squares += value * value / gradient;
        const double p = (u - m.ox) / m.ax;
        const double r = (v - m.oy) / m.ay;
        const double c = (r + p * sinPhi) / cosPhi;
        if (p != 0 || c != 0) gaps.Add(PseudoAngle(p, c));
    }
    const double arc = gaps.ArcDeg();
    if (arc < kMinArcDeg - kArcToleranceDeg) {
        // Shown no higher than 89.9 so that it never reads as the limit.
        result.refusal = "дуга " + DecimalText(std::min(arc, 89.9), 1) + "° меньше 90°";
        return result;
    }

    EllipseFit fit;
    fit.Samples = xy.size();
    fit.OffsetX = n.mx + m.ox / n.k;
    fit.OffsetY = n.my + m.oy / n.k;
    fit.AmplitudeX = m.ax / n.k;
    fit.AmplitudeY = m.ay / n.k;
    fit.MismatchPercent = (fit.AmplitudeX / fit.AmplitudeY - 1.0) * 100.0;
    fit.PhaseDeg = m.phi * kDeg;
    fit.NoiseLsb = std::sqrt(squares / static_cast<double>(xy.size())) / n.k;
    fit.ArcDeg = std::min(arc, 360.0);

    double peak = 0, errorSquares = 0;
    for (int j = 0; j < kAtanGrid; ++j) {
        const double theta = 2.0 * kPi * j / kAtanGrid;
        const double x = fit.OffsetX + fit.AmplitudeX * std::sin(theta);
        const double y = fit.OffsetY + fit.AmplitudeY * std::cos(theta + m.phi);
        const double error = std::remainder(std::atan2(x, y) - theta, 2.0 * kPi);
        peak = std::max(peak, std::abs(error));
        errorSquares += error * error;
    }
    fit.AtanPeakErrorDeg = peak * kDeg;
    fit.AtanRmsErrorDeg = std::sqrt(errorSquares / kAtanGrid) * kDeg;
    result.fit = fit;
    return result;
}

}  // namespace

EllipseFitResult FitEllipse(std::span<const std::pair<int32_t, int32_t>> xy) {
    return Fit(xy);
}

EllipseFitResult FitEllipse(std::span<const std::pair<double, double>> xy) {
    return Fit(xy);
}

}  // namespace talmir
