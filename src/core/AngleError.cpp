#include "core/AngleError.h"

#include <kissfft.hh>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "core/AnalysisText.h"

namespace talmir {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kCountsPerTurn = 65536.0;
constexpr double kDegPerCount = 360.0 / kCountsPerTurn;
constexpr int kCells = 4096;
constexpr int kHarmonics = 8;

// value(i) = at + slope·(i − mid), in counts.
struct Line {
    double mid = 0, at = 0, slope = 0;
    double operator()(size_t i) const { return at + slope * (static_cast<double>(i) - mid); }
};

// Least-squares line through (i, y(i)), i = 0..n − 1.
template <typename F>
Line FitLine(size_t n, F y) {
    Line line;
    line.mid = (static_cast<double>(n) - 1.0) / 2.0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) sum += y(i);
    line.at = sum / static_cast<double>(n);
    double sxy = 0;
    for (size_t i = 0; i < n; ++i) sxy += (static_cast<double>(i) - line.mid) * (y(i) - line.at);
    const double nd = static_cast<double>(n);
    line.slope = sxy / (nd * (nd * nd - 1.0) / 12.0);
    return line;
}

// Cell of one revolution that an angle in counts (any number of turns) falls in.
int CellOf(double counts) {
    const double turns = counts / kCountsPerTurn;
    const double fraction = turns - std::floor(turns);
    return std::min(kCells - 1, static_cast<int>(fraction * kCells));
}

// Each sample's cell by a line's angle, and how many samples from the first
// span whole revolutions of that line (the line is monotonic, so they are a
// prefix).
struct Cells {
    std::vector<int> of;
    size_t whole = 0;
};

Cells AssignCells(const Line& line, double start, size_t n) {
    Cells cells;
    cells.of.resize(n);
    const double step = std::abs(line.slope);
    // At least one turn: the solved line may fall a hair short of the one
    // turn the plain line had to cover.
    const double span =
        std::max(1.0, std::floor(step * static_cast<double>(n - 1) / kCountsPerTurn)) *
        kCountsPerTurn;
    for (size_t i = 0; i < n; ++i) {
        cells.of[i] = CellOf(start + line(i));
        if (step * static_cast<double>(i) < span) cells.whole = i + 1;
    }
    return cells;
}

// Bins 0..8 of one revolution's spectrum.
using Bins = std::array<std::complex<double>, kHarmonics + 1>;

// The spectrum of y(i) over the whole revolutions, by cells: the mean of the
// samples in each cell, cells no sample reached interpolated linearly (round
// the circle) between the nearest populated ones, then the FFT of the cells.
class CellSpectrum {
public:
    CellSpectrum() : fft_(kCells, false), in_(kCells), out_(kCells), sum_(kCells), count_(kCells) {}

    template <typename F>
    Bins operator()(const Cells& cells, F y) {
        std::fill(sum_.begin(), sum_.end(), 0.0);
        std::fill(count_.begin(), count_.end(), 0);
        for (size_t i = 0; i < cells.whole; ++i) {
            sum_[cells.of[i]] += y(i);
            ++count_[cells.of[i]];
        }
        int first = -1;
        for (int j = 0; j < kCells; ++j) {
            if (count_[j] == 0) continue;
            sum_[j] /= count_[j];
            if (first < 0) first = j;
        }
        int previous = first;
        for (int step = 1; first >= 0 && step <= kCells; ++step) {
            const int j = (first + step) % kCells;
            if (count_[j] == 0) continue;
            int gap = (j - previous + kCells) % kCells;
            if (gap == 0) gap = kCells;  // a single populated cell
            for (int g = 1; g < gap; ++g) {
                const double t = static_cast<double>(g) / gap;
                sum_[(previous + g) % kCells] = (1.0 - t) * sum_[previous] + t * sum_[j];
            }
            previous = j;
        }
        for (int j = 0; j < kCells; ++j) in_[j] = sum_[j];
        fft_.transform(in_.data(), out_.data());
        Bins bins;
        std::copy(out_.begin(), out_.begin() + bins.size(), bins.begin());
        return bins;
    }

private:
    kissfft<double> fft_;
    std::vector<std::complex<double>> in_, out_;
    std::vector<double> sum_;
    std::vector<int> count_;
};

// Harmonics 1..8 of `bins` at each cell.
std::vector<double> Periodic(const Bins& bins) {
    std::vector<double> table(kCells);
    for (int j = 0; j < kCells; ++j) {
        double sum = 0;
        for (int k = 1; k <= kHarmonics; ++k) {
            sum += (bins[k] * std::polar(1.0, 2.0 * kPi * k * j / kCells)).real();
        }
        table[j] = 2.0 * sum / kCells;
    }
    return table;
}

