#pragma once
// The QV3 range dialog `TLoadRangeSelDlg`: the units of the flash to download,
// picked by clicks on a painted scale.

#include "device/range_selection.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

namespace qv::ui {

// The scale of a w x h box, drawn off-screen.
QImage RenderRangeScale(const RangeSelection& selection, int w, int h);

class RangeScaleBox : public QWidget {
    Q_OBJECT
  public:
    RangeScaleBox(RangeSelection& selection, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    RangeSelection& selection_;
};

class LoadRangeSelDlg : public QDialog {
    Q_OBJECT
  public:
    LoadRangeSelDlg(int lastSector, QWidget* parent);
    const RangeSelection& Selection() const { return selection_; }
    RangeScaleBox* ScaleBox() const { return box_; }

  private:
    RangeSelection selection_;
    RangeScaleBox* box_;
};

// True on OK with the units written back; closing the window cancels and
// leaves them as they were.
bool RunRangeDialog(QWidget* parent, int lastSector, int& startUnit, int& endUnit);

}  // namespace qv::ui
