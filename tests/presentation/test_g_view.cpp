#include "presentation/g_view.h"

#include <gtest/gtest.h>

#include "presentation/scene_test_support.h"

#include <algorithm>

namespace qv {
namespace {

using scene_test::FixedMetrics;

// s = 365, r0 = 182, centre (222, 186).
constexpr int kBoxW = 445, kBoxH = 373;

using scene_test::ItemsOf;

const SceneText* FindText(const std::vector<SceneText>& texts, const std::string& text) {
    auto it = std::find_if(texts.begin(), texts.end(),
                           [&](const SceneText& t) { return t.text == text; });
    return it == texts.end() ? nullptr : &*it;
}

// A lap of `n` samples `interval` s apart whose every G record is (late, logi).
TLapDtRec Lap(int n, double interval, double lapDistKm, double late = 0, double logi = 0) {
    TLapDtRec lap;
    for (int i = 0; i < n; ++i) {
        TLapElmRec e;
        e.Sec = i * interval;
        lap.Elm.push_back(e);
        TGCalRec g;
        g.lateG3 = late;
        g.logiG3 = logi;
        lap.GElm.push_back(g);
    }
    lap.ElmNum = n;
    lap.LapDist = lapDistKm;
    return lap;
}

struct Fixture {
    std::vector<TLapDtRec> slots;
    PresentationState state;
    AlignState align;
    FixedMetrics metrics;

    GViewInput Input() { return {slots, state, align}; }
    CurSmp& Cursor(int slot) { return align.cursor[static_cast<std::size_t>(slot)]; }
};

TEST(GView, RingsLabelsAndRadiusScaleAgreeAtAStep) {
    const GViewGeometry geo = GViewGeometryFor(kBoxW, kBoxH, 2);
    EXPECT_EQ(geo.s, 365);
    EXPECT_EQ(geo.r0, 182);
    EXPECT_EQ(GRingRadius(geo, 100), 91);
    EXPECT_EQ(TurnRadiusToY(geo, 150), geo.cy + 91);

    Fixture fx;
    const Scene scene = GBackgroundScene(fx.Input(), fx.metrics, kBoxW, kBoxH);
    const std::vector<SceneText> texts = ItemsOf<SceneText>(scene);
    const SceneText* g10 = FindText(texts, "1.0G");
    const SceneText* r150 = FindText(texts, "150m");
    ASSERT_TRUE(g10 && r150);
    EXPECT_EQ(g10->at, (ScenePoint{geo.cx + 4, geo.cy + 91}));
    EXPECT_EQ(r150->at, (ScenePoint{geo.cx - 2, geo.cy + 91}));
    EXPECT_EQ(r150->anchor, TextAnchor::kTopRight);
    EXPECT_EQ(FindText(texts, "0.5G"), nullptr);  // the 0.5 G ring is not labelled at step 2

    std::vector<int> grey, light;
    for (const SceneEllipse& e : ItemsOf<SceneEllipse>(scene)) {
        EXPECT_EQ(e.left + e.right, 2 * geo.cx);
        if (e.outline == kGRingGrey)
            grey.push_back((e.right - e.left) / 2);
        else if (e.outline == kGRingLightGrey)
            light.push_back((e.right - e.left) / 2);
    }
    EXPECT_EQ(grey, (std::vector<int>{45, 91, 136}));
    EXPECT_EQ(light, (std::vector<int>{182}));  // the outer circle only
    // The dotted 1.2 G ring.
    const std::vector<ScenePolyline> dotted = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(dotted.size(), 1u);
    EXPECT_EQ(dotted[0].points.front(), (ScenePoint{geo.cx + 109, geo.cy}));

    // Step 4 rings in elevenths: 1.0 G is s x 100 / 550; "109m" names it.
    fx.state.gZoomStep = 4;
    const Scene step4 = GBackgroundScene(fx.Input(), fx.metrics, kBoxW, kBoxH);
    const std::vector<SceneText> step4Texts = ItemsOf<SceneText>(step4);
    const SceneText* r109 = FindText(step4Texts, "109m");
    ASSERT_TRUE(r109);
    EXPECT_EQ(r109->at.y, geo.cy + 365 * 100 / 550);
}

TEST(GView, FastLongLapsScatterEverySecondSample) {
    // 20 Hz over 8 km: odd samples and the last but one.
    EXPECT_EQ(GScatterSamples(Lap(10, 0.05, 8)), (std::vector<int>{1, 3, 5, 7, 8}));
    EXPECT_TRUE(GScatterThinned(Lap(10, 0.1, 8)));  // 10 Hz whatever the rounding
    // 5 Hz, or a shorter lap, plots the second to the last but one.
    const std::vector<int> all{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(GScatterSamples(Lap(10, 0.2, 8)), all);
    EXPECT_EQ(GScatterSamples(Lap(10, 0.05, 7.5)), all);
    // A short first interval (the lap's start on the gate) does not count.
    TLapDtRec start = Lap(10, 0.2, 8);
    start.Elm[1].Sec = 0.02;
    EXPECT_EQ(GScatterSamples(start), all);
    EXPECT_TRUE(GScatterSamples(Lap(2, 0.05, 8)).empty());

    // In the background, in the slot's scatter colour at its G point.
    Fixture fx;
    fx.slots.push_back(Lap(10, 0.05, 8, 0.5, -1.0));
    const Scene scene = GBackgroundScene(fx.Input(), fx.metrics, kBoxW, kBoxH);
    int dots = 0;
    for (const SceneEllipse& e : ItemsOf<SceneEllipse>(scene))
        if (e.outline == kGScatterColours[0]) {
            ++dots;
            EXPECT_EQ(e, (SceneEllipse{266, 93, 270, 97, std::nullopt, kGScatterColours[0]}));
        }
    EXPECT_EQ(dots, 5);
}

TEST(GView, CursorDotPointerAndTextLines) {
    Fixture fx;
    fx.slots = {Lap(5, 0.2, 1), Lap(5, 0.2, 1)};
    fx.state.xAxis = XAxisMode::kTime;
    fx.Cursor(0).CsLateG3 = 0.5;
    fx.Cursor(0).CsLogiG3 = -1.0;
    fx.Cursor(0).CsR23 = 150;
    fx.Cursor(0).CsSpd = 87.46;
    fx.Cursor(1).CsR23 = 0;  // no radius: no line
    const GViewGeometry geo = GViewGeometryFor(kBoxW, kBoxH, 2);

    // 0.5 G right is 45.6 px, 1.0 G braking 91.25 px up: rounded.
    EXPECT_EQ(GToPixel(geo, 0.5, -1.0), (ScenePoint{geo.cx + 46, geo.cy - 91}));

    const GCursorLayer layer = GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt);
    EXPECT_FALSE(layer.positionNoteShown);
    const std::vector<SceneEllipse> dots = ItemsOf<SceneEllipse>(layer.scene);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[1], (SceneEllipse{263, 90, 273, 100, kSlotColours[0], kBlack}));

