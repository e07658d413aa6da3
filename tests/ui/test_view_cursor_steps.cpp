// A cursor step paints the course map and the speed graph from what they
// kept of the last step. Whatever they kept, the picture must be the one a
// view painting for the first time gives.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "presentation/course_test_support.h"
#include "ui/views/course_map_view.h"
#include "ui/views/course_overview_view.h"
#include "ui/views/speed_bar_view.h"
#include "ui/views/speed_graph_view.h"

namespace qv::ui {
namespace {

using namespace course_test;

constexpr int kSamples = 360;
constexpr double kPi = 3.14159265358979323846;

// Four laps of a 600 x 300 m oval, each a little wider than the last, at
// 5 Hz with changing speed, low satellite counts here and there, G values
// and a time difference, so that every layer has something to paint.
struct FourLaps {
    std::unique_ptr<Session> session = std::make_unique<Session>(25569.0);

    FourLaps() {
        for (int slot = 0; slot < 4; ++slot) {
            TLapDtRec lap;
            for (int i = 0; i < kSamples; ++i) {
                const double a = 2 * kPi * i / kSamples;
                const double r = 1 + 0.02 * slot + 0.004 * std::sin(7 * a);
                Fix f;
                f.east = 300 * r * std::cos(a);
                f.north = 150 * r * std::sin(a);
                f.sec = 0.2 * i;
                f.spd = 80 + 40 * std::sin(3 * a + slot);
                f.sats = i % 37 == 5 ? 3 : 9;
                f.dir = std::fmod(360 + 270 - a * 180 / kPi, 360);
                TLapElmRec e = LapOf({f}).Elm[0];
                e.Dist = 0.005 * i;
                e.Elv = 10 * std::sin(a);
                lap.Elm.push_back(e);
                TGCalRec g;
                g.lateG3 = 0.8 * std::sin(2 * a + slot);
                g.logiG3 = 0.5 * std::cos(5 * a);
                g.XYG = std::hypot(g.lateG3, g.logiG3);
                lap.GElm.push_back(g);
            }
            lap.ElmNum = kSamples;
            lap.LapTim = 0.2 * (kSamples - 1) / 86400;
            lap.LapDist = 0.005 * (kSamples - 1);
            session->laps.LapDt.push_back(std::move(lap));
        }
        PresentationState& p = session->presentation;
        p.mapOrigin = kLat0;
        p.extremes.MinSpd = 40;
        p.extremes.MaxSpd = 120;
        p.extremes.LapDist = 0.005 * (kSamples - 1);
        p.extremes.ElvLo = -10;
        p.extremes.ElvHi = 10;
        p.extremes.IdoMin = LatAt(-160);
        p.extremes.IdoMax = LatAt(160);
        p.extremes.KdoMin = LonAt(-320);
        p.extremes.KdoMax = LonAt(320);
        p.rebuild.SetAll();
        AlignState& a = session->align;
        a.MaxAlignedTim = 0.2 * (kSamples - 1);
        for (int i = 0; i < kSamples; ++i)
            a.DiffArr.push_back(0.8 * std::sin(2 * kPi * i / kSamples));
        a.DiffMin = -0.8;
        a.DiffMax = 0.8;
        MoveTo(0, true);
    }

