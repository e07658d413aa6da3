#include "presentation/lap_time_plot.h"

#include <algorithm>
#include <cmath>

#include "dynamics/consistency.h"
#include "geometry/sector_timing.h"
#include "presentation/speed_graph.h"

namespace qv {
namespace {

constexpr int kFontSize = 8;
constexpr int kMargin = 6;
constexpr int kDotRadius = 2;
constexpr int kBestRadius = 5;
// Steps of the time grid, seconds; the first that leaves room for labels.
constexpr double kTickSteps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 30, 60, 120, 300, 600};
const char* const kTitle = "Lap times";

int ToY(const LapTimePlotLayout& l, double seconds) {
    const double span = l.highSeconds - l.lowSeconds;
    const double r = span > 0 ? (seconds - l.lowSeconds) / span : 0.5;
    const double y = l.bottom - 1 - r * (l.bottom - 1 - l.top);
    return static_cast<int>(std::clamp(y, static_cast<double>(l.top), l.bottom - 1.0));
}

}  // namespace

LapTimePlotLayout LapTimePlotLayoutFor(const std::vector<double>& lapSeconds,
                                       const TextMetrics& metrics, int width, int height) {
    LapTimePlotLayout l;
    const int textH = metrics.Height("0:00.0", kFontSize);
    double best = 0;
    for (const double t : lapSeconds) {
        if (t > 0 && (best == 0 || t < best))
            best = t;
    }
    double slowest = best;
    for (const double t : lapSeconds) {
        if (t > 0 && t <= best * kFlyingLapRatio)
            slowest = std::max(slowest, t);
    }
    const double pad = std::max((slowest - best) * 0.1, 0.2);
    l.lowSeconds = best - pad;
    l.highSeconds = slowest + pad;

    l.top = kMargin + textH + 2;
    l.bottom = height - kMargin - textH - 2;
    l.right = width - kMargin;
    // The widest time label decides the left margin.
    l.left = kMargin + metrics.Width(FormatSectTime(l.highSeconds), kFontSize) + 4;
    if (best <= 0 || l.right - l.left < 2 || l.bottom - l.top < 2)
        return l;

    for (const double step : kTickSteps) {
        const double span = l.highSeconds - l.lowSeconds;
        if (span / step * (textH + 4) > l.bottom - l.top)
            continue;
        for (double s = std::ceil(l.lowSeconds / step) * step; s <= l.highSeconds; s += step)
            l.ticks.push_back({ToY(l, s), s, FormatSectTime(s)});
        break;
    }

    const int n = static_cast<int>(lapSeconds.size());
    const double pitch = static_cast<double>(l.right - l.left) / std::max(n, 1);
    for (int k = 0; k < n; ++k) {
        const double t = lapSeconds[static_cast<size_t>(k)];
        if (t <= 0)
            continue;
        LapTimePoint p;
        p.lap = k;
        p.at.x = l.left + static_cast<int>((k + 0.5) * pitch);
        p.aboveScale = t > l.highSeconds;
        p.at.y = ToY(l, t);
        if (t == best && l.best < 0)
            l.best = static_cast<int>(l.points.size());
        l.points.push_back(p);
    }
    return l;
}

Scene LapTimePlotScene(const std::vector<double>& lapSeconds, const std::vector<std::string>& names,
                       const TextMetrics& metrics, int width, int height) {
    Scene scene = BlankScene(width, height);
    const LapTimePlotLayout l = LapTimePlotLayoutFor(lapSeconds, metrics, width, height);
    scene.Add(MakeText({kMargin, kMargin}, kTitle, kBlack, kFontSize));
    if (l.points.empty() || l.right - l.left < 2 || l.bottom - l.top < 2)
        return scene;
    for (const LapTimeTick& tick : l.ticks) {
        scene.Add(SceneLine{{l.left, tick.y}, {l.right - 1, tick.y}, kGridGrey});
        scene.Add(MakeText({l.left - 4, tick.y}, tick.label, kAxisLabelGrey, kFontSize,
                           TextAnchor::kTopRight));
    }
    scene.Add(ScenePolygon{{{l.left, l.top},
                            {l.right - 1, l.top},
                            {l.right - 1, l.bottom - 1},
                            {l.left, l.bottom - 1}},
                           kPlotFrameGrey,
                           false});

    // Lap numbers under the axis, as many as fit side by side.
    int lastLabelRight = l.left - 1000;
    for (const LapTimePoint& p : l.points) {
        const std::string& name =
            static_cast<size_t>(p.lap) < names.size() ? names[static_cast<size_t>(p.lap)] : "";
        const int w = metrics.Width(name, kFontSize);
        if (name.empty() || p.at.x - w / 2 <= lastLabelRight + 4)
            continue;
        scene.Add(MakeText({p.at.x, l.bottom + 2}, name, kAxisLabelGrey, kFontSize,
                           TextAnchor::kTopCentre));
        lastLabelRight = p.at.x + w / 2;
    }

    ScenePolyline trace;
    for (const LapTimePoint& p : l.points) {
        if (p.aboveScale) {
            if (trace.points.size() > 1)
                scene.Add(trace);
            trace = ScenePolyline{};
            continue;
        }
        if (!trace.points.empty())
            trace.colours.push_back(kLapTimeDotColour);
        trace.points.push_back(p.at);
    }
    if (trace.points.size() > 1)
        scene.Add(trace);

    for (const LapTimePoint& p : l.points) {
        const int r = kDotRadius;
        SceneEllipse dot{p.at.x - r, p.at.y - r, p.at.x + r + 1, p.at.y + r + 1};
        if (p.aboveScale)
            dot.outline = kLapTimeSlowColour;
        else
            dot.fill = kLapTimeDotColour;
        scene.Add(dot);
    }
    if (l.best >= 0) {
        const LapTimePoint& b = l.points[static_cast<size_t>(l.best)];
        const int r = kBestRadius;
        scene.Add(SceneEllipse{b.at.x - r, b.at.y - r, b.at.x + r + 1, b.at.y + r + 1,
                               kLapTimeBestColour, kLapTimeBestColour});
        const std::string label = "best " + FormatSectTime(lapSeconds[static_cast<size_t>(b.lap)]);
        const int w = metrics.Width(label, kFontSize);
        const int x = std::clamp(b.at.x + r + 2, l.left, std::max(l.left, l.right - w - 2));
        const int y = std::max(l.top + 1, b.at.y - r - metrics.Height(label, kFontSize));
        scene.Add(MakeText({x, y}, label, kLapTimeBestColour, kFontSize));
    }
    return scene;
}

}  // namespace qv
