#pragma once
// The speed graph box: the graph with its overlays and the cursor line, the
// exported picture, and the cursor click.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <optional>

#include "core/ext80.h"
#include "presentation/scene.h"
#include "presentation/speed_graph_key.h"
#include "ui/views/overlaid_image.h"

namespace qv {
struct Session;
}

namespace qv::ui {

class SpeedGraphView {
  public:
    // The on-screen image: the graph, then the cursor line over it. The
    // display list is made again only when what it is made from changed,
    // which at zoom 1 a moving cursor does not do, and painted again only
    // when it came out different. The returned image is painted in place by
    // the next Render: a holder that lets go of it first spares a copy.
    QImage Render(Session& session, QSize logical, qreal dpr);
    // The saved picture: no cursor line, the product name in the unit label.
    QImage Picture(const Session& session, QSize size) const;
    // The play time a left click asks for; none outside the plot or while
    // slot A is empty.
    std::optional<Float80> Click(const Session& session, QSize logical, QPoint at) const;

    // How often Render made the display list afresh.
    int SceneBuilds() const { return sceneBuilds_; }

  private:
    SpeedGraphKey key_;
    Scene shown_;
    OverlaidImage image_;
    int sceneBuilds_ = 0;
};

}  // namespace qv::ui
