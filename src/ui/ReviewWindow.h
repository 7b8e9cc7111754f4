// The window "Просмотр": a data file or a capture, read back and shown with
// the charts' navigation, cursors, statistics and export, and analysed over
// the visible range: the amplitude spectrum of a chosen series, the ellipse
// fit of X/Y data and the angle error of angle data. Lines that were not
// taken are counted and the first of them named by number. A capture shown
// from memory can be saved as the capture job's file.
//
// A file is read, or a capture made a record, on a worker thread, which
// touches nothing of the window but two atomics (its progress and the cancel
// request) and hands the record over through a future when it is done;
// meanwhile the window shows the progress and a Cancel button and stays
// responsive.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/CaptureRecord.h"
#include "core/ReviewReader.h"
#include "ui/ErrorBox.h"

namespace Ui {
class ReviewWindow;
}

class QCPGraph;
class QCPItemStraightLine;
class QTimer;

namespace talmir {

class AngleErrorWindow;

class ReviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReviewWindow(QWidget* parent = nullptr);
    // A reading in progress is cancelled and waited for (it stops within one
    // piece of the file).
    ~ReviewWindow() override;

    // Starts reading the file; the record shows when the reading is done.
    // A window shows one file or record.
    void OpenFile(const QString& fileName);
    // Shows a record read or captured elsewhere under the name `title`.
    void ShowRecord(ReviewRecord record, const QString& title);
    // Shows a capture taken in `mode`, its record made on the worker thread
    // as a file is read, and offers to save it as the capture job's file;
    // false, showing nothing, for a mode whose capture has no review layout
    // (outside 0 to 5).
    bool ShowCapture(int mode, std::shared_ptr<const std::vector<CapturedSample>> samples,
                     const QString& title);

    bool Reading() const { return worker_.joinable(); }
    // The record shown; null while reading and when none could be read.
    const ReviewRecord* Record() const { return record_.get(); }
    // The window "Ошибка угла" of this record; none until first opened.
    AngleErrorWindow* AngleErrorWin() const;

    // Where the window's error messages go; a modal box when empty.
    ErrorSink errorSink;
    // The file a capture is saved to; empty for none (a save dialog by default).
    std::function<QString()> ChooseCaptureFile;

signals:
    // The reading ended: with the record shown, cancelled or refused.
    void ReadingEnded();

public slots:
    void btnCancelClick();
    void btnSpectrumClick();
    void btnEllipseClick();
    void btnAngleErrorClick();
    void btnSaveCaptureClick();

public:
    std::unique_ptr<Ui::ReviewWindow> ui;
    QCPGraph* SpectrumGraph = nullptr;
    QCPItemStraightLine* NoiseFloorLine = nullptr;

private:
    // Runs `read` on the worker, following its progress against `size`;
    // the record shows under `name`.
    void StartReading(const QString& name, std::int64_t size,
                      std::function<ReviewFileResult()> read);
    void PollReading();
    void EndReading(ReviewFileResult result);
    void ShowBadLines();
    // Sample numbers of the record in view: first and last, clamped to it.
    std::pair<std::int64_t, std::int64_t> VisibleRange() const;

    QString fileName_;
    std::int64_t fileBytes_ = 0;
    std::atomic<std::int64_t> bytesRead_{0};
    std::atomic<bool> cancel_{false};
    std::future<ReviewFileResult> result_;
    std::thread worker_;
    QTimer* pollTimer_ = nullptr;
    std::shared_ptr<const ReviewRecord> record_;
    QPointer<AngleErrorWindow> angleErrorWindow_;
    // The capture shown, kept for saving; null for a file.
    int captureMode_ = 0;
    std::shared_ptr<const std::vector<CapturedSample>> capture_;
    QString captureLabel_;
};

// The file to review when the command line is one plain argument that is
// no job and no option ("talmir FILE"); none otherwise.
std::optional<QString> ReviewFileArgument(const QStringList& args);

}  // namespace talmir
