#include "presentation/course_map.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "course_test_support.h"
#include "presentation/slot_colours.h"

namespace qv {
namespace {

using namespace course_test;

constexpr int kW = 400, kH = 300;  // the map centre is pixel (200, 150)

struct MapFixture {
    std::vector<TLapDtRec> slots;
    PresentationState state;
    AlignState align;
    GateTable gates;
    TrackMapStore trackMap;
    Settings settings;
    FixedMetrics metrics;

    MapFixture() {
        state.mapCentreIdo = kLat0;
        state.mapCentreKdo = kLon0;
    }
    CourseMapInput Input(bool picture = false) {
        return {slots, state, align, gates, trackMap, settings, picture};
    }
    Scene Paint(bool picture = false) { return CourseMapScene(Input(picture), metrics, kW, kH); }
    void PutCar(int slot, double east, double north, double dir, double gpsDir) {
        CurSmp& c = align.cursor[static_cast<size_t>(slot)];
        c.CsIdo = LatAt(north);
        c.CsKdo = LonAt(east);
        c.CsDir = dir;
        c.CsGpsDir = gpsDir;
    }
};

TEST(CourseMap, ScaleBarLadder) {
    ScaleBar bar = ScaleBarFor(1, 540, true, false);  // 540 m visible, w = 108
    EXPECT_EQ(bar.metres, 100);
    EXPECT_EQ(bar.pixels, 100);
    EXPECT_EQ(bar.label, "100m");
    bar = ScaleBarFor(16, 540, true, false);  // 33.75 m visible, w = 6
    EXPECT_EQ(bar.metres, 10);
    EXPECT_EQ(bar.pixels, 160);
    bar = ScaleBarFor(16, 60, true, true);  // 3.75 m visible, w = 0
    EXPECT_EQ(bar.metres, 1);
    EXPECT_EQ(bar.pixels, 16);
    EXPECT_EQ(bar.label, "1m  Quorvane");
    bar = ScaleBarFor(1, 540, false, false);  // w = 108 m = 354 feet
    EXPECT_EQ(bar.label, "500feet");
    EXPECT_EQ(bar.pixels, 152);              // 152.4 m
    bar = ScaleBarFor(2, 540, false, true);  // w = 54 m = 177 feet
    EXPECT_EQ(bar.label, "200feet  Quorvane");
}

TEST(CourseMap, ProjectionOfKnownPoints) {
    const CourseMapFrame f = CourseMapFrameFor(kLat0, kLon0, 2, kW, kH);
    EXPECT_EQ(f.ToPixel(kLat0, kLon0), (ScenePoint{200, 150}));
    // 2 px per metre: 100.4 px right, 60.4 px up.
    EXPECT_EQ(f.ToPixel(LatAt(30.2), LonAt(50.2)), (ScenePoint{300, 90}));
    // Left of and below the centre the offsets truncate toward zero too.
    EXPECT_EQ(f.ToPixel(LatAt(-5.2), LonAt(-100.2)), (ScenePoint{0, 161}));

    const Point2 back = f.FromPixel(300, 90);
    EXPECT_NEAR(static_cast<double>(back.x), static_cast<double>(LonAt(50)), 1e-10);
    EXPECT_NEAR(static_cast<double>(back.y), static_cast<double>(LatAt(30)), 1e-10);
}

TEST(CourseMap, EmptySlotAShowsOnlyTheScaleBar) {
    MapFixture fx;
    fx.trackMap.TrackMap.push_back({{{kLat0, kLon0}, {LatAt(10), kLon0}}});
    fx.gates.SectCount = 1;
    const Scene scene = fx.Paint();
    ASSERT_EQ(scene.items.size(), 2u);
    EXPECT_EQ(ItemsOf<SceneLine>(scene).front(), (SceneLine{{8, kH - 8}, {8 + 100, kH - 8}}));
    EXPECT_EQ(ItemsOf<SceneText>(scene).front().at, (ScenePoint{8, kH - 22}));
}

TEST(CourseMap, TrackMapGatesTraceStylesAndStartLine) {
    MapFixture fx;
    fx.slots.push_back(LapOf({{0.5, 0.5, 0, 100, 9, 270},
                              {10.5, 0.5, 1, 90, 3},
                              {20.5, 0.5, 2, 95},
                              {30.5, 0.5, 3, 80}}));
    fx.trackMap.TrackMap.push_back({{{LatAt(-20.5), LonAt(0)}, {LatAt(-20.5), LonAt(30.5)}}});
    fx.gates.SectCount = 1;
    fx.gates.SectGates[0] = {LonAt(5.5), LonAt(5.5), LatAt(-10.5), LatAt(10.5)};

    Scene scene = fx.Paint();
    const std::vector<ScenePolyline> lines = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].width, kTrackMapWidth);
    EXPECT_EQ(lines[0].colours, std::vector<Rgb>{kTrackMapGrey});
    EXPECT_EQ(lines[0].points, (std::vector<ScenePoint>{{200, 171}, {230, 171}}));

