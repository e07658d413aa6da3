// The Graph page's views as a driver uses them: clicks move the cursor, a
// right click offers the picture, and the saved PNG is the view's picture.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTabWidget>

#include "ui/views/scene_view.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

class GraphViewsTest : public ::testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        OpenDemoLog();
        DoubleClick(LapGrid(), 6);
        DoubleClick(LapGrid(), 1);
        ASSERT_EQ(session->laps.LapDtNum(), 2);
        Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
        QApplication::processEvents();
    }
    ui::SceneView* View(const char* name) const { return Child<ui::SceneView>(name); }
    void Press(QWidget* view, QPoint at, Qt::MouseButton button) const {
        QMouseEvent event(QEvent::MouseButtonPress, at, view->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
};

TEST_F(GraphViewsTest, ALeftClickInTheSpeedGraphMovesTheCursorAndTheMarginDoesNot) {
    ui::SceneView* spd = View("PaintBoxSpd");
    ASSERT_FALSE(spd->Image().isNull());
    session->presentation.playTime = 0;
    Press(spd, QPoint(2, spd->height() / 2), Qt::LeftButton);
    EXPECT_EQ(session->presentation.playTime, 0);
    Press(spd, QPoint(spd->width() / 2, spd->height() / 2), Qt::LeftButton);
    EXPECT_GT(session->presentation.playTime, 10);
    EXPECT_LT(session->presentation.playTime, 60);
}

TEST_F(GraphViewsTest, TheSavedPictureIsThePngOfTheRightClickedView) {
    ui::SceneView* spd = View("PaintBoxSpd");
    Press(spd, QPoint(spd->width() / 2, spd->height() / 2), Qt::RightButton);
    auto* menu = Child<QMenu>("PopupMenu1");
    EXPECT_TRUE(menu->isVisible());
    ASSERT_EQ(session->presentation.exportTarget, GraphView::kSpeedGraph);

    const std::filesystem::path path = dir / "speed.PNG";
    prompter.files.push_back(path.string());
    Child<QAction>("pmJPEG")->trigger();
    menu->hide();

    const QImage saved(QString::fromStdString((dir / "speed.png").string()));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), spd->size());
    // White paper, the grey plot frame, and slot A's red trace somewhere.
    EXPECT_EQ(saved.pixelColor(0, 0), QColor(Qt::white));
    bool red = false;
    for (int x = 0; x < saved.width() && !red; ++x)
        for (int y = 0; y < saved.height() && !red; ++y)
            red = saved.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
}

}  // namespace
}  // namespace qv::test
