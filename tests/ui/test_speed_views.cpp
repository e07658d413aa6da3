#include <gtest/gtest.h>

#include "app/session.h"
#include "presentation/speed_bar.h"
#include "presentation/speed_graph.h"
#include "ui/views/scene_painter.h"
#include "ui/views/speed_bar_view.h"
#include "ui/views/speed_graph_view.h"

namespace qv::ui {
namespace {

constexpr QSize kGraphBox(600, 240);

// Two 2 km laps of 100 s at a steady 100 (slot A) and 150 km/h (slot B),
// the cursor at 1.25 km, off the x grid.
struct SpeedViews : ::testing::Test {
    Session session{0};

    void SetUp() override {
        for (double speed : {100.0, 150.0}) {
            TLapDtRec lap;
            for (int i = 0; i <= 100; ++i) {
                TLapElmRec e;
                e.Sec = i;
                e.Dist = i * 0.02;
                e.Spd = speed;
                e.UseSat = 9;
                lap.Elm.push_back(e);
            }
            lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
            session.laps.LapDt.push_back(std::move(lap));
        }
        DisplayExtremes& x = session.presentation.extremes;
        x.MinSpd = 0;
        x.MaxSpd = 200;
        x.LapDist = 2;
        session.align.MaxAlignedTim = 100;
        session.align.cursor[0].CsDist = 1.25;
        session.align.cursor[0].CsSpdD = 180;
        session.presentation.playTime = 62.5;
    }

    static bool Is(const QImage& image, int x, int y, Rgb c) {
        return image.pixelColor(x, y) == QColor(c.r, c.g, c.b);
    }
};

TEST_F(SpeedViews, GraphShowsTracesAndCursorPictureHasNoCursor) {
    const SpeedGraphLayout g =
        SpeedGraphLayoutFor(ViewTextMetrics(), kGraphBox.width(), kGraphBox.height());
    const int cursorX = g.L + g.W * 5 / 8;
    const int midY = SpeedToY(g, 125, 0, 200);  // between grid lines, clear of the traces
    const int bY = SpeedToY(g, 150, 0, 200);
    SpeedGraphView view;

    const QImage screen = view.Render(session, kGraphBox, 1);
    EXPECT_TRUE(Is(screen, cursorX, midY, {255, 0, 0}));
    EXPECT_TRUE(Is(screen, cursorX + 1, midY, kWhite));
    EXPECT_TRUE(Is(screen, g.L + 40, bY, kSlotColours[1]));
    EXPECT_TRUE(Is(screen, g.L + 40, SpeedToY(g, 100, 0, 200), kSlotColours[0]));

    // The graph image kept between refreshes holds no cursor and follows
    // the data.
    session.align.cursor[0].CsDist = 0.75L;
    session.laps.LapDt.pop_back();
    const QImage moved = view.Render(session, kGraphBox, 2);
    EXPECT_EQ(moved.devicePixelRatio(), 2);
    EXPECT_TRUE(Is(moved, 2 * cursorX, 2 * midY, kWhite));
    EXPECT_TRUE(Is(moved, 2 * (g.L + g.W * 3 / 8), 2 * midY, {255, 0, 0}));
    EXPECT_FALSE(Is(moved, 2 * (g.L + 40), 2 * bY, kSlotColours[1]));
    session.align.cursor[0].CsDist = 1.25L;

    const QImage picture = view.Picture(session, kGraphBox);
    EXPECT_EQ(picture.devicePixelRatio(), 1);
    EXPECT_TRUE(Is(picture, cursorX, midY, kWhite));
    EXPECT_TRUE(Is(picture, g.L + 40, SpeedToY(g, 100, 0, 200), kSlotColours[0]));

    session.presentation.xAxis = XAxisMode::kTime;
    EXPECT_TRUE(Is(view.Render(session, kGraphBox, 1), cursorX, midY, kBlack));

    const auto time = view.Click(session, kGraphBox, QPoint(g.L + g.W / 4, midY));
    ASSERT_TRUE(time);
    EXPECT_NEAR(static_cast<double>(*time), 25, 0.25);  // a quarter of 100 s
}

TEST_F(SpeedViews, BarStandsOnTheSpeedScale) {
    const QSize box(kSpeedBarBoxWidth, kGraphBox.height());
    const SpeedGraphLayout g = SpeedGraphLayoutFor(ViewTextMetrics(), box.width(), box.height());
    const int top = SpeedToY(g, 180, 0, 200);
    const QImage image = SpeedBarView{}.Render(session, box, 1);
    EXPECT_TRUE(Is(image, 4 + 13, top, kSlotColours[0]));
    EXPECT_TRUE(Is(image, 4 + 13, top - 1, kWhite));
    EXPECT_TRUE(Is(image, 4 + 14, top + 1, kWhite));
}

}  // namespace
}  // namespace qv::ui
