#include "presentation/drift_view.h"

#include <gtest/gtest.h>

#include "presentation/scene_test_support.h"

#include <algorithm>

namespace qv {
namespace {

using scene_test::FixedMetrics;

// th = 10, U = 202: S = 101, R = 85, M = 93, P = 123, F = 69, centre (150, 130).
constexpr int kBoxW = 300, kBoxH = 260;

using scene_test::ItemsOf;

std::vector<std::pair<std::string, ScenePoint>> TextsOf(const Scene& scene) {
    std::vector<std::pair<std::string, ScenePoint>> out;
    for (const SceneText& t : ItemsOf<SceneText>(scene))
        out.emplace_back(t.text, t.at);
    return out;
}

struct Fixture {
    std::vector<TLapDtRec> slots;
    PresentationState state;
    AlignState align;
    FixedMetrics metrics;

    Fixture(int laps) {
        slots.resize(static_cast<std::size_t>(laps));
        for (TLapDtRec& lap : slots)
            lap.driftAct = true;
        state.xAxis = XAxisMode::kTime;
    }
    DriftViewInput Input() { return {slots, state, align}; }
    CurSmp& Cursor(int slot) { return align.cursor[static_cast<std::size_t>(slot)]; }
    Scene Paint() { return DriftCursorScene(Input(), metrics, kBoxW, kBoxH); }
};

TEST(DriftView, DialGeometryTicksAndLabels) {
    const FixedMetrics metrics;
    const DriftDial d = DriftDialFor(metrics, kBoxW, kBoxH);
    EXPECT_EQ(d.S, 101);
    EXPECT_EQ(d.R, 85);
    EXPECT_EQ(d.M, 93);
    EXPECT_EQ(d.P, 123);
    EXPECT_EQ(d.F, 69);
    EXPECT_EQ(d.cx, 150);
    EXPECT_EQ(d.cy, 130);
    // Each product truncated on its own: 85 sin 210 = -42.5, 85 cos 210 = -73.6.
    EXPECT_EQ(DialPoint(d, 210, 85), (ScenePoint{108, 203}));

    const Scene scene = DriftBackgroundScene(metrics, kBoxW, kBoxH);
    const std::vector<SceneLine> lines = ItemsOf<SceneLine>(scene);
    ASSERT_EQ(lines.size(), 2u + 8u + 24u);
    const auto major = std::count_if(lines.begin(), lines.end(), [&](const SceneLine& l) {
        return l.to == DialPoint(d, 30, d.R) && l.from == DialPoint(d, 30, d.S);
    });
    const auto minor = std::count_if(lines.begin(), lines.end(), [&](const SceneLine& l) {
        return l.to == DialPoint(d, 350, d.R) && l.from == DialPoint(d, 350, d.M);
    });
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 1);

