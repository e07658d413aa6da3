#pragma once
// The sector table `StringGridSectData` and the drift table
// `StringGridDrift`: row 0 of a table is the view's header, rows 1 on are
// the model's rows 0 on.

#include <QAbstractTableModel>

#include "dynamics/sector_tables.h"

namespace qv::ui {

inline constexpr int kDetailColumnWidth = 108;
inline constexpr int kDetailRowHeight = 20;

class DetailTableModel : public QAbstractTableModel {
  public:
    DetailTableModel(DetailTableKind kind, QObject* parent = nullptr)
        : QAbstractTableModel(parent), kind_(kind) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetTables(const DetailTables& tables, int sectCount);
    DetailTableKind kind() const { return kind_; }

  private:
    const std::string& Cell(int column, int row) const;

    DetailTableKind kind_;
    DetailTables tables_;
    int sectCount_ = 0;
};

}  // namespace qv::ui
