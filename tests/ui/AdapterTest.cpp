// A real adapter: pulled out while the chart page polls and plugged back in,
// the "-adapters" listing, and that job run as its own process.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

#include "UiTestSupport.h"
#include "ui_PageChart.h"
#include "ui_PageConfig.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

using AdapterLossTest = UiTest;

TEST_F(AdapterLossTest, UnplugWhilePollingStopsWithOneErrorAndReplugNeedsNoIdentification) {
    TF_Face& face = Face();
    Ui::PageChart& chart = *face.chart;
    chart.EditChartsFile->setText(Path("chart.csv"));
    chart.cbSaveChartsToFile->setChecked(true);
    chart.EditInterval->setText("2");
    const int start = state_.ChartSampleCounter;
    chart.btnStart->click();
    ASSERT_TRUE(Pump(5000, [&] { return state_.ChartSampleCounter >= start + 3; }));

    TalmirSim_Unplug(1);
    const int taken = state_.ChartSampleCounter - start;
    Pump(200);
    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(Errors()[0].contains("SPI_Write")) << Errors()[0].toStdString();
    EXPECT_FALSE(face.Timer->isActive());
    EXPECT_EQ(state_.ChartSampleCounter - start, taken);
    EXPECT_EQ(ReadFile(Path("chart.csv")).count("\r\n"), taken + 1) << "header, then the readings";

    TalmirSim_Unplug(0);
    TalmirSim_TraceClear();
    EXPECT_EQ(chart.btnStart->text(), "Старт") << "a failed tick ends the acquisition";
    chart.btnStart->click();
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_EQ(state_.ChartSampleCounter - start, taken + 1);
    const auto calls = Trace();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_STREQ(calls[0].name, "SPI_OpenChannel");
    EXPECT_STREQ(calls[1].name, "SPI_InitChannel");
    EXPECT_EQ(calls[1].clockRate, 1000000u);
    EXPECT_EQ(ReadFile(Path("chart.csv")).count("\r\n"), taken + 2);
    chart.btnStart->click();

    // The same for a register read on the register page, while idle.
    face.cfg->lbRegList->setCurrentRow(4);
    TalmirSim_SetRegister(5, 0x1234);
    TalmirSim_Unplug(1);
    face.cfg->btnReadReg->click();
    ASSERT_EQ(Errors().size(), 2);
    TalmirSim_Unplug(0);
    face.cfg->btnReadReg->click();
    EXPECT_EQ(Errors().size(), 2) << Errors().last().toStdString();
    EXPECT_EQ(face.cfg->EditRegAct->text(), "$1234");
}

using AdapterListingTest = UiTest;

TEST_F(AdapterListingTest, OneLinePerChannelOrAReasonAndAFailingExitCode) {
    const QString line = "0\t232H\tTALMIR simulated SPI\tTLM00001\t";
    AdapterListing listing = ListAdapters(link_);
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_EQ(listing.lines, QStringList{line + "не открыт"});
    EXPECT_TRUE(listing.error.isEmpty());

    Face();  // the main window fills in the channel configuration
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
    EXPECT_EQ(run->err, "Библиотека MPSSE: " TALMIR_SIM_DIR "/libtalmirsim.so\n");

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
