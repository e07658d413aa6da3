// Every device action end to end over a pseudo-terminal against the
// simulated logger of each model.

#include <gtest/gtest.h>

#include "decode/load_log.h"
#include "device/sim_rig.h"
#include "synth/flash_images.h"

namespace qv {
namespace {

using test::SimLoggerProcess;
using test::SimRig;
using test::TempDir;

struct Logger {
    TempDir dir;
    std::vector<uint8_t> image;
    std::unique_ptr<SimLoggerProcess> sim;

    Logger(const std::string& model, std::vector<uint8_t> flash,
           std::vector<std::string> extra = {})
        : image(std::move(flash)) {
        const auto path = dir / "flash.img";
        test::WriteBytes(path, image);
        std::vector<std::string> args{"--model", model, "--image", path.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = std::make_unique<SimLoggerProcess>(args);
    }
    std::string Port() const { return sim->Started() ? sim->DevicePath() : std::string(); }
};

std::vector<uint8_t> Qv4Image() {
    return synth::MakeQv4FlashImage().bytes;
}
std::vector<uint8_t> MtkImage() {
    return synth::MakeMtkFlashImage().bytes;
}

TEST(DeviceSim, Qv4StatusAndSettings) {
    Logger logger("qv4", Qv4Image());
    ASSERT_TRUE(logger.sim->Started());
    SimRig rig(logger.Port());
    rig.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(rig.Run());
    const StatusLabels& l = rig.controller().View().labels;
    EXPECT_EQ(l.LabelCurrntMode.text, "10Hz (Standard mode)");
    EXPECT_EQ(l.LabelPort.text, "Port = " + logger.Port());
    EXPECT_EQ(l.LabelDtVer.text, "QV4,V2.10,SIM,27");
    EXPECT_EQ(l.LabelTrigSpd.text, "Log trigger-speed = 30 km/h");
    EXPECT_NE(l.LabelLogStat.text.find("% Log memory available."), std::string::npos);
    EXPECT_TRUE(rig.prompter.Messages().empty());
    EXPECT_EQ(rig.controller().Model(), LoggerModel::QV4);
    EXPECT_FALSE(rig.controller().Link().IsOpen());

    rig.controller().ButtonSet2HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "20Hz (Fine mode)");
    rig.controller().ButtonSet5HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "5Hz (Long-time mode)");
    rig.controller().ButtonSetTrigSpdClick(0);
    ASSERT_TRUE(rig.Run());
    // The QV4 logger is sent 0.01 for 0, which it reports rounded to 0.
    EXPECT_EQ(rig.controller().View().labels.LabelTrigSpd.text, "Log trigger-speed = 0 km/h");
    EXPECT_EQ(rig.prompter.Messages(), (std::vector<std::string>(3, kMsgSetupCompleted)));
}

TEST(DeviceSim, Qv4EraseWaitsAndShowsTheEmptyLogger) {
    Logger logger("qv4", Qv4Image(), {"--erase-ms", "1500"});
    ASSERT_TRUE(logger.sim->Started());
    SimRig rig(logger.Port());
    rig.prompter.answers = {false};
    rig.controller().ButtonLogEraseClick();
    EXPECT_TRUE(rig.controller().Idle()) << "Cancel does nothing";
    rig.prompter.answers = {true};
    // With the clock jumping up to 2 s at a time, 1.5 s of silence is more
    // than one 7-second watchdog; only the erase's own wait lets it finish.
    rig.jumpMs = 2000;
    rig.controller().ButtonLogEraseClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_GT(rig.timers.NowMs(), 7000);
    const std::vector<std::string> m = rig.prompter.Messages();
    EXPECT_EQ(m,
              (std::vector<std::string>{kMsgEraseQuestion, kMsgEraseQuestion, kMsgEraseCompleted}));
    EXPECT_EQ(rig.controller().View().labels.LabelLogStat.text, "100.0% Log memory available.");
}

TEST(DeviceSim, Qv3StatusAndRefusedTwentyHertz) {
    Logger logger("qv3", MtkImage());
    ASSERT_TRUE(logger.sim->Started());
    SimRig rig(logger.Port());
    rig.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().Model(), LoggerModel::QV3);
    const StatusLabels& l = rig.controller().View().labels;
    EXPECT_EQ(l.LabelCurrntMode.text, "5Hz (Long-time mode)");
    EXPECT_EQ(l.LabelDtVer.text, "QVR_2.10_0007,QV3,10800");
    EXPECT_EQ(l.LabelTrigSpd.text, "Log trigger-speed = 30 km/h");
    rig.controller().ButtonSet2HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.prompter.LastMessage(), kMsg20HzRefused);
    rig.controller().ButtonSet10HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "10Hz (Fine mode)");
    rig.controller().ButtonSetTrigSpdClick(12);
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().View().labels.LabelTrigSpd.text, "Log trigger-speed = 12 km/h");
}

