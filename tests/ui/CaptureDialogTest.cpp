// The capture from the main window: polling stops first, the dialog captures
// on the engine's thread, and the samples open in the review window as the
// saved file would; the window saves them as the capture job's file. Mode 2
// stands for the chart page's layouts, mode 5 for its raw frame words.
#include "UiTestSupport.h"
#include "core/CaptureRecord.h"
#include "core/ReviewReader.h"
#include "device/CaptureEngine.h"
#include "ui/CaptureDialog.h"
#include "ui/FilePath.h"
#include "ui/ReviewWindow.h"
#include "ui_CaptureDialog.h"
#include "ui_PageChart.h"
#include "ui_ReviewWindow.h"

namespace talmir::test {
namespace {

class CaptureDialogTest : public UiTest, public testing::WithParamInterface<int> {};

TEST_P(CaptureDialogTest, CapturesAndItsSavedFileReadsBackAsShown) {
    const int mode = GetParam();
    Face().chart->EditInterval->setText("1");
    Face().chart->ListBoxMode->setCurrentRow(2);
    Face().chart->btnStart->click();
    ASSERT_TRUE(Face().StopPollingForCapture());
    EXPECT_FALSE(state_.AcquisitionActive);

    CaptureEngine engine(Face().Chip(), link_);
    CaptureDialog dialog(engine, {"0", "1", "2", "3", "4", "5"});
    dialog.ui->ComboMode->setCurrentIndex(mode);
    dialog.ui->SpinRate->setValue(5000);
    dialog.ui->SpinCount->setValue(3000);
    std::shared_ptr<const std::vector<CapturedSample>> got;
    QObject::connect(
        &dialog, &CaptureDialog::Captured,
        [&](int, std::shared_ptr<const std::vector<CapturedSample>> s, const CaptureResult& r) {
            EXPECT_TRUE(r.error.empty()) << r.error;
            got = s;
        });
    dialog.BtnCaptureClick();
    ASSERT_TRUE(Pump(20000, [&] { return got != nullptr; }));
    ASSERT_EQ(got->size(), 3000u);
    EXPECT_EQ(dialog.ui->ProgressCapture->value(), 1000);

    ReviewWindow* window = Face().OpenCaptureReview(mode, got);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Pump(10000, [&] { return !window->Reading(); }));
    ASSERT_NE(window->Record(), nullptr);
    const ReviewRecord& shown = *window->Record();
    EXPECT_EQ(shown.Count(), 3000);
    EXPECT_EQ(shown.BadLineCount(), 0);
    EXPECT_EQ(shown.TimeUs(1) - shown.TimeUs(0), 200);
    // Each series is a column of the capture line (neither mode has a binary copy).
    for (std::int64_t i = 0; i < shown.Count(); i += 97) {
        std::int32_t fields[kMaxCaptureFields];
        ASSERT_EQ(CaptureFields(mode, (*got)[static_cast<std::size_t>(i)], fields),
                  shown.Series().size());
        for (std::size_t k = 0; k < shown.Series().size(); ++k)
            ASSERT_EQ(shown.Series()[k].store.ValueAt(i), fields[k]) << i << " " << k;
    }
    EXPECT_EQ(window->ui->btnAngleError->isEnabled(), mode != 5);
    EXPECT_FALSE(window->ui->btnEllipse->isEnabled());

    window->ChooseCaptureFile = [&] { return Path("saved.csv"); };
    ASSERT_FALSE(window->ui->btnSaveCapture->isHidden());
    window->ui->btnSaveCapture->click();
    std::string written = CaptureHeader(mode) + "\r\n";
    for (const CapturedSample& s : *got) written += CaptureLine(mode, s) + "\r\n";
    const std::string saved = ReadFile(Path("saved.csv")).toStdString();
    EXPECT_TRUE(saved == written) << "saved " << saved.size() << " bytes, the writer's text "
                                  << written.size();
    const ReviewFileResult read = ReadReviewFile(FilePath(Path("saved.csv")));
    ASSERT_TRUE(read.record) << read.error;
    const ReviewRecord& back = *read.record;
    EXPECT_EQ(back.Format(), shown.Format());
    EXPECT_EQ(back.Mode2Decodings(), shown.Mode2Decodings());
    ASSERT_EQ(back.Count(), shown.Count());
    EXPECT_EQ(back.BadLineCount(), 0);
    for (std::int64_t i = 0; i < back.Count(); ++i) {
        ASSERT_EQ(back.TimeUs(i), shown.TimeUs(i)) << i;
        for (std::size_t k = 0; k < back.Series().size(); ++k)
            ASSERT_EQ(back.Series()[k].store.ValueAt(i), shown.Series()[k].store.ValueAt(i))
                << i << " " << back.Series()[k].title;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CaptureDialogTest, testing::Values(2, 5));

}  // namespace
}  // namespace talmir::test
