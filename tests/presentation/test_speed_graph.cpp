#include "presentation/speed_graph.h"

#include <gtest/gtest.h>

#include "presentation/scene_test_support.h"

#include <algorithm>

#include "presentation/slot_colours.h"
#include "presentation/speed_bar.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

// Glyphs 6 px wide, lines 10 px high: h = 10, w5 = 30, w4 = 24.
using scene_test::FixedMetrics;

// With the fixed metrics this box gives a 500 x 200 plot at (38, 12).
constexpr int kBoxW = 570, kBoxH = 224;

using scene_test::ItemsOf;

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

std::vector<std::string> TextsOf(const Scene& scene) {
    std::vector<std::string> texts;
    for (const SceneText& t : ItemsOf<SceneText>(scene))
        texts.push_back(t.text);
    return texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Slot A with samples at 0, 0.5, 1 and 2 km; the G and drift records are
// filled from the given values, one per sample.
TLapDtRec OverlayLap(std::array<double, 4> g, std::array<double, 4> drift) {
    TLapDtRec lap = Lap({{0, 0, 0, 8}, {10, 0.5, 150, 8}, {20, 1, 75, 8}, {30, 2, 0, 8}});
    for (int i = 0; i < 4; ++i) {
        TGCalRec r;
        r.lateG3 = r.logiG3 = r.XYG = g[i];
        lap.GElm.push_back(r);
        lap.DElm.push_back({0, drift[i]});
    }
    return lap;
}

TEST(SpeedGraph, TimeDifferenceScaleZeroLineAndCurve) {
    Fixture fx;
    fx.slots.push_back(OverlayLap({}, {}));
    fx.slots.push_back(OverlayLap({}, {}));
    fx.align.DiffArr = {0, -0.5L, 1.5L, 0.5L};
    fx.align.DiffMin = -0.5L;
    fx.align.DiffMax = 1.5L;
    fx.state.showGGraph = true;  // the time difference outranks the G scale
    Scene scene = fx.Paint();

    const SceneLine zero{{38, 162}, {538, 162}, kBlack};
    const auto lines = ItemsOf<SceneLine>(scene);
    EXPECT_NE(std::find(lines.begin(), lines.end(), zero), lines.end());
    const std::vector<ScenePoint> curve{{38, 162}, {163, 212}, {288, 12}, {538, 112}};
    bool found = false;
    for (const ScenePolyline& p : ItemsOf<ScenePolyline>(scene))
        found |= p.points == curve && p.colours == std::vector<Rgb>(3, kBlack);
    EXPECT_TRUE(found);
    std::vector<std::string> texts = TextsOf(scene);
    for (const char* want : {"sec", "1.50", "-0.50", "0.00"})
        EXPECT_TRUE(Has(texts, want)) << want;
    EXPECT_FALSE(Has(texts, "G"));
    for (const SceneText& t : ItemsOf<SceneText>(scene)) {
        if (t.text == "0.00") {
            EXPECT_EQ(t.at, (ScenePoint{542, 162}));
        }
    }

    // A zero line hugging the lower label loses its "0.00"; wide ranges
    // drop decimals.
    fx.align.DiffMin = -150;
    fx.align.DiffMax = 100;
    texts = TextsOf(fx.Paint());
    EXPECT_TRUE(Has(texts, "100.0"));
    EXPECT_TRUE(Has(texts, "-150"));
    fx.align.DiffMin = -0.01L;
    fx.align.DiffMax = 1.5L;
    EXPECT_FALSE(Has(TextsOf(fx.Paint()), "0.00"));

    // Laps a hair apart: the lower end rounds to zero and reads as zero.
    fx.align.DiffMin = -0.001L;
    fx.align.DiffMax = 0.002L;
    texts = TextsOf(fx.Paint());
    EXPECT_TRUE(Has(texts, "0.00"));
    EXPECT_FALSE(Has(texts, "-0.00"));

    // One lap, or the time axis: the G scale takes the margin.
    fx.slots.pop_back();
    texts = TextsOf(fx.Paint());
    EXPECT_FALSE(Has(texts, "sec"));
    EXPECT_TRUE(Has(texts, "G"));
}

TEST(SpeedGraph, RightMarginFallsThroughToDriftAndElevation) {
    Fixture fx;
    fx.slots.push_back(OverlayLap({}, {}));
    fx.slots[0].driftAct = true;
    for (std::size_t i = 0; i < 4; ++i)
        fx.slots[0].Elm[i].Elv = 100 + 10 * static_cast<double>(i);
    fx.state.extremes.ElvLo = 100;
    fx.state.extremes.ElvHi = 130;
    fx.state.showElevation = true;
    fx.state.showGGraph = true;

    auto profile = [](const Scene& scene) {
        for (const ScenePolyline& p : ItemsOf<ScenePolyline>(scene))
            if (p.colours.front() == kOverlayGrey)
                return p.points;
        return std::vector<ScenePoint>{};
    };
    Scene scene = fx.Paint();
    std::vector<std::string> texts = TextsOf(scene);
    EXPECT_TRUE(Has(texts, "G"));
    EXPECT_FALSE(Has(texts, "DRIFT"));
    EXPECT_FALSE(Has(texts, "m"));
    // The profile shows even when another overlay owns the scale.
    EXPECT_EQ(profile(scene),
              (std::vector<ScenePoint>{{38, 212}, {163, 146}, {288, 79}, {538, 12}}));

    fx.state.showGGraph = false;
    texts = TextsOf(fx.Paint());
    for (const char* want : {"DRIFT", "0", "m", "130", "100"})
        EXPECT_TRUE(Has(texts, want)) << want;
    EXPECT_FALSE(Has(texts, "deg"));  // elevation labels own the corners

    fx.state.showElevation = false;
    texts = TextsOf(fx.Paint());
    for (const char* want : {"deg", "90", "-90"})
        EXPECT_TRUE(Has(texts, want)) << want;

    fx.slots[0].driftAct = false;
    EXPECT_FALSE(Has(TextsOf(fx.Paint()), "DRIFT"));
}

TEST(SpeedGraph, GTraceMapsTheScaleAndWidensTheSpeedTraces) {
    const SpeedGraphLayout g = SpeedGraphLayoutFor(FixedMetrics{}, kBoxW, kBoxH);
    EXPECT_EQ(GToY(g, GGraphItem::kXG, 2, 2), 62);
    EXPECT_EQ(GToY(g, GGraphItem::kXG, 2, 0), 112);
    EXPECT_EQ(GToY(g, GGraphItem::kYG, 2, -2), 162);
    EXPECT_EQ(GToY(g, GGraphItem::kXYG, 2, 0), 162);
    EXPECT_EQ(GToY(g, GGraphItem::kXYG, 2, 2), 62);

    Fixture fx;
    fx.slots.push_back(OverlayLap({9, 2, -2, 9}, {}));
    fx.state.showGGraph = true;
    fx.state.gGraphItem = GGraphItem::kXG;
    fx.state.gZoomStep = 2;
    ASSERT_EQ(GScale(2), 2);
    Scene scene = fx.Paint();

    std::vector<int> rules;
    for (const SceneLine& l : ItemsOf<SceneLine>(scene))
        if (l.colour == kOverlayGrey && l.dotted)
            rules.push_back(l.from.y);
    EXPECT_EQ(rules, (std::vector<int>{62, 162, 112}));
    const auto traces = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(traces.size(), 3u);  // frame, G, speed
    // The first and last samples carry no G.
    EXPECT_EQ(traces[1].points, (std::vector<ScenePoint>{{163, 62}, {288, 162}}));
    EXPECT_EQ(traces[1].colours, std::vector<Rgb>(1, kSlotPaleColours[0]));
    EXPECT_EQ(traces[1].width, 2);
    EXPECT_EQ(traces[2].width, 2);
    // Lateral G names its sides just outside the labels.
    for (const SceneText& t : ItemsOf<SceneText>(scene)) {
        if (t.text == "\u5de6") {
            EXPECT_EQ(t.at.y, 62 - 5 - 10);
        }
        if (t.text == "\u53f3") {
            EXPECT_EQ(t.at.y, 162 + 5);
        }
    }
    EXPECT_TRUE(Has(TextsOf(scene), "-2.00"));

    fx.slots[0].driftAct = true;  // a drift trace sets the pen back to 1 px
    EXPECT_EQ(ItemsOf<ScenePolyline>(fx.Paint()).back().width, 1);
}

TEST(SpeedGraph, DriftTraceScaleAndUnzoomedStart) {
    const SpeedGraphLayout g = SpeedGraphLayoutFor(FixedMetrics{}, kBoxW, kBoxH);
    EXPECT_EQ(DriftToY(g, 45), 62);  // halfway from the middle line to the top
    EXPECT_EQ(DriftToY(g, -90), 212);
    EXPECT_EQ(DriftToY(g, 90), 12);

    Fixture fx;
    fx.slots.push_back(OverlayLap({}, {45, 0, -90, 90}));
    fx.slots[0].driftAct = true;
    fx.align.SlotDistOfs[0] = -0.5L;  // every sample half a kilometre on
    const auto traces = ItemsOf<ScenePolyline>(fx.Paint());
    ASSERT_EQ(traces.size(), 3u);  // frame, drift, speed
    EXPECT_EQ(traces[1].points,
              (std::vector<ScenePoint>{{38, 62}, {288, 112}, {413, 212}, {663, 12}}));
    EXPECT_EQ(traces[1].width, 2);
    EXPECT_EQ(traces[2].points.front(), (ScenePoint{163, 212}));
    EXPECT_EQ(traces[2].width, 1);
}

TEST(SpeedGraph, CursorLineFollowsTheAxis) {
    Fixture fx;
    fx.slots.push_back(OverlayLap({}, {}));
    fx.align.cursor[0].CsDist = 1;
    fx.state.playTime = 19;
    auto cursor = [&] {
        return ItemsOf<SceneLine>(SpeedGraphCursor(fx.Input(), fx.metrics, kBoxW, kBoxH));
    };
    EXPECT_EQ(cursor(), (std::vector<SceneLine>{{{288, 12}, {288, 213}, {255, 0, 0}}}));
    fx.state.xZoom = 4;  // the window centres on the cursor
    EXPECT_EQ(cursor().at(0).from.x, 288);
    fx.state.xZoom = 1;
    fx.state.xAxis = XAxisMode::kTime;
    EXPECT_EQ(cursor(), (std::vector<SceneLine>{{{138, 12}, {138, 213}, kBlack}}));
    fx.slots.clear();
    EXPECT_TRUE(cursor().empty());
}

TEST(SpeedBar, BarsTextsAndWhiteClippedCopies) {
    Fixture fx;
    fx.align.cursor[0].CsSpdD = 75;
    fx.align.cursor[1].CsSpdD = 150;
    fx.align.cursor[1].CsLateG3D = 0.3;
    fx.align.cursor[1].CsLogiG3D = 0.4;
    fx.state.showGGraph = true;
    auto paint = [&](int occupied) {
        return SpeedBarScene({occupied, fx.state, fx.align, fx.settings}, fx.metrics,
                             kSpeedBarBoxWidth, kBoxH);
    };
    const Scene scene = paint(2);

    const auto bars = ItemsOf<SceneRect>(scene);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0], (SceneRect{4, 112, 18, 212, kSlotColours[0]}));
    EXPECT_EQ(bars[1], (SceneRect{20, 12, 34, 212, kSlotColours[1]}));

    std::vector<SceneText> white;
    for (const SceneText& t : ItemsOf<SceneText>(scene)) {
        EXPECT_TRUE(t.upwards);
        if (t.colour == kWhite)
            white.push_back(t);
    }
    // A's bar stays below its G text, so only B repeats its G value.
    ASSERT_EQ(white.size(), 3u);
    EXPECT_EQ(white[0].text, " 75.00");
    EXPECT_EQ(white[0].at, (ScenePoint{3, 210}));
    EXPECT_EQ(white[0].clip, (SceneClip{4, 112, 18, 212}));
    EXPECT_EQ(white[2].text, "0.50");
    EXPECT_EQ(white[2].at, (ScenePoint{19, 12 + 36 + 2}));  // "0.50 G" ends 2 px under the top
    EXPECT_EQ(white[2].clip, (SceneClip{20, 12, 34, 50}));

    CurSmp c;
    c.CsLateG3 = -0.129;
    c.CsLogiG3 = 0.5;
    EXPECT_EQ(static_cast<double>(SpeedBarG(c, XAxisMode::kTime, GGraphItem::kXG)), -0.12);
    EXPECT_EQ(static_cast<double>(SpeedBarG(c, XAxisMode::kDistance, GGraphItem::kYG)), 0);

    fx.settings.SpeedInKmh = false;
    EXPECT_TRUE(Has(TextsOf(paint(1)), " 46.60"));
    fx.state.extremes.MaxSpd = fx.state.extremes.MinSpd;
    EXPECT_TRUE(paint(2).items.empty());
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
