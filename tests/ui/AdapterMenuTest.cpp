// The adapter channel chosen in the main window: listed from the library,
// switched to with polling stopped, remembered in config.ini in a section of
// its own and chosen again at the next start; a remembered adapter that is
// not listed leaves channel 0 with a note in the status bar.
#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

#include "UiTestSupport.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class AdapterMenuTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_EQ(TalmirSim_SetChannelCount(3), 1);
    }

    // The index the next transfer opens: the identification re-opens the channel.
    uint32_t OpenedIndex() {
        TalmirSim_TraceClear();
        face_->ui->btnIniChip->click();
        const auto opens = CallsOf("SPI_OpenChannel");
        return opens.empty() ? UINT32_MAX : opens.back().index;
    }
};

TEST_F(AdapterMenuTest, ChoiceStopsPollingIsUsedAndRememberedBesideTheSettings) {
    Face();
    DestroyFace();
    const QByteArray settings = ReadFile(Path("config.ini"));
    ASSERT_TRUE(settings.startsWith("[CONFIG]\r\n"));

    TF_Face& face = Face();
    face.chart->EditInterval->setText("2");
    const int start = state_.ChartSampleCounter;
    face.chart->btnStart->click();
    ASSERT_TRUE(Pump(5000, [&] { return state_.ChartSampleCounter >= start + 2; }));

    face.btnAdapterMenuShow();
    const QList<QAction*> items = face.ui->btnAdapter->menu()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[1]->text(), "1 · 232H · TALMIR simulated SPI · TLM00002");
    EXPECT_TRUE(items[0]->isChecked());
    items[1]->trigger();
    EXPECT_FALSE(state_.AcquisitionActive);
    EXPECT_FALSE(face.Timer->isActive()) << "polling stopped before the switch";
    EXPECT_EQ(face.ui->btnAdapter->text(), "Адаптер: канал 1");
    EXPECT_EQ(OpenedIndex(), 1u);
    face.btnAdapterMenuShow();
    EXPECT_TRUE(face.ui->btnAdapter->menu()->actions()[1]->isChecked());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();

    DestroyFace();
    EXPECT_EQ(ReadFile(Path("config.ini")), settings + "[ADAPTER]\r\nAdapter=TLM00002\r\n")
        << "section CONFIG as before";
    Face();
    EXPECT_EQ(OpenedIndex(), 1u) << "chosen again at start";
}

TEST_F(AdapterMenuTest, RememberedChoiceIsUsedAtStartOrChannelZeroWithANote) {
    const struct {
        QByteArray remembered;
        uint32_t index;
        bool note;
    } cases[] = {
        {"", 0, false},
        {"TLM00003", 2, false},
        {"2", 2, false},
        {"TLM00009", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.remembered.toStdString());
        WriteFile(Path("config.ini"), c.remembered.isEmpty()
                                          ? QByteArray()
                                          : "[ADAPTER]\r\nAdapter=" + c.remembered + "\r\n");
        TalmirSim_TraceClear();
        TF_Face& face = Face();
        if (c.remembered.isEmpty()) {
            EXPECT_TRUE(CallsOf("SPI_GetChannelInfo").empty()) << "no choice, no listing";
        }
        const QString message = face.ui->StatusBar->currentMessage();
        EXPECT_EQ(message.contains("не подключён, используется канал 0"), c.note)
            << message.toStdString();
        if (c.note) {
            EXPECT_TRUE(message.contains(c.remembered)) << message.toStdString();
        }
        EXPECT_EQ(OpenedIndex(), c.index);
        DestroyFace();
        if (!c.remembered.isEmpty()) {
            EXPECT_TRUE(ReadFile(Path("config.ini")).contains("Adapter=" + c.remembered))
                << "kept for when it is plugged in again";
        }
    }
}

}  // namespace
}  // namespace talmir::test
