#include "ui/views/speed_bar_view.h"

#include "app/session.h"
#include "presentation/speed_bar.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {

QImage SpeedBarView::Render(const Session& session, QSize logical, qreal dpr) const {
    const SpeedBarInput in{session.laps.LapDtNum(), session.presentation, session.align,
                           session.settings};
    image_.PaintBase(SpeedBarScene(in, ViewTextMetrics(), logical.width(), logical.height()),
                     logical, dpr);
    return image_.Image();
}

}  // namespace qv::ui
