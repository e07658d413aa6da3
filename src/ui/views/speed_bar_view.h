#pragma once
// The speed bar box beside the speed graph.

#include <QImage>
#include <QSize>

#include "ui/views/overlaid_image.h"

namespace qv {
struct Session;
}

namespace qv::ui {

class SpeedBarView {
  public:
    // Painted afresh each time, into the image it returned last when its
    // holder has let go of it.
    QImage Render(const Session& session, QSize logical, qreal dpr) const;

  private:
    // Views paint on the window's thread only.
    mutable OverlaidImage image_;
};

}  // namespace qv::ui
