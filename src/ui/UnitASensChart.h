// The sensor chart window TF_ASens_Chart ("KESTON Chart"): polls registers
// 34 to 37 and plots them over time. This module also holds the run flag
// shared by every acquisition timer of the tool.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TF_ASens_Chart;
}

namespace talmir {

class TASensDig;
class TChartSeries;

// Run flag of all acquisition timers: a start sets it, a stop or a page
// change clears it, and each armed timer re-arms itself only while it is set.
extern bool AcquisitionActive;
extern std::int32_t ASensSampleCounter;

class TF_ASens_Chart : public QWidget {
    Q_OBJECT
public:
    explicit TF_ASens_Chart(QWidget* parent = nullptr);
    ~TF_ASens_Chart() override;

    // The main window's register model, through which this window reads the
    // chip; null until attached (a cycle then fails with a message).
    void SetChip(TASensDig* chip) { chip_ = chip; }

public slots:
    void btnStartClick();
    void TimerTimer();
    void Button1Click();
    void cbSinClick();
    void cbCosClick();
    void cbCordicClick();
    void cbAngClick();

public:
    std::unique_ptr<Ui::TF_ASens_Chart> ui;
    QTimer* Timer = nullptr;
    TChartSeries* SeriesSin = nullptr;
    TChartSeries* SeriesCos = nullptr;
    TChartSeries* SeriesCordic = nullptr;
    TChartSeries* SeriesAng = nullptr;

private:
    void SetUpCharts();
    void SyncBoxesWithSeries();

    TASensDig* chip_ = nullptr;
};

}  // namespace talmir
