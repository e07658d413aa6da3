// The "GPS Device" page and the download button against the simulated
// logger, through the window's own queued deliveries and Qt timers.

#include <gtest/gtest.h>

#include <algorithm>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "core/display_format.h"
#include "decode/log_check_value.h"
#include "device/device_controller.h"
#include "device/range_selection.h"
#include "support/sim_logger_process.h"
#include "synth/flash_images.h"
#include "ui/device_host.h"
#include "ui/range_dialog.h"
#include "window_fixture.h"

namespace qv {
namespace {

using test::SimLoggerProcess;
using test::WindowFixture;

class DevicePageTest : public ::testing::Test {
  protected:
    void StartLogger(std::vector<std::string> extra = {}) {
        image = synth::MakeQv4FlashImage();
        test::WriteBytes(f.dir / "flash.img", image.bytes);
        std::vector<std::string> args{"--model", "qv4", "--image", (f.dir / "flash.img").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = std::make_unique<SimLoggerProcess>(args);
        ASSERT_TRUE(sim->Started());
        // One candidate for each of the four probe steps.
        f.ports.assign(4, sim->DevicePath());
    }
    QString Label(const char* name) const { return f.Child<QLabel>(name)->text(); }
    QColor LabelColour(const char* name) const {
        return f.Child<QLabel>(name)->palette().color(QPalette::WindowText);
    }
    const DeviceView& View() { return f.window->device().View(); }
    bool Idle() { return f.window->device().controller().Idle() && !View().progressShown; }

    WindowFixture f;
    synth::FlashImage image;
    std::unique_ptr<SimLoggerProcess> sim;
};

TEST_F(DevicePageTest, MemoryButtonShowsTheLoggersModeMemoryPortAndTrigger) {
    StartLogger();
    auto* space = f.Child<QPushButton>("ButtonLogSpace");
    auto* erase = f.Child<QPushButton>("ButtonLogErase");
    auto* pages = f.Child<QTabWidget>("PageControl1");
    pages->setCurrentIndex(2);
    QTabBar* tabs = pages->tabBar();
    space->click();
    EXPECT_FALSE(erase->isEnabled()) << "the buttons wait while the link runs";
    // The page stays while the link runs, whether clicked or keyed away.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QTest::keyClick(tabs, Qt::Key_Left);
    QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 20000);
    EXPECT_TRUE(erase->isEnabled());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(pages->currentIndex(), 0);
    pages->setCurrentIndex(2);
    EXPECT_EQ(Label("LabelCurrntMode"), "10Hz (Standard mode)");
    EXPECT_EQ(LabelColour("LabelCurrntMode"), QColor(0, 0, 0));
    const double freePercent = 100.0 - static_cast<double>(image.usedBytes) / 16769024.0 * 100.0;
    EXPECT_EQ(Label("LabelLogStat").toStdString(),
              StrFormat("%.1f%% Log memory available.", freePercent));
    EXPECT_EQ(Label("LabelPort").toStdString(), "Port = " + sim->DevicePath());
    EXPECT_EQ(Label("LabelDtVer"), "QV4,V2.10,SIM,27");
    EXPECT_EQ(LabelColour("LabelDtVer"), QColor(128, 128, 128));
    EXPECT_EQ(Label("LabelTrigSpd"), "Log trigger-speed = 30 km/h");
    EXPECT_TRUE(f.prompter.Messages().empty());

    // A new trigger speed is written from the up-down control and read back.
    f.Child<QSpinBox>("UpDownTrigSpd")->setValue(12);
    f.Child<QPushButton>("ButtonSetTrigSpd")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle() && !f.prompter.Messages().empty(), 20000);
    EXPECT_EQ(f.prompter.LastMessage(), kMsgSetupCompleted);
    EXPECT_EQ(Label("LabelTrigSpd"), "Log trigger-speed = 12 km/h");
    EXPECT_EQ(f.Child<QSpinBox>("UpDownTrigSpd")->value(), 12);

