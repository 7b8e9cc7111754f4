#pragma once
// The data files the tool writes, as the review window reads them back: which
// layout a header names, the columns each layout turns into series, and the
// strict parsing of one data line. A line is taken only in exactly the form
// the tool's own writers give it (the same digits, case, widths and ";"), and
// where it carries the raw words its decoded fields must agree with them, so
// a damaged line is refused instead of being read as some other value.
//
// Captures are the chart page's lines with the sample's time in front: the
// header "t_us;" followed by the chart page's header of the readout mode, and
// each line the time in microseconds, ";", and the chart page's line. Mode 5,
// which the chart page does not record, is a capture layout only: its five
// frame words as four upper-case hexadecimal digits each, the last received
// first, each followed by ";".

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace talmir {

enum class ReviewLayout : uint8_t {
    ChartMode0,  // chart page, mode 0: "Angle;AngleRaw;Velocity"
    Mode0,       // one-shot export, mode 0 (registers, with Data(bin))
    Mode1,       // modes 1 to 4: the chart page and the one-shot export alike
    Mode2,       // (mode 2 under either page's decoding)
    Mode3,
    Mode4,
    Mode5,     // captures only: "Data4(hex);...;Data0(hex);"
    WorkData,  // "Angle;Anplitude;X;Y;"
    XY,        // "X;Y"
};

struct ReviewFormat {
    ReviewLayout layout = ReviewLayout::Mode2;
    bool capture = false;  // each line starts with its time in microseconds
    friend bool operator==(ReviewFormat, ReviewFormat) = default;
};

// Most series a layout has.
inline constexpr std::size_t kMaxReviewSeries = 8;

// One series of a layout: a column of its lines. Binary columns repeat a
// hexadecimal one and make no series of their own.
struct ReviewColumn {
    const char* title;  // the column's name in the header
    bool shown;         // shown when a file opens; flags and raw words beside decoded
                        // fields start hidden
};

// The layout's series, in the order of their columns.
std::span<const ReviewColumn> ReviewColumns(ReviewLayout layout);

// The header line (without its line end) the tool writes for a format.
std::string ReviewHeader(ReviewFormat format);

// The format a header line (without its line end) names; none for any other
// text.
std::optional<ReviewFormat> RecognizeHeader(std::string_view line);

// How the chart page and the one-shot export decode mode 2 (they differ):
// the decodings a mode 2 line agrees with, as a bit set.
enum Mode2Decoding : uint8_t { kChartMode2 = 1, kExportMode2 = 2 };

// Why a line was not taken.
enum class LineFault : uint8_t {
    None,
    FieldCount,    // more or fewer fields than the layout has, or no final ";"
    FieldForm,     // a field not in its written form, or out of its range
    Inconsistent,  // decoded fields disagree with the raw words beside them
    Decoding,      // mode 2 under the other page's decoding than the file's
    TimeOrder,     // a capture's time not after the previous line's
    NoLineEnd,     // the file ends inside the line
};

// A parsed data line.
struct ReviewLine {
    int64_t timeUs = 0;                              // captures only
    std::array<int32_t, kMaxReviewSeries> values{};  // one per series of the layout
    uint8_t decodings = 0;                           // mode 2: Mode2Decoding bits
    LineFault fault = LineFault::None;
    int field = 0;  // FieldForm: the 0-based field (a capture's time is field 0)
};

// Parses one data line without its line end. `decodings` narrows mode 2:
// a capture takes only the chart page's, a file the one its lines showed
// first. False with `out.fault` set when the line is not one of the format.
bool ParseReviewLine(ReviewFormat format, std::string_view line, ReviewLine& out,
                     uint8_t decodings = kChartMode2 | kExportMode2);

// The layout whose data line (not a capture's) this is; none when no layout
// takes it. For files that start without a header.
std::optional<ReviewLayout> LayoutOfDataLine(std::string_view line);

// "неверное число полей", "поле 3 («CRC») не в записи файла", ... in Russian.
std::string LineFaultText(ReviewFormat format, const ReviewLine& line);

}  // namespace talmir
