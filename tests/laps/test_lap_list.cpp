#include <gtest/gtest.h>

#include <memory>

#include "app/session.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_commands.h"
#include "laps/lap_list_marks.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "synth/lap_files.h"
#include "synth/run_file_encoder.h"

namespace qv {
namespace {

std::vector<TLapStrLstRec> List(std::initializer_list<std::pair<double, double>> secAndSpeed) {
    std::vector<TLapStrLstRec> list;
    for (const auto& [sec, spd] : secAndSpeed)
        list.push_back(TLapStrLstRec{sec, spd});
    return list;
}

TEST(BestLapMarksTest, FirstOfEqualsWinsAndRanksNeverOvertake) {
    const BestLapMarks m =
        ComputeBestLapMarks(List({{65.2, 180}, {64.9, 181}, {64.9, 181}, {66, 179}}));
    EXPECT_EQ(m.lapTime, (Ranks3{1, 2, 0}));
    EXPECT_EQ(m.topSpeed, (Ranks3{1, 2, 0}));

    const BestLapMarks two = ComputeBestLapMarks(List({{70, 150}, {60, 160}}));
    EXPECT_EQ(two.lapTime, (Ranks3{1, 0, -1}));
    EXPECT_EQ(two.topSpeed, (Ranks3{1, 0, -1}));
    EXPECT_EQ(ComputeBestLapMarks({}).lapTime, kNoRanks);
}

TEST(LapListStyleTest, SlotColoursGroupsAndRanks) {
    LapRow row;
    row[1] = "0002";
    row[19] = "3";
    LapListMarks marks;
    marks.laps.lapTime = {5, 2, -1};
    marks.sectorTime[1] = {-1, -1, 2};
    const std::vector<std::string> slots = {"0007", "0002"};

    const LapListCellStyle name = LapListCellStyleOf(row, 2, 0, slots, marks);
    EXPECT_EQ(name.font, kSlotColours[1]);  // shown in slot B
    EXPECT_EQ(name.background, kGroupShade);
    EXPECT_EQ(name.align, CellAlign::Left);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 4, slots, marks).background, kRankColours[1]);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 9, slots, marks).background, kRankColours[2]);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 19, slots, marks).background, kWhite);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 19, slots, marks).font, kWhite);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 2, slots, marks).align, CellAlign::Center);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 6, slots, marks).align, CellAlign::Right);
    EXPECT_EQ(LapListCellStyleOf(row, 2, 7, slots, marks).inset, 6);

    row[19] = "4";
    row[1] = "0009";
    const LapListCellStyle plain = LapListCellStyleOf(row, 9, 0, slots, marks);
    EXPECT_EQ(plain.background, kWhite);
    EXPECT_EQ(plain.font, kBlack);
}

class LapListCommandsTest : public ::testing::Test {
  protected:
    LapListCommandsTest() : session(std::make_unique<Session>(25569.0)) {
        session->folders.TempFolder = dir / "temp";
        std::filesystem::create_directories(dir / "temp");
        std::filesystem::create_directories(dir / "laps");
        synth::DriveOptions options;
        options.laps = 1;
        fixes = synth::SynthesizeDrive(synth::DemoCircuit(), options).fixes;
        samples = synth::LapSamplesOfFixes(fixes, 25569.0);
    }
    std::string Path(const std::string& name) { return (dir / "laps" / name).string(); }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    std::vector<synth::SynthFix> fixes;
    std::vector<TLapElmRec> samples;
    test::ScriptedPrompter prompter;
};

