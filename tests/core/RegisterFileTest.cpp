#include "core/RegisterFile.h"

#include "TempDir.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

using Values = std::vector<std::pair<uint16_t, uint16_t>>;

TEST(RegisterFile, ZeroTableGives72LinesOfZero) {
    std::string expected;
    for (int i = 0; i < 72; ++i) expected += "0\r\n";
    EXPECT_EQ(FormatRegisterFile({}), expected);
}

TEST(RegisterFile, SavedTableLoadsBack) {
    std::array<uint16_t, 73> table{};
    for (size_t a = 0; a < table.size(); ++a) table[a] = static_cast<uint16_t>(a * 911);
    table[72] = 65535;
    const RegisterFileLoad load = ParseRegisterFile(FormatRegisterFile(table));
    ASSERT_EQ(load.values.size(), 72u);
    for (size_t i = 0; i < 72; ++i) {
        EXPECT_EQ(load.values[i], std::make_pair(uint16_t(i + 1), table[i + 1]));
    }
    EXPECT_FALSE(load.badLine);
    EXPECT_EQ(load.ignored, 0u);
}

TEST(RegisterFile, LinesInIntegerSyntaxKeepLow16Bits) {
    EXPECT_EQ(ParseRegisterFile("1\r\n$10\n0x20\r").values, (Values{{1, 1}, {2, 16}, {3, 32}}));
    EXPECT_EQ(ParseRegisterFile("70000\r\n-1").values, (Values{{1, 4464}, {2, 0xFFFF}}));
}

TEST(RegisterFile, BadLineStopsLoadKeepingEarlierValues) {
    const RegisterFileLoad load = ParseRegisterFile("5\r\n\r\n7\r\n");
    EXPECT_EQ(load.values, (Values{{1, 5}}));
    EXPECT_EQ(load.badLine, "");
    EXPECT_EQ(ParseRegisterFile("5\r\n6x\r\n").badLine, "6x");
}

TEST(RegisterFile, LinesPastTheTableAreCountedNotLoaded) {
    std::string text;
    for (int i = 1; i <= 84; ++i) text += std::to_string(i) + "\r\n";
    const RegisterFileLoad load = ParseRegisterFile(text);
    ASSERT_EQ(load.values.size(), 81u);
    EXPECT_EQ(load.values.back(), std::make_pair(uint16_t(81), uint16_t(81)));
    EXPECT_EQ(load.ignored, 3u);
    EXPECT_FALSE(load.badLine);
}

TEST(RegisterFile, SplitLinesAcceptsAllLineEnds) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(RegisterIni, ReadsDecimalKeysAndSkipsMissingBadAndMinusOne) {
    test::TempDir dir;
    test::WriteAll(dir.File("r.ini"),
                   "[REG_CFG]\n5=0x10\n0x7=1\n3=-1\n4=abc\n72=70000\n73=1\n0=$FFFF\n[X]\n6=1\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("r.ini")));
    EXPECT_EQ(ReadRegisterIni(ini), (Values{{0, 0xFFFF}, {5, 16}, {72, 4464}}));
}

}  // namespace
}  // namespace talmir
