#pragma once
// The Graph page's corner table: the engine's cells in the order the user
// chose by clicking the time-lost header, total rows last on the button
// face, each comparison slot's rows in its colour.

#include <QAbstractTableModel>
#include <optional>
#include <string>

#include "presentation/corner_grid.h"

namespace qv::ui {

class CornerTableModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A new table in driving order, shown in `units`; the chosen order is
    // kept.
    void SetTable(CornerTable table, CornerUnits units);
    // A click on a header, as NextCornerOrder says.
    void HeaderClicked(int column);

    CornerOrder order() const { return order_; }
    int timeLostColumn() const { return grid_.timeLostColumn; }
    const CornerTable& table() const { return built_; }
    // The corner of a row; none on a total row or outside the table.
    std::optional<int> CornerAt(int row) const;
    // Tab-separated, as shown.
    std::string CopyText() const;

  private:
    void Show();

    CornerTable built_;
    CornerUnits units_;
    CornerTable shown_;
    CornerGrid grid_;
    CornerOrder order_ = CornerOrder::kDriving;
};

}  // namespace qv::ui
