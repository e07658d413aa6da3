#pragma once
// A view's image made of a base, such as a graph's traces, and a small
// overlay, such as its cursor, painted over it. Moving the overlay puts back
// only the base pixels it covered, and the image is painted where it lies,
// so a cursor step neither copies the whole image nor allocates a new one.

#include <QImage>
#include <QRect>
#include <QSize>

#include "presentation/scene.h"

namespace qv::ui {

class OverlaidImage {
  public:
    // The base was painted at this size and pixel ratio.
    bool HasBase(QSize logical, qreal dpr) const;
    // A white image with the scene painted on it, without overlay.
    void PaintBase(const Scene& scene, QSize logical, qreal dpr);
    // Takes the last overlay off the base and paints `over` in its place.
    void PaintOverlay(const Scene& over);
    // The base and its overlay. A copy shares the pixels: the next paint
    // then works on an image of its own and leaves the copy as it was.
    const QImage& Image() const { return image_; }

  private:
    void RestoreBase();

    QImage image_;
    QSize logical_;
    QRect covered_;  // device pixels that the overlay may have painted
    QImage under_;   // the base's pixels in `covered_`
};

}  // namespace qv::ui
