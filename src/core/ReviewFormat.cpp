#include "core/ReviewFormat.h"

#include <vector>

#include "core/AngleRecord.h"
#include "core/CaptureRecord.h"
#include "core/SampleLines.h"

namespace talmir {

namespace {

enum class Form : uint8_t { Dec, Hex4, Hex6, Bin16, Bin20 };

// One field of a line as the writers give it. Decimal fields hold `min` to
// `max`; hexadecimal and binary ones have their fixed width. `series` is the
// field's series, -1 for a binary copy of a hexadecimal field.
struct Field {
    const char* title;
    Form form;
    int64_t min, max;
    int series;
    bool shown;
};

// Where a layout is written: in data files (without times), in captures
// (with them), or both.
enum Uses : uint8_t { kInFiles = 1, kInCaptures = 2 };

struct Layout {
    std::span<const Field> fields;
    bool finalSemicolon;  // every field, the last included, is followed by ";"
    uint8_t uses;         // Uses bits: captures take the chart page's layouts and mode 5's
};

constexpr int64_t kU16 = 65535;
constexpr int64_t k22Bits = (int64_t{1} << 22) - 1;

constexpr Field kFlag(const char* title, int series) {
    return {title, Form::Dec, 0, 1, series, false};
}

constexpr Field kChartMode0[] = {{"Angle", Form::Dec, 0, kU16, 0, true},
                                 {"AngleRaw", Form::Dec, 0, kU16, 1, true},
                                 {"Velocity", Form::Dec, -32768, 32767, 2, true}};
constexpr Field kMode0[] = {{"Angle", Form::Dec, -1, -1, 0, false},
                            kFlag("ADC", 1),
                            kFlag("AALM", 2),
                            kFlag("AAHM", 3),
                            {"Data(hex)", Form::Hex4, 0, kU16, 4, true},
                            {"Data(bin)", Form::Bin16, 0, kU16, -1, false}};
constexpr Field kMode1[] = {{"Angle", Form::Dec, 0, kU16, 0, true},
                            kFlag("ADC", 1),
                            kFlag("AALM", 2),
                            kFlag("AAHM", 3),
                            kFlag("CRC", 4),
                            {"Data(hex)", Form::Hex6, 0, 0xFFFFF, 5, false},
                            {"Data(bin)", Form::Bin20, 0, 0xFFFFF, -1, false}};
constexpr Field kMode2[] = {{"Angle", Form::Dec, 0, kU16, 0, true},
                            kFlag("ADC", 1),
                            kFlag("AALM", 2),
                            kFlag("AAHM", 3),
                            {"CRC", Form::Dec, 0, 511, 4, false},
                            {"Data1(hex)", Form::Hex4, 0, kU16, 5, false},
                            {"Data0(hex)", Form::Hex4, 0, kU16, 6, false}};
constexpr Field kMode3[] = {{"Angle", Form::Dec, 0, k22Bits, 0, true},
                            kFlag("ADC", 1),
                            kFlag("AALM", 2),
                            kFlag("AAHM", 3),
                            {"Data2(hex)", Form::Hex4, 0, kU16, 4, false},
                            {"Data1(hex)", Form::Hex4, 0, kU16, 5, false}};
constexpr Field kMode4[] = {{"Angle", Form::Dec, 0, k22Bits, 0, true},
                            kFlag("AALM", 1),
                            kFlag("AAHM", 2),
                            {"Temp", Form::Dec, 0, 511, 3, false},
                            {"ACode", Form::Dec, 0, 255, 4, false},
                            {"Data2(hex)", Form::Hex4, 0, kU16, 5, false},
                            {"Data1(hex)", Form::Hex4, 0, kU16, 6, false},
                            {"Data0(hex)", Form::Hex4, 0, kU16, 7, false}};
// Mode 5's frame words carry no fields to check them against: each is taken
// as written, a series of its own.
constexpr Field kMode5[] = {{"Data4(hex)", Form::Hex4, 0, kU16, 0, true},
                            {"Data3(hex)", Form::Hex4, 0, kU16, 1, true},
                            {"Data2(hex)", Form::Hex4, 0, kU16, 2, true},
                            {"Data1(hex)", Form::Hex4, 0, kU16, 3, true},
                            {"Data0(hex)", Form::Hex4, 0, kU16, 4, true}};
constexpr Field kWorkData[] = {{"Angle", Form::Hex4, 0, kU16, 0, true},
                               {"Anplitude", Form::Dec, 0, kU16, 1, true},
                               {"X", Form::Dec, -32768, 32767, 2, true},
                               {"Y", Form::Dec, -32768, 32767, 3, true}};
constexpr Field kXY[] = {{"X", Form::Dec, -32768, 32767, 0, true},
                         {"Y", Form::Dec, -32768, 32767, 1, true}};
// A capture's time: microseconds, far beyond any run's length.
constexpr Field kTime = {"t_us", Form::Dec, 0, int64_t{1} << 62, -1, false};

constexpr uint8_t kInBoth = kInFiles | kInCaptures;
constexpr Layout kLayouts[] = {
    {kChartMode0, false, kInBoth}, {kMode0, true, kInFiles},    {kMode1, true, kInBoth},
    {kMode2, true, kInBoth},       {kMode3, true, kInBoth},     {kMode4, true, kInBoth},
    {kMode5, true, kInCaptures},   {kWorkData, true, kInFiles}, {kXY, true, kInFiles},
};
constexpr ReviewLayout kAllLayouts[] = {
    ReviewLayout::ChartMode0, ReviewLayout::Mode0,    ReviewLayout::Mode1,
    ReviewLayout::Mode2,      ReviewLayout::Mode3,    ReviewLayout::Mode4,
    ReviewLayout::Mode5,      ReviewLayout::WorkData, ReviewLayout::XY};
static_assert(std::size(kLayouts) == std::size(kAllLayouts));

const Layout& LayoutOf(ReviewLayout layout) {
    return kLayouts[static_cast<std::size_t>(layout)];
}

// Digit values of '0'-'9' and 'A'-'F' (upper case only, as the writers give
// them); 0xFF for any other byte.
constexpr std::array<uint8_t, 256> kHexDigit = [] {
    std::array<uint8_t, 256> t{};
    for (auto& v : t) v = 0xFF;
    for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
    return t;
}();

// Decimal as std::to_string writes it: "-" only before a non-zero value, no
// leading zeros, no "+" or blanks.
bool ParseDecimal(const char* b, const char* e, int64_t& value) {
    const bool negative = b < e && *b == '-';
    if (negative) ++b;
    const auto n = e - b;
    if (n <= 0 || n > 19 || (*b == '0' && (n > 1 || negative))) return false;
    uint64_t acc = 0;
    for (; b < e; ++b) {
        const unsigned d = static_cast<unsigned char>(*b) - unsigned{'0'};
        if (d > 9) return false;
        acc = acc * 10 + d;
    }
    if (acc > static_cast<uint64_t>(INT64_MAX)) return false;
    value = negative ? -static_cast<int64_t>(acc) : static_cast<int64_t>(acc);
    return true;
}

bool ParseHex(const char* b, const char* e, int width, int64_t& value) {
    if (e - b != width) return false;
    uint32_t acc = 0;
    for (; b < e; ++b) {
        const uint8_t d = kHexDigit[static_cast<unsigned char>(*b)];
        if (d > 15) return false;
        acc = acc << 4 | d;
    }
    value = acc;
    return true;
}

bool ParseBinary(const char* b, const char* e, int width, int64_t& value) {
    if (e - b != width) return false;
    uint32_t acc = 0;
    for (; b < e; ++b) {
        const unsigned d = static_cast<unsigned char>(*b) - unsigned{'0'};
        if (d > 1) return false;
        acc = acc << 1 | d;
    }
    value = acc;
    return true;
}

bool ParseField(const Field& f, const char* b, const char* e, int64_t& value) {
    bool ok = false;
    switch (f.form) {
        case Form::Dec:
            ok = ParseDecimal(b, e, value);
            break;
        case Form::Hex4:
            ok = ParseHex(b, e, 4, value);
            break;
        case Form::Hex6:
            ok = ParseHex(b, e, 6, value);
            break;
        case Form::Bin16:
            ok = ParseBinary(b, e, 16, value);
            break;
        case Form::Bin20:
            ok = ParseBinary(b, e, 20, value);
            break;
    }
    return ok && value >= f.min && value <= f.max;
}

bool SameFlags(const DecodedSample& a, const DecodedSample& b) {
    return a.ADC == b.ADC && a.AALM == b.AALM && a.AAHM == b.AAHM;
}

// The decoded fields of a line against its raw words; `binary` is the binary
// copy of the raw value where the layout has one. For mode 2 the decodings
// the line agrees with, else 1 when it agrees and 0 when not.
uint8_t Agreement(ReviewLayout layout, const std::array<int32_t, kMaxReviewSeries>& v,
                  int64_t binary) {
    const auto word = [&](int i) { return static_cast<uint16_t>(v[static_cast<std::size_t>(i)]); };
    RawReading raw;
    DecodedSample written;
    switch (layout) {
        case ReviewLayout::Mode0: {
            raw.R = word(4);
            written = {-1, v[1], v[2], v[3]};
            const DecodedSample d = DecodeSample(0, raw);
            return SameFlags(d, written) && binary == raw.R;
        }
        case ReviewLayout::Mode1: {
            raw.AData = static_cast<uint32_t>(v[5]);
            const DecodedSample d = DecodeSample(1, raw);
            return v[0] == d.Angle && SameFlags(d, {0, v[1], v[2], v[3]}) && v[4] == d.CRC &&
                   binary == raw.AData;
        }
        case ReviewLayout::Mode2: {
            raw.AData2 = word(5);
            raw.AData1 = word(6);
            written = {v[0], v[1], v[2], v[3], v[4]};
            const auto agrees = [&](const DecodedSample& d) {
                return d.Angle == written.Angle && SameFlags(d, written) && d.CRC == written.CRC;
            };
            return static_cast<uint8_t>((agrees(DecodeChartMode2(raw)) ? kChartMode2 : 0) |
                                        (agrees(DecodeSample(2, raw)) ? kExportMode2 : 0));
        }
        case ReviewLayout::Mode3: {
            raw.AData2 = word(4);
            raw.AData1 = word(5);
            const DecodedSample d = DecodeSample(3, raw);
            return v[0] == d.Angle && SameFlags(d, {0, v[1], v[2], v[3]});
        }
        case ReviewLayout::Mode4: {
            raw.AData3 = word(5);
            raw.AData2 = word(6);
            raw.AData1 = word(7);
            const DecodedSample d = DecodeSample(4, raw);
            return v[0] == d.Angle && d.AALM == v[1] && d.AAHM == v[2] && d.Temp == v[3] &&
                   d.ACode == v[4];
        }
        case ReviewLayout::ChartMode0:
        case ReviewLayout::Mode5:
        case ReviewLayout::WorkData:
        case ReviewLayout::XY:
            break;
    }
    return 1;
}

constexpr std::string_view kTimePrefix = "t_us;";

std::string BaseHeader(ReviewLayout layout) {
    switch (layout) {
        case ReviewLayout::ChartMode0:
            return ChartMode0Header();
        case ReviewLayout::WorkData:
            return WorkDataHeader();
        case ReviewLayout::XY:
            return XYHeader();
        case ReviewLayout::Mode5:  // the capture writer's header after its "t_us;"
            return CaptureHeader(5).substr(kTimePrefix.size());
        default:
            return RecordHeader(static_cast<uint8_t>(static_cast<int>(layout) - 1));
    }
}

bool WrittenAs(ReviewLayout layout, bool capture) {
    return (LayoutOf(layout).uses & (capture ? kInCaptures : kInFiles)) != 0;
}

}  // namespace

std::span<const ReviewColumn> ReviewColumns(ReviewLayout layout) {
    static const auto columns = [] {
        std::array<std::vector<ReviewColumn>, std::size(kLayouts)> all;
        for (std::size_t l = 0; l < all.size(); ++l)
            for (const Field& f : kLayouts[l].fields)
                if (f.series >= 0) all[l].push_back({f.title, f.shown});
        return all;
    }();
    return columns[static_cast<std::size_t>(layout)];
}

std::string ReviewHeader(ReviewFormat format) {
    const std::string base = BaseHeader(format.layout);
    return format.capture ? std::string(kTimePrefix) + base : base;
}

std::optional<ReviewFormat> RecognizeHeader(std::string_view line) {
    const bool capture = line.starts_with(kTimePrefix);
    if (capture) line.remove_prefix(kTimePrefix.size());
    for (const ReviewLayout layout : kAllLayouts) {
        if (!WrittenAs(layout, capture)) continue;
        if (line == BaseHeader(layout)) return ReviewFormat{layout, capture};
    }
    return std::nullopt;
}

bool ParseReviewLine(ReviewFormat format, std::string_view line, ReviewLine& out,
                     uint8_t decodings) {
    const Layout& layout = LayoutOf(format.layout);
    const char* p = line.data();
    const char* const end = p + line.size();
    const std::size_t count = layout.fields.size() + (format.capture ? 1 : 0);
    int64_t binary = -1;
    out.fault = LineFault::None;
    for (std::size_t i = 0; i < count; ++i) {
        const Field& f =
            format.capture ? (i == 0 ? kTime : layout.fields[i - 1]) : layout.fields[i];
        const bool last = i + 1 == count;
        // Fields are a few bytes long: a plain scan beats a call of memchr.
        const char* semicolon = p;
        while (semicolon < end && *semicolon != ';') ++semicolon;
        if (semicolon == end) semicolon = nullptr;
        // The last field of a layout without a final ";" runs to the line end.
        const bool toLineEnd = last && !layout.finalSemicolon;
        if (toLineEnd == (semicolon != nullptr)) {
            out.fault = LineFault::FieldCount;
            return false;
        }
        const char* fieldEnd = toLineEnd ? end : semicolon;
        int64_t value = 0;
        if (!ParseField(f, p, fieldEnd, value)) {
            out.fault = LineFault::FieldForm;
            out.field = static_cast<int>(i);
            return false;
        }
        if (format.capture && i == 0) {
            out.timeUs = value;
        } else if (f.series >= 0) {
            out.values[static_cast<std::size_t>(f.series)] = static_cast<int32_t>(value);
        } else {
            binary = value;
        }
        p = toLineEnd ? end : semicolon + 1;
    }
    if (p != end) {
        out.fault = LineFault::FieldCount;
        return false;
    }
    const uint8_t agreement = Agreement(format.layout, out.values, binary);
    if (format.layout == ReviewLayout::Mode2) {
        if (format.capture) decodings &= kChartMode2;
        out.decodings = agreement & decodings;
        if (out.decodings == 0) {
            out.fault = agreement != 0 ? LineFault::Decoding : LineFault::Inconsistent;
            return false;
        }
    } else if (agreement == 0) {
        out.fault = LineFault::Inconsistent;
        return false;
    }
    return true;
}

std::optional<ReviewLayout> LayoutOfDataLine(std::string_view line) {
    ReviewLine parsed;
    for (const ReviewLayout layout : kAllLayouts)
        if (WrittenAs(layout, false) && ParseReviewLine({layout, false}, line, parsed))
            return layout;
    return std::nullopt;
}

std::string LineFaultText(ReviewFormat format, const ReviewLine& line) {
    switch (line.fault) {
        case LineFault::None:
            return {};
        case LineFault::FieldCount:
            return "неверное число полей";
        case LineFault::FieldForm: {
            const auto i = static_cast<std::size_t>(line.field);
            const std::span<const Field> fields = LayoutOf(format.layout).fields;
            const Field& f = format.capture ? (i == 0 ? kTime : fields[i - 1]) : fields[i];
            return "поле " + std::to_string(i + 1) + " («" + f.title + "») не в записи файла";
        }
        case LineFault::Inconsistent:
            return "поля не согласуются с исходными словами";
        case LineFault::Decoding:
            return "режим 2 в расшифровке другой страницы, чем строки до неё";
        case LineFault::TimeOrder:
            return "время не больше, чем в предыдущей строке";
        case LineFault::NoLineEnd:
            return "строка оборвана: файл кончается без конца строки";
    }
    return {};
}

}  // namespace talmir