    const ScenePolyline& trace = lines[1];
    EXPECT_EQ(trace.points,
              (std::vector<ScenePoint>{{200, 150}, {210, 150}, {220, 150}, {230, 150}}));
    EXPECT_EQ(trace.colours, (std::vector<Rgb>{kLowSatSilver, kSlotColours[0], kSlotColours[0]}));
    EXPECT_EQ(trace.dotted, (std::vector<bool>{true, false, true}));

    const std::vector<SceneLine> straight = ItemsOf<SceneLine>(scene);
    auto has = [&straight](const SceneLine& want) {
        return std::find(straight.begin(), straight.end(), want) != straight.end();
    };
    EXPECT_TRUE(has(SceneLine{{205, 161}, {205, 140}, kGateGrey}));
    // Heading east: the start line stands north-south, 15 px each way at zoom 1.
    EXPECT_TRUE(has(SceneLine{{200, 135}, {200, 165}, kBlack}));

    fx.state.showDecelZones = false;
    fx.settings.MinSatNum = 3;
    scene = fx.Paint();
    const ScenePolyline plain = ItemsOf<ScenePolyline>(scene)[1];
    EXPECT_TRUE(plain.dotted.empty());
    EXPECT_EQ(plain.colours, std::vector<Rgb>(3, kSlotColours[0]));
}

TEST(CourseMap, ATraceLeavingTheBoxIsClippedNotBroken) {
    MapFixture fx;
    // One step runs 1 km east and the next comes back, 10 m further north.
    fx.slots.push_back(LapOf({{0.5, 0.5, 0}, {1000.5, 0.5, 10}, {0.5, 10.5, 20}}));
    const std::vector<ScenePolyline> lines = ItemsOf<ScenePolyline>(fx.Paint());
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].points.size(), 2u);
    ASSERT_EQ(lines[1].points.size(), 2u);
    EXPECT_EQ(lines[0].points[0], (ScenePoint{200, 150}));
    EXPECT_GE(lines[0].points[1].x, kW);
    EXPECT_LT(lines[0].points[1].x, kW + 100);
    EXPECT_EQ(lines[0].points[1].y, 150);
    EXPECT_GE(lines[1].points[0].x, kW);
    EXPECT_EQ(lines[1].points[1], (ScenePoint{200, 140}));

    fx.state.mapCentreKdo = LonAt(-5000);  // the whole lap far to the east
    EXPECT_TRUE(ItemsOf<ScenePolyline>(fx.Paint()).empty());
}

TEST(CourseMap, CarMarkersFollowTheDriftRules) {
    MapFixture fx;
    for (int k = 0; k < 3; ++k)
        fx.slots.push_back(LapOf({{0, 0, 0}}));
    fx.slots[1].driftAct = true;
    fx.slots[2].driftAct = true;
    fx.PutCar(0, 0.2, 0.2, 100, 200);   // no drift data: logged heading
    fx.PutCar(1, 50.2, 0.2, 100, 200);  // drift angle hidden: travel heading
    fx.PutCar(2, -49.8, 0.2, 100, 200);
    fx.state.showDriftAngle = false;
    Scene scene = fx.Paint();

    EXPECT_EQ(ItemsOf<SceneEllipse>(scene).back(),
              (SceneEllipse{198, 148, 203, 153, kSlotColours[0], std::nullopt}));
    std::vector<ScenePolyline> wedges = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(wedges.size(), 3u);  // painted C, B, A
    // Heading 100: the wedge's sides at 50 and 110 degrees, 16 px long.
    EXPECT_EQ(wedges[2].points,
              (std::vector<ScenePoint>{{200, 150}, {212, 160}, {215, 145}, {200, 150}}));
    EXPECT_EQ(wedges[1].points[1], (ScenePoint{250 - 12, 160}));  // heading 200
    EXPECT_EQ(wedges[0].points[1], (ScenePoint{150 - 12, 160}));

    fx.state.showDriftAngle = true;
    scene = fx.Paint();
    wedges = ItemsOf<ScenePolyline>(scene);
    EXPECT_EQ(wedges[2].points.front(), (ScenePoint{200, 150}));
    EXPECT_EQ(wedges[1].points.front(), (ScenePoint{250 + 12, 160}));
    // The drift arrowhead, apart from the dot, with its tip at 17 px.
    EXPECT_EQ(wedges[0].points,
              (std::vector<ScenePoint>{
                  {162, 160}, {165, 145}, {166, 152}, {162, 160}, {165, 145}, {162, 160}}));
    const std::vector<SceneLine> lines = ItemsOf<SceneLine>(scene);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), SceneLine{{166, 152}, {172, 153}, kSlotColours[2]}),
        lines.end());
}

