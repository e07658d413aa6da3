#include "presentation/progress_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace qv {
namespace {

constexpr int kMargin = 6;
constexpr int kTickLength = 4;
constexpr int kDotRadius = 3;
constexpr int kMaxTimeTicks = 6;
constexpr double kMinSpanSec = 0.5;

// Tick steps in seconds that read well as lap times.
constexpr std::array<double, 14> kTimeSteps{0.1, 0.2, 0.5, 1,   2,   5,   10,
                                            15,  30,  60,  120, 300, 600, 1800};

double TickStep(double span) {
    for (const double step : kTimeSteps)
        // Rounding the ends out to whole steps may add one tick at each end.
        if (span / step <= kMaxTimeTicks - 2)
            return step;
    return kTimeSteps.back() * std::ceil(span / (kTimeSteps.back() * (kMaxTimeTicks - 2)));
}

std::string TimeLabel(double seconds, double step) {
    // Whole-second steps need no decimals; finer steps one.
    std::string text = FormatSeconds(seconds);  // n:ss.zzz
    const size_t dot = text.rfind('.');
    if (dot == std::string::npos)
        return text;
    return step >= 1 ? text.substr(0, dot) : text.substr(0, dot + 2);
}

std::string DateLabel(TDateTime date) {
    return FormatDateTime("yyyy/mm/dd", date);
}

void DrawDot(Scene& scene, ScenePoint p, Rgb colour, int radius, bool filled) {
    SceneEllipse dot;
    dot.left = p.x - radius;
    dot.top = p.y - radius;
    dot.right = p.x + radius + 1;
    dot.bottom = p.y + radius + 1;
    if (filled)
        dot.fill = colour;
    dot.outline = colour;
    scene.Add(dot);
}

}  // namespace

ProgressChartLayout LayOutProgressChart(std::span<const ProgressPoint> points,
                                        const TextMetrics& metrics, int width, int height) {
    ProgressChartLayout layout;
    if (points.empty())
        return layout;
    double fastest = points[0].bestLapSec, slowest = fastest;
    TDateTime first = points[0].date, last = first;
    for (const ProgressPoint& p : points) {
        for (const double v : {p.bestLapSec, p.bestFiveAverageSec}) {
            fastest = std::min(fastest, v);
            slowest = std::max(slowest, v);
        }
        first = std::min(first, p.date);
        last = std::max(last, p.date);
    }
    if (slowest - fastest < kMinSpanSec) {
        const double middle = (slowest + fastest) / 2;
        fastest = middle - kMinSpanSec / 2;
        slowest = middle + kMinSpanSec / 2;
    }
    const double step = TickStep(slowest - fastest);
    layout.fastSec = std::floor(fastest / step) * step;
    layout.slowSec = std::ceil(slowest / step) * step;
    if (layout.fastSec < 0)
        layout.fastSec = 0;

    int labelWidth = 0;
    std::vector<double> tickValues;
    const long steps = std::lround((layout.slowSec - layout.fastSec) / step);
    for (long i = 0; i <= steps; ++i) {
        const double v = layout.fastSec + static_cast<double>(i) * step;
        tickValues.push_back(v);
        labelWidth = std::max(labelWidth, metrics.Width(TimeLabel(v, step), kViewFontSize));
    }
    const int textHeight = metrics.Height("0", kViewFontSize);
    layout.left = kMargin + labelWidth + kTickLength + 2;
    layout.top = kMargin + textHeight + kMargin;
    layout.right = width - kMargin - metrics.Width(DateLabel(last), kViewFontSize) / 2;
    layout.bottom = height - kMargin - textHeight - kTickLength - 2;
    if (layout.right - layout.left < 10 || layout.bottom - layout.top < 10)
        return layout;  // too small to draw anything but the message
    layout.empty = false;

    const double plotHeight = layout.bottom - layout.top;
    const auto y = [&](double sec) {
        const double r = (sec - layout.fastSec) / (layout.slowSec - layout.fastSec);
        return layout.bottom - static_cast<int>(std::lround(r * plotHeight));
    };
    const double plotWidth = layout.right - layout.left;
    const double days = last - first;
    const auto x = [&](TDateTime date) {
        if (days <= 0)
            return layout.left + static_cast<int>(std::lround(plotWidth / 2));
        return layout.left + static_cast<int>(std::lround((date - first) / days * plotWidth));
    };
    for (const double v : tickValues)
        layout.timeTicks.push_back({y(v), TimeLabel(v, step)});
    layout.dateTicks.push_back({x(first), DateLabel(first)});
    if (days > 0)
        layout.dateTicks.push_back({x(last), DateLabel(last)});

    for (size_t i = 0; i < points.size(); ++i) {
        layout.best.push_back({x(points[i].date), y(points[i].bestLapSec)});
        layout.average.push_back({x(points[i].date), y(points[i].bestFiveAverageSec)});
        if (!layout.record || points[i].bestLapSec < points[*layout.record].bestLapSec)
            layout.record = i;
    }
    return layout;
}

