#include "presentation/g_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/display_format.h"
#include "presentation/axis_window.h"
#include "presentation/slot_colours.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

constexpr int kBackgroundFontSize = kViewFontSize;

// A label of the turn-radius scale on the ring of `onG`.
struct RadiusLabel {
    int metres = 0;
    int onG = 0;  // hundredths of G
};

// Rings and labels of one zoom step, in hundredths of G; 0 ends a list.
struct StepRings {
    std::array<int, 5> grey{};
    std::array<int, 3> lightGrey{};
    int dotted = 0;
    std::array<int, 4> gLabels{};
    std::array<RadiusLabel, 2> radiusLabels{};
};

constexpr std::array<StepRings, kGZoomStepCount> kStepRings{{
    {{10, 20, 30, 40, 50}, {}, 0, {10, 20, 30, 40}, {{{120, 20}, {240, 40}}}},
    {{50, 100}, {25, 75, 125}, 120, {50, 100}, {{{100, 50}, {200, 100}}}},
    {{50, 100, 150}, {}, 120, {100, 150}, {{{150, 100}, {225, 150}}}},
    {{100, 150, 200}, {50}, 0, {100, 200}, {{{120, 100}, {240, 200}}}},
    {{100, 150, 200, 250}, {50}, 0, {100, 200}, {{{109, 100}, {218, 200}}}},
    {{100, 200, 300}, {50, 150, 250}, 0, {100, 200}, {{{86, 100}, {171, 200}}}},
    {{100, 200, 300, 400, 500}, {}, 0, {100, 200, 300, 400}, {{{120, 200}, {240, 400}}}},
}};

// The bar's full scale and its middle label per step, in hundredths of G;
// the middle tick always stands at half the full scale.
constexpr std::array<int, kGZoomStepCount> kBarFullScale{50, 150, 200, 300, 350, 400, 600};

constexpr int kBarPitch = 16;

// Truncation toward zero that ignores the last bits of a product, so that
// 16 x cos 300 degrees counts as 8 and not as 7.
int TruncSteady(Float80 v) {
    return TruncToPixel(std::round(v * 1e6L) / 1e6L);
}

Float80 CutToTenth(Float80 v) {
    return TruncSteady(v * 10) / 10.0L;
}

int StepOf(int step) {
    return std::clamp(step, kGZoomStepMin, kGZoomStepMax);
}

int HundredthsOf(Float80 g) {
    return static_cast<int>(std::lround(static_cast<double>(g * 100)));
}

SceneEllipse Circle(int cx, int cy, int r, Rgb colour) {
    return SceneEllipse{cx - r, cy - r, cx + r, cy + r, std::nullopt, colour};
}

SceneText ReadoutText(ScenePoint at, std::string text, Rgb colour) {
    return MakeText(at, std::move(text), colour, kGReadoutFontSize, TextAnchor::kTopLeft, kWhite);
}

int Occupied(const GViewInput& in) {
    return std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
}

void AddLabels(Scene& scene, const GViewGeometry& geo, const TextMetrics& metrics) {
    const int th = metrics.Height("X", kBackgroundFontSize);
    const int tw = metrics.Width("X", kBackgroundFontSize);
    const int cx = geo.cx, cy = geo.cy, r0 = geo.r0;
    auto text = [&](int x, int y, const char* s, TextAnchor anchor = TextAnchor::kTopLeft) {
        scene.Add(MakeText({x, y}, s, kBlack, kBackgroundFontSize, anchor));
    };
    text(cx - r0, cy - th, "X");
    text(cx - tw - 2, cy - r0, "Y");
    text(cx - r0, cy + 2, "Right");
    text(cx - r0, cy + th + 2, "Turn");
    text(cx + r0 - tw, cy + 2, "Left");
    text(cx + 4, cy - r0, "Deceleration");
    text(cx + 4, cy + r0 - th, "Acceleration");
    text(cx - 2, cy + r0 - th, "R Of Turn", TextAnchor::kTopRight);
}

void AddScaleLabels(Scene& scene, const GViewGeometry& geo, const StepRings& rings) {
    for (int v : rings.gLabels) {
        if (v == 0)
            break;
        scene.Add(MakeText({geo.cx + 4, geo.cy + GRingRadius(geo, v)},
                           StrFormat("%.1fG", v / 100.0), kBlack, kBackgroundFontSize));
    }
    for (const RadiusLabel& label : rings.radiusLabels)
        scene.Add(MakeText({geo.cx - 2, geo.cy + GRingRadius(geo, label.onG)},
                           StrFormat("%dm", label.metres), kBlack, kBackgroundFontSize,
                           TextAnchor::kTopRight));
}

