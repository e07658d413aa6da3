#include "ui/views/course_overview_view.h"

#include <QPainter>

#include "ui/views/scene_painter.h"

namespace qv::ui {

CourseOverviewInput CourseOverviewInputOf(const Session& session) {
    return CourseOverviewInput{session.laps.LapDt, session.presentation, session.align,
                               session.gates};
}

QImage CourseOverviewView::Render(Session& session, QSize logical, qreal dpr) {
    const CourseOverviewInput in = CourseOverviewInputOf(session);
    bool& rebuild = session.presentation.rebuild.courseOverview;
    if (rebuild || !image_.HasBase(logical, dpr)) {
        image_.PaintBase(CourseOverviewBackground(in, logical.width(), logical.height()), logical,
                         dpr);
        rebuild = false;
    }
    image_.PaintOverlay(CourseOverviewCars(in, logical.width(), logical.height()));
    return image_.Image();
}

QImage CourseOverviewView::Picture(const Session& session, QSize size) const {
    QImage image = NewViewImage(size, 1);
    QPainter painter(&image);
    PaintScene(painter,
               CourseOverviewPicture(CourseOverviewInputOf(session), size.width(), size.height()));
    return image;
}

std::optional<Float80> CourseOverviewView::Click(const Session& session, QSize size,
                                                 QPoint at) const {
    return CourseOverviewClick(CourseOverviewInputOf(session), size.width(), size.height(), at.x(),
                               at.y());
}

}  // namespace qv::ui
