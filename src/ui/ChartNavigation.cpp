// Navigation, measuring and export of the charting component: wheel zoom,
// pan, rubber band and follow mode; the readout under the mouse, the two
// measurement cursors and the statistics line; the context menu's saves.
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/VisibleRangeExport.h"
#include "ui/AcquisitionState.h"
#include "ui/ChartView.h"
#include "ui/ErrorBox.h"
#include "ui/FilePath.h"

namespace talmir {

namespace {

// One wheel notch zooms by this factor.
constexpr double kWheelZoom = 0.8;
// A press becomes a pan once the mouse moved this many pixels.
constexpr int kDragThreshold = 3;
// The follow windows the context menu offers, in samples; 0 is the whole record.
constexpr std::array<std::int64_t, 5> kFollowWidths = {0, 1000, 10000, 100000, 1000000};

// Where a chart's errors go: its windows' sink, or the modal box.
ErrorSink ErrorSinkOf(const AcquisitionState* state) {
    return state != nullptr ? state->errorSink : ErrorSink();
}

// The sample at or before x, as its value; none when the series starts later.
std::optional<std::int32_t> ValueAtOrBefore(const SeriesStore& store, double x) {
    const std::int64_t i = store.UpperIndex(SampleNumber(x, SampleRounding::Down)) - 1;
    if (i < 0) return std::nullopt;
    return store.ValueAt(i);
}

QString Number(double v) {
    return QString::number(v, 'f', 3);
}

}  // namespace

QCPItemText* TChart::OverlayText(double top, Qt::Alignment edge) {
    auto* text = new QCPItemText(this);
    text->position->setType(QCPItemPosition::ptAxisRectRatio);
    text->position->setCoords(0.01, top);
    text->setPositionAlignment(Qt::AlignLeft | edge);
    text->setTextAlignment(Qt::AlignLeft);
    text->setFont(QFont(font().family(), 8));
    text->setBrush(QColor(255, 255, 255, 210));
    text->setPadding(QMargins(3, 2, 3, 2));
    text->setVisible(false);
    return text;
}

void TChart::SetUpNavigation() {
    ChooseSaveFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, QString(), filter);
    };
    ChooseFollowWidth = [this](std::int64_t current) -> std::optional<std::int64_t> {
        bool ok = false;
        const int width = QInputDialog::getInt(
            this, tr("Окно слежения"), tr("Последних отсчётов в окне:"),
            static_cast<int>(std::clamp<std::int64_t>(current, 2, INT_MAX)), 2, INT_MAX, 1, &ok);
        if (!ok) return std::nullopt;
        return width;
    };
    setSelectionRectMode(QCP::srmNone);
    connect(selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect, QMouseEvent*) { OnRubberBand(rect); });
    readout_ = OverlayText(0.01, Qt::AlignTop);
    // The cursor differences and the statistics sit in the plotting area's
    // lower left corner, so a chart keeps its size whatever they say.
    statistics_ = OverlayText(0.99, Qt::AlignBottom);
    for (QCPItemStraightLine** line : {&cursorLine1_, &cursorLine2_}) {
        *line = new QCPItemStraightLine(this);
        (*line)->setPen(QPen(QColor(120, 0, 160), 1, Qt::DashLine));
        (*line)->setVisible(false);
    }
}

void TChart::SetFollowWidth(std::int64_t samples) {
    viewport_.SetFollowWidth(samples);
    FollowNewest();
}

void TChart::FollowNewest() {
    viewport_.Follow();
    RequestRedraw();
}

void TChart::ApplyViewport() {
    xAxis->setRange(viewport_.X().lo, viewport_.X().hi);
    yAxis->setRange(viewport_.Y().lo, viewport_.Y().hi);
}

void TChart::ZoomAtPixel(double factor, QPointF pixel, bool yAxisOnly) {
    if (!Navigable()) return;
    if (yAxisOnly) {
        viewport_.ZoomY(factor, yAxis->pixelToCoord(pixel.y()));
    } else {
        viewport_.ZoomX(factor, xAxis->pixelToCoord(pixel.x()));
    }
    ApplyViewport();
    RequestRedraw();
}

void TChart::OnRubberBand(const QRect& rect) {
    if (!Navigable() || rect.width() < 2 || rect.height() < 2) return;
    const double x1 = xAxis->pixelToCoord(rect.left()), x2 = xAxis->pixelToCoord(rect.right());
    const double y1 = yAxis->pixelToCoord(rect.bottom()), y2 = yAxis->pixelToCoord(rect.top());
    viewport_.ZoomTo({std::min(x1, x2), std::max(x1, x2)}, {std::min(y1, y2), std::max(y1, y2)});
    ApplyViewport();
    RequestRedraw();
}