TEST(CourseMap, ClickProjectsOntoTheNearerSegment) {
    MapFixture fx;
    fx.slots.push_back(LapOf({{0, 0, 0}, {10, 0, 1}, {20, 0, 3}, {30, 0, 4}}));
    auto click = [&fx](int x, int y) { return CourseMapClick(fx.Input(), kW, kH, x, y); };

    // 14 m east, 5 m north: nearest sample 1, the segment on to sample 2.
    ASSERT_TRUE(click(214, 145).has_value());
    EXPECT_NEAR(static_cast<double>(*click(214, 145)), 1 + 0.4 * 2, 1e-6);
    // 6 m east: nearest sample 1 again, now the segment back to sample 0.
    EXPECT_NEAR(static_cast<double>(*click(206, 150)), 0.6, 1e-6);
    // Beyond either end: that end's time, however far away.
    EXPECT_EQ(*click(0, 0), 0);
    EXPECT_EQ(*click(399, 150), 4);

    fx.state.playing = true;
    EXPECT_FALSE(click(214, 145));
    fx.state.playing = false;
    fx.slots.clear();
    EXPECT_FALSE(click(214, 145));
}

TEST(CourseMap, ClickOnAZeroLengthSegmentTakesTheNearestSample) {
    MapFixture fx;
    fx.slots.push_back(LapOf({{0, 0, 0}, {10, 0, 1}, {10, 0, 2}, {20, 0, 3}}));
    const std::optional<Float80> t = CourseMapClick(fx.Input(), kW, kH, 210, 145);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, 1);
}

TEST(CourseMap, DistanceReadOut) {
    MapFixture fx;
    EXPECT_FALSE(CourseMapDistanceText(fx.Input(), kW, kH, 230, 190));
    fx.slots.push_back(LapOf({{0, 0, 0}}));
    fx.state.mapZoom = 2;
    EXPECT_EQ(CourseMapDistanceText(fx.Input(), kW, kH, 230, 190), "25.0m");  // 50 px
    fx.settings.DistInKm = false;
    EXPECT_EQ(CourseMapDistanceText(fx.Input(), kW, kH, 230, 190), "82.0feet");
}

