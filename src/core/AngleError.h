#pragma once
// Angle error of a run at steady speed: the chip's angle against a straight
// line over the sample number, its harmonics over the angle, and the chip's
// angle against atan2 of its own sine/cosine channels.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace talmir {

struct AngleSample {
    uint16_t code = 0;  // chip angle, 0..65535 = 0..360°
    int32_t x = 0;      // sine channel
    int32_t y = 0;      // cosine channel
};

struct AngleErrorAnalysis {
    size_t Samples = 0;
    double Revolutions = 0;               // covered by the line, first to last sample
    double DegPerSample = 0;              // slope of the line, negative when turning backwards
    double RmsErrorDeg = 0;               // error = unwrapped angle − line
    double PeakErrorDeg = 0;              // largest magnitude of the error
    std::array<double, 8> HarmonicDeg{};  // [k − 1]: amplitude of harmonic k over the angle
    // The chip's angle less atan2(X, Y): its mean (in (−180°, 180°]) and the
    // RMS about that mean.
    double ConverterOffsetDeg = 0;
    double ConverterRmsDeg = 0;
};

struct AngleErrorResult {
    std::optional<AngleErrorAnalysis> analysis;  // empty when refused
    std::string refusal;                         // why not, in Russian, when refused
};

// Unwraps the angle (successive samples less than half a turn apart) and
// takes the error against a straight line over the sample number, as a
// function of the line's angle. The harmonics come from the error over whole
// revolutions from the first sample: averaged into 4096 cells of one
// revolution by the line's angle (cells no sample reached take the value
// interpolated between their populated neighbours), then a KISS FFT of the
// cells; amplitude of harmonic k = 2·|bin k|/4096. A periodic error over a
// few turns tilts a plain least-squares line and so hides part of itself; the
// line is therefore the least-squares line of the angle less its harmonics
// 1..8, solved together with them (exactly, both being linear in the line).
// Over many whole turns it is the plain least-squares line.
// Refuses fewer than 50 samples and less than one revolution.
AngleErrorResult AnalyseAngleError(std::span<const AngleSample> samples);

}  // namespace talmir
