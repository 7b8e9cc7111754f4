// Register page: list, picture, bit grid, value edits and the read/write
// buttons against the simulated chip.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include "UiTestSupport.h"
#include "ui_PageConfig.h"

namespace talmir::test {
namespace {

class RegisterPageTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // Closing a channel a previous test left open is traced too.
        TalmirSim_TraceClear();
    }
    Ui::PageConfig& Page() { return *Face().cfg; }
    std::uint16_t Held(std::uint16_t address) { return Face().Chip().GetReg(address, false); }
    void Select(int address) { Page().lbRegList->setCurrentRow(address - 1); }

    // Colour at the middle of each bit cell, as painted.
    std::vector<QColor> CellColours() {
        QTableWidget* grid = Page().sgReg;
        grid->resize(grid->size());
        const QImage shot = grid->viewport()->grab().toImage();
        std::vector<QColor> colours;
        for (int col = 0; col < 16; ++col)
            colours.push_back(
                shot.pixelColor(grid->visualRect(grid->model()->index(0, col)).center()));
        return colours;
    }

    void WritePicture(int address, const QSize& size) {
        QDir(dir_.path()).mkpath("pics");
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(Path(QStringLiteral("pics/%1.png").arg(address))));
    }

    // The SPI_Write frames of the trace as (first byte, second byte) words.
    std::vector<std::uint16_t> WrittenWords() {
        std::vector<std::uint16_t> words;
        for (const auto& c : CallsOf("SPI_Write"))
            words.push_back(static_cast<std::uint16_t>(c.data[0] << 8 | c.data[1]));
        return words;
    }
};

const QColor kGreen(0, 128, 0);
const QColor kSilver(192, 192, 192);

