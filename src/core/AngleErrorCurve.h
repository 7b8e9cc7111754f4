#pragma once
// The angle error of a run at steady speed as a curve over one revolution,
// for plotting: each sample's unwrapped angle less a straight line over the
// sample number, averaged into equal cells of the line's angle.

#include <cstddef>
#include <span>
#include <vector>

#include "core/AngleError.h"

namespace talmir {

struct AngleErrorCurve {
    // Centres of the cells that hold at least one sample, ascending in
    // [0°, 360°), and the mean error of their samples in degrees.
    std::vector<double> AngleDeg;
    std::vector<double> ErrorDeg;
};

// The line has the slope `degPerSample` (AngleErrorAnalysis::DegPerSample)
// and the intercept that leaves the error a mean of zero. The angle unwraps
// as in AnalyseAngleError. `cells` > 0; no samples give an empty curve.
AngleErrorCurve AngleErrorOverAngle(std::span<const AngleSample> samples, double degPerSample,
                                    std::size_t cells = 720);

}  // namespace talmir
