#pragma once
// The course map box: paints the map for the session, answers its click,
// its distance read-out and the G inspection that hovering over it asks
// for. The painted track map, gates and traces are kept while they come
// out the same, so a repaint that does not move the map only paints cars.
// The image it returns is painted again in place by the next Render: a
// holder that lets go of it first spares that paint a copy.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

#include "app/session.h"
#include "presentation/course_map.h"
#include "ui/views/overlaid_image.h"

namespace qv::ui {

class CourseMapView {
  public:
    // The map as the box shows it, cars included.
    QImage Render(const Session& session, QSize logical, qreal dpr) const;
    // The exported picture: product name, play time and the slots' values.
    QImage Picture(const Session& session, QSize size) const;

    // The play time a left click asks for; none when it moves nothing.
    std::optional<Float80> Click(const Session& session, QSize size, QPoint at) const;
    // The text of the distance label for the mouse at `at`; none while
    // slot A is empty (the label is left as it is).
    std::optional<QString> DistanceText(const Session& session, QSize size, QPoint at) const;

    // Hovering at `at` over the map while the G tab shows: none leaves the
    // G view alone; otherwise repaint the G view (background and cursor)
    // and paint the returned items over its image with PaintOver.
    std::optional<Scene> GInspector(const Session& session, QSize mapSize, QPoint at,
                                    QSize gViewSize) const;
    static void PaintOver(QImage& image, const Scene& items);

    // How often Render painted the still layer afresh.
    int StillLayerPaints() const { return stillPaints_; }

  private:
    // Views paint on the window's thread only.
    mutable Scene still_;
    mutable OverlaidImage image_;
    mutable int stillPaints_ = 0;
};

CourseMapInput CourseMapInputOf(const Session& session, bool picture);

}  // namespace qv::ui
