#include "core/SampleLines.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

TEST(SampleLines, WorkDataLine) {
    EXPECT_EQ(WorkDataHeader(), "Angle;Anplitude;X;Y;");
    EXPECT_EQ(WorkDataLine(0x1A2F, 5120, -1200, 3400), "1A2F;5120;-1200;3400;");
    EXPECT_EQ(WorkDataLine(0x00AB, 0xFFFF, -32768, 32767), "00AB;65535;-32768;32767;");
}

TEST(SampleLines, XYLine) {
    EXPECT_EQ(XYHeader(), "X;Y");
    EXPECT_EQ(XYLine(-1200, 3400), "-1200;3400;");
}

}  // namespace
}  // namespace talmir
