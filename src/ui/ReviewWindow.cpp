#include "ui/ReviewWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSharedPointer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>

#include "core/AnalysisText.h"
#include "core/CaptureFile.h"
#include "core/CaptureReview.h"
#include "core/EllipseFit.h"
#include "core/FftAmplitudes.h"
#include "core/ReviewSamples.h"
#include "qcustomplot.h"
#include "ui/AngleErrorWindow.h"
#include "ui/CaptureTimeTicker.h"
#include "ui/ChartView.h"
#include "ui/DeferredResizeReplot.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"
#include "ui_ReviewWindow.h"

namespace talmir {

namespace {

// How often the progress bar follows a reading.
constexpr int kPollMs = 50;
// Bad lines named in the window; the tool tip names all that are kept.
constexpr std::size_t kNamedBadLines = 3;

const std::array<QColor, 8> kSeriesColors = {
    QColor(0, 0, 160),   QColor(200, 0, 0),   QColor(0, 128, 0), QColor(255, 128, 0),
    QColor(128, 0, 128), QColor(0, 128, 128), QColor(64, 0, 0),  QColor(90, 90, 90)};

QString Decimal(double value, int digits) {
    return QString::fromStdString(DecimalText(value, digits));
}

QString FormatText(const ReviewRecord& record) {
    const ReviewFormat f = record.Format();
    QString text;
    switch (f.layout) {
        case ReviewLayout::ChartMode0:
            text = ReviewWindow::tr("страница «График», режим 0 (из регистров)");
            break;
        case ReviewLayout::Mode0:
            text = ReviewWindow::tr("разовый отсчёт, режим 0 (из регистров)");
            break;
        case ReviewLayout::Mode2:
            text = record.Mode2Decodings() == kChartMode2
                       ? ReviewWindow::tr("режим 2, расшифровка страницы «График»")
                   : record.Mode2Decodings() == kExportMode2
                       ? ReviewWindow::tr("режим 2, расшифровка разового отсчёта")
                       : ReviewWindow::tr("режим 2");
            break;
        case ReviewLayout::WorkData:
            text = ReviewWindow::tr("угловые данные");
            break;
        case ReviewLayout::XY:
            text = ReviewWindow::tr("данные XY");
            break;
        default:
            text = ReviewWindow::tr("режим %1").arg(static_cast<int>(f.layout) - 1);
            break;
    }
    return f.capture ? ReviewWindow::tr("запись по времени, %1").arg(text) : text;
}

}  // namespace

ReviewWindow::ReviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::ReviewWindow>()) {
    ui->setupUi(this);
    ui->SplitterReview->setStretchFactor(0, 3);
    ui->SplitterReview->setStretchFactor(1, 2);
    ui->ChartReview->SetLegendWithCheckBoxes(true);
    auto* deferredReplot = new DeferredResizeReplot(this);
    for (QCustomPlot* plot : {static_cast<QCustomPlot*>(ui->ChartReview), ui->ChartSpectrum})
        deferredReplot->Watch(plot);
    ui->ChartReview->xAxis->setLabel(tr("Отсчёт"));
    QCustomPlot* spectrum = ui->ChartSpectrum;
    spectrum->yAxis->setScaleType(QCPAxis::stLogarithmic);
    spectrum->yAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    spectrum->yAxis->setLabel(tr("Амплитуда, LSB"));
    spectrum->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    SpectrumGraph = spectrum->addGraph();
    SpectrumGraph->setPen(QPen(QColor(0, 0, 160)));
    NoiseFloorLine = new QCPItemStraightLine(spectrum);
    NoiseFloorLine->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
    NoiseFloorLine->setVisible(false);
    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(kPollMs);
    connect(pollTimer_, &QTimer::timeout, this, &ReviewWindow::PollReading);
    connect(ui->btnCancel, &QPushButton::clicked, this, &ReviewWindow::btnCancelClick);
    connect(ui->btnSpectrum, &QPushButton::clicked, this, &ReviewWindow::btnSpectrumClick);
    connect(ui->btnEllipse, &QPushButton::clicked, this, &ReviewWindow::btnEllipseClick);
    connect(ui->btnAngleError, &QPushButton::clicked, this, &ReviewWindow::btnAngleErrorClick);
    connect(ui->btnSaveCapture, &QPushButton::clicked, this, &ReviewWindow::btnSaveCaptureClick);
    ChooseCaptureFile = [this] {
        return QFileDialog::getSaveFileName(this, tr("Сохранить захват"), QString(),
                                            tr("Данные (*.csv *.txt);;Все файлы (*)"));
    };
    ui->btnSaveCapture->hide();
    ui->ProgressRead->hide();
    ui->btnCancel->hide();
    ui->LabelBadLines->hide();
    for (QPushButton* b : {ui->btnSpectrum, ui->btnEllipse, ui->btnAngleError})
        b->setEnabled(false);
}

