#include "ui/record_list.h"

#include <QMouseEvent>

#include "laps/log_block_rules.h"

namespace qv::ui {

// Closer to the list's left edge than this is the check box.
constexpr int kCheckBoxWidth = 15;

RecordList::RecordList(QWidget* parent, LogStore& log) : QListWidget(parent), log_(log) {
    setObjectName("CheckListBoxLogBlk");
    setToolTip("Select record");
    connect(this, &QListWidget::itemChanged, this, &RecordList::OnItemChanged);
    Reload();
}

void RecordList::Reload() {
    reloading_ = true;
    const int selected = currentRow();
    clear();
    for (const TLogBlock& block : log_.LogBlocks) {
        auto* item = new QListWidgetItem(QString::fromStdString(block.Title), this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(block.Act ? Qt::Checked : Qt::Unchecked);
    }
    if (selected >= 0 && selected < count())
        setCurrentRow(selected);
    reloading_ = false;
}

int RecordList::SelectedRun() const {
    return currentRow();
}

void RecordList::OnItemChanged(QListWidgetItem* item) {
    if (reloading_)
        return;
    const int run = row(item);
    if (run < 0 || run >= log_.LogBlockNum())
        return;
    log_.LogBlocks[static_cast<size_t>(run)].Act = item->checkState() == Qt::Checked;
    ApplyBlockTicks(log_);
    Q_EMIT TicksChanged();
}

void RecordList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    const QPoint at = event->position().toPoint();
    QListWidgetItem* item = itemAt(at);
    if (item != nullptr && at.x() > kCheckBoxWidth)
        Q_EMIT RenameRequested(row(item));
}

}  // namespace qv::ui
