#include "dynamics/list_drift_columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/date_time.h"
#include "core/display_format.h"
#include "laps/lap_file_io.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

constexpr double kStart = 45400.5;
constexpr int kSamples = 40;

// A straight drive due north at `kmh`, 10 Hz, the car pointing `angle`
// degrees off its travel (north is 180 in the program's headings).
std::vector<TLapElmRec> NorthLap(Float80 angle, Float80 kmh = 40) {
    std::vector<TLapElmRec> lap(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        TLapElmRec& s = lap[static_cast<size_t>(i)];
        const double sec = 0.1 * i;
        s.DtTm = kStart + sec / kSecondsPerDay;
        s.Tm = sec / kSecondsPerDay;
        s.Sec = sec;
        s.Ido = 35.0L + 1e-5L * i;
        s.Kdo = 139.0L;
        s.Spd = kmh;
        s.Dir = 180 + angle;
        s.Dist = kmh / 3600 * sec;
    }
    return lap;
}

// Across the path half way between samples 19 and 20.
GateTable OneGate() {
    GateTable gates;
    gates.SectCount = 1;
    const Float80 lat = 35.0L + 1e-5L * 19.5L;
    gates.SectGates[0] = {138.999L, 139.001L, lat, lat, 1};
    return gates;
}

LapRow Listed(int lapNo) {
    LapRow row;
    row[1] = StrFormat("%.4d", lapNo);
    return row;
}

class ListDriftColumns : public ::testing::Test {
  protected:
    ListDriftColumns() {
        folders_.TempFolder = dir_.path();
        // Lap 0 drifts to the left, lap 1 barely slides, lap 2 drifts to the
        // right, lap 3 has no logged heading, lap 4 has no file.
        Write(0, NorthLap(35.37L));
        Write(1, NorthLap(5));
        Write(2, NorthLap(-42.57L, 50));
        auto headless = NorthLap(35);
        headless[0].Dir = 180;
        Write(3, headless);
        for (int k = 0; k <= 4; ++k)
            rows_.push_back(Listed(k));
        rows_.push_back(LapRow{});
        rows_.back()[13] = "untouched";
        for (auto& cell : header_)
            cell = "old";
    }
    void Write(int lapNo, const std::vector<TLapElmRec>& lap) {
        ASSERT_TRUE(WriteLapFile(TempLapFilePath(folders_, lapNo), lap, false).ok);
    }
    void List(const GateTable& gates) {
        SetDriftAngleList(rows_, header_, folders_, gates, state_);
    }

    test::TempDir dir_;
    Folders folders_;
    std::vector<LapRow> rows_;
    LapRow header_;
    DriftListState state_;
};

TEST_F(ListDriftColumns, ReaderEvaluatesOnlyLapsWithLoggedHeadings) {
    DriftListScratch scratch;
    ASSERT_TRUE(LoadLapFileBinForDAngle(TempLapFilePath(folders_, 2), scratch));
    EXPECT_TRUE(scratch.driftFlag);
    EXPECT_NEAR(static_cast<double>(scratch.topAngle), -42.57, 1e-6);
    EXPECT_EQ(scratch.lap.DElm.size(), static_cast<size_t>(kSamples));

    ASSERT_TRUE(LoadLapFileBinForDAngle(TempLapFilePath(folders_, 3), scratch));
    EXPECT_FALSE(scratch.driftFlag);
    EXPECT_EQ(scratch.topAngle, 0);
    EXPECT_EQ(scratch.lap.ElmNum, 1);

    // Not whole records, or none: nothing is left of the previous lap.
    auto bytes = test::ReadBytes(TempLapFilePath(folders_, 0));
    bytes.push_back(0);
    test::WriteBytes(dir_ / "odd.dtb", bytes);
    test::WriteBytes(dir_ / "empty.dtb", {});
    for (const char* name : {"odd.dtb", "empty.dtb"}) {
        ASSERT_TRUE(LoadLapFileBinForDAngle(TempLapFilePath(folders_, 2), scratch));
        EXPECT_FALSE(LoadLapFileBinForDAngle(dir_ / name, scratch)) << name;
        EXPECT_FALSE(scratch.driftFlag) << name;
        EXPECT_EQ(scratch.topAngle, 0) << name;
    }
}

TEST_F(ListDriftColumns, WithoutGatesOnlyTheTopAngleShows) {
    List(GateTable{});
    EXPECT_EQ(header_[14], "Sector(Score)");
    for (int c = 15; c <= 18; ++c)
        EXPECT_EQ(header_[static_cast<size_t>(c)], "");
    EXPECT_EQ(header_[13], "old");  // set with the list itself

    EXPECT_EQ(rows_[0][13], "35");
    EXPECT_EQ(rows_[2][13], "-42");
    for (int r : {1, 3, 4}) {
        EXPECT_EQ(rows_[static_cast<size_t>(r)][13], "-") << r;
        EXPECT_EQ(rows_[static_cast<size_t>(r)][14], "-") << r;
    }
    EXPECT_EQ(rows_[0][14], "");
    EXPECT_EQ(rows_[1][15], "");
    EXPECT_EQ(rows_[5][13], "untouched");
    // A bare angle carries no score, so nothing ranks.
    EXPECT_EQ(state_.ranks.DrRank1, -1);
}

