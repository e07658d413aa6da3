#include "ui/readout_box.h"

#include <QEvent>
#include <algorithm>

namespace qv::ui {

ReadoutBox::ReadoutBox(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {}

QSize ReadoutBox::sizeHint() const {
    return label_->sizeHint();
}

// A minimum set on the label stands for its text's, as it would in a layout.
QSize ReadoutBox::minimumSizeHint() const {
    const QSize hint = label_->minimumSizeHint();
    const QSize set = label_->minimumSize();
    return QSize(set.width() > 0 ? set.width() : hint.width(),
                 set.height() > 0 ? set.height() : hint.height());
}

// The label's new text asks its parent, the box, to be laid out again.
bool ReadoutBox::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        // A line's height does not follow its text; the layout gave what
        // it could.
        const int wanted = sizeHint().width();
        if (wanted > std::max(width(), asked_)) {
            asked_ = wanted;
            updateGeometry();
        }
        return true;
    }
    return QWidget::event(event);
}

void ReadoutBox::resizeEvent(QResizeEvent*) {
    label_->setGeometry(rect());
}

}  // namespace qv::ui
