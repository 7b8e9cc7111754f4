#include "ui/UnitChart.h"

#include "ui/ChartView.h"
#include "ui_UnitChart.h"

namespace talmir {

TF_Chart::TF_Chart(AcquisitionState& state, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TF_Chart>()) {
    ui->setupUi(this);
    setWindowFlag(Qt::Tool);
    TChart* chart = ui->Chart;
    chart->SetAcquisitionState(&state);
    chart->SetLegendWithCheckBoxes(true);
    ADC_Sin = chart->AddLineSeries(QStringLiteral("48bit mode ADC Sin"), QColor(0, 128, 255));
    ADC_Cos = chart->AddLineSeries(QStringLiteral("48bit mode ADC Cos"), QColor(Qt::green));
    AngleRaw48 = chart->AddLineSeries(QStringLiteral("48 bit mode AngleRaw"), QColor(Qt::red));
    Angle = chart->AddLineSeries(QStringLiteral("16 bit mode Angle"), QColor(43, 64, 107));
    chart->SetLegendColor(Angle, QColor(0, 128, 0));

    connect(ui->BtnClear, &QPushButton::clicked, this, &TF_Chart::BtnClearClick);
    connect(ui->cbADCSin, &QCheckBox::clicked, this, &TF_Chart::cbADCSinClick);
    connect(ui->cbADCCos, &QCheckBox::clicked, this, &TF_Chart::cbADCCosClick);
    connect(ui->cbAngle, &QCheckBox::clicked, this, &TF_Chart::cbAngleClick);
    connect(ui->cbAngle48, &QCheckBox::clicked, this, &TF_Chart::cbAngle48Click);
    // A click on a legend entry shows or hides its series; the boxes follow.
    connect(chart, &QCustomPlot::legendClick, this, &TF_Chart::SyncBoxesWithSeries);
}

TF_Chart::~TF_Chart() = default;

void TF_Chart::BtnClearClick() {
    for (TChartSeries* s : {ADC_Sin, ADC_Cos, Angle, AngleRaw48}) s->Clear();
    ui->Chart->RequestRedraw();
}

void TF_Chart::cbADCSinClick() {
    ADC_Sin->SetActive(ui->cbADCSin->isChecked());
}
void TF_Chart::cbADCCosClick() {
    ADC_Cos->SetActive(ui->cbADCCos->isChecked());
}
void TF_Chart::cbAngleClick() {
    Angle->SetActive(ui->cbAngle->isChecked());
}
void TF_Chart::cbAngle48Click() {
    AngleRaw48->SetActive(ui->cbAngle48->isChecked());
}

void TF_Chart::SyncBoxesWithSeries() {
    ui->cbADCSin->setChecked(ADC_Sin->Active());
    ui->cbADCCos->setChecked(ADC_Cos->Active());
    ui->cbAngle48->setChecked(AngleRaw48->Active());
    ui->cbAngle->setChecked(Angle->Active());
}

}  // namespace talmir
