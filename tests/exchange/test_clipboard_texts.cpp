#include "exchange/clipboard_texts.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

LapRow ListHeader() {
    LapRow h;
    h[0] = "Data Name";
    h[1] = "Data No.";
    h[4] = "Lap Time";
    h[13] = "DRIFT(Score)";
    h[14] = "Sector1(Score)";
    return h;
}

LapRow ListRow(const std::string& name, const std::string& no, const std::string& drift) {
    LapRow r;
    r[0] = name;
    r[1] = no;
    r[4] = "1:02.345";
    r[13] = drift;
    r[14] = "-";
    return r;
}

// Twenty columns plus one for each header with "(": tabs at fixed places.
std::string ListLine(const std::string& name, const std::string& no, const std::string& drift1,
                     const std::string& drift2, const std::string& sector1,
                     const std::string& sector2) {
    return name + "\t" + no + "\t\t\t1:02.345" + std::string(9, '\t') + drift1 + "\t" + drift2 +
           "\t" + sector1 + "\t" + sector2 + std::string(5, '\t') + "\r\n";
}

const std::string kListHeaderLine = "Data Name\tData No.\t\t\tLap Time" + std::string(9, '\t') +
                                    "DRIFT\tScore\tSector1\tScore" + std::string(5, '\t') + "\r\n";

TEST(LapListClipboardTest, HeadersAndCellsWithBracketsFillTwoColumns) {
    const LapRow header = ListHeader();
    const std::vector<LapRow> rows = {ListRow("Run", "0000", "25 (45.6)"),
                                      ListRow("Run", "0001", "-"), ListRow("Run", "0002", "")};
    EXPECT_EQ(AllLapDataClipboardText(header, rows),
              kListHeaderLine + ListLine("Run", "0000", "25 ", "45.6", "-", "") +
                  ListLine("Run", "0001", "-", "", "-", "") +
                  ListLine("Run", "0002", "", "", "-", ""));
}

TEST(LapListClipboardTest, EmptyListCopiesTheHeaderAlone) {
    EXPECT_EQ(AllLapDataClipboardText(ListHeader(), {}), kListHeaderLine);
    EXPECT_EQ(AllLapDataClipboardText(ListHeader(), {LapRow{}}), kListHeaderLine);
    EXPECT_EQ(SelLapDataClipboardText(ListHeader(), {ListRow("a", "0000", "")}, {}),
              kListHeaderLine);
}

TEST(LapListClipboardTest, GraphDisplayDataFollowsTheSlotOrder) {
    const std::vector<LapRow> rows = {ListRow("a", "0001", ""), ListRow("b", "0002", ""),
                                      ListRow("c", "0003", ""), ListRow("d", "0003", "")};
    EXPECT_EQ(SelLapDataClipboardText(ListHeader(), rows, {"0003", "0001", "0099"}),
              kListHeaderLine + ListLine("c", "0003", "", "", "-", "") +
                  ListLine("a", "0001", "", "", "-", ""));
}

SectTable SectorTable() {
    SectTable t;
    t[0][0] = "-S1 Time";
    t[0][1] = "-S1 Top/Bot";
    t[0][2] = "S1 Split";
    t[0][3] = "S1- Top/Bot";
    t[1][0] = "*1:02.345";
    t[1][1] = "123.4 / 56.7";
    t[1][2] = "0:30.000";
    t[1][3] = "99.0 / 45.0";
    t[3][0] = "1:03.000";
    t[3][1] = "";
    t[3][2] = "*x";  // the mark goes wherever it stands first
    t[3][3] = "-";
    return t;
}

TEST(SectorClipboardTest, SplitsAtSlashesGuardsDashesAndDropsTheBestMark) {
    const std::string tail(21, '\t');
    EXPECT_EQ(SectDataClipboardText(SectorTable()),
              "'-S1 Time\t'-S1 Top\tBot\tS1 Split\tS1- Top\tBot" + tail + "\r\n" +
                  "1:02.345\t123.4 \t 56.7\t0:30.000\t99.0 \t 45.0" + tail + "\r\n" +
                  "1:03.000\t\t\tx\t-\t" + tail + "\r\n");
}

TEST(SectorClipboardTest, NoSlotRowsCopyTheHeaderAlone) {
    SectTable t = SectorTable();
    t[1][0].clear();
    const std::string text = SectDataClipboardText(t);
    EXPECT_EQ(text.find("\r\n"), text.size() - 2);
    EXPECT_EQ(SectDataClipboardText(SectTable{}), std::string(24, '\t').append("\r\n"));
}

TEST(DriftClipboardTest, HeadersSplitAtSlashOrBracket) {
    DriftTable t;
    t[0][0] = "-S1 HighDeg+/-";
    t[0][1] = "-S1 Ave/Dev";
    t[0][2] = "-S1 Vel(Action)";
    t[0][3] = "S1- Sco(Sum)";
    t[0][4] = "-plain";
    t[1][0] = "35.2 / -12.5";
    t[1][1] = "10.1 / 3.2";
    t[1][2] = "12.5 (INIT)";
    t[1][3] = "80.0 (160.0)";
    t[1][4] = "-.-";
    t[2][0] = "x";  // no separator: the cell alone
    const std::string tail(15, '\t');
    EXPECT_EQ(DriftDataClipboardText(t),
              "'-S1 HighDeg+\t'-HighDeg\t'-S1 Ave\tDev\t'-S1 Vel\tAction\tS1- Sco\tSum\t'-plain" +
                  tail + "\r\n" + "35.2 \t -12.5\t10.1 \t 3.2\t12.5 \tINIT\t80.0 \t160.0\t-.-" +
                  tail + "\r\nx\t\t\t\t" + tail + "\r\n");
    t[1][0].clear();
    EXPECT_EQ(DriftDataClipboardText(t).find("\r\n"), DriftDataClipboardText(t).size() - 2);
}

}  // namespace
}  // namespace qv
