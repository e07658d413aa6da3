#include "ui/views/scene_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "ui/window_fonts.h"

namespace qv::ui {
namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int PixelsOf(int points) {
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

// Dotted as one pixel on, one off, like the line styles of the views.
QPen MakePen(Rgb colour, int width, bool dotted) {
    QPen pen(ToQColor(colour));
    pen.setWidth(width);
    pen.setCapStyle(dotted ? Qt::FlatCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (dotted)
        pen.setDashPattern({1, 1});
    return pen;
}

QPoint ToQPoint(ScenePoint p) {
    return QPoint(p.x, p.y);
}

// Pens are centred half a pixel in, so that a one-pixel line at x covers
// the logical pixel x at any device pixel ratio.
class PenOffset {
  public:
    explicit PenOffset(QPainter& painter) : painter_(painter) { painter_.translate(0.5, 0.5); }
    ~PenOffset() { painter_.translate(-0.5, -0.5); }
    PenOffset(const PenOffset&) = delete;
    PenOffset& operator=(const PenOffset&) = delete;

  private:
    QPainter& painter_;
};

void Paint(QPainter& painter, const SceneLine& line) {
    const PenOffset offset(painter);
    painter.setPen(MakePen(line.colour, line.width, line.dotted));
    painter.drawLine(ToQPoint(line.from), ToQPoint(line.to));
}

// Consecutive segments of one style become one polyline.
void Paint(QPainter& painter, const ScenePolyline& line) {
    const std::size_t segments = line.points.empty() ? 0 : line.points.size() - 1;
    const PenOffset offset(painter);
    QPolygon run;
    std::size_t i = 0;
    while (i < segments) {
        const Rgb colour = i < line.colours.size() ? line.colours[i] : kBlack;
        const bool dotted = i < line.dotted.size() && line.dotted[i];
        run.clear();
        run.append(ToQPoint(line.points[i]));
        std::size_t j = i;
        while (j < segments) {
            const Rgb c = j < line.colours.size() ? line.colours[j] : kBlack;
            const bool d = j < line.dotted.size() && line.dotted[j];
            if (!(c == colour) || d != dotted)
                break;
            run.append(ToQPoint(line.points[j + 1]));
            ++j;
        }
        painter.setPen(MakePen(colour, line.width, dotted));
        if (line.width > 1 && !dotted) {
            // A wide polyline is stroked as one outline whose fill cost
            // grows with the whole trace; separate segments stay cheap.
            static QList<QLine> segments;  // reused; views paint on the window's thread
            segments.clear();
            for (qsizetype k = 1; k < run.size(); ++k)
                segments.append(QLine(run[k - 1], run[k]));
            painter.drawLines(segments);
        } else {
            painter.drawPolyline(run);
        }
        i = j;
    }
}

void Paint(QPainter& painter, const SceneRect& rect) {
    painter.fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
                     ToQColor(rect.colour));
}

void Paint(QPainter& painter, const ScenePolygon& polygon) {
    QPolygon points;
    points.reserve(static_cast<qsizetype>(polygon.points.size()));
    for (ScenePoint p : polygon.points)
        points.append(ToQPoint(p));
    const PenOffset offset(painter);
    painter.setPen(MakePen(polygon.colour, polygon.width, false));
    painter.setBrush(polygon.filled ? QBrush(ToQColor(polygon.colour)) : QBrush(Qt::NoBrush));
    painter.drawPolygon(points);
    painter.setBrush(Qt::NoBrush);
}

void Paint(QPainter& painter, const SceneEllipse& e) {
    const QRect box(e.left, e.top, e.right - e.left, e.bottom - e.top);
    if (e.outline) {
        const PenOffset offset(painter);
        painter.setPen(MakePen(*e.outline, e.width, false));
        painter.setBrush(e.fill ? QBrush(ToQColor(*e.fill)) : QBrush(Qt::NoBrush));
        painter.drawEllipse(box.adjusted(0, 0, -1, -1));
    } else if (e.fill) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ToQColor(*e.fill));
        painter.drawEllipse(box);
    }
    painter.setBrush(Qt::NoBrush);
}

