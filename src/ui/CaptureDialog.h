// The dialog "Захват": readout mode, rate, a sample count or a duration, the
// SPI time of one frame and the highest rate the clock allows; while the
// capture engine runs on its thread, a progress bar with the count and the
// time left, and "Отмена", which ends the capture keeping what it took. The
// samples go to whoever listens to Captured().
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <memory>
#include <vector>

#include "device/CaptureEngine.h"
#include "ui/ErrorBox.h"

namespace Ui {
class CaptureDialog;
}

namespace talmir {

class CaptureDialog : public QDialog {
    Q_OBJECT
public:
    // `engine` reads through the window's chip and link; the caller stops
    // polling before the dialog opens, and nothing else touches the link
    // while it is open.
    // `modeItems`: the readout modes' texts as the chart page lists them.
    CaptureDialog(CaptureEngine& engine, const QStringList& modeItems, QWidget* parent = nullptr);
    ~CaptureDialog() override;

    CaptureSettings Settings() const;
    bool Running() const { return running_; }

    // Where the dialog's error messages go; a modal box when empty.
    ErrorSink errorSink;

signals:
    // A capture ended (complete, cancelled or failed) with these samples.
    void Captured(int mode, std::shared_ptr<const std::vector<CapturedSample>> samples,
                  const CaptureResult& result);

public slots:
    void BtnCaptureClick();
    void BtnCancelClick();
    void SettingsChange();

public:
    std::unique_ptr<Ui::CaptureDialog> ui;

protected:
    void reject() override;

private:
    void BlockArrived(std::uint64_t count);
    void Finished(const CaptureResult& result);
    void ShowProgress();

    CaptureEngine& engine_;
    // The samples taken: filled on the engine's thread while it runs, and
    // handed to the window's thread when it has ended (Finished waits for
    // it), so the window's thread never copies samples. taken_ counts them
    // there, as the blocks are announced.
    std::shared_ptr<std::vector<CapturedSample>> samples_;
    std::uint64_t taken_ = 0;
    CaptureSettings running_settings_;
    QElapsedTimer clock_;
    bool running_ = false;
};

}  // namespace talmir
