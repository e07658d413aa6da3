#include "laps/log_block_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <tuple>

#include "app/session.h"
#include "core/date_time.h"
#include "decode/log_blocks.h"
#include "geometry/plane.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// A log of `runs` runs of `perRun` fixes, one second apart, moving north-east.
class LogBlockRulesTest : public ::testing::Test {
  protected:
    LogBlockRulesTest() : session_(std::make_unique<Session>(25569.0)) {}

    void MakeLog(const std::vector<TDateTime>& runStarts, int perRun) {
        LogStore& log = session_->log;
        log.Reset();
        for (TDateTime start : runStarts) {
            for (int k = 0; k < perRun; ++k) {
                const int i = log.LogItemNum++;
                TLogItem& f = log.LogItems[i];
                f = TLogItem{};
                f.DtTm = start + k / 86400.0;
                f.Ido = 35.0 + i * 0.0001;
                f.Kdo = 139.0 + i * 0.0002;
                f.Spd = 50;
                f.Dir = 0;
                f.sat_used = 8;
                AssignFixToBlock(log, i);
            }
        }
    }
    LogStore& log() { return session_->log; }

    std::unique_ptr<Session> session_;
};

TEST_F(LogBlockRulesTest, PreselectionSkipsImplausibleRuns) {
    const TDateTime now = EncodeDate(2024, 5, 1);
    // Before 2000, fine, one that goes back in time, fine again, in the future.
    MakeLog({EncodeDate(1999, 8, 1), EncodeDate(2024, 4, 29), EncodeDate(2024, 4, 28),
             EncodeDate(2024, 4, 30), EncodeDate(2025, 1, 1)},
            3);
    ASSERT_EQ(log().LogBlockNum(), 5);
    PreselectLogBlocks(log(), now);
    const bool want[] = {false, true, false, true, false};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(log().LogBlocks[i].Act, want[i]) << i;
}

TEST_F(LogBlockRulesTest, TicksReachTheFixesAndTheBoundingBox) {
    MakeLog({EncodeDate(2024, 4, 29), EncodeDate(2024, 4, 30)}, 10);
    log().LogBlocks[1].Act = true;
    ApplyBlockTicks(log());
    EXPECT_FALSE(log().LogItems[9].Act);
    EXPECT_TRUE(log().LogItems[10].Act);
    EXPECT_DOUBLE_EQ(static_cast<double>(log().LogRect.IdoMin), log().LogItems[10].Ido);
    EXPECT_DOUBLE_EQ(static_cast<double>(log().LogRect.KdoMax), log().LogItems[19].Kdo);
    const auto range = FindActiveRange(log());
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 10);
    EXPECT_EQ(range->last, 19);

    // With nothing ticked the box covers every fix.
    SetAllBlocks(log(), false);
    EXPECT_FALSE(FindActiveRange(log()));
    EXPECT_DOUBLE_EQ(static_cast<double>(log().LogRect.IdoMin), log().LogItems[0].Ido);
    EXPECT_DOUBLE_EQ(static_cast<double>(log().LogRect.IdoMax), log().LogItems[19].Ido);
}

TEST(RunNameTest, ForbiddenCharactersAndEmptyNames) {
    EXPECT_EQ(FirstForbiddenNameChar("20240429_1700"), -1);
    EXPECT_EQ(FirstForbiddenNameChar(""), 0);
    EXPECT_EQ(FirstForbiddenNameChar("17:00"), 2);
    EXPECT_EQ(FirstForbiddenNameChar("a|b*c"), 1);
    for (char c : std::string("\\/:*?\"<>|")) {
        EXPECT_EQ(FirstForbiddenNameChar(std::string("x") + c), 1) << c;
    }
    EXPECT_EQ(LogNameLabel("QV4_202404291700_long_name"), "QV4_202404291700_lon");
    // "Track_" and seven three-byte characters: the 20th byte is inside the
    // fifth, which is left out whole.
    EXPECT_EQ(LogNameLabel("Track_\u9234\u9e7f\u30b5\u30fc\u30ad\u30c3\u30c8"),
              "Track_\u9234\u9e7f\u30b5\u30fc");
    EXPECT_EQ(LogNameLabel("short"), "short");
}

