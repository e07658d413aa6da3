#include "ui/grid_cell_delegate.h"

#include <QPainter>

namespace qv::ui {

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QRect cell = option.rect;
    const QVariant background = index.data(Qt::BackgroundRole);
    painter->fillRect(cell, background.isValid() ? background.value<QColor>() : QColor(Qt::white));

    const QVariant foreground = index.data(Qt::ForegroundRole);
    const int inset = index.data(kCellInsetRole).isValid() ? index.data(kCellInsetRole).toInt() : 2;
    const Qt::Alignment align =
        Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    QRect text = cell.adjusted(0, kCellTopInset, 0, 0);
    if (align & Qt::AlignRight)
        text.setRight(cell.right() - inset);
    else if (align & Qt::AlignLeft || align == 0)
        text.setLeft(cell.left() + inset);

    painter->save();
    painter->setClipRect(cell);
    painter->setFont(option.font);
    painter->setPen(foreground.isValid() ? foreground.value<QColor>() : QColor(Qt::black));
    painter->drawText(text, static_cast<int>((align ? align : Qt::AlignLeft) | Qt::AlignTop),
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
        QPen dotted(Qt::DotLine);
        dotted.setColor(Qt::black);
        painter->setPen(dotted);
        painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

}  // namespace qv::ui
