// The engine headers come before Qt's: Qt's keyword macros would rewrite them.
#include "app/session.h"
#include "ui/log_block_fixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ui/line_layer_painter.h"
#include "ui/trace_map_painter.h"

namespace qv {
namespace {

// In an 849 x 649 box the usable area is 800 x 592; the view spans 1111 m
// north-south and cos(35 deg) times that east-west, so the map is 592 high
// and trunc(592 * 0.819152) = 484 wide, left 24 + (800 - 484) / 2 = 182,
// top 28. The view's centre lies at (182 + 242, 28 + 592 - 296).
constexpr int kBoxW = 849, kBoxH = 649;
constexpr int kLeft = 182, kTop = 28, kWidth = 484, kHeight = 592;
constexpr int kMidX = kLeft + kWidth / 2, kMidY = kTop + kHeight / 2;

bool NearColour(const QImage& image, int x, int y, QRgb colour, int reach = 1) {
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            if (image.pixel(x + dx, y + dy) == colour)
                return true;
        }
    }
    return false;
}

class LogBlockMapPaint : public ::testing::Test {
  protected:
    LogBlockMapPaint()
        : session_(test::DiagonalSession(1, 101)), image_(kBoxW, kBoxH, QImage::Format_RGB32) {
        view_ = session_->log.LogRect;
        projection_ = ProjectMap(view_, kBoxW, kBoxH);
    }
    void Paint() {
        ui::PaintTraceMap(image_, projection_, session_->log, session_->trackMap,
                          session_->lines.ShowStop);
    }
    std::unique_ptr<Session> session_;
    QImage image_;
    ViewRect view_;
    MapProjection projection_;
};

TEST_F(LogBlockMapPaint, TraceRunsAlongTheDiagonalOnWhite) {
    ASSERT_EQ(projection_.left, kLeft);
    ASSERT_EQ(projection_.width, kWidth);
    Paint();
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_TRUE(NearColour(image_, kMidX, kMidY, red));
    EXPECT_TRUE(NearColour(image_, kLeft + kWidth / 4, kTop + kHeight * 3 / 4, red));
    // Off the diagonal, and outside the map, nothing is drawn.
    EXPECT_EQ(image_.pixel(kMidX, kTop + kHeight / 4), qRgb(255, 255, 255));
    EXPECT_EQ(image_.pixel(5, 5), qRgb(255, 255, 255));
}

TEST_F(LogBlockMapPaint, TrackMapUnderTheTraceInLightGrey) {
    // A path along 35.002 N: y = 620 - trunc(0.2 * 592) = 502.
    TPathRec path;
    path.Elm = {{35.002L, 139.0L}, {35.002L, 139.01L}};
    session_->trackMap.TrackMap.push_back(path);
    Paint();
    EXPECT_EQ(image_.pixel(kLeft + 40, 502), ui::kTrackMapGrey);
    EXPECT_EQ(image_.pixel(kLeft + 40, 502 - 2), ui::kTrackMapGrey);  // 5 pixels wide
    EXPECT_EQ(image_.pixel(kLeft + 40, 502 - 4), qRgb(255, 255, 255));
}

TEST_F(LogBlockMapPaint, StopsAreBlueAndCircledOnlyWhenShown) {
    // The middle fix stands still.
    LogStore& log = session_->log;
    log.LogItems[50].Spd = 0;
    Paint();
    // Perpendicular to the trace, inside the stop circle.
    EXPECT_EQ(image_.pixel(kMidX + 2, kMidY + 2), qRgb(255, 255, 255));
    EXPECT_FALSE(NearColour(image_, kMidX, kMidY, qRgb(0, 0, 255)));

    session_->lines.ShowStop = true;
    Paint();
    EXPECT_EQ(image_.pixel(kMidX + 2, kMidY + 2), qRgb(192, 192, 192));
    EXPECT_TRUE(NearColour(image_, kMidX - 4, kMidY + 5, qRgb(0, 0, 255)));
}

TEST_F(LogBlockMapPaint, LinesWithHandlesInTheirColours) {
    LineState& lines = session_->lines;
    // A control line across the centre from the west to the east edge.
    lines.controlLineSet = true;
    lines.first = {LinePoint{35.005L, 139.0L}, LinePoint{35.005L, 139.01L}};
    lines.finishLineSet = true;
    lines.finish = {LinePoint{35.0025L, 139.0L}, LinePoint{35.0025L, 139.005L}};
    LineEditor editor(lines);
    image_.fill(Qt::white);
    {
        QPainter painter(&image_);
        ui::PaintLineLayer(painter, projection_, lines, editor);
    }
    EXPECT_EQ(image_.pixel(kLeft + 100, kMidY), qRgb(0, 0, 0));
    EXPECT_EQ(image_.pixel(kLeft + 100, kMidY - 1), qRgb(255, 255, 255));
    // The handle around the east end.
    EXPECT_EQ(image_.pixel(kLeft + kWidth + 1, kMidY - 1), qRgb(0, 0, 0));
    // The finish line, 148 pixels lower, ends at the centre meridian.
    const int finishY = kTop + kHeight - 148;
    EXPECT_EQ(image_.pixel(kLeft + 100, finishY), qRgb(0, 128, 0));
    EXPECT_EQ(image_.pixel(kMidX + 10, finishY), qRgb(255, 255, 255));
}

TEST(LogBlockLineLayer, DirectionMarkIsTheSecondEndTurnedAboutTheFirst) {
    // East on screen turns to south (y grows downwards).
    EXPECT_EQ(ui::DirectionMark(10, 10, 30, 10), QLine(10, 10, 10, 30));
    EXPECT_EQ(ui::DirectionMark(10, 10, 10, 30), QLine(10, 10, -10, 10));
    EXPECT_EQ(ui::DirectionMark(5, 7, 8, 11), QLine(5, 7, 1, 10));
}

}  // namespace
}  // namespace qv
