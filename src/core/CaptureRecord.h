#pragma once
// Captured samples: what one sample of each readout mode holds, how a burst's
// frame bytes become its raw words, and the capture file's text: a header
// "t_us;" followed by the chart page's header fields of the mode, then per
// sample its time in microseconds, ";" and the chart page's fields.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/AngleRecord.h"
#include "core/ChartRecord.h"

namespace talmir {

// One captured sample: its time from the capture's start and its raw words.
// Mode 0 keeps registers 37, 39 and 36 in raw.AData1..3; mode 5 keeps its five
// frame words in `words`.
struct CapturedSample {
    std::int64_t tUs = 0;
    RawReading raw;
    std::uint16_t words[5] = {};
};

// Bits of one frame of readout modes 1 to 5 (20, 32, 32, 48, 80); 0 for mode
// 0, which reads registers instead of a frame.
unsigned FrameBits(int mode);
inline std::size_t FrameBytes(int mode) {
    return (FrameBits(mode) + 7) / 8;
}

// The raw words of a frame read MSB first, a frame's trailing bits in the low
// bits of its last byte: as the register model's frame reads assemble them.
void SampleFromFrame(int mode, const std::uint8_t* bytes, CapturedSample& sample);

// Header and line of a capture file in `mode`, without line ends. Mode 5,
// which the chart page does not record, keeps its five words as hexadecimal
// columns, the last received first as in modes 2 to 4.
std::string CaptureHeader(int mode);
std::string CaptureLine(int mode, const CapturedSample& sample);

// The columns of a capture file's line after "t_us" as numbers, for callers
// that keep samples as numbers rather than text: CaptureFieldNames gives the
// header names of CaptureHeader after "t_us", and CaptureFields writes the
// values of `sample` in that order to `out` (at most kMaxCaptureFields) and
// returns how many. A decimal column's number is the one written, a "(hex)"
// or "(bin)" column's the number its digits spell. Modes outside 0 to 5 have
// none.
inline constexpr std::size_t kMaxCaptureFields = 8;
std::vector<std::string> CaptureFieldNames(int mode);
std::size_t CaptureFields(int mode, const CapturedSample& sample, std::int32_t* out);

}  // namespace talmir
