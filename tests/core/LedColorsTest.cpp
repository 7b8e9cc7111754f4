#include "core/LedColors.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

TEST(LedColors, AlarmCellsGreenWhenClearLockGreenWhenSet) {
    for (int col : {0, 1}) {
        EXPECT_TRUE(LedIsGreen(col, "0"));
        EXPECT_TRUE(LedIsGreen(col, ""));
        EXPECT_TRUE(LedIsGreen(col, "x"));
        EXPECT_FALSE(LedIsGreen(col, "1"));
        EXPECT_FALSE(LedIsGreen(col, "-1"));
    }
    EXPECT_TRUE(LedIsGreen(2, "1"));
    EXPECT_FALSE(LedIsGreen(2, "0"));
    EXPECT_FALSE(LedIsGreen(2, ""));
    EXPECT_FALSE(LedIsGreen(2, "-1"));
}

}  // namespace
}  // namespace talmir