void AddScatter(Scene& scene, const GViewGeometry& geo, const TLapDtRec& lap,
                const std::vector<int>& samples, Rgb colour) {
    for (int i : samples) {
        const TGCalRec& g = lap.GElm[static_cast<std::size_t>(i)];
        const ScenePoint p = GToPixel(geo, g.lateG3, g.logiG3);
        scene.Add(SceneEllipse{p.x - 2, p.y - 2, p.x + 2, p.y + 2, std::nullopt, colour});
    }
}

void AddRingsAndAxes(Scene& scene, const GViewGeometry& geo, const StepRings& rings) {
    for (int v : rings.lightGrey)
        if (v != 0)
            scene.Add(Circle(geo.cx, geo.cy, GRingRadius(geo, v), kGRingLightGrey));
    for (int v : rings.grey)
        if (v != 0)
            scene.Add(Circle(geo.cx, geo.cy, GRingRadius(geo, v), kGRingGrey));
    if (rings.dotted != 0) {
        const int r = GRingRadius(geo, rings.dotted);
        // The display list has no dotted ellipse: a closed dotted polyline.
        constexpr int kSegments = 180;
        ScenePolyline ring;
        ring.points.reserve(kSegments + 1);
        for (int k = 0; k <= kSegments; ++k) {
            const Float80 a = 2 * std::numbers::pi_v<Float80> * k / kSegments;
            ring.points.push_back({geo.cx + static_cast<int>(std::lround(r * std::cos(a))),
                                   geo.cy + static_cast<int>(std::lround(r * std::sin(a)))});
        }
        ring.colours.assign(kSegments, kGRingGrey);
        ring.dotted.assign(kSegments, true);
        scene.Add(std::move(ring));
    }
    scene.Add(SceneLine{{geo.cx - geo.r0 - 4, geo.cy}, {geo.cx + geo.r0 + 4, geo.cy}, kGRingGrey});
    scene.Add(SceneLine{{geo.cx, geo.cy - geo.r0 - 4}, {geo.cx, geo.cy + geo.s}, kGRingGrey});
}

void AddBackground(Scene& scene, const GViewInput& in, const GViewGeometry& geo,
                   const TextMetrics& metrics) {
    const StepRings& rings = kStepRings[static_cast<std::size_t>(geo.step)];
    scene.Add(Circle(geo.cx, geo.cy, geo.r0, kGRingLightGrey));
    AddLabels(scene, geo, metrics);
    AddScaleLabels(scene, geo, rings);
    const int occupied = Occupied(in);
    // Every slot's dots are counted before any is added, so that the list
    // is sized once rather than moved again for each slot.
    std::array<std::vector<int>, kSlotPaintOrder.size()> samples;
    std::size_t dots = 0;
    for (std::size_t k = 0; k < kSlotPaintOrder.size(); ++k)
        if (kSlotPaintOrder[k] < occupied) {
            samples[k] = GScatterSamples(in.slots[static_cast<std::size_t>(kSlotPaintOrder[k])]);
            dots += samples[k].size();
        }
    constexpr std::size_t kRingsAndAxes = 16;
    scene.items.reserve(scene.items.size() + dots + kRingsAndAxes);
    for (std::size_t k = 0; k < kSlotPaintOrder.size(); ++k) {
        const auto slot = static_cast<std::size_t>(kSlotPaintOrder[k]);
        if (kSlotPaintOrder[k] < occupied)
            AddScatter(scene, geo, in.slots[slot], samples[k], kGScatterColours[slot]);
    }
    AddRingsAndAxes(scene, geo, rings);
}

