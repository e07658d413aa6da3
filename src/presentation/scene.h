#pragma once
// A display list shared by the views: what to draw, in drawing order, in
// integer device-independent pixels of the view's box. The geometry of a
// view fills it without any toolkit; a painter replays it item by item.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/colours.h"

namespace qv {

// Any trace step into a sample seen by too few satellites.
inline constexpr Rgb kLowSatSilver{192, 192, 192};

struct ScenePoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScenePoint&) const = default;
};

// A straight line including both end pixels.
struct SceneLine {
    ScenePoint from;
    ScenePoint to;
    Rgb colour{};
    int width = 1;
    bool dotted = false;
    bool operator==(const SceneLine&) const = default;
};

// A connected line; segment i runs from points[i] to points[i + 1] in
// colours[i], so there is one colour fewer than points.
struct ScenePolyline {
    std::vector<ScenePoint> points;
    std::vector<Rgb> colours;
    int width = 1;
    bool operator==(const ScenePolyline&) const = default;
};

// Filled, left and top included, right and bottom excluded.
struct SceneRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    Rgb colour{};
    bool operator==(const SceneRect&) const = default;
};

// Filled, its outline included.
struct ScenePolygon {
    std::vector<ScenePoint> points;
    Rgb colour{};
    bool operator==(const ScenePolygon&) const = default;
};

// Which point of the text's bounding box stands at `at`.
enum class TextAnchor { kTopLeft, kTopCentre, kCentreLeft, kCentre };

inline constexpr int kViewFontSize = 9;  // points

struct SceneText {
    ScenePoint at;
    std::string text;
    Rgb colour{};
    int fontSize = kViewFontSize;
    TextAnchor anchor = TextAnchor::kTopLeft;
    bool operator==(const SceneText&) const = default;
};

using SceneItem = std::variant<SceneLine, ScenePolyline, SceneRect, ScenePolygon, SceneText>;

struct Scene {
    int width = 0;
    int height = 0;
    Rgb background = kWhite;  // fills the whole box before the items
    std::vector<SceneItem> items;

    template <class T>
    void Add(T item) {
        items.emplace_back(std::move(item));
    }
};

// The size of a text in the view's font at a point size, in pixels; lets
// the geometry follow the font the painter will use.
class TextMetrics {
  public:
    virtual ~TextMetrics() = default;
    virtual int Height(std::string_view text, int fontSize) const = 0;
    virtual int Width(std::string_view text, int fontSize) const = 0;
};

}  // namespace qv
