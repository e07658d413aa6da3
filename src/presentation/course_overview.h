#pragma once
// Geometry of the course overview: every trace fitted, north up and true
// to scale, into a grid of 16-pixel squares, with the cars as dots. The
// grid, gates and traces form a background that is kept between paints;
// the dots are drawn over it at every cursor refresh.

#include <optional>
#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "dynamics/align_state.h"
#include "geometry/plane.h"
#include "geometry/sector_gates.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kOverviewGridGrey{224, 224, 224};
inline constexpr int kOverviewGridStep = 16;

// Where the circuit lands in a W x H box: the grid rectangle (ox, oy, gw,
// gh) and, inside it, the used rectangle (left, top, uw, uh) that keeps
// the circuit's aspect ratio.
struct OverviewFit {
    int gw = 0, gh = 0, ox = 0, oy = 0;
    int uw = 0, uh = 0, left = 0, top = 0;
    Float80 latMin = 0, latMax = 0, lonMin = 0, lonMax = 0;

    ScenePoint ToPixel(Float80 lat, Float80 lon) const;
    // The position under a pixel: x longitude, y latitude.
    Point2 FromPixel(int x, int y) const;
};

// `extremes` bound the laps in the slots; `originLat` is the map origin,
// whose cosine scales east-west distances.
OverviewFit OverviewFitFor(const DisplayExtremes& extremes, Float80 originLat, int W, int H);

// Everything the overview reads. `slots` holds the laps of the occupied
// slots, index 0 slot A.
struct CourseOverviewInput {
    const std::vector<TLapDtRec>& slots;
    const PresentationState& state;
    const AlignState& align;
    const GateTable& gates;
};

// The cached layer: grid, gates and traces.
Scene CourseOverviewBackground(const CourseOverviewInput& in, int W, int H);

// The car dots, painted over the background at every cursor refresh.
Scene CourseOverviewCars(const CourseOverviewInput& in, int W, int H);

// The exported picture: the product name, the background and the dots.
Scene CourseOverviewPicture(const CourseOverviewInput& in, int W, int H);

// The play time a left click at (x, y) asks for: the time of slot A's
// sample nearest to the click. Also while playback runs; none while slot A
// is empty.
std::optional<Float80> CourseOverviewClick(const CourseOverviewInput& in, int W, int H, int x,
                                           int y);

}  // namespace qv
