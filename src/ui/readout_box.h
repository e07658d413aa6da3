#pragma once
// A read-out whose text changes at every cursor step, in a box of its own
// that the layout places. The box gives the layout the label's sizes, but a
// new text that fits the box repaints the label alone: a label laid out
// directly would lay out the whole window again at every step, and the tab
// widget repaints its frame each time it is laid out. A text wider than
// the box and than any it asked room for before asks for a new layout.

#include <QLabel>
#include <QWidget>

namespace qv::ui {

class ReadoutBox : public QWidget {
  public:
    explicit ReadoutBox(QWidget* parent);

    QLabel* Label() const { return label_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* label_;
    int asked_ = 0;  // the widest text it asked room for
};

}  // namespace qv::ui
