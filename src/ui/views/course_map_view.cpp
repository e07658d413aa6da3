#include "ui/views/course_map_view.h"

#include <QPainter>

#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

QImage Paint(const Scene& scene, QSize size, qreal dpr) {
    QImage image = NewViewImage(size, dpr);
    QPainter painter(&image);
    PaintScene(painter, scene);
    return image;
}

bool SameScene(const Scene& a, const Scene& b) {
    return a.width == b.width && a.height == b.height && a.background == b.background &&
           a.items == b.items;
}

}  // namespace

CourseMapInput CourseMapInputOf(const Session& session, bool picture) {
    return CourseMapInput{session.laps.LapDt, session.presentation, session.align, session.gates,
                          session.trackMap,   session.settings,     picture};
}

QImage CourseMapView::Render(const Session& session, QSize logical, qreal dpr) const {
    CourseMapLayers layers = CourseMapLayersOf(CourseMapInputOf(session, false), ViewTextMetrics(),
                                               logical.width(), logical.height());
    // The layer's scene holds every pixel it paints, its size included, so
    // an equal scene at the same size and ratio needs no new paint.
    if (!image_.HasBase(logical, dpr) || !SameScene(still_, layers.still)) {
        image_.PaintBase(layers.still, logical, dpr);
        still_ = std::move(layers.still);
        ++stillPaints_;
    }
    image_.PaintOverlay(Scene{logical.width(), logical.height(), kWhite, std::move(layers.over)});
    return image_.Image();
}

QImage CourseMapView::Picture(const Session& session, QSize size) const {
    return Paint(CourseMapScene(CourseMapInputOf(session, true), ViewTextMetrics(), size.width(),
                                size.height()),
                 size, 1);
}

std::optional<Float80> CourseMapView::Click(const Session& session, QSize size, QPoint at) const {
    return CourseMapClick(CourseMapInputOf(session, false), size.width(), size.height(), at.x(),
                          at.y());
}

std::optional<QString> CourseMapView::DistanceText(const Session& session, QSize size,
                                                   QPoint at) const {
    const std::optional<std::string> text = CourseMapDistanceText(
        CourseMapInputOf(session, false), size.width(), size.height(), at.x(), at.y());
    if (!text)
        return std::nullopt;
    return QString::fromStdString(*text);
}

std::optional<Scene> CourseMapView::GInspector(const Session& session, QSize mapSize, QPoint at,
                                               QSize gViewSize) const {
    return GInspectorScene(CourseMapInputOf(session, false), ViewTextMetrics(), mapSize.width(),
                           mapSize.height(), at.x(), at.y(), gViewSize.width(), gViewSize.height());
}

void CourseMapView::PaintOver(QImage& image, const Scene& items) {
    QPainter painter(&image);
    PaintItems(painter, items);
}

}  // namespace qv::ui