    // Slot A's pointer 91 px below the centre: apex 1 px left of the axis,
    // the other corners 16 px away at 240 and 300 degrees.
    const int yr = geo.cy + 91;
    bool pointer = false;
    for (const ScenePolygon& p : ItemsOf<ScenePolygon>(layer.scene))
        if (p.width == 2 && p.colour == kSlotColours[0]) {
            pointer = true;
            EXPECT_EQ(p.points,
                      (std::vector<ScenePoint>{
                          {geo.cx - 1, yr}, {geo.cx - 13, yr - 8}, {geo.cx - 13, yr + 8}}));
            EXPECT_FALSE(p.filled);
        }
    EXPECT_TRUE(pointer);

    // Two slots occupied, one line: at H - hx - 3 - 2 (hx + 2).
    const std::vector<SceneText> texts = ItemsOf<SceneText>(layer.scene);
    ASSERT_EQ(texts.size(), 3u + 2u);  // three line parts after the bar scale's two labels
    EXPECT_EQ(texts[2].text, "R= 150m");
    EXPECT_EQ(texts[2].at, (ScenePoint{4, kBoxH - 10 - 3 - 24}));
    EXPECT_EQ(texts[3].text, ",  87.4km/h");
    EXPECT_EQ(texts[3].at.x, 4 + 6 * 7);
    EXPECT_EQ(texts[4].text, "X=  0.5, Y= -1.0, XY= 1.1");
    EXPECT_EQ(texts[4].at, (ScenePoint{kBoxW - 4, texts[2].at.y}));
    EXPECT_EQ(texts[4].anchor, TextAnchor::kTopRight);
    EXPECT_EQ(texts[4].background, kWhite);

    // Beyond the scale: no pointer above 600 m, a dashed radius above 300 m.
    fx.Cursor(0).CsR23 = 601;
    const GCursorLayer far = GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt);
    const std::vector<SceneLine> lines = ItemsOf<SceneLine>(far.scene);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const SceneLine& l) {
        return l.width == 2 && l.colour == kSlotColours[0];
    }));
    EXPECT_NE(FindText(ItemsOf<SceneText>(far.scene), "R= -------"), nullptr);

    // By distance the values at slot A's distance; the note shows with slot B.
    fx.state.xAxis = XAxisMode::kDistance;
    fx.Cursor(0).CsR23D = 80;
    const GCursorLayer byDist = GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt);
    EXPECT_TRUE(byDist.positionNoteShown);
    EXPECT_NE(FindText(ItemsOf<SceneText>(byDist.scene), "R=  80m"), nullptr);
    fx.slots.pop_back();
    EXPECT_FALSE(
        GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt).positionNoteShown);
}

