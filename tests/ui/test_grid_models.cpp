// How the lap list and the detail tables present their cells.
#include <gtest/gtest.h>

#include <QColor>

#include "app/session.h"
#include "ui/detail_table_model.h"
#include "ui/grid_cell_delegate.h"
#include "ui/lap_list_model.h"

namespace qv::test {
namespace {

LapRow Row(const std::string& lapNo, int group) {
    LapRow row;
    row[0] = "name" + lapNo;
    row[1] = lapNo;
    row[4] = "1:00.000";
    row[7] = "log";
    row[19] = std::to_string(group);
    return row;
}

class LapListModelTest : public ::testing::Test {
  protected:
    LapListModelTest() : session(std::make_unique<Session>(25569.0)) {
        for (int k = 0; k < 3; ++k) {
            session->laps.LapRows.push_back(Row("000" + std::to_string(k), k));
            session->laps.LapList.push_back(TLapStrLstRec{60.0L + k, 100});
        }
        session->listMarks.laps.lapTime = {2, 0, -1};
        TLapDtRec shown;
        shown.DtName = "0001";
        session->laps.LapDt.push_back(shown);
    }
    QVariant Data(int row, int column, int role) const {
        return model.index(row, column).data(role);
    }

    std::unique_ptr<Session> session;
    ui::LapListModel model{*session};
};

TEST_F(LapListModelTest, ShadesOddGroupsAndColoursTheShownLap) {
    EXPECT_EQ(Data(0, 0, Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(Data(1, 0, Qt::BackgroundRole).value<QColor>(), QColor(224, 224, 224));
    EXPECT_EQ(Data(2, 18, Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    // The group number itself is written white on white.
    EXPECT_EQ(Data(1, 19, Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(Data(1, 19, Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(Data(1, 0, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(Data(0, 0, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
}

TEST_F(LapListModelTest, MarksTheBestLapTimesWhateverTheGroup) {
    EXPECT_EQ(Data(2, 4, Qt::BackgroundRole).value<QColor>(), QColor(255, 192, 255));
    EXPECT_EQ(Data(0, 4, Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 128));
    EXPECT_EQ(Data(1, 4, Qt::BackgroundRole).value<QColor>(), QColor(224, 224, 224));
}

TEST_F(LapListModelTest, LapTimeTooltipGivesItsBand) {
    session->laps.LapList[1].lapTimeUncertaintyMs = 12.3L;
    EXPECT_EQ(Data(1, 4, Qt::ToolTipRole).toString(), "±13 ms at about 95 % confidence");
    EXPECT_FALSE(Data(1, 5, Qt::ToolTipRole).isValid());
    EXPECT_FALSE(Data(0, 4, Qt::ToolTipRole).isValid());  // a lap loaded from a file
}

TEST_F(LapListModelTest, AlignsEachColumnWithItsInset) {
    EXPECT_TRUE(Data(0, 1, Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
    EXPECT_TRUE(Data(0, 4, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_EQ(Data(0, 4, ui::kCellInsetRole).toInt(), 2);
    EXPECT_EQ(Data(0, 7, ui::kCellInsetRole).toInt(), 6);
    EXPECT_EQ(Data(0, 0, ui::kCellInsetRole).toInt(), 2);
}

TEST(LapListModelEmptyTest, StillShowsOneBlankRow) {
    auto session = std::make_unique<Session>(25569.0);
    ui::LapListModel model(*session);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 1).data().toString(), "");
    EXPECT_EQ(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(model.columnCount(), 20);
}

TEST(LapListColumnsTest, WidthsFollowTheGridDesign) {
    const int expected[20] = {120, 80, 100, 80, 90, 114, 80, 216, 82, 82,
                              82,  82, 82,  88, 88, 88,  88, 88,  88, 40};
    for (int c = 0; c < 20; ++c)
        EXPECT_EQ(ui::LapListColumnWidth(c), expected[c]) << c;
}

TEST(DetailTableModelTest, TintsOddSectorsAndColoursSlotRows) {
    ui::DetailTableModel model(DetailTableKind::Sector);
    DetailTables tables;
    tables.sector[0][0] = "-S1 Time";
    tables.sector[1][5] = "0:19.233";
    model.SetTables(tables, 2);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "-S1 Time");
    EXPECT_EQ(model.index(0, 5).data().toString(), "0:19.233");
    // Sector 1 (columns 5..9) is tinted, sector 0 is not; row 1 is slot A.
    EXPECT_EQ(model.index(0, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(232, 255, 255));
    EXPECT_EQ(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(model.index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(model.index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    EXPECT_EQ(model.index(4, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
}

}  // namespace
}  // namespace qv::test
