#include "laps/lap_save.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/session.h"
#include "core/save_path.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/lap_files.h"

namespace qv {
namespace {

std::vector<TLapElmRec> Lap(int n, double lat0) {
    std::vector<synth::LatLon> points;
    for (int i = 0; i < n; ++i)
        points.push_back({lat0 + i * 1e-4, 139.0});
    return synth::LapSamplesOfPositions(points, 0.5, EncodeDate(2024, 5, 3));
}

// A lap list of three rows with their temporary lap files.
class LapSaveTest : public ::testing::Test {
  protected:
    LapSaveTest() : session_(std::make_unique<Session>(25569.0)) {
        session_->folders.TempFolder = dir_ / "temp";
        session_->folders.lastLapDataFolder = dir_ / "start";
        std::filesystem::create_directory(session_->folders.TempFolder);
        std::filesystem::create_directory(out_);
        for (int k = 0; k < 3; ++k) {
            const auto source = dir_ / ("run" + std::to_string(k) + ".dtb");
            EXPECT_TRUE(synth::WriteDtbFile(source, Lap(10 + k, 35 + k)).ok);
            EXPECT_TRUE(LoadLapFileToGrigBin(*session_, source).added);
        }
    }

    LapSaveResult SaveRow(int row, bool focus = true) {
        return SpeedButtonSvRunClick(*session_, prompter_, {.row = row, .listHasFocus = focus});
    }
    std::vector<uint8_t> TempBytes(int lapNo) {
        return test::ReadBytes(TempLapFilePath(session_->folders, lapNo));
    }
    LapRow& row(int lapNo) { return session_->laps.LapRows[lapNo]; }

    test::TempDir dir_;
    std::filesystem::path out_ = dir_ / "out";
    std::unique_ptr<Session> session_;
    test::ScriptedPrompter prompter_;
};

TEST(ProposedLapFileNameTest, JoinsNameNumberAndLapTime) {
    LapRow row;
    row[0] = "20240503_0912";
    row[1] = "0003";
    row[4] = "1:42.357";
    EXPECT_EQ(ProposedLapFileName(row), "20240503_0912_0003_1_42_357.dtb");
    row[0] = "lap.v2/a";
    row[4] = "1:02:03.004";
    EXPECT_EQ(ProposedLapFileName(row), "lap_v2_a_0003_1_02_03_004.dtb");
}

TEST_F(LapSaveTest, SavesTheSelectedLapAsACopy) {
    row(1)[0] = "20240503_0912";
    prompter_.files.push_back((out_ / "mine.DTB").string());
    const LapSaveResult r = SaveRow(2);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(r.filesWritten, 1);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    const FileDialogRequest& request = prompter_.shown[0].request;
    EXPECT_EQ(prompter_.shown[0].kind, "save");
    EXPECT_EQ(request.title, "Save lap data as...");
    EXPECT_EQ(request.filter, "Quorvane Data files|*.dtb");
    EXPECT_EQ(request.initialFolder, (dir_ / "start").string());
    EXPECT_EQ(request.proposedName, "20240503_0912_0001_0_05_000.dtb");
    EXPECT_EQ(test::ReadBytes(out_ / "mine.dtb"), TempBytes(1));
    EXPECT_FALSE(std::filesystem::exists(out_ / "mine.DTB"));
    EXPECT_EQ(session_->folders.lastLapDataFolder, out_);
}

TEST_F(LapSaveTest, NothingWithoutFocusOrLap) {
    prompter_.files.push_back((out_ / "x.dtb").string());
    EXPECT_EQ(SaveRow(1, false).filesWritten, 0);
    EXPECT_EQ(SaveRow(0).filesWritten, 0);  // the header row
    EXPECT_EQ(SaveRow(4).filesWritten, 0);  // below the last lap
    EXPECT_TRUE(prompter_.shown.empty());

    // A cancelled dialog leaves the folder as it was.
    prompter_.files = {std::nullopt};
    EXPECT_EQ(SaveRow(1).filesWritten, 0);
    EXPECT_EQ(session_->folders.lastLapDataFolder, dir_ / "start");
}

TEST_F(LapSaveTest, CsvLapsOnlyWithTheDiagnosticList) {
    row(0)[7] = "import.Csv";
    prompter_.files.push_back((out_ / "x.dtb").string());
    SaveRow(1);
    EXPECT_EQ(prompter_.Messages(),
              std::vector<std::string>{"CSV file data cannot be saved as lap data."});
    EXPECT_EQ(prompter_.shown.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(out_ / "x.dtb"));

    session_->diagnosticListVisible = true;
    EXPECT_EQ(SaveRow(1).filesWritten, 1);
    EXPECT_EQ(test::ReadBytes(out_ / "x.dtb"), TempBytes(0));
}

TEST_F(LapSaveTest, ReplaceQuestionNoKeepsTheFile) {
    const auto target = out_ / "x.dtb";
    test::WriteBytes(target, {1, 2, 3});
    prompter_.files = {target.string(), (out_ / "x.txt").string()};
    prompter_.answers = {false, true};
    EXPECT_EQ(SaveRow(1).filesWritten, 0);
    EXPECT_EQ(prompter_.Messages(), std::vector<std::string>{ReplaceQuestion(target)});
    EXPECT_EQ(prompter_.shown[1].icon, MessageIcon::Warning);
    EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));