TEST(GView, BarsStandFromTheRightAndClampAtFullScale) {
    // q = 373 / 3 - 2 = 122; 1.0 G of 2.0 G is half, 0.8 of 1.4 of it longitudinal.
    EXPECT_EQ(GBarFullHeight(kBoxH), 122);
    GBarHeights h = GBarHeightsFor(kBoxH, 2, 0.6, 0.8);
    EXPECT_EQ(h.total, 61);
    EXPECT_EQ(h.longitudinal, 34);
    h = GBarHeightsFor(kBoxH, 2, 3.0, -4.0);  // 5 G
    EXPECT_EQ(h.total, 122);
    EXPECT_EQ(h.longitudinal, 69);
    EXPECT_EQ(GBarHeightsFor(kBoxH, 2, 0, 0).longitudinal, 0);
    EXPECT_EQ(GBarHeightsFor(kBoxH, 6, 6.5, 0).total, 122);

    Fixture fx;
    fx.slots = {Lap(5, 0.2, 1), Lap(5, 0.2, 1)};
    fx.Cursor(0).CsLateG3D = 0.6;
    fx.Cursor(0).CsLogiG3D = 0.8;  // accelerating: pale fill
    fx.Cursor(1).CsLogiG3D = -1.0;
    const Scene scene = GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt).scene;
    const std::vector<SceneRect> rects = ItemsOf<SceneRect>(scene);
    // Slot B at the right edge, slot A 16 px left of it.
    constexpr int W = kBoxW;
    EXPECT_NE(
        std::find(rects.begin(), rects.end(), SceneRect{W - 16, 2, W - 2, 61 + 2, kSlotColours[1]}),
        rects.end());
    EXPECT_NE(std::find(rects.begin(), rects.end(),
                        SceneRect{W - 32, 2, W - 18, 34 + 2, kGScatterColours[0]}),
              rects.end());
    // The scale at the next position: half the full scale mid-way.
    const std::vector<SceneText> texts = ItemsOf<SceneText>(scene);
    const SceneText* mid = FindText(texts, "1.0");
    ASSERT_TRUE(mid);
    EXPECT_EQ(mid->at, (ScenePoint{W - 4 - 32 - 1, 3 + 61}));
    EXPECT_EQ(GBarMiddleLabel(0), "0.25");
    EXPECT_EQ(GBarMiddleLabel(4), "1.75");

    // No bars while slot A is empty.
    fx.slots.clear();
    const Scene empty = GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, std::nullopt).scene;
    EXPECT_TRUE(empty.items.empty());
}

TEST(GView, PointerReadoutAndPicture) {
    Fixture fx;
    const GViewGeometry geo = GViewGeometryFor(kBoxW, kBoxH, 2);
    // 91 px of 182.5 px at 2.0 G is 0.997 G, cut to 0.9; 149.6 m cut to 149.
    const ScenePoint below{geo.cx + 91, geo.cy + 91};
    std::vector<SceneText> texts =
        ItemsOf<SceneText>(GMouseReadoutScene(fx.Input(), fx.metrics, kBoxW, kBoxH, below));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "X=  0.9 , Y=  0.9   ");
    EXPECT_EQ(texts[1].text, "R= 149m   ");
    EXPECT_EQ(texts[1].at, (ScenePoint{4, 18}));
    const ScenePoint above{geo.cx - 91, geo.cy - 10};
    texts = ItemsOf<SceneText>(GMouseReadoutScene(fx.Input(), fx.metrics, kBoxW, kBoxH, above));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "X= -0.9 , Y= -0.1   ");
    EXPECT_EQ(texts[1].text, std::string(25, ' '));

    // The cursor layer repeats it while the pointer is inside the box.
    texts = ItemsOf<SceneText>(GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, below).scene);
    EXPECT_NE(FindText(texts, "X= 0.9 , Y= 0.9   "), nullptr);
    EXPECT_NE(FindText(texts, "R= 149m   "), nullptr);
    EXPECT_TRUE(GCursorScene(fx.Input(), fx.metrics, kBoxW, kBoxH, ScenePoint{kBoxW, 5})
                    .scene.items.empty());

    // The picture: nothing without slot A; else the diagram, the name and
    // the dots, but no bars and no text lines.
    EXPECT_TRUE(GPictureScene(fx.Input(), fx.metrics, kBoxW, kBoxH).items.empty());
    fx.slots.push_back(Lap(5, 0.2, 1));
    fx.Cursor(0).CsR23D = 150;
    const Scene picture = GPictureScene(fx.Input(), fx.metrics, kBoxW, kBoxH);
    texts = ItemsOf<SceneText>(picture);
    const SceneText* name = FindText(texts, "Quorvane");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->at, (ScenePoint{geo.cx - 182, geo.cy - 182}));
    EXPECT_EQ(FindText(texts, "XY-G"), nullptr);
    EXPECT_EQ(FindText(texts, "R= 150m"), nullptr);
    const std::vector<SceneEllipse> ellipses = ItemsOf<SceneEllipse>(picture);
    EXPECT_EQ(ellipses.back().fill, kSlotColours[0]);
}

}  // namespace
}  // namespace qv
