// The Graph page's "Corners" tab and its "Δt by position" toggle as a
// driver uses them, on two flying laps of the demo log.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTabWidget>

#include "dynamics/corner_table.h"
#include "presentation/corner_focus.h"
#include "presentation/course_map.h"
#include "ui/views/scene_view.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

class CornerTabTest : public ::testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        OpenDemoLog();
        DoubleClick(LapGrid(), 1);
        DoubleClick(LapGrid(), 2);
        ASSERT_EQ(session->laps.LapDtNum(), 2);
        Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
        auto* tabs = Child<QTabWidget>("PageControl2");
        tabs->setCurrentWidget(Grid());
        ASSERT_EQ(tabs->tabText(tabs->currentIndex()), "Corners");
        QApplication::processEvents();
    }
    QTableView* Grid() const { return Child<QTableView>("TableViewCorners"); }
    QString Text(int row, int column) const {
        return Grid()->model()->index(row, column).data().toString();
    }
    int TimeColumn() const {
        for (int c = 0; c < Grid()->model()->columnCount(); ++c) {
            if (Grid()->model()->headerData(c, Qt::Horizontal).toString() == "Time lost (s)")
                return c;
        }
        return -1;
    }
    void ClickRow(int row) const {
        const QPoint at = Grid()->visualRect(Grid()->model()->index(row, 0)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, Grid()->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(Grid()->viewport(), &event);
        }
    }
};

TEST_F(CornerTabTest, OneRowPerCornerThenTheTotalSortedByTimeLostOnAClick) {
    QAbstractItemModel* model = Grid()->model();
    const int rows = model->rowCount();
    ASSERT_GE(rows, 4);
    EXPECT_EQ(Text(rows - 1, 0), "Total");
    const int time = TimeColumn();
    ASSERT_GE(time, 0);
    // The rows add up to the total, to the millisecond.
    long long sum = 0;
    for (int r = 0; r + 1 < rows; ++r)
        sum += std::llround(Text(r, time).toDouble() * 1000);
    EXPECT_EQ(sum, std::llround(Text(rows - 1, time).toDouble() * 1000));

    Grid()->horizontalHeader()->sectionClicked(time);
    for (int r = 0; r + 2 < rows; ++r)
        EXPECT_GE(Text(r, time).toDouble(), Text(r + 1, time).toDouble()) << r;
    EXPECT_EQ(Text(rows - 1, 0), "Total");
    Grid()->horizontalHeader()->sectionClicked(time);
    for (int r = 0; r + 2 < rows; ++r)
        EXPECT_LE(Text(r, time).toDouble(), Text(r + 1, time).toDouble()) << r;
    EXPECT_EQ(Text(rows - 1, 0), "Total");
    Grid()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(Text(0, 0), "T1");
}

TEST_F(CornerTabTest, ARowPutsTheCursorAtTheApexAndTheCornerOnTheMap) {
    auto* zoom = Child<ui::SceneView>("PaintBoxZoom");
    const QImage before = zoom->Image();
    const CornerTable table =
        BuildCornerTable(session->laps.LapDt, session->sectRes, session->gates.UsedCount(), {});
    const int row = 1;  // T2
    ASSERT_EQ(Text(row, 0), "T2");
    ClickRow(row);
    const Corner& t2 = table.corners[1];
    const TLapDtRec& lapA = session->laps.LapDt[0];
    const int apex = *SampleAtDistance(lapA, t2.apexM / 1000);
    EXPECT_EQ(session->presentation.playTime, Float80(lapA.Elm[apex].Sec));
    // The map follows slot A's car to the apex and shows the corner whole.
    EXPECT_EQ(session->presentation.mapCentreIdo, Float80(lapA.Elm[apex].Ido));
    EXPECT_EQ(session->presentation.mapCentreKdo, Float80(lapA.Elm[apex].Kdo));
    const CourseMapFrame frame =
        CourseMapFrameFor(session->presentation.mapCentreIdo, session->presentation.mapCentreKdo,
                          session->presentation.mapZoom, zoom->width(), zoom->height());
    for (int i = *SampleAtDistance(lapA, t2.entryM / 1000);
         i <= *SampleAtDistance(lapA, t2.exitM / 1000); ++i) {
        const ScenePoint p = frame.ToPixel(lapA.Elm[i].Ido, lapA.Elm[i].Kdo);
        EXPECT_TRUE(p.x >= 0 && p.x <= zoom->width() && p.y >= 0 && p.y <= zoom->height()) << i;
    }
    EXPECT_NE(zoom->Image(), before);

    // The total row moves nothing.
    const Float80 playTime = session->presentation.playTime;
    ClickRow(Grid()->model()->rowCount() - 1);
    EXPECT_EQ(session->presentation.playTime, playTime);
}

