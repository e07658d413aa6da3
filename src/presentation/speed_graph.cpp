#include "presentation/speed_graph.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/display_format.h"
#include "presentation/slot_colours.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

constexpr Float80 kFeetPerKm = 1 / static_cast<Float80>(kKmPerFoot);
constexpr Float80 kMetresPerFoot = 0.3048L;

struct Frame {
    SpeedGraphLayout layout;
    XWindow window;
    Float80 playbackEnd = 0;
    Float80 longestDist = 0;
    Float80 lowest = 0, highest = 0;  // km/h
    int occupied = 0;
    // Each slot's sample positions on the x axis and their columns, shared
    // by the slot's speed, G and drift traces.
    struct Columns {
        std::vector<Float80> pos;
        std::vector<int> x;
    };
    std::array<Columns, kLapSlots> columns;
};

Frame FrameFor(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth, int boxHeight) {
    Frame f;
    f.layout = SpeedGraphLayoutFor(metrics, boxWidth, boxHeight);
    f.playbackEnd = in.align.MaxAlignedTim;
    f.longestDist = in.state.extremes.LapDist;
    f.lowest = in.state.extremes.MinSpd;
    f.highest = in.state.extremes.MaxSpd;
    f.occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
    const Float80 full = XAxisFull(in.state.xAxis, f.playbackEnd, f.longestDist);
    const Float80 cursor =
        XAxisCursor(in.state.xAxis, in.state.playTime, in.align.cursor[0].CsDist);
    f.window = XWindowFor(full, in.state.xZoom, cursor);
    return f;
}

SceneText Text(ScenePoint at, std::string text, Rgb colour,
               TextAnchor anchor = TextAnchor::kTopLeft, int fontSize = kViewFontSize) {
    return MakeText(at, std::move(text), colour, fontSize, anchor);
}

bool InWindow(const XWindow& w, Float80 v) {
    return v >= w.start && v <= w.start + w.span;
}

Float80 SamplePosition(const SpeedGraphInput& in, const TLapElmRec& e, int slot) {
    if (in.state.xAxis == XAxisMode::kTime)
        return Float80(e.Sec) - in.align.SlotTimOfs[slot];
    return Float80(e.Dist) - in.align.SlotDistOfs[slot];
}

void AddSpeedLabels(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    const bool kmh = in.settings.SpeedInKmh;
    std::string unit = kmh ? "km/h" : "MPH";
    if (in.picture)
        unit = kmh ? "km/h    Quorvane" : "MPH     Quorvane";
    scene.Add(Text({4, 2}, unit, kBlack));
    const Float80 factor = kmh ? 1 : 1 / static_cast<Float80>(kKmhPerMph);
    scene.Add(
        Text({4, g.T + 2}, StrFormat("%5.1f", static_cast<double>(f.highest * factor)), kBlack));
    scene.Add(Text({4, g.T + g.H - g.h - 2},
                   StrFormat("%5.1f", static_cast<double>(f.lowest * factor)), kBlack));

    const Float80 low = f.lowest * factor, high = f.highest * factor;
    const int step = SpeedGridStep(high - low, kmh);
    for (int k = TruncToPixel(low) / step + 1; k <= TruncToPixel(high) / step; ++k) {
        const int y = SpeedToY(g, k * step / factor, f.lowest, f.highest);
        scene.Add(SceneLine{{g.L + 1, y}, {g.L + g.W, y}, kGridGrey});
    }
}

void AddXGrid(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    const bool km = in.settings.DistInKm;
    const XGridStep grid = XGridStepFor(in.state.xAxis, km, f.window.span);
    if (!(grid.step > 0))
        return;
    const Float80 start = f.window.start * grid.unitsPerAxisUnit;
    const Float80 end = (f.window.start + f.window.span) * grid.unitsPerAxisUnit;
    const Float80 first = std::trunc((start + grid.step) / grid.step) * grid.step;
    // Stepping by multiplication keeps a 0.1 km ladder from drifting.
    const Float80 tolerance = grid.step * 1e-9L;
    for (int i = 0;; ++i) {
        const Float80 value = first + i * grid.step;
        if (value > end + tolerance)
            break;
        const int x = XToPixel(f.window, value / grid.unitsPerAxisUnit, g.L, g.W);
        scene.Add(SceneLine{{x, g.T}, {x, g.T + g.H}, kGridGrey});
        scene.Add(Text({x, g.T + g.H + 2}, XGridLabel(in.state.xAxis, km, grid.step, value),
                       kAxisLabelGrey, TextAnchor::kTopCentre));
    }
}

