#include "core/CaptureRecord.h"

#include "core/IntText.h"

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

}  // namespace talmir
