#pragma once
// "Adjust sector gate" (`TOKBottomDlgEdSect`): the enlarged map on which the
// working gate's end points are dragged, the pass number and the zoom
// buttons. The rules live in GateAdjustView; this paints and forwards.

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <vector>

#include "core/records.h"
#include "geometry/gate_adjust_view.h"
#include "geometry/sector_gates.h"
#include "geometry/track_map.h"

class QSpinBox;
class QPushButton;

namespace qv::ui {

// What lies under the working gate.
struct GateAdjustScene {
    const GateTable* gates = nullptr;
    int edited = -1;  // the table's gate being adjusted, left out of the background
    const TrackMapStore* trackMap = nullptr;
    const std::vector<TLapDtRec>* slots = nullptr;
    bool dottedDecel = false;
};

// Background, then the working gate with its end squares, at the view's
// size; `background` is rebuilt when the view asks or its size changed.
void PaintGateAdjust(QImage& target, QImage& background, GateAdjustView& view,
                     const GateAdjustScene& scene);

class GateAdjustCanvas : public QWidget {
    Q_OBJECT
  public:
    GateAdjustCanvas(GateAdjustView& view, GateAdjustScene scene, QWidget* parent = nullptr);

    void ZoomIn();
    void ZoomOut();

  Q_SIGNALS:
    void pressed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    GateAdjustView& view_;
    GateAdjustScene scene_;
    QImage background_;
    QImage frame_;
};

class GateAdjustDialog : public QDialog {
    Q_OBJECT
  public:
    GateAdjustDialog(GateAdjustView& view, int passNo, GateAdjustScene scene,
                     QWidget* parent = nullptr);

    int PassNo() const;
    GateAdjustCanvas* canvas() const { return canvas_; }

  private:
    GateAdjustCanvas* canvas_;
    QSpinBox* passNo_;
    QPushButton* ok_;
};

}  // namespace qv::ui