// The dot at the slot's G and, for a radius the scale can show, a
// triangle on the vertical axis pointing at it from the left.
void AddCursorMarks(Scene& scene, const GViewGeometry& geo, const GCursorValues& v, Rgb colour) {
    const ScenePoint p = GToPixel(geo, v.lateG, v.logiG);
    scene.Add(SceneEllipse{p.x - 5, p.y - 5, p.x + 5, p.y + 5, colour, kBlack});
    if (v.radius > kGRadiusShownMax)
        return;
    const int yr = TurnRadiusToY(geo, v.radius);
    auto corner = [&](Float80 degrees) {
        const Float80 a = degrees * std::numbers::pi_v<Float80> / 180;
        return ScenePoint{geo.cx + TruncSteady(16 * std::sin(a)),
                          yr + TruncSteady(16 * std::cos(a))};
    };
    const ScenePoint upper = corner(240), lower = corner(300);
    scene.Add(SceneRect{geo.cx, yr, geo.cx + 1, yr + 1, colour});
    scene.Add(ScenePolygon{{{geo.cx - 1, yr}, upper, lower}, colour, false, 2});
    scene.Add(SceneLine{{upper.x, upper.y - 1}, {lower.x, lower.y + 1}, colour, 2});
}

void AddBars(Scene& scene, const GViewInput& in, const GViewGeometry& geo) {
    const int W = geo.width;
    const int q = GBarFullHeight(geo.height);
    const int occupied = Occupied(in);
    int p = 0;
    for (int slot : kSlotPaintOrder) {
        if (slot >= occupied)
            continue;
        const int b = -kBarPitch * p++;
        const GCursorValues v =
            GCursorValuesOf(in.align.cursor[static_cast<std::size_t>(slot)], in.state.xAxis);
        const GBarHeights h = GBarHeightsFor(geo.height, geo.step, v.lateG, v.logiG);
        const Rgb colour = kSlotColours[static_cast<std::size_t>(slot)];
        const Rgb fill = v.logiG > 0 ? kGScatterColours[static_cast<std::size_t>(slot)] : colour;
        scene.Add(SceneRect{W + b - 17, 0, W + b - 1, h.total + 4, kWhite});
        scene.Add(SceneRect{W + b - 16, 2, W + b - 2, h.longitudinal + 2, fill});
        scene.Add(ScenePolygon{
            {{W + b - 16, 2}, {W + b - 3, 2}, {W + b - 3, 2 + h.total}, {W + b - 16, 2 + h.total}},
            colour,
            false});
    }
    const int x0 = W - 4 - kBarPitch * p;
    scene.Add(ScenePolyline{{{x0 - 4, 2}, {x0, 2}, {x0, 2 + q}, {x0 - 5, 2 + q}},
                            {kGRingGrey, kGRingGrey, kGRingGrey},
                            1,
                            {}});
    scene.Add(SceneLine{{x0 - 4, 2 + q / 2}, {x0, 2 + q / 2}, kGRingGrey});
    auto label = [&](int y, std::string s) {
        scene.Add(MakeText({x0 - 1, y}, std::move(s), kGRingGrey, kBackgroundFontSize,
                           TextAnchor::kTopRight, kWhite));
    };
    label(3, "XY-G");
    label(3 + q / 2, GBarMiddleLabel(geo.step));
}

// "R= 150m" lines of the slots with a radius, A first, above the bottom.
void AddTextLines(Scene& scene, const GViewInput& in, const GViewGeometry& geo,
                  const TextMetrics& metrics) {
    const int hx = metrics.Height("X=", kGReadoutFontSize);
    const int occupied = Occupied(in);
    const int speedX = 4 + metrics.Width("R= 999m", kGReadoutFontSize);
    int y = geo.height - hx - 3 - occupied * (hx + 2);
    for (int slot = 0; slot < occupied; ++slot) {
        const GCursorValues v =
            GCursorValuesOf(in.align.cursor[static_cast<std::size_t>(slot)], in.state.xAxis);
        if (!(v.radius > 0))
            continue;
        const Rgb colour = kSlotColours[static_cast<std::size_t>(slot)];
        const int r = TruncToPixel(v.radius);
        scene.Add(ReadoutText(
            {4, y}, r > kGRadiusFullScale ? std::string("R= -------") : StrFormat("R= %3dm", r),
            colour));
        scene.Add(ReadoutText({speedX, y},
                              StrFormat(", %5.1fkm/h", static_cast<double>(CutToTenth(v.speed))),
                              colour));
        const Float80 xy = std::sqrt(v.lateG * v.lateG + v.logiG * v.logiG);
        SceneText g = ReadoutText(
            {geo.width - 4, y},
            StrFormat("X= %4.1f, Y= %4.1f, XY= %3.1f", static_cast<double>(CutToTenth(v.lateG)),
                      static_cast<double>(CutToTenth(v.logiG)),
                      static_cast<double>(CutToTenth(xy))),
            colour);
        g.anchor = TextAnchor::kTopRight;
        scene.Add(std::move(g));
        y += hx + 2;
    }
}

