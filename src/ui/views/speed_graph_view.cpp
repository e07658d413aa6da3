#include "ui/views/speed_graph_view.h"

#include <QPainter>

#include "app/session.h"
#include "presentation/speed_graph.h"
#include "presentation/speed_graph_key.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

SpeedGraphInput InputOf(const Session& s, bool picture) {
    return {s.laps.LapDt,        s.presentation, s.align, s.sectRes,
            s.gates.UsedCount(), s.settings,     picture};
}

bool SameScene(const Scene& a, const Scene& b) {
    return a.width == b.width && a.height == b.height && a.background == b.background &&
           a.items == b.items;
}

}  // namespace

QImage SpeedGraphView::Render(Session& session, QSize logical, qreal dpr) {
    const SpeedGraphInput in = InputOf(session, false);
    const QtTextMetrics& metrics = ViewTextMetrics();
    const int w = logical.width(), h = logical.height();
    bool& rebuild = session.presentation.rebuild.speedGraph;
    SpeedGraphKey key = SpeedGraphKeyOf(in, metrics, w, h);
    if (rebuild || key != key_ || !image_.HasBase(logical, dpr)) {
        Scene scene = SpeedGraphScene(in, metrics, w, h);
        ++sceneBuilds_;
        if (!image_.HasBase(logical, dpr) || !SameScene(scene, shown_)) {
            image_.PaintBase(scene, logical, dpr);
            shown_ = std::move(scene);
        }
        key_ = std::move(key);
        rebuild = false;
    }
    image_.PaintOverlay(SpeedGraphCursor(in, metrics, w, h));
    return image_.Image();
}

QImage SpeedGraphView::Picture(const Session& session, QSize size) const {
    QImage image = NewViewImage(size, 1);
    QPainter painter(&image);
    PaintScene(painter, SpeedGraphScene(InputOf(session, true), ViewTextMetrics(), size.width(),
                                        size.height()));
    return image;
}

std::optional<Float80> SpeedGraphView::Click(const Session& session, QSize logical,
                                             QPoint at) const {
    return SpeedGraphClick(InputOf(session, false), ViewTextMetrics(), logical.width(),
                           logical.height(), at.x(), at.y());
}

}  // namespace qv::ui
