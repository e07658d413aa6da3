// The Graph page's views as a driver uses them: clicks move the cursor, a
// right click offers the picture, and the saved PNG is the view's picture.
#include <gtest/gtest.h>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QWheelEvent>

#include "presentation/refresh_sequence.h"
#include "ui/graph_page.h"
#include "ui/readout_box.h"
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

TEST_F(GraphViewsTest, EachViewSavesItsPictureAsAPngOfItsBox) {
    const std::pair<const char*, GraphView> views[] = {
        {"PaintBoxSpd", GraphView::kSpeedGraph},
        {"PaintBoxGraph", GraphView::kCourseOverview},
        {"PaintBoxZoom", GraphView::kCourseMap},
        {"PaintBoxGraphG", GraphView::kGView},
        {"PaintBoxGraphDrift", GraphView::kDriftView}};
    auto* tabs = Child<QTabWidget>("PageControl2");
    for (const auto& [name, target] : views) {
        ui::SceneView* view = View(name);
        if (target == GraphView::kGView)
            tabs->setCurrentIndex(1);
        if (target == GraphView::kDriftView)
            tabs->setCurrentIndex(3);
        QApplication::processEvents();
        Press(view, QPoint(view->width() / 2, view->height() / 2), Qt::RightButton);
        auto* menu = Child<QMenu>("PopupMenu1");
        EXPECT_TRUE(menu->isVisible()) << name;
        ASSERT_EQ(session->presentation.exportTarget, target) << name;

        const std::filesystem::path path = dir / (std::string(name) + ".PNG");
        prompter.files.push_back(path.string());
        Child<QAction>("pmJPEG")->trigger();
        menu->hide();

        // The extension is made ".png" whatever was typed.
        const QImage saved(QString::fromStdString((dir / (std::string(name) + ".png")).string()));
        ASSERT_FALSE(saved.isNull()) << name;
        EXPECT_EQ(saved.size(), view->size()) << name;
        // Some of slot A's red is in every picture of two laps but the
        // drift dial's: the demo laps have no drift data.
        if (target == GraphView::kDriftView)
            continue;
        bool red = false;
        for (int x = 0; x < saved.width() && !red; ++x)
            for (int y = 0; y < saved.height() && !red; ++y)
                red = saved.pixelColor(x, y) == QColor(255, 0, 0);
        EXPECT_TRUE(red) << name;
    }
}

TEST_F(GraphViewsTest, TheWheelZoomsTheViewUnderThePointerAndMapClicksMoveTheCursor) {
    ui::SceneView* spd = View("PaintBoxSpd");
    ui::SceneView* map = View("PaintBoxZoom");
    const Float80 xZoom = session->presentation.xZoom, mapZoom = session->presentation.mapZoom;
    // The page takes the wheel events its views pass up.
    auto* page = window->findChild<ui::GraphPage*>();
    auto wheel = [page](QWidget* view) {
        const QPoint global = view->mapToGlobal(QPoint(view->width() / 2, view->height() / 2));
        QWheelEvent event(page->mapFromGlobal(global), global, QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(page, &event);
    };
    wheel(spd);
    EXPECT_GT(session->presentation.xZoom, xZoom);
    EXPECT_EQ(session->presentation.mapZoom, mapZoom);
    wheel(map);
    EXPECT_GT(session->presentation.mapZoom, mapZoom);

    // The map is centred on slot A's car: a click at its centre keeps the
    // cursor, a click on the course overview's trace moves it.
    session->presentation.playTime = 20;
    window->RunSteps(CursorRefreshSteps(session->laps.LapDtNum()));
    Press(map, QPoint(map->width() / 2, map->height() / 2), Qt::LeftButton);
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 20, 0.2);
    const QImage spdBefore = spd->Image();
    Press(View("PaintBoxGraph"), QPoint(2, 2), Qt::LeftButton);
    EXPECT_NE(session->presentation.playTime, 20);
    EXPECT_NE(spd->Image(), spdBefore);  // the speed graph's cursor moved with it
}

