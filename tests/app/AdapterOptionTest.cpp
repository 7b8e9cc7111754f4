// "--adapter INDEX|SERIAL" before a job: the job reaches the chip on the
// channel it names, and an adapter that is not listed ends the program with
// a failing exit code and a message naming it, before the job runs.
#include <QTemporaryDir>

#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

// Sets an environment variable for the tool's runs and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

TEST(AdapterOption, JobRunsOnTheNamedChannelOrEndsNamingTheMissingOne) {
    const ScopedEnv channels("TALMIR_SIM_CHANNELS", "3");
    QTemporaryDir dir;
    const QString second = "Адаптер: 1 · 232H · TALMIR simulated SPI · TLM00002\n";
    struct Case {
        QString adapter;
        int exitCode;
        QString err;  // what standard error holds
    };
    const Case cases[] = {
        {"1", 0, second},
        {"TLM00002", 0, second},
        {"7", 1, "--adapter: адаптер «7» не найден; есть каналы: 0 · 232H"},
        {"TLM00009", 1, "--adapter: адаптер «TLM00009» не найден"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapter.toStdString());
        const QString file = dir.path() + "/" + c.adapter + ".csv";
        const auto run =
            RunTool(TALMIR_BIN_DIR "/talmir", {"--adapter", c.adapter, "-getdata", "1", file});
        ASSERT_TRUE(run);
        EXPECT_EQ(run->exitCode, c.exitCode) << run->err.toStdString();
        EXPECT_TRUE(run->err.contains(c.err)) << run->err.toStdString();
        EXPECT_EQ(QFile::exists(file), c.exitCode == 0) << "the job ran only on a listed channel";
    }
}

using AdapterChannelJobTest = ToolTest;

// Every transfer of the job, the identification's included, goes to the
// channel chosen: the simulator's trace shows the index each open was given.
TEST_F(AdapterChannelJobTest, JobOpensOnlyTheChannelTheChoiceNames) {
    ASSERT_EQ(TalmirSim_SetChannelCount(3), 1);
    QString reason;
    const auto channel = FindAdapterChannel(link_, "TLM00003", reason);
    ASSERT_TRUE(channel) << reason.toStdString();
    EXPECT_EQ(channel->index, 2u);
    link_.SelectChannel(channel->index);
    TalmirSim_TraceClear();
    EXPECT_EQ(RunJob({"-getdata", "1", Path("angle.csv")}), 0) << Errors().join('\n').toStdString();
    const auto opens = CallsOf("SPI_OpenChannel");
    ASSERT_FALSE(opens.empty());
    for (const TalmirSimCall& open : opens) EXPECT_EQ(open.index, 2u);
}

}  // namespace
}  // namespace talmir::test
