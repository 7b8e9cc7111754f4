// The sensor chart window TF_ASens_Chart ("KESTON Chart"): polls registers
// 34 to 37 and plots them over time, under the run flag it shares with the
// main window's acquisitions.
#pragma once

#include <QWidget>
#include <memory>

class QTimer;

namespace Ui {
class TF_ASens_Chart;
}

namespace talmir {

class Acquisition;
class TASensDig;
class TChartSeries;
struct AcquisitionState;

class TF_ASens_Chart : public QWidget {
    Q_OBJECT
public:
    // `state` is shared with the main window and must outlive this window.
    explicit TF_ASens_Chart(AcquisitionState& state, QWidget* parent = nullptr);
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

    AcquisitionState& state_;
    std::unique_ptr<Acquisition> acquisition_;
    TASensDig* chip_ = nullptr;
};

}  // namespace talmir
