#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "presentation/course_test_support.h"
#include "ui/views/course_map_view.h"
#include "ui/views/course_overview_view.h"

namespace qv::ui {
namespace {

using namespace course_test;

bool Is(const QImage& image, int x, int y, Rgb c) {
    return image.pixelColor(x, y) == QColor(c.r, c.g, c.b);
}

// Slot A runs east along the map centre's latitude, slot B 21 m north of it.
struct TwoLaps {
    std::unique_ptr<Session> session = std::make_unique<Session>(25569.0);

    TwoLaps() {
        for (double north : {0.5, 21.5}) {
            TLapDtRec lap;
            for (int i = 0; i <= 20; ++i)
                lap.Elm.push_back(LapOf({{-100 + 10.0 * i, north, 1.0 * i, 100, 9, 270}}).Elm[0]);
            lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
            session->laps.LapDt.push_back(lap);
        }
        PresentationState& p = session->presentation;
        p.mapCentreIdo = kLat0;
        p.mapCentreKdo = kLon0;
        p.mapOrigin = kLat0;
        p.extremes.IdoMin = LatAt(0.5);
        p.extremes.IdoMax = LatAt(21.5);
        p.extremes.KdoMin = LonAt(-100);
        p.extremes.KdoMax = LonAt(100);
        p.rebuild.SetAll();
        for (int k = 0; k < 2; ++k) {
            session->align.cursor[k].CsIdo = session->laps.LapDt[k].Elm[10].Ido;
            session->align.cursor[k].CsKdo = session->laps.LapDt[k].Elm[10].Kdo;
            session->align.cursor[k].CsDir = 270;
        }
    }
};

TEST(CourseViews, MapShowsBothTracesTheCarAndTheScaleBar) {
    TwoLaps laps;
    const CourseMapView view;
    const QImage image = view.Render(*laps.session, QSize(400, 300), 2);
    ASSERT_EQ(image.width(), 800);
    // Logical pixel (x, y) is device pixel (2x, 2y).
    EXPECT_TRUE(Is(image, 2 * 250, 2 * 150, kSlotColours[0]));
    EXPECT_TRUE(Is(image, 2 * 250, 2 * 129, kSlotColours[1]));
    EXPECT_TRUE(Is(image, 2 * 250, 2 * 140, kWhite));
    EXPECT_TRUE(Is(image, 2 * 201, 2 * 151, kSlotColours[0]));  // slot A's dot
    EXPECT_TRUE(Is(image, 2 * 58, 2 * 292, kBlack));            // the 100 m bar
    EXPECT_TRUE(Is(image, 2 * 112, 2 * 292, kWhite));

    const QImage picture = view.Picture(*laps.session, QSize(400, 300));
    EXPECT_EQ(picture.size(), QSize(400, 300));
    EXPECT_TRUE(Is(picture, 250, 150, kSlotColours[0]));
}

TEST(CourseViews, OverviewKeepsItsBackgroundUntilAskedToRebuild) {
    TwoLaps laps;
    Session& s = *laps.session;
    CourseOverviewView view;
    // A 240 x 25 px circuit centred in the 240 x 192 grid at (30, 29).
    QImage image = view.Render(s, QSize(300, 250), 1);
    EXPECT_FALSE(s.presentation.rebuild.courseOverview);
    EXPECT_TRUE(Is(image, 46, 50, kOverviewGridGrey));
    EXPECT_TRUE(Is(image, 100, 137, kSlotColours[0]));
    EXPECT_TRUE(Is(image, 100, 112, kSlotColours[1]));
    EXPECT_TRUE(Is(image, 150, 112, kSlotColours[1]));  // slot B's dot

    s.laps.LapDt.pop_back();
    image = view.Render(s, QSize(300, 250), 1);
    EXPECT_TRUE(Is(image, 100, 112, kSlotColours[1]));  // the kept background
    EXPECT_FALSE(Is(image, 150, 108, kSlotColours[1]));

    s.presentation.rebuild.courseOverview = true;
    image = view.Render(s, QSize(300, 250), 1);
    EXPECT_TRUE(Is(image, 100, 112, kWhite));
    EXPECT_TRUE(Is(image, 100, 137, kSlotColours[0]));

    const std::optional<Float80> t = view.Click(s, QSize(300, 250), QPoint(270, 137));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, 20);
}

// A map kept from the last paint must show what a first paint shows after
// any change that moves the map or what is on it; moving only the cars
// must not paint the traces again.
TEST(CourseViews, MapPaintsItsTracesAgainOnlyWhenTheyChange) {
    struct Case {
        const char* change;
        std::function<void(Session&, QSize&, qreal&)> apply;
        bool repaintsTraces;
    };
    const std::vector<Case> cases = {
        {"nothing", [](Session&, QSize&, qreal&) {}, false},
        {"cars moved",
         [](Session& s, QSize&, qreal&) {
             for (int k = 0; k < 2; ++k) {
                 s.align.cursor[k].CsKdo = s.laps.LapDt[k].Elm[12].Kdo;
                 s.align.cursor[k].CsDir = 200;
             }
         },
         false},
        {"zoom", [](Session& s, QSize&, qreal&) { s.presentation.mapZoom = 2; }, true},
        {"centre", [](Session& s, QSize&, qreal&) { s.presentation.mapCentreKdo = LonAt(7); },
         true},
        {"slot content",
         [](Session& s, QSize&, qreal&) {
             for (TLapElmRec& e : s.laps.LapDt[1].Elm)
                 e.Ido = LatAt(-15);
         },
         true},
        {"slot emptied", [](Session& s, QSize&, qreal&) { s.laps.LapDt.pop_back(); }, true},
        {"size", [](Session&, QSize& size, qreal&) { size = QSize(300, 300); }, true},
        {"pixel ratio", [](Session&, QSize&, qreal& dpr) { dpr = 2; }, true},
        {"satellites", [](Session& s, QSize&, qreal&) { s.settings.MinSatNum = 10; }, true},
        {"track map",
         [](Session& s, QSize&, qreal&) {
             TPathRec path;
             path.Elm = {{LatAt(-40), LonAt(-80)}, {LatAt(-40), LonAt(80)}};
             s.trackMap.TrackMap.push_back(path);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        TwoLaps laps;
        Session& s = *laps.session;
        QSize size(400, 300);
        qreal dpr = 1;
        const CourseMapView kept;
        const QImage before = kept.Render(s, size, dpr);
        ASSERT_EQ(kept.StillLayerPaints(), 1);

        c.apply(s, size, dpr);
        const QImage after = kept.Render(s, size, dpr);
        EXPECT_EQ(kept.StillLayerPaints(), c.repaintsTraces ? 2 : 1);
        EXPECT_EQ(after, CourseMapView().Render(s, size, dpr));
        EXPECT_EQ(after == before, c.change == std::string("nothing"));
    }
}

}  // namespace
}  // namespace qv::ui
