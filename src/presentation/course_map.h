#pragma once
// Geometry of the course map: a plan view at a fixed number of pixels per
// metre, centred on slot A's car at the cursor, with the track map, the
// sector gates, every slot's trace and car, and a scale bar. Also the map's
// click, its distance read-out and the G inspector it paints on the G view.

#include <optional>
#include <string>
#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "core/settings.h"
#include "dynamics/align_state.h"
#include "geometry/plane.h"
#include "geometry/sector_gates.h"
#include "geometry/track_map.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kTrackMapGrey{222, 222, 222};
inline constexpr Rgb kGateGrey{128, 128, 128};
inline constexpr Rgb kHoverTrailA{255, 80, 80};
inline constexpr Rgb kHoverTrailB{80, 80, 255};
inline constexpr int kTrackMapWidth = 5;
inline constexpr int kInspectorFontSize = 11;  // points; also the picture's extra texts

// The map window: z pixels per metre on a BW x BH box whose centre is
// (latC, lonC).
struct CourseMapFrame {
    Float80 latC = 0, lonC = 0;
    Float80 latSpan = 0, lonSpan = 0;  // degrees
    Float80 zoom = 1;
    int BW = 0, BH = 0;

    // Pixel of a position, truncated toward zero.
    ScenePoint ToPixel(Float80 lat, Float80 lon) const;
    // The position under a pixel: x longitude, y latitude.
    Point2 FromPixel(int x, int y) const;
};

CourseMapFrame CourseMapFrameFor(Float80 latC, Float80 lonC, Float80 zoom, int BW, int BH);

// The bar of the lower left corner: its length in metres and pixels, and
// its label ("100m", "500feet", with the product name on the picture).
struct ScaleBar {
    Float80 metres = 0;
    int pixels = 0;
    std::string label;
};
ScaleBar ScaleBarFor(Float80 zoom, int BW, bool distInKm, bool picture);

// A point at angle `a` degrees and `r` px from (x, y), as the car markers
// and start lines place them: (x + trunc(sin a * r), y + trunc(cos a * r)).
ScenePoint PolarOffset(ScenePoint from, Float80 a, Float80 r);

// The sample of a lap nearest to (lon, lat) in the degree plane, the first
// of equals; none for a lap without samples.
std::optional<int> NearestSample(const TLapDtRec& lap, Float80 lon, Float80 lat);

// Everything one paint reads. `slots` holds the laps of the occupied slots,
// index 0 slot A.
struct CourseMapInput {
    const std::vector<TLapDtRec>& slots;
    const PresentationState& state;
    const AlignState& align;
    const GateTable& gates;
    const TrackMapStore& trackMap;
    const Settings& settings;
    bool picture = false;  // the exported picture: product name, play time, slot values
};

CourseMapFrame CourseMapFrameFor(const CourseMapInput& in, int BW, int BH);

// The whole map; with `in.picture`, as it is exported.
Scene CourseMapScene(const CourseMapInput& in, const TextMetrics& metrics, int BW, int BH);

// The map in two layers painted one over the other: what only moves with
// the map (track map, scale bar, gates, traces) and the rest (the cars and
// the picture's texts). Painted in order they give CourseMapScene.
struct CourseMapLayers {
    Scene still;
    std::vector<SceneItem> over;
};
CourseMapLayers CourseMapLayersOf(const CourseMapInput& in, const TextMetrics& metrics, int BW,
                                  int BH);

// The play time a left click at (x, y) asks for: slot A's lap time at the
// click projected onto its trace. None while slot A is empty or playback
// runs.
std::optional<Float80> CourseMapClick(const CourseMapInput& in, int BW, int BH, int x, int y);

// The distance read-out for the mouse at (x, y), "12.3m" or "40.4feet";
// none while slot A is empty.
std::optional<std::string> CourseMapDistanceText(const CourseMapInput& in, int BW, int BH, int x,
                                                 int y);

// What hovering at (x, y) over the map writes onto a G view of GW x GH at
// the presentation state's G zoom step: the G values of every slot's trace
// point within 20 m of the mouse, and for slots A and B a ring at that G
// point with a trail through the preceding ones. None while slot A is
// empty or playback runs: the G view is then left as it is; otherwise the
// G view is redrawn and the returned items are painted over it (no items
// when the mouse is within 16 px of an edge or far from every trace).
std::optional<Scene> GInspectorScene(const CourseMapInput& in, const TextMetrics& metrics, int BW,
                                     int BH, int x, int y, int GW, int GH);

// The pixel of a G pair on a G view of GW x GH at a G scale value.
ScenePoint GPointPixel(Float80 lateralG, Float80 longitudinalG, int GW, int GH, Float80 gScale);

}  // namespace qv
