#pragma once
// The speed bar box beside the speed graph.

#include <QImage>
#include <QSize>

namespace qv {
struct Session;
}

namespace qv::ui {

class SpeedBarView {
  public:
    QImage Render(const Session& session, QSize logical, qreal dpr) const;
};

}  // namespace qv::ui
