#pragma once
// The course overview box ("Course" tab): keeps the grid, gates and traces
// in a background image, rebuilt when the session asks for it or the box
// changes size, and paints the car dots over it, putting back the pixels
// the last dots covered.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <optional>

#include "app/session.h"
#include "presentation/course_overview.h"
#include "ui/views/overlaid_image.h"

namespace qv::ui {

class CourseOverviewView {
  public:
    // Rebuilding the background clears the session's overview rebuild flag.
    QImage Render(Session& session, QSize logical, qreal dpr);
    QImage Picture(const Session& session, QSize size) const;

    // The play time a left click asks for; also while playback runs.
    std::optional<Float80> Click(const Session& session, QSize size, QPoint at) const;

  private:
    OverlaidImage image_;
};

CourseOverviewInput CourseOverviewInputOf(const Session& session);

}  // namespace qv::ui
