#include "presentation/course_map.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/date_time.h"
#include "core/display_format.h"
#include "presentation/axis_window.h"
#include "presentation/slot_colours.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

constexpr Float80 kMetresPerFoot = 0.3048L;
constexpr Float80 kDegToRad = kPi / 180;
// Items are cut this far outside the box: wide enough for the 5 px track
// map, small enough that the painter never strokes a line kilometres long.
constexpr int kClipMargin = 16;
constexpr int kCarReach = 24;  // the farthest pixel of a car marker from its dot
constexpr Float80 kInspectRadiusM = 20;
constexpr int kInspectInset = 16;

ScenePolyline Polyline(std::vector<ScenePoint> points, Rgb colour) {
    ScenePolyline line;
    line.colours.assign(points.size() - 1, colour);
    line.points = std::move(points);
    return line;
}

// A position on the map in pixels from the left and from the bottom edge,
// before truncation.
struct MapPoint {
    Float80 x = 0;
    Float80 up = 0;
};

// Measured from the centre, so that the centre itself lands on its pixel
// without rounding error.
MapPoint Raw(const CourseMapFrame& f, Float80 lat, Float80 lon) {
    return {Float80(f.BW) / 2 + (lon - f.lonC) / f.lonSpan * f.BW,
            Float80(f.BH) / 2 + (lat - f.latC) / f.latSpan * f.BH};
}

ScenePoint Pixel(const CourseMapFrame& f, MapPoint p) {
    return {TruncToPixel(p.x), f.BH - TruncToPixel(p.up)};
}

bool Near(const CourseMapFrame& f, MapPoint p, Float80 reach) {
    return p.x >= -reach && p.x <= f.BW + reach && p.up >= -reach && p.up <= f.BH + reach;
}

