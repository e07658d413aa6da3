#pragma once
// The G view's box: the ring diagram with the scatter, kept as an image
// until the G rebuild flag or the box size changes, with the cursor layer
// painted over a copy at every refresh.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <optional>

#include "app/session.h"
#include "presentation/scene.h"

namespace qv::ui {

class GCircleView {
  public:
    // The on-screen image; rebuilds the diagram when asked to and clears
    // the G rebuild flag.
    QImage Render(Session& session, QSize logical, qreal dpr);

    // The diagram with another view's scene over it instead of the cursor
    // layer (the course map's G inspector).
    QImage RenderWithOverlay(const Session& session, QSize logical, qreal dpr,
                             const Scene& overlay);

    // The exported picture at one pixel per logical pixel.
    QImage Picture(const Session& session, QSize size) const;

    // The pointer's read-out written over the last image; the pointer is
    // also remembered for the next refresh until it leaves the box.
    QImage MouseMove(const Session& session, QSize logical, qreal dpr, QPoint at);
    void MouseLeave() { pointer_.reset(); }

    // Whether the note kGPosMsg is to be shown beside the view, as of the
    // last Render.
    bool PositionNoteShown() const { return positionNoteShown_; }

  private:
    const QImage& Background(const Session& session, QSize logical, qreal dpr);

    QImage background_;
    QImage last_;
    std::optional<QPoint> pointer_;
    bool positionNoteShown_ = false;
};

}  // namespace qv::ui
