// Chart page: readout-mode polling, status cells and the log file.
#include <QFile>
#include <array>
#include <optional>
#include <string>

#include "core/AngleRecord.h"
#include "core/ChartRecord.h"
#include "core/DataFile.h"
#include "core/LedColors.h"
#include "device/CaptureEngine.h"
#include "ui/AcquisitionControl.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui/GridDrawDelegate.h"
#include "ui/main.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace talmir {

namespace {

// Item texts of the readout modes 0 to 5, inner spaces as the user knows them.
const std::array<const char*, 6> kModeItems = {
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Из регистров"),
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Однооборотный SPI       -  20 бит"),
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Однооборотный режим  -  32 бит"),
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Многооборотный режим - 32 бит"),
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Многооборотный режим - 48 бит"),
    QT_TRANSLATE_NOOP("talmir::TF_Face", "Режим тестирования       - 80 бит"),
};
constexpr int kNoReading = 5;

void AddPoint(TChartSeries* series, double x, const std::optional<double>& y) {
    if (y) series->AddXY(x, *y);
}

}  // namespace

void TF_Face::SetUpChartPage() {
    for (const char* item : kModeItems) chart->ListBoxMode->addItem(tr(item));
    SetUpLedsGrid();
    SetUpChart2();
    chartAcquisition_ = std::make_unique<Acquisition>(
        state_, this,
        Acquisition::Controls{chart->btnStart,
                              chart->EditInterval,
                              Timer,
                              {SeriesTemp, SeriesVelocity, SeriesAng, SeriesAngRAW},
                              {chart->Chart2}},
        [this] { TimerTimer(); });
    connect(chart->btnStart, &QPushButton::clicked, this, &TF_Face::btnStartClick);
    connect(chart->BtnClearChart, &QPushButton::clicked, this, &TF_Face::BtnClearChartClick);
}

// Three columns by two rows: row 0 a header row drawn the ordinary way, row 1
// the flag values painted by sgLedsDrawCell.
void TF_Face::SetUpLedsGrid() {
    QTableWidget* grid = chart->sgLeds;
    grid->setColumnCount(3);
    grid->setRowCount(2);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(65);
    grid->verticalHeader()->setDefaultSectionSize(23);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setStretchLastSection(true);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            auto* item = new QTableWidgetItem();
            item->setFlags(Qt::ItemIsEnabled);
            if (row == 0) item->setBackground(grid->palette().button());
            grid->setItem(row, col, item);
        }
    }
    grid->setItemDelegate(new GridDrawDelegate(
        [this](int col, int row, const QRect& rect, QPainter* painter) {
            return sgLedsDrawCell(col, row, rect, painter);
        },
        grid));
}

void TF_Face::SetUpChart2() {
    TChart* chart2 = chart->Chart2;
    chart2->SetLegendWithCheckBoxes(true);
    SeriesAng = chart2->AddLineSeries(QStringLiteral("Anlge"), QColor(0, 0, 255));
    SeriesTemp = chart2->AddLineSeries(QStringLiteral("Temp"), QColor(255, 128, 0));
    SeriesAngRAW = chart2->AddLineSeries(QStringLiteral("AnlgeRAW"), QColor(0, 160, 0));
    SeriesVelocity = chart2->AddLineSeries(QStringLiteral("Velocity"), QColor(200, 0, 0));
    SeriesTemp->SetActive(false);
}

void TF_Face::InitLedsHeader() {
    const char* captions[] = {"EAH", "EAL", "LOCK_IN"};
    for (int col = 0; col < 3; ++col) chart->sgLeds->item(0, col)->setText(captions[col]);
}

int TF_Face::ChartReadoutMode() const {
    const int row = chart->ListBoxMode->currentRow();
    return row < 0 || row > kNoReading ? kNoReading : row;
}

// The programming-mode line follows the readout mode; a failed line write
// ends the start after its one error box.
void TF_Face::btnStartClick() {
    chartAcquisition_->StartClick(
        [&] { return SetProgrammingModeForReadout(ChartReadoutMode() == 0, false); });
}

// One tick. Any failure (register or frame read, log file) ends it with the
// error box, leaving the counter as it was and the acquisition stopped.
void TF_Face::TimerTimer() {
    chartAcquisition_->Cycle([&] {
        ChartTick();
        ++state_.ChartSampleCounter;
    });
}

void TF_Face::ChartTick() {
    const int mode = ChartReadoutMode();
    // Mode 0 reads registers 37, 39 and 36 in this order, as a capture does.
    RawReading raw;
    if (mode == 0) {
        CapturedSample sample;
        ReadSample(*chip_, 0, sample);
        raw = sample.raw;
    } else {
        raw = ReadFrameWords(*chip_, static_cast<std::uint8_t>(mode));
    }
    const ChartRecord r = ChartRecordOf(mode, raw);
    const double x = state_.ChartSampleCounter;
    AddPoint(SeriesAng, x, r.ang);
    AddPoint(SeriesTemp, x, r.temp);
    AddPoint(SeriesVelocity, x, r.velocity);
    AddPoint(SeriesAngRAW, x, r.angRaw);
    chartAcquisition_->RedrawCharts();
    if (r.leds) {
        for (int col = 0; col < 3; ++col)
            chart->sgLeds->item(1, col)->setText(QString::number((*r.leds)[col]));
    }
    if (chart->cbSaveChartsToFile->isChecked()) {
        AppendRecord(FilePath(chart->EditChartsFile->text()), r.header, r.line);
    }
}

void TF_Face::BtnClearChartClick() {
    chartAcquisition_->Clear();
}

// Row 1 only: EAH and EAL green while their flag is clear, LOCK_IN green
// while its flag is set, red otherwise; the text 30 px in from the left.
bool TF_Face::sgLedsDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* painter) {
    if (ARow != 1) return false;
    const QTableWidgetItem* item = chart->sgLeds->item(ARow, ACol);
    const QString text = item != nullptr ? item->text() : QString();
    const QRect r = Rect.adjusted(1, 1, -1, -1);
    const bool green = LedIsGreen(ACol, text.toStdString());
    painter->fillRect(r, green ? QColor(0, 128, 0) : QColor(255, 0, 0));
    painter->setPen(Qt::black);
    painter->drawText(r.adjusted(30, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    return true;
}

}  // namespace talmir
