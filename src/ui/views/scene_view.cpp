#include "ui/views/scene_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv::ui {

SceneView::SceneView(const char* name, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SceneView::SetImage(QImage image) {
    image_ = std::move(image);
    update();
}

void SceneView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.drawImage(QPoint(0, 0), image_);
    // The image may lag a resize by one paint; keep the uncovered part white.
    const QSize shown = image_.deviceIndependentSize().toSize();
    if (shown.width() < width())
        painter.fillRect(QRect(shown.width(), 0, width() - shown.width(), height()), Qt::white);
    if (shown.height() < height())
        painter.fillRect(QRect(0, shown.height(), width(), height() - shown.height()), Qt::white);
}

void SceneView::mousePressEvent(QMouseEvent* event) {
    if (onPress)
        onPress(event->button(), event->position().toPoint());
}

void SceneView::mouseMoveEvent(QMouseEvent* event) {
    if (onMove)
        onMove(event->position().toPoint());
}

void SceneView::leaveEvent(QEvent*) {
    if (onLeave)
        onLeave();
}

void SceneView::resizeEvent(QResizeEvent*) {
    if (onResize)
        onResize();
}

void SceneView::showEvent(QShowEvent*) {
    if (onShow)
        onShow();
}

}  // namespace qv::ui
