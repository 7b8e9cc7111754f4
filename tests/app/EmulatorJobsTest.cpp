// The jobs end to end through our own MPSSE library on the bit-level engine
// emulator: the same data lines and register writes as through the simulator.
#include <QTemporaryDir>

#include "emu/EmuTestSupport.h"
#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

// Interface-mode registers 38 and 11 that make the chip send the frame each
// readout mode decodes (mode 0 reads registers, 5 reads nothing).
struct ModeCase {
    int mode;
    std::uint16_t reg38, reg11;
};
constexpr ModeCase kModes[] = {{0, 0x0000, 0x0000}, {1, 0x0000, 0x0000}, {2, 0x1000, 0x0000},
                               {3, 0x0000, 0x0800}, {4, 0x1000, 0x0800}, {5, 0x2000, 0x0000}};
constexpr std::uint16_t kAngle = 0x2345;

class EmulatorJobsTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        emu_ = emutest::api();
        ASSERT_NE(emu_, nullptr) << "cannot load " << TALMIR_EMU_LIBRARY;
        static MpsseLink link;
        if (!link.IsBound()) {
            ASSERT_TRUE(link.LoadMPSSELibrary({TALMIR_EMU_LIBRARY},
                                              [](const std::string& m) { FAIL() << m; }));
        }
        emuLink_ = &link;
        emuLink_->ResetChannel();
        emu_->Reset();
    }

    // Sets both chips alike: magnet frozen, interface-mode registers pinned.
    void SetChips(std::uint16_t reg38, std::uint16_t reg11) {
        TalmirSim_SetAngle(kAngle);
        emu_->SetAngle(kAngle);
        TalmirSim_SetRegister(38, reg38);
        emu_->SetRegister(38, reg38);
        TalmirSim_SetRegister(11, reg11);
        emu_->SetRegister(11, reg11);
    }

    const emutest::Api* emu_ = nullptr;
    MpsseLink* emuLink_ = nullptr;
};

TEST_F(EmulatorJobsTest, GetDataGivesTheSimulatorsLinesInEveryReadoutMode) {
    for (const ModeCase& c : kModes) {
        SCOPED_TRACE(c.mode);
        SetChips(c.reg38, c.reg11);
        const QString mode = QString::number(c.mode);
        const QString simFile = Path("sim" + mode + ".csv");
        const QString emuFile = Path("emu" + mode + ".csv");
        const int simCode = RunJob({"-getdata", mode, simFile});
        const int emuCode = RunJob({"-getdata", mode, emuFile}, emuLink_);
        EXPECT_EQ(emuCode, simCode);
        const QByteArray lines = ReadFile(simFile);
        EXPECT_EQ(lines.count("\r\n"), c.mode == 5 ? 1 : 2) << lines.constData();
        EXPECT_EQ(ReadFile(emuFile), lines);
    }
}

TEST_F(EmulatorJobsTest, ConfigWritesTheSameRegistersAsThroughTheSimulator) {
    WriteFile(Path("regs.ini"), "[REG_CFG]\n5=0x0505\n7=65535\n38=$1000\n72=4660\n");
    EXPECT_EQ(RunJob({"-config", Path("regs.ini")}), 0);
    EXPECT_EQ(RunJob({"-config", Path("regs.ini")}, emuLink_), 0);
    for (const int addr : {5, 7, 38, 72}) {
        SCOPED_TRACE(addr);
        EXPECT_NE(TalmirSim_GetRegister(addr), 0);
        EXPECT_EQ(emu_->GetRegister(addr), TalmirSim_GetRegister(addr));
    }
}

}  // namespace
}  // namespace talmir::test
