// Owner drawing of grid cells: a delegate that hands each cell's painting to
// the window's DrawCell handler (column, row, rectangle, painter).
#pragma once

#include <QPainter>
#include <QStyledItemDelegate>
#include <functional>

namespace talmir {

class GridDrawDelegate : public QStyledItemDelegate {
public:
    using DrawCell = std::function<bool(int col, int row, const QRect& rect, QPainter* painter)>;

    // `draw` returns false to let the grid draw the cell its ordinary way.
    GridDrawDelegate(DrawCell draw, QObject* parent)
        : QStyledItemDelegate(parent), draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const bool drawn = draw_(index.column(), index.row(), option.rect, painter);
        painter->restore();
        if (!drawn) QStyledItemDelegate::paint(painter, option, index);
    }

private:
    DrawCell draw_;
};

}  // namespace talmir