    // A value typed but never written gives way to the logger's own at the
    // next reading, even when the logger's has not changed.
    f.Child<QSpinBox>("UpDownTrigSpd")->setValue(50);
    space->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 20000);
    EXPECT_EQ(f.Child<QSpinBox>("UpDownTrigSpd")->value(), 12);
}

TEST_F(DevicePageTest, DownloadSavesTheFlashAndCutsItsLaps) {
    StartLogger();
    const std::filesystem::path saved = f.dir / "session.bnx4";
    f.prompter.files.push_back(saved.string());
    f.Click("SpeedButtonLdGPS");
    QTRY_VERIFY_WITH_TIMEOUT(View().progressShown, 20000);
    auto* progress = f.window->findChild<QDialog*>(QStringLiteral("OKBottomDlgGPSloading"));
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_TRUE(progress->isModal());
    QTRY_VERIFY_WITH_TIMEOUT(f.step.shown == 1, 60000);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(Idle());

    // The save dialog starts in the user's Raw folder; the folder chosen
    // becomes the start of the next download's and of "Load log data".
    const auto save = std::find_if(f.prompter.shown.begin(), f.prompter.shown.end(),
                                   [](const auto& shown) { return shown.kind == "save"; });
    ASSERT_NE(save, f.prompter.shown.end());
    EXPECT_EQ(save->request.initialFolder, (f.dir / "documents/Quorvane/Raw").string());
    EXPECT_EQ(f.session->folders.rawLogFolder, saved.parent_path());
    EXPECT_EQ(f.session->folders.lastLogFolder, saved.parent_path());

    // The saved raw log is the used flash, whole blocks, check value aside.
    ASSERT_TRUE(std::filesystem::exists(saved));
    const std::vector<uint8_t> file = test::ReadBytes(saved);
    EXPECT_EQ(file.size(), (image.usedBytes + 4095) / 4096 * 4096);
    size_t differences = 0;
    for (size_t i = 0; i < file.size() && i < image.bytes.size(); ++i) {
        if ((i < kLogCheckValueOffset || i >= kLogCheckValueOffset + 10) &&
            file[i] != image.bytes[i])
            ++differences;
    }
    EXPECT_EQ(differences, 0u);

    // The log went through the log-block dialog under the saved name, and
    // its laps are listed.
    EXPECT_EQ(f.session->openLogName, "session");
    EXPECT_EQ(f.session->log.LogItemNum, image.expectedFixes);
    EXPECT_GE(f.session->laps.LapNum(), 3);
    EXPECT_TRUE(f.Child<QToolButton>("SpeedButtonLdGPS")->isEnabled());
}

TEST_F(DevicePageTest, UnpluggedLoggerLeavesWorkingButtonsAndNoFile) {
    StartLogger({"--faults", "unplug=40%"});
    const std::filesystem::path saved = f.dir / "lost.bnx4";
    f.prompter.files.push_back(saved.string());
    f.Click("SpeedButtonLdGPS");
    QTRY_VERIFY_WITH_TIMEOUT(View().progressShown, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 30000);
    ASSERT_FALSE(f.prompter.Messages().empty());
    EXPECT_EQ(f.prompter.LastMessage(), kMsgCommTimeout);
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_EQ(f.step.shown, 0);
    EXPECT_TRUE(f.Child<QToolButton>("SpeedButtonLdGPS")->isEnabled());
    EXPECT_TRUE(f.Child<QPushButton>("ButtonLogSpace")->isEnabled());
    EXPECT_FALSE(
        f.window->findChild<QDialog*>(QStringLiteral("OKBottomDlgGPSloading"))->isVisible());
}

