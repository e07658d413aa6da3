#pragma once
// The configuration dialog `TOKBottomDlgSetup`: the sector gate length and
// the two lap thresholds. OK keeps the dialog open, without a word, while a
// value is out of its range.

#include <QDialog>

#include "core/settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qv::ui {

class ConfigDialog : public QDialog {
    Q_OBJECT

  public:
    ConfigDialog(Settings& settings, QWidget* parent = nullptr);

    void accept() override;

  private:
    Settings& settings_;
    QLineEdit* sectMt_ = nullptr;
    QLineEdit* minLapDist_ = nullptr;
    QLineEdit* minLapTime_ = nullptr;
    QCheckBox* libraryAutoAdd_ = nullptr;
    QComboBox* language_ = nullptr;
};

}  // namespace qv::ui
