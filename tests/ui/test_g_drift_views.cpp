#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <memory>

#include "presentation/drift_view.h"
#include "presentation/g_view.h"
#include "ui/views/drift_dial_view.h"
#include "ui/views/g_circle_view.h"
#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

bool IsColour(const QImage& image, int x, int y, Rgb c) {
    return image.pixelColor(x, y) == QColor(c.r, c.g, c.b);
}

std::unique_ptr<Session> SessionWithOneLap() {
    auto s = std::make_unique<Session>(0.0);
    TLapDtRec lap;
    lap.Elm.resize(5);
    lap.GElm.resize(5);
    lap.ElmNum = 5;
    lap.driftAct = true;
    s->laps.LapDt.push_back(std::move(lap));
    return s;
}

TEST(GCircleView, CursorDotAndBarOverTheCachedDiagram) {
    auto s = SessionWithOneLap();
    CurSmp& c = s->align.cursor[0];
    c.CsLateG3D = -0.5;  // by distance: the default axis
    c.CsLogiG3D = 0.5;
    c.CsR23D = 150;
    s->presentation.rebuild.gView = true;
    const QSize size(445, 373);
    GCircleView view;
    const QImage image = view.Render(*s, size, 1);
    EXPECT_FALSE(s->presentation.rebuild.gView);

    const GViewGeometry geo = GViewGeometryFor(445, 373, 2);
    const ScenePoint dot = GToPixel(geo, -0.5, 0.5);
    EXPECT_TRUE(IsColour(image, dot.x, dot.y, kSlotColours[0]));
    // The pointer's base 13 px left of the axis, 91 px below the centre.
    EXPECT_TRUE(IsColour(image, geo.cx - 13, geo.cy + 91, kSlotColours[0]));
    // Accelerating: the longitudinal part (21 px) in the pale colour, the
    // rest of the 43 px bar white inside its outline.
    EXPECT_TRUE(IsColour(image, 445 - 10, 10, kGScatterColours[0]));
    EXPECT_TRUE(IsColour(image, 445 - 10, 30, kWhite));
    EXPECT_TRUE(IsColour(image, 445 - 3, 30, kSlotColours[0]));

    // Another view's scene over the same diagram, without the cursor layer.
    Scene overlay{445, 373};
    overlay.Add(SceneRect{10, 10, 20, 20, kSlotColours[1]});
    const QImage inspected = view.RenderWithOverlay(*s, size, 1, overlay);
    EXPECT_TRUE(IsColour(inspected, 15, 15, kSlotColours[1]));
    EXPECT_TRUE(IsColour(inspected, dot.x, dot.y, kWhite));
}

TEST(DriftDialView, CarAndNeedleFollowTheAngleOnlyWhileShown) {
    auto s = SessionWithOneLap();
    s->presentation.xAxis = XAxisMode::kTime;
    CurSmp& c = s->align.cursor[0];
    c.CsSpd = 60;
    c.CsDir = 90;  // 90 degrees to the right of the direction of travel
    const QSize size(300, 260);
    const DriftDial d = DriftDialFor(ViewTextMetrics(), 300, 260);
    DriftDialView view;
    QImage image = view.Render(*s, size, 1);
    // The needle runs from the left of the inner circle to the right of
    // the outer one; the car is an outline with the dial showing through.
    EXPECT_TRUE(IsColour(image, d.cx + d.S - 3, d.cy, kSlotColours[0]));
    // Its side runs level between the rear corners at 114 and 246 degrees.
    const int side = d.cy + static_cast<int>(d.F * std::sin(24 * M_PI / 180));
    EXPECT_TRUE(IsColour(image, d.cx, side, kSlotColours[0]));
    EXPECT_TRUE(IsColour(image, d.cx, d.cy + 10, kDialGrey));
    EXPECT_TRUE(IsColour(image, d.cx, d.cy - d.S + 3, kDialGrey));

    s->presentation.showDriftAngle = false;
    image = view.Render(*s, size, 1);
    EXPECT_TRUE(IsColour(image, d.cx, side, kDialGrey));  // the axis, no car
    EXPECT_TRUE(IsColour(image, d.cx + 10, d.cy + 10, kWhite));

    // The picture at one pixel per pixel; white while no lap is shown.
    s->presentation.showDriftAngle = true;
    const QImage picture = view.Picture(*s, size);
    EXPECT_EQ(picture.devicePixelRatio(), 1);
    EXPECT_TRUE(IsColour(picture, d.cx, side, kSlotColours[0]));
    s->laps.LapDt.clear();
    EXPECT_TRUE(IsColour(view.Picture(*s, size), d.cx, d.cy - d.S + 3, kWhite));
}

}  // namespace
}  // namespace qv::ui
