// The main window TF_Face: top panel and the four pages. Its handlers are
// split over main_*.cpp by page.
#pragma once

#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/CaptureRecord.h"
#include "device/TASensDig.h"
#include "ui/AcquisitionState.h"
#include "ui/FaceOperations.h"
#include "ui/RegisterFileDialog.h"
#include "ui/SettingsPaths.h"

class QAction;
class QCPCurve;

namespace Ui {
class TF_Face;
class PageConfig;
class PageChart;
class PageWork;
class PageCircle;
}  // namespace Ui

namespace talmir {

class TChartSeries;
class TF_Chart;
class TF_ASens_Chart;
class AngleErrorWindow;
class ReviewWindow;
class Acquisition;

struct TF_FaceOptions {
    QString exeDir;  // the executable's folder, with a trailing separator
    // Command-line arguments after the program name; with two or more the
    // chip is identified at start. A job's arguments are run by the program
    // without a window (app/Jobs.h).
    QStringList args;
    bool demo = false;  // bound to the simulated adapter: the caption says so
    QString language;   // the window's language ("--lang"); empty for the default
    // The adapter channel "--adapter" named, already selected on the link;
    // empty when none was, and then the one remembered in config.ini is used.
    QString adapter;
    // Where config.ini, the default data file and the pictures are; chosen
    // from exeDir (SettingsPathsForExecutable) when none.
    std::optional<SettingsPaths> settings;
};

class TF_Face : public QWidget {
    Q_OBJECT
public:
    // The window reaches the chip through `link` and shares `state` with the
    // auxiliary windows; both must outlive it.
    TF_Face(MpsseLink& link, AcquisitionState& state, TF_FaceOptions options,
            QWidget* parent = nullptr);
    ~TF_Face() override;

    // Offers the hidden auxiliary chart windows through keyboard shortcuts.
    void AttachAuxiliaryWindows(TF_Chart* chartWindow, TF_ASens_Chart* sensorWindow);

    TASensDig& Chip() { return *chip_; }
    QString ConfigPath() const;
    QString ExeDir() const { return options_.exeDir; }
    // Where register files are proposed: beside the executable in a portable
    // copy, the user's documents folder in an installed one.
    QString RegisterFileDir() const {
        return options_.settings->documentsDir.isEmpty() ? options_.exeDir
                                                         : options_.settings->documentsDir;
    }

    // --- start-up, settings, page change (main.cpp) ---
public slots:
    void PageControlChange(int index);
    void cbSaveToFileClick();
    void cbSaveChartsToFileClick();

public:
    void SaveConfig();
    void LoadConfig();

    // --- register page (main_registers.cpp) ---
public slots:
    void lbRegListClick();
    void EditRegInHexChange(const QString& text);
    void btnReadRegClick();
    void btnWriteRegClick();
    void btnReadAllClick();
    void btnWriteAllClick();

public:
    bool sgRegDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* painter);
    void sgRegMouseUp(const QPoint& pos);

private:
    // Address of the selected list item; none when no item is selected.
    std::optional<std::uint16_t> SelectedRegister() const;
    // Address of the register the bit grid shows (its "Tag").
    std::uint16_t ShownRegister() const;
    void ShowRegisterPicture(std::uint16_t address);
    void ShowReadValue(std::uint16_t value);
    void RepaintBitGrid();

    // --- register files and the INI register load (main_regfiles.cpp) ---
public slots:
    void BtnRegsToFileClick();
    void BtnRegsFromFileClick();

public:
    // LoadRegsFromIni (FaceOperations.h) on this window's register model.
    std::optional<std::size_t> LoadRegsFromIni(const QString& fileName);

    // Asks for a register file name: the file dialog by default.
    RegisterFileChooser ChooseRegisterFile;

    // --- chip identification and programming lines (main_chip.cpp) ---
public slots:
    void btnIniChipClick();
    void chCFGClick();
    void ch7VClick();

public:
    // True when register 0 answered the chip's identification value.
    bool ChipIdentified() const { return chipIdentified_; }

private:
    void IdentifyChip();
    void ShowHardID(std::uint16_t value, bool identified, const QString& reason);
    void ShowLibraryPath();

public:
    // --- one-shot export (main_export.cpp) ---
    // ReadAngleDataToFile (FaceOperations.h) on this window's register model.
    void ReadAngleDataToFile(std::uint8_t Mode, const QString& FileName);

    // --- chart page (main_chart.cpp) ---
public slots:
    void btnStartClick();
    void TimerTimer();
    void BtnClearChartClick();

public:
    bool sgLedsDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* painter);

private:
    void SetUpLedsGrid();
    void SetUpChart2();
    int ChartReadoutMode() const;  // selected row of ListBoxMode, 5 when none
    void ChartTick();              // one reading: points, status row, log line

    // --- work-data page (main_workdata.cpp) ---
public slots:
    void BtnStartAngleWrkDataClick();
    void TimerWorkDataTimer();
    void Button1Click();
    void cbSerXClick();
    void cbSerYClick();
    void cbSerAngleClick();
    void cbSerAmplClick();
    // Opens the window "Ошибка угла" on the samples kept since the last start.
    void BtnAngleErrorClick();

public:
    // The window "Ошибка угла"; none until first opened.
    AngleErrorWindow* AngleErrorWin() const;