TEST(MapProjectionTest, KeepsTheGroundAspectAndRoundTrips) {
    // 0.01 degree square at 35 N: wider in latitude metres than in longitude metres.
    const ViewRect view{35.0, 35.01, 139.0, 139.01};
    const MapProjection p = ProjectMap(view, 849, 649);
    EXPECT_EQ(p.height, 592);  // (649 - 49) rounded down to 16
    EXPECT_EQ(p.width, static_cast<int>(592 * std::cos(35.0 / 180 * kPi)));
    EXPECT_EQ(p.top, (649 - 592) / 2);
    EXPECT_EQ(p.left, (849 - 800) / 2 + (800 - p.width) / 2);
    EXPECT_EQ(p.X(139.0), p.left);
    EXPECT_EQ(p.Y(35.0), p.top + p.height);
    // A pixel converted to degrees and back lands on the same pixel.
    for (int x = p.left; x < p.left + p.width; ++x) {
        EXPECT_EQ(p.X(p.Lon(x)), x);
    }
    for (int y = p.top; y <= p.top + p.height; ++y)
        EXPECT_EQ(p.Y(p.Lat(y)), y);
    // A single-fix view does not divide by zero.
    const MapProjection point = ProjectMap({35, 35, 139, 139}, 400, 300);
    EXPECT_EQ(point.X(139), point.left);
}

TEST(ZoomViewTest, WheelZoomStaysInsideTheLog) {
    const ViewRect bounds{35.0, 35.1, 139.0, 139.1};
    // Zooming out of a view covering the log does nothing.
    const ViewRect same = ZoomView(bounds, bounds, 35.05, 139.05, false);
    EXPECT_EQ(same.IdoMin, bounds.IdoMin);
    EXPECT_EQ(same.KdoMax, bounds.KdoMax);
    // Zooming in near a corner keeps 0.9 of the extent, shifted inside.
    const ViewRect in = ZoomView(bounds, bounds, 35.0, 139.0, true);
    EXPECT_NEAR(static_cast<double>(in.IdoMax - in.IdoMin), 0.09, 1e-12);
    EXPECT_EQ(in.IdoMin, bounds.IdoMin);
    EXPECT_EQ(in.KdoMin, bounds.KdoMin);
    // Zooming out of that view is clipped to the log.
    const ViewRect out = ZoomView(in, bounds, 35.09, 139.09, false);
    EXPECT_GE(out.IdoMin, bounds.IdoMin);
    EXPECT_LE(out.IdoMax, bounds.IdoMax);
    EXPECT_NEAR(static_cast<double>(out.IdoMax - out.IdoMin), 0.099, 1e-12);
}

// The map of this view spans x 181..666 and y 28..620 in an 849 x 649 box.
class LineEditorTest : public ::testing::Test {
  protected:
    LineEditorTest() : editor_(lines_), map_(ProjectMap({35.0, 35.01, 139.0, 139.01}, 849, 649)) {}
    void Drag(int x0, int y0, int x1, int y1) {
        editor_.Press(x0, y0, map_);
        editor_.Move(x1, y1);
        editor_.Release(x1, y1, map_);
    }
    // The rubber line's ends as x0, y0, x1, y1, if one is drawn.
    std::optional<std::tuple<int, int, int, int>> RubberEnds() const {
        const auto r = editor_.RubberLine(map_);
        return r ? std::optional(std::make_tuple(r->x0, r->y0, r->x1, r->y1)) : std::nullopt;
    }
    LineState lines_;
    LineEditor editor_;
    MapProjection map_;
};

TEST_F(LineEditorTest, DrawingAndRemovingTheControlLine) {
    Drag(250, 100, 350, 150);
    ASSERT_TRUE(lines_.controlLineSet);
    EXPECT_EQ(map_.X(lines_.first[0].lon), 250);
    EXPECT_EQ(map_.Y(lines_.first[1].lat), 150);

    // Grabbing the second end within 3 pixels and dropping it on the first removes the line.
    Drag(352, 148, 250, 100);
    EXPECT_FALSE(lines_.controlLineSet);

    // A click without movement creates nothing.
    Drag(450, 300, 450, 300);
    EXPECT_FALSE(lines_.controlLineSet);
}

