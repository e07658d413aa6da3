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
    // an equal scene at the same ratio needs no new paint.
    if (!still_ || still_->dpr != dpr || !SameScene(still_->scene, layers.still)) {
        QImage image = Paint(layers.still, logical, dpr);
        still_ = StillLayer{std::move(layers.still), dpr, std::move(image)};
        ++stillPaints_;
    }
    QImage image = still_->image;
    if (!layers.over.empty()) {
        QPainter painter(&image);
        PaintItems(painter,
                   Scene{logical.width(), logical.height(), kWhite, std::move(layers.over)});
    }
    return image;
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
