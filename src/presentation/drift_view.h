#pragma once
// Geometry of the drift view: a dial on which the direction of travel
// points straight up, and per slot with drift data a car outline and a
// needle turned by the angle between the logged heading and the direction
// of travel, with the slot's speed and drift angle printed below.

#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "dynamics/align_state.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kDialGrey{128, 128, 128};
inline constexpr int kDriftFontSize = 11;  // points, labels and texts
// At or below this speed (km/h) a heading says nothing about drift.
inline constexpr Float80 kDriftMinSpeed = 7;

// The dial of a surface BW x BH; all in whole pixels.
struct DriftDial {
    int BW = 0, BH = 0;
    int th = 0;  // height of "X" in the surface's own font
    int U = 0;
    int S = 0;  // outer radius
    int R = 0;  // inner radius
    int M = 0;  // minor ticks start here
    int P = 0;  // labels
    int F = 0;  // car
    int cx = 0, cy = 0;
};
DriftDial DriftDialFor(const TextMetrics& metrics, int width, int height);

// The dial point at `degrees` clockwise from straight up and `radius`.
ScenePoint DialPoint(const DriftDial& dial, Float80 degrees, int radius);

// What one slot shows: the car's angle on the dial, the speed printed and
// the whole degrees of the angle text.
struct DriftReading {
    Float80 angle = 0;  // degrees
    Float80 speed = 0;  // km/h
    int angleText = 0;
};
DriftReading DriftReadingOf(const CurSmp& smp, XAxisMode axis);

// Everything one paint reads. `slots` holds the laps of the occupied
// slots, index 0 slot A.
struct DriftViewInput {
    const std::vector<TLapDtRec>& slots;
    const PresentationState& state;
    const AlignState& align;
};

// The cached dial: circles, axes, ticks and labels.
Scene DriftBackgroundScene(const TextMetrics& metrics, int width, int height);

// Cars, needles and texts over the dial; empty while the drift angle is
// hidden.
Scene DriftCursorScene(const DriftViewInput& in, const TextMetrics& metrics, int width, int height);

// The exported picture: the dial and the cursor layer, or a white surface
// while slot A is empty.
Scene DriftPictureScene(const DriftViewInput& in, const TextMetrics& metrics, int width,
                        int height);

}  // namespace qv
