// Every device action end to end against the simulated logger of each
// model: in process on the manual clock, and a pulled cable also over a
// pseudo-terminal on the real clock.

#include <gtest/gtest.h>

#include "decode/load_log.h"
#include "device/sim_rig.h"
#include "synth/flash_images.h"

namespace qv {
namespace {

using test::SimLoggerProcess;
using test::SimRig;
using test::TempDir;

// The simulator's arguments for a logger of `model` holding `flash`.
struct Logger {
    TempDir dir;
    std::vector<std::string> args;

    Logger(const std::string& model, const std::vector<uint8_t>& flash,
           std::vector<std::string> extra = {}) {
        const auto path = dir / "flash.img";
        test::WriteFlash(path, flash);
        args = {"--model", model, "--image", path.string()};
        args.insert(args.end(), extra.begin(), extra.end());
    }
};

const std::vector<uint8_t>& Qv4Image() {
    static const std::vector<uint8_t> image = synth::MakeQv4FlashImage().bytes;
    return image;
}
const std::vector<uint8_t>& MtkImage() {
    static const std::vector<uint8_t> image = synth::MakeMtkFlashImage().bytes;
    return image;
}

TEST(DeviceSim, Qv4StatusAndSettings) {
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn(Logger("qv4", Qv4Image()).args));
    rig.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(rig.Run());
    const StatusLabels& l = rig.controller().View().labels;
    EXPECT_EQ(l.LabelCurrntMode.text, "10Hz (Standard mode)");
    EXPECT_EQ(l.LabelPort.text, "Port = " + rig.port()->Path());
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
    // The erase takes longer than the 7-second watchdog of other commands:
    // only the erase's own wait lets it finish.
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn(Logger("qv4", Qv4Image(), {"--erase-ms", "20000"}).args));
    rig.prompter.answers = {false};
    rig.controller().ButtonLogEraseClick();
    EXPECT_TRUE(rig.controller().Idle()) << "Cancel does nothing";
    rig.prompter.answers = {true};
    rig.controller().ButtonLogEraseClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_GT(rig.timers.NowMs(), 20000);
    const std::vector<std::string> m = rig.prompter.Messages();
    EXPECT_EQ(m,
              (std::vector<std::string>{kMsgEraseQuestion, kMsgEraseQuestion, kMsgEraseCompleted}));
    EXPECT_EQ(rig.controller().View().labels.LabelLogStat.text, "100.0% Log memory available.");
}

TEST(DeviceSim, Qv3StatusAndRefusedTwentyHertz) {
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn(Logger("qv3", MtkImage()).args));
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
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn(Logger("generic", image).args));
    rig.controller().ButtonSet10HzClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.controller().Model(), LoggerModel::Generic);
    // 650 ms, then 750 ms for each of steps 2 and 3; the logger answers at
    // once.
    EXPECT_EQ(rig.timers.NowMs(), 2150);
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
// plugged in again is read. The first case runs over a pseudo-terminal as
// well, where the port reports the hang-up itself.
TEST(DeviceSim, PulledCableFailsCleanlyAndTheNextConnectionWorks) {
    TempDir dir;
    const auto kept = dir / "kept.bnx4";
    test::WriteBytes(kept, {1, 2, 3});
    struct Case {
        std::vector<std::string> extra;
        void (DeviceController::*click)();
        std::string message;
        bool overTerminal = false;
    };
    const Case cases[] = {
        {{"--unplug-on", "PMTK182,2,10"}, &DeviceController::ButtonLogSpaceClick, kMsgCommTimeout},
        {{"--unplug-on", "PMTK182,2,10"},
         &DeviceController::ButtonLogSpaceClick,
         kMsgCommTimeout,
         true},
        {{"--unplug-on", "PMTK182,6,1"}, &DeviceController::ButtonLogEraseClick, kMsgCommTimeout},
        {{"--faults", "unplug=40%"}, &DeviceController::SpeedButtonLdGPSClick, kMsgCommTimeout},
        {{"--vanish"}, &DeviceController::ButtonLogSpaceClick, kMsgConnectFailed},
    };
    for (const Case& c : cases) {
        const bool vanish = c.extra[0] == "--vanish";
        SCOPED_TRACE(c.extra.back() + (c.overTerminal ? " over a terminal" : ""));
        const Logger pulled("qv4", Qv4Image(), vanish ? std::vector<std::string>{} : c.extra);
        const Logger again("qv4", Qv4Image());
        std::unique_ptr<SimLoggerProcess> process;
        std::unique_ptr<SimRig> rigHeld;
        if (c.overTerminal) {
            process = std::make_unique<SimLoggerProcess>(pulled.args);
            ASSERT_TRUE(process->Started());
            rigHeld = std::make_unique<SimRig>(process->DevicePath());
        } else {
            rigHeld = std::make_unique<SimRig>();
            ASSERT_TRUE(rigHeld->port()->PlugIn(pulled.args));
            if (vanish)
                rigHeld->port()->Vanish();
        }
        SimRig& rig = *rigHeld;
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

        std::unique_ptr<SimLoggerProcess> replugged;
        if (c.overTerminal) {
            replugged = std::make_unique<SimLoggerProcess>(again.args);
            ASSERT_TRUE(replugged->Started());
            rig.SetPort(replugged->DevicePath());
        } else {
            ASSERT_TRUE(rig.port()->PlugIn(again.args));
        }
        const size_t told = rig.prompter.Messages().size();
        rig.controller().ButtonLogSpaceClick();
        ASSERT_TRUE(rig.Run());
        EXPECT_EQ(rig.prompter.Messages().size(), told);
        EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, "10Hz (Standard mode)");
    }
}

