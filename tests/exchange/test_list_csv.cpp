#include "exchange/list_csv.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/settings.h"
#include "laps/lap_list_columns.h"

namespace qv {
namespace {

TEST(ListCsvTest, BracketedHeadersSplitIntoTwoFields) {
    const LapRow header = LapListHeader(Settings{});
    LapRow row;
    row[0] = "20240429_1700";
    row[1] = "0000";
    row[4] = "1:04.867";
    row[13] = "25 ( 45.6)";
    row[14] = "-";
    row[19] = "0";
    const std::string text = ListCsvText(header, {row});
    const std::string wantHeader =
        "Data Name,Data No.,Date,Time,Lap Time,TopSpeed km/h,Dist km,File Name,Sector,,,,,"
        "DRIFT,Score,Sector,Score,,,,,\r\n";
    ASSERT_EQ(text.substr(0, wantHeader.size()), wantHeader);
    const std::string line = text.substr(wantHeader.size());
    EXPECT_EQ(line, "20240429_1700,0000,,,1:04.867,,,,,,,,,25 , 45.6,-,,,,,,0\r\n");
}

TEST(ListCsvTest, UnitsFollowTheSettings) {
    Settings settings;
    settings.SpeedInKmh = false;
    settings.DistInKm = false;
    const LapRow header = LapListHeader(settings);
    EXPECT_EQ(header[5], "TopSpeed MPH");
    EXPECT_EQ(header[6], "Dist feet");
    // Every line has the same number of fields: 20 columns plus one per bracketed header.
    LapRow row;
    const std::string text = ListCsvText(header, {row, row});
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 21) << line;
        start = end + 2;
    }
}

}  // namespace
}  // namespace qv
