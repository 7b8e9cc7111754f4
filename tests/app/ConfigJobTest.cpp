// The "-config" command-line job: in process against the simulator, and as a
// real process without a display.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

class ConfigJobTest : public ToolTest {
protected:
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    struct Run {
        int exitCode = -1;
        QString stderrText;
    };
    // Runs a copy of the tool from the test's folder, bound to the simulator.
    Run RunTool(const QStringList& args) {
        const QString exe = Path("talmir");
        if (!QFile::exists(exe)) QFile::copy(TALMIR_BIN_DIR "/talmir", exe);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALMIR_MPSSE_LIBRARY", TALMIR_SIM_LIBRARY);
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(exe, args);
        Run run;
        if (!process.waitForFinished(60000)) return run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.stderrText = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }
};

TEST_F(ConfigJobTest, IdentifiesThenWritesTheIniValuesAndEndsWithZero) {
    WriteFile("regs.ini", "[REG_CFG]\n5=0x0505\n7=-1\n");
    EXPECT_EQ(RunJob({"-config", Path("regs.ini")}), 0);
    ASSERT_FALSE(Notes().isEmpty());
    EXPECT_EQ(Notes()[0],
              QStringLiteral("Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x10F1"));
    EXPECT_EQ(TalmirSim_GetRegister(5), 0x0505);
    // The identification (GPIO write, register 0 read) precedes the register write.
    const auto trace = Trace();
    size_t gpio = trace.size(), read = trace.size(), write = trace.size();
    for (size_t i = 0; i < trace.size(); ++i) {
        const std::string name = trace[i].name;
        if (name == "FT_WriteGPIO" && gpio == trace.size()) gpio = i;
        if (name == "SPI_Read" && read == trace.size()) read = i;
        if (name == "SPI_Write" && trace[i].data[1] == 0x85) write = i;
    }
    EXPECT_LT(gpio, read);
    EXPECT_LT(read, write);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(ConfigJobTest, ProcessWithMissingFileFailsAndSaysWhy) {
    const Run run = RunTool({"-config", Path("absent.ini")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.exitCode, -1) << "the process must end by itself";
    EXPECT_TRUE(run.stderrText.contains("absent.ini")) << run.stderrText.toStdString();
    EXPECT_TRUE(run.stderrText.contains(QStringLiteral("не найден")))
        << run.stderrText.toStdString();
}

TEST_F(ConfigJobTest, ProcessWithValidFileSucceedsWithoutADisplayAndSavesSettings) {
    WriteFile("regs.ini", "[REG_CFG]\n5=1\n6=2\n");
    const Run run = RunTool({"-config", Path("regs.ini")});
    EXPECT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_TRUE(run.stderrText.contains(QStringLiteral("-config: записано регистров из ") +
                                        Path("regs.ini") + ": 2"))
        << run.stderrText.toStdString();
    EXPECT_TRUE(run.stderrText.contains(QStringLiteral("Микросхема опознана")))
        << run.stderrText.toStdString();
    EXPECT_FALSE(run.stderrText.contains(QStringLiteral("-config: микросхема не опознана")));
    EXPECT_EQ(run.stderrText,
              QStringLiteral("Библиотека MPSSE: " TALMIR_SIM_DIR "/libtalmirsim.so\n"
                             "Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = "
                             "0x10F1\n-config: записано регистров из ") +
                  Path("regs.ini") + ": 2\n");
    EXPECT_TRUE(QFile::exists(Path("config.ini"))) << "shutdown rewrites the settings";
}

TEST_F(ConfigJobTest, ProcessWithAnEmptySectionSaysItWroteNoRegister) {
    WriteFile("regs.ini", "[REG_CFG]\n");
    const Run run = RunTool({"-config", Path("regs.ini")});
    EXPECT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_TRUE(run.stderrText.contains(QStringLiteral("-config: записано регистров из ") +
                                        Path("regs.ini") + ": 0"))
        << run.stderrText.toStdString();
}

}  // namespace
}  // namespace talmir::test