TEST_F(LapListCommandsTest, LoadingDispatchesByExtension) {
    ASSERT_TRUE(synth::WriteDtbFile(Path("a.dtb"), samples).ok);
    const std::string text = synth::CsvvText(samples);
    test::WriteBytes(Path("b.csvv"), std::vector<uint8_t>(text.begin(), text.end()));
    test::WriteBytes(Path("c.BON"), synth::EncodeRunFile(fixes, RunFileVariant::Bon));
    test::WriteBytes(Path("d.bond"), synth::EncodeRunFile(fixes, RunFileVariant::Bon));
    test::WriteBytes(Path("e.csv"), std::vector<uint8_t>(10, 'x'));
    test::WriteBytes(Path("f.dtb"), std::vector<uint8_t>(129, 0));  // not whole records

    prompter.files = {Path("a.dtb"), Path("b.csvv"), Path("c.BON"), Path("d.bond"),
                      Path("e.csv"), Path("f.dtb"),  std::nullopt};
    const LoadLapsResult r = SpeedButtonLoadClick(*session, prompter);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Open lap data");
    EXPECT_EQ(prompter.shown[0].request.filter, "Quorvane Data files|*.dtb;*.bon;*.bonz");
    EXPECT_EQ(r.rowsAdded, 3);
    EXPECT_EQ(r.csvImports, std::vector<std::string>{Path("e.csv")});
    ASSERT_EQ(session->laps.LapNum(), 3);
    EXPECT_EQ(session->laps.LapRows[0][7], "a");
    EXPECT_EQ(session->laps.LapRows[1][7], "");  // text laps name no file
    EXPECT_EQ(session->laps.LapRows[2][0], "c");
    EXPECT_EQ(session->laps.LapRows[2][19], "2");  // every file its own group
    EXPECT_EQ(session->folders.lastLapDataFolder, dir / "laps");
    EXPECT_EQ(ReadLapFile(TempLapFilePath(session->folders, 1)).samples.size(), samples.size());
}

class ScriptedNameDialog : public NameEditDialog {
  public:
    std::optional<std::string> answer;
    std::string caption, shownName;
    std::optional<std::string> Edit(const std::string& c, const std::string& current) override {
        caption = c;
        shownName = current;
        return answer;
    }
};

TEST_F(LapListCommandsTest, EditingTheDataName) {
    ASSERT_TRUE(synth::WriteDtbFile(Path("a.dtb"), samples).ok);
    LoadLapFiles(*session, {Path("a.dtb"), Path("a.dtb")});
    ScriptedNameDialog dialog;
    dialog.answer = "Qualifying";
    EXPECT_FALSE(SpeedButtonEdiDataNameClick(session->laps, 2, 1, true, dialog));   // column 1
    EXPECT_FALSE(SpeedButtonEdiDataNameClick(session->laps, 2, 0, false, dialog));  // no focus
    EXPECT_FALSE(SpeedButtonEdiDataNameClick(session->laps, 3, 0, true, dialog));   // no lap
    ASSERT_TRUE(SpeedButtonEdiDataNameClick(session->laps, 2, 0, true, dialog));
    EXPECT_EQ(dialog.caption, "Edit data name0001");
    EXPECT_EQ(dialog.shownName, "a");
    EXPECT_EQ(session->laps.LapRows[1][0], "Qualifying");
    EXPECT_EQ(session->laps.LapRows[1][1], "0001");

    dialog.answer = "a/b";
    EXPECT_FALSE(SpeedButtonEdiDataNameClick(session->laps, 2, 0, true, dialog));
    dialog.answer.reset();
    EXPECT_FALSE(SpeedButtonEdiDataNameClick(session->laps, 2, 0, true, dialog));
    EXPECT_EQ(session->laps.LapRows[1][0], "Qualifying");
}

TEST_F(LapListCommandsTest, RemovingAllLaps) {
    EXPECT_EQ(SpeedButtonClrDtClick(session->laps, prompter), RemoveAllOutcome::Nothing);
    EXPECT_TRUE(prompter.shown.empty());  // nothing to remove: no question

    ASSERT_TRUE(synth::WriteDtbFile(Path("a.dtb"), samples).ok);
    LoadLapFiles(*session, {Path("a.dtb"), Path("a.dtb")});
    session->laps.LapDt.emplace_back();
    prompter.answers = {false};
    EXPECT_EQ(SpeedButtonClrDtClick(session->laps, prompter), RemoveAllOutcome::Nothing);
    EXPECT_EQ(session->laps.LapNum(), 2);
    prompter.answers = {true};
    EXPECT_EQ(SpeedButtonClrDtClick(session->laps, prompter), RemoveAllOutcome::Removed);
    EXPECT_EQ(prompter.Messages().back(), "Do you remove all lap data?");
    EXPECT_EQ(prompter.shown.back().icon, MessageIcon::Confirmation);
    EXPECT_EQ(session->laps.LapNum(), 0);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    EXPECT_EQ(session->laps.LapGroupNo, 0);
    // Numbering starts again from 0000.
    LoadLapFiles(*session, {Path("a.dtb")});
    EXPECT_EQ(session->laps.LapRows[0][1], "0000");
}

}  // namespace
}  // namespace qv
