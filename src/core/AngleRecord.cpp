#include "core/AngleRecord.h"

#include "core/IntText.h"

#include <initializer_list>

namespace talmir {

namespace {

int Bit(uint32_t v, int n) {
    return static_cast<int>((v >> n) & 1u);
}

// Bits hi..lo of v as an unsigned number.
uint32_t Bits(uint32_t v, int hi, int lo) {
    const uint32_t width = static_cast<uint32_t>(hi - lo + 1);
    const uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    return (v >> lo) & mask;
}

// Each field followed by ";".
std::string Columns(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& f : fields) {
        line += f;
        line += ';';
    }
    return line;
}

std::string Dec(int64_t v) {
    return std::to_string(v);
}

DecodedSample DecodeMode0(const RawReading& raw) {
    DecodedSample s;
    s.ADC = Bit(raw.R, 15);
    s.AALM = Bit(raw.R, 13);
    s.AAHM = Bit(raw.R, 14);
    return s;
}

DecodedSample DecodeMode1(const RawReading& raw) {
    DecodedSample s;
    s.Angle = static_cast<int32_t>(Bits(raw.AData, 15, 0));
    s.ADC = Bit(raw.AData, 18);
    s.AALM = Bit(raw.AData, 17);
    s.AAHM = Bit(raw.AData, 16);
    s.CRC = Bit(raw.AData, 19);
    return s;
}

DecodedSample DecodeMode2(const RawReading& raw) {
    DecodedSample s;
    s.Angle = static_cast<int32_t>(Bits(raw.AData2, 11, 0));
    s.ADC = Bit(raw.AData1, 10);
    s.AALM = Bit(raw.AData2, 13);
    s.AAHM = Bit(raw.AData2, 14);
    s.CRC = static_cast<int>(Bits(raw.AData1, 8, 0));
    return s;
}

DecodedSample DecodeMode3(const RawReading& raw) {
    DecodedSample s;
    s.Angle = static_cast<int32_t>(Bits(raw.AData1, 6, 0) * 32768u + Bits(raw.AData2, 14, 0));
    s.ADC = Bit(raw.AData1, 9);
    s.AALM = Bit(raw.AData1, 11);
    s.AAHM = Bit(raw.AData1, 12);
    return s;
}

DecodedSample DecodeMode4(const RawReading& raw) {
    DecodedSample s;
    s.Angle = static_cast<int32_t>(Bits(raw.AData2, 6, 0) * 32768u + Bits(raw.AData3, 14, 0));
    s.AALM = Bit(raw.AData2, 11);
    s.AAHM = Bit(raw.AData2, 12);
    s.Temp = static_cast<int>(Bits(raw.AData1, 6, 0) * 4u + Bits(raw.AData2, 15, 14));
    s.ACode = static_cast<int>(Bits(raw.AData1, 14, 7));
    return s;
}

}  // namespace

DecodedSample DecodeSample(uint8_t mode, const RawReading& raw) {
    switch (mode) {
        case 0:
            return DecodeMode0(raw);
        case 1:
            return DecodeMode1(raw);
        case 2:
            return DecodeMode2(raw);
        case 3:
            return DecodeMode3(raw);
        case 4:
            return DecodeMode4(raw);
        default:
            return {};
    }
}

DecodedSample DecodeChartMode2(const RawReading& raw) {
    DecodedSample s;
    s.Angle = raw.AData2;
    s.ADC = Bit(raw.AData1, 11);
    s.AALM = Bit(raw.AData2, 10);
    s.AAHM = Bit(raw.AData2, 9);
    s.CRC = static_cast<int>(Bits(raw.AData1, 8, 0));
    return s;
}

std::string RecordHeader(uint8_t mode) {
    switch (mode) {
        case 0:
            return "Angle;ADC;AALM;AAHM;Data(hex);Data(bin);";
        case 1:
            return "Angle;ADC;AALM;AAHM;CRC;Data(hex);Data(bin);";
        case 2:
            return "Angle;ADC;AALM;AAHM;CRC;Data1(hex);Data0(hex);";
        case 3:
            return "Angle;ADC;AALM;AAHM;Data2(hex);Data1(hex);";
        case 4:
            return "Angle;AALM;AAHM;Temp;ACode;Data2(hex);Data1(hex);Data0(hex);";
        default:
            return "";
    }
}

std::string RecordLine(uint8_t mode, const RawReading& raw, const DecodedSample& s) {
    switch (mode) {
        case 0:
            return Columns({Dec(s.Angle), Dec(s.ADC), Dec(s.AALM), Dec(s.AAHM), Hex4(raw.R),
                            IntToBin(raw.R, 16)});
        case 1:
            return Columns({Dec(s.Angle), Dec(s.ADC), Dec(s.AALM), Dec(s.AAHM), Dec(s.CRC),
                            Hex6(raw.AData), IntToBin(static_cast<int32_t>(raw.AData), 20)});
        case 2:
            return Columns({Dec(s.Angle), Dec(s.ADC), Dec(s.AALM), Dec(s.AAHM), Dec(s.CRC),
                            Hex4(raw.AData2), Hex4(raw.AData1)});
        case 3:
            return Columns({Dec(s.Angle), Dec(s.ADC), Dec(s.AALM), Dec(s.AAHM), Hex4(raw.AData2),
                            Hex4(raw.AData1)});
        case 4:
            return Columns({Dec(s.Angle), Dec(s.AALM), Dec(s.AAHM), Dec(s.Temp), Dec(s.ACode),
                            Hex4(raw.AData3), Hex4(raw.AData2), Hex4(raw.AData1)});
        default:
            return "";
    }
}

std::string ChartMode0Header() {
    return "Angle;AngleRaw;Velocity";
}

std::string ChartMode0Line(uint16_t r37, uint16_t r36, uint16_t r39) {
    return Dec(r37) + ";" + Dec(r36) + ";" + Dec(Signed16(r39));
}

int32_t Signed16(uint16_t v) {
    const int32_t wide = v;
    return (wide & 0x8000) ? wide - 0x10000 : wide;
}

std::string IntToBin(int32_t value, int count) {
    std::string text;
    for (int i = count - 1; i >= 0; --i) {
        // Bits at 32 and above are clear; bit 31 alone is negative as a signed value.
        const uint32_t mask = i < 32 ? (1u << i) : 0u;
        const int32_t masked = static_cast<int32_t>(static_cast<uint32_t>(value) & mask);
        text += masked > 0 ? '1' : '0';
    }
    return text;
}

}  // namespace talmir