TEST_F(LineEditorTest, DraggingAnEndMovesOnlyThatEnd) {
    Drag(250, 100, 350, 150);
    const LinePoint second = lines_.first[1];
    Drag(249, 102, 270, 90);
    EXPECT_TRUE(lines_.controlLineSet);
    EXPECT_EQ(map_.X(lines_.first[0].lon), 270);
    EXPECT_EQ(lines_.first[1].lat, second.lat);
}

TEST(LineEditorOnePointView, DragOverAViewWithoutExtentMakesNoLine) {
    LineState lines;
    LineEditor editor(lines);
    const MapProjection point = ProjectMap({35.0, 35.0, 139.0, 139.0}, 400, 300);
    editor.Press(50, 50, point);
    editor.Release(150, 120, point);
    EXPECT_FALSE(lines.controlLineSet);
}

TEST_F(LineEditorTest, RubberLineRunsFromTheFixedEndToThePointer) {
    EXPECT_FALSE(RubberEnds());
    editor_.Press(250, 100, map_);
    editor_.Move(300, 120);
    EXPECT_EQ(RubberEnds(), std::make_tuple(250, 100, 300, 120));
    editor_.Release(350, 150, map_);
    EXPECT_FALSE(RubberEnds());

    // Reshaping keeps the other end in place, and the ends in their order.
    editor_.Press(251, 99, map_);
    editor_.Move(240, 90);
    EXPECT_EQ(RubberEnds(), std::make_tuple(240, 90, 350, 150));
    editor_.Release(240, 90, map_);
    editor_.Press(349, 151, map_);
    editor_.Move(400, 160);
    EXPECT_EQ(RubberEnds(), std::make_tuple(240, 90, 400, 160));
    editor_.Release(400, 160, map_);

    editor_.SelectTool(LineTool::Zoom);
    editor_.Press(250, 100, map_);
    EXPECT_FALSE(RubberEnds());
}

TEST_F(LineEditorTest, StartAndFinishReplaceTheControlLine) {
    Drag(250, 100, 350, 150);
    editor_.SelectTool(LineTool::Start);
    Drag(450, 100, 470, 150);
    EXPECT_FALSE(lines_.controlLineSet);
    EXPECT_TRUE(lines_.startLineSet);
    editor_.SelectTool(LineTool::Finish);
    Drag(550, 100, 570, 150);
    EXPECT_TRUE(lines_.startLineSet);
    EXPECT_TRUE(lines_.finishLineSet);
    // Erasing with the finish tool keeps the start line.
    editor_.EraseLines();
    EXPECT_TRUE(lines_.startLineSet);
    EXPECT_FALSE(lines_.finishLineSet);
    // A new control line clears everything else.
    editor_.SelectTool(LineTool::Control);
    Drag(250, 100, 350, 150);
    EXPECT_TRUE(lines_.controlLineSet);
    EXPECT_FALSE(lines_.startLineSet);
}

TEST_F(LineEditorTest, RallyOptionAndTools) {
    editor_.SetRally(true);
    EXPECT_TRUE(lines_.Rally);
    EXPECT_EQ(editor_.Tool(), LineTool::Start);
    editor_.SelectTool(LineTool::Control);
    EXPECT_FALSE(lines_.Rally);
}

TEST_F(LineEditorTest, ZoomRectangleBecomesTheView) {
    editor_.SelectTool(LineTool::Zoom);
    editor_.Press(250, 100, map_);
    EXPECT_FALSE(editor_.Release(250, 200, map_));  // no width
    editor_.Press(250, 100, map_);
    const auto view = editor_.Release(350, 50, map_);
    ASSERT_TRUE(view);
    EXPECT_LT(view->IdoMin, view->IdoMax);
    EXPECT_LT(view->KdoMin, view->KdoMax);
    EXPECT_EQ(map_.X(view->KdoMin), 250);
    EXPECT_FALSE(lines_.controlLineSet);
}

