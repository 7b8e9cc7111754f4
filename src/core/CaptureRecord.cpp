#include "core/CaptureRecord.h"

#include "core/IntText.h"

#include <algorithm>

namespace talmir {

unsigned FrameBits(int mode) {
    switch (mode) {
        case 1:
            return 20;
        case 2:
        case 3:
            return 32;
        case 4:
            return 48;
        case 5:
            return 80;
        default:
            return 0;
    }
}

void SampleFromFrame(int mode, const std::uint8_t* b, CapturedSample& sample) {
    const auto word = [b](int i) {
        return static_cast<std::uint16_t>((b[2 * i] << 8) | b[2 * i + 1]);
    };
    RawReading& raw = sample.raw;
    switch (mode) {
        case 1:
            raw.AData = (std::uint32_t{b[0]} << 12) + (std::uint32_t{b[1]} << 4) + b[2];
            break;
        case 2:
        case 3:
            raw.AData1 = word(0);
            raw.AData2 = word(1);
            break;
        case 4:
            raw.AData1 = word(0);
            raw.AData2 = word(1);
            raw.AData3 = word(2);
            break;
        case 5:
            for (int i = 0; i < 5; ++i) sample.words[i] = word(i);
            break;
        default:
            break;
    }
}

std::string CaptureHeader(int mode) {
    if (mode == 5) return "t_us;Data4(hex);Data3(hex);Data2(hex);Data1(hex);Data0(hex);";
    return "t_us;" + ChartRecordOf(mode, RawReading{}).header;
}

std::string CaptureLine(int mode, const CapturedSample& sample) {
    std::string line = std::to_string(sample.tUs) + ";";
    if (mode == 5) {
        for (int i = 4; i >= 0; --i) line += Hex4(sample.words[i]) + ";";
        return line;
    }
    return line + ChartRecordOf(mode, sample.raw).line.value_or("");
}

std::vector<std::string> CaptureFieldNames(int mode) {
    std::vector<std::string> names;
    if (mode < 0 || mode > 5) return names;
    const std::string header = CaptureHeader(mode);
    std::size_t start = header.find(';') + 1;  // after "t_us"
    while (start < header.size()) {
        const std::size_t end = std::min(header.find(';', start), header.size());
        names.push_back(header.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::size_t CaptureFields(int mode, const CapturedSample& sample, std::int32_t* out) {
    const RawReading& raw = sample.raw;
    std::size_t n = 0;
    const auto put = [&](std::int64_t v) { out[n++] = static_cast<std::int32_t>(v); };
    switch (mode) {
        case 0:  // ChartMode0Line: registers 37, 36 and 39 as signed
            put(raw.AData1);
            put(raw.AData3);
            put(Signed16(raw.AData2));
            break;
        case 1: {
            const DecodedSample s = DecodeSample(1, raw);
            for (const int v : {s.Angle, s.ADC, s.AALM, s.AAHM, s.CRC}) put(v);
            put(raw.AData);  // Data(hex)
            put(raw.AData);  // Data(bin)
            break;
        }
        case 2: {
            const DecodedSample s = DecodeChartMode2(raw);
            for (const int v : {s.Angle, s.ADC, s.AALM, s.AAHM, s.CRC}) put(v);
            put(raw.AData2);
            put(raw.AData1);
            break;
        }
        case 3: {
            const DecodedSample s = DecodeSample(3, raw);
            for (const int v : {s.Angle, s.ADC, s.AALM, s.AAHM}) put(v);
            put(raw.AData2);
            put(raw.AData1);
            break;
        }
        case 4: {
            const DecodedSample s = DecodeSample(4, raw);
            for (const int v : {s.Angle, s.AALM, s.AAHM, s.Temp, s.ACode}) put(v);
            put(raw.AData3);
            put(raw.AData2);
            put(raw.AData1);
            break;
        }
        case 5:
            for (int i = 4; i >= 0; --i) put(sample.words[i]);
            break;
        default:
            break;
    }
    return n;
}

}  // namespace talmir
