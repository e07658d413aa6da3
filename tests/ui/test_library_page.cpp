// The Library page in the window: a fresh library indexing the raw-log
// folder, a log opened in the window joining it, a past lap beside today's
// and a session whose log has gone.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include "ui/data_commands.h"
#include "ui/library_page.h"
#include "window_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class LibraryPageTest : public ::testing::Test {
  protected:
    ui::LibraryPage& Page() { return f.window->libraryPage(); }
    fs::path RawFolder() const { return f.dir / "documents" / "Quorvane" / "Raw"; }

    // The import thread's events arrive as queued calls.
    void WaitForImports() {
        QElapsedTimer waited;
        waited.start();
        while (Page().Importing() && waited.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(Page().Importing());
    }

    QTreeWidgetItem* SessionOf(const std::string& fileStart) {
        QTreeWidgetItem* track = Page().Tree()->topLevelItem(0);
        for (int i = 0; track != nullptr && i < track->childCount(); ++i)
            if (track->child(i)->text(6).startsWith(QString::fromStdString(fileStart)))
                return track->child(i);
        return nullptr;
    }

    test::WindowFixture f;
};

TEST_F(LibraryPageTest, AFreshLibraryIndexesTheRawFolderAndAnOpenedLogJoinsIt) {
    auto* pages = f.Child<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(pages->indexOf(&Page())), "Library");
    // The copy of the demo log in the raw folder is gone: opening the
    // shipped one is what brings it into the library.
    fs::remove(RawFolder() / "demo.bnx4");
    f.window->OpenLibrary();
    WaitForImports();
    ASSERT_EQ(Page().Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Page().Tree()->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(SessionOf("demo.bnx4"), nullptr);

    f.OpenDemoLog();
    WaitForImports();
    QTreeWidgetItem* track = Page().Tree()->topLevelItem(0);
    ASSERT_EQ(track->childCount(), 3);
    EXPECT_NE(SessionOf("demo.bnx4"), nullptr);
    int personalBests = 0;
    for (int i = 0; i < track->childCount(); ++i)
        personalBests += track->child(i)->text(5) == "PB" ? 1 : 0;
    EXPECT_EQ(personalBests, 1);
    // The track chosen, its chart has a point per session.
    Page().Tree()->setCurrentItem(track);
    ASSERT_EQ(Page().ChartLayout().best.size(), 3u);
    // A click on the oldest session's mark chooses it.
    const ScenePoint oldest = Page().ChartLayout().best[0];
    auto* chart = f.Child<QWidget>("PaintBoxProgress");
    const QPoint at(oldest.x, oldest.y);
    QMouseEvent press(QEvent::MouseButtonPress, at, chart->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &press);
    ASSERT_NE(Page().Tree()->currentItem(), nullptr);
    EXPECT_EQ(Page().Tree()->currentItem()->text(6), "demo.binx");
}

TEST_F(LibraryPageTest, APastLapGoesIntoSlotBBesideTodaysLap) {
    f.window->OpenLibrary();
    WaitForImports();
    f.OpenDemoLog();
    WaitForImports();
    Session& session = *f.session;
    const int listed = session.laps.LapNum();
    ASSERT_GT(listed, 2);
    f.window->dataCommands().ShowLap(2, false);
    ASSERT_EQ(session.laps.LapDtNum(), 1);

    QTreeWidgetItem* drift = SessionOf("demo_drift");
    ASSERT_NE(drift, nullptr);
    Page().Tree()->setCurrentItem(drift);
    QTreeWidget* laps = Page().LapTable();
    ASSERT_GE(laps->topLevelItemCount(), 2);
    laps->setCurrentItem(laps->topLevelItem(1));
    Page().ShowChosenLap();

    ASSERT_EQ(session.laps.LapDtNum(), 2);
    EXPECT_EQ(session.laps.LapNum(), listed + 1);
    EXPECT_EQ(session.laps.LapRows.back()[0], "demo_drift");
    EXPECT_EQ(session.openLogName, "demo");
    EXPECT_TRUE(Page().StatusLabel()->text().contains("slot B"));
}

TEST_F(LibraryPageTest, AFolderAddedListsTheFilesItCouldNotRead) {
    f.window->OpenLibrary();
    WaitForImports();
    const fs::path folder = f.dir / "more";
    fs::create_directories(folder / "sub");
    test::WriteBytes(folder / "sub" / "broken.bnx4", std::vector<uint8_t>(1000, 0x5A));
    fs::copy_file(test::Shipped("Raw/demo_drift.bonz"), folder / "again.bonz");
    Page().AddFolders({folder});
    EXPECT_TRUE(f.Child<QWidget>("ProgressBarLibrary")->isVisibleTo(&Page()));
    EXPECT_TRUE(f.Child<QWidget>("ButtonLibraryCancel")->isVisibleTo(&Page()));
    WaitForImports();
    EXPECT_FALSE(f.Child<QWidget>("ProgressBarLibrary")->isVisibleTo(&Page()));
    QListWidget* refused = Page().RefusedList();
    EXPECT_TRUE(refused->isVisibleTo(&Page()));
    ASSERT_EQ(refused->count(), 1);
    EXPECT_TRUE(refused->item(0)->text().startsWith(
        QString::fromStdString((folder / "sub" / "broken.bnx4").string() + ": ")));
    EXPECT_EQ(Page().StatusLabel()->text(),
              "0 logs added, 1 already in the library, 1 not readable");
}

TEST_F(LibraryPageTest, ATrackIsRenamedAndAnEmptyNameRefused) {
    f.window->OpenLibrary();
    WaitForImports();
    QTreeWidgetItem* track = Page().Tree()->topLevelItem(0);
    ASSERT_NE(track, nullptr);
    const QString before = track->text(0);
    Page().Tree()->setCurrentItem(track);
    f.names.answer = "";
    Page().RenameChosenTrack();
    ASSERT_FALSE(f.prompter.shown.empty());
    EXPECT_EQ(Page().Tree()->topLevelItem(0)->text(0), before);
    EXPECT_EQ(f.names.caption, "Track name");

    f.names.answer = "'; DROP TABLE sessions; --";
    Page().RenameChosenTrack();
    ASSERT_EQ(Page().Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Page().Tree()->topLevelItem(0)->text(0), "'; DROP TABLE sessions; --");
    EXPECT_EQ(Page().Tree()->topLevelItem(0)->childCount(), 3);
}

TEST_F(LibraryPageTest, ASessionWhoseLogHasGoneStaysMarkedMissing) {
    f.window->OpenLibrary();
    WaitForImports();
    fs::remove(RawFolder() / "demo_drift.bonz");
    Page().Tree()->setCurrentItem(SessionOf("demo_drift"));
    Page().OpenChosenSession();
    ASSERT_FALSE(f.prompter.shown.empty());
    EXPECT_NE(f.prompter.shown.back().text.find("no longer at"), std::string::npos);
    QTreeWidgetItem* gone = SessionOf("demo_drift");
    ASSERT_NE(gone, nullptr);
    EXPECT_TRUE(gone->text(6).endsWith("(missing)"));
    EXPECT_EQ(Page().Tree()->topLevelItem(0)->childCount(), 3);
    // Nothing was opened in its place.
    EXPECT_EQ(f.session->laps.LapNum(), 0);
}

}  // namespace
}  // namespace qv