Scene ProgressChartScene(const ProgressChartLayout& layout, const TextMetrics& metrics, int width,
                         int height) {
    Scene scene = BlankScene(width, height);
    if (layout.empty) {
        scene.Add(MakeText({width / 2, height / 2}, kProgressNoData, kBlack, kViewFontSize,
                           TextAnchor::kCentre));
        return scene;
    }
    for (const ProgressTick& t : layout.timeTicks) {
        scene.Add(SceneLine{{layout.left, t.at}, {layout.right, t.at}, kProgressGridColour});
        scene.Add(SceneLine{{layout.left - kTickLength, t.at}, {layout.left, t.at}, kBlack});
        // Beside its tick, its middle at the tick's height.
        const int half = metrics.Height(t.label, kViewFontSize) / 2;
        scene.Add(MakeText({layout.left - kTickLength - 2, t.at - half}, t.label, kBlack,
                           kViewFontSize, TextAnchor::kTopRight));
    }
    for (const ProgressTick& t : layout.dateTicks) {
        scene.Add(SceneLine{{t.at, layout.bottom}, {t.at, layout.bottom + kTickLength}, kBlack});
        scene.Add(MakeText({t.at, layout.bottom + kTickLength + 2}, t.label, kBlack, kViewFontSize,
                           TextAnchor::kTopCentre));
    }
    scene.Add(SceneLine{{layout.left, layout.top}, {layout.left, layout.bottom}, kBlack});
    scene.Add(SceneLine{{layout.left, layout.bottom}, {layout.right, layout.bottom}, kBlack});

    // Lines join the sessions in date order, whatever order they came in.
    std::vector<size_t> order(layout.best.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return layout.best[a].x < layout.best[b].x; });
    const auto line = [&](const std::vector<ScenePoint>& marks, Rgb colour, int lineWidth) {
        if (marks.size() < 2)
            return;
        ScenePolyline poly;
        for (const size_t i : order)
            poly.points.push_back(marks[i]);
        poly.colours.assign(poly.points.size() - 1, colour);
        poly.width = lineWidth;
        scene.Add(std::move(poly));
    };
    line(layout.average, kProgressAverageColour, 1);
    line(layout.best, kProgressBestColour, 2);
    for (const ScenePoint p : layout.average)
        DrawDot(scene, p, kProgressAverageColour, kDotRadius - 1, false);
    for (const ScenePoint p : layout.best)
        DrawDot(scene, p, kProgressBestColour, kDotRadius, true);
    if (layout.record)
        DrawDot(scene, layout.best[*layout.record], kProgressRecordColour, kDotRadius + 2, false);

    // The legend along the top.
    int legendX = layout.left;
    const int legendY = kMargin;
    for (const auto& [text, colour] : {std::pair{kProgressBestLegend, kProgressBestColour},
                                       std::pair{kProgressAverageLegend, kProgressAverageColour}}) {
        const int mid = legendY + metrics.Height(text, kViewFontSize) / 2;
        scene.Add(SceneLine{{legendX, mid}, {legendX + 14, mid}, colour, 2});
        scene.Add(MakeText({legendX + 18, legendY}, text, colour));
        legendX += 18 + metrics.Width(text, kViewFontSize) + 12;
    }
    return scene;
}

std::optional<size_t> ProgressPointAt(const ProgressChartLayout& layout, ScenePoint at,
                                      int radius) {
    std::optional<size_t> nearest;
    long bestDistance = static_cast<long>(radius) * radius;
    for (size_t i = 0; i < layout.best.size(); ++i) {
        const long dx = layout.best[i].x - at.x, dy = layout.best[i].y - at.y;
        const long d = dx * dx + dy * dy;
        if (d <= bestDistance) {
            bestDistance = d;
            nearest = i;
        }
    }
    return nearest;
}

}  // namespace qv
