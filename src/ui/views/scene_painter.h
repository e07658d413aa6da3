#pragma once
// Replays a display list with QPainter. Every view paints through here, on
// screen and into exported pictures, so both show the same pixels.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QSize>
#include <map>

#include "presentation/scene.h"

class QPainter;

namespace qv::ui {

// The view font at a point size; points are taken at 96 dpi so that sizes
// do not depend on the screen the window happens to open on.
class QtTextMetrics final : public TextMetrics {
  public:
    int Height(std::string_view text, int fontSize) const override;
    int Width(std::string_view text, int fontSize) const override;
    QFont Font(int fontSize) const;
    int Ascent(int fontSize) const;

  private:
    // Every paint measures its texts; the fonts of the few sizes in use are
    // built once. Views paint on the window's thread only.
    const QFontMetrics& MetricsAt(int fontSize) const;
    mutable std::map<int, QFontMetrics> metrics_;
};

const QtTextMetrics& ViewTextMetrics();

// The top-left pixel of an upright text's box after its anchor.
QPoint TextTopLeft(const SceneText& text, const TextMetrics& metrics);

// Fills the scene's box with its background, then paints its items.
void PaintScene(QPainter& painter, const Scene& scene);
void PaintItems(QPainter& painter, const Scene& scene);

// A white image of `logical` pixels at the device pixel ratio; painters on
// it work in logical pixels.
QImage NewViewImage(QSize logical, qreal dpr);

}  // namespace qv::ui
