#include "ui/speed_select_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {
namespace {

struct LevelText {
    const char* objectName;
    const char* caption;
    const char* note;
};

constexpr std::array<LevelText, 3> kLevels{{
    {"RadioButtonHigh", QT_TRANSLATE_NOOP("SpeedSelectDlg", " 高速"),
     QT_TRANSLATE_NOOP("SpeedSelectDlg", "メモリフルのとき通信時間が約1分20秒")},
    {"RadioButtonLow1", QT_TRANSLATE_NOOP("SpeedSelectDlg", " 低速1"),
     QT_TRANSLATE_NOOP("SpeedSelectDlg", "通信時間が約6分")},
    {"RadioButtonLow2", QT_TRANSLATE_NOOP("SpeedSelectDlg", " 低速2"),
     QT_TRANSLATE_NOOP("SpeedSelectDlg", "通信時間が約4分")},
}};

}  // namespace

SpeedSelectDlg::SpeedSelectDlg(int slowLevel, QWidget* parent) : QDialog(parent) {
    setObjectName("SpeedSelectDlg");
    setWindowTitle(tr("通信速度選択"));
    auto* group = new QButtonGroup(this);
    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(16);
    for (int level = 0; level < 3; ++level) {
        auto* button = new QRadioButton(tr(kLevels[level].caption), this);
        button->setObjectName(kLevels[level].objectName);
        group->addButton(button, level);
        levels_[level] = button;
        choices->addWidget(button, level, 0);
        choices->addWidget(new QLabel(tr(kLevels[level].note), this), level, 1);
    }
    levels_[slowLevel >= 0 && slowLevel < 3 ? slowLevel : 0]->setChecked(true);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    cancel->setObjectName("CancelBtn");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int SpeedSelectDlg::SlowLevel() const {
    for (int level = 0; level < 3; ++level) {
        if (levels_[level]->isChecked())
            return level;
    }
    return 0;
}

bool RunSpeedSelectDialog(QWidget* parent, int& slowLevel) {
    SpeedSelectDlg dialog(slowLevel, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    slowLevel = dialog.SlowLevel();
    return true;
}

}  // namespace qv::ui
