#include "ui/lap_list_model.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStringList>

#include "app/analysis.h"
#include "laps/lap_list_marks.h"
#include "laps/lap_time_uncertainty.h"
#include "ui/grid_cell_delegate.h"

namespace qv::ui {
namespace {

constexpr int kNameColumnWidth = 120;
constexpr int kLapTimeColumn = 4;

Qt::Alignment ToQtAlign(CellAlign align) {
    switch (align) {
        case CellAlign::Center:
            return Qt::AlignHCenter;
        case CellAlign::Right:
            return Qt::AlignRight;
        case CellAlign::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

int LapListColumnWidth(int column) {
    static constexpr int kFirst[] = {kNameColumnWidth, 80, 100, 80, 90, 114, 80};
    if (column >= 0 && column <= 6)
        return kFirst[column];
    if (column == 7)
        return kNameColumnWidth * 18 / 10;
    if (column <= 12)
        return 82;
    if (column <= 18)
        return 88;
    return 40;
}

int LapListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(1, session_.laps.LapNum());
}

int LapListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLapListColumns;
}

QVariant LapListModel::data(const QModelIndex& index, int role) const {
    const int lap = index.row();
    const int column = index.column();
    if (lap >= session_.laps.LapNum()) {
        if (role == Qt::BackgroundRole)
            return QColor(Qt::white);
        return {};
    }
    const LapRow& row = session_.laps.LapRows[static_cast<size_t>(lap)];
    if (role == Qt::DisplayRole)
        return QString::fromStdString(row[static_cast<size_t>(column)]);
    if (role == Qt::ToolTipRole) {
        const std::string band =
            UncertaintyMsText(session_.laps.LapList[static_cast<size_t>(lap)].lapTimeUncertaintyMs);
        if (column != kLapTimeColumn)
            return {};
        QStringList lines;
        if (!band.empty())
            lines << QString("±%1 ms at about 95 % confidence").arg(QString::fromStdString(band));
        if (!summaryTip_.isEmpty())
            lines << summaryTip_;
        return lines.isEmpty() ? QVariant() : QVariant(lines.join('\n'));
    }
    if (role != Qt::ForegroundRole && role != Qt::BackgroundRole && role != Qt::TextAlignmentRole &&
        role != kCellInsetRole)
        return {};
    const LapListCellStyle style =
        LapListCellStyleOf(row, lap, column, SlotNames(session_), session_.listMarks);
    switch (role) {
        case Qt::ForegroundRole:
            return ToQColor(style.font);
        case Qt::BackgroundRole:
            return ToQColor(style.background);
        case Qt::TextAlignmentRole:
            return static_cast<int>(ToQtAlign(style.align) | Qt::AlignTop);
        default:
            return style.inset;
    }
}

QVariant LapListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kLapListColumns)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(session_.listHeader[static_cast<size_t>(section)]);
    if (role == Qt::BackgroundRole)
        return QApplication::palette().color(QPalette::Button);
    return {};
}

void LapListModel::Reload() {
    beginResetModel();
    endResetModel();
}

}  // namespace qv::ui
