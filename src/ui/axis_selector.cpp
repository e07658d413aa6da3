#include "ui/axis_selector.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv::ui {

AxisSelector::AxisSelector(const QString& caption, Edge edge, QWidget* parent)
    : QWidget(parent), caption_(caption), edge_(edge) {
    setFixedSize(27, 51);
    setCursor(Qt::PointingHandCursor);
}

void AxisSelector::SetSelected(bool selected) {
    selected_ = selected;
    update();
}

void AxisSelector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), selected_ ? QColor(Qt::white) : palette().color(QPalette::Button));
    painter.setPen(Qt::black);
    const int right = width() - 1;
    const int bottom = height() - 1;
    if (!selected_) {
        painter.drawLine(right, 0, right, bottom);
    } else {
        painter.drawLine(0, 0, 0, bottom);
        painter.drawLine(0, bottom, right, bottom);
        if (edge_ == Edge::Time)
            painter.drawLine(0, 0, right, 0);
    }
    painter.save();
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(-90);
    const QRect box(-height() / 2, -width() / 2, height(), width());
    painter.drawText(box, Qt::AlignCenter, caption_);
    painter.restore();
}

void AxisSelector::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

}  // namespace qv::ui