struct PointerReading {
    Float80 x = 0, y = 0;
    std::optional<int> radius;  // m, only below the centre and within range
};

PointerReading ReadPointer(const GViewGeometry& geo, ScenePoint mouse) {
    const int dx = mouse.x - geo.cx, dy = mouse.y - geo.cy;
    const Float80 half = geo.s / 2.0L;
    PointerReading r;
    if (!(half > 0))
        return r;
    r.x = CutToTenth(dx / half * geo.g);
    r.y = CutToTenth(dy / half * geo.g);
    const Float80 radius = dy / half * kGRadiusFullScale;
    if (dy > 0 && radius <= kGRadiusShownMax)
        r.radius = TruncToPixel(radius);
    return r;
}

}  // namespace

GViewGeometry GViewGeometryFor(int width, int height, int gZoomStep) {
    GViewGeometry geo;
    geo.width = width;
    geo.height = height;
    geo.s = std::max(0, std::min(width - 8, height - 8));
    geo.cx = width / 2;
    geo.cy = height / 2;
    geo.r0 = geo.s / 2;
    geo.step = StepOf(gZoomStep);
    geo.g = GScale(geo.step);
    return geo;
}

ScenePoint GToPixel(const GViewGeometry& geo, Float80 lateG, Float80 logiG) {
    auto offset = [&](Float80 v) {
        const Float80 px = geo.s * v / geo.g / 2;
        return std::isfinite(static_cast<double>(px)) ? TruncToPixel(std::round(px)) : 0;
    };
    return {geo.cx + offset(lateG), geo.cy + offset(logiG)};
}

int TurnRadiusToY(const GViewGeometry& geo, Float80 radius) {
    const Float80 px = geo.s * radius / kGRadiusFullScale / 2;
    return geo.cy + (std::isfinite(static_cast<double>(px)) ? TruncToPixel(std::round(px)) : 0);
}

int GRingRadius(const GViewGeometry& geo, int hundredthsG) {
    return geo.s * hundredthsG / (2 * HundredthsOf(geo.g));
}

bool GScatterThinned(const TLapDtRec& lap) {
    if (!(lap.LapDist > 7.5L) || lap.Elm.size() < 3)
        return false;
    Float80 least = 0;
    bool any = false;
    for (std::size_t i = 2; i < lap.Elm.size(); ++i) {
        const Float80 d = Float80(lap.Elm[i].Sec) - Float80(lap.Elm[i - 1].Sec);
        if (!any || d < least)
            least = d;
        any = true;
    }
    // Logged times carry rounding from their milliseconds: 10 Hz is 0.1 s.
    return least <= 0.1L + 1e-6L;
}

std::vector<int> GScatterSamples(const TLapDtRec& lap) {
    const int n = static_cast<int>(std::min(lap.Elm.size(), lap.GElm.size()));
    std::vector<int> out;
    if (n < 3)
        return out;
    const int lastButOne = n - 2;
    if (GScatterThinned(lap)) {
        out.reserve(static_cast<std::size_t>(n / 2 + 1));
        for (int i = 1; i <= lastButOne; i += 2)
            out.push_back(i);
        if (out.back() != lastButOne)
            out.push_back(lastButOne);
    } else {
        out.reserve(static_cast<std::size_t>(lastButOne));
        for (int i = 1; i <= lastButOne; ++i)
            out.push_back(i);
    }
    return out;
}

GCursorValues GCursorValuesOf(const CurSmp& smp, XAxisMode axis) {
    if (axis == XAxisMode::kDistance)
        return {smp.CsLateG3D, smp.CsLogiG3D, smp.CsR23D, smp.CsSpdD};
    return {smp.CsLateG3, smp.CsLogiG3, smp.CsR23, smp.CsSpd};
}

int GBarFullHeight(int boxHeight) {
    return boxHeight / 3 - 2;
}

Float80 GBarFullScale(int gZoomStep) {
    return kBarFullScale[static_cast<std::size_t>(StepOf(gZoomStep))] / 100.0L;
}

