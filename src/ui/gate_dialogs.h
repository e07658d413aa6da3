#pragma once
// The gate commands' dialogs in Qt: "Select sector gate", "Adjust sector
// gate" and "Remove sector gate".

#include <QDialog>
#include <array>
#include <optional>

#include "app/session.h"
#include "geometry/gate_editing.h"

class QCheckBox;
class QRadioButton;

namespace qv::ui {

// `TOKBottomDlgSelEdSect`: one radio button per gate, those past `count`
// disabled.
class SelectGateDialog : public QDialog {
    Q_OBJECT
  public:
    SelectGateDialog(int count, int preselected, QWidget* parent = nullptr);
    int Choice() const;  // -1 when none is selected

  private:
    std::array<QRadioButton*, MaxSectGate> gates_{};
};

// `TOKBottomDlgRelSect`: "All gates" and one box per gate, those past
// `count` disabled.
class RemoveGatesDialog : public QDialog {
    Q_OBJECT
  public:
    RemoveGatesDialog(int count, bool allTicked, QWidget* parent = nullptr);
    GateRemoval Removal() const;

  private:
    QCheckBox* all_ = nullptr;
    std::array<QCheckBox*, MaxSectGate> gates_{};
};

class QtGateDialogs : public GateDialogs {
  public:
    // The adjustment view draws the gates, track map and slots of `session`.
    QtGateDialogs(QWidget* parent, const Session& session) : parent_(parent), session_(session) {}

    std::optional<int> SelectEditGate(int count, int preselected) override;
    std::optional<int> AdjustGate(GateAdjustView& view, int passNo) override;
    std::optional<GateRemoval> SelectRemoveGates(int count, bool allTicked) override;

  private:
    QWidget* parent_;
    const Session& session_;
};

}  // namespace qv::ui
