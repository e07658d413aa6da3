#include "ui/views/overlaid_image.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "presentation/scene_extent.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

// Far beyond any image, yet clear of int's ends.
constexpr qreal kFar = 1 << 29;

int ToDevice(int v, qreal dpr, bool up) {
    const qreal d = v * dpr;
    return static_cast<int>(std::clamp(up ? std::ceil(d) : std::floor(d), -kFar, kFar));
}

QRect DeviceRect(const SceneClip& box, qreal dpr) {
    return QRect(QPoint(ToDevice(box.left, dpr, false), ToDevice(box.top, dpr, false)),
                 QPoint(ToDevice(box.right, dpr, true) - 1, ToDevice(box.bottom, dpr, true) - 1));
}

}  // namespace

bool OverlaidImage::HasBase(QSize logical, qreal dpr) const {
    return !image_.isNull() && logical_ == logical && image_.devicePixelRatio() == dpr;
}

void OverlaidImage::PaintBase(const Scene& scene, QSize logical, qreal dpr) {
    // An image still shown elsewhere is left to its holder rather than
    // copied only to be painted over.
    if (HasBase(logical, dpr) && image_.isDetached())
        image_.fill(Qt::white);
    else
        image_ = NewViewImage(logical, dpr);
    logical_ = logical;
    covered_ = QRect();
    under_ = QImage();
    QPainter painter(&image_);
    PaintScene(painter, scene);
}

void OverlaidImage::PaintOverlay(const Scene& over) {
    RestoreBase();
    if (image_.isNull() || over.items.empty())
        return;
    const std::optional<SceneClip> extent = SceneItemsExtent(over.items);
    covered_ = extent ? DeviceRect(*extent, image_.devicePixelRatio()).intersected(image_.rect())
                      : image_.rect();
    if (covered_.isEmpty())
        return;
    under_ = image_.copy(covered_);
    QPainter painter(&image_);
    PaintItems(painter, over);
}

void OverlaidImage::RestoreBase() {
    if (covered_.isEmpty())
        return;
    const int bytes = covered_.width() * image_.depth() / 8;
    const int offset = covered_.left() * image_.depth() / 8;
    for (int row = 0; row < covered_.height(); ++row)
        std::memcpy(image_.scanLine(covered_.top() + row) + offset, under_.constScanLine(row),
                    static_cast<size_t>(bytes));
    covered_ = QRect();
    under_ = QImage();
}

}  // namespace qv::ui
