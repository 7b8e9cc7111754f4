// Review of the tool's data files, read back from lines its own writers make.
#include "core/ReviewReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "core/AngleRecord.h"
#include "core/CaptureFile.h"
#include "core/CaptureReview.h"
#include "core/FftAmplitudes.h"
#include "core/ReviewSamples.h"
#include "core/SampleLines.h"

namespace talmir {
namespace {

RawReading Words(uint16_t a1, uint16_t a2, uint16_t a3 = 0) {
    RawReading raw;
    raw.AData1 = a1;
    raw.AData2 = a2;
    raw.AData3 = a3;
    return raw;
}

std::string Line(uint8_t mode, const RawReading& raw) {
    return RecordLine(mode, raw, DecodeSample(mode, raw));
}

std::string ChartMode2Line(uint16_t a1, uint16_t a2) {
    const RawReading raw = Words(a1, a2);
    return RecordLine(2, raw, DecodeChartMode2(raw));
}

// Lines joined with CR LF, the last one ended too.
std::string Text(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

ReviewReader Read(const std::string& text, std::size_t piece = 5) {
    ReviewReader reader;
    for (std::size_t at = 0; at < text.size(); at += piece)
        reader.Feed(std::string_view(text).substr(at, piece));
    reader.Finish();
    return reader;
}

std::vector<std::vector<int32_t>> SeriesValues(const ReviewRecord& record) {
    std::vector<std::vector<int32_t>> out;
    for (const ReviewSeries& s : record.Series()) {
        out.emplace_back();
        for (int64_t i = 0; i < s.store.Count(); ++i) {
            EXPECT_EQ(s.store.XAt(i), i);
            out.back().push_back(s.store.ValueAt(i));
        }
    }
    return out;
}

struct KindCase {
    const char* name;
    std::vector<std::string> lines;
    ReviewFormat format;
    std::vector<std::string> titles;
    std::vector<std::vector<int32_t>> values;  // per series
    int64_t lastTimeUs = 0;                    // captures
};

TEST(ReviewReader, ReadsEveryFileKindTheToolWrites) {
    RawReading r0;
    r0.R = 0xA000;
    RawReading r1;
    r1.AData = 0x5ABCD;
    const std::string capture2 = "t_us;" + RecordHeader(2);
    const KindCase cases[] = {
        {"chart page mode 0",
         {ChartMode0Header(), ChartMode0Line(1000, 2000, 0xFFFF), ChartMode0Line(65535, 0, 0x8000)},
         {ReviewLayout::ChartMode0, false},
         {"Angle", "AngleRaw", "Velocity"},
         {{1000, 65535}, {2000, 0}, {-1, -32768}}},
        {"one-shot mode 0",
         {RecordHeader(0), Line(0, r0)},
         {ReviewLayout::Mode0, false},
         {"Angle", "ADC", "AALM", "AAHM", "Data(hex)"},
         {{-1}, {1}, {1}, {0}, {0xA000}}},
        {"mode 1",
         {RecordHeader(1), Line(1, r1)},
         {ReviewLayout::Mode1, false},
         {"Angle", "ADC", "AALM", "AAHM", "CRC", "Data(hex)"},
         {{43981}, {1}, {0}, {1}, {0}, {0x5ABCD}}},
        {"chart page mode 2",
         {RecordHeader(2), ChartMode2Line(0x05FF, 0x6ABC)},
         {ReviewLayout::Mode2, false},
         {"Angle", "ADC", "AALM", "AAHM", "CRC", "Data1(hex)", "Data0(hex)"},
         {{27324}, {0}, {0}, {1}, {511}, {0x6ABC}, {0x05FF}}},
        {"one-shot mode 2",
         {RecordHeader(2), Line(2, Words(0x05FF, 0x6ABC))},
         {ReviewLayout::Mode2, false},
         {"Angle", "ADC", "AALM", "AAHM", "CRC", "Data1(hex)", "Data0(hex)"},
         {{2748}, {1}, {1}, {1}, {511}, {0x6ABC}, {0x05FF}}},
        {"mode 3",
         {RecordHeader(3), Line(3, Words(0x0A05, 0x8123))},
         {ReviewLayout::Mode3, false},
         {"Angle", "ADC", "AALM", "AAHM", "Data2(hex)", "Data1(hex)"},
         {{164131}, {1}, {1}, {0}, {0x8123}, {0x0A05}}},
        {"mode 4",
         {RecordHeader(4), Line(4, Words(0x3F8A, 0xD805, 0x7FFF))},
         {ReviewLayout::Mode4, false},
         {"Angle", "AALM", "AAHM", "Temp", "ACode", "Data2(hex)", "Data1(hex)", "Data0(hex)"},
         {{196607}, {1}, {1}, {43}, {127}, {0x7FFF}, {0xD805}, {0x3F8A}}},
        {"work data",
         {WorkDataHeader(), WorkDataLine(0x1A2F, 5120, -1200, 3400),
          WorkDataLine(0xFFFF, 0, 7, -8)},
         {ReviewLayout::WorkData, false},
         {"Angle", "Anplitude", "X", "Y"},
         {{0x1A2F, 0xFFFF}, {5120, 0}, {-1200, 7}, {3400, -8}}},
        {"XY data",
         {XYHeader(), XYLine(-1200, 3400), XYLine(32767, -32768)},
         {ReviewLayout::XY, false},
         {"X", "Y"},
         {{-1200, 32767}, {3400, -32768}}},
        {"capture, mode 2",
         {capture2, "1000;" + ChartMode2Line(0x05FF, 0x6ABC), "2003;" + ChartMode2Line(0, 7)},
         {ReviewLayout::Mode2, true},
         {"Angle", "ADC", "AALM", "AAHM", "CRC", "Data1(hex)", "Data0(hex)"},
         {{27324, 7}, {0, 0}, {0, 0}, {1, 0}, {511, 0}, {0x6ABC, 7}, {0x05FF, 0}},
         2003},
        {"capture, mode 0",
         {"t_us;" + ChartMode0Header(), "5;" + ChartMode0Line(1, 2, 0xFFFE)},
         {ReviewLayout::ChartMode0, true},
         {"Angle", "AngleRaw", "Velocity"},
         {{1}, {2}, {-2}},
         5},
        {"file created in mode 5, then mode 3 lines",
         {RecordHeader(5), Line(3, Words(0x0A05, 0x8123))},
         {ReviewLayout::Mode3, false},
         {"Angle", "ADC", "AALM", "AAHM", "Data2(hex)", "Data1(hex)"},
         {{164131}, {1}, {1}, {0}, {0x8123}, {0x0A05}}},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewReader reader = Read(Text(c.lines));
        ASSERT_EQ(reader.Error(), "");
        const ReviewRecord& record = *reader.Record();
        EXPECT_EQ(record.Format(), c.format);
        EXPECT_EQ(record.BadLineCount(), 0);
        std::vector<std::string> titles;
        for (const ReviewSeries& s : record.Series()) titles.push_back(s.title);
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(SeriesValues(record), c.values);
        EXPECT_EQ(record.HasTimes() ? record.TimeUs(record.Count() - 1) : 0, c.lastTimeUs);
    }
}

TEST(ReviewReader, TellsTheTwoMode2DecodingsApart) {
    // 0x0123 as the second word agrees with both, so the first line decides nothing.
    const std::string ambiguous = ChartMode2Line(0x0000, 0x0123);
    ASSERT_EQ(ambiguous, Line(2, Words(0x0000, 0x0123)));
    const auto decodings = [&](const std::vector<std::string>& lines) {
        return Read(Text(lines)).Record()->Mode2Decodings();
    };
    EXPECT_EQ(decodings({RecordHeader(2), ambiguous}), kChartMode2 | kExportMode2);
    EXPECT_EQ(decodings({RecordHeader(2), ambiguous, ChartMode2Line(0x05FF, 0x6ABC)}), kChartMode2);
    EXPECT_EQ(decodings({RecordHeader(2), Line(2, Words(0x05FF, 0x6ABC))}), kExportMode2);
}

struct BadCase {
    const char* name;
    std::string line;
    const char* reason;  // a part of the reason
};

TEST(ReviewReader, ReportsALineThatDoesNotParseByNumberAndLeavesItOut) {
    const std::string good = ChartMode2Line(0x05FF, 0x6ABC);  // 27324;0;0;1;511;6ABC;05FF;
    ASSERT_EQ(good, "27324;0;0;1;511;6ABC;05FF;");
    const BadCase cases[] = {
        {"lower-case hex", "27324;0;0;1;511;6abc;05FF;", "поле 6 («Data1(hex)»)"},
        {"leading zero", "027324;0;0;1;511;6ABC;05FF;", "поле 1 («Angle»)"},
        {"plus sign", "+27324;0;0;1;511;6ABC;05FF;", "поле 1"},
        {"CRC out of range", "27324;0;0;1;512;6ABC;05FF;", "поле 5 («CRC»)"},
        {"no final semicolon", "27324;0;0;1;511;6ABC;05FF", "число полей"},
        {"extra field", "27324;0;0;1;511;6ABC;05FF;0;", "число полей"},
        {"flag against its word", "27324;1;0;1;511;6ABC;05FF;", "не согласуются"},
        {"the other page's decoding", Line(2, Words(0x05FF, 0x6ABC)), "другой страницы"},
        {"another readout mode", Line(4, Words(0x3F8A, 0xD805, 0x7FFF)),
         "формата «Angle;AALM;AAHM;Temp;ACode;Data2(hex);Data1(hex);Data0(hex);»"},
        {"blanks", " 27324;0;0;1;511;6ABC;05FF;", "поле 1"},
        {"torn and joined lines", "27324;0;0;1;27324;0;0;1;511;6ABC;05FF;", "поле 5"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Line 3 is bad; the blank line 4 counts in the numbering.
        ReviewReader reader = Read(Text({RecordHeader(2), good, c.line, "", good}));
        const ReviewRecord& record = *reader.Record();
        EXPECT_EQ(record.Count(), 2);
        EXPECT_EQ(record.Series()[0].store.ValueAt(1), 27324);
        ASSERT_EQ(record.BadLineCount(), 1);
        EXPECT_EQ(record.FirstBadLines()[0].number, 3);
        EXPECT_NE(record.FirstBadLines()[0].reason.find(c.reason), std::string::npos)
            << record.FirstBadLines()[0].reason;
    }
}

TEST(ReviewReader, ReportsAModeFiveCaptureLineNotInTheWritersForm) {
    CapturedSample sample;
    sample.tUs = 10;
    sample.words[0] = 0x0123;
    sample.words[1] = 0x4567;
    sample.words[2] = 0x89AB;
    sample.words[3] = 0xCDEF;
    sample.words[4] = 0xFFFF;
    const std::string good = CaptureLine(5, sample);
    ASSERT_EQ(good, "10;FFFF;CDEF;89AB;4567;0123;");
    sample.tUs = 30;
    const BadCase cases[] = {
        {"lower-case hex", "20;FFFF;cdef;89AB;4567;0123;", "поле 3 («Data3(hex)»)"},
        {"three digits", "20;FFFF;CDEF;9AB;4567;0123;", "поле 4 («Data2(hex)»)"},
        {"five digits", "20;FFFF;CDEF;89AB;4567;00123;", "поле 6 («Data0(hex)»)"},
        {"not a hex digit", "20;FFFF;CDEF;89AB;45G7;0123;", "поле 5 («Data1(hex)»)"},
        {"no time", "FFFF;CDEF;89AB;4567;0123;", "поле 1 («t_us»)"},
        {"no final semicolon", "20;FFFF;CDEF;89AB;4567;0123", "число полей"},
        {"a sixth word", "20;FFFF;CDEF;89AB;4567;0123;0000;", "число полей"},
        {"time going back", "9;FFFF;CDEF;89AB;4567;0123;", "время"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewReader reader =
            Read(Text({CaptureHeader(5), good, c.line, "", CaptureLine(5, sample)}));
        ASSERT_EQ(reader.Error(), "");
        const ReviewRecord& record = *reader.Record();
        EXPECT_EQ(record.Format(), (ReviewFormat{ReviewLayout::Mode5, true}));
        EXPECT_EQ(record.Count(), 2);
        EXPECT_EQ(record.TimeUs(1), 30);
        ASSERT_EQ(record.BadLineCount(), 1);
        EXPECT_EQ(record.FirstBadLines()[0].number, 3);
        EXPECT_NE(record.FirstBadLines()[0].reason.find(c.reason), std::string::npos)
            << record.FirstBadLines()[0].reason;
    }
}

TEST(ReviewReader, AModeFiveCaptureReadsBackWordForWordAndHasNoAngle) {
    // Words spread over the whole range, 0x0000 and 0xFFFF among them.
    std::vector<CapturedSample> samples(64);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i].tUs = static_cast<int64_t>(1000 + 50 * i + i % 3);
        for (std::size_t w = 0; w < 5; ++w)
            samples[i].words[w] = static_cast<uint16_t>(0x9E37 * (5 * i + w));
    }
    for (uint16_t& w : samples.back().words) w = 0xFFFF;
    test::TempDir dir;
    ASSERT_EQ(WriteCaptureFile(dir.File("capture.csv"), 5, samples), "");
    const ReviewFileResult read = ReadReviewFile(dir.File("capture.csv"));
    ASSERT_TRUE(read.record) << read.error;
    const std::optional<ReviewRecord> fresh = ReviewRecordOfCapture(5, samples);
    ASSERT_TRUE(fresh);
    for (const ReviewRecord* record : {&*read.record, &*fresh}) {
        EXPECT_EQ(record->Format(), (ReviewFormat{ReviewLayout::Mode5, true}));
        EXPECT_EQ(record->BadLineCount(), 0);
        std::vector<std::string> titles;
        for (const ReviewSeries& s : record->Series()) titles.push_back(s.title);
        EXPECT_EQ(titles, CaptureFieldNames(5));
        ASSERT_EQ(record->Count(), static_cast<int64_t>(samples.size()));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto at = static_cast<int64_t>(i);
            EXPECT_EQ(record->TimeUs(at), samples[i].tUs);
            for (std::size_t k = 0; k < 5; ++k)
                EXPECT_EQ(record->Series()[k].store.ValueAt(at), samples[i].words[4 - k]) << i;
        }
        EXPECT_FALSE(AngleColumnOf(*record));
        EXPECT_FALSE(XYPairsOf(*record, 0, record->Count() - 1));
    }
}

TEST(ReviewReader, NeverTakesATornLastLineOrATimeGoingBack) {
    // Chart mode 0 lines end without ";": "1;2;3" cut from "1;2;345" would parse.
    ReviewReader torn = Read(Text({ChartMode0Header(), ChartMode0Line(1, 2, 345)}) + "1;2;3");
    EXPECT_EQ(torn.Record()->Count(), 1);
    ASSERT_EQ(torn.Record()->BadLineCount(), 1);
    EXPECT_EQ(torn.Record()->FirstBadLines()[0].number, 3);
    EXPECT_NE(torn.Record()->FirstBadLines()[0].reason.find("оборвана"), std::string::npos);

    const std::string h = "t_us;" + ChartMode0Header();
    ReviewReader back = Read(Text({h, "10;1;2;3", "10;1;2;3", "9;1;2;3", "11;1;2;3"}));
    EXPECT_EQ(back.Record()->Count(), 2);
    EXPECT_EQ(back.Record()->BadLineCount(), 2);
    EXPECT_EQ(back.Record()->TimeUs(1), 11);
}

TEST(ReviewReader, EveryByteOfALineFullyBoundToItsWordsIsChecked) {
    // In modes 0 and 1 every column follows from the raw value, so any one
    // changed byte makes the line refused rather than read as another value.
    RawReading r0, r1;
    r0.R = 0xA5C3;
    r1.AData = 0x9ABCD;
    const std::pair<ReviewFormat, std::string> lines[] = {
        {{ReviewLayout::Mode0, false}, Line(0, r0)}, {{ReviewLayout::Mode1, false}, Line(1, r1)}};
    for (const auto& [format, line] : lines) {
        ReviewLine parsed;
        ASSERT_TRUE(ParseReviewLine(format, line, parsed)) << line;
        for (std::size_t at = 0; at < line.size(); ++at) {
            for (const char c : std::string_view("0123456789ABCDEF;-")) {
                if (c == line[at]) continue;
                std::string changed = line;
                changed[at] = c;
                EXPECT_FALSE(ParseReviewLine(format, changed, parsed)) << changed;
            }
        }
    }
}

TEST(ReviewReader, RefusesATextThatIsNoFileOfTheTool) {
    // Mode 5's words are written only in captures, never without their times.
    for (const char* text : {"Time;Angle\r\n1;2\r\n", "", "\r\n\r\n",
                             "Data4(hex);Data3(hex);Data2(hex);Data1(hex);Data0(hex);\r\n",
                             "0000;1111;2222;3333;4444;\r\n"}) {
        SCOPED_TRACE(text);
        ReviewReader reader = Read(text);
        EXPECT_FALSE(reader.Record());
        EXPECT_NE(reader.Error(), "");
    }
}

TEST(ReviewReader, ReadsAFileAndStopsWhenCancelled) {
    test::TempDir dir;
    const std::string path = dir.File("data.csv");
    std::ofstream(path, std::ios::binary) << Text({XYHeader(), XYLine(1, 2), "bad", XYLine(3, 4)});
    std::atomic<int64_t> bytes{0};
    const ReviewFileResult read = ReadReviewFile(path, &bytes);
    ASSERT_TRUE(read.record) << read.error;
    EXPECT_EQ(read.record->Count(), 2);
    EXPECT_EQ(read.record->BadLineCount(), 1);
    EXPECT_EQ(bytes.load(), 22);
    const std::atomic<bool> cancel{true};
    const ReviewFileResult cancelled = ReadReviewFile(path, nullptr, &cancel);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.record);
    EXPECT_FALSE(ReadReviewFile(dir.File("missing.csv")).record);
}

// A suite of its own, outside the ThreadSanitizer run: it starts no thread.
TEST(ReviewReaderScale, ReadsATenMillionLineFileWholeInOrder) {
    // A chart page file of 10^7 mode 2 lines (about 270 MB): every line is
    // taken, at its own index, across the reader's pieces and the stores' chunks.
    constexpr int64_t kLines = 10000000;
    const auto raw = [](int64_t i) {
        return Words(static_cast<uint16_t>((i >> 3) & 0x0FFF),
                     static_cast<uint16_t>(i * 7 + ((i * 2654435761u) >> 29)));
    };
    test::TempDir dir;
    const std::string path = dir.File("chart.csv");
    {
        std::ofstream file(path, std::ios::binary);
        std::string text = RecordHeader(2) + "\r\n";
        for (int64_t i = 0; i < kLines; ++i) {
            const RawReading r = raw(i);
            text += ChartMode2Line(r.AData1, r.AData2) + "\r\n";
            if (text.size() > (1u << 20)) {
                file << text;
                text.clear();
            }
        }
        file << text;
    }
    std::atomic<int64_t> bytes{0};
    const ReviewFileResult read = ReadReviewFile(path, &bytes);
    ASSERT_TRUE(read.record) << read.error;
    const ReviewRecord& record = *read.record;
    EXPECT_EQ(bytes.load(), static_cast<int64_t>(std::filesystem::file_size(path)));
    ASSERT_EQ(record.Count(), kLines);
    EXPECT_EQ(record.BadLineCount(), 0);
    std::vector<int64_t> checked;
    for (int64_t i = 0; i < kLines; i += 99991) checked.push_back(i);
    checked.push_back(kLines - 1);
    for (const int64_t i : checked) {
        const RawReading r = raw(i);
        ReviewLine expected;
        ASSERT_TRUE(ParseReviewLine(record.Format(), ChartMode2Line(r.AData1, r.AData2), expected));
        for (std::size_t k = 0; k < record.Series().size(); ++k) {
            const SeriesStore& store = record.Series()[k].store;
            ASSERT_EQ(store.XAt(i), i);
            ASSERT_EQ(store.ValueAt(i), expected.values[k]) << "line " << i + 2 << ", series " << k;
        }
    }
}

TEST(ReviewReader, PutsACapturesAngleOnEqualTimeSteps) {
    // A turn in 64 steps of 1000 us with a jitter of 90 us; the sample of
    // step 5 is lost.
    std::vector<std::string> lines = {"t_us;" + RecordHeader(2)};
    for (int k = 0; k < 128; ++k) {
        if (k == 5) continue;
        const auto angle = static_cast<uint16_t>(k * 1024);
        lines.push_back(std::to_string(500 + k * 1000 + (k % 3 - 1) * 90) + ";" +
                        ChartMode2Line(0, angle));
    }
    const ReviewReader reader = Read(Text(lines), 4096);
    const ReviewRecord& record = *reader.Record();
    const ReviewAngleSamples s = AngleSamplesOf(record, 0, record.Count() - 1);
    ASSERT_EQ(s.refusal, "");
    EXPECT_FALSE(s.channels);
    EXPECT_EQ(s.interpolated, 1);
    ASSERT_EQ(s.samples.size(), 128u);
    for (int k = 0; k < 128; ++k) EXPECT_EQ(s.samples[k].code, static_cast<uint16_t>(k * 1024));
    EXPECT_EQ(record.IndexAtTime(5000), 5);  // the sample of step 6, at 6410 us
}

TEST(FftAmplitudes, ReadsASineAtItsAmplitudeAndNoiseAtItsFloor) {
    SeriesStore sine, noise;
    uint64_t state = 12345;
    const auto gauss = [&] {  // sum of 12 uniforms less 6: σ = 1
        double sum = 0;
        for (int k = 0; k < 12; ++k) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            sum += static_cast<double>(state >> 11) / 9007199254740992.0;
        }
        return sum - 6;
    };
    for (int i = 0; i < 8192; ++i)
        sine.Append(i, static_cast<int32_t>(std::lround(
                           2000 + 1000 * std::sin(2 * 3.141592653589793 * 64 * i / 8192.0))));
    for (int i = 0; i < 65536 * 8; ++i)
        noise.Append(i, static_cast<int32_t>(std::lround(100 * gauss())));

    const auto s = ComputeFftAmplitudes(sine, 0, 8191).spectrum;
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Length, 8192);
    EXPECT_EQ(s->PeakBin, 64);
    EXPECT_NEAR(s->PeakLsb, 1000, 2);
    const auto n = ComputeFftAmplitudes(noise, 0, noise.LastX()).spectrum;
    ASSERT_TRUE(n);
    EXPECT_EQ(n->Segments, 15);
    EXPECT_NEAR(n->NoiseFloorLsb, 100 * std::sqrt(6.0 / 65536), 0.1 * 100 * std::sqrt(6.0 / 65536));
    EXPECT_FALSE(ComputeFftAmplitudes(sine, 0, 14).spectrum);
}

}  // namespace
}  // namespace talmir
