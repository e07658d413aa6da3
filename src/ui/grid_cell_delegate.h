#pragma once
// Paints the cells of the string grids: background and font colour from
// the model, the text aligned with a fixed inset from the cell edge and two
// pixels below the top, clipped to the cell.

#include <QColor>
#include <QStyledItemDelegate>

#include "core/colours.h"

namespace qv::ui {

// Pixels between the aligned edge of a cell and its text.
inline constexpr int kCellInsetRole = Qt::UserRole + 1;
inline constexpr int kCellTopInset = 2;

inline QColor ToQColor(Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

class GridCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace qv::ui
