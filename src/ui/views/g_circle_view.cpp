#include "ui/views/g_circle_view.h"

#include <QPainter>

#include "presentation/g_view.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

GViewInput InputOf(const Session& s) {
    return GViewInput{s.laps.LapDt, s.presentation, s.align};
}

QImage PaintedCopy(const QImage& base, const Scene& scene) {
    QImage image = base.copy();
    {
        QPainter painter(&image);
        PaintItems(painter, scene);
    }
    return image;
}

}  // namespace

const QImage& GCircleView::Background(const Session& session, QSize logical, qreal dpr) {
    const bool stale = background_.isNull() || background_.devicePixelRatio() != dpr ||
                       background_.deviceIndependentSize().toSize() != logical;
    if (stale || session.presentation.rebuild.gView) {
        background_ = NewViewImage(logical, dpr);
        QPainter painter(&background_);
        PaintScene(painter, GBackgroundScene(InputOf(session), ViewTextMetrics(), logical.width(),
                                             logical.height()));
    }
    return background_;
}

QImage GCircleView::Render(Session& session, QSize logical, qreal dpr) {
    const QImage& background = Background(session, logical, dpr);
    session.presentation.rebuild.gView = false;
    std::optional<ScenePoint> mouse;
    if (pointer_)
        mouse = ScenePoint{pointer_->x(), pointer_->y()};
    const GCursorLayer layer =
        GCursorScene(InputOf(session), ViewTextMetrics(), logical.width(), logical.height(), mouse);
    positionNoteShown_ = layer.positionNoteShown;
    last_ = PaintedCopy(background, layer.scene);
    return last_;
}

QImage GCircleView::RenderWithOverlay(const Session& session, QSize logical, qreal dpr,
                                      const Scene& overlay) {
    return PaintedCopy(Background(session, logical, dpr), overlay);
}

QImage GCircleView::Picture(const Session& session, QSize size) const {
    QImage image = NewViewImage(size, 1);
    {
        QPainter painter(&image);
        PaintScene(painter,
                   GPictureScene(InputOf(session), ViewTextMetrics(), size.width(), size.height()));
    }
    return image;
}

QImage GCircleView::MouseMove(const Session& session, QSize logical, qreal dpr, QPoint at) {
    pointer_ = at;
    if (last_.isNull() || last_.devicePixelRatio() != dpr ||
        last_.deviceIndependentSize().toSize() != logical)
        last_ = Background(session, logical, dpr).copy();
    {
        QPainter painter(&last_);
        PaintItems(painter, GMouseReadoutScene(InputOf(session), ViewTextMetrics(), logical.width(),
                                               logical.height(), ScenePoint{at.x(), at.y()}));
    }
    return last_;
}

}  // namespace qv::ui
