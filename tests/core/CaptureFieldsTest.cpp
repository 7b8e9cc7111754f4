// The numeric fields of a captured sample against the capture file's text:
// every column, in every mode, for words with all kinds of bits set.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/CaptureRecord.h"

namespace talmir {
namespace {

std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> columns;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        columns.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return columns;
}

// A column's text as the number its header says it is written in.
long long Number(const std::string& name, const std::string& text) {
    if (name.ends_with("(hex)")) return std::stoll(text, nullptr, 16);
    if (name.ends_with("(bin)")) return std::stoll(text, nullptr, 2);
    return std::stoll(text);
}

class CaptureFieldsTest : public testing::TestWithParam<int> {};

TEST_P(CaptureFieldsTest, FieldsAreTheNumbersOfTheCaptureLine) {
    const int mode = GetParam();
    const std::vector<std::string> names = CaptureFieldNames(mode);
    const std::vector<std::string> header = Columns(CaptureHeader(mode));
    ASSERT_EQ(names, std::vector<std::string>(header.begin() + 1, header.end()));
    std::mt19937 random(mode);
    for (int i = 0; i < 2000; ++i) {
        CapturedSample sample;
        // Every fourth sample takes all-ones words, so each flag and sign is set.
        const auto word = [&] { return static_cast<std::uint16_t>(i % 4 ? random() : 0xFFFF); };
        sample.tUs = i;
        sample.raw = {word(), static_cast<std::uint32_t>((word() << 4 | word()) & 0xFFFFF), word(),
                      word(), word()};
        for (std::uint16_t& w : sample.words) w = word();
        std::int32_t fields[kMaxCaptureFields];
        const std::size_t n = CaptureFields(mode, sample, fields);
        const std::vector<std::string> text = Columns(CaptureLine(mode, sample));
        ASSERT_EQ(n, names.size());
        ASSERT_EQ(text.size(), n + 1);
        for (std::size_t k = 0; k < n; ++k)
            ASSERT_EQ(fields[k], Number(names[k], text[k + 1])) << names[k] << " in " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, CaptureFieldsTest, testing::Range(0, 6));

TEST(CaptureFields, ModesOutsideZeroToFiveHaveNone) {
    std::int32_t fields[kMaxCaptureFields];
    EXPECT_EQ(CaptureFields(6, CapturedSample{}, fields), 0u);
    EXPECT_TRUE(CaptureFieldNames(-1).empty());
}

}  // namespace
}  // namespace talmir
