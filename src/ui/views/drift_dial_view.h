#pragma once
// The drift view's box: the dial, kept as an image until the drift rebuild
// flag or the box size changes, with the cars, needles and texts painted
// over a copy at every refresh.

#include <QImage>
#include <QSize>

#include "app/session.h"

namespace qv::ui {

class DriftDialView {
  public:
    // The on-screen image; rebuilds the dial when asked to and clears the
    // drift rebuild flag.
    QImage Render(Session& session, QSize logical, qreal dpr);

    // The exported picture at one pixel per logical pixel.
    QImage Picture(const Session& session, QSize size) const;

  private:
    QImage background_;
};

}  // namespace qv::ui