TEST_F(CornerTabTest, ARightClickCopiesTheTableAsShown) {
    Grid()->horizontalHeader()->sectionClicked(TimeColumn());
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, Grid()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Grid()->viewport(), &event);
    auto* menu = Child<QMenu>("PopupMenuCorners");
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    QGuiApplication::clipboard()->clear();
    Child<QAction>("pmCornerDt")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    QAbstractItemModel* model = Grid()->model();
    ASSERT_EQ(lines.size(), model->rowCount() + 2);  // header, rows, and after the last CR LF
    EXPECT_TRUE(lines[0].startsWith("Corner\t"));
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << Text(r, c);
        EXPECT_EQ(lines[r + 1], cells.join('\t')) << r;
    }
}

TEST_F(CornerTabTest, TheTogglePutsTheLapsBesideEachOtherByPositionAndBack) {
    auto* spd = Child<ui::SceneView>("PaintBoxSpd");
    const QImage byDistance = spd->Image();
    const std::vector<Float80> diff = session->align.DiffArr;
    const QString total = Text(Grid()->model()->rowCount() - 1, TimeColumn());
    auto times = [this] {
        QStringList cells;
        for (int r = 0; r + 1 < Grid()->model()->rowCount(); ++r)
            cells << Text(r, TimeColumn());
        return cells;
    };
    const QStringList rowTimes = times();
    auto* toggle = Child<QToolButton>("PanelDiffByPos");
    EXPECT_EQ(toggle->text(), QString::fromUtf8("Δt by position"));
    EXPECT_FALSE(toggle->isChecked());

    toggle->click();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(session->align.diffMode, AlignMode::kByPosition);
    EXPECT_NE(session->align.DiffArr, diff);
    EXPECT_NE(spd->Image(), byDistance);
    // The corner table follows; the laps' difference stays what it is.
    EXPECT_NE(times(), rowTimes);
    EXPECT_NEAR(Text(Grid()->model()->rowCount() - 1, TimeColumn()).toDouble(), total.toDouble(),
                0.02);

    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(session->align.DiffArr, diff);
    EXPECT_EQ(spd->Image(), byDistance);
    EXPECT_EQ(Text(Grid()->model()->rowCount() - 1, TimeColumn()), total);
    EXPECT_EQ(times(), rowTimes);
}

TEST_F(CornerTabTest, TheTableEmptiesWhenSlotBIsEmptied) {
    ASSERT_GT(Grid()->model()->rowCount(), 0);
    DoubleClick(LapGrid(), 2);
    ASSERT_EQ(session->laps.LapDtNum(), 1);
    QApplication::processEvents();
    EXPECT_EQ(Grid()->model()->rowCount(), 0);
    EXPECT_GT(Grid()->model()->columnCount(), 0);
}

TEST_F(CornerTabTest, TheTableAndItsCopyFollowTheUnitSettings) {
    session->settings.SpeedInKmh = false;
    session->settings.DistInKm = false;
    // Taking slot B out and back builds the table again.
    DoubleClick(LapGrid(), 2);
    DoubleClick(LapGrid(), 2);
    ASSERT_EQ(session->laps.LapDtNum(), 2);
    QApplication::processEvents();
    const CornerTable table =
        BuildCornerTable(session->laps.LapDt, session->sectRes, session->gates.UsedCount(), {});
    ASSERT_FALSE(table.rows.empty());
    QAbstractItemModel* model = Grid()->model();
    EXPECT_EQ(model->headerData(6, Qt::Horizontal).toString(), "Min (MPH)");
    EXPECT_EQ(model->headerData(8, Qt::Horizontal).toString(), "Min at (feet)");
    EXPECT_EQ(Text(0, 6), QString::asprintf("%.1f", table.rows[0].minKmh / 1.609344));
    EXPECT_EQ(Text(0, 8), QString::asprintf("%.1f", table.rows[0].minAtM / 0.3048));

    Child<QAction>("pmCornerDt")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("\tMin (MPH)\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("\tBrake (feet)\t")) << lines[0].toStdString();
}

}  // namespace
}  // namespace qv::test