ReviewWindow::~ReviewWindow() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

AngleErrorWindow* ReviewWindow::AngleErrorWin() const {
    return angleErrorWindow_;
}

void ReviewWindow::OpenFile(const QString& fileName) {
    if (Reading() || record_) return;
    setWindowTitle(tr("Просмотр — %1").arg(QFileInfo(fileName).fileName()));
    StartReading(fileName, QFileInfo(fileName).size(), [this, path = FilePath(fileName)] {
        return ReadReviewFile(path, &bytesRead_, &cancel_);
    });
}

void ReviewWindow::StartReading(const QString& name, std::int64_t size,
                                std::function<ReviewFileResult()> read) {
    fileName_ = name;
    ui->LabelFile->setText(tr("Чтение %1…").arg(name));
    fileBytes_ = size;
    bytesRead_ = 0;
    cancel_ = false;
    std::packaged_task<ReviewFileResult()> task(std::move(read));
    result_ = task.get_future();
    worker_ = std::thread(std::move(task));
    ui->ProgressRead->setValue(0);
    ui->ProgressRead->show();
    ui->btnCancel->setEnabled(true);
    ui->btnCancel->show();
    pollTimer_->start();
}

void ReviewWindow::btnCancelClick() {
    cancel_ = true;
    ui->btnCancel->setEnabled(false);
}