void Paint(QPainter& painter, const SceneText& text) {
    const QtTextMetrics& metrics = ViewTextMetrics();
    const QString s = ToQString(text.text);
    const int width = metrics.Width(text.text, text.fontSize);
    const int height = metrics.Height(text.text, text.fontSize);
    painter.save();
    if (text.clip)
        painter.setClipRect(QRect(text.clip->left, text.clip->top,
                                  text.clip->right - text.clip->left,
                                  text.clip->bottom - text.clip->top));
    painter.setFont(metrics.Font(text.fontSize));
    if (text.upwards) {
        painter.translate(text.at.x, text.at.y);
        painter.rotate(-90);
        if (text.background)
            painter.fillRect(QRect(0, 0, width, height), ToQColor(*text.background));
    } else {
        const QPoint topLeft = TextTopLeft(text, metrics);
        painter.translate(topLeft);
        if (text.background)
            painter.fillRect(QRect(0, 0, width, height), ToQColor(*text.background));
    }
    painter.setPen(ToQColor(text.colour));
    painter.drawText(0, metrics.Ascent(text.fontSize), s);
    painter.restore();
}

// A scatter of thousands of dots lands many on the same pixels. Within a
// run of opaque, aliased ellipses alike but for their place, the pixels
// are the union of the dots whatever their order, so a dot at a place
// already painted in the run is left out.
class EllipseRun {
  public:
    bool Paints(const SceneEllipse& e) {
        SceneEllipse shape = e;
        shape.right -= shape.left;
        shape.bottom -= shape.top;
        shape.left = shape.top = 0;
        if (!inRun_ || !(shape == shape_)) {
            End();
            shape_ = shape;
            inRun_ = true;
        }
        const uint64_t place = (static_cast<uint64_t>(static_cast<uint32_t>(e.left)) << 32) |
                               static_cast<uint32_t>(e.top);
        return places_.insert(place).second;
    }
    void End() {
        inRun_ = false;
        places_.clear();
    }

  private:
    bool inRun_ = false;
    SceneEllipse shape_;
    std::unordered_set<uint64_t> places_;
};

}  // namespace

QFont QtTextMetrics::Font(int fontSize) const {
    const int px = PixelsOf(fontSize);
    return TahomaFont(px, px);
}

const QFontMetrics& QtTextMetrics::MetricsAt(int fontSize) const {
    auto found = metrics_.find(fontSize);
    if (found == metrics_.end())
        found = metrics_.emplace(fontSize, QFontMetrics(Font(fontSize))).first;
    return found->second;
}

int QtTextMetrics::Height(std::string_view, int fontSize) const {
    return MetricsAt(fontSize).height();
}

int QtTextMetrics::Width(std::string_view text, int fontSize) const {
    return MetricsAt(fontSize).horizontalAdvance(ToQString(text));
}

int QtTextMetrics::Ascent(int fontSize) const {
    return MetricsAt(fontSize).ascent();
}

const QtTextMetrics& ViewTextMetrics() {
    static const QtTextMetrics metrics;
    return metrics;
}

QPoint TextTopLeft(const SceneText& text, const TextMetrics& metrics) {
    int x = text.at.x, y = text.at.y;
    const int w = metrics.Width(text.text, text.fontSize);
    const int h = metrics.Height(text.text, text.fontSize);
    switch (text.anchor) {
        case TextAnchor::kTopLeft:
            break;
        case TextAnchor::kTopCentre:
            x -= w / 2;
            break;
        case TextAnchor::kCentreLeft:
            y -= h / 2;
            break;
        case TextAnchor::kCentre:
            x -= w / 2;
            y -= h / 2;
            break;
        case TextAnchor::kTopRight:
            x -= w;
            break;
    }
    return QPoint(x, y);
}

void PaintItems(QPainter& painter, const Scene& scene) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    EllipseRun run;
    for (const SceneItem& item : scene.items) {
        if (const auto* e = std::get_if<SceneEllipse>(&item)) {
            if (!run.Paints(*e))
                continue;
        } else {
            run.End();
        }
        std::visit([&painter](const auto& i) { Paint(painter, i); }, item);
    }
}

void PaintScene(QPainter& painter, const Scene& scene) {
    painter.fillRect(QRect(0, 0, scene.width, scene.height), ToQColor(scene.background));
    PaintItems(painter, scene);
}

QImage NewViewImage(QSize logical, qreal dpr) {
    const QSize device(static_cast<int>(std::ceil(logical.width() * dpr)),
                       static_cast<int>(std::ceil(logical.height() * dpr)));
    QImage image(device.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    return image;
}

}  // namespace qv::ui
