#include "laps/open_log.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/session.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

// Answers the log-block dialog: records what it was shown, optionally
// sets the control line, and closes with OK or Cancel.
class ScriptedDialog : public LogBlockDialogStep {
  public:
    std::optional<Line> controlLine;
    bool ok = true;
    int shown = 0;
    std::string logName;
    std::vector<bool> ticks;

    bool Show(LapSession& session, const std::string& name) override {
        ++shown;
        logName = name;
        ticks.clear();
        for (const TLogBlock& block : session.log.LogBlocks)
            ticks.push_back(block.Act);
        if (controlLine) {
            session.lines.controlLineSet = true;
            session.lines.first = *controlLine;
        }
        return ok;
    }
};

class OpenLogTest : public ::testing::Test {
  protected:
    OpenLogTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        // Above the 200 m out-lap and the run-outs after the line.
        session->settings.MinLapDist = 0.25;
        circuit = synth::DemoCircuit();
        dialog.controlLine = Line{LinePoint{circuit.lineA.lat, circuit.lineA.lon},
                                  LinePoint{circuit.lineB.lat, circuit.lineB.lon}};
    }

    // Two sessions of two flying laps each, ten minutes apart.
    std::filesystem::path WriteDemoLog(const std::string& name) {
        synth::DriveOptions options;
        options.laps = 4;
        options.gaps = {synth::Stop{2, 600}};
        drive = synth::SynthesizeDrive(circuit, options);
        const std::filesystem::path path = dir.path() / name;
        test::WriteBytes(path, synth::EncodeBnx4Image(drive.fixes));
        return path;
    }

    OpenLogOutcome Open(const std::filesystem::path& path) {
        OpenLogContext context{*session, prompter, dialog, [this] { return now; }};
        return OpenLogFile(context, path);
    }
    OpenLogOutcome Reopen() {
        OpenLogContext context{*session, prompter, dialog, [this] { return now; }};
        return SpeedButtonReLogClick(context);
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
    ScriptedDialog dialog;
    synth::Circuit circuit;
    synth::Drive drive;
    TDateTime now = EncodeDate(2030, 1, 1);
};

TEST_F(OpenLogTest, OpeningCutsLapsAndASecondLogAddsANewGroup) {
    const std::filesystem::path path = WriteDemoLog("first.bnx4");
    const OpenLogOutcome first = Open(path);
    ASSERT_TRUE(first.load.proceed) << first.load.message;
    EXPECT_TRUE(prompter.Messages().empty());
    EXPECT_EQ(dialog.logName, "first");
    EXPECT_EQ(dialog.ticks, (std::vector<bool>{true, true}));
    EXPECT_EQ(session->diagnostics.Lines().front(),
              std::to_string(session->log.LogItemNum) + " records");
    EXPECT_EQ(session->folders.lastLogFolder, dir.path());
    // Laps 1 and 2 in the first run; lap 3 runs on through the gap into the
    // second run, which holds lap 4.
    ASSERT_EQ(first.lapsAdded, 4);
    EXPECT_EQ(session->laps.LapGroupNo, 1);
    EXPECT_EQ(session->laps.LapRows[0][19], "0");
    EXPECT_EQ(session->laps.LapRows[3][7], "first");
    EXPECT_EQ(session->laps.LapRows[0][0], session->laps.LapRows[2][0]);  // run titles
    EXPECT_NE(session->laps.LapRows[0][0], session->laps.LapRows[3][0]);
    EXPECT_GT(session->laps.LapList[2].Sec, 600);

    std::filesystem::copy_file(path, dir.path() / "second.bnx4");
    const OpenLogOutcome second = Open(dir.path() / "second.bnx4");
    ASSERT_EQ(second.lapsAdded, 4);
    EXPECT_EQ(session->laps.LapNum(), 8);
    EXPECT_EQ(session->laps.LapRows[4][1], "0004");
    EXPECT_EQ(session->laps.LapRows[4][7], "second");
    EXPECT_EQ(session->laps.LapRows[4][19], "1");
    EXPECT_EQ(session->laps.LapGroupNo, 2);
}

