// Register page: register list, picture, bit grid, value edits and the
// read/write buttons.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QPixmap>
#include <stdexcept>

#include "core/IntText.h"
#include "ui/ErrorBox.h"
#include "ui/GridDrawDelegate.h"
#include "ui/MouseReleaseFilter.h"
#include "ui/main.h"
#include "ui_PageConfig.h"

namespace talmir {

namespace {

constexpr int kRegisterCount = 72;            // list items "1".."72"
constexpr std::uint16_t kLastUiAddress = 72;  // read/write all: 0..72
constexpr int kCellWidth = 30;
constexpr int kCellHeight = 28;
constexpr int kPictureWidth = 575;
constexpr int kPictureHeight = 250;
const char* const kTagProperty = "Tag";

const QColor kBitSet(0, 128, 0);
const QColor kBitClear(192, 192, 192);

QString Display(std::uint16_t value) {
    return QString::fromStdString(RegDisplay(value));
}

}  // namespace

void TF_Face::SetUpRegisterPage() {
    QFont valueFont(QStringLiteral("Tahoma"));
    valueFont.setPixelSize(19);
    cfg->EditRegInHex->setFont(valueFont);
    cfg->EditRegAct->setFont(valueFont);

    QTableWidget* grid = cfg->sgReg;
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int col = 0; col < grid->columnCount(); ++col) grid->setColumnWidth(col, kCellWidth);
    grid->setRowHeight(0, kCellHeight);
    grid->setProperty(kTagProperty, 0);
    grid->setItemDelegate(new GridDrawDelegate(
        [this](int col, int row, const QRect& rect, QPainter* painter) {
            return sgRegDrawCell(col, row, rect, painter);
        },
        grid));
    grid->viewport()->installEventFilter(new MouseReleaseFilter(
        [this](const QPoint& pos) { Guard(state_.errorSink, this, [&] { sgRegMouseUp(pos); }); },
        grid));

    // A mouse click shows the register on release (itemClicked), also when
    // the item was already selected; keyboard moves show it at once.
    connect(cfg->lbRegList, &QListWidget::itemClicked, this, &TF_Face::lbRegListClick);
    connect(cfg->lbRegList, &QListWidget::currentRowChanged, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) lbRegListClick();
    });
    connect(cfg->EditRegInHex, &QLineEdit::textChanged, this, &TF_Face::EditRegInHexChange);
    connect(cfg->btnReadReg, &QPushButton::clicked, this, &TF_Face::btnReadRegClick);
    connect(cfg->btnWriteReg, &QPushButton::clicked, this, &TF_Face::btnWriteRegClick);
    connect(cfg->btnReadAll, &QPushButton::clicked, this, &TF_Face::btnReadAllClick);
    connect(cfg->btnWriteAll, &QPushButton::clicked, this, &TF_Face::btnWriteAllClick);

    ChooseRegisterFile = [this](RegisterFileDialogKind kind, const QString& folder) {
        return ShowRegisterFileDialog(this, kind, folder);
    };
}

void TF_Face::FillRegisterList() {
    {
        const QSignalBlocker quiet(cfg->lbRegList);
        for (int n = 1; n <= kRegisterCount; ++n) cfg->lbRegList->addItem(QString::number(n));
        cfg->lbRegList->setCurrentRow(0);
    }
    lbRegListClick();
}

std::optional<std::uint16_t> TF_Face::SelectedRegister() const {
    const int row = cfg->lbRegList->currentRow();
    if (row < 0) return std::nullopt;
    return static_cast<std::uint16_t>(row + 1);
}

std::uint16_t TF_Face::ShownRegister() const {
    return static_cast<std::uint16_t>(cfg->sgReg->property(kTagProperty).toInt());
}

void TF_Face::RepaintBitGrid() {
    cfg->sgReg->viewport()->update();
}

