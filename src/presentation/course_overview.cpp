#include "presentation/course_overview.h"

#include <algorithm>
#include <cmath>

#include "presentation/axis_window.h"
#include "presentation/course_map.h"
#include "presentation/slot_colours.h"

namespace qv {
namespace {

constexpr int kGridMargin = 49;
constexpr int kStartLineHalf = 8;
constexpr int kGateHalfMin = 8;
constexpr int kGateWidth = 3;
constexpr int kDotRadius = 4;

struct FPoint {
    Float80 x = 0, y = 0;
};

Float80 Ratio(Float80 v, Float80 lo, Float80 hi) {
    return (v - lo) / (hi - lo);
}

// The exact position of a point before truncation, for the gate marks.
FPoint Raw(const OverviewFit& fit, Float80 lat, Float80 lon) {
    return {fit.left + fit.uw * Ratio(lon, fit.lonMin, fit.lonMax),
            fit.top + fit.uh - fit.uh * Ratio(lat, fit.latMin, fit.latMax)};
}

int Occupied(const CourseOverviewInput& in) {
    return std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
}

void AddGrid(Scene& scene, const OverviewFit& fit) {
    const int right = fit.ox + fit.gw - 1, bottom = fit.oy + fit.gh - 1;
    if (fit.gw <= 0 || fit.gh <= 0)
        return;
    ScenePolyline frame;
    frame.points = {
        {fit.ox, fit.oy}, {right, fit.oy}, {right, bottom}, {fit.ox, bottom}, {fit.ox, fit.oy}};
    frame.colours.assign(4, kOverviewGridGrey);
    scene.Add(std::move(frame));
    for (int x = fit.ox + kOverviewGridStep; x < fit.ox + fit.gw; x += kOverviewGridStep)
        scene.Add(SceneLine{{x, fit.oy}, {x, bottom}, kOverviewGridGrey});
    for (int y = fit.oy + kOverviewGridStep; y < fit.oy + fit.gh; y += kOverviewGridStep)
        scene.Add(SceneLine{{fit.ox, y}, {right, y}, kOverviewGridGrey});
}

void AddGates(Scene& scene, const OverviewFit& fit, const GateTable& gates) {
    for (int k = 0; k < gates.UsedCount(); ++k) {
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        const FPoint a = Raw(fit, g.Ido1, g.Kdo1), b = Raw(fit, g.Ido2, g.Kdo2);
        const Float80 dx = b.x - a.x, dy = b.y - a.y;
        const Float80 length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0) || !std::isfinite(length))
            continue;
        const Float80 half = std::max<Float80>(kGateHalfMin, length / 2);
        const FPoint mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const Float80 ux = dx / length * half, uy = dy / length * half;
        scene.Add(SceneLine{{TruncToPixel(mid.x - ux), TruncToPixel(mid.y - uy)},
                            {TruncToPixel(mid.x + ux), TruncToPixel(mid.y + uy)},
                            kGateGrey,
                            kGateWidth});
    }
}

void AddTrace(Scene& scene, const OverviewFit& fit, const TLapDtRec& lap, int slot) {
    if (lap.Elm.empty())
        return;
    if (slot == 0) {
        const TLapElmRec& first = lap.Elm.front();
        const ScenePoint p = fit.ToPixel(first.Ido, first.Kdo);
        const Float80 h = 360 - Float80(first.Dir);
        scene.Add(SceneLine{PolarOffset(p, h + 90, kStartLineHalf),
                            PolarOffset(p, h + 270, kStartLineHalf), kBlack});
    }
    ScenePolyline line;
    line.points.reserve(lap.Elm.size());
    for (const TLapElmRec& e : lap.Elm)
        line.points.push_back(fit.ToPixel(e.Ido, e.Kdo));
    if (line.points.size() < 2)
        return;
    line.colours.assign(line.points.size() - 1, kSlotColours[static_cast<size_t>(slot)]);
    scene.Add(std::move(line));
}

void AddBackgroundItems(Scene& scene, const CourseOverviewInput& in, const OverviewFit& fit) {
    AddGrid(scene, fit);
    const int occupied = Occupied(in);
    if (occupied > 0)
        AddGates(scene, fit, in.gates);
    for (int slot : kSlotPaintOrder)
        if (slot < occupied)
            AddTrace(scene, fit, in.slots[static_cast<size_t>(slot)], slot);
}

