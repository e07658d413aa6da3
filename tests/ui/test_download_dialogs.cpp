// The download's range and speed dialogs, driven offscreen.
#include "device/range_selection.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/range_dialog.h"
#include "ui/speed_select_dialog.h"

namespace qv {
namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0, 0, 255);

// Runs `act` on the modal dialog once its event loop is up.
template <typename Dialog>
void WhenShown(std::function<void(Dialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog shown";
            QApplication::closeAllWindows();
            return;
        }
        act(*dialog);
    });
}

void ClickButton(QWidget& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

class RangeDialogTest : public ::testing::Test {
  protected:
    void Open(int lastSector) {
        dialog_ = std::make_unique<ui::LoadRangeSelDlg>(lastSector, nullptr);
        box_ = dialog_->findChild<ui::RangeScaleBox*>("PaintBoxRange");
        ASSERT_NE(box_, nullptr);
    }
    RangeScaleGeometry Geometry() const {
        return LayoutRangeScale(dialog_->Selection(), box_->width(), box_->height());
    }
    QImage Shot() const { return box_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Click(int x, int y) { QTest::mouseClick(box_, Qt::LeftButton, {}, QPoint(x, y)); }
    int TopY() const { return box_->height() / 6; }
    int BottomY() const { return box_->height() * 5 / 6; }

    std::unique_ptr<ui::LoadRangeSelDlg> dialog_;
    ui::RangeScaleBox* box_ = nullptr;
};

TEST_F(RangeDialogTest, PaintsFrameUsedPartTicksAndTriangles) {
    Open(30);
    EXPECT_EQ(dialog_->objectName(), "LoadRangeSelDlg");
    EXPECT_EQ(dialog_->Selection().units, 2);
    Click(Geometry().tickX[1], BottomY());
    ASSERT_EQ(dialog_->Selection().endUnit, 1);

    const RangeScaleGeometry g = Geometry();
    const QImage image = Shot();
    const int midY = (g.frameTop + g.frameBottom) / 2;
    EXPECT_EQ(image.pixel(g.frameLeft, midY), kBlack);
    EXPECT_EQ(image.pixel(g.frameRight, midY), kBlack);
    EXPECT_EQ(image.pixel(g.tickX[6] + 7, g.frameTop), kBlack);
    EXPECT_EQ(image.pixel(g.tickX[6] + 7, g.frameBottom), kBlack);
    // Blue up to 30/128 of the scale, white beyond.
    EXPECT_EQ(image.pixel(g.usedLeft, midY), kBlue);
    EXPECT_EQ(image.pixel(g.usedRight, midY), kBlue);
    EXPECT_EQ(image.pixel(g.usedRight + 1, midY), kWhite);
    EXPECT_EQ(image.pixel(g.tickX[4], midY), kWhite);
    for (int x : g.tickX) {
        EXPECT_EQ(image.pixel(x, g.tickTopFrom), kBlack) << x;
        EXPECT_EQ(image.pixel(x, g.tickBottomTo), kBlack) << x;
        EXPECT_EQ(image.pixel(x + 3, g.tickBottomTo), kWhite) << x;
    }
    // Start 0 filled above; end 1 filled below; U = 2 only outlined.
    const int aboveInside = g.start.corners[0].y - 3;
    const int belowInside = g.end.corners[0].y + 3;
    EXPECT_EQ(image.pixel(g.tickX[0], aboveInside), kBlack);
    EXPECT_EQ(image.pixel(g.tickX[1], aboveInside), kWhite);
    EXPECT_EQ(image.pixel(g.tickX[1], belowInside), kBlack);
    EXPECT_EQ(image.pixel(g.tickX[2], belowInside + 1), kWhite);
    EXPECT_EQ(image.pixel(g.tickX[2], g.units.corners[1].y), kBlack);
    EXPECT_EQ(image.pixel(g.tickX[2], g.units.corners[0].y), kBlack);
}

TEST_F(RangeDialogTest, ClicksMoveStartAndEndAndRepaint) {
    Open(127);
    const RangeScaleGeometry before = Geometry();
    Click(before.tickX[3] + 2, TopY());
    Click(before.tickX[2] - 2, BottomY());
    Click(before.tickX[6], box_->height() / 2);
    EXPECT_EQ(dialog_->Selection().endUnit, 2);
    EXPECT_EQ(dialog_->Selection().startUnit, 1);

    const QImage image = Shot();
    const int aboveInside = before.start.corners[0].y - 3;
    EXPECT_EQ(image.pixel(before.tickX[1], aboveInside), kBlack);
    EXPECT_EQ(image.pixel(before.tickX[0], aboveInside), kWhite);
    EXPECT_EQ(image.pixel(before.tickX[2], before.end.corners[0].y + 3), kBlack);
}

TEST_F(RangeDialogTest, RunReturnsTheUnitsOnOkAndKeepsThemWhenClosed) {
    int start = -1, end = -1;
    WhenShown<ui::LoadRangeSelDlg>([](ui::LoadRangeSelDlg& d) {
        auto* box = d.ScaleBox();
        const RangeScaleGeometry g = LayoutRangeScale(d.Selection(), box->width(), box->height());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(g.tickX[1], box->height() / 6));
        ClickButton(d, "OKBtn");
    });
    EXPECT_TRUE(ui::RunRangeDialog(nullptr, 40, start, end));
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);

    start = 7;
    end = 9;
    WhenShown<ui::LoadRangeSelDlg>([](ui::LoadRangeSelDlg& d) {
        QTest::mouseClick(d.ScaleBox(), Qt::LeftButton, {}, QPoint(3, 5));
        d.close();
    });
    EXPECT_FALSE(ui::RunRangeDialog(nullptr, 40, start, end));
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 9);
}

TEST(SpeedSelectDialog, PreselectsTheLevelInTheWrittenOrder) {
    ui::SpeedSelectDlg two(2, nullptr);
    EXPECT_TRUE(two.LevelButton(2)->isChecked());
    EXPECT_FALSE(two.LevelButton(0)->isChecked());
    EXPECT_FALSE(two.LevelButton(1)->isChecked());
    EXPECT_EQ(two.LevelButton(1)->text(), QString::fromUtf8(" 低速1"));
    EXPECT_EQ(two.SlowLevel(), 2);
    ui::SpeedSelectDlg odd(5, nullptr);
    EXPECT_TRUE(odd.LevelButton(0)->isChecked());
    EXPECT_EQ(odd.SlowLevel(), 0);
}

TEST(SpeedSelectDialog, OkWritesTheChosenLevelCancelKeepsIt) {
    int level = 1;
    WhenShown<ui::SpeedSelectDlg>([](ui::SpeedSelectDlg& d) {
        EXPECT_TRUE(d.LevelButton(1)->isChecked());
        QTest::mouseClick(d.LevelButton(2), Qt::LeftButton);
        ClickButton(d, "OKBtn");
    });
    EXPECT_TRUE(ui::RunSpeedSelectDialog(nullptr, level));
    EXPECT_EQ(level, 2);

    WhenShown<ui::SpeedSelectDlg>([](ui::SpeedSelectDlg& d) {
        QTest::mouseClick(d.LevelButton(0), Qt::LeftButton);
        ClickButton(d, "CancelBtn");
    });
    EXPECT_FALSE(ui::RunSpeedSelectDialog(nullptr, level));
    EXPECT_EQ(level, 2);
}

}  // namespace
}  // namespace qv
