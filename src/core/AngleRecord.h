#pragma once
// Angle readings: decoding of the raw words of each readout mode into named
// fields, and the semicolon-separated header and data lines they are stored as.

#include <cstdint>
#include <string>

namespace talmir {

// Raw input of one reading. R: register 17 (mode 0); AData: the 20-bit frame
// (mode 1); AData1..3: the frame words in the order received (modes 2 to 4).
struct RawReading {
    uint16_t R = 0;
    uint32_t AData = 0;
    uint16_t AData1 = 0, AData2 = 0, AData3 = 0;
};

// Fields of one reading; flags are 0 or 1. Fields a mode does not define keep
// their defaults (Angle -1, the rest 0).
struct DecodedSample {
    int32_t Angle = -1;
    int ADC = 0, AALM = 0, AAHM = 0;
    int CRC = 0;
    int Temp = 0;
    int ACode = 0;
};

// Decodes a reading by the rules of readout modes 0 to 4; modes 5 and above
// give the defaults.
DecodedSample DecodeSample(uint8_t mode, const RawReading& raw);

// Header line of a readout mode without its line end; "" for modes 5 and up.
std::string RecordHeader(uint8_t mode);

// Data line of a readout mode: every column followed by ";", no line end;
// "" for modes 5 and up.
std::string RecordLine(uint8_t mode, const RawReading& raw, const DecodedSample& sample);

// The chart page's own mode 2 decoding: the whole second word is the angle
// and the flags sit at other bits. Its line uses the mode 2 layout.
DecodedSample DecodeChartMode2(const RawReading& raw);

// Chart page, mode 0 (registers 37, 36, 39): header and line without a
// trailing ";".
std::string ChartMode0Header();
std::string ChartMode0Line(uint16_t r37, uint16_t r36, uint16_t r39);

// A 16-bit two's complement word as a signed value.
int32_t Signed16(uint16_t v);

// The low `count` bits of `value` as "1"/"0", most significant first. Bit i is
// "1" when (value AND 2^i), taken as a signed 32-bit number, is above zero,
// so bit 31 always reads "0". A count of 0 or less gives "".
std::string IntToBin(int32_t value, int count);

}  // namespace talmir
