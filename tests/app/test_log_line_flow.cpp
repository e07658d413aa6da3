// A log's own control line (its file's start line, or the suggestion of its
// driving) across two logs opened one after the other, as the window and
// the command-line tool open them: it cuts the first log's laps and leaves
// the second free to find its circuit.

#include <gtest/gtest.h>

#include <memory>

#include "app/after_open_log.h"
#include "core/date_time.h"
#include "laps/log_line.h"
#include "laps/open_log.h"
#include "support/scripted_chooser.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

enum class Answer { TakeSuggestion, RefuseSuggestion, FileLine };

// The log-block dialog as the window runs it: the automatic circuit
// search, the log's offer, the user's answer, OK.
class OfferingDialog : public LogBlockDialogStep {
  public:
    OfferingDialog(CircuitIndex& index, Prompter& prompter) : index_(index), prompter_(prompter) {}

    bool Show(LapSession& session, const std::string&) override {
        CircuitCandidates candidates;
        search = ReqSelCircuit(session, index_, candidates, prompter_, chooser_, false).outcome;
        LogLineOffer offer(session.lines);
        offer.Offer(session, search, /*suggest=*/true);
        offered = offer.Pending().has_value();
        fromFile = offer.FromFile();
        if (answer == Answer::RefuseSuggestion)
            offer.Refuse();
        return offer.Ok(prompter_) == CloseDecision::CloseWithOk;
    }

    Answer answer = Answer::TakeSuggestion;
    SelCircuitOutcome search = SelCircuitOutcome::NotRun;
    bool offered = false;
    bool fromFile = false;

  private:
    CircuitIndex& index_;
    Prompter& prompter_;
    test::ScriptedChooser chooser_;
};

// The demo circuit moved about 22 km north, where no circuit file lies.
synth::Circuit FarCircuit() {
    synth::Circuit far = synth::DemoCircuit();
    far.name = "far";
    for (synth::LatLon& p : far.points)
        p.lat += 0.2;
    far.lineA.lat += 0.2;
    far.lineB.lat += 0.2;
    return far;
}

TEST(LogLineFlow, NextLogFindsItsCircuitWhateverTheLastLogsLine) {
    const synth::Circuit home = synth::DemoCircuit();
    const synth::Circuit far = FarCircuit();
    synth::DriveOptions options;
    options.laps = 3;
    const synth::Drive farDrive = synth::SynthesizeDrive(far, options);
    const synth::Drive homeDrive = synth::SynthesizeDrive(home, options);
    test::TempDir files;
    ASSERT_TRUE(synth::WriteCircuitFiles(home, files.path(), "home").ok);
    CircuitIndex index;
    index.trackMaps = BuildCircuitIndex(files.path(), CircuitFileKind::TrackMap, kBase, 46000);
    index.controlLines =
        BuildCircuitIndex(files.path(), CircuitFileKind::ControlLine, kBase, 46000);
    index.sectorGates = BuildCircuitIndex(files.path(), CircuitFileKind::SectorGates, kBase, 46000);

    const struct {
        Answer answer;
        bool rally;
    } cases[] = {
        {Answer::TakeSuggestion, false},   {Answer::TakeSuggestion, true},
        {Answer::RefuseSuggestion, false}, {Answer::RefuseSuggestion, true},
        {Answer::FileLine, false},         {Answer::FileLine, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer) * 10 + c.rally);
        test::TempDir temp;
        auto session = std::make_unique<Session>(kBase);
        session->folders.TempFolder = temp.path();
        session->lines.Rally = c.rally;
        test::ScriptedPrompter prompter;  // "Control line is not set": No
        OfferingDialog dialog(index, prompter);
        dialog.answer = c.answer;
        OpenLogContext context{*session, prompter, dialog, [] { return EncodeDate(2030, 1, 1); }};

        // The first log, far from every circuit file, read as by "Reopen
        // log data", which keeps the start line its file named.
        synth::LoadDriveIntoLog(farDrive, session->log, kBase);
        if (c.answer == Answer::FileLine)
            session->fileStartLine = {
                {{far.lineA.lat, far.lineA.lon}, {far.lineB.lat, far.lineB.lon}}};
        GateTable gatesBefore = session->gates;
        const OpenLogOutcome first = SpeedButtonReLogClick(context);
        StepsAfterOpenLog(*session, first, gatesBefore);
        EXPECT_EQ(dialog.search, SelCircuitOutcome::NotFound);
        EXPECT_EQ(dialog.offered, c.answer != Answer::FileLine);
        EXPECT_EQ(dialog.fromFile, c.answer == Answer::FileLine);
        // Refused, the whole drive is one lap; at the file's start line, the
        // three flying laps and the in-lap; at the suggestion, at least the
        // three flying laps.
        if (c.answer == Answer::RefuseSuggestion) {
            EXPECT_EQ(first.lapsAdded, 1);
        } else if (c.answer == Answer::FileLine) {
            EXPECT_EQ(first.lapsAdded, options.laps + 1);
        } else {
            EXPECT_GE(first.lapsAdded, options.laps);
        }
        EXPECT_EQ(prompter.Messages().size(), c.answer == Answer::RefuseSuggestion ? 1u : 0u);
        EXPECT_EQ(session->lines.Rally, c.rally);
        EXPECT_FALSE(session->lines.controlLineSet);

        // The next log, downloaded at the circuit whose files are indexed:
        // the logger's flash names no start line.
        synth::LoadDriveIntoLog(homeDrive, session->log, kBase);
        gatesBefore = session->gates;
        const OpenLogOutcome next = OpenDownloadedLog(context);
        StepsAfterOpenLog(*session, next, gatesBefore);
        EXPECT_EQ(dialog.search, SelCircuitOutcome::Done);
        EXPECT_FALSE(dialog.offered);
        EXPECT_FALSE(dialog.fromFile);
        EXPECT_FALSE(session->fileStartLine.has_value());
        ASSERT_TRUE(session->lines.controlLineSet);
        EXPECT_NEAR(static_cast<double>(session->lines.first[0].lat), home.lineA.lat, 1e-6);
        EXPECT_NEAR(static_cast<double>(session->lines.first[1].lon), home.lineB.lon, 1e-6);
        EXPECT_EQ(session->gates.SectCount, 3);
        EXPECT_EQ(next.lapsAdded, options.laps + 1);
    }
}

}  // namespace
}  // namespace qv
