// The capture from the main window: polling stops first, the dialog captures
// on the engine's thread, and the samples open in the review window as the
// saved file would.
#include "UiTestSupport.h"
#include "core/CaptureReview.h"
#include "device/CaptureEngine.h"
#include "ui/CaptureDialog.h"
#include "ui_CaptureDialog.h"
#include "ui_PageChart.h"

namespace talmir::test {
namespace {

class CaptureDialogTest : public UiTest {};

TEST_F(CaptureDialogTest, CapturesInModeTwoAndEveryLineReviewsBack) {
    Face().chart->EditInterval->setText("1");
    Face().chart->ListBoxMode->setCurrentRow(2);
    Face().chart->btnStart->click();
    ASSERT_TRUE(Face().StopPollingForCapture());
    EXPECT_FALSE(state_.AcquisitionActive);

    CaptureEngine engine(Face().Chip(), link_);
    CaptureDialog dialog(engine, {"0", "1", "2", "3", "4", "5"});
    dialog.ui->ComboMode->setCurrentIndex(2);
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

    const auto record = ReviewRecordOfCapture(2, *got);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->Count(), 3000);
    EXPECT_EQ(record->BadLineCount(), 0);
    EXPECT_EQ(record->TimeUs(1) - record->TimeUs(0), 200);
}

}  // namespace
}  // namespace talmir::test
