#include "presentation/speed_graph.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

// Every glyph 6 px wide, every line 10 px high: h = 10, w5 = 30, w4 = 24.
class FixedMetrics : public TextMetrics {
  public:
    int Height(std::string_view, int) const override { return 10; }
    int Width(std::string_view text, int) const override {
        return 6 * static_cast<int>(text.size());
    }
};

// With the fixed metrics this box gives a 500 x 200 plot at (38, 12).
constexpr int kBoxW = 570, kBoxH = 224;

template <class T>
std::vector<T> ItemsOf(const Scene& scene) {
    std::vector<T> out;
    for (const SceneItem& item : scene.items)
        if (const T* t = std::get_if<T>(&item))
            out.push_back(*t);
    return out;
}

TLapDtRec Lap(std::initializer_list<std::array<double, 4>> samples) {  // s, km, km/h, sats
    TLapDtRec lap;
    for (const auto& s : samples) {
        TLapElmRec e;
        e.Sec = s[0];
        e.Dist = s[1];
        e.Spd = s[2];
        e.UseSat = static_cast<int32_t>(s[3]);
        lap.Elm.push_back(e);
    }
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    return lap;
}

struct Fixture {
    std::vector<TLapDtRec> slots;
    PresentationState state;
    AlignState align;
    SlotSectResults sectors{};
    Settings settings;
    FixedMetrics metrics;

    Fixture() {
        state.extremes.MinSpd = 0;
        state.extremes.MaxSpd = 150;
        state.extremes.LapDist = 2;
        align.MaxAlignedTim = 95;
    }
    SpeedGraphInput Input(int gates = 0) { return {slots, state, align, sectors, gates, settings}; }
    Scene Paint() { return SpeedGraphScene(Input(), metrics, kBoxW, kBoxH); }
};

TEST(SpeedGraph, LayoutAndSpeedScaleFollowTheFont) {
    const SpeedGraphLayout g = SpeedGraphLayoutFor(FixedMetrics{}, kBoxW, kBoxH);
    EXPECT_EQ(g.L, 38);
    EXPECT_EQ(g.T, 12);
    EXPECT_EQ(g.W, 500);
    EXPECT_EQ(g.H, 200);
    EXPECT_EQ(g.h, 10);
    EXPECT_EQ(SpeedToY(g, 0, 0, 150), 212);
    EXPECT_EQ(SpeedToY(g, 150, 0, 150), 12);
    EXPECT_EQ(SpeedToY(g, 100, 0, 150), 212 - 133);  // truncated toward zero
    EXPECT_EQ(SpeedToY(g, 50, 50, 50), 212);         // an empty range stays on the bottom
}

TEST(SpeedGraph, SpeedGridStepLadders) {
    EXPECT_EQ(SpeedGridStep(10, true), 1);
    EXPECT_EQ(SpeedGridStep(150, true), 10);
    EXPECT_EQ(SpeedGridStep(200, true), 10);
    EXPECT_EQ(SpeedGridStep(201, true), 20);
    EXPECT_EQ(SpeedGridStep(500, true), 20);
    EXPECT_EQ(SpeedGridStep(501, true), 100);
    EXPECT_EQ(SpeedGridStep(300, false), 10);
    EXPECT_EQ(SpeedGridStep(501, false), 100);

    EXPECT_EQ(XGridStepFor(XAxisMode::kTime, true, 60).step, 10);
    EXPECT_EQ(XGridStepFor(XAxisMode::kTime, true, 7201).step, 3600);
    EXPECT_EQ(XGridStepFor(XAxisMode::kDistance, true, 1).step, 0.1L);
    EXPECT_EQ(XGridStepFor(XAxisMode::kDistance, true, 501).step, 100);
    // 2 km is 6562 feet.
    EXPECT_EQ(XGridStepFor(XAxisMode::kDistance, false, 2).step, 1000);
    EXPECT_EQ(XGridLabel(XAxisMode::kTime, true, 600, 4200), "1:10");
    EXPECT_EQ(XGridLabel(XAxisMode::kDistance, true, 0.5L, 1.5L), "1.5km");
}