// The picture is N.png in the first picture folder that has it (beside the
// executable, then the installed ones). Pictures larger than the picture area
// are scaled down to fit it, keeping their aspect ratio. A file that exists but does not decode
// raises before anything on the page changes.
void TF_Face::ShowRegisterPicture(std::uint16_t address) {
    QString path;
    for (const QString& dir : options_.settings->pictureDirs) {
        path = dir + QStringLiteral("%1.png").arg(address);
        if (QFile::exists(path)) break;
        path.clear();
    }
    if (path.isEmpty()) {
        cfg->ImageReg->clear();
        return;
    }
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(tr("Не удалось загрузить рисунок регистра «%1»: %2")
                                     .arg(path, reader.errorString())
                                     .toStdString());
    if (image.width() > kPictureWidth || image.height() > kPictureHeight)
        image = image.scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    cfg->ImageReg->setPixmap(QPixmap::fromImage(image));
}

void TF_Face::lbRegListClick() {
    Guard(state_.errorSink, this, [&] {
        const auto address = SelectedRegister();
        if (!address) return;
        ShowRegisterPicture(*address);
        cfg->EditRegInHex->setText(Display(chip_->GetReg(*address, false)));
        cfg->EditRegAct->setText(Display(chip_->GetRegAct(*address)));
        cfg->sgReg->setProperty(kTagProperty, *address);
        RepaintBitGrid();
    });
}

void TF_Face::EditRegInHexChange(const QString& text) {
    Guard(state_.errorSink, this, [&] {
        const auto value = ParseInt(text.toStdString());
        const auto address = SelectedRegister();
        if (!value || !address) return;
        chip_->PutReg(*address, static_cast<std::uint16_t>(*value), false);
        RepaintBitGrid();
    });
}

// Shows a value just read: the last-read edit, then the value edit, whose
// change handler makes it the held value again.
void TF_Face::ShowReadValue(std::uint16_t value) {
    cfg->EditRegAct->setText(Display(value));
    cfg->EditRegInHex->setText(Display(value));
}

void TF_Face::btnReadRegClick() {
    Guard(state_.errorSink, this, [&] {
        const auto address = SelectedRegister();
        if (!address) return;
        ShowReadValue(chip_->GetReg(*address, true));
    });
}

void TF_Face::btnWriteRegClick() {
    Guard(state_.errorSink, this, [&] {
        const auto value = ParseInt(cfg->EditRegInHex->text().toStdString());
        const auto address = SelectedRegister();
        if (!value || !address) return;
        chip_->PutReg(*address, static_cast<std::uint16_t>(*value), true);
        cfg->EditRegAct->setText(Display(chip_->GetReg(*address, true)));
        RepaintBitGrid();
    });
}

void TF_Face::btnReadAllClick() {
    Guard(state_.errorSink, this, [&] {
        const auto selected = SelectedRegister();
        for (std::uint16_t address = 0; address <= kLastUiAddress; ++address) {
            const std::uint16_t value = chip_->GetReg(address, true);
            if (address == selected) ShowReadValue(value);
        }
    });
}

void TF_Face::btnWriteAllClick() {
    Guard(state_.errorSink, this, [&] { WriteHeldRegisters(*chip_, 0, kLastUiAddress); });
}

// Column k shows bit 15 - k: green when set, silver when clear, inside a
// 1-pixel white margin.
bool TF_Face::sgRegDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* painter) {
    (void)ARow;
    if (!chip_) return false;
    const std::uint16_t value = chip_->GetReg(ShownRegister(), false);
    const bool set = (value >> (15 - ACol)) & 1u;
    painter->fillRect(Rect.adjusted(1, 1, -1, -1), set ? kBitSet : kBitClear);
    return true;
}

// Any button's release over a cell inverts that cell's bit in the table
// only; outside the cells nothing changes.
void TF_Face::sgRegMouseUp(const QPoint& pos) {
    const QModelIndex cell = cfg->sgReg->indexAt(pos);
    if (!cell.isValid()) return;
    const std::uint16_t address = ShownRegister();
    const auto value =
        static_cast<std::uint16_t>(chip_->GetReg(address, false) ^ (1u << (15 - cell.column())));
    chip_->PutReg(address, value, false);
    RepaintBitGrid();
    cfg->EditRegInHex->setText(Display(value));
}

}  // namespace talmir