void AddGateMarks(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    const int gates = std::min(in.gateCount, kMaxSectors);
    auto mark = [&](Float80 value, Rgb colour, bool label, int gate) {
        if (!InWindow(f.window, value))
            return;
        const int x = XToPixel(f.window, value, g.L, g.W);
        scene.Add(SceneLine{{x, g.T}, {x, g.T + g.H}, colour, 1, true});
        if (label)
            scene.Add(Text({x, g.T + g.H + 2}, StrFormat("[S%d] ", gate + 1), colour,
                           TextAnchor::kTopCentre));
    };
    if (in.state.xAxis == XAxisMode::kDistance) {
        for (int j = 0; j < gates; ++j)
            mark(in.sectors[0].SectPassDist[j], kBlack, true, j);
        return;
    }
    for (int slot = f.occupied - 1; slot >= 0; --slot)
        for (int j = 0; j < gates; ++j)
            mark(in.sectors[slot].SectPassTim[j] - in.align.SlotTimOfs[slot], kSlotColours[slot],
                 slot == 0, j);
}

void AddOriginMark(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    std::optional<int> x;
    const int gate = in.align.AlignGate;
    if (gate == 0) {
        if (f.window.start <= 0)
            x = g.L;
    } else if (gate >= 1 && gate <= kMaxSectors) {
        const SectRes& a = in.sectors[0];
        const Float80 value =
            in.state.xAxis == XAxisMode::kTime ? a.SectPassTim[gate - 1] : a.SectPassDist[gate - 1];
        if (InWindow(f.window, value))
            x = XToPixel(f.window, value, g.L, g.W);
    }
    if (x)
        scene.Add(ScenePolygon{{{*x, g.T - 1}, {*x - 3, g.T - 8}, {*x + 3, g.T - 8}}, kBlack});
}

// One connected line over samples [begin, end) of a slot, windowed as the
// speed trace is: at zoom 1 from the first sample at or after the origin
// to the end, zoomed from the first one inside the window to the last one
// inside it. `yOf(i)` is a sample's row, `colourOf(i)` the colour of the
// step that ends at it. With `pinToLeft` the first point of an unzoomed
// line stands on the plot's left edge whatever its position.
void FillColumns(Frame& f, const SpeedGraphInput& in) {
    for (int slot = 0; slot < f.occupied; ++slot) {
        const std::vector<TLapElmRec>& elm = in.slots[slot].Elm;
        Frame::Columns& c = f.columns[slot];
        c.pos.resize(elm.size());
        c.x.resize(elm.size());
        for (std::size_t i = 0; i < elm.size(); ++i) {
            c.pos[i] = SamplePosition(in, elm[i], slot);
            c.x[i] = XToPixel(f.window, c.pos[i], f.layout.L, f.layout.W);
        }
    }
}

template <class YOf, class ColourOf>
void AddWindowedTrace(Scene& scene, const Frame& f, int slot, std::size_t begin, std::size_t end,
                      YOf yOf, ColourOf colourOf, int width, bool pinToLeft = false) {
    const Frame::Columns& c = f.columns[slot];
    end = std::min(end, c.pos.size());
    const Float80 from = f.window.zoomed ? f.window.start : 0;
    const Float80 to = f.window.start + f.window.span;
    ScenePolyline line;
    line.width = width;
    for (std::size_t i = begin; i < end; ++i) {
        const Float80 pos = c.pos[i];
        if (line.points.empty() && pos < from)
            continue;
        if (f.window.zoomed && pos > to)
            break;
        int x = c.x[i];
        if (line.points.empty()) {
            line.points.reserve(end - i);
            line.colours.reserve(end - i);
            if (pinToLeft && !f.window.zoomed)
                x = f.layout.L;
        } else {
            line.colours.push_back(colourOf(i));
        }
        line.points.push_back({x, yOf(i)});
    }
    if (line.points.size() > 1)
        scene.Add(std::move(line));
}