TEST(SpeedGraph, TimeAxisGridAndSpeedLabels) {
    Fixture fx;
    fx.slots.push_back(Lap({{0, 0, 10, 8}, {95, 2, 20, 8}}));
    fx.state.xAxis = XAxisMode::kTime;
    const Scene scene = fx.Paint();

    std::vector<int> vertical, horizontal;
    for (const SceneLine& l : ItemsOf<SceneLine>(scene))
        if (l.colour == kGridGrey)
            (l.from.x == l.to.x ? vertical : horizontal)
                .push_back(l.from.x == l.to.x ? l.from.x : l.from.y);
    // 30, 60 and 90 s of 95 s across 500 px; nothing at 0.
    EXPECT_EQ(vertical, (std::vector<int>{38 + 157, 38 + 315, 38 + 473}));
    // 10 ... 150 km/h.
    ASSERT_EQ(horizontal.size(), 15u);
    EXPECT_EQ(horizontal.front(),
              SpeedToY(SpeedGraphLayoutFor(fx.metrics, kBoxW, kBoxH), 10, 0, 150));

    std::vector<std::string> texts;
    for (const SceneText& t : ItemsOf<SceneText>(scene))
        texts.push_back(t.text);
    for (const char* want : {"km/h", "150.0", "  0.0", "0:30", "1:00", "1:30"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), want), texts.end()) << want;
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "0:00"), texts.end());
}

TEST(SpeedGraph, TracesPaintSlotAOnTopAndSilverForFewSatellites) {
    Fixture fx;
    fx.slots.push_back(Lap({{0, 0, 0, 8}, {1, 0.5, 150, 8}, {2, 1, 75, 3}, {3, 2, 0, 8}}));
    fx.slots.push_back(Lap({{0, 0, 0, 8}, {1, 1, 150, 8}, {2, 2, 0, 8}}));
    fx.align.SlotDistOfs[1] = 0.5L;  // B's first sample lies before the origin
    fx.sectors[0].SectPassDist[0] = 1;
    const Scene scene = SpeedGraphScene(fx.Input(1), fx.metrics, kBoxW, kBoxH);

    const auto lines = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(lines.size(), 3u);  // frame, B, A
    const ScenePolyline& b = lines[1];
    const ScenePolyline& a = lines[2];
    EXPECT_EQ(b.points.front(), (ScenePoint{38 + 125, 12}));
    EXPECT_EQ(b.colours, std::vector<Rgb>(1, kSlotColours[1]));
    ASSERT_EQ(a.points.size(), 4u);
    EXPECT_EQ(a.points[2], (ScenePoint{288, 112}));
    EXPECT_EQ(a.colours, (std::vector<Rgb>{kSlotColours[0], kLowSatSilver, kSlotColours[0]}));

    // The gate mark on the distance axis and the origin triangle.
    const auto dotted = ItemsOf<SceneLine>(scene);
    EXPECT_NE(
        std::find(dotted.begin(), dotted.end(), SceneLine{{288, 12}, {288, 212}, kBlack, 1, true}),
        dotted.end());
    const auto marks = ItemsOf<ScenePolygon>(scene);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].points.front(), (ScenePoint{38, 11}));
}

TEST(SpeedGraph, EmptyDataLeavesAWhiteBox) {
    Fixture fx;
    EXPECT_TRUE(fx.Paint().items.empty());  // no laps
    fx.slots.push_back(Lap({{0, 0, 10, 8}, {95, 2, 20, 8}}));
    fx.state.extremes.MaxSpd = fx.state.extremes.MinSpd;
    Scene scene = fx.Paint();
    EXPECT_TRUE(scene.items.empty());
    EXPECT_EQ(scene.background, kWhite);
    fx.state.extremes.MaxSpd = 150;
    fx.state.extremes.LapDist = 0;
    EXPECT_TRUE(fx.Paint().items.empty());
}

TEST(SpeedGraph, ClickMovesTheCursorOnlyInsideThePlot) {
    Fixture fx;
    fx.slots.push_back(Lap({{0, 0, 0, 8}, {10, 1, 100, 8}, {30, 2, 0, 8}}));
    auto click = [&](int x, int y) {
        return SpeedGraphClick(fx.Input(), fx.metrics, kBoxW, kBoxH, x, y);
    };
    EXPECT_FALSE(click(37, 100));        // left margin
    EXPECT_FALSE(click(200, 213));       // label band
    EXPECT_EQ(click(538, 212), 30);      // right edge: the lap's end
    EXPECT_EQ(click(38 + 375, 12), 20);  // 1.5 km, halfway between two samples
    fx.state.xAxis = XAxisMode::kTime;
    EXPECT_EQ(click(38 + 100, 50), 19);  // a fifth of 95 s
    fx.slots.clear();
    EXPECT_FALSE(click(138, 50));
}

}  // namespace
}  // namespace qv
