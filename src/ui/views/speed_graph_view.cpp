#include "ui/views/speed_graph_view.h"

#include <QPainter>

#include "app/session.h"
#include "presentation/speed_graph.h"
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

QImage SpeedGraphView::Render(const Session& session, QSize logical, qreal dpr) {
    const SpeedGraphInput in = InputOf(session, false);
    const QtTextMetrics& metrics = ViewTextMetrics();
    Scene scene = SpeedGraphScene(in, metrics, logical.width(), logical.height());
    if (graph_.isNull() || graph_.devicePixelRatio() != dpr || !SameScene(scene, shown_)) {
        graph_ = NewViewImage(logical, dpr);
        QPainter painter(&graph_);
        PaintScene(painter, scene);
        shown_ = std::move(scene);
    }
    QImage image = graph_.copy();
    QPainter painter(&image);
    PaintItems(painter, SpeedGraphCursor(in, metrics, logical.width(), logical.height()));
    return image;
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