void AddSpeedTrace(Scene& scene, const SpeedGraphInput& in, const Frame& f, int slot, int width) {
    const std::vector<TLapElmRec>& elm = in.slots[slot].Elm;
    const int minSat = in.settings.MinSatNum;
    AddWindowedTrace(
        scene, f, slot, 0, elm.size(),
        [&](std::size_t i) { return SpeedToY(f.layout, elm[i].Spd, f.lowest, f.highest); },
        [&](std::size_t i) { return elm[i].UseSat < minSat ? kLowSatSilver : kSlotColours[slot]; },
        width);
}

// The right-margin labels all start here.
int OverlayLabelX(const SpeedGraphLayout& g) {
    return g.L + g.W + 4;
}

SceneText RightLabel(const SpeedGraphLayout& g, int y, std::string text,
                     TextAnchor anchor = TextAnchor::kTopLeft) {
    return Text({OverlayLabelX(g), y}, std::move(text), kBlack, anchor);
}

void AddPlotRule(Scene& scene, const SpeedGraphLayout& g, int y, Rgb colour, bool dotted) {
    scene.Add(SceneLine{{g.L, y}, {g.L + g.W, y}, colour, 1, dotted});
}

// The time difference of slot B against slot A along A's distance; false
// when it cannot be shown, so that the next overlay takes the margin.
bool AddTimeDiff(Scene& scene, const SpeedGraphInput& in, const TextMetrics& metrics,
                 const Frame& f) {
    const AlignState& a = in.align;
    if (in.state.xAxis != XAxisMode::kDistance || !in.state.showTimeDiff || f.occupied < 2 ||
        f.longestDist == 0 || f.playbackEnd == 0 || a.DiffMax == a.DiffMin)
        return false;
    const SpeedGraphLayout& g = f.layout;
    const Float80 dmin = a.DiffMin, dmax = a.DiffMax;
    auto yOf = [&](Float80 d) {
        return g.T + g.H - TruncToPixel(g.H * (d - dmin) / (dmax - dmin));
    };
    const int hl = metrics.Height("99.9", kViewFontSize);
    const int bottomLabelY = g.T + g.H - hl - 2;
    scene.Add(RightLabel(g, 2, "sec"));
    scene.Add(RightLabel(g, g.T + 2,
                         StrFormat(dmax >= 100 ? "%.1f" : "%.2f", static_cast<double>(dmax))));
    const char* lowFormat = dmin > -10 ? "%.2f" : dmin > -100 ? "%.1f" : "%.0f";
    scene.Add(RightLabel(g, bottomLabelY, StrFormat(lowFormat, static_cast<double>(dmin))));
    const int y0 = yOf(0);
    if (g.T + hl + 2 < y0 - hl / 2 && y0 + hl / 2 < bottomLabelY)
        scene.Add(RightLabel(g, y0, "0.00", TextAnchor::kCentreLeft));
    AddPlotRule(scene, g, y0, kBlack, false);

    const std::vector<Float80>& diff = a.DiffArr;
    AddWindowedTrace(
        scene, f, 0, 0, diff.size(), [&](std::size_t i) { return yOf(diff[i]); },
        [](std::size_t) { return kBlack; }, 1);
    return true;
}

void AddGScale(Scene& scene, const SpeedGraphInput& in, const TextMetrics& metrics,
               const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    const Float80 scale = GScale(in.state.gZoomStep);
    const GGraphItem item = in.state.gGraphItem;
    const int upper = g.T + g.H / 4, lower = g.T + 3 * g.H / 4;
    scene.Add(RightLabel(g, 2, "G"));
    const std::string top = StrFormat("%.2f", static_cast<double>(scale));
    scene.Add(RightLabel(g, upper, top, TextAnchor::kCentreLeft));
    if (item == GGraphItem::kXYG) {
        scene.Add(RightLabel(g, lower, "0.0", TextAnchor::kCentreLeft));
        return;
    }
    const std::string bottom = StrFormat("%.2f", static_cast<double>(-scale));
    scene.Add(RightLabel(g, lower, bottom, TextAnchor::kCentreLeft));
    scene.Add(RightLabel(g, g.T + g.H / 2, "0.0", TextAnchor::kCentreLeft));
    if (item != GGraphItem::kXG)
        return;
    // Which way a lateral G pulls: left above the scale, right below it.
    const char* left = "\u5de6";
    const char* right = "\u53f3";
    const int topH = metrics.Height(top, kViewFontSize);
    const int bottomH = metrics.Height(bottom, kViewFontSize);
    const int sideH = metrics.Height(left, kSideLabelFontSize);
    const int x = OverlayLabelX(g);
    scene.Add(Text({x, upper - topH / 2 - sideH}, left, kAxisLabelGrey, TextAnchor::kTopLeft,
                   kSideLabelFontSize));
    scene.Add(Text({x, lower - bottomH / 2 + bottomH}, right, kAxisLabelGrey, TextAnchor::kTopLeft,
                   kSideLabelFontSize));
}