TEST(CourseMap, GInspectorWritesNearbySlotsAndTrailsAAndB) {
    MapFixture fx;
    TLapDtRec lap;
    for (int i = 0; i < 30; ++i) {
        TLapDtRec one = LapOf({{i + 0.3, 0.3, i * 0.1}});
        lap.Elm.push_back(one.Elm[0]);
        TGCalRec g;
        g.lateG3 = 0.011 * i;
        g.logiG3 = -0.021 * i;
        g.spd2 = 100 + i;
        lap.GElm.push_back(g);
    }
    lap.ElmNum = 30;
    TLapDtRec far = lap;  // 40 m north of the mouse
    for (TLapElmRec& e : far.Elm)
        e.Ido = Float80(e.Ido) + MToLatDeg(40);
    fx.slots = {lap, far, lap};
    constexpr int GW = 208, GH = 308;  // 200 px for twice the scale value

    std::optional<Scene> g = GInspectorScene(fx.Input(), fx.metrics, kW, kH, 225, 150, GW, GH);
    ASSERT_TRUE(g.has_value());
    std::vector<SceneText> texts = ItemsOf<SceneText>(*g);
    ASSERT_EQ(texts.size(), 6u);          // A and C; B is too far
    EXPECT_EQ(texts[0].text, "X=  0.2");  // 0.275 cut, not rounded
    EXPECT_EQ(texts[1].text, ", Y= -0.5");
    EXPECT_EQ(texts[2].text, ", 125.0km/h");
    EXPECT_EQ(texts[0].fontSize, kInspectorFontSize);
    EXPECT_EQ(texts[1].at, (ScenePoint{4 + 48, 4}));
    EXPECT_EQ(texts[2].at, (ScenePoint{4 + 48 + 60, 4}));
    EXPECT_EQ(texts[3].at, (ScenePoint{4, 2 * 10 + 8}));
    EXPECT_EQ(texts[3].colour, kSlotColours[2]);

    // Scale 2.0 at step 2: (0.275, -0.525) G lies at (104 + 14, 154 - 26).
    EXPECT_EQ(GPointPixel(0.275L, -0.525L, GW, GH, 2), (ScenePoint{118, 128}));
    const std::vector<SceneEllipse> rings = ItemsOf<SceneEllipse>(*g);
    ASSERT_EQ(rings.size(), 1u);  // C gets no ring
    EXPECT_EQ(rings[0], (SceneEllipse{113, 123, 124, 134, std::nullopt, kSlotColours[0], 2}));
    std::vector<ScenePolyline> trails = ItemsOf<ScenePolyline>(*g);
    ASSERT_EQ(trails.size(), 1u);
    EXPECT_EQ(trails[0].points.size(), 21u);  // 0.1 s samples: 20 back
    EXPECT_EQ(trails[0].width, 2);
    EXPECT_EQ(trails[0].colours.front(), kHoverTrailA);
    EXPECT_EQ(trails[0].points[1], GPointPixel(0.264L, -0.504L, GW, GH, 2));

    g = GInspectorScene(fx.Input(), fx.metrics, kW, kH, 205, 150, GW, GH);
    EXPECT_EQ(ItemsOf<ScenePolyline>(*g)[0].points.size(), 6u);  // fewer at the lap start

    g = GInspectorScene(fx.Input(), fx.metrics, kW, kH, 10, 150, GW, GH);
    ASSERT_TRUE(g.has_value());
    EXPECT_TRUE(g->items.empty());
    fx.state.playing = true;
    EXPECT_FALSE(GInspectorScene(fx.Input(), fx.metrics, kW, kH, 225, 150, GW, GH));
}

TEST(CourseMap, PictureAddsPlayTimeAndSlotValues) {
    MapFixture fx;
    fx.slots = {LapOf({{0, 0, 0}}), LapOf({{0, 0, 0}})};
    fx.state.playTime = 65.25L;
    fx.align.cursor[0].CsSpd = 123.456L;
    fx.align.cursor[0].CsDist = 1.2346L;
    fx.align.cursor[1].CsSpd = 98.7L;
    const std::vector<SceneText> texts = ItemsOf<SceneText>(fx.Paint(true));
    auto find = [&texts](const std::string& s) {
        return std::find_if(texts.begin(), texts.end(),
                            [&s](const SceneText& t) { return t.text == s; });
    };
    ASSERT_NE(find("100m  Quorvane"), texts.end());
    ASSERT_NE(find("1:05.250"), texts.end());
    EXPECT_EQ(find("1:05.250")->at, (ScenePoint{8, 8}));
    // Slot B on the bottom line, slot A one line above it.
    ASSERT_NE(find("98.70km/h"), texts.end());
    EXPECT_EQ(find("98.70km/h")->at, (ScenePoint{kW - 8, kH - 8 - 10}));
    EXPECT_EQ(find("98.70km/h")->anchor, TextAnchor::kTopRight);
    ASSERT_NE(find("123.46km/h"), texts.end());
    EXPECT_EQ(find("123.46km/h")->at, (ScenePoint{kW - 8, kH - 8 - 10 - 12}));
    ASSERT_NE(find("1.235km"), texts.end());
    EXPECT_EQ(find("1.235km")->at, (ScenePoint{kW - 8 - 72, kH - 8 - 10 - 12}));
}

}  // namespace
}  // namespace qv
