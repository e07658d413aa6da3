#include "laps/log_line.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "laps/lap_session.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

const Line kFileLine{LinePoint{35.1, 139.1}, LinePoint{35.1003, 139.1002}};
const Line kUserLine{LinePoint{35.2, 139.2}, LinePoint{35.2004, 139.2001}};

std::array<LogSession::FileLinePoint, 2> FilePoints(const Line& line) {
    return {LogSession::FileLinePoint{line[0].lat, line[0].lon},
            LogSession::FileLinePoint{line[1].lat, line[1].lon}};
}

TEST(FileStartLine, OnlyTwoDifferentPointsOnTheGlobeMakeALine) {
    const Float80 nan = std::numeric_limits<Float80>::quiet_NaN();
    const Float80 inf = std::numeric_limits<Float80>::infinity();
    const struct {
        const char* name;
        Line line;
        bool usable;
    } cases[] = {
        {"two points", kFileLine, true},
        {"at the poles' and date line's edge", Line{LinePoint{-90, -180}, LinePoint{90, 180}},
         true},
        {"one point twice", Line{LinePoint{35.1, 139.1}, LinePoint{35.1, 139.1}}, false},
        {"latitude past the pole", Line{LinePoint{90.5, 139.1}, LinePoint{35.1, 139.1}}, false},
        {"longitude past the date line", Line{LinePoint{35.1, 139.1}, LinePoint{35.1, -180.2}},
         false},
        {"not a number", Line{LinePoint{nan, 139.1}, LinePoint{35.1, 139.1}}, false},
        {"infinite", Line{LinePoint{35.1, 139.1}, LinePoint{35.1, inf}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogSession log(kBase);
        log.fileStartLine = FilePoints(c.line);
        const std::optional<Line> line = FileStartLineOf(log);
        ASSERT_EQ(line.has_value(), c.usable);
        if (c.usable) {
            EXPECT_TRUE(*line == c.line);
        }
    }
    LogSession none(kBase);
    EXPECT_FALSE(FileStartLineOf(none).has_value());
}

// A line the user has (their own control line, or start and finish lines)
// or one the circuit search loaded wins over the file's; the Rally option
// is never touched.
TEST(LogLineOffer, FileStartLineBecomesTheControlLineOnlyWhenNoLineIsSet) {
    enum class Before { None, Control, StartFinish };
    const struct {
        const char* name;
        Before before;
        SelCircuitOutcome search;
        bool rally;
        bool taken;
    } cases[] = {
        {"nothing near", Before::None, SelCircuitOutcome::NotFound, false, true},
        {"only a track map found", Before::None, SelCircuitOutcome::Done, true, true},
        {"no reference point", Before::None, SelCircuitOutcome::NoReferencePoint, true, true},
        {"the user's control line", Before::Control, SelCircuitOutcome::NotRun, false, false},
        {"a control line found", Before::Control, SelCircuitOutcome::Done, true, false},
        {"start and finish lines", Before::StartFinish, SelCircuitOutcome::NotRun, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LapSession session(kBase);
        session.fileStartLine = FilePoints(kFileLine);
        LineState& lines = session.lines;
        lines.Rally = c.rally;
        lines.first = kUserLine;
        lines.controlLineSet = c.before == Before::Control;
        lines.startLineSet = lines.finishLineSet = c.before == Before::StartFinish;

        LogLineOffer offer(lines);
        offer.Offer(session, c.search, /*suggest=*/true);
        EXPECT_EQ(offer.FromFile(), c.taken);
        EXPECT_FALSE(offer.Pending().has_value());
        EXPECT_EQ(IsLogLine(lines), c.taken);
        EXPECT_TRUE(lines.first == (c.taken ? kFileLine : kUserLine));
        EXPECT_EQ(lines.controlLineSet, c.taken || c.before == Before::Control);
        EXPECT_EQ(lines.startLineSet, c.before == Before::StartFinish);
        EXPECT_EQ(lines.Rally, c.rally);
    }
}

class SuggestionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        synth::DriveOptions options;
        options.laps = 3;
        drive_ = new synth::Drive(synth::SynthesizeDrive(synth::DemoCircuit(), options));
    }
    static void TearDownTestSuite() {
        delete drive_;
        drive_ = nullptr;
    }
    SuggestionTest() : session_(std::make_unique<LapSession>(kBase)) {
        synth::LoadDriveIntoLog(*drive_, session_->log, kBase);
        session_->lines.Rally = true;
    }

    static synth::Drive* drive_;
    std::unique_ptr<LapSession> session_;
    test::ScriptedPrompter prompter_;
};
synth::Drive* SuggestionTest::drive_ = nullptr;

TEST_F(SuggestionTest, OfferedOnlyWhenAskedForAndNothingIsNear) {
    const struct {
        SelCircuitOutcome search;
        bool suggest;
        bool offered;
    } cases[] = {
        {SelCircuitOutcome::NotFound, true, true},
        {SelCircuitOutcome::NotFound, false, false},
        {SelCircuitOutcome::Done, true, false},
        {SelCircuitOutcome::NotRun, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.search) * 10 + c.suggest);
        LogLineOffer offer(session_->lines);
        offer.Offer(*session_, c.search, c.suggest);
        EXPECT_EQ(offer.Pending().has_value(), c.offered);
        EXPECT_FALSE(offer.FromFile());
        // Offering lays no line and leaves the options alone.
        EXPECT_FALSE(session_->lines.controlLineSet);
        EXPECT_FALSE(session_->lines.logLine.has_value());
        EXPECT_TRUE(session_->lines.Rally);
    }
}

