#include "laps/list_sector_columns.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "geometry/straight_lap.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_columns.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::GateAcrossNorthLap;
using test::NorthLap;
using test::TableOf;

LapRow RowOf(const std::string& lapNo) {
    LapRow row;
    row[1] = lapNo;
    return row;
}

TEST(SetSectHeaders, OneColumnPerSector) {
    LapRow header = LapListHeader(Settings{});
    header[11] = "stale";
    SetSectHeaders(header, GateTable{});
    EXPECT_EQ(header[8], "Sector");
    for (size_t c = 9; c <= 12; ++c)
        EXPECT_EQ(header[c], "") << c;

    SetSectHeaders(header, TableOf({GateAcrossNorthLap(1), GateAcrossNorthLap(2)}));
    EXPECT_EQ(header[8], "Sector1");
    EXPECT_EQ(header[9], "Sector2");
    EXPECT_EQ(header[10], "Sector3");
    EXPECT_EQ(header[11], "");
    EXPECT_EQ(header[12], "");
    EXPECT_EQ(header[13], "DRIFT(Score)");
}

TEST(SetSectTmList, TimesEveryRowFromItsTemporaryFile) {
    test::TempDir dir;
    Folders folders;
    folders.TempFolder = dir.path();
    // 10 s per grid step: gates at 2.5 and 6.5 split at 25 s and 65 s.
    ASSERT_TRUE(WriteLapFile(TempLapFilePath(folders, 0), NorthLap(10, 10.0)).ok);
    ASSERT_TRUE(WriteLapFile(TempLapFilePath(folders, 1), NorthLap(10, 2.0)).ok);
    const GateTable gates = TableOf({GateAcrossNorthLap(2.5), GateAcrossNorthLap(6.5)});

    std::vector<LapRow> rows{RowOf("0000"), RowOf("0001"), RowOf("0007"), RowOf(""), RowOf("0000")};
    rows[2][8] = "stale";
    rows[4][8] = "untouched";
    LapRow header = LapListHeader(Settings{});
    const SectRanks ranks = SetSectTmList(header, rows, folders, gates);

    EXPECT_EQ(header[10], "Sector3");
    EXPECT_EQ(rows[0][8], "25.000");
    EXPECT_EQ(rows[0][9], "40.000");
    EXPECT_EQ(rows[0][10], "25.000");
    EXPECT_EQ(rows[0][11], "");
    EXPECT_EQ(rows[1][8], "05.000");
    EXPECT_EQ(rows[1][9], "08.000");
    // No lap file behind the number: empty cells.
    EXPECT_EQ(rows[2][8], "");
    // The list ends at the first row without a lap number.
    EXPECT_EQ(rows[4][8], "untouched");

    EXPECT_EQ(ranks.SectRank1[0], 1);
    EXPECT_EQ(ranks.SectRank2[0], 0);
    EXPECT_EQ(ranks.SectRank3[0], -1);
    EXPECT_EQ(ranks.SectRank1[3], -1);

    // Without gates every cell is emptied.
    SetSectTmList(header, rows, folders, GateTable{});
    EXPECT_EQ(header[8], "Sector");
    EXPECT_EQ(rows[0][8], "");
    EXPECT_EQ(rows[1][9], "");
}

TEST(SectCellValue, DigitsInOrder) {
    EXPECT_EQ(SectCellValue("1:23.456"), 123456);
    EXPECT_EQ(SectCellValue("59.999"), 59999);
    EXPECT_EQ(SectCellValue("1:00:00.500"), 10000500);
    EXPECT_EQ(SectCellValue(""), 9999999999);
    EXPECT_EQ(SectCellValue("99999999999999999999999"), 999999999999999);
}

std::vector<LapRow> RowsWithColumn8(const std::vector<std::string>& cells) {
    std::vector<LapRow> rows;
    for (const std::string& cell : cells) {
        LapRow row = RowOf("0000");
        row[8] = cell;
        rows.push_back(row);
    }
    return rows;
}

TEST(RankSectTimes, TiesGoToTheFirstRowAndEmptyCellsNeverRank) {
    const SectRanks ranks =
        RankSectTimes(RowsWithColumn8({"1:05.000", "", "59.999", "1:05.000", "59.999"}));
    EXPECT_EQ(ranks.SectRank1[0], 2);
    EXPECT_EQ(ranks.SectRank2[0], 4);
    EXPECT_EQ(ranks.SectRank3[0], 0);
    for (size_t j = 1; j < 5; ++j) {
        EXPECT_EQ(ranks.SectRank1[j], -1);
        EXPECT_EQ(ranks.SectRank2[j], -1);
        EXPECT_EQ(ranks.SectRank3[j], -1);
    }

    const SectRanks two = RankSectTimes(RowsWithColumn8({"", "30.100", "", "29.900"}));
    EXPECT_EQ(two.SectRank1[0], 3);
    EXPECT_EQ(two.SectRank2[0], 1);
    EXPECT_EQ(two.SectRank3[0], -1);

    const SectRanks none = RankSectTimes(RowsWithColumn8({"", ""}));
    EXPECT_EQ(none.SectRank1[0], -1);
    EXPECT_EQ(RankSectTimes({}).SectRank1[0], -1);
}

}  // namespace
}  // namespace qv
