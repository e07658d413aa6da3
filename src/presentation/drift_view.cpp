#include "presentation/drift_view.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/display_format.h"
#include "presentation/axis_window.h"
#include "presentation/slot_colours.h"

namespace qv {
namespace {

// Truncation toward zero that ignores the last bits of a product, so that
// 100 x sin 30 degrees counts as 50 and not as 49.
int TruncSteady(Float80 v) {
    return TruncToPixel(std::round(v * 1e6L) / 1e6L);
}

Float80 Radians(Float80 degrees) {
    return degrees * std::numbers::pi_v<Float80> / 180;
}

int Occupied(const DriftViewInput& in) {
    return std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
}

void AddTicks(Scene& scene, const DriftDial& d) {
    for (int deg = 10; deg < 360; deg += 10) {
        if (deg % 90 == 0)
            continue;
        const int from = deg % 30 == 0 ? d.S : d.M;
        scene.Add(SceneLine{DialPoint(d, deg, from), DialPoint(d, deg, d.R), kDialGrey});
    }
}

void AddLabels(Scene& scene, const DriftDial& d, const TextMetrics& metrics) {
    const int w30 = metrics.Width("30", kDriftFontSize);
    const int w120 = metrics.Width("120", kDriftFontSize);
    const int th = d.th, cx = d.cx, cy = d.cy, P = d.P;
    const int sin30 = TruncSteady(P * std::sin(Radians(30)));
    const int cos30 = TruncSteady(P * std::cos(Radians(30)));
    const int sin60 = TruncSteady(P * std::sin(Radians(60)));
    const int cos60 = TruncSteady(P * std::cos(Radians(60)));
    auto label = [&](int x, int y, const char* text) {
        scene.Add(MakeText({x, y}, text, kBlack, kDriftFontSize));
    };
    label(cx - metrics.Width("0", kDriftFontSize) / 2, cy - P, "0");
    label(cx - sin30 - w30 / 4, cy - cos30, "30");
    label(cx + sin30 - 3 * w30 / 4, cy - cos30, "30");
    label(cx - sin60 - w30 / 5, cy - cos60 - th / 5, "60");
    label(cx + sin60 - 4 * w30 / 5, cy - cos60 - th / 5, "60");
    label(cx - P, cy - 2 * th / 3, "90");
    label(cx + P - w30, cy - 2 * th / 3, "90");
    label(cx - sin60 - w120 / 4, cy + cos60 - 4 * th / 5, "120");
    label(cx + sin60 - 3 * w120 / 4, cy + cos60 - 4 * th / 5, "120");
    label(cx - sin30 - w120 / 4, cy + cos30 - 6 * th / 5, "150");
    label(cx + sin30 - 3 * w120 / 4, cy + cos30 - 6 * th / 5, "150");
    label(cx - w120 / 2, cy + P - 4 * th / 3, "180");
}

SceneText TextOnWhite(int x, int y, std::string text, Rgb colour) {
    return MakeText({x, y}, std::move(text), colour, kDriftFontSize, TextAnchor::kTopLeft, kWhite);
}

void AddSlot(Scene& scene, const DriftDial& d, const TextMetrics& metrics, int wref, int slot,
             const DriftReading& r) {
    const Rgb colour = kSlotColours[static_cast<std::size_t>(slot)];
    const Float80 a = r.angle;
    // An outline only: filled, a car of this size would hide the dial.
    scene.Add(
        ScenePolygon{{DialPoint(d, a - 156, d.F), DialPoint(d, a - 24, d.F), DialPoint(d, a, d.F),
                      DialPoint(d, a + 24, d.F), DialPoint(d, a + 156, d.F)},
                     colour,
                     false});
    scene.Add(SceneLine{DialPoint(d, a + 180, d.R), DialPoint(d, a, d.S), colour, 2});

    const int y = d.BH - (slot + 1) * (d.th + 4);
    std::string speed = StrFormat("%.2fkm/h", static_cast<double>(r.speed));
    const int speedX = wref - metrics.Width(speed, kDriftFontSize) + 4;
    scene.Add(TextOnWhite(speedX, y, std::move(speed), colour));
    std::string angle = StrFormat("%d", r.angleText);
    const int angleX = d.BW - metrics.Width(angle, kDriftFontSize) - 4;
    scene.Add(TextOnWhite(angleX, y, std::move(angle), colour));
}

void AddDial(Scene& scene, const DriftDial& d, const TextMetrics& metrics) {
    scene.Add(
        SceneEllipse{d.cx - d.S, d.cy - d.S, d.cx + d.S, d.cy + d.S, std::nullopt, kDialGrey});
    scene.Add(
        SceneEllipse{d.cx - d.R, d.cy - d.R, d.cx + d.R, d.cy + d.R, std::nullopt, kDialGrey});
    scene.Add(SceneLine{{d.cx, d.cy - d.S - 4}, {d.cx, d.cy + d.S + 4}, kDialGrey});
    scene.Add(SceneLine{{d.cx - d.S - 4, d.cy}, {d.cx + d.S + 4, d.cy}, kDialGrey});
    AddTicks(scene, d);
    AddLabels(scene, d, metrics);
}

void AddCursorLayer(Scene& scene, const DriftViewInput& in, const DriftDial& d,
                    const TextMetrics& metrics) {
    if (!in.state.showDriftAngle)
        return;
    const int wref = metrics.Width("999.99km/h", kDriftFontSize);
    const int occupied = Occupied(in);
    for (int slot : kSlotPaintOrder)
        if (slot < occupied && in.slots[static_cast<std::size_t>(slot)].driftAct)
            AddSlot(
                scene, d, metrics, wref, slot,
                DriftReadingOf(in.align.cursor[static_cast<std::size_t>(slot)], in.state.xAxis));
}

}  // namespace

DriftDial DriftDialFor(const TextMetrics& metrics, int width, int height) {
    DriftDial d;
    d.BW = width;
    d.BH = height;
    d.th = metrics.Height("X", kViewFontSize);
    d.U = std::min(width - 48, height - 48) - d.th;
    d.S = d.U / 2;
    d.R = (d.U - 32) / 2;
    d.M = (d.S - d.R) / 2 + d.R;
    d.P = d.S + d.th + 12;
    d.F = d.R - 16;
    d.cx = width / 2;
    d.cy = height / 2;
    return d;
}

ScenePoint DialPoint(const DriftDial& dial, Float80 degrees, int radius) {
    const Float80 a = Radians(degrees);
    return {dial.cx + TruncSteady(radius * std::sin(a)),
            dial.cy - TruncSteady(radius * std::cos(a))};
}

DriftReading DriftReadingOf(const CurSmp& smp, XAxisMode axis) {
    DriftReading r;
    const bool byDist = axis == XAxisMode::kDistance;
    r.speed = byDist ? smp.CsSpdD : smp.CsSpd;
    if (r.speed > kDriftMinSpeed)
        r.angle = byDist ? smp.CsDirD - smp.CsGpsDirD : smp.CsDir - smp.CsGpsDir;
    // The angle text asks the slot's own speed at the play time on both axes.
    if (smp.CsSpd > kDriftMinSpeed)
        r.angleText = TruncToPixel(byDist ? smp.CsDAngleD : smp.CsDAngle);
    return r;
}

Scene DriftBackgroundScene(const TextMetrics& metrics, int width, int height) {
    Scene scene = BlankScene(width, height);
    AddDial(scene, DriftDialFor(metrics, width, height), metrics);
    return scene;
}

Scene DriftCursorScene(const DriftViewInput& in, const TextMetrics& metrics, int width,
                       int height) {
    Scene scene = BlankScene(width, height);
    AddCursorLayer(scene, in, DriftDialFor(metrics, width, height), metrics);
    return scene;
}

Scene DriftPictureScene(const DriftViewInput& in, const TextMetrics& metrics, int width,
                        int height) {
    Scene scene = BlankScene(width, height);
    if (Occupied(in) == 0)
        return scene;
    const DriftDial d = DriftDialFor(metrics, width, height);
    AddDial(scene, d, metrics);
    AddCursorLayer(scene, in, d, metrics);
    return scene;
}

}  // namespace qv