// Cuts the segment a-b to the box widened by the margin; false when none
// of it is left. `aMoved` / `bMoved` tell which end was cut.
bool ClipToMargin(const CourseMapFrame& f, MapPoint& a, MapPoint& b, bool& aMoved, bool& bMoved) {
    if (!std::isfinite(a.x) || !std::isfinite(a.up) || !std::isfinite(b.x) || !std::isfinite(b.up))
        return false;
    const Float80 dx = b.x - a.x, dy = b.up - a.up;
    Float80 t0 = 0, t1 = 1;
    // Keeps the part where p * t <= q.
    auto edge = [&](Float80 p, Float80 q) {
        if (p == 0)
            return q >= 0;
        const Float80 r = q / p;
        if (p < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    const Float80 lo = -kClipMargin;
    if (!edge(-dx, a.x - lo) || !edge(dx, f.BW + kClipMargin - a.x) || !edge(-dy, a.up - lo) ||
        !edge(dy, f.BH + kClipMargin - a.up))
        return false;
    aMoved = t0 > 0;
    bMoved = t1 < 1;
    const MapPoint start = a;
    if (aMoved)
        a = {start.x + t0 * dx, start.up + t0 * dy};
    if (bMoved)
        b = {start.x + t1 * dx, start.up + t1 * dy};
    return true;
}

// Joins the steps of one trace into as few polylines as the box allows: a
// run leaves the box and the next one starts where the trace comes back.
class ClippedTrace {
  public:
    ClippedTrace(Scene& scene, const CourseMapFrame& frame, int width)
        : scene_(scene), frame_(frame) {
        line_.width = width;
    }
    ~ClippedTrace() { Flush(); }
    ClippedTrace(const ClippedTrace&) = delete;
    ClippedTrace& operator=(const ClippedTrace&) = delete;

    void Step(MapPoint a, MapPoint b, Rgb colour, bool dotted) {
        bool aMoved = false, bMoved = false;
        if (!ClipToMargin(frame_, a, b, aMoved, bMoved)) {
            Flush();
            return;
        }
        Append(Pixel(frame_, a), Pixel(frame_, b), aMoved, bMoved, colour, dotted);
    }

    // A step already known to lie inside the margin, so nothing is cut.
    void Append(ScenePoint pa, ScenePoint pb, Rgb colour, bool dotted) {
        Append(pa, pb, false, false, colour, dotted);
    }

    void Flush() {
        if (line_.points.size() > 1) {
            if (!anyDotted_)
                line_.dotted.clear();
            ScenePolyline done{std::move(line_.points), std::move(line_.colours), line_.width,
                               std::move(line_.dotted)};
            scene_.Add(std::move(done));
        }
        line_.points.clear();
        line_.colours.clear();
        line_.dotted.clear();
        anyDotted_ = false;
    }

  private:
    void Append(ScenePoint pa, ScenePoint pb, bool aMoved, bool bMoved, Rgb colour, bool dotted) {
        if (line_.points.empty() || aMoved || line_.points.back() != pa) {
            Flush();
            line_.points.push_back(pa);
        }
        line_.points.push_back(pb);
        line_.colours.push_back(colour);
        line_.dotted.push_back(dotted);
        anyDotted_ = anyDotted_ || dotted;
        if (bMoved)
            Flush();
    }

    Scene& scene_;
    const CourseMapFrame& frame_;
    ScenePolyline line_;
    bool anyDotted_ = false;
};

// A map position worked out in doubles.
struct RoughPoint {
    double x = 0;
    double up = 0;
};

// The traces hold thousands of samples, most of them far off the box, and
// the extended projection of each one dominated a repaint. Doubles decide
// which steps are surely outside or surely uncut; a step near the margin
// and a point within kEdgeGuard of a pixel edge go through the extended
// projection, so every pixel is the one it gives.
class RoughFrame {
  public:
    explicit RoughFrame(const CourseMapFrame& f)
        : f_(f),
          lonC_(f.lonC),
          latC_(f.latC),
          halfW_(f.BW / 2.0),
          halfH_(f.BH / 2.0),
          xPerDeg_(static_cast<double>(f.BW / f.lonSpan)),
          upPerDeg_(static_cast<double>(f.BH / f.latSpan)),
          left_(-kClipMargin + kMarginGuard),
          right_(f.BW + kClipMargin - kMarginGuard),
          bottom_(-kClipMargin + kMarginGuard),
          top_(f.BH + kClipMargin - kMarginGuard) {}

    RoughPoint Project(Float80 lat, Float80 lon) const {
        return {halfW_ + static_cast<double>(lon - lonC_) * xPerDeg_,
                halfH_ + static_cast<double>(lat - latC_) * upPerDeg_};
    }

    // Inside the margin with room to spare: the step is not cut.
    bool Inside(RoughPoint p) const {
        return p.x > left_ && p.x < right_ && p.up > bottom_ && p.up < top_;
    }

    // Both ends beyond the same edge with room to spare: nothing is left.
    bool BothBeyond(RoughPoint a, RoughPoint b) const {
        const double l = left_ - 2 * kMarginGuard, r = right_ + 2 * kMarginGuard;
        const double lo = bottom_ - 2 * kMarginGuard, hi = top_ + 2 * kMarginGuard;
        return (a.x < l && b.x < l) || (a.x > r && b.x > r) || (a.up < lo && b.up < lo) ||
               (a.up > hi && b.up > hi);
    }

    // The pixel of a point inside the margin.
    ScenePoint PixelOf(RoughPoint p, Float80 lat, Float80 lon) const {
        const int x = static_cast<int>(p.x), up = static_cast<int>(p.up);
        if (ClearOfEdge(p.x - x) && ClearOfEdge(p.up - up))
            return {x, f_.BH - up};
        return Pixel(f_, Raw(f_, lat, lon));
    }

    const CourseMapFrame& Exact() const { return f_; }

  private:
    // Far wider than the gap between the double and the extended result,
    // which stays below 1e-7 px at the largest zoom.
    static constexpr double kEdgeGuard = 1e-5;
    static constexpr double kMarginGuard = 1e-3;

    static bool ClearOfEdge(double fraction) {
        const double d = std::fabs(fraction);
        return d > kEdgeGuard && d < 1 - kEdgeGuard;
    }

    const CourseMapFrame& f_;
    Float80 lonC_, latC_;
    double halfW_, halfH_, xPerDeg_, upPerDeg_;
    double left_, right_, bottom_, top_;
};

// Steps through `count` points; `at(i)` gives point i's latitude and
// longitude, `style(i)` the colour and dotting of the step into it.
template <class At, class Style>
void AddSteps(ClippedTrace& trace, const RoughFrame& rough, size_t count, At at, Style style) {
    if (count == 0)
        return;
    // Most steps lie far off the box: the previous point's extended values
    // are read again only for a step that is kept, rather than carried
    // through x87 stores at every step.
    auto project = [&](size_t i) {
        Float80 lat = 0, lon = 0;
        at(i, lat, lon);
        return rough.Project(lat, lon);
    };
    RoughPoint prev = project(0);
    for (size_t i = 1; i < count; ++i) {
        const RoughPoint cur = project(i);
        if (rough.BothBeyond(prev, cur)) {
            trace.Flush();
        } else {
            Float80 prevLat = 0, prevLon = 0, lat = 0, lon = 0;
            at(i - 1, prevLat, prevLon);
            at(i, lat, lon);
            Rgb colour{};
            bool dotted = false;
            style(i, colour, dotted);
            if (rough.Inside(prev) && rough.Inside(cur))
                trace.Append(rough.PixelOf(prev, prevLat, prevLon), rough.PixelOf(cur, lat, lon),
                             colour, dotted);
            else
                trace.Step(Raw(rough.Exact(), prevLat, prevLon), Raw(rough.Exact(), lat, lon),
                           colour, dotted);
        }
        prev = cur;
    }
}

void AddTrackMap(Scene& scene, const CourseMapFrame& f, const TrackMapStore& trackMap) {
    ClippedTrace trace(scene, f, kTrackMapWidth);
    const RoughFrame rough(f);
    for (const TPathRec& path : trackMap.TrackMap) {
        AddSteps(
            trace, rough, path.Elm.size(),
            [&path](size_t i, Float80& lat, Float80& lon) {
                lat = path.Elm[i].Ido;
                lon = path.Elm[i].Kdo;
            },
            [](size_t, Rgb& colour, bool& dotted) {
                colour = kTrackMapGrey;
                dotted = false;
            });
        trace.Flush();
    }
}

void AddScaleBar(Scene& scene, const CourseMapFrame& f, const CourseMapInput& in) {
    const ScaleBar bar = ScaleBarFor(f.zoom, f.BW, in.settings.DistInKm, in.picture);
    scene.Add(SceneLine{{8, f.BH - 8}, {8 + bar.pixels, f.BH - 8}, kBlack});
    scene.Add(MakeText({8, f.BH - 22}, bar.label, kBlack));
}

void AddGates(Scene& scene, const CourseMapFrame& f, const GateTable& gates) {
    for (int k = 0; k < gates.UsedCount(); ++k) {
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        MapPoint a = Raw(f, g.Ido1, g.Kdo1), b = Raw(f, g.Ido2, g.Kdo2);
        bool aMoved = false, bMoved = false;
        if (ClipToMargin(f, a, b, aMoved, bMoved))
            scene.Add(SceneLine{Pixel(f, a), Pixel(f, b), kGateGrey});
    }
}

void AddStartLine(Scene& scene, const CourseMapFrame& f, const TLapElmRec& first) {
    const Float80 r = TruncToPixel(15 * f.zoom);
    const MapPoint raw = Raw(f, first.Ido, first.Kdo);
    if (!Near(f, raw, r + 1))
        return;
    const ScenePoint p = Pixel(f, raw);
    const Float80 h = 360 - Float80(first.Dir);
    scene.Add(SceneLine{PolarOffset(p, h + 90, r), PolarOffset(p, h + 270, r), kBlack});
}

void AddTrace(Scene& scene, const CourseMapFrame& f, const CourseMapInput& in, int slot) {
    const std::vector<TLapElmRec>& elm = in.slots[static_cast<size_t>(slot)].Elm;
    if (elm.empty())
        return;
    if (slot == 0)
        AddStartLine(scene, f, elm.front());
    const Rgb colour = kSlotColours[static_cast<size_t>(slot)];
    const bool decel = in.state.showDecelZones;
    ClippedTrace trace(scene, f, 1);
    const int minSat = in.settings.MinSatNum;
    AddSteps(
        trace, RoughFrame(f), elm.size(),
        [&elm](size_t i, Float80& lat, Float80& lon) {
            lat = elm[i].Ido;
            lon = elm[i].Kdo;
        },
        [&](size_t i, Rgb& c, bool& dotted) {
            c = elm[i].UseSat < minSat ? kLowSatSilver : colour;
            dotted = decel && Float80(elm[i].Spd) < Float80(elm[i - 1].Spd);
        });
}

void AddCar(Scene& scene, ScenePoint p, Float80 heading, Rgb colour, bool driftStyle) {
    scene.Add(SceneEllipse{p.x - 2, p.y - 2, p.x + 3, p.y + 3, colour, std::nullopt});
    const Float80 h = 360 - heading;
    const ScenePoint left = PolarOffset(p, h + 150, 16), right = PolarOffset(p, h + 210, 16);
    if (!driftStyle) {
        scene.Add(Polyline({p, left, right, p}, colour));
        return;
    }
    const ScenePoint tip = PolarOffset(p, h + 180, 17);
    scene.Add(Polyline({left, right, tip, left, right, left}, colour));
    scene.Add(SceneLine{tip, PolarOffset(p, h + 180, 23), colour});
}

void AddCars(Scene& scene, const CourseMapFrame& f, const CourseMapInput& in, int occupied) {
    for (int slot : kSlotPaintOrder) {
        if (slot >= occupied)
            continue;
        const CurSmp& c = in.align.cursor[static_cast<size_t>(slot)];
        const MapPoint raw = Raw(f, c.CsIdo, c.CsKdo);
        if (!Near(f, raw, kCarReach))
            continue;
        const Rgb colour = kSlotColours[static_cast<size_t>(slot)];
        const bool drift = in.slots[static_cast<size_t>(slot)].driftAct;
        if (!drift)
            AddCar(scene, Pixel(f, raw), c.CsDir, colour, false);
        else if (!in.state.showDriftAngle)
            AddCar(scene, Pixel(f, raw), c.CsGpsDir, colour, false);
        else
            AddCar(scene, Pixel(f, raw), c.CsDir, colour, true);
    }
}

void AddPictureTexts(Scene& scene, const CourseMapFrame& f, const CourseMapInput& in,
                     const TextMetrics& metrics, int occupied) {
    constexpr int size = kInspectorFontSize;
    scene.Add(
        MakeText({8, 8}, FormatSeconds(static_cast<double>(in.state.playTime)), kBlack, size));
    const bool kmh = in.settings.SpeedInKmh;
    const int h = metrics.Height("0", size);
    const int distRight = f.BW - 8 - metrics.Width(kmh ? "  999.99km/h" : "  999.99MPH", size);
    int top = f.BH - 8 - h;
    for (int slot : kSlotPaintOrder) {
        if (slot >= occupied)
            continue;
        const CurSmp& c = in.align.cursor[static_cast<size_t>(slot)];
        const Rgb colour = kSlotColours[static_cast<size_t>(slot)];
        scene.Add(MakeText({f.BW - 8, top},
                           FormatSpeed(static_cast<double>(c.CsSpd), kmh) + (kmh ? "km/h" : "MPH"),
                           colour, size, TextAnchor::kTopRight));
        const bool km = in.settings.DistInKm;
        scene.Add(MakeText({distRight, top},
                           FormatDistance(static_cast<double>(c.CsDist), km) + (km ? "km" : "feet"),
                           colour, size, TextAnchor::kTopRight));
        top -= h + 2;
    }
}

// One decimal cut toward zero, so that -0.04 reads 0.0.
double CutToTenth(double v) {
    if (!std::isfinite(v))
        return 0;
    return static_cast<double>(static_cast<long long>(std::clamp(v * 10, -1e15, 1e15))) / 10;
}

const TGCalRec* GRecord(const TLapDtRec& lap, int i) {
    return i >= 0 && static_cast<size_t>(i) < lap.GElm.size() ? &lap.GElm[static_cast<size_t>(i)]
                                                              : nullptr;
}

ScenePoint GPointOf(const TLapDtRec& lap, int i, int GW, int GH, Float80 g) {
    const TGCalRec* r = GRecord(lap, i);
    return r ? GPointPixel(r->lateG3, r->logiG3, GW, GH, g) : GPointPixel(0, 0, GW, GH, g);
}

int TrailLength(const TLapDtRec& lap) {
    if (lap.Elm.size() < 2)
        return 0;
    const Float80 interval = Float80(lap.Elm[1].Sec) - Float80(lap.Elm[0].Sec);
    // Sample times carry rounding from the log's clock.
    constexpr Float80 slack = 1e-6L;
    return interval <= 0.1L + slack ? 20 : interval <= 0.2L + slack ? 10 : 5;
}

}  // namespace

ScenePoint CourseMapFrame::ToPixel(Float80 lat, Float80 lon) const {
    return Pixel(*this, Raw(*this, lat, lon));
}

Point2 CourseMapFrame::FromPixel(int x, int y) const {
    if (BW <= 0 || BH <= 0)
        return {lonC, latC};
    return {lonC - lonSpan / 2 + lonSpan * x / BW, latC - latSpan / 2 + latSpan * (BH - y) / BH};
}

CourseMapFrame CourseMapFrameFor(Float80 latC, Float80 lonC, Float80 zoom, int BW, int BH) {
    CourseMapFrame f;
    f.latC = latC;
    f.lonC = lonC;
    f.zoom = zoom;
    f.BW = BW;
    f.BH = BH;
    const Float80 metresPerDegree = EarthRadius * kDegToRad;
    f.lonSpan = (BW / zoom) / (std::cos(latC * kDegToRad) * metresPerDegree);
    f.latSpan = (BH / zoom) / metresPerDegree;
    return f;
}

CourseMapFrame CourseMapFrameFor(const CourseMapInput& in, int BW, int BH) {
    return CourseMapFrameFor(in.state.mapCentreIdo, in.state.mapCentreKdo, in.state.mapZoom, BW,
                             BH);
}

ScaleBar ScaleBarFor(Float80 zoom, int BW, bool distInKm, bool picture) {
    const Float80 visible = BW / zoom;
    const Float80 w = std::trunc(visible / 5);
    auto rung = [](Float80 v, std::initializer_list<int> ladder, int beyond) {
        for (int step : ladder)
            if (v < step)
                return step;
        return beyond;
    };
    ScaleBar bar;
    const char* suffix = picture ? "  Quorvane" : "";
    if (distInKm) {
        bar.metres = rung(w, {1, 5, 10, 20, 50}, 100);
        bar.label = StrFormat("%.0fm%s", static_cast<double>(bar.metres), suffix);
    } else {
        const int feet = rung(w / kMetresPerFoot, {5, 10, 20, 50, 100, 200}, 500);
        bar.metres = feet * kMetresPerFoot;
        bar.label = StrFormat("%dfeet%s", feet, suffix);
    }
    bar.pixels = TruncToPixel(BW * bar.metres / visible);
    return bar;
}

ScenePoint PolarOffset(ScenePoint from, Float80 a, Float80 r) {
    return {from.x + TruncToPixel(std::sin(a * kDegToRad) * r),
            from.y + TruncToPixel(std::cos(a * kDegToRad) * r)};
}

std::optional<int> NearestSample(const TLapDtRec& lap, Float80 lon, Float80 lat) {
    if (lap.Elm.empty())
        return std::nullopt;
    int best = 0;  // also the answer when no distance is a number
    Float80 bestDist = 99999;
    for (size_t i = 0; i < lap.Elm.size(); ++i) {
        const Float80 d = Dist2D(lon, lat, lap.Elm[i].Kdo, lap.Elm[i].Ido);
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

CourseMapLayers CourseMapLayersOf(const CourseMapInput& in, const TextMetrics& metrics, int BW,
                                  int BH) {
    CourseMapLayers layers{BlankScene(BW, BH), {}};
    Scene& still = layers.still;
    const CourseMapFrame f = CourseMapFrameFor(in, BW, BH);
    const int occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);

    if (occupied > 0 && in.trackMap.TrackMapNum() > 0)
        AddTrackMap(still, f, in.trackMap);
    AddScaleBar(still, f, in);
    Scene over = BlankScene(BW, BH);
    if (occupied > 0) {
        AddGates(still, f, in.gates);
        for (int slot : kSlotPaintOrder)
            if (slot < occupied)
                AddTrace(still, f, in, slot);
        AddCars(over, f, in, occupied);
    }
    if (in.picture)
        AddPictureTexts(over, f, in, metrics, occupied);
    layers.over = std::move(over.items);
    return layers;
}

Scene CourseMapScene(const CourseMapInput& in, const TextMetrics& metrics, int BW, int BH) {
    CourseMapLayers layers = CourseMapLayersOf(in, metrics, BW, BH);
    Scene scene = std::move(layers.still);
    scene.items.insert(scene.items.end(), std::make_move_iterator(layers.over.begin()),
                       std::make_move_iterator(layers.over.end()));
    return scene;
}

std::optional<Float80> CourseMapClick(const CourseMapInput& in, int BW, int BH, int x, int y) {
    if (in.slots.empty() || in.state.playing)
        return std::nullopt;
    const std::vector<TLapElmRec>& elm = in.slots[0].Elm;
    const Point2 click = CourseMapFrameFor(in, BW, BH).FromPixel(x, y);
    const std::optional<int> nearest = NearestSample(in.slots[0], click.x, click.y);
    if (!nearest)
        return std::nullopt;
    const size_t i = static_cast<size_t>(*nearest);
    const Float80 nearestSec = elm[i].Sec;
    if (i == 0 || i + 1 == elm.size())
        return nearestSec;

    auto dist = [&click](const TLapElmRec& e) { return Dist2D(click.x, click.y, e.Kdo, e.Ido); };
    const size_t first = dist(elm[i + 1]) < dist(elm[i - 1]) ? i : i - 1;
    const TLapElmRec& a = elm[first];
    const TLapElmRec& b = elm[first + 1];
    const Float80 ax = a.Kdo, ay = a.Ido;
    const Float80 dx = Float80(b.Kdo) - ax, dy = Float80(b.Ido) - ay;
    const Float80 length2 = dx * dx + dy * dy;
    if (!(length2 > 0) || !std::isfinite(length2))
        return nearestSec;
    const Float80 t =
        std::clamp(((click.x - ax) * dx + (click.y - ay) * dy) / length2, Float80(0), Float80(1));
    const Float80 px = ax + t * dx, py = ay + t * dy;
    const Float80 p = Dist2D(ax, ay, px, py);
    const Float80 n = Dist2D(px, py, b.Kdo, b.Ido);
    const Float80 secA = a.Sec, secB = b.Sec;
    if (p + n == 0)
        return secA;
    const Float80 time = secA + p / (p + n) * (secB - secA);
    return std::isfinite(time) ? time : nearestSec;
}

std::optional<std::string> CourseMapDistanceText(const CourseMapInput& in, int BW, int BH, int x,
                                                 int y) {
    if (in.slots.empty())
        return std::nullopt;
    const Float80 dx = x - Float80(BW) / 2, dy = y - Float80(BH) / 2;
    const Float80 metres = std::sqrt(dx * dx + dy * dy) / in.state.mapZoom;
    if (in.settings.DistInKm)
        return StrFormat("%.1fm", static_cast<double>(metres));
    return StrFormat("%.1ffeet", static_cast<double>(metres / kMetresPerFoot));
}

ScenePoint GPointPixel(Float80 lateralG, Float80 longitudinalG, int GW, int GH, Float80 gScale) {
    const Float80 m = std::min(GW, GH) - 8;
    return {GW / 2 + TruncToPixel(std::nearbyint(m * lateralG / gScale / 2)),
            GH / 2 + TruncToPixel(std::nearbyint(m * longitudinalG / gScale / 2))};
}

std::optional<Scene> GInspectorScene(const CourseMapInput& in, const TextMetrics& metrics, int BW,
                                     int BH, int x, int y, int GW, int GH) {
    if (in.slots.empty() || in.state.playing)
        return std::nullopt;
    Scene scene = BlankScene(GW, GH);
    if (x <= kInspectInset || y <= kInspectInset || x >= BW - kInspectInset ||
        y >= BH - kInspectInset)
        return scene;

    const CourseMapFrame f = CourseMapFrameFor(in, BW, BH);
    const Point2 mouse = f.FromPixel(x, y);
    const Float80 g = GScale(in.state.gZoomStep);
    constexpr int size = kInspectorFontSize;
    const int h = metrics.Height("X=", size);
    const int wx = metrics.Width("X= -9.9 ", size);
    const int wy = metrics.Width(", Y= -9.9 ", size);
    const bool kmh = in.settings.SpeedInKmh;
    const int occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);

    for (int slot = 0; slot < occupied; ++slot) {
        const TLapDtRec& lap = in.slots[static_cast<size_t>(slot)];
        const std::optional<int> i = NearestSample(lap, mouse.x, mouse.y);
        if (!i)
            continue;
        const TLapElmRec& e = lap.Elm[static_cast<size_t>(*i)];
        const ScenePoint at = f.ToPixel(e.Ido, e.Kdo);
        const Float80 sx = at.x - x, sy = at.y - y;
        if (!(std::sqrt(sx * sx + sy * sy) / f.zoom <= kInspectRadiusM))
            continue;

        const Rgb colour = kSlotColours[static_cast<size_t>(slot)];
        const TGCalRec* r = GRecord(lap, *i);
        const double lateG = r ? r->lateG3 : 0, logiG = r ? r->logiG3 : 0;
        const double spd = r ? (kmh ? r->spd2 : r->spd2 / kKmhPerMph) : 0;
        const int line = 4 + slot * (h + 2);
        auto text = [&](int left, std::string s) {
            scene.Add(MakeText({left, line}, std::move(s), colour, size));
        };
        text(4, StrFormat("X= %4.1f", CutToTenth(lateG)));
        text(4 + wx, StrFormat(", Y= %4.1f", CutToTenth(logiG)));
        text(4 + wx + wy, StrFormat(kmh ? ", %5.1fkm/h" : ", %5.1fMPH", CutToTenth(spd)));
        if (slot > 1)
            continue;

        const ScenePoint p = GPointOf(lap, *i, GW, GH, g);
        scene.Add(SceneEllipse{p.x - 5, p.y - 5, p.x + 6, p.y + 6, std::nullopt, colour, 2});
        ScenePolyline trail;
        trail.width = 2;
        trail.points.push_back(p);
        for (int j = *i - 1; j >= std::max(0, *i - TrailLength(lap)); --j)
            trail.points.push_back(GPointOf(lap, j, GW, GH, g));
        trail.colours.assign(trail.points.size() - 1, slot == 0 ? kHoverTrailA : kHoverTrailB);
        if (trail.points.size() > 1)
            scene.Add(std::move(trail));
    }
    return scene;
}

}  // namespace qv
