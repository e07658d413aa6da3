#include "ui/gate_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "presentation/gate_adjust_scene.h"
#include "ui/gate_adjust_dialog.h"

namespace qv::ui {
namespace {

QString GateCaption(size_t k) {
    return QStringLiteral("Sector gate %1").arg(k + 1);
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

SelectGateDialog::SelectGateDialog(int count, int preselected, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TOKBottomDlgSelEdSect"));
    setWindowTitle(tr("Select sector gate"));
    auto* column = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    for (size_t k = 0; k < gates_.size(); ++k) {
        auto* radio = new QRadioButton(GateCaption(k), this);
        radio->setObjectName(QStringLiteral("RadioButtonSect%1").arg(k + 1));
        radio->setEnabled(static_cast<int>(k) < count);
        group->addButton(radio, static_cast<int>(k));
        gates_[k] = radio;
        column->addWidget(radio);
    }
    if (preselected >= 0 && preselected < std::min(count, MaxSectGate))
        gates_[static_cast<size_t>(preselected)]->setChecked(true);
    column->addWidget(OkCancel(this));
}

int SelectGateDialog::Choice() const {
    for (size_t k = 0; k < gates_.size(); ++k) {
        if (gates_[k]->isChecked() && gates_[k]->isEnabled())
            return static_cast<int>(k);
    }
    return -1;
}

RemoveGatesDialog::RemoveGatesDialog(int count, bool allTicked, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TOKBottomDlgRelSect"));
    setWindowTitle(tr("Remove sector gate"));
    auto* column = new QVBoxLayout(this);
    all_ = new QCheckBox(tr("All gates"), this);
    all_->setObjectName(QStringLiteral("CheckBoxAll"));
    all_->setChecked(allTicked);
    column->addWidget(all_);
    for (size_t k = 0; k < gates_.size(); ++k) {
        auto* box = new QCheckBox(GateCaption(k), this);
        box->setObjectName(QStringLiteral("CheckBoxSect%1").arg(k + 1));
        box->setEnabled(static_cast<int>(k) < count);
        gates_[k] = box;
        column->addWidget(box);
    }
    column->addWidget(OkCancel(this));
}

GateRemoval RemoveGatesDialog::Removal() const {
    GateRemoval removal;
    removal.allGates = all_->isChecked();
    for (size_t k = 0; k < gates_.size(); ++k)
        removal.ticked[k] = gates_[k]->isEnabled() && gates_[k]->isChecked();
    return removal;
}

std::optional<int> QtGateDialogs::SelectEditGate(int count, int preselected) {
    SelectGateDialog dialog(count, preselected, parent_);
    if (dialog.exec() != QDialog::Accepted || dialog.Choice() < 0)
        return std::nullopt;
    return dialog.Choice();
}

std::optional<int> QtGateDialogs::AdjustGate(GateAdjustView& view, int passNo) {
    GateAdjustScene scene;
    scene.gates = &session_.gates;
    scene.edited = EditedGateIndex(session_.gates, view.work);
    scene.trackMap = &session_.trackMap;
    scene.slots = &session_.laps.LapDt;
    scene.dottedDecel = session_.presentation.showDecelZones;
    GateAdjustDialog dialog(view, passNo, scene, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.PassNo();
}

std::optional<GateRemoval> QtGateDialogs::SelectRemoveGates(int count, bool allTicked) {
    RemoveGatesDialog dialog(count, allTicked, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Removal();
}

}  // namespace qv::ui
