// A real adapter: pulled out while the chart page polls and plugged back in.
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

}  // namespace
}  // namespace talmir::test
