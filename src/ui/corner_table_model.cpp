#include "ui/corner_table_model.h"

#include <QApplication>
#include <QPalette>

#include "core/colours.h"
#include "ui/grid_cell_delegate.h"

namespace qv::ui {

int CornerTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(grid_.cells.size());
}

int CornerTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(grid_.header.size());
}

QVariant CornerTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const auto row = static_cast<size_t>(index.row());
    const bool total = grid_.corner[row] == 0;
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(grid_.cells[row][static_cast<size_t>(index.column())]);
        case Qt::TextAlignmentRole:
            return static_cast<int>((index.column() < 3 ? Qt::AlignLeft : Qt::AlignRight) |
                                    Qt::AlignVCenter);
        case kCellInsetRole:
            return 2;
        case Qt::ForegroundRole: {
            const std::vector<CornerRow>& rows = total ? shown_.totals : shown_.rows;
            const size_t k = total ? row - shown_.rows.size() : row;
            const int slot = k < rows.size() ? rows[k].slot : 0;
            return ToQColor(kSlotColours[static_cast<size_t>(std::clamp(slot, 0, 3))]);
        }
        case Qt::BackgroundRole:
            if (total)
                return QApplication::palette().color(QPalette::Button);
            return {};
        default:
            return {};
    }
}

QVariant CornerTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(grid_.header[static_cast<size_t>(section)]);
    if (role == Qt::BackgroundRole)
        return QApplication::palette().color(QPalette::Button);
    return {};
}

void CornerTableModel::SetTable(CornerTable table, CornerUnits units) {
    built_ = std::move(table);
    units_ = units;
    Show();
}

void CornerTableModel::HeaderClicked(int column) {
    order_ = NextCornerOrder(order_, column == grid_.timeLostColumn);
    Show();
}

void CornerTableModel::Show() {
    beginResetModel();
    shown_ = OrderedCornerTable(built_, order_);
    grid_ = CornerGridOf(shown_, units_);
    endResetModel();
}

std::optional<int> CornerTableModel::CornerAt(int row) const {
    if (row < 0 || row >= rowCount() || grid_.corner[static_cast<size_t>(row)] == 0)
        return std::nullopt;
    return grid_.corner[static_cast<size_t>(row)];
}

std::string CornerTableModel::CopyText() const {
    return CornerTableTabText(shown_, units_);
}

}  // namespace qv::ui
