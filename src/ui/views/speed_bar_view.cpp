#include "ui/views/speed_bar_view.h"

#include <QPainter>

#include "app/session.h"
#include "presentation/speed_bar.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {

QImage SpeedBarView::Render(const Session& session, QSize logical, qreal dpr) const {
    const SpeedBarInput in{session.laps.LapDtNum(), session.presentation, session.align,
                           session.settings};
    QImage image = NewViewImage(logical, dpr);
    QPainter painter(&image);
    PaintScene(painter, SpeedBarScene(in, ViewTextMetrics(), logical.width(), logical.height()));
    return image;
}

}  // namespace qv::ui