TEST_F(RegisterPageTest, StartShowsRegisterOneWithoutChipTraffic) {
    Ui::PageConfig& page = Page();
    ASSERT_EQ(page.lbRegList->count(), 72);
    EXPECT_EQ(page.lbRegList->item(0)->text(), "1");
    EXPECT_EQ(page.lbRegList->item(71)->text(), "72");
    EXPECT_EQ(page.lbRegList->currentRow(), 0);
    EXPECT_EQ(page.sgReg->property("Tag").toInt(), 1);
    EXPECT_EQ(page.EditRegInHex->text(), "$0000");
    EXPECT_EQ(page.EditRegAct->text(), "$FFFF");
    EXPECT_EQ(page.EditRegInHex->font().pixelSize(), 19);
    EXPECT_EQ(page.sgReg->columnWidth(0), 30);
    EXPECT_EQ(page.sgReg->rowHeight(0), 28);
    for (const QColor& c : CellColours()) EXPECT_EQ(c, kSilver);
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(RegisterPageTest, HexDollarHexZeroXAndDecimalGiveTheSameBits) {
    for (const char* text : {"$1234", "0x1234", "4660"}) {
        Page().EditRegInHex->setText("0");
        Page().EditRegInHex->setText(text);
        EXPECT_EQ(Held(1), 0x1234) << text;
        const auto colours = CellColours();
        for (int col = 0; col < 16; ++col) {
            // $1234 has bits 12, 9, 5, 4 and 2 set.
            const bool set = col == 3 || col == 6 || col == 10 || col == 11 || col == 13;
            EXPECT_EQ(colours[col], set ? kGreen : kSilver) << text << " column " << col;
        }
    }
    EXPECT_EQ(TalmirSim_TraceCount(), 0u) << "typing never talks to the chip";
}

TEST_F(RegisterPageTest, TypedValuesKeepLowSixteenBitsAndNonIntegersChangeNothing) {
    Page().EditRegInHex->setText("70000");
    EXPECT_EQ(Held(1), 4464);
    Page().EditRegInHex->setText("-1");
    EXPECT_EQ(Held(1), 0xFFFF);
    Page().EditRegInHex->setText("12ab");
    EXPECT_EQ(Held(1), 0xFFFF);
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(RegisterPageTest, MouseReleaseTogglesTheBitUnderThePointerOnly) {
    QTableWidget* grid = Page().sgReg;
    const auto centre = [&](int col) {
        return grid->visualRect(grid->model()->index(0, col)).center();
    };
    Face().sgRegMouseUp(centre(0));
    EXPECT_EQ(Held(1), 0x8000);
    EXPECT_EQ(Page().EditRegInHex->text(), "$8000");
    Face().sgRegMouseUp(centre(0));
    Face().sgRegMouseUp(centre(15));
    EXPECT_EQ(Held(1), 0x0001);
    Face().sgRegMouseUp(QPoint(16 * 30 + 5, 10));
    Face().sgRegMouseUp(QPoint(5, 28 + 5));
    EXPECT_EQ(Held(1), 0x0001);

    // The release event on the grid reaches the handler, whatever the button.
    QMouseEvent release(QEvent::MouseButtonRelease, centre(1),
                        grid->viewport()->mapToGlobal(centre(1)), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &release);
    EXPECT_EQ(Held(1), 0x4001);
    EXPECT_EQ(TalmirSim_TraceCount(), 0u) << "toggling edits the table only";
}

TEST_F(RegisterPageTest, SelectingShowsHeldValueAndKeepsValuesPerRegister) {
    Page().EditRegInHex->setText("$00FF");
    Select(5);
    EXPECT_EQ(Page().sgReg->property("Tag").toInt(), 5);
    EXPECT_EQ(Page().EditRegInHex->text(), "$0000");
    Select(1);
    EXPECT_EQ(Page().EditRegInHex->text(), "$00FF");
    EXPECT_EQ(Held(5), 0);
}

TEST_F(RegisterPageTest, ReadShowsChipValueInBothEdits) {
    TalmirSim_SetRegister(7, 0xBEEF);
    Select(7);
    Face().btnReadRegClick();
    EXPECT_EQ(Page().EditRegAct->text(), "$BEEF");
    EXPECT_EQ(Page().EditRegInHex->text(), "$BEEF");
    EXPECT_TRUE(Face().Chip().IsActualReg(7));
    EXPECT_EQ(CallsOf("SPI_Read").size(), 1u);
}

TEST_F(RegisterPageTest, WriteToAChipThatIgnoresItShowsTheReadBack) {
    TalmirSim_SetRegister(2, 0x0042);
    TalmirSim_IgnoreWrites(1);
    Select(2);
    Page().EditRegInHex->setText("$1234");
    Page().btnWriteReg->click();
    EXPECT_EQ(WrittenWords().front(), 0x0082) << "write command for register 2";
    EXPECT_EQ(WrittenWords()[1], 0x1234);
    EXPECT_EQ(CallsOf("SPI_Read").size(), 1u);
    EXPECT_EQ(Page().EditRegAct->text(), "$0042");
    EXPECT_EQ(Page().EditRegInHex->text(), "$1234");
    EXPECT_EQ(Held(2), 0x0042);
    EXPECT_EQ(CellColours()[9], kGreen);  // bit 6 of $0042
}

TEST_F(RegisterPageTest, ReadAllReadsZeroToSeventyTwoAndShowsTheSelectedOne) {
    TalmirSim_SetRegister(3, 0x0303);
    TalmirSim_SetRegister(72, 0x7272);
    Select(3);
    TalmirSim_TraceClear();
    Face().btnReadAllClick();
    const auto words = WrittenWords();
    ASSERT_EQ(words.size(), 73u);
    for (std::uint16_t a = 0; a <= 72; ++a) EXPECT_EQ(words[a], a) << "read command order";
    EXPECT_EQ(Held(0), 0x10F1);
    EXPECT_EQ(Held(72), 0x7272);
    EXPECT_EQ(Page().EditRegAct->text(), "$0303");
    EXPECT_EQ(Page().EditRegInHex->text(), "$0303");
}

TEST_F(RegisterPageTest, WriteAllAfterStartWritesZeroToRegistersZeroToSeventyTwo) {
    Face();
    TalmirSim_TraceClear();
    Face().btnWriteAllClick();
    const auto words = WrittenWords();
    ASSERT_EQ(words.size(), 2u * 73);
    for (std::uint16_t a = 0; a <= 72; ++a) {
        EXPECT_EQ(words[2 * a], 0x80 | a);
        EXPECT_EQ(words[2 * a + 1], 0);
    }
    EXPECT_TRUE(CallsOf("SPI_Read").empty());
}

TEST_F(RegisterPageTest, FailedReadShowsErrorAndLeavesTheEdits) {
    Face();
    TalmirSim_FailCall("SPI_Read", 4, 1);
    Face().btnReadRegClick();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("SPI_Read"));
    EXPECT_EQ(Page().EditRegAct->text(), "$FFFF");
}

TEST_F(RegisterPageTest, PicturesShowScaleDownClearAndAFaultyOneKeepsThePreviousRegister) {
    WritePicture(2, QSize(200, 100));
    WritePicture(3, QSize(1150, 250));
    QFile broken(Path("pics/4.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    QLabel* image = Page().ImageReg;

    Select(2);
    EXPECT_EQ(image->pixmap().size(), QSize(200, 100));
    Select(3);
    EXPECT_EQ(image->pixmap().size(), QSize(575, 125)) << "scaled down, aspect kept";
    Page().EditRegInHex->setText("$0003");
    Select(4);
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("4.png"));
    EXPECT_EQ(Page().sgReg->property("Tag").toInt(), 3);
    EXPECT_EQ(Page().EditRegInHex->text(), "$0003");
    Select(5);
    EXPECT_TRUE(image->pixmap().isNull()) << "no picture clears the area";
}

}  // namespace
}  // namespace talmir::test
