#include "ui/detail_table_model.h"

#include <QApplication>
#include <QPalette>

#include "ui/grid_cell_delegate.h"

namespace qv::ui {

int DetailTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return (kind_ == DetailTableKind::Sector ? kSectTableRows : kDriftTableRows) - 1;
}

int DetailTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return kind_ == DetailTableKind::Sector ? kSectTableCols : kDriftTableCols;
}

const std::string& DetailTableModel::Cell(int column, int row) const {
    const auto c = static_cast<size_t>(column);
    const auto r = static_cast<size_t>(row);
    return kind_ == DetailTableKind::Sector ? tables_.sector[r][c] : tables_.drift[r][c];
}

QVariant DetailTableModel::data(const QModelIndex& index, int role) const {
    const int row = index.row() + 1;
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(Cell(column, row));
        case Qt::TextAlignmentRole:
            return static_cast<int>(Qt::AlignRight | Qt::AlignTop);
        case kCellInsetRole:
            return 2;
        case Qt::ForegroundRole:
            return ToQColor(DetailCellStyleOf(kind_, column, row, sectCount_).font);
        case Qt::BackgroundRole:
            return ToQColor(DetailCellStyleOf(kind_, column, row, sectCount_).background);
        default:
            return {};
    }
}

QVariant DetailTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(Cell(section, 0));
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole)
        return QApplication::palette().color(QPalette::Button);
    return {};
}

void DetailTableModel::SetTables(const DetailTables& tables, int sectCount) {
    beginResetModel();
    tables_ = tables;
    sectCount_ = sectCount;
    endResetModel();
}

}  // namespace qv::ui
