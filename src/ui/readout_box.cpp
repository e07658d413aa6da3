#include "ui/readout_box.h"

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

void ReadoutBox::resizeEvent(QResizeEvent*) {
    label_->setGeometry(rect());
}

}  // namespace qv::ui
