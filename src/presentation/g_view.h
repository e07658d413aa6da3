#pragma once
// Geometry of the G view: a polar diagram of lateral G (to the right) and
// longitudinal G (downwards), whose lower vertical axis doubles as a turn
// radius scale; the scatter of every lap in the slots, the values at the
// cursor, one combined-G bar per slot and the pointer read-out.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/colours.h"
#include "core/ext80.h"
#include "core/records.h"
#include "dynamics/align_state.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kGRingGrey{128, 128, 128};
inline constexpr Rgb kGRingLightGrey{224, 224, 224};
// The scatter of slots A to D; the bar of an accelerating slot is filled
// with these too.
inline constexpr std::array<Rgb, 4> kGScatterColours{
    {{255, 144, 144}, {112, 112, 255}, {96, 192, 96}, {224, 224, 64}}};
inline constexpr int kGReadoutFontSize = 11;  // points
// The outer ring stands for this turn radius (m) at every zoom step.
inline constexpr int kGRadiusFullScale = 300;
// Radii above this get no pointer and no read-out.
inline constexpr int kGRadiusShownMax = 600;
// Shown while comparison laps are read at the reference lap's distance.
inline constexpr const char* kGPosMsg = "※基準車位置(距離)でのそれぞれの値を表示";

struct GViewGeometry {
    int width = 0, height = 0;
    int s = 0;  // side of the square the diagram fills
    int cx = 0, cy = 0;
    int r0 = 0;     // outer circle
    int step = 2;   // G zoom step
    Float80 g = 0;  // G at the outer circle
};

GViewGeometry GViewGeometryFor(int width, int height, int gZoomStep);

// Pixel of a lateral and longitudinal G pair, rounded to the nearest pixel.
ScenePoint GToPixel(const GViewGeometry& geo, Float80 lateG, Float80 logiG);

// Row of a turn radius (m) on the lower vertical axis.
int TurnRadiusToY(const GViewGeometry& geo, Float80 radius);

// Radius in pixels of the ring of `hundredthsG` at the geometry's step.
int GRingRadius(const GViewGeometry& geo, int hundredthsG);

// A lap logged at 10 Hz or faster and longer than 7.5 km scatters only
// every second sample, so the diagram stays readable.
bool GScatterThinned(const TLapDtRec& lap);

// Indices of the samples a lap scatters: the second to the last but one.
std::vector<int> GScatterSamples(const TLapDtRec& lap);

// What one slot shows at the cursor on the current x axis.
struct GCursorValues {
    Float80 lateG = 0, logiG = 0;
    Float80 radius = 0;  // m
    Float80 speed = 0;   // km/h
};
GCursorValues GCursorValuesOf(const CurSmp& smp, XAxisMode axis);

// Heights in pixels of a slot's bar: the combined G, limited to the full
// scale of the step, and its longitudinal share.
struct GBarHeights {
    int total = 0;
    int longitudinal = 0;
};
int GBarFullHeight(int boxHeight);
Float80 GBarFullScale(int gZoomStep);
std::string GBarMiddleLabel(int gZoomStep);
GBarHeights GBarHeightsFor(int boxHeight, int gZoomStep, Float80 lateG, Float80 logiG);

// Everything one paint reads. `slots` holds the laps of the occupied
// slots, index 0 slot A.
struct GViewInput {
    const std::vector<TLapDtRec>& slots;
    const PresentationState& state;
    const AlignState& align;
};

// The cached background: outer circle, labels, scale labels, the scatter
// of slots D to A, then the rings and axes of the zoom step over it.
Scene GBackgroundScene(const GViewInput& in, const TextMetrics& metrics, int width, int height);

// Items painted over the background at every cursor refresh: the bars,
// the slots' dots and radius pointers, the pointer read-out while the
// mouse is over the box and the text lines.
struct GCursorLayer {
    Scene scene;
    bool positionNoteShown = false;  // kGPosMsg
};
GCursorLayer GCursorScene(const GViewInput& in, const TextMetrics& metrics, int width, int height,
                          std::optional<ScenePoint> mouse);

// The read-out written straight onto the box as the mouse moves; the
// second line is blanked when the pointer gives no radius.
Scene GMouseReadoutScene(const GViewInput& in, const TextMetrics& metrics, int width, int height,
                         ScenePoint mouse);

// The exported picture: with slot A occupied, the background, the product
// name and the dots and pointers; no bars and no text lines.
Scene GPictureScene(const GViewInput& in, const TextMetrics& metrics, int width, int height);

}  // namespace qv
