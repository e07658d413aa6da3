#include "presentation/speed_graph.h"

#include <cmath>

#include "core/display_format.h"
#include "presentation/slot_colours.h"

namespace qv {
namespace {

constexpr Float80 kFeetPerKm = 1 / static_cast<Float80>(kKmPerFoot);

struct Frame {
    SpeedGraphLayout layout;
    XWindow window;
    Float80 playbackEnd = 0;
    Float80 longestDist = 0;
    Float80 lowest = 0, highest = 0;  // km/h
};

Frame FrameFor(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth, int boxHeight) {
    Frame f;
    f.layout = SpeedGraphLayoutFor(metrics, boxWidth, boxHeight);
    f.playbackEnd = in.align.MaxAlignedTim;
    f.longestDist = in.state.extremes.LapDist;
    f.lowest = in.state.extremes.MinSpd;
    f.highest = in.state.extremes.MaxSpd;
    const Float80 full = XAxisFull(in.state.xAxis, f.playbackEnd, f.longestDist);
    const Float80 cursor =
        XAxisCursor(in.state.xAxis, in.state.playTime, in.align.cursor[0].CsDist);
    f.window = XWindowFor(full, in.state.xZoom, cursor);
    return f;
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
    scene.Add(SceneText{{4, 2}, unit, kBlack});
    const Float80 factor = kmh ? 1 : 1 / static_cast<Float80>(kKmhPerMph);
    scene.Add(SceneText{
        {4, g.T + 2}, StrFormat("%5.1f", static_cast<double>(f.highest * factor)), kBlack});
    scene.Add(SceneText{{4, g.T + g.H - g.h - 2},
                        StrFormat("%5.1f", static_cast<double>(f.lowest * factor)),
                        kBlack});

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
        scene.Add(SceneText{{x, g.T + g.H + 2},
                            XGridLabel(in.state.xAxis, km, grid.step, value),
                            kAxisLabelGrey,
                            kViewFontSize,
                            TextAnchor::kTopCentre});
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
            scene.Add(SceneText{{x, g.T + g.H + 2},
                                StrFormat("[S%d] ", gate + 1),
                                colour,
                                kViewFontSize,
                                TextAnchor::kTopCentre});
    };
    if (in.state.xAxis == XAxisMode::kDistance) {
        for (int j = 0; j < gates; ++j)
            mark(in.sectors[0].SectPassDist[j], kBlack, true, j);
        return;
    }
    const int occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
    for (int slot = occupied - 1; slot >= 0; --slot)
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

void AddSpeedTrace(Scene& scene, const SpeedGraphInput& in, const Frame& f, int slot) {
    const SpeedGraphLayout& g = f.layout;
    const std::vector<TLapElmRec>& elm = in.slots[slot].Elm;
    const Float80 from = f.window.zoomed ? f.window.start : 0;
    const Float80 to = f.window.start + f.window.span;
    ScenePolyline line;
    for (const TLapElmRec& e : elm) {
        const Float80 pos = SamplePosition(in, e, slot);
        if (line.points.empty() && pos < from)
            continue;
        if (f.window.zoomed && pos > to)
            break;
        if (!line.points.empty())
            line.colours.push_back(e.UseSat < in.settings.MinSatNum ? kLowSatSilver
                                                                    : kSlotColours[slot]);
        line.points.push_back(
            {XToPixel(f.window, pos, g.L, g.W), SpeedToY(g, e.Spd, f.lowest, f.highest)});
    }
    if (line.points.size() > 1)
        scene.Add(std::move(line));
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
    Scene scene;
    scene.width = boxWidth;
    scene.height = boxHeight;
    scene.background = kWhite;
    const Frame f = FrameFor(in, metrics, boxWidth, boxHeight);
    if (in.slots.empty() || f.highest == f.lowest || f.longestDist == 0)
        return scene;

    const SpeedGraphLayout& g = f.layout;
    const int r = g.L + g.W, b = g.T + g.H;
    scene.Add(ScenePolyline{{{g.L, g.T}, {r, g.T}, {r, b}, {g.L, b}, {g.L, g.T}},
                            std::vector<Rgb>(4, kPlotFrameGrey)});

    AddSpeedLabels(scene, in, f);
    AddXGrid(scene, in, f);
    AddGateMarks(scene, in, f);
    AddOriginMark(scene, in, f);

    const int occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);

    if (f.playbackEnd != 0)
        for (int slot : kSlotPaintOrder)
            if (slot < occupied)
                AddSpeedTrace(scene, in, f, slot);
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