TEST_F(DevicePageTest, LargeQv3LogAsksForTheRangeAndReadsOnlyThat) {
    synth::FlashImage qv3 = synth::MakeMtkFlashImage();
    // A written byte in sector 30: the logger reports 31 sectors in use.
    const size_t far = 30 * 65536 + 10;
    qv3.bytes[far] = 0x00;
    test::WriteBytes(f.dir / "flash.img", qv3.bytes);
    sim = std::make_unique<SimLoggerProcess>(
        std::vector<std::string>{"--model", "qv3", "--image", (f.dir / "flash.img").string()});
    ASSERT_TRUE(sim->Started());
    f.ports.assign(4, sim->DevicePath());
    const std::filesystem::path saved = f.dir / "range.binx";
    f.prompter.files.push_back(saved.string());

    // The dialog is modal: answer it from the event loop it runs.
    int units = -1;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ui::LoadRangeSelDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        answer.stop();
        units = dialog->Selection().units;
        QWidget* box = dialog->ScaleBox();
        // The end marker onto the first division line: the first MiB only.
        const QPoint at(RangeDivisionX(1, box->width()), box->height() - 2);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, at);
        dialog->accept();
    });
    answer.start(20);
    f.Click("SpeedButtonLdGPS");
    QTRY_VERIFY_WITH_TIMEOUT(f.step.shown == 1, 60000);
    EXPECT_EQ(units, 2);
    ASSERT_TRUE(std::filesystem::exists(saved));
    const std::vector<uint8_t> file = test::ReadBytes(saved);
    ASSERT_EQ(file.size(), 31u * 65536u);
    EXPECT_EQ(file[far], 0xFF) << "sector 30 lies outside the chosen range";
    EXPECT_EQ(f.session->log.LogItemNum, qv3.expectedFixes);
}

TEST_F(DevicePageTest, AbortInTheProgressDialogSavesNothingAndShowsTheStatusAgain) {
    synth::FlashImage qv3 = synth::MakeMtkFlashImage();
    test::WriteBytes(f.dir / "flash.img", qv3.bytes);
    // Late answers keep the download going long enough to abort it.
    sim = std::make_unique<SimLoggerProcess>(
        std::vector<std::string>{"--model", "qv3", "--image", (f.dir / "flash.img").string(),
                                 "--faults", "late=1,latems=150"});
    ASSERT_TRUE(sim->Started());
    f.ports.assign(4, sim->DevicePath());
    const std::filesystem::path saved = f.dir / "aborted.binx";
    f.prompter.files.push_back(saved.string());
    f.Click("SpeedButtonLdGPS");
    QTRY_VERIFY_WITH_TIMEOUT(View().progressShown, 20000);
    auto* abort = f.window->findChild<QPushButton*>(QStringLiteral("ButtonAbort"));
    ASSERT_NE(abort, nullptr);
    ASSERT_TRUE(abort->isVisible()) << "a QV3 download can be aborted";
    abort->click();
    EXPECT_FALSE(View().progressShown);
    // The reconnect restores the fix interval and shows the status again.
    QTRY_VERIFY_WITH_TIMEOUT(Idle() && !Label("LabelCurrntMode").isEmpty(), 30000);
    EXPECT_EQ(Label("LabelCurrntMode"), "5Hz (Long-time mode)");
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_EQ(f.step.shown, 0);
    EXPECT_TRUE(f.Child<QToolButton>("SpeedButtonLdGPS")->isEnabled());
}

TEST_F(DevicePageTest, NoLoggerIsToldAndTheButtonsStayUsable) {
    f.ports.clear();
    f.Child<QPushButton>("ButtonLogSpace")->click();
    ASSERT_EQ(f.prompter.Messages().size(), 1u);
    EXPECT_EQ(f.prompter.Messages()[0], kMsgConnectFailed);
    EXPECT_TRUE(f.Child<QPushButton>("ButtonSet10Hz")->isEnabled());
    EXPECT_TRUE(f.Child<QToolButton>("SpeedButtonLdGPS")->isEnabled());
}

}  // namespace
}  // namespace qv