    // Puts the cars at sample `step` (each slot a little ahead of the
    // last), and the map centre on car A when it follows.
    void MoveTo(int step, bool follow) {
        Session& s = *session;
        for (int k = 0; k < 4; ++k) {
            const TLapElmRec& e = s.laps.LapDt[static_cast<size_t>(k)]
                                      .Elm[static_cast<size_t>((step + 3 * k) % kSamples)];
            CurSmp& c = s.align.cursor[static_cast<size_t>(k)];
            c.CsIdo = e.Ido;
            c.CsKdo = e.Kdo;
            c.CsDir = e.Dir;
            c.CsDist = e.Dist;
            c.CsSpd = e.Spd;
        }
        s.presentation.playTime =
            Float80(s.laps.LapDt[0].Elm[static_cast<size_t>(step % kSamples)].Sec);
        if (follow) {
            s.presentation.mapCentreIdo = s.align.cursor[0].CsIdo;
            s.presentation.mapCentreKdo = s.align.cursor[0].CsKdo;
        }
    }
};

// Runs cursor steps on one kept map and compares each picture with a new
// map's, for the map following car A, held still, zoomed in and at
// fractional and whole pixel ratios.
TEST(ViewCursorSteps, KeptMapPaintsWhatAFreshMapPaints) {
    struct Case {
        std::string name;
        qreal dpr;
        Float80 zoom;
        bool follow;
        int stepBy;
    };
    const std::vector<Case> cases = {
        {"following at 1 px/m", 1, 1, true, 1},
        {"following, ratio 1.5", 1.5, 1, true, 3},
        {"following zoomed in, ratio 2", 2, 4, true, 2},
        {"held still", 1, 1, false, 1},
        {"held still zoomed in, ratio 1.25", 1.25, 2, false, 2},
    };
    const QSize size(400, 300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FourLaps laps;
        Session& s = *laps.session;
        s.presentation.mapZoom = c.zoom;
        const CourseMapView kept;
        for (int step = 0; step < 60; step += c.stepBy) {
            SCOPED_TRACE(step);
            laps.MoveTo(step, c.follow);
            QImage shown = kept.Render(s, size, c.dpr);
            ASSERT_EQ(shown, CourseMapView().Render(s, size, c.dpr));
        }
        // Held still, only the cars were painted again.
        EXPECT_EQ(kept.StillLayerPaints(), c.follow ? (60 + c.stepBy - 1) / c.stepBy : 1);
    }
}

// The overview's dots and the speed bar move over what the last step left.
TEST(ViewCursorSteps, KeptOverviewAndSpeedBarPaintWhatFreshOnesPaint) {
    const QSize size(300, 250);
    for (qreal dpr : {1.0, 1.5}) {
        SCOPED_TRACE(dpr);
        FourLaps laps;
        Session& s = *laps.session;
        CourseOverviewView overview;
        const SpeedBarView bar;
        for (int step = 0; step < 40; step += 3) {
            SCOPED_TRACE(step);
            laps.MoveTo(step, true);
            QImage shown = overview.Render(s, size, dpr);
            s.presentation.rebuild.courseOverview = true;
            ASSERT_EQ(shown, CourseOverviewView().Render(s, size, dpr));
            shown = bar.Render(s, size, dpr);
            ASSERT_EQ(shown, SpeedBarView().Render(s, size, dpr));
        }
    }
}

// A picture still held when the next step paints stays as it was.
TEST(ViewCursorSteps, HeldPictureOutlivesTheNextStep) {
    FourLaps laps;
    Session& s = *laps.session;
    const QSize size(400, 300);
    const CourseMapView map;
    SpeedGraphView graph;
    for (bool follow : {false, true}) {
        SCOPED_TRACE(follow);
        laps.MoveTo(10, follow);
        const QImage mapBefore = map.Render(s, size, 1);
        const QImage graphBefore = graph.Render(s, size, 1);
        const QImage mapCopy = mapBefore.copy(), graphCopy = graphBefore.copy();
        laps.MoveTo(30, follow);
        EXPECT_NE(map.Render(s, size, 1), mapBefore);
        EXPECT_NE(graph.Render(s, size, 1), graphBefore);
        EXPECT_EQ(mapBefore, mapCopy);
        EXPECT_EQ(graphBefore, graphCopy);
    }
}

// Each input of the graph's display list makes it again, and the picture
// is then the one a new graph paints; a step that moves only the cursor at
// zoom 1 keeps the list and moves the line.
TEST(ViewCursorSteps, GraphMakesItsListAgainOnlyWhenAnInputChanged) {
    struct Case {
        std::string name;
        std::function<void(FourLaps&, QSize&, qreal&)> apply;
        bool rebuilds;
    };
    using F = FourLaps;
    const std::vector<Case> cases = {
        {"cursor at zoom 1", [](F& l, QSize&, qreal&) { l.MoveTo(40, true); }, false},
        {"x zoom", [](F& l, QSize&, qreal&) { l.session->presentation.xZoom = 4; }, true},
        {"time axis",
         [](F& l, QSize&, qreal&) { l.session->presentation.xAxis = XAxisMode::kTime; }, true},
        {"miles", [](F& l, QSize&, qreal&) { l.session->settings.SpeedInKmh = false; }, true},
        {"feet", [](F& l, QSize&, qreal&) { l.session->settings.DistInKm = false; }, true},
        {"satellites", [](F& l, QSize&, qreal&) { l.session->settings.MinSatNum = 2; }, true},
        {"time difference off",
         [](F& l, QSize&, qreal&) { l.session->presentation.showTimeDiff = false; }, true},
        {"G overlay", [](F& l, QSize&, qreal&) { l.session->presentation.showGGraph = true; },
         true},
        {"elevation", [](F& l, QSize&, qreal&) { l.session->presentation.showElevation = true; },
         true},
        {"speed range", [](F& l, QSize&, qreal&) { l.session->presentation.extremes.MaxSpd = 160; },
         true},
        {"slot B's time offset",
         [](F& l, QSize&, qreal&) {
             l.session->presentation.xAxis = XAxisMode::kTime;
             l.session->align.SlotTimOfs[1] = 3;
         },
         true},
        {"sector gate",
         [](F& l, QSize&, qreal&) {
             l.session->gates.SectCount = 2;
             l.session->sectRes[0].SectPassDist[0] = 0.6L;
             l.session->sectRes[0].SectPassDist[1] = 1.2L;
         },
         true},
        {"slot emptied", [](F& l, QSize&, qreal&) { l.session->laps.LapDt.pop_back(); }, true},
        {"samples changed where they lie, rebuild asked",
         [](F& l, QSize&, qreal&) {
             for (TLapElmRec& e : l.session->laps.LapDt[2].Elm)
                 e.Spd = 50;
             l.session->presentation.rebuild.speedGraph = true;
         },
         true},
        {"size", [](F&, QSize& size, qreal&) { size = QSize(500, 300); }, true},
        {"pixel ratio", [](F&, QSize&, qreal& dpr) { dpr = 2; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FourLaps laps;
        Session& s = *laps.session;
        QSize size(600, 240);
        qreal dpr = 1;
        SpeedGraphView kept;
        const QImage before = kept.Render(s, size, dpr);
        ASSERT_EQ(kept.SceneBuilds(), 1);
        ASSERT_EQ(kept.Render(s, size, dpr), before);
        ASSERT_EQ(kept.SceneBuilds(), 1);

        c.apply(laps, size, dpr);
        const QImage after = kept.Render(s, size, dpr);
        EXPECT_EQ(kept.SceneBuilds(), c.rebuilds ? 2 : 1);
        EXPECT_FALSE(s.presentation.rebuild.speedGraph);
        EXPECT_NE(after, before);
        EXPECT_EQ(after, SpeedGraphView().Render(s, size, dpr));
    }
}

}  // namespace
}  // namespace qv::ui
