#include "core/ChartRecord.h"

namespace talmir {

ChartRecord ChartRecordOf(int mode, const RawReading& raw) {
    ChartRecord r;
    if (mode == 0) {
        r.ang = raw.AData1;
        r.velocity = Signed16(raw.AData2);
        r.angRaw = raw.AData3;
        r.header = ChartMode0Header();
        r.line = ChartMode0Line(raw.AData1, raw.AData3, raw.AData2);
        return r;
    }
    r.header = RecordHeader(static_cast<std::uint8_t>(mode < 0 || mode > 5 ? 5 : mode));
    if (mode < 1 || mode > 4) return r;
    const auto m = static_cast<std::uint8_t>(mode);
    const DecodedSample s = mode == 2 ? DecodeChartMode2(raw) : DecodeSample(m, raw);
    r.ang = s.Angle;
    r.leds = std::array<int, 3>{s.AAHM, s.AALM, mode == 4 ? 0 : s.ADC};
    if (mode == 2) r.temp = s.CRC;
    if (mode == 4) {
        r.temp = s.Temp;
        r.velocity = s.ACode;
    }
    r.line = RecordLine(m, raw, s);
    return r;
}

}  // namespace talmir
