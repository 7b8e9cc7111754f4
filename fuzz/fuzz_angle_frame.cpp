// Angle frames of every readout mode, from the bytes on the wire to the
// record text. Input: the readout mode, a flags byte (bit 0: the transfer
// fails) and the frame's bytes. The frame reads of the register model go
// through the device link into a stand-in MPSSE library that answers these
// bytes, written into exactly the transfer's size of the caller's buffer, so
// AddressSanitizer catches a frame buffer that is too small or read past.
// Properties: each read asks for its mode's frame size; the words are the
// bytes in wire order; a failed read leaves the outputs alone; every decoded
// field is its bits of the words and in range; the data line has the
// header's columns and its numbers read back to the fields and words.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/AngleRecord.h"
#include "core/IntText.h"
#include "device/DeviceError.h"
#include "device/MpsseLink.h"
#include "device/TASensDig.h"

namespace {

using talmir::DecodedSample;
using talmir::RawReading;

using FeedFn = void (*)(const uint8_t*, size_t, bool);
using LastReadFn = void (*)(uint32_t*, uint32_t*, const uint8_t**, size_t*);

struct Fake {
    talmir::MpsseLink link;
    FeedFn feed = nullptr;
    LastReadFn lastRead = nullptr;

    Fake() {
        FUZZ_CHECK(link.LoadMPSSELibrary({TALMIR_FUZZ_MPSSE_LIBRARY}, [](const std::string&) {}));
        void* lib = dlopen(TALMIR_FUZZ_MPSSE_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        FUZZ_CHECK(lib != nullptr);
        feed = reinterpret_cast<FeedFn>(dlsym(lib, "TalmirFuzzFeed"));
        lastRead = reinterpret_cast<LastReadFn>(dlsym(lib, "TalmirFuzzLastRead"));
        FUZZ_CHECK(feed != nullptr && lastRead != nullptr);
    }
};

uint32_t Bits(uint32_t v, int hi, int lo) {
    return (v >> lo) & ((1u << (hi - lo + 1)) - 1u);
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> columns;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ';') {
            columns.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    FUZZ_CHECK(start == line.size());  // every column ends with ";"
    return columns;
}

int32_t Dec(const std::string& text) {
    const std::optional<int32_t> v = talmir::ParseInt(text);
    FUZZ_CHECK(v.has_value() && std::to_string(*v) == text);
    return *v;
}

uint32_t Hex(const std::string& text, size_t digits) {
    FUZZ_CHECK(text.size() == digits);
    for (char c : text) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    return static_cast<uint32_t>(*talmir::ParseInt("$" + text));
}

void CheckBin(const std::string& text, uint32_t value, int count) {
    FUZZ_CHECK(text.size() == static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(text[count - 1 - i] == (((value >> i) & 1u) ? '1' : '0'));
}

// The fields of each mode straight from its bit table.
DecodedSample Expected(uint8_t mode, const RawReading& r) {
    DecodedSample s;
    switch (mode) {
        case 0:
            s.ADC = Bits(r.R, 15, 15), s.AALM = Bits(r.R, 13, 13), s.AAHM = Bits(r.R, 14, 14);
            break;
        case 1:
            s.Angle = Bits(r.AData, 15, 0), s.ADC = Bits(r.AData, 18, 18);
            s.AALM = Bits(r.AData, 17, 17), s.AAHM = Bits(r.AData, 16, 16);
            s.CRC = Bits(r.AData, 19, 19);
            break;
        case 2:
            s.Angle = Bits(r.AData2, 11, 0), s.ADC = Bits(r.AData1, 10, 10);
            s.AALM = Bits(r.AData2, 13, 13), s.AAHM = Bits(r.AData2, 14, 14);
            s.CRC = Bits(r.AData1, 8, 0);
            break;
        case 3:
            s.Angle = Bits(r.AData1, 6, 0) * 32768 + Bits(r.AData2, 14, 0);
            s.ADC = Bits(r.AData1, 9, 9), s.AALM = Bits(r.AData1, 11, 11);
            s.AAHM = Bits(r.AData1, 12, 12);
            break;
        case 4:
            s.Angle = Bits(r.AData2, 6, 0) * 32768 + Bits(r.AData3, 14, 0);
            s.AALM = Bits(r.AData2, 11, 11), s.AAHM = Bits(r.AData2, 12, 12);
            s.Temp = Bits(r.AData1, 6, 0) * 4 + Bits(r.AData2, 15, 14);
            s.ACode = Bits(r.AData1, 14, 7);
            break;
        default:
            break;
    }
    return s;
}

bool Same(const DecodedSample& a, const DecodedSample& b) {
    return a.Angle == b.Angle && a.ADC == b.ADC && a.AALM == b.AALM && a.AAHM == b.AAHM &&
           a.CRC == b.CRC && a.Temp == b.Temp && a.ACode == b.ACode;
}

void CheckRecord(uint8_t mode, const RawReading& raw, const DecodedSample& s) {
    const std::string header = talmir::RecordHeader(mode);
    const std::string line = talmir::RecordLine(mode, raw, s);
    for (char c : header + line) FUZZ_CHECK(c > 0x20 && c < 0x7F);
    if (mode > 4) {
        FUZZ_CHECK(header.empty() && line.empty());
        return;
    }
    const std::vector<std::string> names = Columns(header);
    const std::vector<std::string> c = Columns(line);
    FUZZ_CHECK(c.size() == names.size());
    FUZZ_CHECK(Dec(c[0]) == s.Angle);
    switch (mode) {
        case 0:
            FUZZ_CHECK(Dec(c[1]) == s.ADC && Dec(c[2]) == s.AALM && Dec(c[3]) == s.AAHM);
            FUZZ_CHECK(Hex(c[4], 4) == raw.R);
            CheckBin(c[5], raw.R, 16);
            break;
        case 1:
            FUZZ_CHECK(Dec(c[1]) == s.ADC && Dec(c[2]) == s.AALM && Dec(c[3]) == s.AAHM);
            FUZZ_CHECK(Dec(c[4]) == s.CRC);
            FUZZ_CHECK(Hex(c[5], raw.AData > 0xFFFFFF ? 7 : 6) == raw.AData);
            CheckBin(c[6], raw.AData, 20);
            break;
        case 2:
            FUZZ_CHECK(Dec(c[1]) == s.ADC && Dec(c[2]) == s.AALM && Dec(c[3]) == s.AAHM);
            FUZZ_CHECK(Dec(c[4]) == s.CRC);
            FUZZ_CHECK(Hex(c[5], 4) == raw.AData2 && Hex(c[6], 4) == raw.AData1);
            break;
        case 3:
            FUZZ_CHECK(Dec(c[1]) == s.ADC && Dec(c[2]) == s.AALM && Dec(c[3]) == s.AAHM);
            FUZZ_CHECK(Hex(c[4], 4) == raw.AData2 && Hex(c[5], 4) == raw.AData1);
            break;
        case 4:
            FUZZ_CHECK(Dec(c[1]) == s.AALM && Dec(c[2]) == s.AAHM);
            FUZZ_CHECK(Dec(c[3]) == s.Temp && Dec(c[4]) == s.ACode);
            FUZZ_CHECK(Hex(c[5], 4) == raw.AData3 && Hex(c[6], 4) == raw.AData2 &&
                       Hex(c[7], 4) == raw.AData1);
            break;
    }
}

void CheckRanges(uint8_t mode, const DecodedSample& s) {
    for (int flag : {s.ADC, s.AALM, s.AAHM}) FUZZ_CHECK(flag == 0 || flag == 1);
    const int32_t angleLimit[] = {0, 65536, 4096, 4194304, 4194304};
    if (mode == 0 || mode > 4) FUZZ_CHECK(s.Angle == -1);
    if (mode >= 1 && mode <= 4) FUZZ_CHECK(s.Angle >= 0 && s.Angle < angleLimit[mode]);
    FUZZ_CHECK(s.CRC >= 0 && s.CRC <= (mode == 2 ? 511 : mode == 1 ? 1 : 0));
    FUZZ_CHECK(s.Temp >= 0 && s.Temp <= (mode == 4 ? 511 : 0));
    FUZZ_CHECK(s.ACode >= 0 && s.ACode <= (mode == 4 ? 255 : 0));
}

// The frame read of a readout mode: its transfer size in bytes (or bits for
// mode 1), and the words it delivers from the bytes in wire order.
size_t FrameBytes(uint8_t mode) {
    switch (mode) {
        case 0:
            return 2;
        case 1:
            return 3;
        case 2:
        case 3:
            return 4;
        case 4:
            return 6;
        default:
            return 10;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static Fake fake;
    const uint8_t mode = data[0];
    const bool fail = (data[1] & 1) != 0;
    const size_t frameSize = FrameBytes(mode);
    if (size - 2 < frameSize) return 0;
    // Exactly the frame's bytes; the stand-in library answers from them.
    const std::vector<uint8_t> frame(data + 2, data + 2 + frameSize);
    fake.feed(frame.data(), frame.size(), fail);

    talmir::TASensDig chip(fake.link);
    RawReading raw{0x1111, 0x22222222, 0x3333, 0x4444, 0x5555};
    const RawReading old = raw;
    bool ok = true;
    uint16_t d4 = 0x6666, d5 = 0x7777;
    switch (mode) {
        case 0:
            try {
                raw.R = chip.GetReg(17, true);
            } catch (const talmir::DeviceError&) {
                ok = false;
            }
            break;
        case 1:
            ok = chip.GetAngleData1(raw.AData);
            break;
        case 2:
        case 3:
            ok = chip.GetAngleData2(raw.AData1, raw.AData2);
            break;
        case 4:
            ok = chip.GetAngleData3(raw.AData1, raw.AData2, raw.AData3);
            break;
        default:
            ok = chip.GetAngleData5(raw.AData1, raw.AData2, raw.AData3, d4, d5);
            break;
    }

    uint32_t readSize = 0, readOptions = 0;
    const uint8_t* written = nullptr;
    size_t writtenSize = 0;
    fake.lastRead(&readSize, &readOptions, &written, &writtenSize);
    FUZZ_CHECK(readSize == (mode == 1 ? 20 : frameSize));
    FUZZ_CHECK((readOptions & 1) == (mode == 1 ? 1u : 0u));
    // Mode 0 asks for register 17 first; the frame reads send nothing.
    if (mode == 0) {
        FUZZ_CHECK(writtenSize == 2 && written[0] == 0x00 && written[1] == 17);
    } else {
        FUZZ_CHECK(writtenSize == 0);
    }
    FUZZ_CHECK(ok == !fail);

    RawReading expected = old;
    if (!fail) {
        switch (mode) {
            case 0:
                expected.R = Word(frame, 0);
                break;
            case 1:
                expected.AData = (uint32_t{frame[0]} << 12) + (uint32_t{frame[1]} << 4) + frame[2];
                break;
            case 2:
            case 3:
                expected.AData1 = Word(frame, 0), expected.AData2 = Word(frame, 2);
                break;
            case 4:
                expected.AData1 = Word(frame, 0), expected.AData2 = Word(frame, 2);
                expected.AData3 = Word(frame, 4);
                break;
            default:
                expected.AData1 = Word(frame, 0), expected.AData2 = Word(frame, 2);
                expected.AData3 = Word(frame, 4);
                FUZZ_CHECK(d4 == Word(frame, 6) && d5 == Word(frame, 8));
                break;
        }
    }
    FUZZ_CHECK(raw.R == expected.R && raw.AData == expected.AData &&
               raw.AData1 == expected.AData1 && raw.AData2 == expected.AData2 &&
               raw.AData3 == expected.AData3);
    if (fail) return 0;

    // Frame values as the chip gives them: the 20-bit frame's last byte holds
    // only its last four bits. Decode those and the raw words as delivered.
    for (const RawReading& r :
         {raw, RawReading{raw.R, raw.AData & 0xFFFFF, raw.AData1, raw.AData2, raw.AData3}}) {
        const DecodedSample s = talmir::DecodeSample(mode, r);
        FUZZ_CHECK(Same(s, Expected(mode, r)));
        CheckRanges(mode, s);
        CheckRecord(mode, r, s);
    }

    // The chart page's own mode 2 decoding and its mode 0 line.
    const DecodedSample chart = talmir::DecodeChartMode2(raw);
    FUZZ_CHECK(chart.Angle == raw.AData2 && chart.CRC == static_cast<int>(raw.AData1 & 0x1FF));
    FUZZ_CHECK(chart.ADC == ((raw.AData1 >> 11) & 1) && chart.AALM == ((raw.AData2 >> 10) & 1) &&
               chart.AAHM == ((raw.AData2 >> 9) & 1));
    CheckRecord(2, raw, chart);
    const std::string chartLine = talmir::ChartMode0Line(raw.AData1, raw.AData2, raw.AData3);
    const std::vector<std::string> parts = Columns(chartLine + ";");
    FUZZ_CHECK(parts.size() == 3 && Dec(parts[0]) == raw.AData1 && Dec(parts[1]) == raw.AData2);
    FUZZ_CHECK(Dec(parts[2]) == talmir::Signed16(raw.AData3));
    FUZZ_CHECK(talmir::Signed16(raw.AData3) ==
               (raw.AData3 >= 0x8000 ? int32_t{raw.AData3} - 65536 : int32_t{raw.AData3}));

    // IntToBin with any count: that many characters, bit 31 always "0".
    const int count = static_cast<int>(data[1] >> 1) - 20;
    const int32_t value = static_cast<int32_t>(uint32_t{raw.AData1} << 16 | raw.AData2);
    const std::string bin = talmir::IntToBin(value, count);
    FUZZ_CHECK(bin.size() == static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        const bool one = i < 31 && ((static_cast<uint32_t>(value) >> i) & 1u);
        FUZZ_CHECK(bin[count - 1 - i] == (one ? '1' : '0'));
    }
    return 0;
}