    const auto texts = TextsOf(scene);
    ASSERT_EQ(texts.size(), 12u);
    auto has = [&](const char* text, ScenePoint at) {
        return std::find(texts.begin(), texts.end(), std::make_pair(std::string(text), at)) !=
               texts.end();
    };
    EXPECT_TRUE(has("0", {147, 7}));
    EXPECT_TRUE(has("30", {150 - 61 - 3, 130 - 106}));
    EXPECT_TRUE(has("90", {150 + 123 - 12, 130 - 6}));
    EXPECT_TRUE(has("120", {150 + 106 - 13, 130 + 61 - 8}));
    EXPECT_TRUE(has("180", {141, 130 + 123 - 13}));
}

TEST(DriftView, CarAndNeedleTurnByTheDriftAngle) {
    Fixture fx(2);
    fx.Cursor(0).CsSpd = 50;
    fx.Cursor(0).CsDir = 200;
    fx.Cursor(0).CsGpsDir = 170;
    fx.Cursor(0).CsDAngle = 12.7;
    fx.Cursor(1).CsSpd = 80.456;
    const Scene scene = fx.Paint();

    // Slot B first, so slot A ends on top.
    const std::vector<SceneLine> needles = ItemsOf<SceneLine>(scene);
    ASSERT_EQ(needles.size(), 2u);
    EXPECT_EQ(needles[0], (SceneLine{{150, 130 + 85}, {150, 130 - 101}, kSlotColours[1], 2}));
    EXPECT_EQ(needles[1], (SceneLine{{108, 203}, {200, 43}, kSlotColours[0], 2}));
    const std::vector<ScenePolygon> cars = ItemsOf<ScenePolygon>(scene);
    ASSERT_EQ(cars.size(), 2u);
    EXPECT_EQ(cars[1].points.size(), 5u);
    EXPECT_EQ(cars[1].points[2], (ScenePoint{184, 71}));  // the nose at 30 degrees
    EXPECT_FALSE(cars[1].filled);

    // Rows from the bottom: A at BH - th - 4, B at BH - 2 th - 8; speeds
    // end at the width of "999.99km/h" + 4, angles 4 px from the right.
    const auto texts = TextsOf(scene);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], std::make_pair(std::string("80.46km/h"), ScenePoint{10, 232}));
    EXPECT_EQ(texts[1], std::make_pair(std::string("0"), ScenePoint{290, 232}));
    EXPECT_EQ(texts[2], std::make_pair(std::string("50.00km/h"), ScenePoint{10, 246}));
    EXPECT_EQ(texts[3], std::make_pair(std::string("12"), ScenePoint{284, 246}));
}

TEST(DriftView, SlowSlotsPointStraightUpAndShowNoAngle) {
    CurSmp smp;
    smp.CsSpd = 7;
    smp.CsDir = 40;
    smp.CsDAngle = 25.5;
    DriftReading r = DriftReadingOf(smp, XAxisMode::kTime);
    EXPECT_EQ(r.angle, 0);
    EXPECT_EQ(r.angleText, 0);
    smp.CsSpd = 7.1;
    r = DriftReadingOf(smp, XAxisMode::kTime);
    EXPECT_EQ(r.angle, 40);
    EXPECT_EQ(r.angleText, 25);

    // By distance the car follows the values at the reference distance,
    // but the angle text still asks the slot's own speed at the play time.
    smp.CsSpd = 5;
    smp.CsSpdD = 60;
    smp.CsDirD = 10;
    smp.CsGpsDirD = 30;
    smp.CsDAngleD = -19.9;
    r = DriftReadingOf(smp, XAxisMode::kDistance);
    EXPECT_EQ(r.angle, -20);
    EXPECT_EQ(r.speed, 60);
    EXPECT_EQ(r.angleText, 0);
    smp.CsSpd = 50;
    EXPECT_EQ(DriftReadingOf(smp, XAxisMode::kDistance).angleText, -19);
}

TEST(DriftView, HiddenOrWithoutDriftDataOnlyTheDial) {
    Fixture fx(2);
    fx.Cursor(0).CsSpd = 50;
    fx.state.showDriftAngle = false;
    EXPECT_TRUE(fx.Paint().items.empty());
    fx.state.showDriftAngle = true;
    fx.slots[0].driftAct = false;
    fx.slots[1].driftAct = false;
    EXPECT_TRUE(fx.Paint().items.empty());

    // The picture: white without laps, else dial and cursor layer.
    fx.slots[0].driftAct = true;
    const Scene picture = DriftPictureScene(fx.Input(), fx.metrics, kBoxW, kBoxH);
    EXPECT_EQ(ItemsOf<SceneText>(picture).size(), 12u + 2u);
    EXPECT_EQ(ItemsOf<ScenePolygon>(picture).size(), 1u);
    fx.slots.clear();
    EXPECT_TRUE(DriftPictureScene(fx.Input(), fx.metrics, kBoxW, kBoxH).items.empty());
}

}  // namespace
}  // namespace qv
