#pragma once
// A display list shared by the views: what to draw, in drawing order, in
// integer device-independent pixels of the view's box. The geometry of a
// view fills it without any toolkit; a painter replays it item by item.

#include <optional>
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
// colours[i], so there is one colour fewer than points. `dotted` is empty
// for a solid line, else it holds one flag per segment.
struct ScenePolyline {
    std::vector<ScenePoint> points;
    std::vector<Rgb> colours;
    int width = 1;
    std::vector<bool> dotted{};
    bool operator==(const ScenePolyline&) const = default;
};

// Filled, left and top included, right and bottom excluded.
struct SceneRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    Rgb colour{};
    bool operator==(const SceneRect&) const = default;
};

// A closed outline through the points, filled by default, its outline
// included.
struct ScenePolygon {
    std::vector<ScenePoint> points;
    Rgb colour{};
    bool filled = true;
    int width = 1;
    bool operator==(const ScenePolygon&) const = default;
};

// An ellipse inscribed in a box whose right and bottom edges are excluded,
// so (x - 2, y - 2, x + 3, y + 3) is a 5 px dot centred on (x, y).
struct SceneEllipse {
    int left = 0, top = 0, right = 0, bottom = 0;
    std::optional<Rgb> fill{};
    std::optional<Rgb> outline{};
    int width = 1;
    bool operator==(const SceneEllipse&) const = default;
};

// A rectangle, right and bottom excluded, that limits what an item paints.
struct SceneClip {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const SceneClip&) const = default;
};

// Which point of the text's bounding box stands at `at`.
enum class TextAnchor { kTopLeft, kTopCentre, kCentreLeft, kCentre, kTopRight };

inline constexpr int kViewFontSize = 9;  // points

// Upright, or turned a quarter left (`upwards`): the text then runs up
// from `at`, its top towards the left, filling x .. x + height and
// y - width .. y; anchors apply to upright text only.
struct SceneText {
    ScenePoint at;
    std::string text;
    Rgb colour{};
    int fontSize = kViewFontSize;
    TextAnchor anchor = TextAnchor::kTopLeft;
    std::optional<Rgb> background{};  // fills the text's box first
    bool upwards = false;
    std::optional<SceneClip> clip{};
    bool operator==(const SceneText&) const = default;
};

// A text item; most leave the optional members empty.
inline SceneText MakeText(ScenePoint at, std::string text, Rgb colour, int fontSize = kViewFontSize,
                          TextAnchor anchor = TextAnchor::kTopLeft,
                          std::optional<Rgb> background = std::nullopt) {
    SceneText t;
    t.at = at;
    t.text = std::move(text);
    t.colour = colour;
    t.fontSize = fontSize;
    t.anchor = anchor;
    t.background = background;
    return t;
}

using SceneItem =
    std::variant<SceneLine, ScenePolyline, SceneRect, ScenePolygon, SceneEllipse, SceneText>;

struct Scene {
    int width = 0;
    int height = 0;
    Rgb background = kWhite;  // fills the whole box before the items
    std::vector<SceneItem> items{};

    template <class T>
    void Add(T item) {
        items.emplace_back(std::move(item));
    }
};

// A white box with nothing on it yet.
inline Scene BlankScene(int width, int height) {
    Scene scene;
    scene.width = width;
    scene.height = height;
    return scene;
}

// The size of a text in the view's font at a point size, in pixels; lets
// the geometry follow the font the painter will use.
class TextMetrics {
  public:
    virtual ~TextMetrics() = default;
    virtual int Height(std::string_view text, int fontSize) const = 0;
    virtual int Width(std::string_view text, int fontSize) const = 0;
};

}  // namespace qv
