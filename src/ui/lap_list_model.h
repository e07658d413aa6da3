#pragma once
// The lap list `StringGridLapData` as a table model over the session's lap
// rows: row k is grid row k + 1 (the header row is the view's header), and
// an empty list still shows one blank row.

#include <QAbstractTableModel>

#include "app/session.h"

namespace qv::ui {

// Column widths of the grid, in pixels.
int LapListColumnWidth(int column);

class LapListModel : public QAbstractTableModel {
  public:
    explicit LapListModel(const Session& session, QObject* parent = nullptr)
        : QAbstractTableModel(parent), session_(session) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows, the header or the slots changed.
    void Reload();
    // The lines about the whole list that the lap-time cells' tooltip adds.
    void SetSummaryTip(const QString& tip) { summaryTip_ = tip; }

  private:
    const Session& session_;
    QString summaryTip_;
};

}  // namespace qv::ui