// `x` in (−π, π]; for |x| within a few turns, faster than std::remainder.
double WrapAngle(double x) {
    while (x > kPi) x -= 2.0 * kPi;
    while (x <= -kPi) x += 2.0 * kPi;
    return x;
}

// The converter's own error: chip angle less atan2(X, Y), each taken relative
// to the first sample's so that the mean does not straddle ±180°.
void ConverterError(std::span<const AngleSample> samples, AngleErrorAnalysis& a) {
    double reference = 0, sum = 0, squares = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const AngleSample& s = samples[i];
        const double chip = s.code * (2.0 * kPi / kCountsPerTurn);
        const double difference =
            WrapAngle(chip - std::atan2(static_cast<double>(s.x), static_cast<double>(s.y)));
        if (i == 0) reference = difference;
        const double d = WrapAngle(difference - reference);
        sum += d;
        squares += d * d;
    }
    const double n = static_cast<double>(samples.size());
    const double mean = sum / n;
    a.ConverterOffsetDeg = WrapAngle(reference + mean) * (180.0 / kPi);
    a.ConverterRmsDeg = std::sqrt(std::max(0.0, squares / n - mean * mean)) * (180.0 / kPi);
}

}  // namespace

AngleErrorResult AnalyseAngleError(std::span<const AngleSample> samples) {
    AngleErrorResult result;
    const size_t n = samples.size();
    if (n < kMinAnalysisSamples) {
        result.refusal = TooFewSamplesText(n);
        return result;
    }

    // Unwrapped angle, counts from the first sample: each step is the
    // difference of successive codes taken as a signed 16-bit number.
    std::vector<double> u(n);
    int64_t total = 0;
    for (size_t i = 1; i < n; ++i) {
        total += static_cast<int16_t>(static_cast<uint16_t>(samples[i].code - samples[i - 1].code));
        u[i] = static_cast<double>(total);
    }
    const double start = samples[0].code;

    Line line = FitLine(n, [&](size_t i) { return u[i]; });
    const double revolutions = std::abs(line.slope) * static_cast<double>(n - 1) / kCountsPerTurn;
    if (revolutions < 1.0) {
        result.refusal =
            "пройдено меньше одного оборота: " + DecimalText(std::min(revolutions, 0.99), 2);
        return result;
    }

    // The line of the angle less its periodic part P(u − line). With the
    // cells fixed, P is linear and takes nothing from a constant, so
    // P(u − a − b·r) = P(u) − b·P(r) with r = i − mid, and the line
    // LS(u − P(u)) + b·LS(P(r)) = (a0, b0) + b·(a1, b1) has the slope
    // b = b0/(1 − b1). The second round places the cells by the new line.
    CellSpectrum spectrum;
    for (int round = 0; round < 2; ++round) {
        const Cells cells = AssignCells(line, start, n);
        const double mid = line.mid;
        const std::vector<double> pu = Periodic(spectrum(cells, [&](size_t i) { return u[i]; }));
        const std::vector<double> pr =
            Periodic(spectrum(cells, [&](size_t i) { return static_cast<double>(i) - mid; }));
        const Line l0 = FitLine(n, [&](size_t i) { return u[i] - pu[cells.of[i]]; });
        const Line l1 = FitLine(n, [&](size_t i) { return pr[cells.of[i]]; });
        line.slope = l0.slope / (1.0 - l1.slope);
        line.at = l0.at + line.slope * l1.at;
    }

    AngleErrorAnalysis a;
    a.Samples = n;
    a.DegPerSample = line.slope * kDegPerCount;
    a.Revolutions = std::abs(line.slope) * static_cast<double>(n - 1) / kCountsPerTurn;
    double squares = 0, peak = 0;
    for (size_t i = 0; i < n; ++i) {
        const double error = u[i] - line(i);
        squares += error * error;
        peak = std::max(peak, std::abs(error));
    }
    a.RmsErrorDeg = std::sqrt(squares / static_cast<double>(n)) * kDegPerCount;
    a.PeakErrorDeg = peak * kDegPerCount;
    const Bins bins =
        spectrum(AssignCells(line, start, n), [&](size_t i) { return u[i] - line(i); });
    for (int k = 1; k <= kHarmonics; ++k) {
        a.HarmonicDeg[k - 1] = 2.0 * std::abs(bins[k]) / kCells * kDegPerCount;
    }

    ConverterError(samples, a);
    result.analysis = a;
    return result;
}

}  // namespace talmir
