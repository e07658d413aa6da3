#include "ui/gate_adjust_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "geometry/gate_editing.h"
#include "presentation/gate_adjust_scene.h"
#include "ui/grid_cell_delegate.h"

namespace qv::ui {
namespace {

constexpr int kClientWidth = 570;
constexpr int kClientHeight = 514;
// Far-off points stay far off without overflowing the raster's arithmetic.
constexpr int kPixelLimit = 1 << 20;

QPoint Clamped(PixelPoint p) {
    return QPoint(std::clamp(p.x, -kPixelLimit, kPixelLimit),
                  std::clamp(p.y, -kPixelLimit, kPixelLimit));
}

void DrawSegments(QPainter& painter, const std::vector<ViewSegment>& segments) {
    for (const ViewSegment& s : segments) {
        QPen pen(ToQColor(s.colour), s.width, s.dotted ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap,
                 Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawLine(Clamped(s.from), Clamped(s.to));
    }
}

void BuildBackground(QImage& background, const GateAdjustView& view, const GateAdjustScene& scene) {
    background = QImage(std::max(view.width, 1), std::max(view.height, 1), QImage::Format_RGB32);
    background.fill(Qt::white);
    static const GateTable kNoGates;
    static const TrackMapStore kNoTrack;
    static const std::vector<TLapDtRec> kNoSlots;
    QPainter painter(&background);
    DrawSegments(painter,
                 AdjustBackground(view, scene.gates ? *scene.gates : kNoGates, scene.edited,
                                  scene.trackMap ? *scene.trackMap : kNoTrack,
                                  scene.slots ? *scene.slots : kNoSlots, scene.dottedDecel));
}

}  // namespace

void PaintGateAdjust(QImage& target, QImage& background, GateAdjustView& view,
                     const GateAdjustScene& scene) {
    const QSize size(std::max(view.width, 1), std::max(view.height, 1));
    if (view.rebuildBackground || background.size() != size) {
        BuildBackground(background, view, scene);
        view.rebuildBackground = false;
    }
    target = background.copy();
    QPainter painter(&target);
    const QPoint end1 = Clamped(ToViewPixel(view, view.work.Kdo1, view.work.Ido1));
    const QPoint end2 = Clamped(ToViewPixel(view, view.work.Kdo2, view.work.Ido2));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(end1, end2);
    const int half = kEndSquareSize / 2;
    for (const QPoint& p : {end1, end2})
        painter.fillRect(p.x() - half, p.y() - half, kEndSquareSize, kEndSquareSize, Qt::black);
}

GateAdjustCanvas::GateAdjustCanvas(GateAdjustView& view, GateAdjustScene scene, QWidget* parent)
    : QWidget(parent), view_(view), scene_(scene) {
    setObjectName(QStringLiteral("PaintBoxEdSect"));
    setFixedSize(kAdjustViewSize, kAdjustViewSize);
    setCursor(Qt::CrossCursor);
    view_.width = kAdjustViewSize;
    view_.height = kAdjustViewSize;
}

void GateAdjustCanvas::ZoomIn() {
    if (ZoomAdjustIn(view_))
        update();
}

void GateAdjustCanvas::ZoomOut() {
    if (ZoomAdjustOut(view_))
        update();
}

void GateAdjustCanvas::paintEvent(QPaintEvent*) {
    PaintGateAdjust(frame_, background_, view_, scene_);
    QPainter painter(this);
    painter.drawImage(0, 0, frame_);
}

void GateAdjustCanvas::resizeEvent(QResizeEvent*) {
    if (view_.width != width() || view_.height != height()) {
        view_.width = width();
        view_.height = height();
        view_.rebuildBackground = true;
    }
}

void GateAdjustCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    Q_EMIT pressed();
    const QPoint at = event->position().toPoint();
    PressAdjustView(view_, at.x(), at.y());
}

void GateAdjustCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (MoveAdjustView(view_, at.x(), at.y()))
        update();
}

void GateAdjustCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (ReleaseAdjustView(view_, at.x(), at.y()))
        update();
}

void GateAdjustCanvas::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta > 0)
        ZoomIn();
    else if (delta < 0)
        ZoomOut();
    event->accept();
}

GateAdjustDialog::GateAdjustDialog(GateAdjustView& view, int passNo, GateAdjustScene scene,
                                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TOKBottomDlgEdSect"));
    setWindowTitle(tr("Adjust sector gate"));
    setFixedSize(kClientWidth, kClientHeight);
    setCursor(Qt::ArrowCursor);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 27, 12, 27);
    row->setSpacing(10);
    canvas_ = new GateAdjustCanvas(view, scene, this);
    row->addWidget(canvas_, 0, Qt::AlignTop);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(new QLabel(tr("Measure on"), this));
    passNo_ = new QSpinBox(this);
    passNo_->setObjectName(QStringLiteral("UpDownDtcN"));
    if (auto* edit = passNo_->findChild<QLineEdit*>())
        edit->setObjectName(QStringLiteral("EditDtcN"));
    passNo_->setRange(kPassNoMin, kPassNoMax);
    passNo_->setValue(std::clamp(passNo, kPassNoMin, kPassNoMax));
    auto* passRow = new QHBoxLayout;
    passRow->addWidget(passNo_);
    passRow->addWidget(new QLabel(tr("pass"), this));
    side->addLayout(passRow);
    side->addSpacing(16);

    auto* zoomRow = new QHBoxLayout;
    auto* zoomIn = new QToolButton(this);
    zoomIn->setObjectName(QStringLiteral("SpeedButtonEdZin"));
    zoomIn->setText(QStringLiteral("+"));
    zoomIn->setToolTip(tr("ズームイン"));
    auto* zoomOut = new QToolButton(this);
    zoomOut->setObjectName(QStringLiteral("SpeedButtonEdZout"));
    zoomOut->setText(QStringLiteral("-"));
    zoomOut->setToolTip(tr("ズームアウト"));
    for (QToolButton* b : {zoomIn, zoomOut}) {
        b->setFixedSize(28, 28);
        b->setFocusPolicy(Qt::NoFocus);
        zoomRow->addWidget(b);
    }
    zoomRow->addStretch(1);
    side->addLayout(zoomRow);
    side->addStretch(1);

    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName(QStringLiteral("OKBtn"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    side->addWidget(ok_);
    side->addWidget(cancel);
    row->addLayout(side, 1);

    connect(zoomIn, &QToolButton::clicked, canvas_, &GateAdjustCanvas::ZoomIn);
    connect(zoomOut, &QToolButton::clicked, canvas_, &GateAdjustCanvas::ZoomOut);
    connect(canvas_, &GateAdjustCanvas::pressed, this, [this] { ok_->setFocus(); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int GateAdjustDialog::PassNo() const {
    return passNo_->value();
}

}  // namespace qv::ui
