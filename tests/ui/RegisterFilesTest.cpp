// Register files (.rdt) through the top-panel buttons, and the REG_CFG INI
// loader's chip writes.
#include <QFile>

#include "UiTestSupport.h"
#include "device/DeviceError.h"

namespace talmir::test {
namespace {

class RegisterFilesTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // The file chooser answers with `answer_` and records what it was asked.
        Face().ChooseRegisterFile = [this](RegisterFileDialogKind kind, const QString& folder) {
            asked_.push_back({kind, folder});
            return answer_;
        };
        TalmirSim_TraceClear();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void Load(const QString& name, const QByteArray& bytes) {
        WriteFile(name, bytes);
        answer_ = Path(name);
        Face().BtnRegsFromFileClick();
    }
    std::uint16_t Held(std::uint16_t address) { return Face().Chip().GetReg(address, false); }

    QString answer_;
    std::vector<std::pair<RegisterFileDialogKind, QString>> asked_;
};

TEST_F(RegisterFilesTest, SaveAfterStartGivesSeventyTwoZeroLinesAndStartsInTheExeFolder) {
    answer_ = Path("regs.rdt");
    Face().BtnRegsToFileClick();
    QByteArray expected;
    for (int i = 0; i < 72; ++i) expected += "0\r\n";
    EXPECT_EQ(ReadFile(answer_), expected);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].first, RegisterFileDialogKind::Save);
    EXPECT_EQ(asked_[0].second, Face().ExeDir());
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
}

TEST_F(RegisterFilesTest, SavedFileLoadsBackUnchangedWithoutChipTraffic) {
    for (std::uint16_t a = 0; a <= 81; ++a) Face().Chip().PutReg(a, 1000 + a, false);
    answer_ = Path("round.rdt");
    Face().BtnRegsToFileClick();
    EXPECT_TRUE(ReadFile(answer_).startsWith("1001\r\n1002\r\n"));
    EXPECT_TRUE(ReadFile(answer_).endsWith("1072\r\n"));
    for (std::uint16_t a = 1; a <= 72; ++a) Face().Chip().PutReg(a, 0, false);
    Face().BtnRegsFromFileClick();
    for (std::uint16_t a = 1; a <= 72; ++a) EXPECT_EQ(Held(a), 1000 + a);
    EXPECT_EQ(Held(0), 1000) << "register 0 is not stored";
    EXPECT_EQ(Held(73), 1073) << "registers past 72 are not stored";
    EXPECT_EQ(asked_.back().first, RegisterFileDialogKind::Open);
    EXPECT_EQ(asked_.back().second, Face().ExeDir());
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(RegisterFilesTest, LinesUseTheIntegerSyntaxAndKeepLowSixteenBits) {
    Face().Chip().PutReg(4, 0x4444, false);
    Load("short.rdt", "1\r\n$10\n0x20");
    EXPECT_EQ(Held(1), 1);
    EXPECT_EQ(Held(2), 16);
    EXPECT_EQ(Held(3), 32);
    EXPECT_EQ(Held(4), 0x4444) << "a shorter file leaves the rest alone";
    Load("wide.rdt", "70000\r\n-1\r\n");
    EXPECT_EQ(Held(1), 4464);
    EXPECT_EQ(Held(2), 0xFFFF);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(RegisterFilesTest, BadLineStopsTheLoadNamingItsTextAndKeepsEarlierRegisters) {
    Face().Chip().PutReg(3, 0x3333, false);
    Load("bad.rdt", "5\r\n12ab\r\n7\r\n");
    EXPECT_EQ(Held(1), 5);
    EXPECT_EQ(Held(3), 0x3333);
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(QStringLiteral("строка 2: «12ab»")));
}

TEST_F(RegisterFilesTest, LinesPastTheTableAreIgnoredAndCounted) {
    QByteArray text;
    for (int i = 1; i <= 85; ++i) text += QByteArray::number(i) + "\r\n";
    Load("long.rdt", text);
    EXPECT_EQ(Held(72), 72);
    EXPECT_EQ(Held(81), 81);
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(QStringLiteral("(4 шт.)"))) << Errors()[0].toStdString();
}

TEST_F(RegisterFilesTest, CancelMissingFileAndUnwritablePlace) {
    answer_.clear();
    Face().BtnRegsToFileClick();
    Face().BtnRegsFromFileClick();
    answer_ = Path("absent.rdt");
    Face().BtnRegsFromFileClick();
    EXPECT_TRUE(Errors().isEmpty());
    answer_ = Path("no-such-folder/regs.rdt");
    Face().BtnRegsToFileClick();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("regs.rdt"));
}

TEST_F(RegisterFilesTest, FailedSaveKeepsTheOldFileAndSaysSo) {
    // The name fits, the name of a temporary beside it does not.
    const QString name = QString(250, 'r');
    WriteFile(name, "1\r\n2\r\n");
    answer_ = Path(name);
    Face().BtnRegsToFileClick();
    EXPECT_EQ(ReadFile(answer_), "1\r\n2\r\n");
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(name));
    EXPECT_TRUE(Errors()[0].contains(QStringLiteral("Не удалось сохранить")))
        << Errors()[0].toStdString();
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1) << "the temporary is removed";
}

TEST_F(RegisterFilesTest, IniWritesOnlyDecimalKeysThatHoldAValue) {
    WriteFile("cfg.ini",
              "[REG_CFG]\r\n5=0x1234\r\n0x7=9\r\n6=-1\r\n8=junk\r\n9=65535\r\n73=1\r\n"
              "[OTHER]\r\n10=1\r\n");
    ASSERT_TRUE(Face().LoadRegsFromIni(Path("cfg.ini")));
    const auto writes = CallsOf("SPI_Write");
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].data[1], 0x85);
    EXPECT_EQ(writes[1].data[0] << 8 | writes[1].data[1], 0x1234);
    EXPECT_EQ(writes[2].data[1], 0x89);
    EXPECT_EQ(writes[3].data[0] << 8 | writes[3].data[1], 0xFFFF);
    EXPECT_EQ(TalmirSim_GetRegister(5), 0x1234);
}

TEST_F(RegisterFilesTest, IniMissingFileWritesNothingAndAFailedWriteRaises) {
    EXPECT_FALSE(Face().LoadRegsFromIni(Path("absent.ini")));
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
    WriteFile("one.ini", "[REG_CFG]\n5=1\n");
    TalmirSim_FailCall("SPI_Write", 4, 1);
    EXPECT_THROW(Face().LoadRegsFromIni(Path("one.ini")), DeviceError);
}

}  // namespace
}  // namespace talmir::test
