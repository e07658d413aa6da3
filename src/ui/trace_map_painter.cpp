#include "ui/trace_map_painter.h"

#include <QPainter>
#include <QPainterPath>

#include "laps/log_trace.h"

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
        const int ascent = painter.fontMetrics().ascent();
        painter.drawText(position(trace.startFix) + QPoint(0, ascent), " Start");
        painter.drawText(position(trace.endFix) + QPoint(0, ascent), " End");
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