void TChart::wheelEvent(QWheelEvent* event) {
    if (!Navigable()) return QCustomPlot::wheelEvent(event);
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) return;
    ZoomAtPixel(std::pow(kWheelZoom, steps), event->position(),
                event->modifiers().testFlag(Qt::ControlModifier));
    event->accept();
}

void TChart::mousePressEvent(QMouseEvent* event) {
    const bool band = Navigable() && event->button() == Qt::LeftButton &&
                      event->modifiers().testFlag(Qt::ShiftModifier);
    setSelectionRectMode(band ? QCP::srmCustom : QCP::srmNone);
    if (Navigable() && event->button() == Qt::LeftButton && !band &&
        axisRect()->rect().contains(event->pos())) {
        dragFrom_ = event->pos();
        dragX_ = {xAxis->range().lower, xAxis->range().upper};
        dragY_ = {yAxis->range().lower, yAxis->range().upper};
    }
    QCustomPlot::mousePressEvent(event);
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_ && event->buttons().testFlag(Qt::LeftButton)) {
        const QPoint moved = event->pos() - *dragFrom_;
        if (dragging_ || moved.manhattanLength() >= kDragThreshold) {
            dragging_ = true;
            // Back to the ranges at the press, then by the whole movement, so
            // rounding does not accumulate over many small moves.
            viewport_.ZoomTo(dragX_, dragY_);
            viewport_.Pan(
                xAxis->pixelToCoord(dragFrom_->x()) - xAxis->pixelToCoord(event->pos().x()),
                yAxis->pixelToCoord(dragFrom_->y()) - yAxis->pixelToCoord(event->pos().y()));
            ApplyViewport();
            RequestRedraw();
        }
    }
    if (Navigable() && !series_.empty()) {
        readout_->setText(ReadoutAt(event->pos().x()));
        readout_->setVisible(!readout_->text().isEmpty());
        RequestRedraw();
    }
    QCustomPlot::mouseMoveEvent(event);
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    dragging_ = false;
    QCustomPlot::mouseReleaseEvent(event);
}

void TChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (Navigable()) FollowNewest();
    QCustomPlot::mouseDoubleClickEvent(event);
}

void TChart::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("Сохранить изображение…"), this, [this] {
        const QString name =
            ChooseSaveFile(tr("Сохранить изображение"), QStringLiteral("PNG (*.png);;PDF (*.pdf)"));
        if (!name.isEmpty()) Guard(ErrorSinkOf(state_), this, [&] { SaveImage(name); });
    });
    if (Navigable()) {
        menu.addAction(tr("Экспорт видимого диапазона…"), this, [this] {
            const QString name =
                ChooseSaveFile(tr("Экспорт видимого диапазона"), tr("CSV (*.csv);;Все файлы (*)"));
            if (!name.isEmpty())
                Guard(ErrorSinkOf(state_), this, [&] { ExportVisibleRange(name); });
        });
        menu.addSeparator();
        const double x = xAxis->pixelToCoord(event->pos().x());
        menu.addAction(tr("Курсор 1 здесь"), this, [this, x] { SetCursors(x, cursor2_); });
        menu.addAction(tr("Курсор 2 здесь"), this, [this, x] { SetCursors(cursor1_, x); });
        menu.addAction(tr("Убрать курсоры"), this,
                       [this] { SetCursors(std::nullopt, std::nullopt); });
        menu.addSeparator();
        menu.addAction(tr("Следить за новыми данными"), this, [this] { FollowNewest(); });
        QMenu* window = menu.addMenu(tr("Окно слежения"));
        for (const std::int64_t width : kFollowWidths) {
            const QString text = width == 0 ? tr("Вся запись") : tr("%1 отсчётов").arg(width);
            QAction* a = window->addAction(text, this, [this, width] { SetFollowWidth(width); });
            a->setCheckable(true);
            a->setChecked(viewport_.FollowWidth() == width);
        }
        window->addSeparator();
        QAction* other = window->addAction(tr("Другое…"), this, [this] {
            if (const auto width = ChooseFollowWidth(viewport_.FollowWidth()))
                SetFollowWidth(*width);
        });
        other->setCheckable(true);
        other->setChecked(std::find(kFollowWidths.begin(), kFollowWidths.end(),
                                    viewport_.FollowWidth()) == kFollowWidths.end());
        QAction* stats = menu.addAction(tr("Статистика"), this, [this] {
            showStatistics_ = !showStatistics_;
            RequestRedraw();
        });
        stats->setCheckable(true);
        stats->setChecked(showStatistics_);
    }
    menu.exec(event->globalPos());
}

