#include "ui/views/lap_time_plot_view.h"

#include <QPainter>

#include "presentation/lap_time_plot.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {

QImage LapTimePlotView::Render(const std::vector<double>& lapSeconds,
                               const std::vector<std::string>& names, QSize logical,
                               qreal dpr) const {
    QImage image = NewViewImage(logical, dpr);
    QPainter painter(&image);
    PaintScene(painter, LapTimePlotScene(lapSeconds, names, ViewTextMetrics(), logical.width(),
                                         logical.height()));
    return image;
}

}  // namespace qv::ui