void ReviewWindow::PollReading() {
    if (fileBytes_ > 0) {
        ui->ProgressRead->setValue(
            static_cast<int>(std::min<std::int64_t>(1000, bytesRead_.load() * 1000 / fileBytes_)));
    }
    if (result_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    pollTimer_->stop();
    worker_.join();
    ui->ProgressRead->hide();
    ui->btnCancel->hide();
    ReviewFileResult result;
    // Only memory can run short on the worker; that shows like a refusal.
    try {
        result = result_.get();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    EndReading(std::move(result));
}

void ReviewWindow::EndReading(ReviewFileResult result) {
    if (result.record) {
        ShowRecord(std::move(*result.record), fileName_);
        if (capture_) {
            captureLabel_ = ui->LabelFile->text();
            ui->btnSaveCapture->show();
        }
    } else {
        ui->LabelFile->setText(result.cancelled ? tr("Чтение %1 отменено").arg(fileName_)
                                                : QString::fromStdString(result.error));
    }
    emit ReadingEnded();
}

void ReviewWindow::ShowRecord(ReviewRecord record, const QString& title) {
    if (record_) return;
    record_ = std::make_shared<const ReviewRecord>(std::move(record));
    if (windowTitle() == tr("Просмотр")) setWindowTitle(tr("Просмотр — %1").arg(title));
    TChart* chart = ui->ChartReview;
    const auto& series = record_->Series();
    for (std::size_t k = 0; k < series.size(); ++k) {
        // The chart's series share the record, so it lives as long as they do.
        std::shared_ptr<const SeriesStore> store(record_, &series[k].store);
        const QString name = QString::fromStdString(series[k].title);
        chart->AddLineSeries(name, kSeriesColors[k % kSeriesColors.size()], std::move(store))
            ->SetActive(series[k].shown);
        ui->ComboSeries->addItem(name);
    }
    const auto firstShown =
        std::find_if(series.begin(), series.end(), [](const ReviewSeries& s) { return s.shown; });
    ui->ComboSeries->setCurrentIndex(static_cast<int>(firstShown - series.begin()) %
                                     std::max<int>(1, static_cast<int>(series.size())));
    if (record_->HasTimes()) {
        chart->xAxis->setTicker(QSharedPointer<CaptureTimeTicker>::create(record_));
        chart->xAxis->setLabel(tr("Время, с"));
    }
    ui->LabelFile->setText(
        tr("%1: %2, отсчётов: %3").arg(title, FormatText(*record_)).arg(record_->Count()));
    ShowBadLines();
    ui->btnSpectrum->setEnabled(!series.empty());
    ui->btnEllipse->setEnabled(XYPairsOf(*record_, 0, -1).has_value());
    ui->btnAngleError->setEnabled(AngleColumnOf(*record_).has_value());
    // The axes take the whole record at once, so the analyses see it in view.
    chart->RedrawNow();
}

bool ReviewWindow::ShowCapture(int mode, std::shared_ptr<const std::vector<CapturedSample>> samples,
                               const QString& title) {
    if (record_ || Reading() || !ReviewRecordOfCapture(mode, {})) return false;
    captureMode_ = mode;
    capture_ = std::move(samples);
    // The samples become the record on the worker, as a file's lines do.
    StartReading(title, static_cast<std::int64_t>(capture_->size()),
                 [this, mode, samples = capture_] {
                     ReviewFileResult result;
                     result.record = ReviewRecordOfCapture(mode, *samples, &bytesRead_, &cancel_);
                     result.cancelled = !result.record;
                     return result;
                 });
    return true;
}

void ReviewWindow::btnSaveCaptureClick() {
    Guard(errorSink, this, [&] {
        if (!capture_) return;
        const QString name = ChooseCaptureFile();
        if (name.isEmpty()) return;
        const std::string error = WriteCaptureFile(FilePath(name), captureMode_, *capture_);
        if (!error.empty()) {
            ShowErrorBox(errorSink, this,
                         tr("Захват не сохранён: %1").arg(QString::fromStdString(error)));
            return;
        }
        ui->LabelFile->setText(tr("%1; сохранён в %2").arg(captureLabel_, name));
    });
}

void ReviewWindow::ShowBadLines() {
    const std::int64_t count = record_->BadLineCount();
    ui->LabelBadLines->setVisible(count > 0);
    if (count == 0) return;
    QStringList named, all;
    for (const ReviewBadLine& b : record_->FirstBadLines()) {
        const QString line =
            tr("строка %1: %2").arg(b.number).arg(QString::fromStdString(b.reason));
        if (static_cast<std::size_t>(named.size()) < kNamedBadLines) named << line;
        all << line;
    }
    const bool more = count > static_cast<std::int64_t>(named.size());
    ui->LabelBadLines->setText(tr("Не разобрано и пропущено строк: %1 (%2%3)")
                                   .arg(QString::number(count), named.join(QStringLiteral("; ")),
                                        more ? QStringLiteral("; …") : QString()));
    ui->LabelBadLines->setToolTip(all.join(QLatin1Char('\n')));
}

std::pair<std::int64_t, std::int64_t> ReviewWindow::VisibleRange() const {
    const auto [from, to] = ui->ChartReview->VisibleSamples();
    return {std::max<std::int64_t>(from, 0), std::min(to, record_->Count() - 1)};
}

void ReviewWindow::btnSpectrumClick() {
    Guard(errorSink, this, [&] {
        const int index = ui->ComboSeries->currentIndex();
        if (!record_ || index < 0) return;
        const auto [from, to] = VisibleRange();
        const ReviewSeries& series = record_->Series()[static_cast<std::size_t>(index)];
        const FftAmplitudesResult result = ComputeFftAmplitudes(series.store, from, to);
        if (!result.spectrum) {
            SpectrumGraph->data()->clear();
            NoiseFloorLine->setVisible(false);
            ui->LabelAnalysis->setText(
                tr("Спектр не рассчитан: %1").arg(QString::fromStdString(result.refusal)));
            ui->ChartSpectrum->replot();
            return;
        }
        const FftAmplitudes& sp = *result.spectrum;
        // A capture's bins in hertz by its usual step, others per sample.
        const std::int64_t stepUs = record_->NominalStepUs(from, to);
        const double rate = stepUs > 0 ? 1e6 / static_cast<double>(stepUs) : 1.0;
        const QString unit = stepUs > 0 ? tr("Гц") : tr("1/отсчёт");
        QVector<double> keys, values;
        for (std::size_t k = 1; k < sp.AmplitudeLsb.size(); ++k) {
            keys << rate * static_cast<double>(k) / sp.Length;
            values << std::max(sp.AmplitudeLsb[k], 1e-6);
        }
        SpectrumGraph->setData(keys, values, true);
        ui->ChartSpectrum->xAxis->setLabel(tr("Частота, %1").arg(unit));
        ui->ChartSpectrum->rescaleAxes();
        NoiseFloorLine->point1->setCoords(0, sp.NoiseFloorLsb);
        NoiseFloorLine->point2->setCoords(1, sp.NoiseFloorLsb);
        NoiseFloorLine->setVisible(true);
        ui->ChartSpectrum->replot();
        ui->LabelAnalysis->setText(
            tr("Спектр «%1» по %2 отсчётам видимого диапазона: %3 отрезков по %4 (окно Ханна). "
               "Шумовая полка %5 LSB; пик %6 LSB на %7 %8")
                .arg(QString::fromStdString(series.title))
                .arg(to - from + 1)
                .arg(sp.Segments)
                .arg(sp.Length)
                .arg(Decimal(sp.NoiseFloorLsb, 4), Decimal(sp.PeakLsb, 3),
                     Decimal(rate * sp.PeakBin / sp.Length, 6), unit));
    });
}

void ReviewWindow::btnEllipseClick() {
    Guard(errorSink, this, [&] {
        if (!record_) return;
        const auto [from, to] = VisibleRange();
        const auto xy = XYPairsOf(*record_, from, to);
        if (!xy) return;
        const EllipseFitResult result = FitEllipse(xy->pairs);
        if (!result.fit) {
            ui->LabelAnalysis->setText(
                tr("Эллипс не подобран: %1").arg(QString::fromStdString(result.refusal)));
            return;
        }
        const EllipseFit& f = *result.fit;
        const QString points = xy->stride > 1
                                   ? tr("%1 точкам (каждой %2-й)").arg(f.Samples).arg(xy->stride)
                                   : tr("%1 точкам").arg(f.Samples);
        ui->LabelAnalysis->setText(
            tr("Эллипс по %1 видимого диапазона: смещение X %2, Y %3; амплитуда X %4, Y %5 LSB; "
               "рассогласование %6 %; фаза %7°; шум %8 LSB; ошибка atan2: пик %9°")
                .arg(points, Decimal(f.OffsetX, 1), Decimal(f.OffsetY, 1), Decimal(f.AmplitudeX, 1),
                     Decimal(f.AmplitudeY, 1), Decimal(f.MismatchPercent, 3),
                     Decimal(f.PhaseDeg, 3), Decimal(f.NoiseLsb, 2),
                     Decimal(f.AtanPeakErrorDeg, 4)));
    });
}

void ReviewWindow::btnAngleErrorClick() {
    Guard(errorSink, this, [&] {
        if (!record_) return;
        const auto [from, to] = VisibleRange();
        const ReviewAngleSamples s = AngleSamplesOf(*record_, from, to);
        if (!s.refusal.empty()) {
            ui->LabelAnalysis->setText(
                tr("Ошибка угла не рассчитана: %1").arg(QString::fromStdString(s.refusal)));
            return;
        }
        if (angleErrorWindow_.isNull()) {
            angleErrorWindow_ = new AngleErrorWindow(this);
            angleErrorWindow_->setWindowTitle(windowTitle() + tr(": ошибка угла"));
            connect(angleErrorWindow_, &AngleErrorWindow::RefreshRequested, this,
                    &ReviewWindow::btnAngleErrorClick);
        }
        angleErrorWindow_->ShowSamples(s.samples, s.channels);
        angleErrorWindow_->show();
        angleErrorWindow_->raise();
        if (record_->HasTimes()) {
            ui->LabelAnalysis->setText(
                tr("Ошибка угла по %1 равным шагам времени по %2 мкс; пропущенных шагов "
                   "(заполнены между соседями): %3")
                    .arg(s.samples.size())
                    .arg(record_->NominalStepUs(from, to))
                    .arg(s.interpolated));
        }
    });
}

std::optional<QString> ReviewFileArgument(const QStringList& args) {
    if (args.size() != 1 || args[0].isEmpty() || args[0].startsWith(QLatin1Char('-')))
        return std::nullopt;
    return args[0];
}

}  // namespace talmir