void TChart::SetCursors(std::optional<double> first, std::optional<double> second) {
    cursor1_ = first;
    cursor2_ = second;
    RequestRedraw();
}

QString TChart::ReadoutAt(double px) const {
    const double x = std::round(xAxis->pixelToCoord(px));
    QStringList parts{QStringLiteral("N = %1").arg(static_cast<qint64>(x))};
    for (const auto& s : series_) {
        const SeriesStore* store = s->Store();
        if (store == nullptr || !s->Active()) continue;
        if (const auto v = ValueAtOrBefore(*store, x))
            parts << QStringLiteral("%1 = %2").arg(s->Title()).arg(*v);
    }
    return parts.size() > 1 ? parts.join(QStringLiteral("; ")) : QString();
}

QString TChart::CursorText() const {
    if (!cursor1_ || !cursor2_) return QString();
    const double x1 = std::round(*cursor1_), x2 = std::round(*cursor2_);
    QStringList parts{QStringLiteral("ΔN = %1").arg(static_cast<qint64>(x2 - x1))};
    for (const auto& s : series_) {
        const SeriesStore* store = s->Store();
        if (store == nullptr || !s->Active()) continue;
        const auto v1 = ValueAtOrBefore(*store, x1), v2 = ValueAtOrBefore(*store, x2);
        if (v1 && v2)
            parts << QStringLiteral("Δ %1 = %2").arg(s->Title()).arg(qint64{*v2} - qint64{*v1});
    }
    return parts.join(QStringLiteral("; "));
}

std::pair<std::int64_t, std::int64_t> TChart::VisibleSamples() const {
    return {SampleNumber(xAxis->range().lower, SampleRounding::Up),
            SampleNumber(xAxis->range().upper, SampleRounding::Down)};
}

QString TChart::StatisticsText() const {
    const auto [from, to] = VisibleSamples();
    QStringList lines;
    for (const auto& s : series_) {
        const SeriesStore* store = s->Store();
        if (store == nullptr || !s->Active()) continue;
        const SeriesStats st = store->Stats(from, to);
        if (st.count == 0) continue;
        lines << tr("%1: n = %2; min = %3; max = %4; среднее = %5; σ = %6; размах = %7")
                     .arg(s->Title())
                     .arg(st.count)
                     .arg(st.min)
                     .arg(st.max)
                     .arg(Number(st.mean), Number(st.stdDev))
                     .arg(st.peakToPeak);
    }
    return lines.join(QLatin1Char('\n'));
}

void TChart::UpdateOverlays() {
    const std::array<std::pair<QCPItemStraightLine*, std::optional<double>>, 2> cursors = {
        std::pair{cursorLine1_, cursor1_}, std::pair{cursorLine2_, cursor2_}};
    for (const auto& [line, x] : cursors) {
        line->setVisible(x.has_value());
        if (x) {
            line->point1->setCoords(*x, 0);
            line->point2->setCoords(*x, 1);
        }
    }
    QStringList text;
    if (const QString c = CursorText(); !c.isEmpty()) text << c;
    if (showStatistics_) {
        if (const QString st = StatisticsText(); !st.isEmpty()) text << st;
    }
    statistics_->setText(text.join(QLatin1Char('\n')));
    statistics_->setVisible(!text.isEmpty());
}

void TChart::ExportVisibleRange(const QString& fileName) const {
    std::vector<NamedSeries> shown;
    for (const auto& s : series_) {
        if (s->Store() == nullptr || !s->Active()) continue;
        shown.push_back({s->Title().toStdString(), s->Store()});
    }
    const auto [from, to] = VisibleSamples();
    SaveVisibleRange(FilePath(fileName), shown, from, std::max(from, to));
}

void TChart::SaveImage(const QString& fileName) {
    const bool pdf = fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    const bool saved = pdf ? savePdf(fileName) : savePng(fileName);
    if (!saved) {
        throw std::runtime_error(
            tr("Не удалось сохранить изображение в %1").arg(fileName).toStdString());
    }
}

}  // namespace talmir
