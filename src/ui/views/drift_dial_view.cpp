#include "ui/views/drift_dial_view.h"

#include <QPainter>

#include "presentation/drift_view.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

DriftViewInput InputOf(const Session& s) {
    return DriftViewInput{s.laps.LapDt, s.presentation, s.align};
}

}  // namespace

QImage DriftDialView::Render(Session& session, QSize logical, qreal dpr) {
    const bool stale = background_.isNull() || background_.devicePixelRatio() != dpr ||
                       background_.deviceIndependentSize().toSize() != logical;
    if (stale || session.presentation.rebuild.driftView) {
        session.presentation.rebuild.driftView = false;
        background_ = NewViewImage(logical, dpr);
        QPainter painter(&background_);
        PaintScene(painter,
                   DriftBackgroundScene(ViewTextMetrics(), logical.width(), logical.height()));
    }
    QImage image = background_.copy();
    {
        QPainter painter(&image);
        PaintItems(painter, DriftCursorScene(InputOf(session), ViewTextMetrics(), logical.width(),
                                             logical.height()));
    }
    return image;
}

QImage DriftDialView::Picture(const Session& session, QSize size) const {
    QImage image = NewViewImage(size, 1);
    {
        QPainter painter(&image);
        PaintScene(painter, DriftPictureScene(InputOf(session), ViewTextMetrics(), size.width(),
                                              size.height()));
    }
    return image;
}

}  // namespace qv::ui
