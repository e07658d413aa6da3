#include "ui/views/progress_chart_view.h"

#include <QPainter>

#include "ui/views/scene_painter.h"

namespace qv::ui {

QImage ProgressChartView::Render(const std::vector<ProgressPoint>& points, QSize logical,
                                 qreal dpr) {
    const TextMetrics& metrics = ViewTextMetrics();
    layout_ = LayOutProgressChart(points, metrics, logical.width(), logical.height());
    QImage image = NewViewImage(logical, dpr);
    QPainter painter(&image);
    PaintScene(painter, ProgressChartScene(layout_, metrics, logical.width(), logical.height()));
    return image;
}

}  // namespace qv::ui
