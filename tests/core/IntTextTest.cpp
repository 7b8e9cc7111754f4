#include "core/IntText.h"

#include <gtest/gtest.h>

#include <utility>

namespace talmir {
namespace {

TEST(ParseInt, AcceptsDecimalAndEveryHexPrefix) {
    const std::pair<const char*, int32_t> cases[] = {
        {"$1234", 0x1234}, {"0x1234", 0x1234}, {"0X1234", 0x1234}, {"x1234", 0x1234},
        {"X1234", 0x1234}, {"4660", 4660},     {"70000", 70000},   {"-1", -1},
        {" 5", 5},         {"\t 5", 5},        {"+$10", 16},       {"-0x10", -16},
        {"$abCD", 0xABCD}, {"007", 7},         {"+0", 0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseInt(text), value) << '"' << text << '"';
    }
}

TEST(ParseInt, RejectsTextThatIsNotAWholeInteger) {
    for (const char* text :
         {"12ab", "5 ", "$", "0x", "x", "", " ", "+", "-", "- 5", "$-10", "1.5", "0x1G", "5\n"}) {
        EXPECT_FALSE(ParseInt(text)) << '"' << text << '"';
    }
}

TEST(ParseInt, DecimalMustFitSigned32Bits) {
    EXPECT_EQ(ParseInt("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseInt("-2147483648"), INT32_MIN);
    EXPECT_FALSE(ParseInt("2147483648"));
    EXPECT_FALSE(ParseInt("-2147483649"));
    EXPECT_FALSE(ParseInt("99999999999999999999"));
}

TEST(ParseInt, HexIsA32BitPatternOfAtMostEightDigits) {
    EXPECT_EQ(ParseInt("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseInt("$80000000"), INT32_MIN);
    EXPECT_EQ(ParseInt("-$1"), -1);
    EXPECT_EQ(ParseInt("-$FFFFFFFF"), 1);
    EXPECT_FALSE(ParseInt("$100000000"));
    EXPECT_FALSE(ParseInt("$000000001"));
}

TEST(ParseIntOr, FallsBackOnlyWhenNotAnInteger) {
    EXPECT_EQ(ParseIntOr("12", 100), 12);
    EXPECT_EQ(ParseIntOr("0", 100), 0);
    EXPECT_EQ(ParseIntOr("abc", 100), 100);
}

TEST(HexText, UpperCaseZeroPaddedToMinimumWidth) {
    EXPECT_EQ(Hex4(10), "000A");
    EXPECT_EQ(Hex4(0xABCDE), "ABCDE");
    EXPECT_EQ(Hex6(0), "000000");
    EXPECT_EQ(Hex6(0x5ABCD), "05ABCD");
    EXPECT_EQ(RegDisplay(0x10F1), "$10F1");
    EXPECT_EQ(RegDisplay(0xff), "$00FF");
}

}  // namespace
}  // namespace talmir
