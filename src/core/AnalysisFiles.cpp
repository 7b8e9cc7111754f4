#include "core/AnalysisFiles.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "core/Files.h"
#include "core/ReviewReader.h"
#include "core/ReviewSamples.h"
#include "core/SampleLines.h"

namespace talmir {

namespace {

// Longest part of a bad line quoted in an error, in bytes.
constexpr std::size_t kQuotedBytes = 40;

// The start of `line` for a message: at most kQuotedBytes, cut before a
// UTF-8 continuation byte, and "…" when something was left off.
std::string Quote(std::string_view line) {
    if (line.size() <= kQuotedBytes) return "«" + std::string(line) + "»";
    std::size_t end = kQuotedBytes;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return "«" + std::string(line.substr(0, end)) + "…»";
}

// Takes the next ";"-separated field off the front of `rest`; the last
// field of a line need not end in ";".
std::string_view NextField(std::string_view& rest) {
    const std::size_t semicolon = rest.find(';');
    const std::string_view field = rest.substr(0, semicolon);
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    return field;
}

template <typename T>
std::optional<T> Number(std::string_view field, int base = 10) {
    T value{};
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value, base);
    if (field.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// Splits `text` into lines (CR LF or LF), skips blank ones and a first line
// equal to `header`, and hands the others to `parse`, which returns false for
// a line it cannot take; parsing stops there with the line's number.
template <typename Sample, typename Parse>
ParsedSamples<Sample> ParseLines(std::string_view text, std::string_view header,
                                 const char* expected, Parse parse) {
    ParsedSamples<Sample> result;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (number == 1 && line == header) continue;
        if (!parse(line, result.samples)) {
            result.samples.clear();
            result.error = "строка " + std::to_string(number) + ": " + Quote(line) +
                           " не разобрана, ожидается " + expected;
            return result;
        }
    }
    return result;
}

// Line `number` (1-based) of `text`, without its line end.
std::string_view LineAt(std::string_view text, int64_t number) {
    for (; number > 1 && !text.empty(); --number) {
        const std::size_t newline = text.find('\n');
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    }
    std::string_view line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string Decimal(double value) {
    // A value that rounds to zero prints as "0.000000", never "-0.000000".
    if (std::abs(value) < 5e-7) value = 0;
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6).ptr;
    return std::string(buffer, end);
}

void Put(std::string& out, const char* key, double value) {
    out += key;
    out += '=';
    out += Decimal(value);
    out += '\n';
}

void Put(std::string& out, const char* key, std::size_t count) {
    out += key;
    out += '=';
    out += std::to_string(count);
    out += '\n';
}

}  // namespace

std::optional<std::string> ReadAnalysisFile(const std::filesystem::path& path, std::string& error) {
    int err = 0;
    auto bytes = ReadFileBytes(path, &err, kMaxAnalysisFileBytes);
    if (!bytes) {
        error = "не удалось прочитать файл «" + PathText(path) +
                "»: " + (err == EFBIG ? std::string("файл длиннее 512 МиБ") : std::strerror(err));
    }
    return bytes;
}

ParsedSamples<std::pair<int32_t, int32_t>> ParseXYText(std::string_view text) {
    return ParseLines<std::pair<int32_t, int32_t>>(
        text, XYHeader(), "«X;Y;» (два целых числа)", [](std::string_view line, auto& samples) {
            const auto x = Number<int32_t>(NextField(line));
            const auto y = Number<int32_t>(NextField(line));
            if (!x || !y || !line.empty()) return false;
            samples.emplace_back(*x, *y);
            return true;
        });
}

ParsedSamples<AngleSample> ParseWorkDataText(std::string_view text) {
    return ParseLines<AngleSample>(
        text, WorkDataHeader(), "«угол;амплитуда;X;Y;» (угол в 4 шестнадцатеричных цифрах)",
        [](std::string_view line, auto& samples) {
            const std::string_view angleField = NextField(line);
            const auto angle =
                angleField.size() <= 4 ? Number<uint16_t>(angleField, 16) : std::nullopt;
            const auto amplitude = Number<uint16_t>(NextField(line));
            const auto x = Number<int32_t>(NextField(line));
            const auto y = Number<int32_t>(NextField(line));
            if (!angle || !amplitude || !x || !y || !line.empty()) return false;
            samples.push_back({*angle, *x, *y});
            return true;
        });
}

std::string EllipseFitReport(const EllipseFit& fit) {
    std::string out;
    Put(out, "points", fit.Samples);
    Put(out, "offset_x", fit.OffsetX);
    Put(out, "offset_y", fit.OffsetY);
    Put(out, "amplitude_x", fit.AmplitudeX);
    Put(out, "amplitude_y", fit.AmplitudeY);
    Put(out, "mismatch_percent", fit.MismatchPercent);
    Put(out, "phase_deg", fit.PhaseDeg);
    Put(out, "noise_lsb", fit.NoiseLsb);
    Put(out, "peak_angle_error_deg", fit.AtanPeakErrorDeg);
    Put(out, "rms_angle_error_deg", fit.AtanRmsErrorDeg);
    return out;
}

bool IsCaptureText(std::string_view text) {
    return text.starts_with("t_us;");
}

CaptureAngle ParseCaptureAngleText(std::string_view text) {
    CaptureAngle out;
    ReviewReader reader;
    reader.Feed(text);
    reader.Finish();
    if (!reader.Error().empty()) {
        out.error = reader.Error();
        return out;
    }
    const ReviewRecord& record = *reader.Record();
    if (!record.FirstBadLines().empty()) {
        const ReviewBadLine& bad = record.FirstBadLines().front();
        out.error = "строка " + std::to_string(bad.number) + ": " +
                    Quote(LineAt(text, bad.number)) + " не разобрана: " + bad.reason;
        return out;
    }
    // Too few samples for a time step: the analysis refuses them by their count.
    if (record.Count() < 2) return out;
    if (record.Count() > kMostAngleSamples) {
        out.error = "в захвате больше " + std::to_string(kMostAngleSamples) + " отсчётов";
        return out;
    }
    ReviewAngleSamples angle = AngleSamplesOf(record, 0, record.Count() - 1);
    if (!angle.refusal.empty()) {
        out.error = angle.refusal;
        return out;
    }
    out.samples = std::move(angle.samples);
    out.stepUs = record.NominalStepUs(0, record.Count() - 1);
    out.filledSteps = angle.interpolated;
    return out;
}

namespace {

void PutAngleError(std::string& out, const AngleErrorAnalysis& analysis) {
    Put(out, "points", analysis.Samples);
    Put(out, "revolutions", analysis.Revolutions);
    Put(out, "rms_error_deg", analysis.RmsErrorDeg);
    Put(out, "peak_error_deg", analysis.PeakErrorDeg);
    for (std::size_t k = 0; k < analysis.HarmonicDeg.size(); ++k) {
        const std::string key = "h" + std::to_string(k + 1) + "_deg";
        Put(out, key.c_str(), analysis.HarmonicDeg[k]);
    }
}

}  // namespace

std::string AngleErrorReport(const AngleErrorAnalysis& analysis) {
    std::string out;
    PutAngleError(out, analysis);
    Put(out, "cordic_rms_error_deg", analysis.ConverterRmsDeg);
    return out;
}

std::string CaptureAngleErrorReport(const AngleErrorAnalysis& analysis,
                                    const CaptureAngle& capture) {
    std::string out;
    PutAngleError(out, analysis);
    Put(out, "step_us", static_cast<std::size_t>(capture.stepUs));
    Put(out, "rpm", analysis.DegPerSample / 360 * 60e6 / static_cast<double>(capture.stepUs));
    Put(out, "filled_steps", static_cast<std::size_t>(capture.filledSteps));
    return out;
}

}  // namespace talmir