bool AnyDriftLap(const SpeedGraphInput& in, const Frame& f) {
    for (int slot = 0; slot < f.occupied; ++slot)
        if (in.slots[slot].driftAct)
            return true;
    return false;
}

void AddDriftScale(Scene& scene, const SpeedGraphInput& in, const TextMetrics& metrics,
                   const Frame& f) {
    if (!AnyDriftLap(in, f))
        return;
    const SpeedGraphLayout& g = f.layout;
    const int middle = g.T + g.H / 2;
    AddPlotRule(scene, g, middle, kOverlayGrey, true);
    const int zeroH = metrics.Height("0", kViewFontSize);
    const int driftH = metrics.Height("DRIFT", kViewFontSize);
    scene.Add(RightLabel(g, middle - zeroH / 2 - driftH, "DRIFT"));
    scene.Add(RightLabel(g, middle, "0", TextAnchor::kCentreLeft));
    if (in.state.showElevation)
        return;
    scene.Add(RightLabel(g, g.T - metrics.Height("deg", kViewFontSize), "deg"));
    scene.Add(RightLabel(g, g.T + 2, "90"));
    scene.Add(RightLabel(g, g.T + g.H - g.h - 2, "-90"));
}

void AddElevation(Scene& scene, const SpeedGraphInput& in, const Frame& f, bool withScale) {
    const DisplayExtremes& x = in.state.extremes;
    const Float80 emin = x.ElvLo, emax = x.ElvHi;
    if (emax == emin || f.longestDist == 0 || f.playbackEnd == 0)
        return;
    const SpeedGraphLayout& g = f.layout;
    if (withScale) {
        const bool metres = in.settings.DistInKm;
        const Float80 metresPerUnit = metres ? 1 : kMetresPerFoot;
        const Float80 high = emax / metresPerUnit, low = emin / metresPerUnit;
        const int size = !metres && high > 9999 ? kSideLabelFontSize : kViewFontSize;
        scene.Add(RightLabel(g, 2, metres ? "m" : "feet"));
        scene.Add(Text({OverlayLabelX(g), g.T + 2}, StrFormat("%.0f", static_cast<double>(high)),
                       kBlack, TextAnchor::kTopLeft, size));
        scene.Add(Text({OverlayLabelX(g), g.T + g.H - 14},
                       StrFormat("%.0f", static_cast<double>(low)), kBlack, TextAnchor::kTopLeft,
                       size));
    }
    const std::vector<TLapElmRec>& elm = in.slots[0].Elm;
    AddWindowedTrace(
        scene, f, 0, 0, elm.size(),
        [&](std::size_t i) {
            return g.T + g.H - TruncToPixel(g.H * (Float80(elm[i].Elv) - emin) / (emax - emin));
        },
        [](std::size_t) { return kOverlayGrey; }, 1);
}

// The right margin carries one overlay's scale: time difference, G, drift
// or elevation, the first that applies.
void AddOverlayLayer(Scene& scene, const SpeedGraphInput& in, const TextMetrics& metrics,
                     const Frame& f) {
    const bool diff = AddTimeDiff(scene, in, metrics, f);
    const bool gScale = !diff && in.state.showGGraph;
    if (gScale)
        AddGScale(scene, in, metrics, f);
    else if (!diff && in.state.showDriftAngle)
        AddDriftScale(scene, in, metrics, f);
    if (in.state.showElevation)
        AddElevation(scene, in, f, !diff && !gScale);
}

Float80 GValue(GGraphItem item, const TGCalRec& r) {
    switch (item) {
        case GGraphItem::kXG:
            return r.lateG3;
        case GGraphItem::kYG:
            return r.logiG3;
        case GGraphItem::kXYG:
            break;
    }
    return r.XYG;
}

