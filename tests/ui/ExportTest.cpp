// One-shot export: one reading per readout mode from the simulated chip,
// appended to a data file.
#include <QFile>

#include "UiTestSupport.h"
#include "core/DataFile.h"
#include "device/DeviceError.h"

namespace talmir::test {
namespace {

class ExportTest : public UiTest {
protected:
    void QueueFrame(std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> v(bytes);
        TalmirSim_QueueRead(v.data(), static_cast<std::uint32_t>(v.size()));
    }
};

struct WorkedReading {
    int mode;
    std::vector<std::uint8_t> frame;  // bytes the chip delivers (modes 1 to 4)
    const char* header;
    const char* line;
};

// Names the case by its expected line, so test names stay the same across runs.
void PrintTo(const WorkedReading& w, std::ostream* os) {
    *os << "mode " << w.mode << ": " << w.line;
}

class ExportWorkedLineTest : public ExportTest,
                             public ::testing::WithParamInterface<WorkedReading> {};

TEST_P(ExportWorkedLineTest, FirstCallWritesHeaderThenLineSecondOnlyTheLine) {
    const WorkedReading& w = GetParam();
    TalmirSim_SetRegister(17, 0xA000);
    const QString file = Path("one.csv");
    for (int call = 0; call < 2; ++call) {
        if (!w.frame.empty())
            TalmirSim_QueueRead(w.frame.data(), static_cast<std::uint32_t>(w.frame.size()));
        Face().ReadAngleDataToFile(static_cast<std::uint8_t>(w.mode), file);
    }
    const QByteArray line = QByteArray(w.line) + "\r\n";
    EXPECT_EQ(ReadFile(file), QByteArray(w.header) + "\r\n" + line + line);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ExportWorkedLineTest,
    ::testing::Values(WorkedReading{0,
                                    {},
                                    "Angle;ADC;AALM;AAHM;Data(hex);Data(bin);",
                                    "-1;1;1;0;A000;1010000000000000;"},
                      WorkedReading{1,
                                    {0x5A, 0xBC, 0x0D},
                                    "Angle;ADC;AALM;AAHM;CRC;Data(hex);Data(bin);",
                                    "43981;1;0;1;0;05ABCD;01011010101111001101;"},
                      WorkedReading{2,
                                    {0x05, 0xFF, 0x6A, 0xBC},
                                    "Angle;ADC;AALM;AAHM;CRC;Data1(hex);Data0(hex);",
                                    "2748;1;1;1;511;6ABC;05FF;"},
                      WorkedReading{3,
                                    {0x0A, 0x05, 0x81, 0x23},
                                    "Angle;ADC;AALM;AAHM;Data2(hex);Data1(hex);",
                                    "164131;1;1;0;8123;0A05;"},
                      WorkedReading{4,
                                    {0x3F, 0x8A, 0xD8, 0x05, 0x7F, 0xFF},
                                    "Angle;AALM;AAHM;Temp;ACode;Data2(hex);Data1(hex);Data0(hex);",
                                    "196607;1;1;43;127;7FFF;D805;3F8A;"},
                      WorkedReading{1,
                                    {0x00, 0x00, 0x00},
                                    "Angle;ADC;AALM;AAHM;CRC;Data(hex);Data(bin);",
                                    "0;0;0;0;0;000000;00000000000000000000;"}),
    [](const ::testing::TestParamInfo<WorkedReading>& info) {
        return "Mode" + std::to_string(info.param.mode) + "_" + std::to_string(info.index);
    });

TEST_F(ExportTest, ModeZeroReadsRegisterSeventeenFromTheChip) {
    TalmirSim_SetRegister(17, 0x000A);
    Face().ReadAngleDataToFile(0, Path("r.csv"));
    EXPECT_TRUE(ReadFile(Path("r.csv")).endsWith("\r\n-1;0;0;0;000A;0000000000001010;\r\n"));
    EXPECT_EQ(Face().Chip().GetRegAct(17), 0x000A);
}

TEST_F(ExportTest, ModeFiveAndAboveReadNothingAndWriteOnlyTheEmptyHeaderOnCreation) {
    Face().ReadAngleDataToFile(5, Path("five.csv"));
    Face().ReadAngleDataToFile(200, Path("five.csv"));
    EXPECT_EQ(ReadFile(Path("five.csv")), "\r\n");
    EXPECT_TRUE(CallsOf("SPI_Read").empty());
}

TEST_F(ExportTest, FailedFrameReadRaisesAndWritesNothing) {
    TalmirSim_FailCall("SPI_Read", 4, 1);
    try {
        Face().ReadAngleDataToFile(2, Path("fail.csv"));
        FAIL() << "a failed frame read must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("SPI_Read"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(QFile::exists(Path("fail.csv")));
}

TEST_F(ExportTest, FailedRegisterReadInModeZeroRaisesDeviceError) {
    TalmirSim_FailCall("SPI_Read", 4, 1);
    EXPECT_THROW(Face().ReadAngleDataToFile(0, Path("fail.csv")), DeviceError);
    EXPECT_FALSE(QFile::exists(Path("fail.csv")));
}

TEST_F(ExportTest, TheChipIsReadEvenWhenTheFileCannotBeWritten) {
    EXPECT_THROW(Face().ReadAngleDataToFile(2, Path("no-folder/x.csv")), DataFileError);
    EXPECT_EQ(CallsOf("SPI_Read").size(), 1u);
    try {
        Face().ReadAngleDataToFile(2, "");
        FAIL() << "an empty file name must raise";
    } catch (const DataFileError& e) {
        EXPECT_STREQ(e.what(), "Не задано имя файла данных");
    }
}

}  // namespace
}  // namespace talmir::test
