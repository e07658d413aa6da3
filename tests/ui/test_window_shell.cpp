// Start-up, shutdown, playback and the single-instance rule of the window.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>

#include <cstring>
#include <fstream>

#include "presentation/playback.h"
#include "ui/config_dialog.h"
#include "ui/playback_controller.h"
#include "ui/single_instance.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

class WindowShellTest : public ::testing::Test, public WindowFixture {
  protected:
    // Slot A holds lap 0001, the Graph page is shown.
    void ShowOneLap() {
        OpenDemoLog();
        DoubleClick(LapGrid(), 1);
        ASSERT_EQ(session->laps.LapDtNum(), 1);
        Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    }
    void Tick(double ms) {
        clock.AdvanceMs(ms);
        timers.Fire(timers.Running(kPlayTickMs));
    }
    void Key(int key, QEvent::Type type) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &event);
    }
};

TEST_F(WindowShellTest, StartUpLaysOutFoldersAndShutDownCleansUp) {
    const FolderTree& tree = window->startup().tree;
    EXPECT_EQ(tree.programData, dir / "data");
    EXPECT_TRUE(std::filesystem::exists(tree.User(UserSubfolder::ControlLine) / "demo.cln"));
    EXPECT_EQ(window->circuitIndex().controlLines.size(), 1u);
    EXPECT_EQ(Child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet2");
    EXPECT_EQ(Child<QLabel>("LabelVersion")->text(), "Ver 4.7.0e");

    OpenDemoLog();
    ASSERT_TRUE(std::filesystem::exists(TempLapFilePath(session->folders, 0)));
    session->settings.MinLapTime = 12.5;
    window->close();
    for (const auto& entry : std::filesystem::directory_iterator(tree.TempFolder))
        ADD_FAILURE() << "left behind: " << entry.path();
    std::ifstream ini(tree.programData / "quorvane.ini");
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(ini, line))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "15.0\r");
    EXPECT_EQ(lines[1], "0.200\r");
    EXPECT_EQ(lines[2], "12.5\r");
}

TEST_F(WindowShellTest, PlaybackRunsOnTheSixtySixMillisecondTimer) {
    ShowOneLap();
    auto* play = Child<QToolButton>("SpeedButtonPlay");
    play->click();
    ASSERT_NE(timers.Running(kPlayTickMs), 0u);
    EXPECT_TRUE(play->property("playing").toBool());
    Tick(66);
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.066, 1e-6);
    EXPECT_EQ(Child<QLabel>("LabelPlayTm")->text(), "0:00.066");

    Child<QRadioButton>("RadioButtonX8")->click();
    Tick(66);
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.066 + 0.528, 1e-6);

    play->click();
    EXPECT_EQ(timers.Running(kPlayTickMs), 0u);
    EXPECT_FALSE(play->property("playing").toBool());

    // Playing from near the end stops at the end with the play glyph back.
    const double end = static_cast<double>(session->align.MaxAlignedTim);
    ASSERT_GT(end, 1.0);
    session->presentation.playTime = end - 0.5;
    Child<QRadioButton>("RadioButtonX1")->click();
    play->click();
    for (int k = 0; k < 10 && timers.Running(kPlayTickMs) != 0; ++k)
        Tick(100);
    EXPECT_EQ(timers.Running(kPlayTickMs), 0u);
    EXPECT_DOUBLE_EQ(static_cast<double>(session->presentation.playTime), end);
    EXPECT_FALSE(play->property("playing").toBool());
}

TEST_F(WindowShellTest, FrameStepsAndKeysOnlyOnTheGraphPage) {
    ShowOneLap();
    Child<QRadioButton>("RadioButtonX05")->click();
    Click("SpeedButtonFWD");
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.05, 1e-9);
    session->presentation.playTime = 0.03;
    Click("SpeedButtonBWD");
    EXPECT_EQ(static_cast<double>(session->presentation.playTime), 0.0);

    // A short tap between two polls still counts, once.
    Key(Qt::Key_F, QEvent::KeyPress);
    Key(Qt::Key_F, QEvent::KeyRelease);
    window->playback().PollKeys();
    window->playback().PollKeys();
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.05, 1e-9);

    // A held key steps at every poll, until the program loses the focus:
    // its release may then happen elsewhere, unseen.
    Key(Qt::Key_F, QEvent::KeyPress);
    window->playback().PollKeys();
    window->playback().PollKeys();
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.15, 1e-9);
    QEvent away(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &away);
    window->playback().PollKeys();
    EXPECT_NEAR(static_cast<double>(session->presentation.playTime), 0.15, 1e-9);

    Child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    Key(Qt::Key_Space, QEvent::KeyPress);
    window->playback().PollKeys();
    EXPECT_FALSE(session->presentation.playing);
    Key(Qt::Key_Space, QEvent::KeyRelease);
}

