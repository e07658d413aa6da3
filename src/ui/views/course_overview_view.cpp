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
    if (rebuild || background_.isNull() || backgroundSize_ != logical ||
        background_.devicePixelRatio() != dpr) {
        background_ = NewViewImage(logical, dpr);
        backgroundSize_ = logical;
        QPainter painter(&background_);
        PaintScene(painter, CourseOverviewBackground(in, logical.width(), logical.height()));
        rebuild = false;
    }
    QImage image = background_;
    QPainter painter(&image);
    PaintItems(painter, CourseOverviewCars(in, logical.width(), logical.height()));
    return image;
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
