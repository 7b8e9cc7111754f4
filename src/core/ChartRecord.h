#pragma once
// One reading of the chart page, by readout mode: the values its four series
// get, its status cells and its data-file record. The page, the capture and
// the review window all turn readings into values through this one mapping.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/AngleRecord.h"

namespace talmir {

struct ChartRecord {
    std::optional<double> ang, temp, velocity, angRaw;  // "Anlge", "Temp", "Velocity", "AnlgeRAW"
    std::optional<std::array<int, 3>> leds;             // EAH, EAL, LOCK_IN
    std::string header;                                 // the mode's data-file header
    std::optional<std::string> line;                    // the mode's data line; none in mode 5
};

// Mode 0 reads registers 37 (angle), 39 (velocity) and 36 (raw angle), kept
// in raw.AData1, AData2 and AData3; modes 1 to 4 decode the frame words (mode 2
// by the chart page's own rules); mode 5 and above give only the empty header.
ChartRecord ChartRecordOf(int mode, const RawReading& raw);

}  // namespace talmir
