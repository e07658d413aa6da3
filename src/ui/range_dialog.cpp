#include "ui/range_dialog.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {
namespace {

constexpr int kBoxWidth = 421;
constexpr int kBoxHeight = 80;

void PaintTriangle(QPainter& painter, const RangeTriangle& triangle) {
    QPolygon polygon;
    for (const RangePoint& p : triangle.corners)
        polygon << QPoint(p.x, p.y);
    painter.setPen(Qt::black);
    painter.setBrush(triangle.filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
    painter.drawPolygon(polygon);
}

}  // namespace

QImage RenderRangeScale(const RangeSelection& selection, int w, int h) {
    QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    const RangeScaleGeometry g = LayoutRangeScale(selection, w, h);
    QPainter painter(&image);
    if (g.usedRight >= g.usedLeft && g.usedBottom >= g.usedTop)
        painter.fillRect(QRect(QPoint(g.usedLeft, g.usedTop), QPoint(g.usedRight, g.usedBottom)),
                         Qt::blue);
    painter.setPen(Qt::black);
    painter.drawLine(g.frameLeft, g.frameTop, g.frameRight, g.frameTop);
    painter.drawLine(g.frameLeft, g.frameBottom, g.frameRight, g.frameBottom);
    painter.drawLine(g.frameLeft, g.frameTop, g.frameLeft, g.frameBottom);
    painter.drawLine(g.frameRight, g.frameTop, g.frameRight, g.frameBottom);
    for (int x : g.tickX) {
        painter.drawLine(x, g.tickTopFrom, x, g.tickTopTo);
        painter.drawLine(x, g.tickBottomFrom, x, g.tickBottomTo);
    }
    PaintTriangle(painter, g.start);
    PaintTriangle(painter, g.units);
    PaintTriangle(painter, g.end);
    return image;
}

RangeScaleBox::RangeScaleBox(RangeSelection& selection, QWidget* parent)
    : QWidget(parent), selection_(selection) {
    setObjectName("PaintBoxRange");
    setFixedSize(kBoxWidth, kBoxHeight);
    setCursor(Qt::PointingHandCursor);
}

void RangeScaleBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, RenderRangeScale(selection_, width(), height()));
}

void RangeScaleBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (RangeScaleClick(selection_, p.x(), p.y(), width(), height()))
        update();
}

LoadRangeSelDlg::LoadRangeSelDlg(int lastSector, QWidget* parent)
    : QDialog(parent),
      selection_(MakeRangeSelection(lastSector)),
      box_(new RangeScaleBox(selection_, this)) {
    setObjectName("LoadRangeSelDlg");
    setWindowTitle("Specify the range of log to download");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Start position", this));
    layout->addWidget(box_, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel("end position", this));
    layout->addSpacing(8);
    layout->addWidget(
        new QLabel("Click the scale lines to specify the start and end positions.", this));
    layout->addWidget(new QLabel(
        "Communication time can be reduced by nalrrowing down the dauwroad renge.", this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool RunRangeDialog(QWidget* parent, int lastSector, int& startUnit, int& endUnit) {
    LoadRangeSelDlg dialog(lastSector, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    startUnit = dialog.Selection().startUnit;
    endUnit = dialog.Selection().endUnit;
    return true;
}

}  // namespace qv::ui