private:
    // Angle, X and Y of every work-data cycle since the page's last start.
    std::vector<std::uint16_t> workAngles_;
    std::vector<std::int16_t> workX_, workY_;
    QPointer<AngleErrorWindow> angleErrorWindow_;

    // --- XY circle page (main_xy.cpp) ---
public slots:
    void btnStartXYChartClick();
    void TimerXYDataTimer();
    void Button2Click();
    // Fits an ellipse to the page's points and shows it in the block
    // "Аппроксимация эллипсом" and drawn over the points.
    void RefitXYEllipse();

private:
    QElapsedTimer xyFitClock_;  // since the last fit

    // --- the review window (main_review.cpp) ---
public slots:
    // "Просмотр…": asks for a file and opens it for review.
    void btnReviewClick();

public:
    // Opens a review window of its own on the file; it goes when closed.
    ReviewWindow* OpenReview(const QString& fileName);
    // Asks for the file to review: the file dialog by default.
    std::function<QString()> ChooseReviewFile;

    // --- the capture (main_capture.cpp) ---
public slots:
    // "Захват…": stops polling, then captures in the dialog; the samples open
    // in a review window.
    void btnCaptureClick();

public:
    // Clears the shared run flag and waits until every poll timer has run its
    // last tick, so nothing else touches the link; false when one is still
    // running after a few seconds.
    bool StopPollingForCapture();
    // Opens a review window of its own on a capture's samples (none for mode
    // 5, which has no review layout); it goes when closed.
    ReviewWindow* OpenCaptureReview(int mode,
                                    std::shared_ptr<const std::vector<CapturedSample>> samples);

    // --- the adapter channel (main_adapter.cpp) ---
public slots:
    // Lists the adapter channels in the menu of btnAdapter, the one in use ticked.
    void btnAdapterMenuShow();
    // Switches to the channel of the chosen menu item (SelectAdapter).
    void btnAdapterMenuTriggered(QAction* action);

public:
    // Stops polling, then sends the chip's transfers to `channel` (an open
    // channel of another index is closed; the next transfer opens this one),
    // forgets the identification and the programming lines of the adapter
    // left, and remembers the choice in config.ini. False, with an error
    // box, when polling did not stop or the choice could not be saved.
    bool SelectAdapter(const MpsseChannelInfo& channel);

private:
    void SetUpAdapterChoice();
    // At start: the channel remembered in config.ini, unless "--adapter"
    // chose one; a remembered channel not listed leaves channel 0 with a
    // note in the status bar.
    void RestoreAdapter();
    void ShowAdapter(const QString& description);
    std::vector<MpsseChannelInfo> listedAdapters_;  // as the menu lists them

protected:
    // A file dropped on the window opens for review.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    std::unique_ptr<Ui::TF_Face> ui;
    std::unique_ptr<Ui::PageConfig> cfg;
    std::unique_ptr<Ui::PageChart> chart;
    std::unique_ptr<Ui::PageWork> work;
    std::unique_ptr<Ui::PageCircle> circle;

    QTimer* Timer = nullptr;
    QTimer* TimerWorkData = nullptr;
    QTimer* TimerXYData = nullptr;
    QTimer* TimerXYFit = nullptr;  // single shot: the next ellipse fit

    // Chart page series.
    TChartSeries* SeriesAng = nullptr;
    TChartSeries* SeriesTemp = nullptr;
    TChartSeries* SeriesAngRAW = nullptr;
    TChartSeries* SeriesVelocity = nullptr;
    // Work-data page series.
    TChartSeries* LineSeriesX = nullptr;
    TChartSeries* LineSeriesY = nullptr;
    TChartSeries* LineSeriesAngle = nullptr;
    TChartSeries* LineSeriesAmpl = nullptr;
    // XY page series.
    TChartSeries* SeriesXY = nullptr;
    QCPCurve* CurveXYFit = nullptr;  // the fitted ellipse

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void SetUpPages();
    void SetUpRegisterPage();
    void SetUpChartPage();
    void SetUpWorkDataPage();
    void SetUpCirclePage();
    void ConnectTopPanel();
    void SetUpReview();
    void RunCommandLine();
    void InitLedsHeader();    // chart page: captions of the status grid
    void FillRegisterList();  // register page: items "1".."72", register 1 shown
    // The settings as the controls show them.
    ConfigValues ShownConfigValues() const;
    // The clock rate of an EditFreq value the adapter cannot take.
    static constexpr std::uint32_t kRefusedClockRate = UINT32_MAX;
    std::uint32_t ClockRateFromEditFreq() const;
    // Stops the poll timers of every acquisition, the sensor window's
    // included, and detaches the sensor window from the register model.
    void StopAcquisitionTimers();
    // Sets chCFG as a start button does before its first cycle and drives the
    // programming-mode line from it: twice when `clickOnChange` and the box
    // changed (the box's own click, then the start's), else once. A failed
    // write shows one error box and puts chCFG back; returns false then.
    bool SetProgrammingModeForReadout(bool on, bool clickOnChange);

    MpsseLink& link_;
    AcquisitionState& state_;
    TF_FaceOptions options_;
    std::unique_ptr<TASensDig> chip_;
    // The acquisitions of the chart, work-data and XY pages.
    std::unique_ptr<Acquisition> chartAcquisition_, workAcquisition_, xyAcquisition_;
    QPointer<TF_ASens_Chart> sensorWindow_;
    bool chipIdentified_ = false;
    bool destroyed_ = false;
};

}  // namespace talmir
