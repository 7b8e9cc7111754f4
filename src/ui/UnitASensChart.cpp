#include "ui/UnitASensChart.h"

#include <QTimer>
#include <stdexcept>

#include "device/TASensDig.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui_UnitASensChart.h"

namespace talmir {

namespace {

constexpr std::uint16_t kCordicMask = 0x1FFF;  // CORDIC output: bits 0..12

}  // namespace

TF_ASens_Chart::TF_ASens_Chart(AcquisitionState& state, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TF_ASens_Chart>()), state_(state) {
    ui->setupUi(this);
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(100);
    SetUpCharts();
    acquisition_ = std::make_unique<Acquisition>(
        state_, this,
        Acquisition::Controls{ui->btnStart,
                              ui->EditInterval,
                              Timer,
                              {SeriesSin, SeriesCos, SeriesCordic, SeriesAng},
                              {ui->Chart1, ui->Chart2}},
        [this] { TimerTimer(); });

    connect(ui->btnStart, &QPushButton::clicked, this, &TF_ASens_Chart::btnStartClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TF_ASens_Chart::Button1Click);
    connect(ui->cbSin, &QCheckBox::clicked, this, &TF_ASens_Chart::cbSinClick);
    connect(ui->cbCos, &QCheckBox::clicked, this, &TF_ASens_Chart::cbCosClick);
    connect(ui->cbCordic, &QCheckBox::clicked, this, &TF_ASens_Chart::cbCordicClick);
    connect(ui->cbAng, &QCheckBox::clicked, this, &TF_ASens_Chart::cbAngClick);
}

TF_ASens_Chart::~TF_ASens_Chart() = default;

void TF_ASens_Chart::SetUpCharts() {
    for (TChart* chart : {ui->Chart1, ui->Chart2}) {
        chart->SetAcquisitionState(&state_);
        chart->SetTitle(QStringLiteral("TChart"));
        chart->SetLegendWithCheckBoxes(true);
        // A click on a legend entry shows or hides its series; the boxes follow.
        connect(chart, &QCustomPlot::legendClick, this, &TF_ASens_Chart::SyncBoxesWithSeries);
    }
    SeriesSin = ui->Chart1->AddLineSeries(QStringLiteral("Reg_Sin"), QColor(Qt::red));
    SeriesCos = ui->Chart1->AddLineSeries(QStringLiteral("Reg_Cos"), QColor(Qt::darkGreen));
    SeriesCordic = ui->Chart2->AddLineSeries(QStringLiteral("CORDIC_OUT"), QColor(Qt::red));
    SeriesAng = ui->Chart2->AddLineSeries(QStringLiteral("ANG_OUT"), QColor(Qt::darkGreen));
}

void TF_ASens_Chart::btnStartClick() {
    acquisition_->StartClick();
}

void TF_ASens_Chart::TimerTimer() {
    acquisition_->Cycle([&] {
        if (chip_ == nullptr)
            throw std::runtime_error(tr("График датчика не связан с микросхемой").toStdString());
        const std::uint16_t cos = chip_->GetReg(34, true);
        const std::uint16_t sin = chip_->GetReg(35, true);
        const std::uint16_t cordic = chip_->GetReg(36, true);
        const std::uint16_t ang = chip_->GetReg(37, true);

        const double n = state_.ASensSampleCounter;
        SeriesSin->AddXY(n, sin);
        SeriesCos->AddXY(n, cos);
        SeriesCordic->AddXY(n, cordic & kCordicMask);
        SeriesAng->AddXY(n, ang);
        acquisition_->RedrawCharts();
        ++state_.ASensSampleCounter;
    });
}

void TF_ASens_Chart::Button1Click() {
    acquisition_->Clear();
}

void TF_ASens_Chart::cbSinClick() {
    SeriesSin->SetActive(ui->cbSin->isChecked());
}
void TF_ASens_Chart::cbCosClick() {
    SeriesCos->SetActive(ui->cbCos->isChecked());
}
void TF_ASens_Chart::cbCordicClick() {
    SeriesCordic->SetActive(ui->cbCordic->isChecked());
}
void TF_ASens_Chart::cbAngClick() {
    SeriesAng->SetActive(ui->cbAng->isChecked());
}

void TF_ASens_Chart::SyncBoxesWithSeries() {
    ui->cbSin->setChecked(SeriesSin->Active());
    ui->cbCos->setChecked(SeriesCos->Active());
    ui->cbCordic->setChecked(SeriesCordic->Active());
    ui->cbAng->setChecked(SeriesAng->Active());
}

}  // namespace talmir