void AddCarItems(Scene& scene, const CourseOverviewInput& in, const OverviewFit& fit) {
    const int occupied = Occupied(in);
    for (int slot : kSlotPaintOrder) {
        if (slot >= occupied)
            continue;
        const CurSmp& c = in.align.cursor[static_cast<size_t>(slot)];
        const ScenePoint p = fit.ToPixel(c.CsIdo, c.CsKdo);
        scene.Add(SceneEllipse{p.x - kDotRadius, p.y - kDotRadius, p.x + kDotRadius,
                               p.y + kDotRadius, kSlotColours[static_cast<size_t>(slot)],
                               std::nullopt});
    }
}

OverviewFit FitOf(const CourseOverviewInput& in, int W, int H) {
    return OverviewFitFor(in.state.extremes, in.state.mapOrigin, W, H);
}

}  // namespace

ScenePoint OverviewFit::ToPixel(Float80 lat, Float80 lon) const {
    return {left + TruncToPixel(uw * Ratio(lon, lonMin, lonMax)),
            top + uh - TruncToPixel(uh * Ratio(lat, latMin, latMax))};
}

Point2 OverviewFit::FromPixel(int x, int y) const {
    Point2 p{lonMin, latMin};
    if (uw > 0)
        p.x += Float80(x - left) / uw * (lonMax - lonMin);
    if (uh > 0)
        p.y += Float80(top + uh - y) / uh * (latMax - latMin);
    return p;
}

OverviewFit OverviewFitFor(const DisplayExtremes& extremes, Float80 originLat, int W, int H) {
    OverviewFit fit;
    fit.gw = std::max(0, (W - kGridMargin) / kOverviewGridStep * kOverviewGridStep);
    fit.gh = std::max(0, (H - kGridMargin) / kOverviewGridStep * kOverviewGridStep);
    fit.ox = (W - fit.gw) / 2;
    fit.oy = (H - fit.gh) / 2;
    fit.latMin = extremes.IdoMin;
    fit.latMax = extremes.IdoMax;
    fit.lonMin = extremes.KdoMin;
    fit.lonMax = extremes.KdoMax;

    const Float80 metresPerDegree = EarthRadius * kPi / 180;
    const Float80 ns = metresPerDegree * (fit.latMax - fit.latMin);
    const Float80 ew =
        std::cos(originLat * kPi / 180) * metresPerDegree * (fit.lonMax - fit.lonMin);
    if (fit.gh < TruncToPixel(ns / ew * fit.gw)) {
        fit.uw = TruncToPixel(ew / ns * fit.gh);
        fit.uh = fit.gh;
        fit.left = fit.ox + (fit.gw - fit.uw) / 2;
        fit.top = fit.oy;
    } else {
        fit.uw = fit.gw;
        fit.uh = TruncToPixel(ns / ew * fit.gw);
        fit.left = fit.ox;
        fit.top = fit.oy + (fit.gh - fit.uh) / 2;
    }
    return fit;
}

Scene CourseOverviewBackground(const CourseOverviewInput& in, int W, int H) {
    Scene scene = BlankScene(W, H);
    AddBackgroundItems(scene, in, FitOf(in, W, H));
    return scene;
}

Scene CourseOverviewCars(const CourseOverviewInput& in, int W, int H) {
    Scene scene = BlankScene(W, H);
    AddCarItems(scene, in, FitOf(in, W, H));
    return scene;
}

Scene CourseOverviewPicture(const CourseOverviewInput& in, int W, int H) {
    Scene scene = BlankScene(W, H);
    scene.Add(MakeText({8, 8}, "Quorvane", kBlack));
    const OverviewFit fit = FitOf(in, W, H);
    AddBackgroundItems(scene, in, fit);
    AddCarItems(scene, in, fit);
    return scene;
}

std::optional<Float80> CourseOverviewClick(const CourseOverviewInput& in, int W, int H, int x,
                                           int y) {
    if (in.slots.empty())
        return std::nullopt;
    const Point2 at = FitOf(in, W, H).FromPixel(x, y);
    const std::optional<int> i = NearestSample(in.slots[0], at.x, at.y);
    if (!i)
        return std::nullopt;
    return Float80(in.slots[0].Elm[static_cast<size_t>(*i)].Sec);
}

}  // namespace qv
