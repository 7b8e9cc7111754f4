#pragma once
// Reading the data files the XY page and the work-data page write, for the
// calibration analyses run on a finished record: the whole file read at once,
// its lines parsed into samples, and the analyses' results as "key=value"
// lines with a decimal point whatever the process locale.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AngleError.h"
#include "core/EllipseFit.h"

namespace talmir {

// A data file is read whole, then held as samples beside its text. 512 MiB
// is about 23 million work-data lines of 23 bytes (over six hours at 1 kHz),
// under 0.8 GB in memory with the samples; a longer file is refused.
inline constexpr std::size_t kMaxAnalysisFileBytes = std::size_t{512} << 20;

// The whole file, or none with `error` set to the reason in Russian, naming
// the file (a file over kMaxAnalysisFileBytes says so).
std::optional<std::string> ReadAnalysisFile(const std::filesystem::path& path, std::string& error);

// Samples parsed from a file's text, or the first line that does not parse:
// `error` then names it by its 1-based number and quotes its start.
template <typename Sample>
struct ParsedSamples {
    std::vector<Sample> samples;
    std::string error;  // empty when every line parsed
};

// XY data: an optional header "X;Y" on the first line, then "x;y;" lines
// (the last ";" may be missing) in signed decimal. Lines end in CR LF or LF;
// blank lines are skipped.
ParsedSamples<std::pair<int32_t, int32_t>> ParseXYText(std::string_view text);

// Work data: an optional header "Angle;Anplitude;X;Y;" on the first line,
// then "AAAA;amplitude;x;y;" lines: the angle in 1 to 4 hexadecimal digits,
// the amplitude unsigned decimal up to 65535, X and Y signed decimal. Line
// ends and blank lines as for XY data.
ParsedSamples<AngleSample> ParseWorkDataText(std::string_view text);

// True for a capture file: its first line starts with "t_us;".
bool IsCaptureText(std::string_view text);

// A capture's angle on its equal time steps: the file read as the review
// window reads it (a line not in the capture's exact form refuses the file),
// the angle column placed on the grid of the usual time step, a step no
// sample landed on interpolated between its neighbours. No X/Y channels.
struct CaptureAngle {
    std::vector<AngleSample> samples;  // one per time step
    int64_t stepUs = 0;                // the usual time step
    int64_t filledSteps = 0;           // steps without a sample
    std::string error;                 // the first bad line by its 1-based number, or why no angle
};
CaptureAngle ParseCaptureAngleText(std::string_view text);

// One "key=value" line each, in a fixed order, the counts as integers and
// every other value with 6 decimals.
std::string EllipseFitReport(const EllipseFit& fit);
std::string AngleErrorReport(const AngleErrorAnalysis& analysis);
// A capture's: the lines of AngleErrorReport but the converter's (a capture
// has no channels), then "step_us", "rpm" (the line's speed) and
// "filled_steps".
std::string CaptureAngleErrorReport(const AngleErrorAnalysis& analysis,
                                    const CaptureAngle& capture);

}  // namespace talmir
