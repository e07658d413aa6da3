#pragma once
// The speed graph box: the graph with its overlays and the cursor line, the
// exported picture, and the cursor click.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <optional>

#include "core/ext80.h"
#include "presentation/scene.h"

namespace qv {
struct Session;
}

namespace qv::ui {

class SpeedGraphView {
  public:
    // The on-screen image: the graph, then the cursor line over it. The
    // graph is painted again only when its display list changed, which at
    // zoom 1 a moving cursor does not do.
    QImage Render(const Session& session, QSize logical, qreal dpr);
    // The saved picture: no cursor line, the product name in the unit label.
    QImage Picture(const Session& session, QSize size) const;
    // The play time a left click asks for; none outside the plot or while
    // slot A is empty.
    std::optional<Float80> Click(const Session& session, QSize logical, QPoint at) const;

  private:
    Scene shown_;
    QImage graph_;
};

}  // namespace qv::ui