// Nothing on the port answers the probe: a device that sends only noise (a
// logger at another line speed), a logger that stays silent, one whose
// release no step accepts. Each step ends at its tick, the last one 0.75 s
// after it began, and the failure is told 2.9 s after the click.
TEST(DeviceSim, ProbeEndsAtTheLastStepsTickWhenNothingAnswers) {
    const Logger silent("qv4", {}, {"--mute-on", "PMTK605"});
    const Logger unknown("qv4", {}, {"--release", "XYZ,V1.00"});
    struct Case {
        const char* name;
        const Logger* logger;  // null: noise
    };
    for (const Case& c :
         {Case{"noise", nullptr}, Case{"silent", &silent}, Case{"unknown model", &unknown}}) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        if (c.logger == nullptr)
            rig.port()->PlugInNoise(20);
        else
            ASSERT_TRUE(rig.port()->PlugIn(c.logger->args));
        rig.controller().ButtonLogSpaceClick();
        ASSERT_TRUE(rig.RunUntil([&rig] { return !rig.prompter.Messages().empty(); }, 60000));
        EXPECT_EQ(rig.timers.NowMs(), 2900);  // 650 ms, then three steps of 750 ms
        EXPECT_EQ(rig.prompter.Messages(), (std::vector<std::string>{kMsgConnectFailed}));
        EXPECT_TRUE(rig.controller().Idle());
        EXPECT_FALSE(rig.controller().Link().IsOpen());
        ASSERT_TRUE(rig.Run());
        EXPECT_EQ(rig.prompter.Messages().size(), 1u);
    }
}

// A logger whose release comes only after the step that asked has ended is
// asked again, at the steps its release suits, and read.
TEST(DeviceSim, ALateReleaseAtAnEarlierStepIsStillFound) {
    std::vector<uint8_t> generic = MtkImage();
    generic.resize(synth::kGenericFlashBytes, 0xFF);
    struct Case {
        Logger logger;
        LoggerModel model;
        const char* mode;
    };
    const Case cases[] = {
        {Logger("qv4", Qv4Image(), {"--faults", "latency=1500"}), LoggerModel::QV4,
         "10Hz (Standard mode)"},
        {Logger("generic", generic, {"--faults", "latency=1500"}), LoggerModel::Generic,
         "5Hz (Long-time mode)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logger.args[1]);
        SimRig rig;
        ASSERT_TRUE(rig.port()->PlugIn(c.logger.args));
        rig.controller().ButtonLogSpaceClick();
        ASSERT_TRUE(rig.Run());
        EXPECT_EQ(rig.controller().Model(), c.model);
        EXPECT_GT(rig.timers.NowMs(), 2900) << "found only after the first walk";
        EXPECT_EQ(rig.controller().View().labels.LabelCurrntMode.text, c.mode);
        EXPECT_TRUE(rig.prompter.Messages().empty());
    }
}

TEST(DeviceSim, NoLoggerAndNoPort) {
    SimRig none;
    none.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(none.Run());
    EXPECT_EQ(none.prompter.Messages(), (std::vector<std::string>{kMsgConnectFailed}));
}

}  // namespace
}  // namespace qv
