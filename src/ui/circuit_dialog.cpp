#include "app/session.h"

#include "ui/circuit_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace qv::ui {
namespace {

QListWidget* MakeList(QWidget* parent, const char* name, const std::vector<TSelCirDat>& candidates,
                      bool enabled) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    const std::vector<std::string> items =
        CandidateItems(enabled ? candidates : std::vector<TSelCirDat>{});
    for (const std::string& item : items)
        list->addItem(QString::fromStdString(item));
    list->setCurrentRow(0);
    list->setEnabled(enabled);
    return list;
}

std::optional<int> Chosen(const QListWidget* list, size_t candidateCount) {
    const int row = list->currentRow();
    if (!list->isEnabled() || row < 0 || static_cast<size_t>(row) >= candidateCount)
        return std::nullopt;
    return row;
}

}  // namespace

CircuitDialog::CircuitDialog(QWidget* parent, const CircuitCandidates& candidates,
                             CircuitLists lists)
    : QDialog(parent), candidates_(candidates) {
    setObjectName("TSelCircuitDlg");
    setWindowTitle(kCircuitDialogCaption);
    trackMaps_ = MakeList(this, "ListBoxPth", candidates.trackMaps, lists.trackMaps);
    controlLines_ = MakeList(this, "ListBoxCln", candidates.controlLines, lists.controlLines);
    sectorGates_ = MakeList(this, "ListBoxSect", candidates.sectorGates, lists.sectorGates);
    if (!lists.trackMaps)
        candidates_.trackMaps.clear();
    if (!lists.controlLines)
        candidates_.controlLines.clear();
    if (!lists.sectorGates)
        candidates_.sectorGates.clear();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Track map", this), 0, 0);
    layout->addWidget(new QLabel("Control line", this), 0, 1);
    layout->addWidget(new QLabel("Sector gates", this), 0, 2);
    layout->addWidget(trackMaps_, 1, 0);
    layout->addWidget(controlLines_, 1, 1);
    layout->addWidget(sectorGates_, 1, 2);
    layout->addWidget(buttons, 2, 0, 1, 3);
    resize(640, 300);
}

QListWidget* CircuitDialog::List(CircuitFileKind kind) const {
    switch (kind) {
        case CircuitFileKind::TrackMap:
            return trackMaps_;
        case CircuitFileKind::ControlLine:
            return controlLines_;
        case CircuitFileKind::SectorGates:
            return sectorGates_;
    }
    return trackMaps_;
}

CircuitChoice CircuitDialog::Choice() const {
    CircuitChoice choice;
    choice.trackMap = Chosen(trackMaps_, candidates_.trackMaps.size());
    choice.controlLine = Chosen(controlLines_, candidates_.controlLines.size());
    choice.sectorGates = Chosen(sectorGates_, candidates_.sectorGates.size());
    return choice;
}

std::optional<CircuitChoice> QtCircuitChooser::Choose(const CircuitCandidates& candidates) {
    CircuitDialog dialog(parent_, candidates, lists_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

}  // namespace qv::ui