TEST_F(ListDriftColumns, WithGatesSectorsShowPeakAndScore) {
    List(OneGate());
    EXPECT_EQ(header_[14], "Sector1(Score)");
    EXPECT_EQ(header_[15], "Sector2(Score)");
    EXPECT_EQ(header_[16], "");

    // Lap 0, 40 km/h at 35.37 degrees: an initiation (0 + 40 + 35.37) / 3,
    // then a maintained drift (40 + 40) / 4 + 35.37 - 0.
    EXPECT_EQ(rows_[0][13], "35 ( 80.4)");
    EXPECT_EQ(rows_[0][14], "35 (25.1)");
    EXPECT_EQ(rows_[0][15], "35 (55.3)");
    EXPECT_EQ(rows_[0][16], "");
    // Lap 2, 50 km/h at -42.57: (50 + 42.57) / 3 and (50 + 50) / 4 + 42.57.
    EXPECT_EQ(rows_[2][13], "-42 ( 98.3)");
    EXPECT_EQ(rows_[2][14], "-42 (30.8)");
    EXPECT_EQ(rows_[2][15], "-42 (67.5)");
    for (int r : {1, 3, 4}) {
        const LapRow& row = rows_[static_cast<size_t>(r)];
        EXPECT_EQ(row[13], "-");
        EXPECT_EQ(row[14], "-");
        EXPECT_EQ(row[15], "-");
        EXPECT_EQ(row[16], "");
    }

    EXPECT_EQ(state_.ranks.DrRank1, 2);
    EXPECT_EQ(state_.ranks.DrRank2, 0);
    EXPECT_EQ(state_.ranks.DrRank3, -1);
    EXPECT_EQ(state_.ranks.DrSectRank1[0], 2);
    EXPECT_EQ(state_.ranks.DrSectRank2[1], 0);
    EXPECT_EQ(state_.ranks.DrSectRank1[2], -1);
}

TEST_F(ListDriftColumns, DriftRunWithoutScoreShowsTheBlankFiller) {
    // 12.5 degrees: a drift run, but no sector reaches an initiation.
    Write(0, NorthLap(12.5L));
    List(OneGate());
    EXPECT_EQ(rows_[0][13], "12 (       )");
    EXPECT_EQ(rows_[0][14], "12 (      )");
    EXPECT_EQ(rows_[0][15], "12 (      )");
    // Only lap 2 still has scores to rank.
    EXPECT_EQ(state_.ranks.DrSectRank1[0], 2);
    EXPECT_EQ(state_.ranks.DrSectRank2[0], -1);
    EXPECT_EQ(state_.ranks.DrRank2, -1);
}

TEST(DriftRanks, BestThreeAreTheLargestScoresFirstOfEqualsWinning) {
    std::vector<LapRow> rows;
    const char* lapCells[] = {
        "30 ( 50.0)", "31 ( 92.0)", "40 (       )", "22 ( 92.0)", "-", "18 ( 70.5)", ""};
    for (int r = 0; r < 7; ++r) {
        rows.push_back(Listed(r));
        rows.back()[13] = lapCells[r];
    }
    rows[2][15] = "40 ( 12.3)";
    rows.push_back(LapRow{});  // the end of the list
    rows.push_back(Listed(9));
    rows.back()[13] = "99 (999.9)";
    rows.back()[14] = "99 (999.9)";

    const DriftRanks ranks = RankDrScores(rows);
    EXPECT_EQ(ranks.DrRank1, 1);
    EXPECT_EQ(ranks.DrRank2, 3);
    EXPECT_EQ(ranks.DrRank3, 5);
    EXPECT_EQ(ranks.DrSectRank1[0], -1);
    EXPECT_EQ(ranks.DrSectRank1[1], 2);
    EXPECT_EQ(ranks.DrSectRank2[1], -1);
    EXPECT_EQ(ranks.DrSectRank3[1], -1);
}

TEST(DriftRanks, CellScoreIsTheBracketedNumberInTenths) {
    EXPECT_EQ(DriftCellScore("-3 ( 4.3)"), 43);
    EXPECT_EQ(DriftCellScore("12 (      )"), 0);
    EXPECT_EQ(DriftCellScore("-"), 0);
    EXPECT_EQ(DriftCellScore("35"), 0);
    EXPECT_EQ(DriftCellScore("35 (12.3"), 0);
}

}  // namespace
}  // namespace qv