TEST_F(WindowShellTest, ARefusedSplitterDragKeepsTheSizesItStartedFrom) {
    Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    window->resize(1400, 1000);
    QApplication::processEvents();
    auto* splitter = Child<QSplitter>("Splitter1");
    const QList<int> before = splitter->sizes();
    QSplitterHandle* handle = splitter->handle(1);
    auto send = [handle](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(handle, &event);
    };
    // Down to 100 px above the page's bottom: the lower views need 160.
    const int pageHeight = Child<QWidget>("TabSheet1")->height();
    const QPoint grip = handle->rect().center();
    const QPoint tooLow(grip.x(), grip.y() + (pageHeight - 100 - before[0]));
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(QEvent::MouseMove, tooLow, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, tooLow, Qt::NoButton);
    EXPECT_EQ(splitter->sizes(), before);
    // A move the rule allows is kept.
    const QPoint lower(grip.x(), grip.y() + 50);
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(QEvent::MouseMove, lower, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, lower, Qt::NoButton);
    EXPECT_EQ(splitter->sizes().value(0), before[0] + 50);
}

TEST_F(WindowShellTest, PlaybackIsIgnoredWithoutALapInSlotA) {
    Click("SpeedButtonPlay");
    EXPECT_EQ(timers.Running(kPlayTickMs), 0u);
    Click("SpeedButtonFWD");
    EXPECT_EQ(static_cast<double>(session->presentation.playTime), 0.0);
}

TEST_F(WindowShellTest, ClearGraphAsksAndEmptiesTheSlots) {
    ShowOneLap();
    Click("SpeedButtonPlay");
    Click("SpeedButtonReset");  // Cancel
    EXPECT_EQ(prompter.LastMessage(), "Do you clear graph?");
    EXPECT_EQ(session->laps.LapDtNum(), 1);
    EXPECT_EQ(timers.Running(kPlayTickMs), 1u) << "Cancel leaves playback running";
    prompter.answers.push_back(true);
    Click("SpeedButtonReset");
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    EXPECT_EQ(timers.Running(kPlayTickMs), 0u);
    EXPECT_EQ(Child<QLabel>("LabelA")->text(), ".");

    const size_t asked = prompter.shown.size();
    Click("SpeedButtonReset");
    EXPECT_EQ(prompter.shown.size(), asked) << "nothing to clear, nothing asked";
}

TEST(ConfigDialogTest, RefusesValuesOutOfRangeWithoutAWord) {
    Settings settings;
    ui::ConfigDialog dialog(settings);
    auto* sector = dialog.findChild<QLineEdit*>("EditSectMt");
    auto* length = dialog.findChild<QLineEdit*>("EditMinLapDist");
    ASSERT_NE(sector, nullptr);
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(sector->text(), "15.0");
    EXPECT_EQ(length->text(), "200");
    sector->setText("45");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.sectorGateHalfLength, 15.0);

    dialog.findChild<QPushButton*>("EditSectMtDefault")->click();
    EXPECT_EQ(sector->text(), "15.0");
    sector->setText("20");
    length->setText("350");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.sectorGateHalfLength, 20.0);
    EXPECT_DOUBLE_EQ(settings.MinLapDist, 0.35);
}

TEST_F(WindowShellTest, FilesFromTheDesktopOpenAsLogOrLapData) {
    auto* pages = Child<QTabWidget>("PageControl1");
    // A log goes through the log-block dialog, and its laps are shown.
    pages->setCurrentIndex(0);
    EXPECT_TRUE(window->OpenFile(Shipped("Raw/demo.bnx4")));
    EXPECT_EQ(step.shown, 1);
    const int laps = session->laps.LapNum();
    ASSERT_GT(laps, 1);
    EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheet2");

    // A lap data file joins the list as "Load lap data" adds it.
    const std::filesystem::path lap = dir / "lap one.dtb";
    std::filesystem::copy_file(TempLapFilePath(session->folders, 0), lap);
    pages->setCurrentIndex(0);
    EXPECT_TRUE(window->OpenFile(lap));
    EXPECT_EQ(step.shown, 1);
    EXPECT_EQ(session->laps.LapNum(), laps + 1);
    EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheet2");

    // A kind the program does not know, or a file that is not there, is told.
    WriteText(dir / "notes.txt", "laps");
    prompter.shown.clear();
    EXPECT_TRUE(window->OpenFile(dir / "notes.txt"));
    EXPECT_TRUE(window->OpenFile(dir / "gone.bnx4"));
    EXPECT_EQ(session->laps.LapNum(), laps + 1);
    EXPECT_EQ(step.shown, 1);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, "It is not a Quorvane log format.");
    EXPECT_EQ(prompter.shown[1].text, (dir / "gone.bnx4").string() + "\nThe file does not exist.");

    // While a dialog is open nothing is opened under it; the user is told.
    QDialog dialog(window.get());
    dialog.setModal(true);
    dialog.show();
    prompter.shown.clear();
    EXPECT_FALSE(window->OpenFile(lap));
    EXPECT_EQ(session->laps.LapNum(), laps + 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("was not opened"), std::string::npos);
}

