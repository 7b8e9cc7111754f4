// Which arguments make a job, the "-adapters" listing, and that job run as
// the program's own process.
#include "ui/UiTestSupport.h"

namespace talmir::test {
namespace {

TEST(CommandLineJob, GetdataAndConfigWithTwoArgumentsAndAdaptersAloneAreJobs) {
    EXPECT_TRUE(IsCommandLineJob({"-getdata", "1"}));
    EXPECT_TRUE(IsCommandLineJob({"-config", "f.ini"}));
    EXPECT_TRUE(IsCommandLineJob({"-adapters"}));
    EXPECT_TRUE(IsCommandLineJob({"-capture", "2", "1000", "10", "f.csv"}));
    EXPECT_TRUE(IsAdaptersJob({"-adapters"}));
    EXPECT_FALSE(IsAdaptersJob({"-getdata", "-adapters"}));
    EXPECT_FALSE(IsCommandLineJob({"-config"}));
    EXPECT_FALSE(IsCommandLineJob({"-getdata"}));
    EXPECT_FALSE(IsCommandLineJob({"-GETDATA", "1", "f"}));
    EXPECT_FALSE(IsCommandLineJob({"-3v", "x"}));
}

using AdapterListingTest = ToolTest;

TEST_F(AdapterListingTest, OneLinePerChannelOrAReasonAndAFailingExitCode) {
    const QString line = "0\t232H\tTALMIR simulated SPI\tTLM00001\t";
    AdapterListing listing = ListAdapters(link_);
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_EQ(listing.lines, QStringList{line + "не открыт"});
    EXPECT_TRUE(listing.error.isEmpty());

    FillChannelConfig(link_.ChannelConfig(), kDefaultSpiClockKHz * 1000);
    link_.EnsureChannelOpen(0);
    EXPECT_EQ(ListAdapters(link_).lines, QStringList{line + "открыт"});

    TalmirSim_Unplug(1);
    listing = ListAdapters(link_);
    EXPECT_NE(listing.exitCode, 0);
    EXPECT_TRUE(listing.lines.isEmpty());
    EXPECT_TRUE(listing.error.contains("не найдены")) << listing.error.toStdString();

    TalmirSim_Unplug(0);
    TalmirSim_FailCall("SPI_GetNumChannels", 4, 1);
    listing = ListAdapters(link_);
    EXPECT_NE(listing.exitCode, 0);
    EXPECT_TRUE(listing.error.contains("SPI_GetNumChannels")) << listing.error.toStdString();

    listing = ListAdapters(MpsseLink());
    EXPECT_NE(listing.exitCode, 0);
    EXPECT_TRUE(listing.error.contains("не загружена")) << listing.error.toStdString();
}

TEST(AdaptersJob, ListsWithoutADisplayAndNamesTheLibraryOnStandardError) {
    const auto run = RunTool(TALMIR_BIN_DIR "/talmir", {"-adapters"});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 0) << run->err.toStdString();
    EXPECT_EQ(run->out, "0\t232H\tTALMIR simulated SPI\tTLM00001\tне открыт\n");
    EXPECT_EQ(run->err, LibraryText(TALMIR_SIM_LIBRARY) + "\n");

    const auto missing = RunTool(TALMIR_BIN_DIR "/talmir", {"-adapters"}, "/nonexistent/libm.so");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->exitCode, 0);
    EXPECT_TRUE(missing->out.isEmpty());
    EXPECT_TRUE(missing->err.startsWith("Библиотека не была загружена\n"))
        << missing->err.toStdString();
    EXPECT_TRUE(missing->err.contains("Список адаптеров недоступен")) << missing->err.toStdString();
}

}  // namespace
}  // namespace talmir::test