    // A chosen .txt becomes the same .dtb; Yes replaces it.
    EXPECT_EQ(SaveRow(1).filesWritten, 1);
    EXPECT_EQ(test::ReadBytes(target), TempBytes(0));
    EXPECT_FALSE(std::filesystem::exists(out_ / "x.txt"));
}

TEST_F(LapSaveTest, MissingOrDamagedTemporaryFileGivesNothing) {
    std::filesystem::remove(TempLapFilePath(session_->folders, 0));
    test::WriteBytes(TempLapFilePath(session_->folders, 1), std::vector<uint8_t>(129));
    prompter_.files = {(out_ / "a.dtb").string(), (out_ / "b.dtb").string()};
    LapSaveResult r = SaveRow(1);
    EXPECT_EQ(r.filesWritten, 0);
    EXPECT_TRUE(r.error.empty());
    r = SaveRow(2);
    EXPECT_EQ(r.filesWritten, 0);
    EXPECT_FALSE(std::filesystem::exists(out_ / "a.dtb"));
    EXPECT_FALSE(std::filesystem::exists(out_ / "b.dtb"));
}

TEST_F(LapSaveTest, WriteFailureReportsThePlatformMessage) {
    prompter_.files.push_back((dir_ / "no" / "such" / "x.dtb").string());
    const LapSaveResult r = SaveRow(1);
    EXPECT_EQ(r.filesWritten, 0);
    EXPECT_FALSE(r.error.empty());
}

TEST_F(LapSaveTest, SaveAllOverwritesWithoutAsking) {
    const auto second = out_ / ProposedLapFileName(row(1));
    test::WriteBytes(second, {9});
    prompter_.files.push_back((out_ / "whatever.name").string());
    const LapSaveResult r = SpeedButtonSvAllRunClick(*session_, prompter_);
    EXPECT_EQ(r.filesWritten, 3);
    EXPECT_TRUE(r.error.empty());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "Save all laps as...");
    EXPECT_EQ(prompter_.shown[0].request.filter, "Quorvane Data files|*.dtb");
    EXPECT_EQ(prompter_.shown[0].request.proposedName, "run0");
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(test::ReadBytes(out_ / ProposedLapFileName(row(k))), TempBytes(k)) << k;
    EXPECT_FALSE(std::filesystem::exists(out_ / "whatever.name"));
    EXPECT_EQ(session_->folders.lastLapDataFolder, out_);
}

TEST_F(LapSaveTest, SaveAllRefusesCsvLapsAndEmptyLists) {
    row(2)[7] = "x.CSV";
    session_->diagnosticListVisible = true;  // no exception for saving all
    prompter_.files.push_back((out_ / "a.dtb").string());
    EXPECT_EQ(SpeedButtonSvAllRunClick(*session_, prompter_).filesWritten, 0);
    EXPECT_EQ(prompter_.Messages(),
              std::vector<std::string>{"Lap data including CSV file data cannot be saved all at "
                                       "once."});
    EXPECT_EQ(prompter_.shown.size(), 1u);

    Session empty(25569.0);
    test::ScriptedPrompter quiet;
    EXPECT_EQ(SpeedButtonSvAllRunClick(empty, quiet).filesWritten, 0);
    EXPECT_TRUE(quiet.shown.empty());
}

}  // namespace
}  // namespace qv