TEST(SingleInstanceTest, SecondStartHandsItsFileToTheFirst) {
    TempDir dir;
    ui::SingleInstance first(ui::InstanceKey(dir.path()));
    ASSERT_TRUE(first.Acquire());
    std::vector<std::string> requests;
    std::filesystem::path received;
    QEventLoop loop;
    QObject::connect(&first, &ui::SingleInstance::frontRequested, &loop,
                     [&] { requests.push_back("front"); });
    QObject::connect(&first, &ui::SingleInstance::openRequested, &loop,
                     [&](const std::filesystem::path& file) {
                         requests.push_back("open");
                         received = file;
                         loop.quit();
                     });

    // Blanks, a percent sign and a name beyond ASCII arrive as they were.
    const std::filesystem::path file = dir / "Runde 1 – 100%.bnx4";
    ui::SingleInstance second(ui::InstanceKey(dir.path()));
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.AskFirstToFront(file));
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a guard, not a measurement
    if (received.empty())
        loop.exec();
    EXPECT_EQ(requests, (std::vector<std::string>{"front", "open"}));
    EXPECT_EQ(received, file);
}

TEST(SingleInstanceTest, SecondStartIsRefusedAndBringsTheFirstForward) {
    TempDir dir;
    const QString key = ui::InstanceKey(dir.path());
    EXPECT_NE(key, ui::InstanceKey(dir / "other"));
    auto first = std::make_unique<ui::SingleInstance>(key);
    ASSERT_TRUE(first->Acquire());
    bool fronted = false;
    QEventLoop loop;
    QObject::connect(first.get(), &ui::SingleInstance::frontRequested, &loop, [&] {
        fronted = true;
        loop.quit();
    });

    ui::SingleInstance second(key);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.AskFirstToFront());
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a guard, not a measurement
    if (!fronted)
        loop.exec();
    EXPECT_TRUE(fronted);

    first.reset();
    ui::SingleInstance third(key);
    EXPECT_TRUE(third.Acquire());
}

// The superuser may write anywhere, so a folder without write access is
// planted here; the real folders follow below.
TEST(InstanceGuardTest, AFailedListenIsTriedOnceMoreOrExplained) {
    const std::string path = "/tmp/Quorvane-0123";
    EXPECT_TRUE(ui::DecideOnListenFailure(ui::ListenFailure::kNameInUse, false, path, "").tryAgain);
    const ui::ListenDecision noAccess = ui::DecideOnListenFailure(ui::ListenFailure::kNoWriteAccess,
                                                                  false, path, "Permission denied");
    EXPECT_FALSE(noAccess.tryAgain);
    EXPECT_EQ(noAccess.diagnostic,
              "Quorvane runs without the check for a second start: no write access to the "
              "folder of /tmp/Quorvane-0123 (Permission denied).");
}

// A socket file as a crashed start leaves it: bound, never listened on,
// never removed.
bool MakeStaleSocket(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

TEST(SingleInstanceTest, ASocketLeftByACrashIsReplacedAndTheGuardTaken) {
    TempDir dir;
    ASSERT_TRUE(MakeStaleSocket(dir / "stale"));
    const QString key = QString::fromStdString((dir / "stale").string());
    ui::SingleInstance first(key);
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.guarded());
    EXPECT_EQ(first.diagnostic(), "");
    EXPECT_FALSE(ui::SingleInstance(key).Acquire());
}

TEST(SingleInstanceTest, WithNoPlaceForItsSocketTheStartRunsUnguardedAndSaysWhy) {
    TempDir dir;
    std::filesystem::create_directories(dir / "taken" / "inside");  // nothing removes it
    std::filesystem::create_directories(dir / "locked");
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {dir / "missing" / "socket", "cannot be made"},
        {dir / "taken", "is in the way and cannot be removed"}};
    if (geteuid() != 0)
        cases.emplace_back(dir / "locked" / "socket", "no write access to the folder of");
    for (const auto& [socket, says] : cases) {
        ui::SingleInstance start(QString::fromStdString(socket.string()));
        EXPECT_TRUE(start.Acquire()) << says;
        EXPECT_FALSE(start.guarded()) << says;
        EXPECT_NE(start.diagnostic().find(says), std::string::npos) << start.diagnostic();
        EXPECT_NE(start.diagnostic().find(socket.string()), std::string::npos) << says;
    }
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

}  // namespace
}  // namespace qv::test
