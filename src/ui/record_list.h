#pragma once
// The record list `CheckListBoxLogBlk`: one checkable entry per run of the
// log, titled with the run's title.

#include <QListWidget>

#include "core/stores.h"

namespace qv::ui {

class RecordList : public QListWidget {
    Q_OBJECT
  public:
    RecordList(QWidget* parent, LogStore& log);

    // Rebuilds the entries from the runs.
    void Reload();
    // The selected run, or -1.
    int SelectedRun() const;

  Q_SIGNALS:
    // The ticks were copied to the runs and applied.
    void TicksChanged();
    // A double click on an entry's text rather than its check box.
    void RenameRequested(int run);

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void OnItemChanged(QListWidgetItem* item);

    LogStore& log_;
    bool reloading_ = false;
};

}  // namespace qv::ui