std::string GBarMiddleLabel(int gZoomStep) {
    const int half = kBarFullScale[static_cast<std::size_t>(StepOf(gZoomStep))] / 2;
    // "0.25", "0.75" and "1.75" keep both decimals, the others one.
    return half % 10 == 0 ? StrFormat("%.1f", half / 100.0) : StrFormat("%.2f", half / 100.0);
}

GBarHeights GBarHeightsFor(int boxHeight, int gZoomStep, Float80 lateG, Float80 logiG) {
    const int q = GBarFullHeight(boxHeight);
    const Float80 f = GBarFullScale(gZoomStep);
    Float80 e = std::sqrt(lateG * lateG + logiG * logiG);
    if (!(e <= f))
        e = std::isnan(static_cast<double>(e)) ? 0 : f;
    const Float80 sum = std::fabs(lateG) + std::fabs(logiG);
    const Float80 share = sum > 0 ? std::fabs(logiG) / sum : 0;
    return {TruncToPixel(q * e / f), TruncToPixel(q * e / f * share)};
}

Scene GBackgroundScene(const GViewInput& in, const TextMetrics& metrics, int width, int height) {
    Scene scene = BlankScene(width, height);
    AddBackground(scene, in, GViewGeometryFor(width, height, in.state.gZoomStep), metrics);
    return scene;
}

GCursorLayer GCursorScene(const GViewInput& in, const TextMetrics& metrics, int width, int height,
                          std::optional<ScenePoint> mouse) {
    GCursorLayer layer;
    layer.scene = BlankScene(width, height);
    Scene& scene = layer.scene;
    const GViewGeometry geo = GViewGeometryFor(width, height, in.state.gZoomStep);
    const int occupied = Occupied(in);
    layer.positionNoteShown = in.state.xAxis == XAxisMode::kDistance && occupied >= 2;
    if (occupied >= 1)
        AddBars(scene, in, geo);
    for (int slot : kSlotPaintOrder)
        if (slot < occupied)
            AddCursorMarks(
                scene, geo,
                GCursorValuesOf(in.align.cursor[static_cast<std::size_t>(slot)], in.state.xAxis),
                kSlotColours[static_cast<std::size_t>(slot)]);
    if (mouse && mouse->x >= 0 && mouse->y >= 0 && mouse->x < width && mouse->y < height) {
        const PointerReading r = ReadPointer(geo, *mouse);
        scene.Add(ReadoutText(
            {4, 4},
            StrFormat("X= %3.1f , Y= %3.1f   ", static_cast<double>(r.x), static_cast<double>(r.y)),
            kBlack));
        if (r.radius)
            scene.Add(ReadoutText({4, metrics.Height("X=", kGReadoutFontSize) + 8},
                                  StrFormat("R= %dm   ", *r.radius), kBlack));
    }
    AddTextLines(scene, in, geo, metrics);
    return layer;
}

Scene GMouseReadoutScene(const GViewInput& in, const TextMetrics& metrics, int width, int height,
                         ScenePoint mouse) {
    Scene scene = BlankScene(width, height);
    const GViewGeometry geo = GViewGeometryFor(width, height, in.state.gZoomStep);
    const PointerReading r = ReadPointer(geo, mouse);
    scene.Add(ReadoutText(
        {4, 4},
        StrFormat("X= %4.1f , Y= %4.1f   ", static_cast<double>(r.x), static_cast<double>(r.y)),
        kBlack));
    scene.Add(ReadoutText({4, metrics.Height("X=", kGReadoutFontSize) + 8},
                          r.radius ? StrFormat("R= %dm   ", *r.radius) : std::string(25, ' '),
                          kBlack));
    return scene;
}

Scene GPictureScene(const GViewInput& in, const TextMetrics& metrics, int width, int height) {
    Scene scene = BlankScene(width, height);
    const int occupied = Occupied(in);
    if (occupied == 0)
        return scene;
    const GViewGeometry geo = GViewGeometryFor(width, height, in.state.gZoomStep);
    AddBackground(scene, in, geo, metrics);
    scene.Add(MakeText({geo.cx - geo.s / 2, geo.cy - geo.s / 2}, "Quorvane", kBlack,
                       kBackgroundFontSize));
    for (int slot : kSlotPaintOrder)
        if (slot < occupied)
            AddCursorMarks(
                scene, geo,
                GCursorValuesOf(in.align.cursor[static_cast<std::size_t>(slot)], in.state.xAxis),
                kSlotColours[static_cast<std::size_t>(slot)]);
    return scene;
}

}  // namespace qv
