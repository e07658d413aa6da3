#pragma once
// The version box `TOKBottomDlgVer`.

#include <QDialog>

namespace qv::ui {

class VersionDialog : public QDialog {
    Q_OBJECT

  public:
    explicit VersionDialog(QWidget* parent = nullptr);
};

}  // namespace qv::ui