TEST(MarkerTest, ExactlyTwoValues) {
    LineState lines;
    EXPECT_FALSE(SetMarkerFromText(lines, "35.1"));
    EXPECT_FALSE(SetMarkerFromText(lines, "35.1,135.2,3"));
    EXPECT_FALSE(lines.markerSet);
    EXPECT_TRUE(SetMarkerFromText(lines, "35.123456,135.123456"));
    EXPECT_TRUE(lines.markerSet);
    EXPECT_NEAR(static_cast<double>(lines.marker.lon), 135.123456, 1e-12);
}

TEST_F(LogBlockRulesTest, ShiftingMovesEveryFixByOnePixel) {
    MakeLog({EncodeDate(2024, 4, 29)}, 4);
    const ViewRect view{35.0, 35.1, 139.0, 139.2};
    const double lon0 = log().LogItems[2].Kdo;
    ShiftLog(log(), view, 400, 300, ShiftDirection::East);
    ShiftLog(log(), view, 400, 300, ShiftDirection::East);
    EXPECT_NEAR(log().LogItems[2].Kdo - lon0, 2 * 0.2 / 400, 1e-12);
    const double lat0 = log().LogItems[3].Ido;
    ShiftLog(log(), view, 400, 300, ShiftDirection::South);
    EXPECT_NEAR(log().LogItems[3].Ido - lat0, -0.1 / 300, 1e-12);
}

TEST_F(LogBlockRulesTest, SavingTheSelectionAsALapFile) {
    MakeLog({EncodeDate(2024, 4, 29), EncodeDate(2024, 4, 30)}, 5);
    log().LogBlocks[1].Act = true;
    log().LogItems[7].Dir = 270;  // turned to the lap convention: 90
    ApplyBlockTicks(log());
    const std::vector<TLapElmRec> samples = SelectionAsLapSamples(log());
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[0].Tm, 0.0);
    EXPECT_NEAR(static_cast<double>(samples[4].Sec), 4.0, 1e-6);
    EXPECT_EQ(static_cast<Float80>(samples[0].Dir), 180);
    EXPECT_EQ(static_cast<Float80>(samples[2].Dir), 90);
    EXPECT_EQ(static_cast<Float80>(samples[0].Dist), 0);
    EXPECT_GT(static_cast<Float80>(samples[4].Dist), static_cast<Float80>(samples[3].Dist));

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "saved.txt").string());  // the extension is replaced
    Folders folders;
    folders.lastLogFolder = dir.path();
    const SaveRecordResult saved = SaveRecord(log(), prompter, folders);
    ASSERT_TRUE(saved.saved) << saved.error;
    EXPECT_EQ(prompter.shown[0].request.proposedName, "LOG_20240430_0000.dtb");
    EXPECT_EQ(test::ReadBytes(dir / "saved.dtb").size(), 5 * 128u);

    // An existing file is replaced only after a Yes.
    prompter.files.push_back((dir / "saved.dtb").string());
    prompter.answers.push_back(false);
    EXPECT_FALSE(SaveRecord(log(), prompter, folders).saved);
    EXPECT_EQ(prompter.Messages().back(),
              (dir / "saved.dtb").string() + " already exists.\rDo you want to replace it ?");

    // One active fix is no selection.
    SetAllBlocks(log(), false);
    log().LogItems[0].Act = true;
    EXPECT_TRUE(SelectionAsLapSamples(log()).empty());
}

TEST(DialogOkTest, AsksOnlyWhenNoLineIsSet) {
    LineState lines;
    test::ScriptedPrompter prompter;
    prompter.answers = {true, false};
    EXPECT_EQ(OnDialogOk(lines, prompter), CloseDecision::FindCircuit);
    EXPECT_EQ(OnDialogOk(lines, prompter), CloseDecision::CloseWithOk);
    ASSERT_EQ(prompter.Messages().size(), 2u);
    EXPECT_EQ(prompter.Messages()[0], "Control line is not set.\rFind control line？");
    lines.finishLineSet = true;
    EXPECT_EQ(OnDialogOk(lines, prompter), CloseDecision::CloseWithOk);
    EXPECT_EQ(prompter.Messages().size(), 2u);
}

}  // namespace
}  // namespace qv