// Counts the events of one type that reach a widget.
class EventCount : public QObject {
  public:
    EventCount(QObject* target, QEvent::Type type) : type_(type) {
        target->installEventFilter(this);
    }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_)
            ++count;
        return false;
    }

  private:
    QEvent::Type type_;
};

// A read-out that starts empty still gets the room a later, longer text
// needs, while texts that fit leave the layout alone.
TEST(ReadoutBox, GrowsForATextThatDoesNotFitAndOnlyThen) {
    QWidget strip;
    auto* row = new QHBoxLayout(&strip);
    auto* box = new ui::ReadoutBox(&strip);
    row->addWidget(box);
    row->addStretch(1);
    strip.resize(400, 30);
    strip.show();
    QApplication::processEvents();
    QLabel* label = box->Label();
    EventCount layouts(&strip, QEvent::LayoutRequest);

    label->setText(QStringLiteral("1234.5 m from the centre"));
    for (int pass = 0; pass < 4; ++pass)
        QApplication::processEvents();
    EXPECT_EQ(layouts.count, 1);
    EXPECT_GE(label->width(), label->sizeHint().width());
    EXPECT_EQ(label->geometry(), box->rect());

    label->setText(QStringLiteral("12.5 m"));
    label->setText(QStringLiteral("345.5 m"));
    for (int pass = 0; pass < 4; ++pass)
        QApplication::processEvents();
    EXPECT_EQ(layouts.count, 1);
}

// The read-outs change at every cursor step; were the window laid out
// again each time, the tab widget would repaint its whole frame per step.
// Only a text wider than any before asks for room, so the steps are gone
// over once before counting.
TEST_F(GraphViewsTest, CursorStepsChangeTheReadoutsWithoutLayingOutTheWindow) {
    auto* tabs = Child<QTabWidget>("PageControl1");
    auto* playTm = Child<QLabel>("LabelPlayTm");
    const auto steps = [this, playTm] {
        QStringList shown;
        for (int step = 1; step <= 4; ++step) {
            session->presentation.playTime = 7.5L * step;
            window->RunSteps(CursorRefreshSteps(session->laps.LapDtNum()));
            // A layout request climbs one widget per pass of the event loop.
            for (int pass = 0; pass < 8; ++pass)
                QApplication::processEvents();
            shown.append(playTm->text());
        }
        return shown;
    };
    steps();
    EventCount layouts(tabs, QEvent::LayoutRequest);
    EventCount paints(tabs, QEvent::Paint);
    QStringList shown = steps();
    EXPECT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.removeDuplicates(), 0);
    EXPECT_EQ(layouts.count, 0);
    EXPECT_EQ(paints.count, 0);
    // Each read-out still covers the place the layout gives it.
    for (const char* name : {"LabelPlayTm", "LabelA", "LabelD", "LabelSectB"}) {
        auto* label = Child<QLabel>(name);
        EXPECT_EQ(label->geometry(), label->parentWidget()->rect()) << name;
        EXPECT_GT(label->height(), 0) << name;
    }
    EXPECT_GE(playTm->width(), 90);
}

// The G cursor on a tab not shown waits for the tab; it then shows the
// cursor where it is now, not where it was when last shown.
TEST_F(GraphViewsTest, AHiddenTabShowsTheCurrentCursorWhenItShows) {
    auto* tabs = Child<QTabWidget>("PageControl2");
    const auto moveTo = [this](Float80 t) {
        session->presentation.playTime = t;
        window->RunSteps(CursorRefreshSteps(session->laps.LapDtNum()));
        QApplication::processEvents();
    };
    ui::SceneView* view = View("PaintBoxGraphG");
    tabs->setCurrentIndex(1);
    QApplication::processEvents();
    moveTo(20);
    const QImage at20 = view->Image();
    moveTo(40);
    ASSERT_NE(view->Image(), at20);
    tabs->setCurrentIndex(0);
    moveTo(20);
    tabs->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(view->Image(), at20);
}

}  // namespace
}  // namespace qv::test
