#include "core/AnalysisFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "TempDir.h"
#include "core/CaptureRecord.h"

namespace talmir {
namespace {

TEST(AnalysisFiles, ParsesXYWithOrWithoutHeaderAndLineEnds) {
    const std::vector<std::pair<int32_t, int32_t>> expected = {{-1200, 3400}, {0, -2147483647 - 1}};
    for (const char* text : {
             "X;Y\r\n-1200;3400;\r\n0;-2147483648;\r\n",
             "-1200;3400;\n0;-2147483648\n\n",  // no header, last ";" missing, blank end
             "X;Y\n-1200;3400;\n0;-2147483648;",
         }) {
        SCOPED_TRACE(text);
        const auto parsed = ParseXYText(text);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.samples, expected);
    }
}

TEST(AnalysisFiles, ParsesWorkData) {
    const auto parsed =
        ParseWorkDataText("Angle;Anplitude;X;Y;\r\n1A2F;5120;-1200;3400;\r\nffff;0;7;-8;\r\n\r\n");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.samples.size(), 2u);
    EXPECT_EQ(parsed.samples[0].code, 0x1A2F);
    EXPECT_EQ(parsed.samples[0].x, -1200);
    EXPECT_EQ(parsed.samples[0].y, 3400);
    EXPECT_EQ(parsed.samples[1].code, 0xFFFF);
    EXPECT_EQ(parsed.samples[1].y, -8);
}

TEST(AnalysisFiles, NamesTheFirstBadLineByNumber) {
    struct Case {
        bool xy;
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {true, "X;Y\r\n1;2;\r\n1,5;2;\r\n", "строка 3: «1,5;2;»"},
        {true, "1;2;3;\n", "строка 1: «1;2;3;»"},
        {true, "1;2;\n\n2147483648;0;\n", "строка 3: «2147483648;0;»"},
        {true, "Angle;Anplitude;X;Y;\n1;2;\n", "строка 1: «Angle;Anplitude;X;Y;»"},
        {true, "1;2;\nX;Y\n", "строка 2: «X;Y»"},  // a header only on the first line
        {false, "Angle;Anplitude;X;Y;\n1A2F5;0;1;2;\n", "строка 2: «1A2F5;0;1;2;»"},
        {false, "0001;65536;1;2;\n", "строка 1: «0001;65536;1;2;»"},
        {false, "0001;5;1;\n", "строка 1: «0001;5;1;»"},
        {false, "0001;5;1;2;\n0002;-5;1;2;\n", "строка 2: «0002;-5;1;2;»"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string error =
            c.xy ? ParseXYText(c.text).error : ParseWorkDataText(c.text).error;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
    }
    // A long line is quoted by its start only.
    const std::string error = ParseXYText("1;2;\n" + std::string(100, '7') + ";1;\n").error;
    EXPECT_EQ(error.rfind("строка 2: «" + std::string(40, '7') + "…»", 0), 0u) << error;
    EXPECT_TRUE(ParseXYText("1;2;\nx\n").samples.empty()) << "no samples when a line is bad";
}

// A mode 0 capture: 100 us steps, the angle 2000 codes a step, samples
// `lost` to `lostTo` left out.
std::vector<std::string> CaptureLines(int count, int lost, int lostTo = -1) {
    std::vector<std::string> lines = {CaptureHeader(0)};
    for (int i = 0; i < count; ++i) {
        if (i >= lost && i <= std::max(lost, lostTo)) continue;
        CapturedSample s;
        s.tUs = 1000 + 100 * i;
        s.raw.AData1 = s.raw.AData3 = static_cast<uint16_t>(i * 2000);
        lines.push_back(CaptureLine(0, s));
    }
    return lines;
}

std::string Text(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

TEST(AnalysisFiles, TakesACapturesAngleOnItsTimeSteps) {
    // One lost sample, and a gap of 40 in which the angle turns 1.2 turns.
    for (const auto [lost, lostTo] : {std::pair{30, 30}, std::pair{30, 69}}) {
        const std::string text = Text(CaptureLines(120, lost, lostTo));
        ASSERT_TRUE(IsCaptureText(text));
        const CaptureAngle capture = ParseCaptureAngleText(text);
        ASSERT_EQ(capture.error, "");
        EXPECT_EQ(capture.stepUs, 100);
        EXPECT_EQ(capture.filledSteps, lostTo - lost + 1);
        ASSERT_EQ(capture.samples.size(), 120u);
        for (const int i : {lost, (lost + lostTo) / 2, lostTo, 119})
            EXPECT_EQ(capture.samples[static_cast<std::size_t>(i)].code,
                      static_cast<uint16_t>(i * 2000))
                << "the lost steps lie on the line of their neighbours: " << i;
    }
}

TEST(AnalysisFiles, NamesACapturesFirstBadLineByNumber) {
    struct Case {
        int line;  // replaced, 0-based; 0 is the header
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {3, "1100;4000;4000;0", "строка 4: «1100;4000;4000;0» не разобрана: время"},
        {2, "1100;2000;2000", "строка 3: «1100;2000;2000» не разобрана: неверное число полей"},
        {5, "1400;8000;8000;x", "строка 6: «1400;8000;8000;x» не разобрана: поле 4"},
        {0, "t_us;X;Y", "строка 1 "},
        {0, "t_us;Data4(hex);Data3(hex);Data2(hex);Data1(hex);Data0(hex);",
         "строка 2: «1000;0;0;0» не разобрана: поле 2 («Data4(hex)»)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> lines = CaptureLines(60, -1);
        lines[static_cast<std::size_t>(c.line)] = c.text;
        const CaptureAngle capture = ParseCaptureAngleText(Text(lines));
        EXPECT_EQ(capture.error.rfind(c.where, 0), 0u) << capture.error;
        EXPECT_TRUE(capture.samples.empty());
    }
    // A mode 5 capture reads, but its frame words hold no angle.
    CapturedSample first, second;
    second.tUs = 100;
    const std::string words =
        Text({CaptureHeader(5), CaptureLine(5, first), CaptureLine(5, second)});
    EXPECT_EQ(ParseCaptureAngleText(words).error, "в файле нет угла");
}

TEST(AnalysisFiles, ReadsAFileOrSaysWhyNot) {
    test::TempDir dir;
    test::WriteAll(dir.File("xy.csv"), "X;Y\r\n1;2;\r\n");
    std::string error;
    EXPECT_EQ(ReadAnalysisFile(dir.File("xy.csv"), error), "X;Y\r\n1;2;\r\n");
    EXPECT_FALSE(ReadAnalysisFile(dir.File("none.csv"), error));
    EXPECT_NE(error.find("не удалось прочитать файл «" + dir.File("none.csv") + "»"),
              std::string::npos)
        << error;
}

}  // namespace
}  // namespace talmir
