#pragma once
// The circuit dialog `TSelCircuitDlg`: the nearby track maps, control lines
// and sector files, each list ending in "-- NONE --". The main window's
// track-map and sector searches use it with the other lists disabled.

#include <QDialog>
#include <QListWidget>

#include "laps/circuit_index.h"

namespace qv::ui {

// Which lists offer their candidates; a disabled list holds only
// "-- NONE --".
struct CircuitLists {
    bool trackMaps = true;
    bool controlLines = true;
    bool sectorGates = true;
};

class CircuitDialog : public QDialog {
    Q_OBJECT
  public:
    CircuitDialog(QWidget* parent, const CircuitCandidates& candidates,
                  CircuitLists lists = CircuitLists{});

    QListWidget* List(CircuitFileKind kind) const;
    // The candidate selected in each list.
    CircuitChoice Choice() const;

  private:
    QListWidget* trackMaps_;
    QListWidget* controlLines_;
    QListWidget* sectorGates_;
    CircuitCandidates candidates_;
};

// The chooser of ReqSelCircuit that shows the dialog.
class QtCircuitChooser : public CircuitChooser {
  public:
    explicit QtCircuitChooser(QWidget* parent, CircuitLists lists = CircuitLists{})
        : parent_(parent), lists_(lists) {}
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override;

  private:
    QWidget* parent_;
    CircuitLists lists_;
};

}  // namespace qv::ui