TEST(DeviceSim, GenericLoggerIsFoundAtTheFourthStep) {
    std::vector<uint8_t> image = MtkImage();
    image.resize(synth::kGenericFlashBytes, 0xFF);
    Logger logger("generic", image);
    ASSERT_TRUE(logger.sim->Started());
    SimRig rig(logger.Port());
    rig.controller().ButtonSet10HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().Model(), LoggerModel::Generic);
    // 650 ms, then 750 ms for each of steps 2 and 3.
    EXPECT_GE(rig.timers.NowMs(), 2150);
    EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "10Hz (Fine mode)");
    EXPECT_EQ(rig.prompter.LastMessage(), kMsgSetupCompleted);
    rig.controller().ButtonSetTrigSpdClick(20);
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.prompter.LastMessage(), kMsgNoTriggerSpeed);
}

// A cable pulled during a status read, an erase or a download, or a port
// gone between the scan and the open: the failure is told with the
// program's message (the erase's at once, not after its long wait), the
// buttons are free, a file already on disk stays as it was, and the logger
// plugged in again is read.
TEST(DeviceSim, PulledCableFailsCleanlyAndTheNextConnectionWorks) {
    TempDir dir;
    const auto kept = dir / "kept.bnx4";
    test::WriteBytes(kept, {1, 2, 3});
    struct Case {
        std::vector<std::string> extra;
        void (DeviceController::*click)();
        std::string message;
    };
    const Case cases[] = {
        {{"--unplug-on", "PMTK182,2,10"}, &DeviceController::ButtonLogSpaceClick, kMsgCommTimeout},
        {{"--unplug-on", "PMTK182,6,1"}, &DeviceController::ButtonLogEraseClick, kMsgCommTimeout},
        {{"--faults", "unplug=40%"}, &DeviceController::SpeedButtonLdGPSClick, kMsgCommTimeout},
        {{"--vanish"}, &DeviceController::ButtonLogSpaceClick, kMsgConnectFailed},
    };
    for (const Case& c : cases) {
        const bool vanish = c.extra[0] == "--vanish";
        SCOPED_TRACE(c.extra.back());
        Logger pulled("qv4", Qv4Image(), vanish ? std::vector<std::string>{} : c.extra);
        ASSERT_TRUE(pulled.sim->Started());
        SimRig rig(pulled.Port());
        if (vanish)
            pulled.sim->Stop();
        rig.prompter.answers = {true, true};  // erase, and replace the file
        rig.prompter.files = {kept.string()};
        (rig.controller().*c.click)();
        ASSERT_TRUE(rig.Run());
        EXPECT_EQ(rig.prompter.LastMessage(), c.message);
        EXPECT_LT(rig.timers.NowMs(), kEraseWatchdogMs);
        EXPECT_TRUE(rig.controller().Idle());
        EXPECT_FALSE(rig.controller().Link().IsOpen());
        EXPECT_FALSE(rig.controller().View().progressShown);
        EXPECT_FALSE(rig.controller().View().logReady);
        EXPECT_EQ(test::ReadBytes(kept), (std::vector<uint8_t>{1, 2, 3}));

        Logger again("qv4", Qv4Image());
        ASSERT_TRUE(again.sim->Started());
        rig.SetPort(again.Port());
        const size_t told = rig.prompter.Messages().size();
        rig.controller().ButtonLogSpaceClick();
        ASSERT_TRUE(rig.Run());
        EXPECT_EQ(rig.prompter.Messages().size(), told);
        EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "10Hz (Standard mode)");
    }
}

TEST(DeviceSim, NoLoggerAndNoPort) {
    SimRig none("");
    none.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(none.Run());
    EXPECT_EQ(none.prompter.Messages(), (std::vector<std::string>{kMsgConnectFailed}));
}

}  // namespace
}  // namespace qv