void AddGOverlay(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    const SpeedGraphLayout& g = f.layout;
    const GGraphItem item = in.state.gGraphItem;
    AddPlotRule(scene, g, g.T + g.H / 4, kOverlayGrey, true);
    AddPlotRule(scene, g, g.T + 3 * g.H / 4, kOverlayGrey, true);
    if (item != GGraphItem::kXYG)
        AddPlotRule(scene, g, g.T + g.H / 2, kOverlayGrey, true);
    if (f.longestDist == 0 || f.playbackEnd == 0)
        return;
    const Float80 scale = GScale(in.state.gZoomStep);
    for (int slot : kSlotPaintOrder) {
        if (slot >= f.occupied)
            continue;
        const std::vector<TGCalRec>& rec = in.slots[slot].GElm;
        // The first and last samples have no G of their own.
        const std::size_t n = std::min(rec.size(), in.slots[slot].Elm.size());
        if (n < 3)
            continue;
        AddWindowedTrace(
            scene, f, slot, 1, n - 1,
            [&](std::size_t i) { return GToY(g, item, scale, GValue(item, rec[i])); },
            [&](std::size_t) { return kSlotPaleColours[slot]; }, kOverlayTraceWidth);
    }
}

// True when a trace was asked for, which leaves the pen at 1 px again.
bool AddDriftOverlay(Scene& scene, const SpeedGraphInput& in, const Frame& f) {
    bool any = false;
    for (int slot : kSlotPaintOrder) {
        if (slot >= f.occupied || !in.slots[slot].driftAct)
            continue;
        any = true;
        if (f.longestDist == 0 || f.playbackEnd == 0)
            continue;
        const std::vector<TDriftRec>& rec = in.slots[slot].DElm;
        AddWindowedTrace(
            scene, f, slot, 0, rec.size(),
            [&](std::size_t i) { return DriftToY(f.layout, rec[i].DAngle); },
            [&](std::size_t) { return kSlotPaleColours[slot]; }, kOverlayTraceWidth, true);
    }
    return any;
}

}  // namespace

SpeedGraphLayout SpeedGraphLayoutFor(const TextMetrics& metrics, int boxWidth, int boxHeight) {
    SpeedGraphLayout g;
    g.h = metrics.Height("999.9", kViewFontSize);
    const int w5 = metrics.Width("999.9", kViewFontSize);
    const int w4 = metrics.Width("9999", kViewFontSize);
    g.L = w5 + 8;
    g.T = g.h + 2;
    g.W = boxWidth - (w5 + w4 + 16);
    g.H = boxHeight - (2 * g.h + 4);
    return g;
}

int SpeedToY(const SpeedGraphLayout& layout, Float80 kmh, Float80 lowest, Float80 highest) {
    const int bottom = layout.T + layout.H;
    if (!(highest > lowest))
        return bottom;
    return bottom - TruncToPixel(layout.H * (kmh - lowest) / (highest - lowest));
}

int GToY(const SpeedGraphLayout& layout, GGraphItem item, Float80 g, Float80 value) {
    const int lower = layout.T + 3 * layout.H / 4;
    if (item == GGraphItem::kXYG)
        return lower - TruncToPixel(layout.H * value / (2 * g));
    return lower - TruncToPixel(layout.H * (g + value) / (4 * g));
}

int DriftToY(const SpeedGraphLayout& layout, Float80 degrees) {
    return layout.T + layout.H - TruncToPixel(layout.H * (degrees + 90) / 180);
}

int SpeedGridStep(Float80 range, bool speedInKmh) {
    if (range > 500)
        return 100;
    if (speedInKmh && range > 200)
        return 20;
    if (range > 10)
        return 10;
    return 1;
}

XGridStep XGridStepFor(XAxisMode mode, bool distInKm, Float80 span) {
    struct Rung {
        Float80 upTo, step;
    };
    auto pick = [&span](std::initializer_list<Rung> rungs, Float80 beyond) {
        for (const Rung& r : rungs)
            if (span <= r.upTo)
                return r.step;
        return beyond;
    };
    if (mode == XAxisMode::kTime)
        return {pick({{60, 10}, {300, 30}, {600, 60}, {1800, 300}, {7200, 600}}, 3600), 1};
    if (distInKm)
        return {
            pick({{1, 0.1L}, {5, 0.5L}, {10, 1}, {20, 2}, {50, 5}, {100, 10}, {200, 20}, {500, 50}},
                 100),
            1};
    span *= kFeetPerKm;
    return {pick({{1000, 100},
                  {5000, 500},
                  {10000, 1000},
                  {20000, 2000},
                  {50000, 5000},
                  {100000, 10000},
                  {200000, 20000},
                  {500000, 50000},
                  {1000000, 100000}},
                 200000),
            kFeetPerKm};
}

