// The plain four-series chart window TF_Chart: show/hide boxes and a clear
// button. Nothing of the tool adds points to it.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TF_Chart;
}

namespace talmir {

class TChartSeries;
struct AcquisitionState;

class TF_Chart : public QWidget {
    Q_OBJECT
public:
    // Its chart's redraws wait for the pauses of the acquisitions of `state`,
    // which must outlive the window, and its errors go to their sink.
    explicit TF_Chart(AcquisitionState& state, QWidget* parent = nullptr);
    ~TF_Chart() override;

public slots:
    void BtnClearClick();
    void cbADCSinClick();
    void cbADCCosClick();
    void cbAngleClick();
    void cbAngle48Click();

public:
    std::unique_ptr<Ui::TF_Chart> ui;
    TChartSeries* ADC_Sin = nullptr;
    TChartSeries* ADC_Cos = nullptr;
    TChartSeries* AngleRaw48 = nullptr;
    TChartSeries* Angle = nullptr;

private:
    void SyncBoxesWithSeries();
};

}  // namespace talmir
