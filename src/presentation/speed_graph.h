#pragma once
// Geometry of the speed graph: the plot rectangle, the speed and x scales,
// the grid ladders, the whole picture as a scene, and the cursor click.

#include <optional>
#include <string>
#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "core/settings.h"
#include "dynamics/align_state.h"
#include "presentation/axis_window.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kPlotFrameGrey{192, 192, 192};
inline constexpr Rgb kGridGrey{224, 224, 224};
inline constexpr Rgb kAxisLabelGrey{128, 128, 128};
// Overlay scale lines and the elevation profile.
inline constexpr Rgb kOverlayGrey{160, 160, 160};
inline constexpr int kOverlayTraceWidth = 2;
inline constexpr int kSideLabelFontSize = 8;

struct SpeedGraphLayout {
    int L = 0, T = 0, W = 0, H = 0;
    int h = 0;  // text height of the graph's font
};

// The plot rectangle of a box: the left margin fits a speed label, the
// right one an overlay label, the top and bottom one line of text each.
SpeedGraphLayout SpeedGraphLayoutFor(const TextMetrics& metrics, int boxWidth, int boxHeight);

// Pixel row of a speed in km/h between the lowest and highest speed; the
// plot bottom when the range is empty.
int SpeedToY(const SpeedGraphLayout& layout, Float80 kmh, Float80 lowest, Float80 highest);

// The speed grid step, in the shown unit, for a shown range `range`.
int SpeedGridStep(Float80 range, bool speedInKmh);

// The x grid of a visible span: its step and the label of a grid value,
// both in the axis's shown unit (s, km or feet).
struct XGridStep {
    Float80 step = 0;
    Float80 unitsPerAxisUnit = 1;  // feet per km on a feet axis, else 1
};
XGridStep XGridStepFor(XAxisMode mode, bool distInKm, Float80 span);
std::string XGridLabel(XAxisMode mode, bool distInKm, Float80 step, Float80 value);

// Everything one paint reads. `slots` holds the laps of the occupied
// slots, index 0 slot A.
struct SpeedGraphInput {
    const std::vector<TLapDtRec>& slots;
    const PresentationState& state;
    const AlignState& align;
    const SlotSectResults& sectors;
    int gateCount = 0;  // sector gates in use
    const Settings& settings;
    bool picture = false;  // the exported picture: product name in the unit label
};

// Pixel row of a G value on the overlay whose scale value is `g` (GScale
// of the zoom step): X and Y put -g, 0, +g on the 3/4, 1/2 and 1/4 lines,
// X+Y puts 0 on the 3/4 line and g on the 1/4 line.
int GToY(const SpeedGraphLayout& layout, GGraphItem item, Float80 g, Float80 value);

// Pixel row of a drift angle: -90 on the bottom edge, +90 on the top.
int DriftToY(const SpeedGraphLayout& layout, Float80 degrees);

// The graph without the cursor line, in painting order.
Scene SpeedGraphScene(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                      int boxHeight);

// The cursor line alone, to paint over the graph; no item while slot A is
// empty.
Scene SpeedGraphCursor(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                       int boxHeight);

// The play time a left click at (x, y) asks for; none when slot A is empty
// or the click misses the plot.
std::optional<Float80> SpeedGraphClick(const SpeedGraphInput& in, const TextMetrics& metrics,
                                       int boxWidth, int boxHeight, int x, int y);

}  // namespace qv
