#include "ui/trace_map_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <vector>

#include "laps/log_trace.h"
#include "presentation/label_placement.h"

namespace qv::ui {
namespace {

QPoint At(const MapProjection& p, Float80 lat, Float80 lon) {
    return QPoint(p.X(lon), p.Y(lat));
}

void PaintTrackMap(QPainter& painter, const MapProjection& projection,
                   const TrackMapStore& trackMap) {
    painter.setPen(QPen(QColor(kTrackMapGrey), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const TPathRec& path : trackMap.TrackMap) {
        QPolygon polygon;
        for (const TPathElmRec& point : path.Elm)
            polygon << At(projection, point.Ido, point.Kdo);
        painter.drawPolyline(polygon);
    }
}

void PaintTrace(QPainter& painter, const MapProjection& projection, const LogStore& log,
                bool showStop) {
    const LogTrace trace = BuildLogTrace(log);
    if (trace.points.empty())
        return;
    const QPen red(QColor(255, 0, 0), 1);
    const QPen blue(QColor(0, 0, 255), 1);
    auto position = [&](int fix) {
        const TLogItem& item = log.LogItems[fix];
        return At(projection, item.Ido, item.Kdo);
    };
    QPoint previous = position(trace.points.front().fix);
    for (size_t k = 1; k < trace.points.size(); ++k) {
        const QPoint next = position(trace.points[k].fix);
        painter.setPen(showStop && trace.points[k].slow ? blue : red);
        painter.drawLine(previous, next);
        previous = next;
    }
    if (showStop) {
        painter.setPen(QPen(QColor(128, 128, 128), 1));
        painter.setBrush(QColor(192, 192, 192));
        for (const TracePoint& point : trace.points) {
            if (point.stopped)
                painter.drawEllipse(position(point.fix), 4, 4);
        }
        painter.setBrush(Qt::NoBrush);
    }
    if (trace.labelled) {
        painter.setPen(Qt::black);
        const QFontMetrics metrics = painter.fontMetrics();
        const QString texts[] = {" Start", " End"};
        const QPoint points[] = {position(trace.startFix), position(trace.endFix)};
        std::vector<LabelBox> boxes;
        for (int k = 0; k < 2; ++k)
            boxes.push_back({points[k].x(), points[k].y(), metrics.horizontalAdvance(texts[k]),
                             metrics.height()});
        boxes = PlaceLabels(std::move(boxes));
        for (int k = 0; k < 2; ++k)
            painter.drawText(boxes[k].x, boxes[k].y + metrics.ascent(), texts[k]);
    }
}

}  // namespace

void PaintTraceMap(QImage& image, const MapProjection& projection, const LogStore& log,
                   const TrackMapStore& trackMap, bool showStop) {
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintTrackMap(painter, projection, trackMap);
    PaintTrace(painter, projection, log, showStop);
}

}  // namespace qv::ui
