#pragma once
// The speed selection dialog of the download: the slow level 0, 1 or 2.

#include <QDialog>
#include <QRadioButton>
#include <array>

namespace qv::ui {

class SpeedSelectDlg : public QDialog {
    Q_OBJECT
  public:
    // A level outside 0 to 2 preselects level 0.
    SpeedSelectDlg(int slowLevel, QWidget* parent);
    int SlowLevel() const;
    QRadioButton* LevelButton(int level) const { return levels_.at(level); }

  private:
    std::array<QRadioButton*, 3> levels_{};
};

// True on OK with the chosen level written back; Cancel leaves it.
bool RunSpeedSelectDialog(QWidget* parent, int& slowLevel);

}  // namespace qv::ui
