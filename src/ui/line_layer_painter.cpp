#include "ui/line_layer_painter.h"

namespace qv::ui {
namespace {

void PaintLine(QPainter& painter, const MapProjection& projection, const Line& line,
               const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
    const QPoint a(projection.X(line[0].lon), projection.Y(line[0].lat));
    const QPoint b(projection.X(line[1].lon), projection.Y(line[1].lat));
    painter.setPen(QPen(colour, 1, style));
    painter.drawLine(a, b);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const int side = 2 * kHandleHalf + 1;
    for (const QPoint& end : {a, b})
        painter.drawRect(end.x() - kHandleHalf, end.y() - kHandleHalf, side, side);
    painter.setBrush(Qt::NoBrush);
}

QColor ToolColour(LineTool tool) {
    switch (tool) {
        case LineTool::Start:
            return kStartLineColour;
        case LineTool::Finish:
            return kFinishLineColour;
        default:
            return kControlLineColour;
    }
}

void PaintDrag(QPainter& painter, const MapProjection& projection, const LineEditor& editor) {
    if (editor.Tool() == LineTool::Zoom) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(
            QRect(QPoint(editor.PressX(), editor.PressY()), QPoint(editor.DragX(), editor.DragY()))
                .normalized());
        return;
    }
    const std::optional<LineEditor::Rubber> rubber = editor.RubberLine(projection);
    if (!rubber)
        return;
    painter.setPen(QPen(kDirectionMarkGrey, 3));
    painter.drawLine(DirectionMark(rubber->x0, rubber->y0, rubber->x1, rubber->y1));
    painter.setPen(QPen(ToolColour(editor.Tool()), 1));
    painter.drawLine(rubber->x0, rubber->y0, rubber->x1, rubber->y1);
}

}  // namespace

QLine DirectionMark(int x0, int y0, int x1, int y1) {
    return QLine(x0, y0, x0 - (y1 - y0), y0 + (x1 - x0));
}

void PaintLineLayer(QPainter& painter, const MapProjection& projection, const LineState& lines,
                    const LineEditor& editor, const std::optional<Line>& suggestion) {
    const bool anyLine = lines.controlLineSet || lines.startLineSet || lines.finishLineSet;
    if (suggestion && !anyLine)
        PaintLine(painter, projection, *suggestion, kSuggestedLineColour, Qt::DashLine);
    if (lines.controlLineSet)
        PaintLine(painter, projection, lines.first, kControlLineColour);
    if (lines.startLineSet)
        PaintLine(painter, projection, lines.first, kStartLineColour);
    if (lines.finishLineSet)
        PaintLine(painter, projection, lines.finish, kFinishLineColour);
    if (lines.markerSet) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kStartLineColour);
        painter.drawEllipse(QPoint(projection.X(lines.marker.lon), projection.Y(lines.marker.lat)),
                            2, 2);
        painter.setBrush(Qt::NoBrush);
    }
    if (editor.Dragging())
        PaintDrag(painter, projection, editor);
}

}  // namespace qv::ui