std::string XGridLabel(XAxisMode mode, bool distInKm, Float80 step, Float80 value) {
    if (mode == XAxisMode::kTime) {
        const long long s = std::llround(value);
        if (step <= 60)
            return StrFormat("%d:%.2d", static_cast<int>(s / 60), static_cast<int>(s % 60));
        return StrFormat("%d:%.2d", static_cast<int>(s / 3600), static_cast<int>(s % 3600 / 60));
    }
    if (distInKm)
        return StrFormat("%.1fkm", static_cast<double>(value));
    return StrFormat("%.0f", static_cast<double>(value));
}

Scene SpeedGraphScene(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                      int boxHeight) {
    Scene scene = BlankScene(boxWidth, boxHeight);
    Frame f = FrameFor(in, metrics, boxWidth, boxHeight);
    if (in.slots.empty() || f.highest == f.lowest || f.longestDist == 0)
        return scene;
    FillColumns(f, in);

    const SpeedGraphLayout& g = f.layout;
    const int r = g.L + g.W, b = g.T + g.H;
    scene.Add(ScenePolyline{{{g.L, g.T}, {r, g.T}, {r, b}, {g.L, b}, {g.L, g.T}},
                            std::vector<Rgb>(4, kPlotFrameGrey),
                            1,
                            {}});

    AddSpeedLabels(scene, in, f);
    AddXGrid(scene, in, f);
    AddGateMarks(scene, in, f);
    AddOriginMark(scene, in, f);
    AddOverlayLayer(scene, in, metrics, f);

    // The overlays leave their 2 px pen to the speed traces unless a drift
    // trace set it back.
    int traceWidth = 1;
    if (in.state.showGGraph) {
        AddGOverlay(scene, in, f);
        traceWidth = kOverlayTraceWidth;
    }
    if (in.state.showDriftAngle && AddDriftOverlay(scene, in, f))
        traceWidth = 1;

    if (f.playbackEnd != 0)
        for (int slot : kSlotPaintOrder)
            if (slot < f.occupied)
                AddSpeedTrace(scene, in, f, slot, traceWidth);
    return scene;
}

Scene SpeedGraphCursor(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                       int boxHeight) {
    Scene scene = BlankScene(boxWidth, boxHeight);
    if (in.slots.empty())
        return scene;
    const Frame f = FrameFor(in, metrics, boxWidth, boxHeight);
    const SpeedGraphLayout& g = f.layout;
    const Float80 cursor =
        XAxisCursor(in.state.xAxis, in.state.playTime, in.align.cursor[0].CsDist);
    const int x = XToPixel(f.window, cursor, g.L, g.W);
    const bool time = in.state.xAxis == XAxisMode::kTime;
    scene.Add(SceneLine{{x, g.h + 2}, {x, boxHeight - g.h - 1}, time ? kBlack : Rgb{255, 0, 0}});
    return scene;
}

std::optional<Float80> SpeedGraphClick(const SpeedGraphInput& in, const TextMetrics& metrics,
                                       int boxWidth, int boxHeight, int x, int y) {
    if (in.slots.empty())
        return std::nullopt;
    const Frame f = FrameFor(in, metrics, boxWidth, boxHeight);
    const SpeedGraphLayout& g = f.layout;
    if (x < g.L || x > g.L + g.W || y < g.T || y > g.T + g.H || g.W <= 0)
        return std::nullopt;
    const Float80 value = PixelToX(f.window, x, g.L, g.W);
    if (in.state.xAxis == XAxisMode::kTime)
        return value;

    const std::vector<TLapElmRec>& elm = in.slots[0].Elm;
    if (elm.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < elm.size(); ++i) {
        const Float80 dist = elm[i].Dist;
        if (dist == value)
            return Float80(elm[i].Sec);
        if (dist > value) {
            if (i == 0)
                return Float80(elm[0].Sec);
            const Float80 d0 = elm[i - 1].Dist, t0 = elm[i - 1].Sec, t1 = elm[i].Sec;
            return t0 + (t1 - t0) * (value - d0) / (dist - d0);
        }
    }
    return Float80(elm.back().Sec);
}

}  // namespace qv
