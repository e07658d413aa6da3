#include "app/session.h"

#include "ui/log_block_map.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "ui/line_layer_painter.h"
#include "ui/trace_map_painter.h"

namespace qv::ui {

LogBlockMap::LogBlockMap(QWidget* parent, LapSession& session, LineEditor& editor, ViewRect& view)
    : QWidget(parent), session_(session), editor_(editor), view_(view) {
    setObjectName("PaintBox2");
    setMouseTracking(true);
    setMinimumSize(200, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

MapProjection LogBlockMap::Projection() const {
    return ProjectMap(view_, width(), height());
}

void LogBlockMap::RedrawTraces() {
    tracesStale_ = true;
    update();
}

const QImage& LogBlockMap::TraceImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (tracesStale_ || traces_.size() != pixels) {
        traces_ = QImage(pixels, QImage::Format_RGB32);
        traces_.setDevicePixelRatio(ratio);
        PaintTraceMap(traces_, Projection(), session_.log, session_.trackMap,
                      session_.lines.ShowStop);
        tracesStale_ = false;
    }
    return traces_;
}

void LogBlockMap::ShowSuggestion(const std::optional<Line>& line) {
    suggestion_ = line;
    update();
}

void LogBlockMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), TraceImage());
    PaintLineLayer(painter, Projection(), session_.lines, editor_, suggestion_);
}

void LogBlockMap::resizeEvent(QResizeEvent*) {
    tracesStale_ = true;
}

void LogBlockMap::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    editor_.Press(at.x(), at.y(), Projection());
    update();
}

void LogBlockMap::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const MapProjection projection = Projection();
    if (editor_.Dragging()) {
        editor_.Move(at.x(), at.y());
        update();
    }
    UpdateCursorShape(at);
    Q_EMIT CursorMoved(static_cast<double>(projection.Lat(at.y())),
                       static_cast<double>(projection.Lon(at.x())));
}

void LogBlockMap::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !editor_.Dragging())
        return;
    const QPoint at = event->position().toPoint();
    const std::optional<ViewRect> zoomed = editor_.Release(at.x(), at.y(), Projection());
    if (zoomed) {
        view_ = *zoomed;
        RedrawTraces();
        Q_EMIT ViewChanged();
    } else {
        Q_EMIT LinesChanged();
    }
    update();
}

void LogBlockMap::wheelEvent(QWheelEvent* event) {
    const int step = event->angleDelta().y();
    if (step == 0)
        return;
    const QPoint at = event->position().toPoint();
    const MapProjection projection = Projection();
    view_ = ZoomView(view_, session_.log.LogRect, projection.Lat(at.y()), projection.Lon(at.x()),
                     step > 0);
    RedrawTraces();
    Q_EMIT ViewChanged();
}

void LogBlockMap::UpdateCursorShape(const QPoint& at) {
    const MapProjection p = Projection();
    const bool inside = at.x() >= p.left && at.x() <= p.left + p.width && at.y() >= p.top &&
                        at.y() <= p.top + p.height;
    setCursor(inside ? Qt::CrossCursor : Qt::ArrowCursor);
}

}  // namespace qv::ui