// What the user does with a suggestion, and what OK then does.
TEST_F(SuggestionTest, TakenByOkOrTheButtonRefusedByErase) {
    enum class Act { Ok, ButtonThenOk, EraseThenOk, OwnLineThenOk };
    const struct {
        const char* name;
        Act act;
        bool asked;          // "Control line is not set" came up
        bool suggestionCut;  // the suggestion is the log's control line
    } cases[] = {
        {"OK", Act::Ok, false, true},
        {"button, then OK", Act::ButtonThenOk, false, true},
        {"erase, then OK", Act::EraseThenOk, true, false},
        {"own line, then OK", Act::OwnLineThenOk, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineState& lines = session_->lines;
        lines = LineState{};
        lines.Rally = true;
        test::ScriptedPrompter prompter;
        LogLineOffer offer(lines);
        offer.Offer(*session_, SelCircuitOutcome::NotFound, true);
        ASSERT_TRUE(offer.Pending().has_value());
        const Line suggested = offer.Pending()->line;
        switch (c.act) {
            case Act::Ok:
                break;
            case Act::ButtonThenOk:
                EXPECT_TRUE(offer.Take());
                EXPECT_FALSE(offer.Take());
                break;
            case Act::EraseThenOk:
                offer.Refuse();
                break;
            case Act::OwnLineThenOk:
                lines.first = kUserLine;
                lines.controlLineSet = true;
                offer.LinesChanged();
                break;
        }
        EXPECT_EQ(offer.Ok(prompter), CloseDecision::CloseWithOk);
        EXPECT_EQ(prompter.Messages().size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(prompter.Messages()[0], kMsgControlLineNotSet);
        }
        EXPECT_FALSE(offer.Pending().has_value());
        EXPECT_EQ(IsLogLine(lines), c.suggestionCut);
        if (c.suggestionCut) {
            EXPECT_TRUE(lines.first == suggested);
        }
        if (c.act == Act::OwnLineThenOk) {
            EXPECT_TRUE(lines.first == kUserLine);
        }
        EXPECT_TRUE(lines.Rally);
    }
}

// A log's line goes with the log unless the user has made it theirs.
TEST(LogLine, ForgottenUnlessSavedOrReplaced) {
    enum class Act { Nothing, DragEnd, DrawNew, Save, LoadOther };
    const struct {
        const char* name;
        Act act;
        bool kept;
    } cases[] = {
        {"left as it came", Act::Nothing, false},      {"one end dragged", Act::DragEnd, false},
        {"a new line drawn", Act::DrawNew, true},      {"saved", Act::Save, true},
        {"another line loaded", Act::LoadOther, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineState lines;
        TakeLogLine(lines, kFileLine);
        ASSERT_TRUE(IsLogLine(lines));
        const MapProjection projection =
            ProjectMap(ViewRect{35.099, 35.101, 139.099, 139.101}, 600, 600);
        LineEditor editor(lines);
        const int x0 = projection.X(kFileLine[0].lon), y0 = projection.Y(kFileLine[0].lat);
        test::TempDir dir;
        test::ScriptedPrompter prompter;
        switch (c.act) {
            case Act::Nothing:
                break;
            case Act::DragEnd:
                editor.Press(x0, y0, projection);
                editor.Release(x0 + 30, y0 - 20, projection);
                EXPECT_FALSE(lines.first == kFileLine);
                break;
            case Act::DrawNew:
                editor.Press(x0 + 100, y0 + 100, projection);
                editor.Release(x0 + 160, y0 + 100, projection);
                break;
            case Act::Save:
                prompter.files.push_back((dir / "line.cln").string());
                EXPECT_TRUE(SaveLogBlockLines(prompter, lines, Folders{}));
                break;
            case Act::LoadOther:
                lines.first = kUserLine;
                break;
        }
        ASSERT_TRUE(lines.controlLineSet);
        const Line before = lines.first;
        ForgetLogLine(lines);
        EXPECT_EQ(lines.controlLineSet, c.kept);
        if (c.kept) {
            EXPECT_TRUE(lines.first == before);
        }
        EXPECT_FALSE(lines.logLine.has_value());
    }
}

}  // namespace
}  // namespace qv