TEST_F(OpenLogTest, RunsStartingInTheFutureOrOutOfOrderAreNotTicked) {
    const std::filesystem::path path = WriteDemoLog("log.bnx4");
    // "Now" lies between the two runs.
    now = synth::LocalTimeOfUtcMs(drive.gapUtcMs[0].fromUtcMs, kBase);
    dialog.ok = false;
    Open(path);
    EXPECT_EQ(dialog.ticks, (std::vector<bool>{true, false}));
}

TEST_F(OpenLogTest, CancelKeepsTheLogForReopen) {
    const std::filesystem::path path = WriteDemoLog("log.bnx4");
    dialog.ok = false;
    const OpenLogOutcome cancelled = Open(path);
    EXPECT_TRUE(cancelled.dialogShown);
    EXPECT_EQ(cancelled.lapsAdded, 0);
    EXPECT_EQ(session->laps.LapGroupNo, 0);

    // Reopen keeps the selection of the first run: only run 1 ticked now.
    session->log.LogBlocks[1].Act = false;
    dialog.ok = true;
    const OpenLogOutcome reopened = Reopen();
    EXPECT_EQ(dialog.ticks, (std::vector<bool>{true, false}));
    EXPECT_EQ(dialog.logName, "log");
    EXPECT_EQ(reopened.lapsAdded, 2);
    EXPECT_EQ(session->laps.LapGroupNo, 1);
}

TEST_F(OpenLogTest, TooLittleToCut) {
    const OpenLogOutcome nothing = Reopen();
    EXPECT_FALSE(nothing.dialogShown);
    EXPECT_EQ(prompter.Messages(), std::vector<std::string>{"There is not a trace."});

    synth::SynthFix fix;
    fix.utcMs = 1714377600000;
    fix.lat = 35;
    fix.lon = 139;
    fix.spd = 50;
    fix.satUsed = 9;
    test::WriteBytes(dir.path() / "one.bnx4", synth::EncodeBnx4Image({fix}));
    const OpenLogOutcome one = Open(dir.path() / "one.bnx4");
    EXPECT_TRUE(one.load.proceed);
    EXPECT_FALSE(one.dialogShown);
    EXPECT_EQ(session->diagnostics.Lines().front(), "1 records");
}

TEST_F(OpenLogTest, RefusedFilesShowTheMessageAndStop) {
    test::WriteBytes(dir.path() / "short.bnx4", std::vector<uint8_t>(4095, 0xFF));
    const OpenLogOutcome refused = Open(dir.path() / "short.bnx4");
    EXPECT_FALSE(refused.dialogShown);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "It is not a Quorvane log format.");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Confirmation);

    // A file that does not exist, or of a kind not opened, does nothing.
    prompter.shown.clear();
    EXPECT_FALSE(Open(dir.path() / "missing.bnx4").dialogShown);
    test::WriteBytes(dir.path() / "notes.md", std::vector<uint8_t>(10, 'a'));
    EXPECT_FALSE(Open(dir.path() / "notes.md").dialogShown);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(OpenLogTest, TheButtonAsksForTheFileInTheLastLogFolder) {
    session->folders.lastLogFolder = dir.path();
    OpenLogContext context{*session, prompter, dialog, [this] { return now; }};
    prompter.files.push_back(std::nullopt);
    EXPECT_FALSE(SpeedButtonLdLogFileClick(context).dialogShown);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Open log data");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, dir.path().string());
    EXPECT_EQ(prompter.shown[0].request.filter.substr(0, 40),
              "Quorvane GPS data files or Record files|");

    prompter.files.push_back(WriteDemoLog("picked.bnx4").string());
    EXPECT_EQ(SpeedButtonLdLogFileClick(context).lapsAdded, 4);
}

}  // namespace
}  // namespace qv
